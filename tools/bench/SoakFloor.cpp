#include "SoakFloor.h"

#include <ddeml.h>

#include <algorithm>
#include <cstring>

#include "win/WinText.h"

namespace kes::soak {
namespace {

constexpr char kService[] = "KesSoakFloor";
constexpr char kTopic[] = "Floor";
constexpr int kSamples = 50;
constexpr size_t kTextBytes = 20000;
constexpr DWORD kExecuteMs = 5000;

// As the help window shows a text: a multi-line read-only edit in a frame.
void ShowInEdit(const std::string& text) {
    HWND frame = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"floor", WS_OVERLAPPED | WS_CAPTION,
                                 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, 5, 5, 256,
        163, frame, nullptr, nullptr, nullptr);
    SetWindowTextW(edit, win::Widen(text).c_str());
    DestroyWindow(frame);
}

HDDEDATA CALLBACK FloorCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                                ULONG_PTR) {
    if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(TRUE);
    if (type != XTYP_EXECUTE) return nullptr;
    DWORD size = 0;
    if (const BYTE* bytes = DdeAccessData(data, &size)) {
        const char* p = reinterpret_cast<const char*>(bytes);
        const std::string text(p, strnlen(p, size));
        DdeUnaccessData(data);
        if (text == "quit")
            PostQuitMessage(0);
        else if (!text.empty() && text[0] == 'E')
            ShowInEdit(text.substr(1));
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

bool SendFloor(const std::string& command) {
    return ExecuteBounded(kService, kTopic, command, kExecuteMs);
}

}  // namespace

int RunFloor() {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, &FloorCallback,
                       APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_FAIL_REQUESTS |
                           CBF_SKIP_ALLNOTIFICATIONS,
                       0) != DMLERR_NO_ERROR)
        return 1;
    HSZ service = DdeCreateStringHandleA(instance, kService, CP_WINANSI);
    if (!service || !DdeNameService(instance, service, nullptr, DNS_REGISTER)) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    DdeNameService(instance, service, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance, service);
    DdeUninitialize(instance);
    return 0;
}

PlatformRetention MeasureRetention(const std::wstring& selfPath, const FootprintGauge& gauge) {
    PlatformRetention retention;
    std::wstring line = L"\"" + selfPath + L"\" --floor";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(selfPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return retention;
    CloseHandle(pi.hThread);
    const auto privateKiB = [&] {
        return static_cast<double>(gauge.Measure(pi.hProcess, pi.dwProcessId).privateKiB);
    };
    if (WaitUntil([] { return SendFloor("ping"); }, 10000)) {
        std::string body;  // lines, as the help texts have them
        while (body.size() < kTextBytes)
            body += "0123456789 abcdefghij klmnopqrst uvwxyz ABCDEFGHIJ KLMNOPQ\r\n";
        body.resize(kTextBytes);
        const auto round = [&](char kind) {
            for (int i = 0; i < kSamples; ++i) SendFloor(kind + body);
            return privateKiB();
        };
        round('D');  // the first ones settle the heaps
        round('E');
        const double m0 = privateKiB(), m1 = round('D'), m2 = round('E');
        const double executeBytes = kSamples * (kTextBytes + 2.0);  // kind, body, terminator
        retention.perExecuteByte = std::max(0.0, (m1 - m0) * 1024 / executeBytes);
        retention.perEditChar =
            std::max(0.0, ((m2 - m1) - (m1 - m0)) * 1024 / (kSamples * double(kTextBytes)));
        SendFloor("quit");
    }
    if (WaitForSingleObject(pi.hProcess, 3000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return retention;
}

}  // namespace kes::soak
