#include "forms/TokenListForm.h"

#include "core/Placement.h"
#include "util/Util.h"

namespace kes {

std::unique_ptr<TokenListForm> tokenListForm;

TokenListForm::TokenListForm()
    : Form({L"KesUtilTokenList", "Apply To Tokens", 2700, 3075,
            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW,
            false}) {}

void TokenListForm::Form_Load() {
    const RequestValues& request = Util().Request;
    const WindowBox box =
        PlaceAtAnchor({double(AnchorX(request)), double(AnchorY(request))}, Width(), Height());
    Move(box.left, box.top);
}

void TokenListForm::Form_Unload() {
    win::ReleaseForm(tokenListForm, this);
}

}  // namespace kes
