#include <gtest/gtest.h>

#include <dde.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "e2e/UtilityProbe.h"
#include "forms/HelpForm.h"
#include "support/Harness.h"
#include "util/Util.h"
#include "win/Dde.h"
#include "win/SettingsStore.h"

namespace kes::test {
namespace {

using host::OpenRequest;

// Stands in for a running first instance: it holds the instance object and
// serves (or fails to serve) the DDE topic from a thread of its own, so that
// what a second start forwards, and how long it takes, can be seen.
enum class FirstInstance {
    Serves,            // records every execute
    BlocksInExecute,   // DDEML server whose execute callback never returns
    NeverAcksExecute,  // a raw window: answers the initiate, then goes silent
    NeverPumps,        // a raw window on a thread that handles no messages
};

class FakeFirstInstance {
  public:
    explicit FakeFirstInstance(FirstInstance behaviour) : behaviour_(behaviour) {
        instanceObject_ = CreateMutexW(nullptr, FALSE, L"Local\\KesUtil.Instance");
        objectWasFree_ = instanceObject_ && GetLastError() != ERROR_ALREADY_EXISTS;
        ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
        WaitForSingleObject(ready_, 5000);
    }
    ~FakeFirstInstance() {
        SetEvent(release_);
        if (thread_) {
            // Pumped: the fake's own teardown may send to this thread's windows.
            WaitUntil([&] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }, 10000);
            CloseHandle(thread_);
        }
        CloseHandle(ready_);
        CloseHandle(release_);
        if (instanceObject_) CloseHandle(instanceObject_);
    }
    FakeFirstInstance(const FakeFirstInstance&) = delete;
    FakeFirstInstance& operator=(const FakeFirstInstance&) = delete;

    bool Ready() const { return objectWasFree_ && serving_; }
    std::vector<std::string> Commands() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }
    bool ExecuteReached() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return executeReached_;
    }

  private:
    static DWORD WINAPI ThreadMain(void* param) {
        static_cast<FakeFirstInstance*>(param)->Run();
        return 0;
    }

    void Record(std::string command) {
        std::lock_guard<std::mutex> lock(mutex_);
        executeReached_ = true;
        commands_.push_back(std::move(command));
    }

    void Run() {
        switch (behaviour_) {
            case FirstInstance::Serves:
            case FirstInstance::BlocksInExecute: {
                win::DdeServer server;
                serving_ = server.Start(kDdeService, kDdeTopic, [this](const std::string& c) {
                    Record(c);
                    if (behaviour_ == FirstInstance::BlocksInExecute)
                        WaitForSingleObject(release_, 20000);
                });
                SetEvent(ready_);
                PumpUntilReleased();
                server.Stop();
                return;
            }
            case FirstInstance::NeverAcksExecute:
            case FirstInstance::NeverPumps: {
                WNDCLASSW wc{};
                wc.lpfnWndProc = &SilentServerProc;
                wc.hInstance = GetModuleHandleW(nullptr);
                wc.lpszClassName = L"KesFakeFirstInstance";
                RegisterClassW(&wc);
                HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                            nullptr, wc.hInstance, nullptr);
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
                serving_ = hwnd != nullptr;
                SetEvent(ready_);
                if (behaviour_ == FirstInstance::NeverPumps) WaitForSingleObject(release_, 30000);
                PumpUntilReleased();
                DestroyWindow(hwnd);
                return;
            }
        }
    }

    void PumpUntilReleased() {
        for (;;) {
            const DWORD r = MsgWaitForMultipleObjects(1, &release_, FALSE, 30000, QS_ALLINPUT);
            if (r != WAIT_OBJECT_0 + 1) return;
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
    }

    static bool AtomIs(ATOM atom, const wchar_t* text) {
        wchar_t name[64] = {};
        GlobalGetAtomNameW(atom, name, 64);
        return lstrcmpiW(name, text) == 0;
    }

    static LRESULT CALLBACK SilentServerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<FakeFirstInstance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        switch (msg) {
            case WM_DDE_INITIATE:
                if (AtomIs(LOWORD(lp), L"KesUtil") && AtomIs(HIWORD(lp), L"KesUtil_MSG"))
                    SendMessageW(
                        reinterpret_cast<HWND>(wp), WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd),
                        MAKELPARAM(GlobalAddAtomW(L"KesUtil"), GlobalAddAtomW(L"KesUtil_MSG")));
                return 0;
            case WM_DDE_EXECUTE:
                // Never acknowledged; the block stays with us.
                if (self) self->Record("");
                return 0;
            case WM_DDE_TERMINATE:
                return 0;
            default:
                return DefWindowProcW(hwnd, msg, wp, lp);
        }
    }

    FirstInstance behaviour_;
    HANDLE instanceObject_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    HANDLE thread_ = nullptr;
    bool objectWasFree_ = false;
    bool serving_ = false;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    bool executeReached_ = false;
};

// --- The four ways a start ends -------------------------------------------

TEST(Startup, NormalStartOpensTheRequestedWindowAtTheAnchor) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(OpenRequest(host::kConverter, "", 300, 4000, 1200, 2400, false)));
    HWND converter = WaitForWindow("Units Converter");
    ASSERT_NE(converter, nullptr);
    const double t = TwipsPerPixel();
    const TwipBox box = TwipBoxOf(converter);
    // Top and left lose 5 pixels; the bottom-right corner sits on the anchor.
    EXPECT_NEAR(box.left + box.width, 2400 - 5 * t + 4000, t);
    EXPECT_NEAR(box.top + box.height, 1200 - 5 * t + 300, t);
    // Made topmost right after it is shown.
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(converter); }, 2000));
    // Shown without activation: the host keeps the keyboard.
    Pump(300);
    EXPECT_NE(GetForegroundWindow(), converter);
    EXPECT_NE(GetActiveWindow(), converter);
}

TEST(Startup, ScrollbarNamesTheHiddenMainWindowOfTheRunningInstance) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    const auto published = session.Link().UtilityWindow();
    ASSERT_TRUE(published.has_value());
    DWORD pid = 0;
    GetWindowThreadProcessId(*published, &pid);
    EXPECT_EQ(pid, session.Link().ProcessId());
    wchar_t className[64] = {};
    GetClassNameW(*published, className, 64);
    EXPECT_STREQ(className, kMainClass);
    EXPECT_FALSE(IsWindowVisible(*published));
    // A start-only request opens nothing.
    Pump(300);
    for (const wchar_t* windowClass : {kConverterClass, kHelpClass, kTokenListClass})
        EXPECT_EQ(FindWindowW(windowClass, nullptr), nullptr);
}

TEST(Startup, CommandLineWithoutSeparatorEndsAtOnceAndWritesNothing) {
    UtilitySession session;  // the host is there: only the missing "@" ends it
    for (const char* commandLine : {"", "5", "0 5 text"}) {
        SCOPED_TRACE(commandLine);
        SectionWatch misc("Misc"), messages("Messages");
        ASSERT_TRUE(misc.Armed() && messages.Armed());
        const SingleStart run = RunToEnd(commandLine, 5000);
        EXPECT_TRUE(run.ended);
        EXPECT_LT(run.elapsedMs, 2000u);
        EXPECT_FALSE(misc.Changed()) << "a start without \"@\" wrote the settings";
        EXPECT_FALSE(messages.Changed());
        EXPECT_FALSE(Scrollbar().has_value());
    }
}

TEST(Startup, WithoutTheHostHandleTheStartEndsAfterFiveSeconds) {
    UtilitySession session;
    session.Link().WithdrawHostWindow();
    const ULONGLONG start = GetTickCount64();
    // It publishes its own handle first, then waits for the host's.
    ASSERT_TRUE(session.Start(OpenRequest(host::kConverter, "", 300, 4000, 1200, 2400, false)));
    bool windowSeen = false;
    EXPECT_TRUE(WaitUntil(
        [&] {
            windowSeen = windowSeen || FindWindowW(kConverterClass, nullptr) != nullptr;
            return !session.Running();
        },
        9000));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 4500u);
    EXPECT_LT(elapsed, 7000u);
    EXPECT_FALSE(windowSeen);
    EXPECT_FALSE(Scrollbar().has_value());
    EXPECT_FALSE(StoredValue("Misc", "Kestrelsim hWnd").has_value());
}

TEST(Startup, SecondStartForwardsToTheFirstAndEnds) {
    UtilitySession session;
    ASSERT_TRUE(session.Start("-3@"));
    const auto firstScrollbar = Scrollbar();
    ASSERT_TRUE(firstScrollbar.has_value());

    ASSERT_TRUE(
        session.StartAndWait(OpenRequest(host::kConverter, "", 300, 4000, 1200, 2400, false)));
    HWND converter = WaitForToolWindow(kConverterClass);
    ASSERT_NE(converter, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(converter, &pid);
    EXPECT_EQ(pid, session.Link().ProcessId()) << "the first instance shows the window";
    EXPECT_TRUE(StandsAtAnchor(converter, AnchorX(4000, 2400), AnchorY(300, 1200)));
    EXPECT_TRUE(session.Running());
    // The forwarding start leaves the running instance's handle alone.
    EXPECT_EQ(Scrollbar(), firstScrollbar);
}

TEST(Startup, CommandStringQuotedAsOneArgumentKeepsItsBlanks) {
    // A shell user quotes a request whose text holds blanks; first start and
    // forwarded start must both read it as the command string.
    UtilitySession session;
    const std::string first =
        OpenRequest(host::kHelpText, "first text", 300, 4000, 1200, 2400, false);
    ASSERT_TRUE(session.Start("\"" + first + "\""));
    HWND help = WaitForWindow("Spectral Power in Selected Range");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(WindowText(WaitForControl(help, kHelpTextId)), "first text");

    const std::string second =
        OpenRequest(host::kHelpText, "second text", 300, 4000, 1200, 2400, false);
    ASSERT_TRUE(session.StartAndWait("\"" + second + "\""));
    EXPECT_TRUE(WaitUntil([&] {
        HWND h = FindWindowW(nullptr, L"Spectral Power in Selected Range");
        return h && WindowText(GetDlgItem(h, kHelpTextId)) == "second text";
    }));
}

TEST(Startup, OldTokenReplyIsRemovedBeforeTheFirstRequest) {
    UtilitySession session;
    const win::SettingsStore store;
    store.Save("Messages", "kesUtilListMessage", "3~3~5~");
    store.Save("Messages", "KesStartupNeighbour", "stays");
    ASSERT_TRUE(session.Start(OpenRequest(host::kConverter, "", 300, 4000, 1200, 2400, false)));
    ASSERT_NE(WaitForToolWindow(kConverterClass), nullptr);
    EXPECT_FALSE(session.Reply().has_value());
    EXPECT_EQ(StoredValue("Messages", "KesStartupNeighbour"), "stays");
    store.Delete("Messages", "KesStartupNeighbour");
}

// --- What a second start hands to the first ---------------------------------

TEST(Startup, SecondStartForwardsItsCommandLineTrimmed) {
    struct Case {
        const char* commandLine;
        const char* forwarded;
    };
    // Blanks in front of the code never reach the program: the command line's
    // own split eats them. Blanks behind the last "@" are the ones trimmed.
    const Case cases[] = {
        {"0@5@@300@4000@1200@2400@False@   ", "0@5@@300@4000@1200@2400@False@"},
        {"   -1@6@  ", "-1@6@"},
        {"1@1@ text with blanks @0@0@0@0@0@", "1@1@ text with blanks @0@0@0@0@0@"},
        {"-2@", "-2@"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        FakeFirstInstance first(FirstInstance::Serves);
        ASSERT_TRUE(first.Ready());
        const SingleStart run = RunToEnd(c.commandLine, 8000);
        EXPECT_TRUE(run.ended);
        EXPECT_LT(run.elapsedMs, 3000u);
        EXPECT_EQ(first.Commands(), std::vector<std::string>{c.forwarded});
    }
}

TEST(Startup, StartOnlyAndUnreadableCodesAreNotForwarded) {
    for (const char* commandLine :
         {"-3@", "-3@5@@300@4000@1200@2400@False@", "abc@5@@300@4000@1200@2400@False@",
          "@5@@300@4000@1200@2400@False@", "0 5 no separator"}) {
        SCOPED_TRACE(commandLine);
        // A first instance that would hold any conversation for seconds.
        FakeFirstInstance first(FirstInstance::BlocksInExecute);
        ASSERT_TRUE(first.Ready());
        win::SettingsStore().Save("Misc", "Scrollbar", "4242");
        const SingleStart run = RunToEnd(commandLine, 8000);
        EXPECT_TRUE(run.ended);
        EXPECT_LT(run.elapsedMs, 1500u) << "the second start waited for the first";
        EXPECT_FALSE(first.ExecuteReached());
        EXPECT_EQ(Scrollbar(), "4242");
    }
    win::SettingsStore().Delete("Misc", "Scrollbar");
}

TEST(Startup, HungFirstInstanceCannotHoldASecondStart) {
    struct Case {
        const char* name;
        FirstInstance behaviour;
    };
    const Case cases[] = {
        {"execute callback blocks", FirstInstance::BlocksInExecute},
        {"execute never acknowledged", FirstInstance::NeverAcksExecute},
        {"window never pumps", FirstInstance::NeverPumps},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFirstInstance first(c.behaviour);
        ASSERT_TRUE(first.Ready());
        const SingleStart run =
            RunToEnd(OpenRequest(host::kConverter, "", 300, 4000, 1200, 2400, false), 15000);
        EXPECT_TRUE(run.ended);
        EXPECT_LT(run.elapsedMs, 9000u);
        EXPECT_EQ(FindWindowW(kConverterClass, nullptr), nullptr);
    }
}

TEST(Startup, SimultaneousStartsLeaveOneInstanceAndLoseNoCommand) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        UtilitySession session;
        host::HostLink a(UtilityPath()), b(UtilityPath());
        ASSERT_TRUE(
            a.StartUtility(OpenRequest(host::kConverter, "", 300, 4000, 1200, 2400, false)));
        ASSERT_TRUE(
            b.StartUtility(OpenRequest(host::kHelpText, "both", 300, 9000, 1200, 2400, false)));
        // One of them forwards and ends.
        EXPECT_TRUE(WaitUntil([&] { return a.WaitForExit(0) || b.WaitForExit(0); }, 10000));
        HWND converter = WaitForToolWindow(kConverterClass);
        HWND help = WaitForToolWindow(kHelpClass);
        EXPECT_NE(converter, nullptr);
        EXPECT_NE(help, nullptr);
        Pump(300);
        EXPECT_NE(a.WaitForExit(0), b.WaitForExit(0)) << "exactly one instance keeps running";
        host::HostLink& survivor = a.WaitForExit(0) ? b : a;
        DWORD converterPid = 0, helpPid = 0;
        GetWindowThreadProcessId(converter, &converterPid);
        GetWindowThreadProcessId(help, &helpPid);
        EXPECT_EQ(converterPid, survivor.ProcessId());
        EXPECT_EQ(helpPid, survivor.ProcessId());
        // The session does not own these processes: end them here.
        session.Send(host::kFastWatchdogRequest);
        session.DestroyHost();
        EXPECT_TRUE(a.WaitForExit(3000));
        EXPECT_TRUE(b.WaitForExit(3000));
    }
}

// --- Values Main reads from the system --------------------------------------

TEST(Startup, LocaleSeparatorsFollowTheUserLocale) {
    // Wine reads the user locale from LC_ALL at process start; one ctest entry
    // per locale.
    const char* locale = std::getenv("LC_ALL");
    const std::string name = locale ? locale : "";
    std::pair<char, char> expected;
    if (name == "en_US.UTF-8")
        expected = {'.', ','};
    else if (name == "de_DE.UTF-8")
        expected = {',', ';'};
    else
        GTEST_SKIP() << "no expectation for LC_ALL=" << name;
    EXPECT_EQ(LocaleSeparator(LOCALE_SDECIMAL, '?'), expected.first);
    EXPECT_EQ(LocaleSeparator(LOCALE_SLIST, '?'), expected.second);
    // A call that fails gives the fallback.
    EXPECT_EQ(LocaleSeparator(0x7fff, '?'), '?');
}

}  // namespace
}  // namespace kes::test
