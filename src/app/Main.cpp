#include <windows.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "core/CommandString.h"
#include "core/TextUtil.h"
#include "app/Commands.h"
#include "app/EventLog.h"
#include "app/MainForm.h"
#include "process/Util.h"
#include "win/Dde.h"
#include "win/Form.h"
#include "win/Handles.h"
#include "win/SettingsStore.h"
#include "win/Trace.h"

namespace kes {
namespace {

constexpr DWORD kHostHandleWaitMs = 5000;
// A second start may find the first one's instance object before its DDE
// service is registered: keep trying briefly.
constexpr DWORD kForwardConnectRetryMs = 2000;
constexpr DWORD kForwardTransactionMs = 3000;
// However the first instance behaves, a second start ends within this.
constexpr DWORD kForwardDeadlineMs = 6000;

struct ForwardJob {
    std::string command;
    bool acknowledged = false;
};

DWORD WINAPI ForwardThread(void* param) {
    auto* job = static_cast<ForwardJob*>(param);
    win::DdeExecuteOptions options;
    options.connectRetryMs = kForwardConnectRetryMs;
    options.transactionTimeoutMs = kForwardTransactionMs;
    job->acknowledged =
        win::DdeExecuteOnThreadOf(kMainWindowClass, kDdeService, kDdeTopic, job->command, options);
    LogSecondStart(job->command, job->acknowledged);
    return 0;
}

// Sends one execute from a worker thread, so that a hung first instance
// cannot hold this start longer than the deadline. The initiate goes to the
// first instance's main thread only: a broadcast would wait on any top-level
// window whose thread has stopped pumping, a hung host's among them.
void ForwardCommandLine(std::string_view command) {
    auto job = std::make_unique<ForwardJob>(ForwardJob{std::string(command)});
    const win::ScopedHandle thread(CreateThread(nullptr, 0, &ForwardThread, job.get(), 0, nullptr));
    // A job still running belongs to a thread that the process end takes down.
    if (thread && WaitForSingleObject(thread.Get(), kForwardDeadlineMs) != WAIT_OBJECT_0)
        static_cast<void>(job.release());
}

bool AnotherInstanceRuns() {
    // Held for the life of the process; only the first start creates it.
    static HANDLE instanceObject = nullptr;
    instanceObject = CreateMutexW(nullptr, FALSE, kInstanceObject);
    return instanceObject != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

}  // namespace

void Main(std::string_view commandLine) {
    UtilState& util = Util();
    LogStart(commandLine);
    if (commandLine.find('@') == std::string_view::npos) LogEnd("no \"@\" in the command line");
    if (commandLine.find('@') == std::string_view::npos) return;

    // A second instance forwards and ends. It creates nothing first (no
    // window, no watchdog), so the running instance's "Scrollbar" and state
    // stay untouched however long the forward takes.
    const bool another = AnotherInstanceRuns();
    KES_TRACE_POINT("instance checked");
    if (another) {
        int16_t firstSeparator = 0;
        const int32_t code = ParseRequestCode(commandLine, firstSeparator);
        if (code != kNoRequestCode && code != kStartOnlyCode)
            ForwardCommandLine(TrimBlanks(commandLine));
        if (code == kNoRequestCode || code == kStartOnlyCode) LogSecondStart(commandLine, {});
        LogEnd("a second start");
        return;
    }
    win::LoadFresh(mainForm);
    KES_TRACE_POINT("main window made");
    if (mainForm) mainForm->StartDdeServer();
    KES_TRACE_POINT("dde service registered");
    // Windows ending the session ends the process as the host going does: the
    // walk unloads each tool window by code, so a token window saves its reply
    // without asking a question nobody could answer.
    win::SetSessionEndAction([] {
        LogEnd("Windows is ending the session");
        if (mainForm) mainForm->Unload(win::kUnloadBySystem);
    });

    util.DecimalSeparator = LocaleSeparator(LOCALE_SDECIMAL, ".");
    util.ListSeparator = LocaleSeparator(LOCALE_SLIST, ",");
    util.WindowsDir = GetWindowsDir();
    util.SystemDir = GetSystemDir();
    if (Upper(util.SystemDir).find(Upper(util.WindowsDir)) == std::string::npos)
        util.SystemDir = util.WindowsDir;

    const win::SettingsStore store;
    if (mainForm) {
        const auto handle = static_cast<int32_t>(reinterpret_cast<INT_PTR>(mainForm->Hwnd()));
        store.Save(kSectionMisc, kScrollbarValue, std::to_string(handle));
    }

    // No window of ours is visible yet and no events are served meanwhile.
    // This departs on purpose from reading the value without pausing, which
    // spins a processor for as long as the host takes: each read waits for a
    // change of the section's key instead. Nothing a host sees changes: the
    // read still follows the value's arrival at once, and the wait ends after
    // 5 s at the latest. The notification fires once, so it is armed before
    // every read (a change between the read and the wait still ends the wait);
    // the short time-out is a backstop for a key that cannot be watched.
    std::string hostWnd(kNoRegistryData);
    const ULONGLONG deadline = GetTickCount64() + kHostHandleWaitMs;
    win::ScopedHKEY section;
    RegOpenKeyExW(HKEY_CURRENT_USER, store.KeyPath(kSectionMisc).c_str(), 0, KEY_NOTIFY,
                  section.Put());
    const win::ScopedHandle changed(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    for (;;) {
        if (section && changed)
            RegNotifyChangeKeyValue(section.Get(), FALSE,
                                    REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                    changed.Get(), TRUE);
        hostWnd = store.Get(kSectionMisc, kHostWndValue);
        const ULONGLONG now = GetTickCount64();
        if (hostWnd != kNoRegistryData || now >= deadline) break;
        const auto wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 100));
        if (!changed || WaitForSingleObject(changed.Get(), wait) == WAIT_FAILED) Sleep(wait);
    }

    KES_TRACE_POINT("host handle read");
    if (hostWnd != kNoRegistryData) {
        LogHostWindow(hostWnd);
        util.HostWnd = ParseIntegerField(hostWnd).value_or(0);
        DropStaleReply();
        const RequestRecord record("the command line", commandLine);
        ProcessCommand(commandLine);
    } else if (mainForm) {
        LogEnd("no \"Kestrelsim hWnd\" from the host within 5 s");
        mainForm->Unload(win::kUnloadByCode);
    }
}

}  // namespace kes
