#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/Harness.h"
#include "process/Util.h"
#include "win/Dde.h"
#include "win/SettingsStore.h"

namespace kes::test {
namespace {

enum class FirstInstance {
    Serves,           // records every execute
    BlocksInExecute,  // execute callback does not return: the execute is never acknowledged
    NeverPumps,       // its window's thread handles no messages, not even the initiate
};

// Stands in for a running first instance: holds the instance object and serves
// (or fails to serve) the topic from its own thread, so that what a second
// start forwards, and how long it takes, can be seen.
class FakeFirstInstance {
  public:
    explicit FakeFirstInstance(FirstInstance behaviour) : behaviour_(behaviour) {
        instanceObject_ = CreateMutexW(nullptr, FALSE, L"Local\\KesUtil.Instance");
        objectWasFree_ = instanceObject_ && GetLastError() != ERROR_ALREADY_EXISTS;
        thread_ = std::thread([this] { Run(); });
        WaitForSingleObject(ready_, 5000);
    }
    ~FakeFirstInstance() {
        SetEvent(release_);
        // Pumped: the fake's teardown may send to this thread's windows.
        WaitUntil([&] { return finished_.load(); }, 10000);
        thread_.join();
        for (HANDLE h : {ready_, release_, instanceObject_})
            if (h) CloseHandle(h);
    }
    bool Ready() const { return objectWasFree_ && serving_; }
    std::vector<std::string> Commands() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }

  private:
    void Run() {
        // A main window where a second start looks for it; beside it a real
        // server, serving or blocking, unless it never pumps.
        WNDCLASSW wc{};
        wc.lpfnWndProc = &DefWindowProcW;
        wc.lpszClassName = kMainWindowClass;
        RegisterClassW(&wc);
        const HWND hwnd = CreateWindowExW(0, kMainWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                          nullptr, nullptr, nullptr);
        const bool pumps = behaviour_ != FirstInstance::NeverPumps;
        std::optional<win::DdeServer> server;
        const auto record = [this](const std::string& c) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                commands_.push_back(c);
            }
            if (behaviour_ == FirstInstance::BlocksInExecute) WaitForSingleObject(release_, 20000);
            return true;
        };
        serving_ = hwnd && (!pumps || server.emplace().Start(kDdeService, kDdeTopic, record));
        SetEvent(ready_);
        const DWORD wake = pumps ? QS_ALLINPUT : 0;
        while (MsgWaitForMultipleObjects(1, &release_, FALSE, 30000, wake) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        DestroyWindow(hwnd);
        server.reset();
        finished_ = true;
    }

    FirstInstance behaviour_;
    HANDLE instanceObject_ = nullptr;
    HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread thread_;
    std::atomic<bool> finished_{false};
    bool objectWasFree_ = false, serving_ = false;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
};

TEST(Startup, NormalStartOpensTheRequestedWindowTopmostAndInactive) {
    UtilitySession session;
    // Quoted as one argument, as a shell user quotes a request whose text holds blanks.
    ASSERT_TRUE(session.Start("\"" + kConverterRequest + "\""));
    HWND converter = WaitForWindow(kConverterClass);
    EXPECT_TRUE(StandsAtRequest(converter, 300, 4000, 4500, 2400));
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(converter); }, 2000));
    // The host keeps the keyboard.
    Pump(300);
    EXPECT_NE(GetForegroundWindow(), converter);
    EXPECT_NE(GetActiveWindow(), converter);
}

// The processor time so far, in the kernel's 1/100 s, of the Linux process that runs the Wine
// program whose command line holds `marker`, read through Wine's drive Z: (GetProcessTimes of
// another process reads 0 under Wine); -1 when there is none.
long ProcessorTicks(const std::string& marker) {
    for (const auto& dir : std::filesystem::directory_iterator("Z:\\proc")) {
        std::ifstream cmdline(dir.path() / "cmdline"), stat(dir.path() / "stat");
        std::string text(std::istreambuf_iterator<char>(cmdline), {}), line;
        unsigned long user = 0, system = 0;  // fields 14 and 15
        if (text.find(marker) != std::string::npos && std::getline(stat, line) &&
            std::sscanf(line.c_str() + line.rfind(')') + 1,
                        " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                        &system) == 2)
            return static_cast<long>(user + system);
    }
    return -1;
}

TEST(Startup, WaitingForTheHostsHandleTakesNoProcessorTimeAndEndsWhenItComes) {
    UtilitySession session;
    session.Link().WithdrawHostWindow();
    const std::string marker = "waits" + std::to_string(GetTickCount64());
    ASSERT_TRUE(
        session.Start(host::OpenRequest(kWindowHelpText, marker, 300, 9000, 4500, 8400, false)));
    const long before = ProcessorTicks(marker);
    ASSERT_GE(before, 0) << "the utility's process not seen in Z:\\proc";
    Pump(3000);
    EXPECT_LT(ProcessorTicks(marker) - before, 5) << "50 ms over 3 s of waiting";
    // Published 2 s before the wait would give up: the window follows at once.
    session.Link().PublishHostWindow(session.HostWindow());
    EXPECT_NE(WaitForWindow(kHelpClass, {}, 1000), nullptr);
}

TEST(Startup, StartOnlyPublishesTheHiddenMainWindowDropsTheOldReplyAndServesSecondStarts) {
    UtilitySession session;
    const win::SettingsStore store;
    store.Save(kSectionMessages, kListMessageValue, "3~3~5~");
    store.Save(kSectionMessages, "KesStartupNeighbour", "stays");
    ASSERT_TRUE(session.Start(host::kStartOnlyRequest));
    const auto published = session.Link().UtilityWindow();
    ASSERT_TRUE(published.has_value());
    EXPECT_EQ(ProcessOf(*published), session.Link().ProcessId());
    EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), *published);
    EXPECT_FALSE(IsWindowVisible(*published));
    // The old reply goes once the host's handle is read, just after publishing.
    EXPECT_TRUE(WaitUntil([&] { return !session.Reply().has_value(); }, 3000));
    EXPECT_EQ(StoredValue(kSectionMessages, "KesStartupNeighbour"), "stays");
    store.Delete(kSectionMessages, "KesStartupNeighbour");
    Pump(300);
    for (const wchar_t* windowClass : {kConverterClass, kHelpClass, kTokenListClass})
        EXPECT_EQ(FindWindowW(windowClass, nullptr), nullptr);
    // A second start forwards its request here and ends; "Scrollbar" still names this one.
    ASSERT_TRUE(RunToEnd(kConverterRequest, 10000).ended);
    HWND converter = WaitForWindow(kConverterClass);
    EXPECT_EQ(ProcessOf(converter), session.Link().ProcessId());
    EXPECT_TRUE(StandsAtRequest(converter, 300, 4000, 4500, 2400));
    EXPECT_TRUE(session.Running());
    EXPECT_EQ(session.Link().UtilityWindow(), published);
}

TEST(Startup, SecondStartsForwardOnlyTheirTrimmedRequestAndEndInTimeTouchingNothing) {
    // Without "@" even a first start ends at once, though the host is there (no first
    // instance); start-only and unreadable codes are not forwarded to a running first instance.
    // Blanks in front of the code never reach the program (the command line's own split eats
    // them); blanks behind the last "@" are trimmed; a command string quoted as one argument
    // keeps its blanks. A first instance that hangs in the execute or never pumps holds no
    // start beyond its deadline, and the running instance's "Scrollbar" survives a forward
    // that outlasts a watchdog interval. Under 4.5 s: the 5 s a first start would wait for the
    // host's handle.
    using F = FirstInstance;
    const std::optional<F> none, blocks = F::BlocksInExecute;
    const std::string fields = "5@@300@4000@1200@2400@False@";
    // clang-format off
    const std::tuple<std::string, std::optional<F>, ULONGLONG, std::string> cases[] = {
        {"", none, 4500, ""}, {"5", none, 4500, ""}, {"0 5 text", none, 4500, ""},
        {"-3@", blocks, 4500, ""}, {"-3@" + fields, blocks, 4500, ""},
        {"abc@" + fields, blocks, 4500, ""}, {"@" + fields, blocks, 4500, ""},
        {"0 5 no separator", blocks, 4500, ""},
        {"0@" + fields + "   ", F::Serves, 4500, "0@" + fields},
        {"   -1@6@  ", F::Serves, 4500, "-1@6@"}, {"-2@", F::Serves, 4500, "-2@"},
        {"1@1@ text with blanks @0@0@0@0@0@", F::Serves, 4500, "1@1@ text with blanks @0@0@0@0@0@"},
        {"\"1@1@ quoted text @0@0@0@0@0@\"", F::Serves, 4500, "1@1@ quoted text @0@0@0@0@0@"},
        {kConverterRequest, blocks, 9000, kConverterRequest},
        {kConverterRequest, F::NeverPumps, 9000, ""}};
    // clang-format on
    UtilitySession session;
    const win::SettingsStore store;
    for (const auto& [commandLine, behaviour, boundMs, forwarded] : cases) {
        SCOPED_TRACE(commandLine);
        std::optional<FakeFirstInstance> first;
        if (behaviour) first.emplace(*behaviour);
        ASSERT_TRUE(!first || first->Ready());
        store.Save(kSectionMisc, kScrollbarValue, "4242");
        store.Save(kSectionMessages, kListMessageValue, "3~3~5~");
        const SingleStart run = RunToEnd(commandLine, 15000);
        EXPECT_TRUE(run.ended);
        EXPECT_LT(run.elapsedMs, boundMs);
        using Commands = std::vector<std::string>;
        EXPECT_EQ(first ? first->Commands() : Commands{}, Commands(!forwarded.empty(), forwarded));
        EXPECT_EQ(FindWindowW(kConverterClass, nullptr), nullptr);
        EXPECT_EQ(StoredValue(kSectionMisc, kScrollbarValue), "4242");
        EXPECT_EQ(session.Reply(), "3~3~5~");
    }
    store.Delete(kSectionMisc, kScrollbarValue);
    store.Delete(kSectionMessages, kListMessageValue);
}

TEST(Startup, SimultaneousStartsLeaveOneInstanceAndLoseNoCommand) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        UtilitySession session;
        host::HostLink a(BinDir() + L"\\KesUtil.exe"), b(BinDir() + L"\\KesUtil.exe");
        ASSERT_TRUE(a.StartUtility(kConverterRequest));
        ASSERT_TRUE(b.StartUtility(
            host::OpenRequest(kWindowHelpText, "both", 300, 9000, 1200, 2400, false)));
        EXPECT_TRUE(WaitUntil([&] { return a.WaitForExit(0) || b.WaitForExit(0); }, 10000));
        HWND converter = WaitForWindow(kConverterClass);
        HWND help = WaitForWindow(kHelpClass);
        ASSERT_TRUE(converter && help);
        Pump(300);
        ASSERT_NE(a.WaitForExit(0), b.WaitForExit(0)) << "exactly one instance keeps running";
        const DWORD survivor = a.WaitForExit(0) ? b.ProcessId() : a.ProcessId();
        EXPECT_EQ(ProcessOf(converter), survivor);
        EXPECT_EQ(ProcessOf(help), survivor);
        // The session does not own these processes: end them here.
        session.Send(host::kFastWatchdogRequest);
        session.DestroyHost();
        EXPECT_TRUE(a.WaitForExit(3000));
        EXPECT_TRUE(b.WaitForExit(3000));
    }
}

TEST(Startup, DirectoriesAreReadInTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "run with LC_ALL=en_US.UTF-8";
    // 0xC4 is U+00C4 in code page 1252.
    EXPECT_EQ(AnsiDirectory([](char* buffer, unsigned size) {
                  return unsigned(std::string_view("C:\\W\xC4NDOWS").copy(buffer, size));
              }),
              "C:\\W\xC3\x84NDOWS\\");
    // A failed call: whatever the buffer holds, its count says nothing is there.
    EXPECT_EQ(AnsiDirectory([](char* buffer, unsigned size) {
                  std::string_view("C:\\WINDOWS").copy(buffer, size);
                  return 0u;
              }),
              "\\");
}

TEST(Startup, LocaleSeparatorsFollowTheUserLocale) {
    // Wine reads the user locale from LC_ALL at process start: one ctest entry per locale. In
    // fa_IR byte 0xBA of code page 1256 is U+061B.
    const char* locale = std::getenv("LC_ALL");
    const std::string name = locale ? locale : "";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"en_US.UTF-8", ".", ","}, {"de_DE.UTF-8", ",", ";"}, {"fa_IR.UTF-8", ".", "\xD8\x9B"}};
    for (const auto& [l, decimal, list] : cases) {
        if (l != name) continue;
        EXPECT_EQ(LocaleSeparator(LOCALE_SDECIMAL, "?"), decimal);
        EXPECT_EQ(LocaleSeparator(LOCALE_SLIST, "?"), list);
        EXPECT_EQ(LocaleSeparator(0x7fff, "?"), "?") << "a failing call gives the fallback";
        return;
    }
    GTEST_SKIP() << "no expectation for LC_ALL=" << name;
}

}  // namespace
}  // namespace kes::test
