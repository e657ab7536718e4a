#pragma once
// A DDE client that speaks the WM_DDE_* messages itself from an ANSI window, as older hosts
// do. It pumps its thread while it waits, so a server on the same thread is served as well.
#include <windows.h>
#include <dde.h>

#include <string>
#include <string_view>

#include "support/Harness.h"

namespace kes::test {

class RawDdeClient {
  public:
    // An ANSI window as older hosts have, or a Unicode one.
    explicit RawDdeClient(bool unicodeWindow = false) {
        const WNDCLASSA wc{0, &Proc, 0, 0, GetModuleHandleW(nullptr), {}, {}, {}, {}, "KesRawDde"};
        const WNDCLASSW wcw{0, &Proc, 0, 0, wc.hInstance, {}, {}, {}, {}, L"KesRawDdeW"};
        RegisterClassA(&wc);
        RegisterClassW(&wcw);
        hwnd_ = CreateWindowExW(0, unicodeWindow ? wcw.lpszClassName : L"KesRawDde", L"", WS_POPUP,
                                0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~RawDdeClient() {
        if (server_) PostMessageW(server_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd_), 0);
        DestroyWindow(hwnd_);
    }
    RawDdeClient(const RawDdeClient&) = delete;
    RawDdeClient& operator=(const RawDdeClient&) = delete;

    bool Connect(const char* service, const char* topic) {
        const ATOM app = GlobalAddAtomA(service), top = GlobalAddAtomA(topic);
        DWORD_PTR ignored = 0;
        // The one DDE message that is sent, not posted; the atoms fit lParam's halves.
        SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(hwnd_),
                            MAKELPARAM(app, top), SMTO_ABORTIFHUNG, 3000, &ignored);
        GlobalDeleteAtom(app);
        GlobalDeleteAtom(top);
        return server_ != nullptr;
    }
    // Posts one execute whose block holds exactly `bytes` (one zero byte when there are none);
    // true when a positive WM_DDE_ACK comes back.
    bool Execute(std::string_view bytes) {
        pending_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT,
                               bytes.empty() ? 1 : bytes.size());
        bytes.copy(static_cast<char*>(GlobalLock(pending_)), bytes.size());
        GlobalUnlock(pending_);
        answered_ = accepted_ = false;
        PostMessageW(server_, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(hwnd_),
                     PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(pending_)));
        // Without an answer the server may still own the block: leave it.
        return WaitUntil([&] { return answered_; }, 3000) && accepted_;
    }
    bool ExecuteText(std::string_view ansi) { return Execute(std::string(ansi) + '\0'); }

  private:
    void OnAck(HWND from, LPARAM lp) {
        if (!server_) {
            // The answer to our initiate: two atoms made for us.
            server_ = from;
            GlobalDeleteAtom(LOWORD(lp));
            GlobalDeleteAtom(HIWORD(lp));
            return;
        }
        UINT_PTR status = 0, handle = 0;
        UnpackDDElParam(WM_DDE_ACK, lp, &status, &handle);
        FreeDDElParam(WM_DDE_ACK, lp);
        if (reinterpret_cast<HGLOBAL>(handle) != pending_) return;
        answered_ = true;
        accepted_ = (status & 0x8000) != 0;
        GlobalFree(pending_);
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<RawDdeClient*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self || msg != WM_DDE_ACK)
            return (IsWindowUnicode(hwnd) ? DefWindowProcW : DefWindowProcA)(hwnd, msg, wp, lp);
        self->OnAck(reinterpret_cast<HWND>(wp), lp);
        return 0;
    }

    HWND hwnd_ = nullptr, server_ = nullptr;
    HGLOBAL pending_ = nullptr;
    bool answered_ = false, accepted_ = false;
};

}  // namespace kes::test
