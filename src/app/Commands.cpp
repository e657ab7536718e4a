#include "app/Commands.h"

#include "app/EventLog.h"
#include "app/MainForm.h"
#include "core/Request.h"
#include "forms/ToolWindows.h"
#include "process/Util.h"
#include "win/DiagLog.h"
#include "win/Twips.h"
#include "win/Trace.h"

namespace kes {

void ProcessCommand(std::string_view commandString) {
    // Once the shutdown walk has begun, a window opened now would outlive the
    // main window: requests are still acknowledged, but none is carried out.
    if (Util().ShuttingDown) RequestRecord::Note(RequestOutcome::Ignored);
    if (Util().ShuttingDown) return;
    KES_TRACE_POINT("request received");
    try {
        RequestValues& request = Util().Request;
        switch (
            ApplyCommand(commandString, request, win::TwipsPerPixelX(), win::TwipsPerPixelY())) {
            case CommandAction::None:
                RequestRecord::Note(RequestOutcome::None);
                return;
            case CommandAction::FastWatchdog:
                RequestRecord::Note(RequestOutcome::FastWatchdog);
                if (mainForm) mainForm->FastWatchdog();
                return;
            case CommandAction::Close:
                RequestRecord::Note(RequestOutcome::Closed, request.RequestCode);
                CloseToolWindow(request.RequestCode);
                return;
            case CommandAction::Open:
                RequestRecord::Note(RequestOutcome::Opened, request.RequestCode);
                ShowToolWindow();
                return;
        }
    } catch (...) {
        // A request that fails halfway is dropped; the host is never told.
        KES_LOG_HERE("request failed halfway");
        RequestRecord::Note(RequestOutcome::Failed);
    }
}

}  // namespace kes
