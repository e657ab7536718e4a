#include "win/Dde.h"

#include <windows.h>
#include <ddeml.h>

#include <exception>
#include <vector>

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
                DdeUnaccessData(static_cast<HDDEDATA>(data));
            }
            bool accepted = true;
            try {
                if (onExecute_) accepted = onExecute_(AnsiToUtf8(ansi));
            } catch (...) {
                // Nothing is ever reported to the host: a failed execute is accepted.
            }
            return reinterpret_cast<void*>(
                static_cast<INT_PTR>(accepted ? DDE_FACK : DDE_FNOTPROCESSED));
        }
        default:
            return nullptr;
    }
}

bool DdeExecute(std::string_view service, std::string_view topic, std::string_view command,
                const DdeExecuteOptions& options) {
    const bool unicode = options.charset == DdeCharset::Unicode;
    DWORD inst = 0;
    const UINT init = unicode ? DdeInitializeW(&inst, &ClientCallback, APPCMD_CLIENTONLY, 0)
                              : DdeInitializeA(&inst, &ClientCallback, APPCMD_CLIENTONLY, 0);
    if (init != DMLERR_NO_ERROR) return false;
    KES_TRACE_POINT("dde client ready");
    HSZ hszService = MakeHsz(inst, service);
    HSZ hszTopic = MakeHsz(inst, topic);
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
    if (hszService) DdeFreeStringHandle(inst, hszService);
    if (hszTopic) DdeFreeStringHandle(inst, hszTopic);
    DdeUninitialize(inst);
    return acknowledged;
}

}  // namespace kes::win
