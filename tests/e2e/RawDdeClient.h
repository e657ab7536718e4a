#pragma once
// A DDE client that speaks the WM_DDE_* messages itself, as older hosts do:
// broadcast WM_DDE_INITIATE with global atoms, take the server window from
// the WM_DDE_ACK, post WM_DDE_EXECUTE with a global memory block, wait for
// the acknowledgement and terminate. It pumps every message of its thread
// while it waits, so a server on the same thread is served as well.
#include <windows.h>
#include <dde.h>

#include <cstring>
#include <string>
#include <string_view>

namespace kes::test {

struct RawDdeResult {
    bool connected = false;
    bool answered = false;  // a WM_DDE_ACK came back for the execute
    bool accepted = false;  // ... with fAck set
};

class RawDdeClient {
  public:
    // An ANSI window, as the older hosts have.
    RawDdeClient() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = "KesRawDdeClient";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
        SetPropW(hwnd_, L"KesRawDdeClient", this);
    }
    ~RawDdeClient() {
        if (server_) Terminate(1000);
        if (hwnd_) {
            RemovePropW(hwnd_, L"KesRawDdeClient");
            DestroyWindow(hwnd_);
        }
    }
    RawDdeClient(const RawDdeClient&) = delete;
    RawDdeClient& operator=(const RawDdeClient&) = delete;

    HWND Server() const { return server_; }

    bool Connect(const char* service, const char* topic) {
        const ATOM app = GlobalAddAtomA(service);
        const ATOM top = GlobalAddAtomA(topic);
        DWORD_PTR ignored = 0;
        // Initiate is the one DDE message that is sent, not posted; atoms fit
        // into the halves of lParam here.
        SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(hwnd_),
                            MAKELPARAM(app, top), SMTO_ABORTIFHUNG, 3000, &ignored);
        GlobalDeleteAtom(app);
        GlobalDeleteAtom(top);
        return server_ != nullptr;
    }

    // Posts one execute whose block holds exactly `bytes`; waits for the ack.
    RawDdeResult Execute(std::string_view bytes, DWORD timeoutMs = 3000) {
        RawDdeResult result;
        result.connected = server_ != nullptr;
        if (!server_) return result;
        HGLOBAL block =
            GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.empty() ? 1 : bytes.size());
        if (!block) return result;
        if (void* p = GlobalLock(block)) {
            if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
            GlobalUnlock(block);
        }
        pending_ = block;
        answered_ = accepted_ = false;
        const LPARAM lp = PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(block));
        if (!PostMessageW(server_, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(hwnd_), lp)) {
            FreeDDElParam(WM_DDE_EXECUTE, lp);
            GlobalFree(block);
            pending_ = nullptr;
            return result;
        }
        PumpUntil([&] { return answered_; }, timeoutMs);
        result.answered = answered_;
        result.accepted = accepted_;
        // Without an answer the server may still own the block: leave it.
        pending_ = nullptr;
        return result;
    }
    // A terminated NUL-closed ANSI command.
    RawDdeResult ExecuteText(std::string_view ansi, DWORD timeoutMs = 3000) {
        std::string bytes(ansi);
        bytes.push_back('\0');
        return Execute(bytes, timeoutMs);
    }
    bool Terminate(DWORD timeoutMs = 3000) {
        if (!server_) return false;
        PostMessageW(server_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd_), 0);
        const bool answered = PumpUntil([&] { return serverTerminated_; }, timeoutMs);
        server_ = nullptr;
        return answered;
    }

  private:
    template <class Pred>
    static bool PumpUntil(Pred done, DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        while (!done()) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now),
                                      QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        return true;
    }

    void OnAck(HWND from, LPARAM lp) {
        if (!server_) {
            // The answer to our initiate: lParam holds two atoms made for us.
            server_ = from;
            GlobalDeleteAtom(LOWORD(lp));
            GlobalDeleteAtom(HIWORD(lp));
            return;
        }
        if (from != server_) return;
        UINT_PTR status = 0, handle = 0;
        UnpackDDElParam(WM_DDE_ACK, lp, &status, &handle);
        FreeDDElParam(WM_DDE_ACK, lp);
        if (reinterpret_cast<HGLOBAL>(handle) == pending_) {
            answered_ = true;
            accepted_ = (status & 0x8000) != 0;
            GlobalFree(reinterpret_cast<HGLOBAL>(handle));
        }
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<RawDdeClient*>(GetPropW(hwnd, L"KesRawDdeClient"));
        if (!self || (msg != WM_DDE_ACK && msg != WM_DDE_TERMINATE))
            return DefWindowProcA(hwnd, msg, wp, lp);
        const HWND from = reinterpret_cast<HWND>(wp);
        if (msg == WM_DDE_TERMINATE) {
            if (from == self->server_) self->serverTerminated_ = true;
        } else if (self->server_ && from != self->server_) {
            // A second server answering the broadcast is turned away.
            GlobalDeleteAtom(LOWORD(lp));
            GlobalDeleteAtom(HIWORD(lp));
            PostMessageW(from, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
        } else {
            self->OnAck(from, lp);
        }
        return 0;
    }

    HWND hwnd_ = nullptr;
    HWND server_ = nullptr;
    HGLOBAL pending_ = nullptr;
    bool answered_ = false;
    bool accepted_ = false;
    bool serverTerminated_ = false;
};

}  // namespace kes::test
