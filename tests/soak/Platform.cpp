// What the soak needs from the platform: requests and waits that cannot
// hold it, another process's footprint, and what the platform itself keeps.
#include <windows.h>
#include <ddeml.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "Soak.h"
#include "support/Harness.h"
#include "win/Dde.h"
#include "win/WinText.h"

namespace kes::soak {
namespace {

std::atomic<ULONGLONG> lastBeat{0};

// Wine keeps each process's GDI objects in a handle table of that process,
// which its PEB points to (GdiSharedHandleTable, at 0xF8 in the 64-bit PEB):
// 65,536 entries of Wine's GDI_HANDLE_ENTRY (24 bytes, its type byte at 14,
// 0 when free). GetObjectType looks only in the caller's own table, so another
// process's objects are counted by reading its table.
std::optional<long> CountGdiTable(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG_PTR at = 0;
    std::vector<unsigned char> table(0x10000 * 24);
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0 ||
        !ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + 0xF8, &at,
                           sizeof at, nullptr) ||
        !ReadProcessMemory(process, reinterpret_cast<const void*>(at), table.data(), table.size(),
                           nullptr))
        return std::nullopt;
    long used = 0;
    for (size_t type = 14; type < table.size(); type += 24) used += table[type] != 0;
    return used;
}

// The table count is trusted only when it follows objects made and deleted here.
bool GdiTableCountsThisProcess() {
    const auto before = CountGdiTable(GetCurrentProcess());
    HGDIOBJ objects[] = {
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"),
        CreateBitmap(8, 8, 1, 1, nullptr), CreateSolidBrush(RGB(1, 2, 3))};
    const auto during = CountGdiTable(GetCurrentProcess());
    for (HGDIOBJ o : objects) DeleteObject(o);
    const auto after = CountGdiTable(GetCurrentProcess());
    return before > 0 && during == *before + 3 && after == before;
}

// A window and all its descendants.
long CountTree(HWND hwnd) {
    long count = 1;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        count += CountTree(c);
    return count;
}

// Every window of the process: top-level, message-only, and their descendants.
long CountWindows(DWORD pid) {
    long count = 0;
    for (HWND parent : {HWND(nullptr), HWND_MESSAGE})
        for (HWND w = nullptr; (w = FindWindowExW(parent, w, nullptr, nullptr));)
            if (test::ProcessOf(w) == pid) count += CountTree(w);
    return count;
}

// The platform's floor: what Wine keeps in a process's private bytes of DDE
// execute text received and of text shown in a multi-line edit, measured on
// a process that runs nothing of the utility: a bare DDEML server that puts
// the texts it receives into such an edit.

constexpr char kService[] = "KesSoakFloor";

// "D...": received only; "E...": shown as the help window shows a text, in a
// multi-line read-only edit in a frame, which then goes; "quit".
HDDEDATA CALLBACK FloorCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR,
                                ULONG_PTR) {
    if (type == XTYP_CONNECT) return reinterpret_cast<HDDEDATA>(TRUE);
    if (type != XTYP_EXECUTE) return nullptr;
    std::string text(DdeGetData(data, nullptr, 0, 0), '\0');
    DdeGetData(data, reinterpret_cast<BYTE*>(text.data()), static_cast<DWORD>(text.size()), 0);
    text.resize(strlen(text.c_str()));
    if (text == "quit") PostQuitMessage(0);
    if (text[0] == 'E') {
        HWND frame = CreateWindowExW(0, L"STATIC", L"floor", WS_OVERLAPPED | WS_CAPTION, 0, 0, 300,
                                     200, nullptr, nullptr, nullptr, nullptr);
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", win::Widen(text.substr(1)).c_str(),
                        WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 5, 5, 256,
                        163, frame, nullptr, nullptr, nullptr);
        DestroyWindow(frame);
    }
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
}

}  // namespace

void GuardAgainstStalls() {
    lastBeat = GetTickCount64();
    std::thread([] {
        while (GetTickCount64() - lastBeat.load() <= 120000) Sleep(1000);
        std::fputs("KesSoak: no progress for 2 minutes, given up (exit code 3)\n", stderr);
        std::fflush(nullptr);
        TerminateProcess(GetCurrentProcess(), 3);
    }).detach();
}

bool Execute(std::string_view service, std::string_view topic, std::string_view command,
             DWORD timeoutMs) {
    lastBeat = GetTickCount64();
    const auto outcome = std::make_shared<std::atomic<int>>(0);  // 1 acknowledged, 2 not
    win::DdeExecuteOptions options;
    options.transactionTimeoutMs = timeoutMs;
    options.connectRetryMs = 500;
    // The thread shares only the outcome: given up on, it may still finish later.
    std::thread([=, s = std::string(service), t = std::string(topic), c = std::string(command)] {
        *outcome = win::DdeExecute(s, t, c, options) ? 1 : 2;
    }).detach();
    test::WaitUntil([&] { return *outcome != 0; }, timeoutMs + 1500);
    return *outcome == 1;
}

Footprint Measure(HANDLE process, DWORD pid) {
    static const bool gdiTableTrusted = GdiTableCountsThisProcess();
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(process, &m, sizeof m);
    return {CountWindows(pid), gdiTableTrusted ? CountGdiTable(process) : std::nullopt,
            m.PagefileUsage / 1024};
}

int RunFloor() {
    DWORD instance = 0;
    DdeInitializeA(&instance, &FloorCallback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0);
    if (!DdeNameService(instance, DdeCreateStringHandleA(instance, kService, CP_WINANSI), nullptr,
                        DNS_REGISTER))
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

// Sends 50 texts of 20,000 bytes, received only, then 50 shown, twice; the
// second time counts (the first settles the heaps).
Retention MeasureRetention() {
    host::HostLink floor(test::BinDir() + L"\\KesSoak.exe");
    const auto send = [](const std::string& c) { return Execute(kService, "Floor", c); };
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
