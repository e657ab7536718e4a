#include "forms/ShowMessage.h"

#include <windows.h>

#include "core/TextUtil.h"
#include "forms/MessageForm.h"
#include "win/Form.h"

namespace kes {

MessageRequest& Msg() {
    static MessageRequest request;
    return request;
}

int32_t ShowMessage(const MessageBoxArgs& args, bool* checkState) {
    // Whatever pointer the caller had up (an hourglass), the box shows the arrow.
    const HCURSOR savedPointer = SetCursor(LoadCursorW(nullptr, IDC_ARROW));

    MessageRequest& msg = Msg();
    msg.MsgText = FixLineBreaks(args.text);
    msg.MsgIcon = args.icon;
    msg.MsgButtons = args.buttons;
    msg.MsgTitle = args.title;
    msg.MsgShowCheck = args.showCheck;
    msg.MsgDefault = args.defaultButton;
    msg.MsgQuietFlag = args.quietFlag;
    // A box closed without an answer (by the shutdown walk) returns 0, never
    // the answer to an earlier question: a token window asked again at
    // shutdown must not take the user's earlier Cancel or No as this one's.
    msg.MsgResult = 0;

    MessageForm& form = win::LoadFresh(messageForm);
    if (form.Loaded()) {
        SetWindowPos(form.Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        // No owner: the box stands on its own above the host's windows.
        form.ShowModal();
    }

    if (checkState) *checkState = msg.MsgCheckState;
    SetCursor(savedPointer);
    return msg.MsgResult;
}

}  // namespace kes
