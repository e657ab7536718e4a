// Starts of KesUtil.exe as a host makes them: the first one serves, later ones forward their
// request and end, and the host's going (or a handle that never was one) ends the utility.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/Harness.h"
#include "win/Dde.h"
#include "win/SettingsStore.h"

namespace kes::test {
namespace {

TEST(Startup, FirstStartOpensItsWindowInactiveAndServesTheRequestsOfLaterStarts) {
    UtilitySession session;
    win::SettingsStore().Save(kSectionMessages, kListMessageValue, "3~3~5~");
    // Quoted as one argument, as a shell user quotes a request whose text holds blanks.
    ASSERT_TRUE(session.Start("\"" + kConverterRequest + "\""));
    const HWND converter = WaitForWindow(kConverterClass);
    EXPECT_TRUE(StandsAtRequest(converter, 300, 4000, 4500, 2400));
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(converter); }, 2000));
    const HWND published = session.Link().UtilityWindow().value_or(nullptr);
    EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), published);
    EXPECT_FALSE(IsWindowVisible(published));
    // The old reply goes once the host's handle is read; the host keeps the keyboard.
    EXPECT_TRUE(WaitUntil([&] { return !session.Reply().has_value(); }, 3000));
    EXPECT_NE(GetForegroundWindow(), converter);
    // A second start forwards its request here and ends.
    ASSERT_TRUE(
        RunToEnd(host::OpenRequest(kWindowHelpText, "t", 300, 9000, 4500, 8400, false), 10000)
            .ended);
    EXPECT_EQ(ProcessOf(WaitForWindow(kHelpClass)), session.Link().ProcessId());
    EXPECT_EQ(FindVisible(kConverterClass), converter);
    EXPECT_EQ(session.Link().UtilityWindow(), published);
}

enum class FirstInstance { Serves, BlocksInExecute, NeverPumps };

// Stands in for a running first instance: holds the instance object and, from its own thread,
// serves the topic (recording each execute), hangs in the execute, or never pumps at all.
class FakeFirstInstance {
  public:
    explicit FakeFirstInstance(FirstInstance behaviour) : behaviour_(behaviour) {
        objectWasFree_ = object_ && GetLastError() != ERROR_ALREADY_EXISTS;
        thread_ = std::thread([this] { Run(); });
        WaitForSingleObject(ready_, 5000);
    }
    ~FakeFirstInstance() {
        SetEvent(release_);
        WaitUntil([&] { return finished_.load(); }, 10000);  // its teardown may send to us
        thread_.join();
        for (HANDLE h : {ready_, release_, object_}) CloseHandle(h);
    }
    bool Ready() const { return objectWasFree_ && serving_; }
    std::vector<std::string> Commands() {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }

  private:
    void Run() {
        // A main window where a second start looks for it, and a server beside it.
        const WNDCLASSW wc{0, &DefWindowProcW, 0, 0, {}, {}, {}, {}, {}, kMainWindowClass};
        RegisterClassW(&wc);
        const HWND hwnd = CreateWindowExW(0, kMainWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                          nullptr, nullptr, nullptr);
        const bool pumps = behaviour_ != FirstInstance::NeverPumps;
        std::optional<win::DdeServer> server;
        const auto record = [this](const std::string& command) {
            std::lock_guard<std::mutex>{mutex_}, commands_.push_back(command);
            if (behaviour_ == FirstInstance::BlocksInExecute) WaitForSingleObject(release_, 20000);
            return true;
        };
        serving_ = hwnd && (!pumps || server.emplace().Start(kDdeService, kDdeTopic, record));
        SetEvent(ready_);
        const auto released = [this] { return WaitForSingleObject(release_, 0) == WAIT_OBJECT_0; };
        if (pumps) tools::PumpUntil(released, 30000, 5);
        if (!pumps) WaitForSingleObject(release_, 30000);
        DestroyWindow(hwnd);
        server.reset();
        finished_ = true;
    }

    FirstInstance behaviour_;
    HANDLE object_ = CreateMutexW(nullptr, FALSE, kInstanceObject);
    HANDLE ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread thread_;
    std::atomic<bool> finished_{false};
    bool objectWasFree_ = false, serving_ = false;
    std::mutex mutex_;
    std::vector<std::string> commands_;
};

TEST(Startup, SecondStartsForwardOnlyTheirTrimmedRequestAndEndInTimeTouchingNothing) {
    // Without "@" even a first start ends at once; start-only and unreadable codes are not
    // forwarded. Blanks behind the last "@" are trimmed, a request quoted as one argument keeps
    // its own. A first instance that hangs in the execute or never pumps holds no start beyond
    // its deadline. Under 4.5 s: the 5 s a first start would wait for the host's handle.
    using F = FirstInstance;
    const std::optional<F> none, blocks = F::BlocksInExecute;
    const std::string fields = "5@@300@4000@1200@2400@False@";
    // clang-format off
    const std::tuple<std::string, std::optional<F>, ULONGLONG, std::string> cases[] = {
        {"", none, 4500, ""}, {"0 5 text", none, 4500, ""}, {"-3@" + fields, blocks, 4500, ""},
        {"abc@" + fields, blocks, 4500, ""}, {"0 5 no separator", blocks, 4500, ""},
        {"0@" + fields + "   ", F::Serves, 4500, "0@" + fields},
        {"   -1@6@  ", F::Serves, 4500, "-1@6@"}, {"-2@", F::Serves, 4500, "-2@"},
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
        const SingleStart run = RunToEnd(commandLine, 15000);
        EXPECT_TRUE(run.ended);
        EXPECT_LT(run.elapsedMs, boundMs);
        using Commands = std::vector<std::string>;
        EXPECT_EQ(first ? first->Commands() : Commands{}, Commands(!forwarded.empty(), forwarded));
        EXPECT_EQ(FindWindowW(kConverterClass, nullptr), nullptr);
        EXPECT_EQ(StoredValue(kSectionMisc, kScrollbarValue), "4242");
    }
    store.Delete(kSectionMisc, kScrollbarValue);
}

// The processor time so far, in 1/100 s, of the Linux process that runs KesUtil.exe, read
// through Wine's drive Z: (GetProcessTimes of another process reads 0 under Wine); -1: none.
long ProcessorTicks() {
    for (const auto& dir : std::filesystem::directory_iterator("Z:\\proc")) {
        std::ifstream cmdline(dir.path() / "cmdline"), stat(dir.path() / "stat");
        std::string text(std::istreambuf_iterator<char>(cmdline), {}), line;
        unsigned long user = 0, system = 0;  // fields 14 and 15
        if (text.find("KesUtil.exe") != std::string::npos && std::getline(stat, line) &&
            std::sscanf(line.c_str() + line.rfind(')') + 1,
                        " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                        &system) == 2)
            return static_cast<long>(user + system);
    }
    return -1;
}

// How the host's handle is published: its own window (destroyed once the utility runs), none at
// all, or a stored text. Absent: the start gives up after five seconds and shows nothing.
// Unusable: the request is carried out and the first tick ends it, after the normal interval
// or at once after the fast request. Bounds leave room for a loaded machine, yet lie far apart.
TEST(Watchdog, HostGoneOrAnUnusableHandleEndsTheUtilityAtTheNextTick) {
    enum Handle { kHostWindow, kAbsent, kText };
    // clang-format off
    const std::tuple<Handle, std::string, bool, ULONGLONG, ULONGLONG> rows[] = {
        {kHostWindow, "", false, 0, 7500}, {kHostWindow, "", true, 0, 2500},
        {kAbsent, "", false, 4500, 8500}, {kText, "not a window", false, 4500, 8500},
        {kText, "-5", true, 0, 2500}, {kText, "1099511627776", true, 0, 2500},
        {kText, std::string(32000, '9'), true, 0, 2500}};
    // clang-format on
    for (const auto& [handle, text, fast, minMs, maxMs] : rows) {
        SCOPED_TRACE(testing::Message() << handle << " " << text.substr(0, 20) << " " << fast);
        UtilitySession session;
        if (handle == kAbsent) session.Link().WithdrawHostWindow();
        if (handle == kText) win::SettingsStore().Save(kSectionMisc, kHostWndValue, text);
        const auto hostValue = StoredValue(kSectionMisc, kHostWndValue);
        ULONGLONG from = GetTickCount64();
        ASSERT_TRUE(session.Start(kConverterRequest));
        if (handle == kAbsent) {  // waiting for the handle spins no processor
            const long before = ProcessorTicks();
            ASSERT_GE(before, 0) << "the utility's process not seen in Z:\\proc";
            Pump(2000);
            EXPECT_LT(ProcessorTicks() - before, 5) << "50 ms over 2 s of waiting";
        }
        const HWND converter = handle == kAbsent ? nullptr : WaitForWindow(kConverterClass);
        ASSERT_TRUE(!fast || session.Send(host::kFastWatchdogRequest));
        if (handle == kHostWindow) {
            Pump(300);  // many ticks with the host alive change nothing
            EXPECT_EQ(FindVisible(kConverterClass), converter);
        }
        if (fast || handle == kHostWindow) from = GetTickCount64();
        session.DestroyHost();
        bool windowSeen = converter != nullptr;
        EXPECT_TRUE(WaitUntil(
            [&] {
                return (windowSeen |= FindVisible(kConverterClass) != nullptr), !session.Running();
            },
            11000));
        const ULONGLONG elapsed = GetTickCount64() - from;
        EXPECT_GE(elapsed, minMs);
        EXPECT_LT(elapsed, maxMs);
        EXPECT_EQ(windowSeen, handle != kAbsent);
        EXPECT_FALSE(StoredValue(kSectionMisc, kScrollbarValue)) << "outlived the utility";
        EXPECT_EQ(StoredValue(kSectionMisc, kHostWndValue), hostValue);
    }
}

}  // namespace
}  // namespace kes::test
