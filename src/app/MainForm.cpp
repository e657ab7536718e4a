#include "app/MainForm.h"

#include "app/Commands.h"
#include "app/EventLog.h"

#include "process/Util.h"
#include "win/SettingsStore.h"
#include "win/Trace.h"

namespace kes {

std::unique_ptr<MainForm> mainForm;

namespace {
constexpr UINT_PTR kUtilTimer = 1;
constexpr unsigned kWatchdogMs = 5000;
constexpr unsigned kFastWatchdogMs = 10;
}  // namespace

// A real top-level window that is never shown: message-only windows would
// never see a raw client's WM_DDE_INITIATE broadcast.
// Captioned with the program's own name, which is also its DDE service.
MainForm::MainForm()
    : Form({kMainWindowClass, std::string(kDdeService), 1500, 1500, WS_OVERLAPPED, 0, false}) {}

bool MainForm::StartDdeServer() {
    return dde_.Start(kDdeService, kDdeTopic, [this](const std::string& command) {
        int cancel = 1;
        Form_LinkExecute(command, cancel);
        return cancel == 0;
    });
}

void MainForm::Form_LinkExecute(const std::string& commandText, int& cancel) {
    cancel = 0;  // accepted, whatever the text holds
    const RequestRecord record("DDE", commandText);
    ProcessCommand(commandText);
}

void MainForm::Form_Load() {
    SetUtilTimer(kWatchdogMs, true);
}

void MainForm::FastWatchdog() {
    SetUtilTimer(kFastWatchdogMs, true);
}

void MainForm::SetUtilTimer(unsigned intervalMs, bool enabled) {
    utilTimerInterval_ = intervalMs;
    utilTimerEnabled_ = enabled;
    if (enabled)
        SetTimer(kUtilTimer, intervalMs);
    else
        KillTimer(kUtilTimer);
}

void MainForm::OnTimer(UINT_PTR id) {
    if (id == kUtilTimer && utilTimerEnabled_) utilTimer_Timer();
}

void MainForm::utilTimer_Timer() {
    // Only whether the handle still names a window counts; 0 names none.
    const HWND host = reinterpret_cast<HWND>(static_cast<INT_PTR>(Util().HostWnd));
    char className[1024];
    if (GetClassNameA(host, className, sizeof className) == 0) {
        KES_TRACE_POINT("host gone seen");
        LogEnd("the host window " + std::to_string(Util().HostWnd) + " is gone");
        SetUtilTimer(utilTimerInterval_, false);
        Unload(win::kUnloadByCode);
    }
}

void MainForm::Form_QueryUnload(bool&, int) {
    win::SettingsStore().Delete(kSectionMisc, kScrollbarValue);
    Util().ShuttingDown = true;
    // Unloading shrinks the collection under the walking index, so one pass
    // skips windows; passes repeat until only this one is left or a pass
    // unloads nothing.
    const auto& forms = Forms();
    while (forms.size() > 1) {
        const size_t before = forms.size();
        for (size_t i = 0; forms.size() > 1 && i < forms.size(); ++i) {
            win::Form* form = forms[i];
            if (form != this) form->Unload(win::kUnloadByCode);
        }
        if (forms.size() == before) break;
    }
}

void MainForm::Form_Unload() {
    KES_TRACE_POINT("tool windows unloaded");
    SetUtilTimer(utilTimerInterval_, false);
    dde_.Stop();
    KES_TRACE_POINT("dde service stopped");
    win::ReleaseForm(mainForm, this);
}

}  // namespace kes
