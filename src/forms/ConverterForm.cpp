#include "forms/ConverterForm.h"

#include "core/Placement.h"
#include "forms/HelpForm.h"
#include "util/Util.h"

namespace kes {

std::unique_ptr<ConverterForm> converterForm;

ConverterForm::ConverterForm()
    : Form({L"KesUtilConverter", "Units Converter", 4875, 2535,
            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_CONTROLPARENT, true}) {}

void ConverterForm::Form_Load() {
    const RequestValues& request = Util().Request;
    std::optional<WindowBox> help;
    if (Util().HelpOpen && helpForm && helpForm->Loaded())
        help = WindowBox{helpForm->Left(), helpForm->Top(), helpForm->Width(), helpForm->Height()};
    const WindowBox box = PlaceAtAnchor({double(AnchorX(request)), double(AnchorY(request))},
                                        Width(), Height(), help);
    Move(box.left, box.top);
    Util().ConverterOpen = true;
}

void ConverterForm::Form_Unload() {
    Util().ConverterOpen = false;
    win::ReleaseForm(converterForm, this);
}

}  // namespace kes
