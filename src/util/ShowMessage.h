#pragma once
// The utility's own message box: a modal, topmost box whose text can be
// selected and copied, with an optional check box and input box.
#include <cstdint>
#include <string_view>

#include "core/MessageLayout.h"

namespace kes {

// The open request; the box reads its inputs and writes its outputs here.
MessageRequest& Msg();

// Shows the box and returns the result (1 OK, 2 Cancel, 6 Yes, 7 No; the
// button index or MsgCustomCancel for the custom set). checkState receives
// MsgCheckState. quietFlag is recorded only.
int32_t ShowMessage(std::string_view text, int32_t icon, int32_t buttons, std::string_view title,
                    bool showCheck, bool& checkState, int32_t defaultButton, bool quietFlag);

}  // namespace kes
