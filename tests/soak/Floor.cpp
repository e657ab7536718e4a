// The platform's floor: what Wine keeps in a process's private bytes of DDE
// execute text received and of text shown in a multi-line edit, measured on
// a process that runs nothing of the utility: a bare DDEML server that puts
// the texts it receives into such an edit.
#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <cstring>

#include "Soak.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace kes::soak {
namespace {

constexpr char kService[] = "KesSoakFloor";

// "D...": received only; "E...": shown as the help window shows a text, in a
// multi-line read-only edit in a frame, which then goes; "quit".
HDDEDATA CALLBACK FloorCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                                ULONG_PTR) {
    if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(TRUE);
    DWORD size = 0;
    const char* p =
        type == XTYP_EXECUTE ? reinterpret_cast<char*>(DdeAccessData(data, &size)) : nullptr;
    if (!p) return nullptr;
    const std::string text(p, strnlen(p, size));
    DdeUnaccessData(data);
    if (text == "quit") PostQuitMessage(0);
    if (text[0] == 'E') {
        HWND frame = CreateWindowExW(0, L"STATIC", L"floor", WS_OVERLAPPED | WS_CAPTION, 0, 0, 300,
                                     200, nullptr, nullptr, nullptr, nullptr);
        HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                    WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL,
                                    5, 5, 256, 163, frame, nullptr, nullptr, nullptr);
        SetWindowTextW(edit, win::Widen(text.substr(1)).c_str());
        DestroyWindow(frame);
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

}  // namespace

int RunFloor() {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, &FloorCallback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS,
                       0) != DMLERR_NO_ERROR ||
        !DdeNameService(instance, DdeCreateStringHandleA(instance, kService, CP_WINANSI), nullptr,
                        DNS_REGISTER))
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

// Sends 50 texts of 20,000 bytes, received only, then 50 shown, twice; the
// second time counts (the first settles the heaps).
Retention MeasureRetention() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    host::HostLink floor(self);
    const auto send = [](const std::string& command) {
        return Execute(kService, "Floor", command);
    };
    if (!floor.StartUtility("--floor") || !test::WaitUntil([&] { return send("ping"); }, 10000))
        return {};
    std::string body;  // lines, as the help texts have them
    while (body.size() < 20000) body += "0123456789 abcdefghij klmnopqrst uvwxyz ABCDEFGHIJ\r\n";
    body.resize(20000);
    const auto round = [&](char kind) {
        for (int i = 0; i < 50; ++i) send(kind + body);
        return static_cast<double>(Measure(floor.Process(), floor.ProcessId()).privateKiB);
    };
    round('D');
    const double m0 = round('E'), m1 = round('D'), m2 = round('E');
    send("quit");
    if (!floor.WaitForExit(3000)) TerminateProcess(floor.Process(), 1);
    // Per byte of execute text (kind, body and terminator) and per character shown.
    return {std::max(0.0, (m1 - m0) * 1024 / (50 * 20002.0)),
            std::max(0.0, ((m2 - m1) - (m1 - m0)) * 1024 / (50 * 20000.0))};
}

}  // namespace kes::soak
