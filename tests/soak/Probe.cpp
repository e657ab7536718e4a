#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "Soak.h"
#include "support/Harness.h"
#include "win/Dde.h"

namespace kes::soak {
namespace {

std::atomic<ULONGLONG> lastBeat{0};

// Wine keeps each process's GDI objects in a handle table of that process,
// which its PEB points to (GdiSharedHandleTable, at 0xF8 in the 64-bit PEB):
// 65,536 entries of Wine's GDI_HANDLE_ENTRY (24 bytes, its type byte at 14,
// 0 when free). GetObjectType looks only in the caller's own table, so another
// process's objects are counted by reading its table.
std::optional<long> CountGdiTable(HANDLE process) {
    using QueryFn = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    ULONG_PTR at = 0;
    std::vector<unsigned char> table(0x10000 * 24);
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
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

}  // namespace

void GuardAgainstStalls(DWORD limitMs) {
    lastBeat = GetTickCount64();
    std::thread([limitMs] {
        while (GetTickCount64() - lastBeat.load() <= limitMs) Sleep(1000);
        std::fprintf(stderr, "KesSoak: no progress for %lu s, given up (exit code 3)\n",
                     static_cast<unsigned long>(limitMs / 1000));
        std::fflush(stdout);
        std::fflush(stderr);
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

}  // namespace kes::soak
