// Benchmarks of KesUtil.exe against floor programs, each figure the median of
// N rounds:
//   cold start        command line -> converter shown      vs  a program showing one window
//   DDE open          execute sent -> converter shown      vs  a null DDE server's execute + one
//                                                              window
//   private bytes     PagefileUsage, converter open (KiB)  vs  the one-window program, shown
//   token list open   3000-token request sent -> acknowledged, the list filled
//                                                          vs  a DDE server filling a list box
//   token list close  close request sent -> acknowledged, the window gone, the reply written
//                                                          vs  the same DDE server saving a reply
//   second start      start -> forwarding process ended    vs  a program that starts and ends
//   host gone         host window destroyed -> process ended
//                                                          vs  a program polling a window every
//                                                              10 ms
// (the utility after a -2 request, so both poll every 10 ms).
//
// The first four rows also have a same-work floor, KesFloorTool.exe: the
// utility's visible work for that path in plain Win32 (its start with the
// converter's window, a DDE open of that window, a raw-DDE forward to it),
// so that ratio is what the utility's own code costs. Every path starts after
// a short settle, so that none pays for what the step before left in flight.
//
//   KesBench.exe [--reps N] [--trace]
//
// --trace (with a build that has the trace points, scripts/bench.sh --trace)
// also prints, for every measured path, when each trace point of the programs
// was reached: the median offset from the start of the measurement.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/CommandString.h"
#include "PlainWindow.h"
#include "common/Pump.h"
#include "hostlink/HostLink.h"
#include "win/Dde.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace {

using kes::host::HostLink;

constexpr wchar_t kFloorCaption[] = L"Kes floor window";
constexpr wchar_t kFloorToolCaption[] = L"Kes floor tool";
constexpr DWORD kTimeoutMs = 15000;
constexpr int kTokenCount = 3000;
// Current token 3: its item is the one selected, and a close by code hands
// back exactly that.
constexpr char kTokenReply[] = "3~3~";

double TicksToMs(long long ticks) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

double NowMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return TicksToMs(now.QuadPart);
}

// The measured stretches of the run, in order; the trace points the programs
// reach inside one belong to it.
struct Stretch {
    std::string path;
    double begin, end;
};
std::vector<Stretch> stretches;

constexpr DWORD kSettleMs = 100;

// Polls (with 1 ms waits, answering this thread's messages) until pred holds.
bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs = kTimeoutMs) {
    return kes::tools::PumpUntil(pred, timeoutMs, 1);
}

// The floors' windows by caption, the utility's by their contract class.
bool Shown(const wchar_t* caption) {
    return kes::tools::FindShownWindow(nullptr, caption) != nullptr;
}
bool UtilityShown(const wchar_t* windowClass) {
    return kes::tools::FindShownWindow(windowClass) != nullptr;
}
HWND Utility(const wchar_t* windowClass) {
    return FindWindowW(windowClass, nullptr);
}

bool Exited(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

struct Process {
    HANDLE handle = nullptr;
    ~Process() {
        if (handle) CloseHandle(handle);
    }
};

bool Launch(const std::wstring& exe, const std::wstring& args, Process& p) {
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    CloseHandle(pi.hThread);
    p.handle = pi.hProcess;
    return true;
}

// "3~Layer~1 Amp~2 Mix~3 Flt~...~": short names keep the whole command string
// within the 32,767 characters a host may send.
std::string TokenRequestText() {
    static const char* const names[] = {"Amp", "Mix", "Flt", "Out"};
    std::string text = "3~Layer~";
    for (int i = 1; i <= kTokenCount; ++i) text += std::to_string(i) + " " + names[i % 4] + "~";
    return text;
}

// One execute with the acknowledgement awaited as long as any measurement:
// loading thousands of tokens can outlast HostLink::Send's 3 s under Wine.
bool SendAndWait(std::string_view service, std::string_view topic, std::string_view command) {
    kes::win::DdeExecuteOptions options;
    options.transactionTimeoutMs = kTimeoutMs;
    return kes::win::DdeExecute(service, topic, command, options);
}

// The list box of a shown window holds the whole token list.
bool ListFilled(HWND w) {
    HWND list = w && IsWindowVisible(w) ? FindWindowExW(w, nullptr, L"ListBox", nullptr) : nullptr;
    return list && SendMessageW(list, LB_GETCOUNT, 0, 0) == kTokenCount;
}

// Private bytes as Wine reports them (it leaves PrivateUsage at 0), after the
// same settling time for every program measured.
std::optional<double> PrivateKiB(HANDLE process) {
    WaitFor([] { return false; }, 200);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters) || counters.PagefileUsage == 0)
        return std::nullopt;
    return static_cast<double>(counters.PagefileUsage) / 1024.0;
}

struct Series {
    const char* name;
    const char* floorName;
    bool hasSameWork = false;
    std::vector<double> utility, floor, same;
    int failures = 0;
};

struct Rows {
    Series cold{"cold start -> converter shown", "one-window program shown", true, {}, {}, {}};
    Series dde{"DDE open -> converter shown", "null DDE execute + window", true, {}, {}, {}};
    Series memory{
        "private KiB (PagefileUsage), open", "one-window program, shown", true, {}, {}, {}};
    Series listOpen{
        "token list open, 3000 -> acked", "DDE list box of 3000 shown", false, {}, {}, {}};
    Series listClose{
        "token list close -> acked, reply", "DDE close + reply saved", false, {}, {}, {}};
    Series second{"second start -> forwarded, ended", "empty program start+exit", true, {}, {}, {}};
    Series gone{"host gone -> process ended (-2)", "10 ms window poller ends", false, {}, {}, {}};
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Times one path: `run` is timed and `check` (untimed) confirms what it did.
// When both hold the time joins `times` and the stretch the trace points are
// read against; otherwise the series counts a failure.
bool Measure(
    Series& series, std::vector<double>& times, const char* path, const std::function<bool()>& run,
    const std::function<bool()>& check = [] { return true; }) {
    // What the step before left in flight (a process ending, windows going,
    // their repaints) settles first, so that no path pays for its predecessor.
    WaitFor([] { return false; }, kSettleMs);
    const double begin = NowMs();
    const bool done = run();
    const double end = NowMs();
    if (!done || !check()) {
        ++series.failures;
        return false;
    }
    times.push_back(end - begin);
    stretches.push_back({path, begin, end});
    return true;
}

class Bench {
  public:
    Bench()
        : utilityPath_(BinDir() + L"KesUtil.exe"), floorPath_(BinDir() + L"KesFloorWindow.exe") {}

    void UtilityRound(Rows& rows);
    void FloorRound(Rows& rows);
    void SameWorkRound(Rows& rows);
    bool StartFloorDde();
    void StopFloorDde();

  private:
    std::wstring utilityPath_, floorPath_;
    Process floorDde_;
};

std::string ConverterRequest() {
    return kes::host::OpenRequest(kes::kWindowConverter, "", 300, 4000, 6000, 10000, false);
}

// One life of the utility: cold start, a DDE open, a forwarded start (right
// after the open, as in the same-work floor's life), the token list opened and
// closed, the end.
void Bench::UtilityRound(Rows& rows) {
    auto& [cold, dde, memory, listOpen, listClose, second, gone] = rows;
    const kes::win::SettingsStore store;
    store.Delete(kes::kSectionMisc, kes::kScrollbarValue);
    HWND host = kes::bench::CreatePlainWindow(L"Kestrelsim bench host");
    HostLink link(utilityPath_);
    link.PublishHostWindow(host);

    Measure(cold, cold.utility, "cold start -> converter shown", [&] {
        return link.StartUtility(ConverterRequest()) &&
               WaitFor([] { return UtilityShown(kes::kConverterClass); });
    });
    // The DDE server may register a moment after the first window shows.
    WaitFor([&] { return link.UtilityWindow().has_value(); });

    link.Send(kes::host::CloseRequest(kes::kWindowConverter));
    WaitFor([] { return !Utility(kes::kConverterClass); });
    Measure(dde, dde.utility, "DDE open -> converter shown", [&] {
        return link.Send(ConverterRequest()) &&
               WaitFor([] { return UtilityShown(kes::kConverterClass); });
    });
    if (const auto kib =
            UtilityShown(kes::kConverterClass) ? PrivateKiB(link.Process()) : std::nullopt)
        memory.utility.push_back(*kib);
    else
        ++memory.failures;

    HostLink again(utilityPath_);
    Measure(second, second.utility, "second start -> forwarded, ended", [&] {
        return again.StartUtility(ConverterRequest()) &&
               WaitFor([&] { return again.WaitForExit(0); });
    });

    // The acknowledgement comes once the request has been carried out.
    const std::string tokens = kes::host::OpenRequest(kes::kWindowTokenList, TokenRequestText(),
                                                      300, 4000, 6000, 10000, false);
    Measure(
        listOpen, listOpen.utility, "token list open",
        [&] {
            return tokens.size() <= kes::kMaxCommandLength &&
                   SendAndWait(kes::kDdeService, kes::kDdeTopic, tokens);
        },
        [] { return ListFilled(Utility(kes::kTokenListClass)); });
    Measure(
        listClose, listClose.utility, "token list close",
        [] {
            return SendAndWait(kes::kDdeService, kes::kDdeTopic,
                               kes::host::CloseRequest(kes::kWindowTokenList));
        },
        [&] { return !Utility(kes::kTokenListClass) && link.TakeReply() == kTokenReply; });

    link.Send(kes::host::kFastWatchdogRequest);
    WaitFor([] { return false; }, 50);  // a tick or two at the new interval
    Measure(gone, gone.utility, "host gone -> process ended", [&] {
        DestroyWindow(host);
        return WaitFor([&] { return link.WaitForExit(0); });
    });
    link.WithdrawHostWindow();
    if (!link.WaitForExit(0)) TerminateProcess(link.Process(), 1);
}

bool Bench::StartFloorDde() {
    if (!Launch(BinDir() + L"KesFloorDde.exe", L"", floorDde_)) return false;
    kes::win::DdeExecuteOptions options;
    options.connectRetryMs = 5000;
    return kes::win::DdeExecute("KesFloor", "Floor", "close", options);
}

void Bench::StopFloorDde() {
    kes::win::DdeExecute("KesFloor", "Floor", "quit");
    if (floorDde_.handle && WaitForSingleObject(floorDde_.handle, 3000) != WAIT_OBJECT_0)
        TerminateProcess(floorDde_.handle, 1);
}

void Bench::FloorRound(Rows& rows) {
    auto& [cold, dde, memory, listOpen, listClose, second, gone] = rows;
    {
        Process p;
        if (Measure(cold, cold.floor, "floor: one window shown", [&] {
                return Launch(floorPath_, L"", p) && WaitFor([] { return Shown(kFloorCaption); });
            })) {
            if (const auto kib = PrivateKiB(p.handle))
                memory.floor.push_back(*kib);
            else
                ++memory.failures;
        }
        PostMessageW(FindWindowW(nullptr, kFloorCaption), WM_CLOSE, 0, 0);
        if (p.handle && !WaitFor([&] { return Exited(p.handle); })) TerminateProcess(p.handle, 1);
    }
    {
        kes::win::DdeExecute("KesFloor", "Floor", "close");
        WaitFor([] { return !FindWindowW(nullptr, kFloorToolCaption); });
        Measure(dde, dde.floor, "floor: DDE execute + window", [] {
            return kes::win::DdeExecute("KesFloor", "Floor", "open") &&
                   WaitFor([] { return Shown(kFloorToolCaption); });
        });
    }
    {
        const kes::win::SettingsStore store("KesFloor");
        store.Delete(kes::kSectionMessages, "floorListMessage");
        Measure(
            listOpen, listOpen.floor, "floor: list box of 3000",
            [] { return SendAndWait("KesFloor", "Floor", "list " + TokenRequestText()); },
            [] { return ListFilled(FindWindowW(nullptr, kFloorToolCaption)); });
        Measure(
            listClose, listClose.floor, "floor: close + reply saved",
            [] { return SendAndWait("KesFloor", "Floor", "close-list"); },
            [&] {
                return !FindWindowW(nullptr, kFloorToolCaption) &&
                       store.Get(kes::kSectionMessages, "floorListMessage") == kTokenReply;
            });
        store.Delete(kes::kSectionMessages, "floorListMessage");
    }
    {
        Process p;
        Measure(second, second.floor, "floor: start and exit", [&] {
            return Launch(floorPath_, L"--exit", p) && WaitFor([&] { return Exited(p.handle); });
        });
    }
    {
        HWND target = kes::bench::CreatePlainWindow(L"Kes floor target");
        Process p;
        const auto handle =
            std::to_wstring(static_cast<long long>(reinterpret_cast<INT_PTR>(target)));
        if (!Launch(floorPath_, L"--watch " + handle, p)) {
            ++gone.failures;
            DestroyWindow(target);
            return;
        }
        // Measured from its message loop on, as the utility is.
        WaitForInputIdle(p.handle, kTimeoutMs);
        WaitFor([] { return false; }, 50);
        Measure(gone, gone.floor, "floor: watched window gone", [&] {
            DestroyWindow(target);
            return WaitFor([&] { return Exited(p.handle); });
        });
        if (!Exited(p.handle)) TerminateProcess(p.handle, 1);
    }
}

constexpr wchar_t kToolCaption[] = L"Kes floor converter";

// The same-work floor's life, as the utility's: cold start with the window,
// a DDE open, a forwarded start that opens it again, the end.
void Bench::SameWorkRound(Rows& rows) {
    auto& [cold, dde, memory, listOpen, listClose, second, gone] = rows;
    const std::wstring tool = BinDir() + L"KesFloorTool.exe";
    Process p;
    if (!Measure(cold, cold.same, "same-work floor: cold start", [&] {
            return Launch(tool, L"", p) && WaitFor([] { return Shown(kToolCaption); });
        }))
        return;
    const auto send = [](const char* command) {
        kes::win::DdeExecuteOptions options;
        options.connectRetryMs = 2000;
        return kes::win::DdeExecute("KesFloorTool", "KesFloorTool_MSG", command, options);
    };
    send("close");
    WaitFor([] { return !FindWindowW(nullptr, kToolCaption); });
    Measure(dde, dde.same, "same-work floor: DDE open",
            [&] { return send("open") && WaitFor([] { return Shown(kToolCaption); }); });
    if (const auto kib = Shown(kToolCaption) ? PrivateKiB(p.handle) : std::nullopt)
        memory.same.push_back(*kib);
    else
        ++memory.failures;
    Process again;
    Measure(second, second.same, "same-work floor: forwarded start", [&] {
        return Launch(tool, L"--forward open", again) &&
               WaitFor([&] { return Exited(again.handle); });
    });
    send("quit");
    if (!WaitFor([&] { return Exited(p.handle); }, 3000)) TerminateProcess(p.handle, 1);
}

std::wstring TraceFile() {
    wchar_t dir[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir, n) + L"KesBench.trace";
}

struct TracePoint {
    double ms;
    std::string name;
};

// "<process id> <ticks> <name>" lines, as the trace points write them.
std::vector<TracePoint> ReadTrace() {
    std::vector<TracePoint> points;
    FILE* file = _wfopen(TraceFile().c_str(), L"r");
    if (!file) return points;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        unsigned long process = 0;
        long long ticks = 0;
        int nameAt = 0;
        if (std::sscanf(line, "%lu %lld %n", &process, &ticks, &nameAt) < 2 || nameAt == 0)
            continue;
        std::string name(line + nameAt);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        points.push_back({TicksToMs(ticks), name});
    }
    std::fclose(file);
    return points;
}

// For each path, each trace point's median offset from the measurement's
// start (its first time in each stretch), in the order reached, with the step
// from the point before.
void PrintBreakdown(const std::vector<TracePoint>& points) {
    std::vector<std::string> paths;
    std::map<std::string, std::map<std::string, std::vector<double>>> offsets;
    for (const Stretch& stretch : stretches) {
        if (!offsets.count(stretch.path)) paths.push_back(stretch.path);
        auto& byName = offsets[stretch.path];
        std::map<std::string, bool> seen;
        for (const TracePoint& p : points) {
            if (p.ms < stretch.begin || p.ms > stretch.end || seen[p.name]) continue;
            seen[p.name] = true;
            byName[p.name].push_back(p.ms - stretch.begin);
        }
        byName["(measurement ends)"].push_back(stretch.end - stretch.begin);
    }
    std::printf("\nTrace points, median ms from the start of each measurement\n");
    for (const std::string& path : paths) {
        const auto& byName = offsets[path];
        const std::size_t rounds = byName.at("(measurement ends)").size();
        std::vector<std::pair<double, std::string>> rows;
        for (const auto& [name, values] : byName)
            rows.emplace_back(Median(values),
                              values.size() < rounds ? name + " (not every round)" : name);
        std::sort(rows.begin(), rows.end());
        std::printf("\n%s\n", path.c_str());
        double before = 0;
        for (const auto& [at, name] : rows) {
            std::printf("  %8.1f  %+8.1f  %s\n", at, at - before, name.c_str());
            before = at;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 10;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--reps" && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--trace") trace = true;
    }
    if (trace) {
        DeleteFileW(TraceFile().c_str());
        SetEnvironmentVariableW(L"KES_TRACE_FILE", TraceFile().c_str());
    }

    Rows rows;
    Bench bench;
    if (!bench.StartFloorDde()) std::printf("warning: the floor DDE server did not start\n");
    // One warm-up round of each, not counted: the first start of a program
    // under Wine loads its DLLs from disk.
    {
        Rows warmUp;
        bench.UtilityRound(warmUp);
        bench.FloorRound(warmUp);
        bench.SameWorkRound(warmUp);
        stretches.clear();
    }
    for (int i = 0; i < reps; ++i) {
        bench.UtilityRound(rows);
        bench.FloorRound(rows);
        bench.SameWorkRound(rows);
    }
    bench.StopFloorDde();

    std::printf("KesUtil benchmarks, %d repetitions, medians in ms (private bytes in KiB)\n\n",
                reps);
    std::printf("| %-34s | %8s | %-26s | %8s | %9s | %6s | %9s |\n", "measure", "KesUtil", "floor",
                "floor", "same work", "ratio", "same-work");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(),
                std::string(10, '-').c_str(), std::string(28, '-').c_str(),
                std::string(10, '-').c_str(), std::string(11, '-').c_str(),
                std::string(8, '-').c_str(), std::string(11, '-').c_str());
    int failures = 0;
    // The rows that came first keep their places, and the same-work ratio is
    // the last column: scripts read the table.
    for (const Series* s : {&rows.cold, &rows.dde, &rows.second, &rows.gone, &rows.memory,
                            &rows.listOpen, &rows.listClose}) {
        const double u = Median(s->utility), f = Median(s->floor), w = Median(s->same);
        std::printf("| %-34s | %8.1f | %-26s | %8.1f | ", s->name, u, s->floorName, f);
        if (s->hasSameWork)
            std::printf("%9.1f | %6.2f | %9.2f |\n", w, f > 0 ? u / f : 0.0, w > 0 ? u / w : 0.0);
        else
            std::printf("%9s | %6.2f | %9s |\n", "-", f > 0 ? u / f : 0.0, "-");
        failures += s->failures;
    }
    if (failures) std::printf("\n%d measurements failed (timeout or no window)\n", failures);
    if (trace) PrintBreakdown(ReadTrace());
    return failures ? 1 : 0;
}
