#include "win/Dde.h"

#include <windows.h>
#include <dde.h>
#include <ddeml.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "win/DiagLog.h"
#include "win/Trace.h"
#include "win/WinText.h"

namespace kes::win {
namespace {

// DDEML callbacks carry no user pointer; the process has one server.
DdeServer* g_server = nullptr;

HSZ MakeHsz(DWORD instance, std::string_view text) {
    const std::wstring w = Widen(text);
    return DdeCreateStringHandleW(instance, w.c_str(), CP_WINUNICODE);
}

HDDEDATA CALLBACK ServerCallback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA data, ULONG_PTR,
                                 ULONG_PTR) {
    if (!g_server) return nullptr;
    return static_cast<HDDEDATA>(g_server->OnTransaction(type, hsz1, data));
}

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// The client side of one conversation held with the WM_DDE_* messages
// themselves, from a message-only window (outside every broadcast).
struct RawConversation {
    bool initiating = false;
    HWND server = nullptr;
    HGLOBAL pending = nullptr;  // the execute block until its answer
    bool answered = false, accepted = false, terminated = false;
};

LRESULT CALLBACK RawClientProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* conv = reinterpret_cast<RawConversation*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    const HWND from = reinterpret_cast<HWND>(wp);
    if (!conv || (msg != WM_DDE_ACK && msg != WM_DDE_TERMINATE))
        return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_DDE_TERMINATE) {
        conv->terminated = conv->terminated || from == conv->server;
    } else if (conv->initiating) {
        // The answer to the initiate, two atoms that are ours to delete. A
        // second server is let go at once.
        GlobalDeleteAtom(LOWORD(lp));
        GlobalDeleteAtom(HIWORD(lp));
        if (conv->server)
            PostMessageA(from, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
        else
            conv->server = from;
    } else {
        UINT_PTR status = 0, block = 0;
        UnpackDDElParam(WM_DDE_ACK, lp, &status, &block);
        FreeDDElParam(WM_DDE_ACK, lp);
        if (from == conv->server && conv->pending &&
            reinterpret_cast<HGLOBAL>(block) == conv->pending) {
            GlobalFree(conv->pending);
            conv->pending = nullptr;
            conv->answered = true;
            conv->accepted = (status & 0x8000) != 0;
        }
    }
    return 0;
}

// Runs this thread's messages until done() holds or the time is up.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

// Initiates with each top-level window of the thread that owns a window of
// `ownerClass`; false when none answered.
bool InitiateOnThreadOf(const wchar_t* ownerClass, HWND client, ATOM app, ATOM topic,
                        DWORD timeoutMs, RawConversation& conv) {
    const HWND owner = FindWindowW(ownerClass, nullptr);
    const DWORD thread = owner ? GetWindowThreadProcessId(owner, nullptr) : 0;
    std::vector<HWND> windows;
    if (thread) EnumThreadWindows(thread, &CollectWindow, reinterpret_cast<LPARAM>(&windows));
    conv.initiating = true;
    for (const HWND w : windows) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(w, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client),
                            MAKELPARAM(app, topic), SMTO_ABORTIFHUNG, timeoutMs, &ignored);
        if (conv.server) break;
    }
    conv.initiating = false;
    return conv.server != nullptr;
}

}  // namespace

DdeServer::~DdeServer() {
    Stop();
}

bool DdeServer::Start(std::string_view service, std::string_view topic, ExecuteHandler onExecute) {
    if (instance_ != 0 || g_server != nullptr) return false;
    DWORD inst = 0;
    // An ANSI instance: DDEML hands us execute text in the ANSI code page
    // whatever character set the client used.
    const UINT rc = DdeInitializeA(&inst, &ServerCallback,
                                   APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES |
                                       CBF_FAIL_REQUESTS | CBF_SKIP_ALLNOTIFICATIONS,
                                   0);
    if (rc != DMLERR_NO_ERROR) return false;
    instance_ = inst;
    g_server = this;
    onExecute_ = std::move(onExecute);
    service_ = MakeHsz(inst, service);
    topic_ = MakeHsz(inst, topic);
    if (!service_ || !topic_ ||
        !DdeNameService(inst, static_cast<HSZ>(service_), nullptr, DNS_REGISTER)) {
        Stop();
        return false;
    }
    return true;
}

void DdeServer::Stop() {
    if (instance_ == 0) return;
    const DWORD inst = instance_;
    if (service_) DdeNameService(inst, static_cast<HSZ>(service_), nullptr, DNS_UNREGISTER);
    if (service_) DdeFreeStringHandle(inst, static_cast<HSZ>(service_));
    if (topic_) DdeFreeStringHandle(inst, static_cast<HSZ>(topic_));
    service_ = topic_ = nullptr;
    DdeUninitialize(inst);
    instance_ = 0;
    if (g_server == this) g_server = nullptr;
}

void* DdeServer::OnTransaction(unsigned type, void* hszTopic, void* data) {
    switch (type) {
        case XTYP_CONNECT:
            return reinterpret_cast<void*>(static_cast<INT_PTR>(
                DdeCmpStringHandles(static_cast<HSZ>(hszTopic), static_cast<HSZ>(topic_)) == 0));
        case XTYP_EXECUTE: {
            KES_TRACE_POINT("execute received");
            // Read exactly the declared size: a short command can arrive without
            // its terminator, and nothing past the block is ours to read.
            DWORD size = 0;
            const BYTE* bytes = DdeAccessData(static_cast<HDDEDATA>(data), &size);
            std::string ansi;
            if (bytes) {
                const char* p = reinterpret_cast<const char*>(bytes);
                size_t n = 0;
                while (n < size && p[n] != '\0') ++n;
                ansi.assign(p, n);
                // What a Unicode client window's UTF-16 becomes: a first character
                // and the rest unread. Nothing else shows it.
                if (LogEnabled() && std::any_of(p + n, p + size, [](char c) { return c != 0; }))
                    Log("DDE execute of " + std::to_string(size) + " bytes, read up to its first " +
                        "zero byte (UTF-16 text? send ANSI text): " +
                        Quoted(std::string_view(p, size), false));
                DdeUnaccessData(static_cast<HDDEDATA>(data));
            }
            bool accepted = true;
            try {
                if (onExecute_) accepted = onExecute_(AnsiToUtf8(ansi));
            } catch (...) {
                // Nothing is ever reported to the host: a failed execute is accepted.
                KES_LOG_HERE("execute handler failed");
            }
            return reinterpret_cast<void*>(
                static_cast<INT_PTR>(accepted ? DDE_FACK : DDE_FNOTPROCESSED));
        }
        default:
            return nullptr;
    }
}

namespace {

// A client's DDEML instance with its two names, given back in order at the end.
struct DdemlClient {
    DWORD inst = 0;
    HSZ service = nullptr, topic = nullptr;
    ~DdemlClient() {
        for (HSZ name : {service, topic})
            if (name) DdeFreeStringHandle(inst, name);
        if (inst) DdeUninitialize(inst);
    }
};

}  // namespace

bool DdeExecute(std::string_view service, std::string_view topic, std::string_view command,
                const DdeExecuteOptions& options) {
    const bool unicode = options.charset == DdeCharset::Unicode;
    DdemlClient client;
    DWORD& inst = client.inst;
    const UINT init = unicode ? DdeInitializeW(&inst, &ClientCallback, APPCMD_CLIENTONLY, 0)
                              : DdeInitializeA(&inst, &ClientCallback, APPCMD_CLIENTONLY, 0);
    if (init != DMLERR_NO_ERROR) return false;
    KES_TRACE_POINT("dde client ready");
    const HSZ hszService = client.service = MakeHsz(inst, service);
    const HSZ hszTopic = client.topic = MakeHsz(inst, topic);
    HCONV conv = nullptr;
    const ULONGLONG deadline = GetTickCount64() + options.connectRetryMs;
    for (;;) {
        conv = DdeConnect(inst, hszService, hszTopic, nullptr);
        if (conv || GetTickCount64() >= deadline) break;
        Sleep(25);
    }
    KES_TRACE_POINT("dde connected");
    bool acknowledged = false;
    if (conv) {
        std::vector<BYTE> payload;
        if (unicode) {
            const std::wstring w = Widen(command);
            const auto* b = reinterpret_cast<const BYTE*>(w.c_str());
            payload.assign(b, b + (w.size() + 1) * sizeof(wchar_t));
        } else {
            const std::string a = Utf8ToAnsi(command);
            payload.assign(a.begin(), a.end());
            payload.push_back(0);
        }
        DWORD result = 0;
        const HDDEDATA r =
            DdeClientTransaction(payload.data(), static_cast<DWORD>(payload.size()), conv, nullptr,
                                 unicode ? CF_UNICODETEXT : CF_TEXT, XTYP_EXECUTE,
                                 options.transactionTimeoutMs, &result);
        acknowledged = r != nullptr;
        KES_TRACE_POINT("dde executed");
        DdeDisconnect(conv);
    }
    return acknowledged;
}

bool DdeExecuteOnThreadOf(const wchar_t* ownerClass, std::string_view service,
                          std::string_view topic, std::string_view command,
                          const DdeExecuteOptions& options) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &RawClientProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = "KesDdeClient";
    RegisterClassA(&wc);
    const HWND client = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, wc.hInstance, nullptr);
    if (!client) return false;
    KES_TRACE_POINT("dde client ready");
    RawConversation conv;
    SetWindowLongPtrA(client, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&conv));
    const DWORD timeoutMs = std::max<DWORD>(options.transactionTimeoutMs, 1);  // 0: no limit

    const ATOM app = GlobalAddAtomA(Utf8ToAnsi(service).c_str());
    const ATOM top = GlobalAddAtomA(Utf8ToAnsi(topic).c_str());
    const ULONGLONG deadline = GetTickCount64() + options.connectRetryMs;
    while (!InitiateOnThreadOf(ownerClass, client, app, top, timeoutMs, conv) &&
           GetTickCount64() < deadline)
        Sleep(25);
    GlobalDeleteAtom(app);
    GlobalDeleteAtom(top);
    KES_TRACE_POINT("dde connected");

    if (conv.server) {
        const std::string text = Utf8ToAnsi(command);
        if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1)) {
            if (void* bytes = GlobalLock(block)) {
                std::memcpy(bytes, text.c_str(), text.size() + 1);
                GlobalUnlock(block);
            }
            conv.pending = block;
            if (PostMessageA(conv.server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client),
                             reinterpret_cast<LPARAM>(block)))
                PumpUntil([&] { return conv.answered || conv.terminated; }, timeoutMs);
            else
                GlobalFree(std::exchange(conv.pending, nullptr));
            KES_TRACE_POINT("dde executed");
            // Unanswered, the block may still be the server's: it stays.
        }
        // A server that left the execute unanswered will not answer this either.
        if (!conv.terminated) {
            PostMessageA(conv.server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
            PumpUntil([&] { return conv.terminated; }, conv.answered ? timeoutMs : 0);
        }
    }
    SetWindowLongPtrA(client, GWLP_USERDATA, 0);
    DestroyWindow(client);
    return conv.accepted;
}

}  // namespace kes::win
