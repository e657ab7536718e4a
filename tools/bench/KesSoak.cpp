// Soak and start storm of KesUtil.exe, from a host of its own: it owns a host
// window, publishes it as "Kestrelsim hWnd" and starts KesUtil.exe from its
// own folder.
//
//   KesSoak.exe [--requests N] [--seed N] [--storm-rounds 0|1|2]
//
// The soak sends N requests (default 10,000) in a seeded random mix and
// compares the utility's footprint after a warm-up with the one at the end.
// The storm starts KesUtil.exe 20 times at the same moment: with 2 rounds
// first while the utility runs, then with none running; with 1 round only the
// second (the default for fewer than 10,000 requests).
//
// stdout: the soak line and one storm line per round. stderr: seed, rate,
// progress and every failure. Exit code 0 when every line holds, 1 when one
// does not, 2 on a bad command line or when a KesUtil.exe already runs, 3
// when the run stalled for 2 minutes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "SoakDriver.h"
#include "SoakFloor.h"
#include "SoakWindows.h"
#include "PlainWindow.h"
#include "hostlink/HostLink.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"

namespace {

using namespace kes::soak;
using kes::host::HostLink;

constexpr wchar_t kUtilityExe[] = L"KesUtil.exe";
constexpr int kStormStarts = 20;
constexpr DWORD kStormSettleMs = 15000;
constexpr DWORD kStartMs = 10000;
constexpr DWORD kEndMs = 5000;
constexpr char kOpenConverter[] = "0@5@@300@4000@6000@10000@False@";
constexpr DWORD kStallLimitMs = 120000;

std::wstring SelfPath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

std::wstring BinDir() {
    const std::wstring self = SelfPath();
    return self.substr(0, self.find_last_of(L"\\/") + 1);
}

bool Ended(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

DWORD PublishedUtilityPid(const HostLink& link) {
    const auto hwnd = link.UtilityWindow();
    DWORD pid = 0;
    if (hwnd) GetWindowThreadProcessId(*hwnd, &pid);
    return pid;
}

// The host's side: its window, published for the utility to watch.
class Host {
  public:
    explicit Host(std::wstring utilityPath) : link_(std::move(utilityPath)) { Publish(); }
    ~Host() {
        link_.WithdrawHostWindow();
        if (window_) DestroyWindow(window_);
    }

    HostLink& Link() { return link_; }

    // A utility with no window open, its DDE service answering.
    bool StartUtility() {
        if (!link_.StartUtility("-3@")) return false;
        return WaitUntil([&] { return PublishedUtilityPid(link_) == link_.ProcessId(); },
                         kStartMs) &&
               WaitUntil([] { return SendRequest("-3@"); }, kStartMs);
    }

    // As when the host ends: the watchdog polls fast, then the host window goes.
    // A new window is published for what runs next.
    bool EndUtility(HANDLE process) {
        SendRequest("-2@");
        DestroyWindow(window_);
        window_ = nullptr;
        const bool ended = WaitUntil([&] { return Ended(process); }, kEndMs);
        if (!ended) {
            std::fprintf(stderr, "KesSoak: the utility did not end with its host; terminated\n");
            TerminateProcess(process, 1);
            WaitForSingleObject(process, kEndMs);
        }
        Publish();
        return ended;
    }

  private:
    void Publish() {
        window_ = kes::bench::CreatePlainWindow(L"Kestrelsim soak host");
        link_.PublishHostWindow(window_);
    }

    HostLink link_;
    HWND window_ = nullptr;
};

struct StormResult {
    bool holds = false;
    HANDLE instance = nullptr;  // the start that became the instance (owned)
};

// 20 starts with distinct help texts, created suspended and let go together.
// `running` is the utility already running, or none.
StormResult Storm(const std::wstring& exe, HostLink& link, HANDLE running, DWORD runningPid,
                  int round) {
    std::vector<PROCESS_INFORMATION> starts;
    std::vector<std::string> texts;
    for (int i = 0; i < kStormStarts; ++i) {
        const std::string text =
            "Storm round " + std::to_string(round) + ", start " + std::to_string(i + 1);
        const std::string command =
            "0@1@" + text + "@300@" + std::to_string(4000 + 100 * i) + "@6000@10000@False@";
        std::wstring line = L"\"" + exe + L"\" " + kes::win::Widen(command);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                           nullptr, nullptr, &si, &pi)) {
            starts.push_back(pi);
            texts.push_back(text);
        }
    }
    for (const PROCESS_INFORMATION& pi : starts) ResumeThread(pi.hThread);
    for (const PROCESS_INFORMATION& pi : starts) CloseHandle(pi.hThread);

    // Each start ends (it forwarded) or stays as the one instance.
    const ULONGLONG released = GetTickCount64();
    const size_t mayStay = running ? 0 : 1;
    std::vector<size_t> alive;
    const bool settled = WaitUntil(
        [&] {
            alive.clear();
            for (size_t i = 0; i < starts.size(); ++i)
                if (!Ended(starts[i].hProcess)) alive.push_back(i);
            return alive.size() <= mayStay;
        },
        kStormSettleMs);
    std::fprintf(stderr, "storm: round %d %s after %llu ms\n", round,
                 settled ? "settled" : "not settled", GetTickCount64() - released);
    std::printf("storm: %zu starts, %zu ended, %zu instance\n", starts.size(),
                starts.size() - alive.size(), alive.size());
    std::fflush(stdout);

    std::vector<std::string> problems;
    if (starts.size() != kStormStarts)
        problems.push_back("only " + std::to_string(starts.size()) + " processes could be created");
    if (!settled)
        problems.push_back(std::to_string(alive.size()) + " starts still running after 15 s");
    else if (alive.size() != mayStay)
        problems.push_back("no start stayed as the instance");
    if (running && Ended(running)) problems.push_back("the running utility ended");
    const HANDLE instance = !running && alive.size() == 1 ? starts[alive[0]].hProcess : nullptr;
    const DWORD expectedPid = running ? runningPid : instance ? starts[alive[0]].dwProcessId : 0;
    if (problems.empty()) {
        std::vector<DWORD> left;
        WaitUntil([&] { return (left = ProcessesNamed(kUtilityExe)).size() == 1; }, 2000);
        if (left.size() != 1 || left[0] != expectedPid)
            problems.push_back(std::to_string(left.size()) + " utility processes left");
        // The host learns the instance's window from "Scrollbar"; no start may take it away.
        if (const DWORD owner = PublishedUtilityPid(link); owner != expectedPid)
            problems.push_back(owner ? "\"Scrollbar\" names another process's window"
                                     : "\"Scrollbar\" is gone while the instance runs");
        // The forwarded requests arrived: help shows one of the storm's texts.
        HWND help = FindShown(expectedPid, "Spectral Power in Selected Range");
        const auto edits = help ? ChildrenOfClass(help, L"Edit") : std::vector<HWND>{};
        const std::string shown = edits.empty() ? "" : TextOf(edits[0]);
        if (std::find(texts.begin(), texts.end(), shown) == texts.end())
            problems.push_back("help shows \"" + shown + "\", none of the storm's texts");
        if (!(SendRequest(kOpenConverter) &&
              WaitUntil([&] { return FindShown(expectedPid, "Units Converter") != nullptr; },
                        5000)))
            problems.push_back("the utility left does not serve the next request");
        SendRequest("-1@5@");
        SendRequest("-1@1@");
    }
    for (const std::string& p : problems)
        std::fprintf(stderr, "storm: round %d does not hold: %s\n", round, p.c_str());

    StormResult result;
    result.holds = problems.empty();
    for (const PROCESS_INFORMATION& pi : starts) {
        if (pi.hProcess == instance && !running) {
            result.instance = instance;
            continue;
        }
        if (!Ended(pi.hProcess)) TerminateProcess(pi.hProcess, 1);  // a stray of our own
        CloseHandle(pi.hProcess);
    }
    return result;
}

char DecimalSeparator() {
    wchar_t buffer[4] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 4);
    return buffer[0] > 0 && buffer[0] < 128 ? static_cast<char>(buffer[0]) : '.';
}

struct Options {
    int requests = 10000;
    std::optional<unsigned long long> seed;
    std::optional<int> stormRounds;
};

std::optional<Options> Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return std::nullopt;
        char* end = nullptr;
        const unsigned long long value = std::strtoull(argv[++i], &end, 10);
        if (*end || end == argv[i]) return std::nullopt;
        if (arg == "--requests" && value <= 1000000)
            o.requests = static_cast<int>(value);
        else if (arg == "--seed")
            o.seed = value;
        else if (arg == "--storm-rounds" && value <= 2)
            o.stormRounds = static_cast<int>(value);
        else
            return std::nullopt;
    }
    return o;
}

std::string GdiFigures(const SoakResult& r) {
    const auto& a = r.baseline.gdiObjects;
    const auto& b = r.end.gdiObjects;
    if (!a && !b) return "n/a";
    return (a ? std::to_string(*a) : "n/a") + "->" + (b ? std::to_string(*b) : "n/a");
}

// Prints the soak line; true when it holds. Private bytes may grow by 10 %
// beyond what the platform's floor keeps of the same DDE and edit text.
bool ReportSoak(const SoakResult& r, unsigned long long seed) {
    std::fprintf(stderr, "soak: %d requests in %.1f s, %.1f requests/s, seed %llu\n", r.requests,
                 r.seconds, r.seconds > 0 ? r.requests / r.seconds : 0.0, seed);
    std::printf("soak: %d requests, %d failed, USER %ld->%ld, GDI %s, private KiB %llu->%llu\n",
                r.requests, r.failed, r.baseline.userObjects, r.end.userObjects,
                GdiFigures(r).c_str(), r.baseline.privateKiB, r.end.privateKiB);
    std::fflush(stdout);
    const auto& gdiA = r.baseline.gdiObjects;
    const auto& gdiB = r.end.gdiObjects;
    std::vector<std::string> problems;
    if (r.failed) problems.push_back(std::to_string(r.failed) + " requests failed");
    if (r.baseline.userObjects <= 0) problems.push_back("no USER objects counted");
    if (r.end.userObjects > r.baseline.userObjects + 2) problems.push_back("USER objects grew");
    if (gdiA.has_value() != gdiB.has_value()) problems.push_back("GDI objects counted only once");
    if (gdiA && gdiB && *gdiB > *gdiA + 2) problems.push_back("GDI objects grew");
    if (r.baseline.privateKiB == 0) problems.push_back("private bytes read as 0");
    const double grown = double(r.end.privateKiB) - double(r.baseline.privateKiB);
    std::fprintf(
        stderr,
        "soak: private bytes %+.0f KiB; the platform's floor keeps %.0f KiB of the %.0f KiB "
        "of DDE execute text and %.0f KiB of help text since the baseline\n",
        grown, r.platformKiB, r.executeKiB, r.editKiB);
    if (grown > 0.1 * double(r.baseline.privateKiB) + r.platformKiB)
        problems.push_back("private bytes grew by more than 10% beyond the platform's floor");
    for (const std::string& p : problems)
        std::fprintf(stderr, "soak: does not hold: %s\n", p.c_str());
    return problems.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--floor") return RunFloor();
    const auto options = Parse(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: KesSoak.exe [--requests N] [--seed N] [--storm-rounds 0|1|2]\n");
        return 2;
    }
    if (!ProcessesNamed(kUtilityExe).empty()) {
        std::fprintf(stderr,
                     "KesSoak: a KesUtil.exe is already running; run in a session of its own\n");
        return 2;
    }
    const kes::win::SettingsStore store;
    store.Delete(kes::kSectionMisc, kes::kScrollbarValue);
    store.Delete(kes::kSectionMessages, kes::kListMessageValue);

    GuardAgainstStalls(kStallLimitMs);
    const std::wstring exe = BinDir() + kUtilityExe;
    const FootprintGauge gauge;
    Host host(exe);
    bool allHold = true;

    if (options->requests > 0) {
        const unsigned long long seed = options->seed.value_or(
            GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20));
        std::fprintf(stderr, "soak: %s\n", gauge.Methods().c_str());
        const PlatformRetention retention = MeasureRetention(SelfPath(), gauge);
        std::fprintf(stderr,
                     "soak: the platform's floor keeps %.2f bytes per byte of DDE execute text and "
                     "%.2f per character shown in a multi-line edit\n",
                     retention.perExecuteByte, retention.perEditChar);
        SoakResult result;
        if (host.StartUtility()) {
            result =
                RunSoak(host.Link(), gauge, retention, options->requests, seed, DecimalSeparator());
        } else {
            std::fprintf(stderr, "soak: the utility did not start\n");
            result.requests = result.failed = options->requests;
        }
        allHold = ReportSoak(result, seed) && allHold;
    }

    const int rounds = options->stormRounds.value_or(options->requests >= 10000 ? 2 : 1);
    HostLink& link = host.Link();
    if (rounds >= 2) {
        if (!link.Process() || Ended(link.Process())) allHold = host.StartUtility() && allHold;
        allHold = Storm(exe, link, link.Process(), link.ProcessId(), 1).holds && allHold;
    }
    // A utility that outlives its host's window breaks the contract the host relies on.
    if (link.Process() && !Ended(link.Process()))
        allHold = host.EndUtility(link.Process()) && allHold;
    if (rounds >= 1) {
        const StormResult last = Storm(exe, link, nullptr, 0, 2);
        allHold = last.holds && allHold;
        if (last.instance) {
            allHold = host.EndUtility(last.instance) && allHold;
            CloseHandle(last.instance);
        }
    }
    return allHold ? 0 : 1;
}
