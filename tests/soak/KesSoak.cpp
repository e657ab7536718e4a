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
// stdout: the soak line and one storm line per round. stderr: the seed, the
// time, what the platform keeps, and every failure. Exit code 0 when every line holds, 1 when one
// does not, 2 on a bad command line or when a KesUtil.exe already runs, 3
// when the run stalled for 2 minutes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Soak.h"
#include "forms/HelpForm.h"
#include "support/Harness.h"
#include "win/WinText.h"

namespace {

using namespace kes;

bool allHold = true;

bool Ended(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// A utility with no window open, its DDE service answering.
bool StartUtility(test::UtilitySession& session) {
    return session.Start(host::kStartOnlyRequest, 10000) &&
           test::WaitUntil([] { return soak::Send(host::kStartOnlyRequest); }, 10000);
}

// As when the host ends: the watchdog polls fast, then the host window goes.
// A utility that outlives it breaks the contract the host relies on.
void EndWithHost(test::UtilitySession& session, HANDLE process) {
    soak::Send(host::kFastWatchdogRequest);
    session.DestroyHost();
    soak::Check(test::WaitUntil([&] { return Ended(process); }, 5000),
                "the utility outlives its host's window");
    TerminateProcess(process, 1);
}

// 20 starts with distinct help texts, created suspended and let go together,
// while `running` runs or none does; returns the start that stayed as the instance.
HANDLE Storm(host::HostLink& link, HANDLE running, DWORD runningPid, int round) {
    const std::wstring exe = test::BinDir() + L"\\KesUtil.exe";
    std::vector<PROCESS_INFORMATION> starts;
    const std::string text = "Storm round " + std::to_string(round) + ", start ";
    for (int i = 0; i < 20; ++i) {
        std::wstring line = L"\"" + exe + L"\" " +
                            win::Widen(host::OpenRequest(kWindowHelpText, text + std::to_string(i),
                                                         300, 4000 + 100 * i, 6000, 10000, false));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                           nullptr, nullptr, &si, &pi))
            starts.push_back(pi);
    }
    for (const PROCESS_INFORMATION& pi : starts) ResumeThread(pi.hThread);

    // Each start ends (it forwarded) or stays as the one instance.
    std::vector<PROCESS_INFORMATION> alive;
    const bool settled = test::WaitUntil(
        [&] {
            alive.clear();
            for (const PROCESS_INFORMATION& pi : starts)
                if (!Ended(pi.hProcess)) alive.push_back(pi);
            return alive.size() <= (running ? 0u : 1u);
        },
        15000);
    std::printf("storm: %zu starts, %zu ended, %zu instance\n", starts.size(),
                starts.size() - alive.size(), alive.size());
    std::fflush(stdout);

    const std::string name = "storm round " + std::to_string(round) + ": ";
    const bool held = starts.size() == 20 && settled && alive.size() == (running ? 0u : 1u) &&
                      (!running || !Ended(running));
    soak::Check(held, name + std::to_string(alive.size()) + " of " + std::to_string(starts.size()) +
                          " starts running after 15 s" +
                          (running && Ended(running) ? ", the running utility ended" : ""));
    const HANDLE instance = held && !running ? alive[0].hProcess : nullptr;
    const DWORD pid = running ? runningPid : held ? alive[0].dwProcessId : 0;
    if (held) {
        // The host learns the instance's window from "Scrollbar"; no start may take it away.
        const auto published = link.UtilityWindow();
        soak::Check(published && test::ProcessOf(*published) == pid,
                    name + "\"Scrollbar\" does not name the instance's window");
        // The forwarded requests arrived: help shows one of the storm's texts.
        HWND help = test::WaitForWindow(kHelpClass);
        const std::string shown =
            help && test::ProcessOf(help) == pid ? win::GetText(GetDlgItem(help, kHelpTextId)) : "";
        soak::Check(shown.rfind(text, 0) == 0,
                    name + "help shows \"" + shown + "\", none of the storm's texts");
        soak::Check(soak::Send(test::kConverterRequest) && test::WaitUntil([&] {
                        HWND converter = test::FindVisible(kConverterClass);
                        return converter && test::ProcessOf(converter) == pid;
                    }),
                    name + "the utility left does not serve the next request");
        soak::Send(host::CloseRequest(kWindowConverter));
        soak::Send(host::CloseRequest(kWindowHelpText));
    }
    for (const PROCESS_INFORMATION& pi : starts)  // strays of our own; the handles go with us
        if (pi.hProcess != instance) TerminateProcess(pi.hProcess, 1);
    return instance;
}

}  // namespace

void kes::soak::Check(bool ok, const std::string& what) {
    if (!ok) std::fprintf(stderr, "KesSoak: does not hold: %s\n", what.c_str());
    allHold = allHold && ok;
}

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
    if (FindWindowW(kMainWindowClass, nullptr)) {
        std::fprintf(stderr,
                     "KesSoak: a KesUtil.exe is already running; run in a session of its own\n");
        return 2;
    }
    soak::GuardAgainstStalls();
    auto session = std::make_unique<test::UtilitySession>();
    if (requests > 0) {
        if (!StartUtility(*session)) std::fprintf(stderr, "soak: the utility did not start\n");
        soak::RunSoak(session->Link(), requests, seed);
    }
    if (rounds < 0) rounds = requests >= 10000 ? 2 : 1;
    host::HostLink& link = session->Link();
    if (rounds >= 2) {
        if (!session->Running()) soak::Check(StartUtility(*session), "the utility did not start");
        Storm(link, link.Process(), link.ProcessId(), 1);
    }
    if (session->Running()) EndWithHost(*session, link.Process());
    if (rounds >= 1) {
        session.reset();  // its end withdraws the host window: before the next one is published
        session = std::make_unique<test::UtilitySession>();
        if (const HANDLE instance = Storm(session->Link(), nullptr, 0, 2))
            EndWithHost(*session, instance);
    }
    return allHold ? 0 : 1;
}
