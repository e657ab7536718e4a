#include "forms/ToolWindows.h"

#include <windows.h>

#include <memory>

#include "core/HostContract.h"
#include "forms/ConverterForm.h"
#include "forms/HelpForm.h"
#include "forms/ShowMessage.h"
#include "forms/TokenListForm.h"
#include "process/Calculator.h"
#include "process/Util.h"
#include "win/Trace.h"

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
    KES_TRACE_POINT("window unloaded");
}

template <class T>
void Open(std::unique_ptr<T>& ref) {
    if (DeferredWhileClosing(ref, &Open<T>)) return;
    T& form = win::LoadFresh(ref);
    KES_TRACE_POINT("window loaded");
    if (!form.Loaded()) return;
    // Each tool window is made topmost: Wine maps it once, already above the
    // others, instead of mapping it and restacking it.
    form.Show();
    KES_TRACE_POINT("window shown");
}

template <class T>
std::optional<WindowBox> BoxOf(const std::unique_ptr<T>& ref) {
    if (!ref || !ref->Loaded()) return std::nullopt;
    return WindowBox{ref->Left(), ref->Top(), ref->Width(), ref->Height()};
}

}  // namespace

void ShowToolWindow() {
    switch (Util().Request.RequestCode) {
        case kWindowFunctionList:
        case kWindowHelpText:
            Open(helpForm);
            break;
        case kWindowConverter:
            Open(converterForm);
            break;
        case kWindowTokenList:
            Open(tokenListForm);
            break;
        default:
            break;
    }
}

void CloseToolWindow(int32_t window) {
    switch (window) {
        case kWindowFunctionList:
        case kWindowHelpText:
            Close(helpForm);
            break;
        case kWindowConverter:
            Close(converterForm);
            break;
        case kWindowTokenList:
            Close(tokenListForm);
            break;
        default:
            break;
    }
}

std::optional<WindowBox> ToolWindowBox(int32_t window) {
    switch (window) {
        case kWindowFunctionList:
        case kWindowHelpText:
            return BoxOf(helpForm);
        case kWindowConverter:
            return BoxOf(converterForm);
        case kWindowTokenList:
            return BoxOf(tokenListForm);
        default:
            return std::nullopt;
    }
}

void RunCalculator() {
    if (const auto missing = LaunchCalculator())
        ShowMessage({.text = "Kestrelsim can't find " + *missing, .icon = kMsgIconStop});
}

}  // namespace kes
