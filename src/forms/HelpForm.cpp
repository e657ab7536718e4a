#include "forms/HelpForm.h"

#include <cmath>

#include "core/Placement.h"
#include "forms/ConverterForm.h"
#include "util/Util.h"

namespace kes {

std::unique_ptr<HelpForm> helpForm;

HelpForm::HelpForm()
    : Form({L"KesUtilHelp", "Kestrelsim Micro Help", 4080, 2700,
            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW,
            true}) {}

void HelpForm::Form_Load() {
    BuildHelpTopic();
}

void HelpForm::BuildHelpTopic() {
    UtilState& util = Util();
    const RequestValues& request = util.Request;
    if (request.RequestCode == 0 || request.RequestCode == 1) {
        std::optional<WindowBox> converter;
        if (util.ConverterOpen && converterForm && converterForm->Loaded())
            converter = WindowBox{converterForm->Left(), converterForm->Top(),
                                  converterForm->Width(), converterForm->Height()};
        const WindowBox box = PlaceHelpWindow({double(AnchorX(request)), double(AnchorY(request))},
                                              Width(), Height(), request.RememberPosition,
                                              util.SavedHelpTop, util.SavedHelpLeft, converter);
        Move(box.left, box.top);
    }
    util.HelpOpen = true;
}

void HelpForm::Form_Unload() {
    UtilState& util = Util();
    if (util.Request.RememberPosition) {
        util.SavedHelpTop = static_cast<int32_t>(std::nearbyint(Top()));
        util.SavedHelpLeft = static_cast<int32_t>(std::nearbyint(Left()));
    }
    util.HelpOpen = false;
    win::ReleaseForm(helpForm, this);
}

}  // namespace kes
