#include "app/Commands.h"

#include "app/MainForm.h"
#include "core/Request.h"
#include "forms/ToolWindows.h"
#include "process/Util.h"
#include "win/Twips.h"
#include "win/Trace.h"

namespace kes {

void ProcessCommand(std::string_view commandString) {
    // Once the shutdown walk has begun, a window opened now would outlive the
    // main window: requests are still acknowledged, but none is carried out.
    if (Util().ShuttingDown) return;
    KES_TRACE_POINT("request received");
    try {
        RequestValues& request = Util().Request;
        switch (
            ApplyCommand(commandString, request, win::TwipsPerPixelX(), win::TwipsPerPixelY())) {
            case CommandAction::None:
                return;
            case CommandAction::FastWatchdog:
                if (mainForm) mainForm->FastWatchdog();
                return;
            case CommandAction::Close:
                CloseToolWindow(request.RequestCode);
                return;
            case CommandAction::Open:
                ShowToolWindow();
                return;
        }
    } catch (...) {
        // A request that fails halfway is dropped; the host is never told.
    }
}

}  // namespace kes
