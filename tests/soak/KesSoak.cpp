// Soak and start storm of KesUtil.exe, from a host of its own: it publishes
// its window as the host's and starts KesUtil.exe from its own folder.
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
#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Soak.h"
#include "forms/HelpForm.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace {

using namespace kes;

bool Ended(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// A utility with no window open, its DDE service answering.
bool StartUtility(test::UtilitySession& session) {
    return session.Start(host::kStartOnlyRequest, 10000) &&
           test::WaitUntil([] { return soak::Send(host::kStartOnlyRequest); }, 10000);
}

// As when the host ends: the watchdog polls fast, then the host window goes.
bool EndWithHost(test::UtilitySession& session, HANDLE process) {
    soak::Send(host::kFastWatchdogRequest);
    session.DestroyHost();
    if (test::WaitUntil([&] { return Ended(process); }, 5000)) return true;
    std::fprintf(stderr, "KesSoak: the utility did not end with its host; terminated\n");
    TerminateProcess(process, 1);
    return false;
}

// 20 starts with distinct help texts, created suspended and let go together,
// while `running` runs or none does; `instance` gets the start that stayed.
bool Storm(host::HostLink& link, HANDLE running, DWORD runningPid, int round, HANDLE* instance) {
    const std::wstring exe = test::BinDir() + L"\\KesUtil.exe";
    std::vector<PROCESS_INFORMATION> starts;
    std::vector<std::string> texts;
    for (int i = 0; i < 20; ++i) {
        texts.push_back("Storm round " + std::to_string(round) + ", start " +
                        std::to_string(i + 1));
        std::wstring line = L"\"" + exe + L"\" " +
                            win::Widen(host::OpenRequest(kWindowHelpText, texts.back(), 300,
                                                         4000 + 100 * i, 6000, 10000, false));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                           nullptr, nullptr, &si, &pi))
            starts.push_back(pi);
    }
    for (const PROCESS_INFORMATION& pi : starts) ResumeThread(pi.hThread);

    // Each start ends (it forwarded) or stays as the one instance.
    const ULONGLONG released = GetTickCount64();
    const size_t mayStay = running ? 0 : 1;
    std::vector<PROCESS_INFORMATION> alive;
    const bool settled = test::WaitUntil(
        [&] {
            alive.clear();
            std::copy_if(starts.begin(), starts.end(), std::back_inserter(alive),
                         [](const PROCESS_INFORMATION& pi) { return !Ended(pi.hProcess); });
            return alive.size() <= mayStay;
        },
        15000);
    std::fprintf(stderr, "storm: round %d %s after %llu ms\n", round,
                 settled ? "settled" : "not settled", GetTickCount64() - released);
    std::printf("storm: %zu starts, %zu ended, %zu instance\n", starts.size(),
                starts.size() - alive.size(), alive.size());
    std::fflush(stdout);

    bool holds = true;
    const auto check = [&](bool ok, const std::string& what) {
        if (!ok) std::fprintf(stderr, "storm: round %d does not hold: %s\n", round, what.c_str());
        holds = holds && ok;
    };
    check(starts.size() == 20 && settled && alive.size() == mayStay,
          std::to_string(starts.size()) + " created, " + std::to_string(alive.size()) +
              " still running after 15 s");
    check(!running || !Ended(running), "the running utility ended");
    *instance = holds && !running ? alive[0].hProcess : nullptr;
    const DWORD pid = running ? runningPid : holds ? alive[0].dwProcessId : 0;
    if (holds) {
        // The host learns the instance's window from "Scrollbar"; no start may take it away.
        const auto published = link.UtilityWindow();
        check(published && test::ProcessOf(*published) == pid,
              "\"Scrollbar\" does not name the instance's window");
        // The forwarded requests arrived: help shows one of the storm's texts.
        HWND help = test::WaitForWindow(test::kHelpClass);
        const std::string shown =
            help && test::ProcessOf(help) == pid ? win::GetText(GetDlgItem(help, kHelpTextId)) : "";
        check(std::find(texts.begin(), texts.end(), shown) != texts.end(),
              "help shows \"" + shown + "\", none of the storm's texts");
        check(soak::Send(test::kConverterRequest) && test::WaitUntil([&] {
                  HWND converter = test::FindVisible(test::kConverterClass);
                  return converter && test::ProcessOf(converter) == pid;
              }),
              "the utility left does not serve the next request");
        soak::Send(host::CloseRequest(kWindowConverter));
        soak::Send(host::CloseRequest(kWindowHelpText));
    }
    for (const PROCESS_INFORMATION& pi : starts) {
        CloseHandle(pi.hThread);
        if (pi.hProcess == *instance) continue;
        if (!Ended(pi.hProcess)) TerminateProcess(pi.hProcess, 1);  // a stray of our own
        CloseHandle(pi.hProcess);
    }
    return holds;
}

// Prints the soak line; true when it holds. Private bytes may grow by 10 %
// beyond what the platform's floor keeps of the same DDE and edit text.
bool ReportSoak(const soak::SoakResult& r, unsigned long long seed) {
    const auto& gdiA = r.baseline.gdiObjects;
    const auto& gdiB = r.end.gdiObjects;
    const auto text = [](const std::optional<long>& n) {
        return n ? std::to_string(*n) : std::string("n/a");
    };
    const std::string gdi = gdiA || gdiB ? text(gdiA) + "->" + text(gdiB) : "n/a";
    const double grown = double(r.end.privateKiB) - double(r.baseline.privateKiB);
    std::printf("soak: %d requests, %d failed, USER %ld->%ld, GDI %s, private KiB %llu->%llu\n",
                r.requests, r.failed, r.baseline.userObjects, r.end.userObjects, gdi.c_str(),
                r.baseline.privateKiB, r.end.privateKiB);
    std::fflush(stdout);
    std::fprintf(stderr,
                 "soak: %d requests in %.1f s, seed %llu; private bytes %+.0f KiB, of which the "
                 "platform's floor keeps %.0f KiB of the %.0f KiB of DDE execute text and %.0f "
                 "KiB of help text since the baseline\n",
                 r.requests, r.seconds, seed, grown, r.platformKiB, r.executeKiB, r.editKiB);
    bool holds = true;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) std::fprintf(stderr, "soak: does not hold: %s\n", what);
        holds = holds && ok;
    };
    check(r.failed == 0, "requests failed");
    check(r.baseline.userObjects > 0 && r.baseline.privateKiB > 0, "nothing counted");
    check(r.end.userObjects <= r.baseline.userObjects + 2, "USER objects grew");
    check(gdiA.has_value() == gdiB.has_value(), "GDI objects counted only once");
    check(!gdiA || !gdiB || *gdiB <= *gdiA + 2, "GDI objects grew");
    check(grown <= 0.1 * double(r.baseline.privateKiB) + r.platformKiB,
          "private bytes grew by more than 10% beyond the platform's floor");
    return holds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--floor") return soak::RunFloor();
    int requests = 10000, rounds = -1;
    unsigned long long seed =
        GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20);
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        char* end = nullptr;
        const unsigned long long value = i + 1 < argc ? std::strtoull(argv[i + 1], &end, 10) : 0;
        const bool known = (arg == "--requests" && value <= 1000000) || arg == "--seed" ||
                           (arg == "--storm-rounds" && value <= 2);
        if (!known || !end || *end || end == argv[i + 1]) {
            std::fprintf(stderr,
                         "usage: KesSoak.exe [--requests N] [--seed N] [--storm-rounds 0|1|2]\n");
            return 2;
        }
        if (arg == "--requests") requests = static_cast<int>(value);
        if (arg == "--seed") seed = value;
        if (arg == "--storm-rounds") rounds = static_cast<int>(value);
    }
    if (FindWindowW(test::kMainClass, nullptr)) {
        std::fprintf(stderr,
                     "KesSoak: a KesUtil.exe is already running; run in a session of its own\n");
        return 2;
    }
    soak::GuardAgainstStalls(120000);
    auto session = std::make_unique<test::UtilitySession>();
    bool allHold = true;
    if (requests > 0) {
        const soak::Retention retention = soak::MeasureRetention();
        std::fprintf(stderr,
                     "soak: the platform's floor keeps %.2f bytes per byte of DDE execute text and "
                     "%.2f per character shown in a multi-line edit\n",
                     retention.perExecuteByte, retention.perEditChar);
        soak::SoakResult result;  // all failed, unless it starts
        result.requests = result.failed = requests;
        if (StartUtility(*session))
            result = soak::RunSoak(session->Link(), retention, requests, seed);
        else
            std::fprintf(stderr, "soak: the utility did not start\n");
        allHold = ReportSoak(result, seed) && allHold;
    }
    if (rounds < 0) rounds = requests >= 10000 ? 2 : 1;
    host::HostLink& link = session->Link();
    if (rounds >= 2) {
        if (!session->Running()) allHold = StartUtility(*session) && allHold;
        HANDLE none = nullptr;
        allHold = Storm(link, link.Process(), link.ProcessId(), 1, &none) && allHold;
    }
    // A utility that outlives its host's window breaks the contract the host relies on.
    if (session->Running()) allHold = EndWithHost(*session, link.Process()) && allHold;
    if (rounds >= 1) {
        session.reset();  // its end withdraws the host window: before the next one is published
        session = std::make_unique<test::UtilitySession>();
        HANDLE instance = nullptr;
        allHold = Storm(session->Link(), nullptr, 0, 2, &instance) && allHold;
        if (instance) allHold = EndWithHost(*session, instance) && allHold;
        if (instance) CloseHandle(instance);
    }
    return allHold ? 0 : 1;
}
