#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "core/CommandString.h"
#include "core/TextUtil.h"
#include "app/Commands.h"
#include "app/MainForm.h"
#include "process/Util.h"
#include "win/Dde.h"
#include "win/Form.h"
#include "win/SettingsStore.h"

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
    job->acknowledged = win::DdeExecute(kDdeService, kDdeTopic, job->command, options);
    return 0;
}

// Sends one execute from a worker thread while this thread keeps serving
// messages: the connect broadcast also reaches our own hidden window, and a
// hung first instance must not hang this start.
void ForwardCommandLine(std::string_view command) {
    auto* job = new ForwardJob{std::string(command)};
    HANDLE thread = CreateThread(nullptr, 0, &ForwardThread, job, 0, nullptr);
    if (!thread) {
        delete job;
        return;
    }
    const ULONGLONG deadline = GetTickCount64() + kForwardDeadlineMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        const DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE,
                                                  static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) {
            delete job;
            job = nullptr;
            break;
        }
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // A job still running belongs to a thread that the process end takes down.
    CloseHandle(thread);
}

bool AnotherInstanceRuns() {
    // Held for the life of the process; only the first start creates it.
    static HANDLE instanceObject = nullptr;
    instanceObject = CreateMutexW(nullptr, FALSE, L"Local\\KesUtil.Instance");
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
    if (commandLine.find('@') == std::string_view::npos) return;

    win::LoadFresh(mainForm);
    if (AnotherInstanceRuns()) {
        if (mainForm) mainForm->SetForwardingInstance();
        int16_t firstSeparator = 0;
        const int32_t code = ParseRequestCode(commandLine, firstSeparator);
        if (code != kNoRequestCode && code != kStartOnlyCode) {
            ForwardCommandLine(TrimBlanks(commandLine));
            win::DoEvents();
            win::DoEvents();
        }
        if (mainForm) mainForm->Unload(win::kUnloadByCode);
        return;
    }
    if (mainForm) mainForm->StartDdeServer();
    // Windows ending the session ends the process as the host going does: the
    // walk unloads each tool window by code, so a token window saves its reply
    // without asking a question nobody could answer.
    win::SetSessionEndAction([] {
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
    util.SettingValue = std::string(kNoRegistryData);
    const ULONGLONG deadline = GetTickCount64() + kHostHandleWaitMs;
    while (util.SettingValue == kNoRegistryData) {
        util.SettingValue = store.Get(kSectionMisc, kHostWndValue);
        if (GetTickCount64() > deadline) break;
        if (util.SettingValue == kNoRegistryData) SwitchToThread();
    }

    if (util.SettingValue != kNoRegistryData) {
        util.HostWnd = ParseIntegerField(util.SettingValue).value_or(0);
        util.SettingValue = store.Get(kSectionMessages, kListMessageValue);
        if (util.SettingValue != kNoRegistryData) store.Delete(kSectionMessages, kListMessageValue);
        ProcessCommand(commandLine);
    } else if (mainForm) {
        mainForm->Unload(win::kUnloadByCode);
    }
}

}  // namespace kes
