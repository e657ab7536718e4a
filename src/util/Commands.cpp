#include <windows.h>

#include "forms/ConverterForm.h"
#include "forms/HelpForm.h"
#include "forms/MainForm.h"
#include "forms/TokenListForm.h"
#include "util/Util.h"
#include "win/Form.h"
#include "win/Twips.h"

namespace kes {
namespace {

// A window whose close is still asking the user (the token window's question
// lets requests run) is neither replaced nor unloaded behind its back: that
// would put a second window on screen and later destroy the first without its
// handlers. The request is carried out once that close has settled: after Yes
// or No the window is gone and a reopen loads it afresh; after Cancel it is
// still there and is unloaded by code, which hands its reply back without a
// second question. Only the last such request is kept.
template <class T>
bool DeferredWhileClosing(std::unique_ptr<T>& ref, void (*request)(std::unique_ptr<T>&)) {
    if (!ref || !ref->Unloading()) return false;
    ref->WhenUnloadSettles([&ref, request] {
        if (!Util().ShuttingDown) request(ref);
    });
    return true;
}

template <class T>
void Close(std::unique_ptr<T>& ref) {
    if (DeferredWhileClosing(ref, &Close<T>)) return;
    if (ref) ref->Unload(win::kUnloadByCode);
}

template <class T>
void Open(std::unique_ptr<T>& ref) {
    if (DeferredWhileClosing(ref, &Open<T>)) return;
    T& form = win::LoadFresh(ref);
    if (!form.Loaded()) return;
    form.Show();
    SetWindowPos(form.Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

}  // namespace

void ProcessCommand(std::string_view commandString) {
    // Once the shutdown walk has begun, a window opened now would outlive the
    // main window: requests are still acknowledged, but none is carried out.
    if (Util().ShuttingDown) return;
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
                switch (request.RequestCode) {
                    case 0:
                    case 1:
                        Close(helpForm);
                        break;
                    case 5:
                        Close(converterForm);
                        break;
                    case 6:
                        Close(tokenListForm);
                        break;
                    default:
                        break;
                }
                return;
            case CommandAction::Open:
                ShowToolWindow();
                return;
        }
    } catch (...) {
        // A request that fails halfway is dropped; the host is never told.
    }
}

void ShowToolWindow() {
    switch (Util().Request.RequestCode) {
        case 0:
        case 1:
            Open(helpForm);
            break;
        case 5:
            Open(converterForm);
            break;
        case 6:
            Open(tokenListForm);
            break;
        default:
            break;
    }
}

}  // namespace kes
