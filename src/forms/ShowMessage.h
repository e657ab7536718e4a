#pragma once
// The utility's own message box: a modal, topmost box whose text can be
// selected and copied, with an optional check box and input box.
#include <cstdint>
#include <string>

#include "core/HostContract.h"
#include "core/MessageLayout.h"

namespace kes {

// The open request; the box reads its inputs and writes its outputs here.
MessageRequest& Msg();

struct MessageBoxArgs {
    std::string text;
    int32_t icon = 0;  // also the beep; negative for neither
    int32_t buttons = kMsgButtonsOk;
    std::string title = std::string(kAppName);
    bool showCheck = false;
    int32_t defaultButton = kMsgDefaultFirst;
    bool quietFlag = false;  // recorded only
};

// Shows the box and returns the result (1 OK, 2 Cancel, 6 Yes, 7 No; the
// button index or kMsgCustomCancel for the custom set). checkState, when
// given, receives MsgCheckState.
int32_t ShowMessage(const MessageBoxArgs& args, bool* checkState = nullptr);

}  // namespace kes
