#include "SoakWindows.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwctype>
#include <memory>
#include <thread>

#include "win/Dde.h"
#include "win/WinText.h"

namespace kes::soak {
namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kConnectRetryMs = 500;

std::atomic<ULONGLONG> lastBeat{0};

void Beat() {
    lastBeat = GetTickCount64();
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// The text a window keeps as its caption, read without a message to its process.
std::string CaptionOf(HWND hwnd) {
    wchar_t text[512];
    const int n = InternalGetWindowText(hwnd, text, 512);
    return win::Narrow(std::wstring_view(text, static_cast<size_t>(std::max(n, 0))));
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

// A named CALLBACK, not a lambda: on i686 the enumeration wants __stdcall.
template <class F>
BOOL CALLBACK CallFor(HWND hwnd, LPARAM p) {
    (*reinterpret_cast<F*>(p))(hwnd);
    return TRUE;
}

template <class F>
void ForEachTopLevel(F f) {
    EnumWindows(&CallFor<F>, reinterpret_cast<LPARAM>(&f));
}

template <class F>
void ForEachChild(HWND parent, F f) {
    EnumChildWindows(parent, &CallFor<F>, reinterpret_cast<LPARAM>(&f));
}

// Every window of the process: top-level, message-only, and all their descendants.
long CountWindows(DWORD pid) {
    long count = 0;
    const auto countTree = [&](HWND hwnd) {
        if (ProcessOf(hwnd) != pid) return;
        ++count;
        ForEachChild(hwnd, [&](HWND) { ++count; });
    };
    ForEachTopLevel(countTree);
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        countTree(w);
    return count;
}

// Wine keeps each process's GDI objects in a handle table of its own, which
// the process's PEB points to (GdiSharedHandleTable), in the layout of Wine's
// ntgdi.h. GetObjectType in this process looks only at this process's table,
// so another process's objects are counted by reading its table.
struct WineGdiEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;  // 0: a free entry
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24);
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

std::optional<long> CountGdiTable(HANDLE process) {
    using QueryFn = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (!query) return std::nullopt;
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return std::nullopt;
    ULONG_PTR table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process,
                           reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset,
                           &table, sizeof table, &read) ||
        !table)
        return std::nullopt;
    std::vector<WineGdiEntry> entries(kGdiTableEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(WineGdiEntry), &read))
        return std::nullopt;
    return static_cast<long>(std::count_if(entries.begin(), entries.end(),
                                           [](const WineGdiEntry& e) { return e.type != 0; }));
}

// The table count is trusted only when it follows objects made and deleted here.
bool GdiTableCountsThisProcess() {
    const auto before = CountGdiTable(GetCurrentProcess());
    if (!before || *before <= 0) return false;
    HGDIOBJ objects[] = {
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"),
        CreateBitmap(8, 8, 1, 1, nullptr), CreateSolidBrush(RGB(1, 2, 3))};
    const auto during = CountGdiTable(GetCurrentProcess());
    for (HGDIOBJ o : objects)
        if (o) DeleteObject(o);
    const auto after = CountGdiTable(GetCurrentProcess());
    return during && after && *during == *before + 3 && *after == *before;
}

PROCESS_MEMORY_COUNTERS_EX MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters;
}

}  // namespace

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        Beat();
        if (pred()) return true;
        if (GetTickCount64() >= end) return false;
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    WaitUntil([] { return false; }, ms);
}

bool ExecuteBounded(std::string_view service, std::string_view topic, std::string_view command,
                    DWORD timeoutMs) {
    struct Job {
        std::string service, topic, command;
        DWORD timeoutMs;
        std::atomic<int> outcome{0};  // 0 running, 1 acknowledged, 2 refused or timed out
    };
    auto job = std::make_shared<Job>();
    job->service = service;
    job->topic = topic;
    job->command = command;
    job->timeoutMs = timeoutMs;
    // The thread keeps the job alive: given up on, it may still finish later.
    std::thread([job] {
        win::DdeExecuteOptions options;
        options.transactionTimeoutMs = job->timeoutMs;
        options.connectRetryMs = kConnectRetryMs;
        job->outcome = win::DdeExecute(job->service, job->topic, job->command, options) ? 1 : 2;
    }).detach();
    WaitUntil([&] { return job->outcome != 0; }, timeoutMs + kConnectRetryMs + 1000);
    return job->outcome == 1;
}

void GuardAgainstStalls(DWORD limitMs) {
    Beat();
    std::thread([limitMs] {
        for (;;) {
            Sleep(1000);
            if (GetTickCount64() - lastBeat.load() <= limitMs) continue;
            std::fprintf(stderr, "KesSoak: no progress for %lu s, given up (exit code 3)\n",
                         static_cast<unsigned long>(limitMs / 1000));
            std::fflush(stdout);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }).detach();
}

std::vector<ShownWindow> ShownWindows(DWORD pid) {
    std::vector<ShownWindow> shown;
    ForEachTopLevel([&](HWND hwnd) {
        if (ProcessOf(hwnd) != pid || !IsWindowVisible(hwnd)) return;
        std::string caption = CaptionOf(hwnd);
        if (!caption.empty()) shown.push_back({hwnd, std::move(caption)});
    });
    return shown;
}

HWND FindShown(DWORD pid, std::string_view caption) {
    for (const ShownWindow& w : ShownWindows(pid))
        if (w.caption == caption) return w.hwnd;
    return nullptr;
}

LRESULT SendBounded(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result))
        return 0;
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND hwnd) {
    const auto length = SendBounded(hwnd, WM_GETTEXTLENGTH);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const auto copied =
        SendBounded(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return win::Narrow(text);
}

void SetTextOf(HWND hwnd, std::string_view text) {
    const std::wstring wide = win::Widen(text);
    SendBounded(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void PostClick(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

HWND ChildWithText(HWND parent, std::string_view text) {
    HWND found = nullptr;
    ForEachChild(parent, [&](HWND child) {
        if (!found && CaptionOf(child) == text) found = child;
    });
    return found;
}

HWND ChildContaining(HWND parent, std::string_view phrase) {
    HWND found = nullptr;
    ForEachChild(parent, [&](HWND child) {
        if (!found && TextOf(child).find(phrase) != std::string::npos) found = child;
    });
    return found;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* className) {
    std::vector<std::pair<LONG, HWND>> found;
    ForEachChild(parent, [&](HWND child) {
        if (!SameText(ClassOf(child), className)) return;
        RECT r{};
        GetWindowRect(child, &r);
        found.emplace_back(r.left, child);
    });
    std::sort(found.begin(), found.end());
    std::vector<HWND> children;
    for (const auto& f : found) children.push_back(f.second);
    return children;
}

bool IsTopmost(HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

std::vector<DWORD> ProcessesNamed(std::wstring_view exeName) {
    std::vector<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        std::wstring_view name = entry.szExeFile;
        if (const auto slash = name.find_last_of(L"\\/"); slash != std::wstring_view::npos)
            name.remove_prefix(slash + 1);
        if (SameText(name, exeName)) pids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return pids;
}

FootprintGauge::FootprintGauge() {
    // This process has a window, GDI objects and a heap, as the utility has.
    const HANDLE self = GetCurrentProcess();
    userFromSystem_ = GetGuiResources(self, GR_USEROBJECTS) > 0;
    gdiFromSystem_ = GetGuiResources(self, GR_GDIOBJECTS) > 0;
    gdiFromTable_ = !gdiFromSystem_ && GdiTableCountsThisProcess();
    privateFromPrivateUsage_ = MemoryOf(self).PrivateUsage > 0;
}

Footprint FootprintGauge::Measure(HANDLE process, DWORD pid) const {
    Footprint f;
    f.userObjects = userFromSystem_ ? static_cast<long>(GetGuiResources(process, GR_USEROBJECTS))
                                    : CountWindows(pid);
    if (gdiFromSystem_)
        f.gdiObjects = static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS));
    else if (gdiFromTable_)
        f.gdiObjects = CountGdiTable(process);
    const PROCESS_MEMORY_COUNTERS_EX m = MemoryOf(process);
    f.privateKiB = (privateFromPrivateUsage_ ? m.PrivateUsage : m.PagefileUsage) / 1024;
    return f;
}

std::string FootprintGauge::Methods() const {
    std::string s = "USER objects: ";
    s += userFromSystem_ ? "GetGuiResources" : "windows of the process (GetGuiResources gives 0)";
    s += "; GDI objects: ";
    s += gdiFromSystem_ ? "GetGuiResources"
         : gdiFromTable_
             ? "in-use entries of the process's GDI handle table (GetGuiResources gives 0)"
             : "n/a";
    s += "; private bytes: ";
    s += privateFromPrivateUsage_ ? "PrivateUsage" : "PagefileUsage (PrivateUsage gives 0)";
    return s;
}

}  // namespace kes::soak
