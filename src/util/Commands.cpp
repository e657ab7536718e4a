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

template <class T>
void Close(std::unique_ptr<T>& ref) {
    if (ref) ref->Unload(win::kUnloadByCode);
}

template <class T>
void Open(std::unique_ptr<T>& ref) {
    T& form = win::LoadFresh(ref);
    if (!form.Loaded()) return;
    form.Show();
    SetWindowPos(form.Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

}  // namespace

void ProcessCommand(std::string_view commandString) {
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
