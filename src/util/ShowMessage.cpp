#include "util/ShowMessage.h"

#include <windows.h>

#include "core/TextUtil.h"
#include "forms/MessageForm.h"
#include "win/Form.h"

namespace kes {

MessageRequest& Msg() {
    static MessageRequest request;
    return request;
}

int32_t ShowMessage(std::string_view text, int32_t icon, int32_t buttons, std::string_view title,
                    bool showCheck, bool& checkState, int32_t defaultButton, bool quietFlag) {
    // Whatever pointer the caller had up (an hourglass), the box shows the arrow.
    const HCURSOR savedPointer = SetCursor(LoadCursorW(nullptr, IDC_ARROW));

    MessageRequest& msg = Msg();
    msg.MsgText = FixLineBreaks(text);
    msg.MsgIcon = icon;
    msg.MsgButtons = buttons;
    msg.MsgTitle = std::string(title);
    msg.MsgShowCheck = showCheck;
    msg.MsgDefault = defaultButton;
    msg.MsgQuietFlag = quietFlag;

    MessageForm& form = win::LoadFresh(messageForm);
    if (form.Loaded()) {
        SetWindowPos(form.Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        // No owner: the box stands on its own above the host's windows.
        form.ShowModal();
    }

    checkState = msg.MsgCheckState;
    SetCursor(savedPointer);
    return msg.MsgResult;
}

}  // namespace kes
