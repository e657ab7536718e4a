#include "forms/ConverterForm.h"

#include <cstring>
#include <string>
#include <utility>

#include "core/LevelConversion.h"
#include "core/NumberText.h"
#include "core/Placement.h"
#include "core/TextUtil.h"
#include "forms/Pictures.h"
#include "forms/ToolWindows.h"
#include "win/Controls.h"
#include "win/DiagLog.h"
#include "win/Handles.h"
#include "process/HostEvaluator.h"
#include "forms/ShowMessage.h"
#include "process/Util.h"
#include "win/WinText.h"
#include "win/Trace.h"

namespace kes {

std::unique_ptr<ConverterForm> converterForm;

namespace {

constexpr int kUnits = 4;
constexpr int kResistances = 2;

// The two frames; the controls they hold are placed from their origin.
constexpr win::TwipRect kFrame2Rect{195, 600, 2145, 1635};
constexpr win::TwipRect kFrame1Rect{2490, 600, 2145, 1185};

win::TwipRect InFrame(const win::TwipRect& frame, double left, double top, double width,
                      double height) {
    return {frame.left + left, frame.top + top, width, height};
}

struct UnitControl {
    const char* caption;
    double left, top;
};
constexpr UnitControl kOption1[kUnits] = {{"d&Bm", 135, 255},
                                          {"&mWatts", 1110, 255},
                                          {"&volts o-p", 135, 735},
                                          {"volt&s rms", 1110, 735}};
constexpr UnitControl kdBmButton[kUnits] = {{"&dBm", 150, 270},
                                            {"m&Watts", 1200, 270},
                                            {"volts &o-p", 150, 735},
                                            {"volts &rms", 1200, 735}};

// The "=" between the boxes: MS Sans Serif 12 pt, made once for the process.
HFONT EqualsFont() {
    static const win::ScopedGdiObject font(win::CreatePointFont(L"MS Sans Serif", 12));
    return static_cast<HFONT>(font.Get());
}

int TextLength(std::string_view utf8) {
    return static_cast<int>(win::Widen(utf8).size());
}

void Select(HWND edit, int start, int length) {
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool CopyToClipboard(HWND owner, const std::wstring& text) {
    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 10 && !(open = OpenClipboard(owner) != FALSE); ++attempt)
        Sleep(10);
    if (!open) return false;
    bool done = false;
    if (EmptyClipboard()) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* p = GlobalLock(memory)) {
                std::memcpy(p, text.c_str(), bytes);
                GlobalUnlock(memory);
                done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            if (!done) GlobalFree(memory);  // the clipboard owns it only on success
        }
    }
    CloseClipboard();
    return done;
}

}  // namespace

ConverterForm::ConverterForm()
    : Form({kConverterClass, kConverterCaption, 4875, 2535,
            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
            WS_EX_CONTROLPARENT | WS_EX_TOPMOST, true, ConverterIcon32()}) {}

// Made in tab order, which is also the z-order, so that SetTabOrder finds
// every control in place without asking the window server.
void ConverterForm::CreateControls() {
    const HWND form = Hwnd();

    constexpr DWORD kVisible = WS_VISIBLE | WS_GROUP;
    constexpr DWORD kEditStyle = kVisible | WS_TABSTOP | ES_AUTOHSCROLL;
    AddControl(WC_EDITW, "0", kEditStyle, kText1Id, {330, 150, 1920, 340}, WS_EX_CLIENTEDGE);
    for (int i = 0; i < kUnits; ++i) {
        // One exclusive group: only its first button starts a group.
        const DWORD style = WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        AddControl(WC_BUTTONW, kOption1[i].caption, style, kOption1Id + i,
                   InFrame(kFrame2Rect, kOption1[i].left, kOption1[i].top, 900, 325));
    }
    SendMessageW(Control(kOption1Id), BM_SETCHECK, BST_CHECKED, 0);
    for (int i = 0; i < kUnits; ++i)
        AddControl(WC_BUTTONW, kdBmButton[i].caption, kVisible | WS_TABSTOP | BS_PUSHBUTTON,
                   kdBmButtonId + i,
                   InFrame(kFrame1Rect, kdBmButton[i].left, kdBmButton[i].top, 780, 310));
    AddControl(WC_BUTTONW, "Close", kVisible | WS_TABSTOP | BS_PUSHBUTTON, kCloseButtonId,
               {3735, 1875, 780, 310});
    AddControl(WC_BUTTONW, "Convert to", kVisible | BS_GROUPBOX, kFrame1Id, kFrame1Rect);
    AddControl(WC_BUTTONW, "Convert from", kVisible | BS_GROUPBOX, kFrame2Id, kFrame2Rect);
    HWND copy = AddControl(WC_BUTTONW, "&Copy", kVisible | WS_TABSTOP | BS_PUSHBUTTON,
                           kCopyButtonId, {2655, 1875, 780, 310});
    HWND label2 = AddControl(WC_STATICW, "=", kVisible | SS_LEFT | SS_NOPREFIX, kLabel2Id,
                             {2304, 180, 300, 300});
    SendMessageW(label2, WM_SETFONT, reinterpret_cast<WPARAM>(EqualsFont()), FALSE);
    AddControl(WC_BUTTONW, "50 ohms", kVisible | WS_TABSTOP | BS_AUTOCHECKBOX, kOhmCheckId,
               InFrame(kFrame2Rect, 135, 1245, 960, 285));
    AddControl(WC_BUTTONW, "1 ohm", kVisible | WS_TABSTOP | BS_AUTOCHECKBOX, kOhmCheckId + 1,
               InFrame(kFrame2Rect, 1110, 1260, 885, 285));
    SendMessageW(Control(kOhmCheckId), BM_SETCHECK, BST_CHECKED, 0);
    for (int i = 0; i < kResistances; ++i)
        win::Subclass(Control(kOhmCheckId + i), &ConverterForm::OhmCheckProc,
                      static_cast<UINT_PTR>(i), reinterpret_cast<DWORD_PTR>(this));
    AddControl(WC_EDITW, "", kEditStyle, kText2Id, {2664, 150, 1920, 340}, WS_EX_CLIENTEDGE);
    HWND calc = AddControl(WC_BUTTONW, "", kVisible | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON,
                           kConverterCalcButtonId, {4500, 2250, 315, 255});
    SendMessageW(calc, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(CalculatorIcon16()));
    // The line runs from (150, 1140) to (1980, 1140) in the frame.
    AddControl(WC_STATICW, "", kVisible | SS_ETCHEDHORZ, kLine1Id,
               InFrame(kFrame2Rect, 150, 1140, 1830, 2 * win::TwipsPerPixelY()));

    WhenPointedAt([this, form, copy, calc] {
        tooltips_.Add(form, copy, L"Copy Results to Clipboard");
        tooltips_.Add(form, calc, L"Calculator");
    });
}

void ConverterForm::Form_Load() {
    CreateControls();
    KES_TRACE_POINT("converter controls made");

    // Beside a help window that stands at the same anchor, else at the anchor.
    const RequestValues& request = Util().Request;
    const WindowBox box = PlaceAtAnchor({double(AnchorX(request)), double(AnchorY(request))},
                                        Width(), Height(), ToolWindowBox(kWindowFunctionList));
    Move(box.left, box.top);

    SetTabOrder({Control(kText1Id), Control(kOption1Id), Control(kOption1Id + 1),
                 Control(kOption1Id + 2), Control(kOption1Id + 3), Control(kdBmButtonId),
                 Control(kdBmButtonId + 1), Control(kdBmButtonId + 2), Control(kdBmButtonId + 3),
                 Control(kCloseButtonId), Control(kFrame1Id), Control(kFrame2Id),
                 Control(kCopyButtonId), Control(kLabel2Id), Control(kOhmCheckId),
                 Control(kOhmCheckId + 1), Control(kText2Id), Control(kConverterCalcButtonId)});
}

void ConverterForm::Form_Unload() {
    tooltips_.Destroy();
    win::ReleaseForm(converterForm, this);
}

void ConverterForm::Form_KeyPress(int& keyAscii) {
    if (keyAscii == 27) {
        keyAscii = 0;
        CloseButton_Click();
    }
}

void ConverterForm::Control_KeyPress(HWND control, int& keyAscii) {
    // Enter only normalises the input; converting is the buttons' job.
    if (control != Control(kText1Id) || keyAscii != 13) return;
    keyAscii = 0;
    if (ValidateInput() && Loaded()) Select(Control(kText1Id), 0, 0);
}

void ConverterForm::OnCommand(int id, int notifyCode, HWND /*control*/) {
    if (id == kText1Id) {
        if (notifyCode == EN_CHANGE) Text1_Change();
        return;
    }
    if (notifyCode != BN_CLICKED) return;
    if (id >= kOption1Id && id < kOption1Id + kUnits) {
        Option1_Click(id - kOption1Id);
    } else if (id >= kdBmButtonId && id < kdBmButtonId + kUnits) {
        dBmButton_Click(id - kdBmButtonId);
    } else if (id == kCopyButtonId) {
        CopyButton_Click();
    } else if (id == kCloseButtonId) {
        CloseButton_Click();
    } else if (id == kConverterCalcButtonId) {
        CalcButton_Click();
    }
}

void ConverterForm::Text1_Change() {
    win::SetText(Control(kText2Id), "");
}

void ConverterForm::Option1_Click(int index) {
    // A push on the unit already chosen (a click, its access key) changes
    // nothing, and the result still holds.
    if (index == source_) return;
    source_ = index;
    win::SetText(Control(kText2Id), "");
}

void ConverterForm::dBmButton_Click(int index) {
    lastTarget_ = static_cast<int16_t>(index);
    if (!ValidateInput() || !Loaded()) return;

    int source = 0;
    for (int i = 0; i < kUnits; ++i) {
        if (IsChecked(Control(kOption1Id + i))) {
            source = i;
            break;
        }
    }
    // Only "50 ohms" counts: with neither box checked the resistance is 1 ohm.
    const float resistance = IsChecked(Control(kOhmCheckId)) ? 50.0f : 1.0f;
    const HWND text1 = Control(kText1Id);
    const std::string t(TrimBlanks(win::GetText(text1)));
    const std::string separator = Util().DecimalSeparator;
    const double x = TextToValue(t, separator).AsDouble();
    const ConversionResult result =
        ConvertLevel(Unit(source), Unit(index), x, t, resistance, separator);

    if (result.refused) {
        // Zero has no level in dBm: back to the input, no message.
        SetFocus(text1);
        DWORD caret = 0;
        SendMessageW(text1, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
        Select(text1, static_cast<int>(caret), 100);
        return;
    }
    const HWND text2 = Control(kText2Id);
    win::SetText(text2, result.text);
    SetFocus(text2);
    Select(text2, 0, TextLength(result.number));
}

void ConverterForm::OhmCheck_MouseUp(int index) {
    // The boxes act as a pair; the conversion reads only "50 ohms".
    SendMessageW(Control(kOhmCheckId + (index + 1) % kResistances), BM_SETCHECK, BST_UNCHECKED, 0);
    dBmButton_Click(lastTarget_);
}

void ConverterForm::CopyButton_Click() {
    const std::string result(TrimBlanks(win::GetText(Control(kText2Id))));
    const size_t blank = result.find(' ');
    // Only the number goes, without its unit; an empty box copies nothing.
    if (blank == std::string::npos || blank == 0) return;
    CopyToClipboard(Hwnd(), win::Widen(result.substr(0, blank)));
}

void ConverterForm::CloseButton_Click() {
    Unload(win::kUnloadByCode);
}

void ConverterForm::CalcButton_Click() {
    RunCalculator();
}

bool ConverterForm::ValidateInput() {
    const HWND text1 = Control(kText1Id);
    std::string text = win::GetText(text1);
    int32_t errorPosition = 0;
    const std::string number =
        ParseNumberText(text, errorPosition, Util().DecimalSeparator, HostEvaluator());
    if (number != "ERROR") {
        win::SetText(text1, number);
        return true;
    }

    ShowMessage({.text = text + "\r\n\r\n" + kInvalidValueText, .icon = kMsgIconWarning});
    // The box runs the message loop: the window may have been unloaded meanwhile.
    if (!Loaded()) return false;
    // From the fault to the end; a position at or past the end marks the last character.
    const int length = TextLength(text);
    const int position = errorPosition >= length ? length - 1 : errorPosition;
    Select(text1, position, length);
    SetFocus(text1);
    return false;
}

LRESULT CALLBACK ConverterForm::OhmCheckProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                             UINT_PTR subclassId, DWORD_PTR refData) {
    if (msg == WM_NCDESTROY) {
        win::RemoveSubclass(hwnd, &ConverterForm::OhmCheckProc, subclassId);
        return win::DefSubclass(hwnd, msg, wp, lp);
    }
    // MouseUp is raised for every button, not only the one that toggles the box.
    if (msg != WM_LBUTTONUP && msg != WM_RBUTTONUP && msg != WM_MBUTTONUP && msg != WM_XBUTTONUP)
        return win::DefSubclass(hwnd, msg, wp, lp);
    // The box takes its new state first, then the pair is settled.
    const LRESULT answer = win::DefSubclass(hwnd, msg, wp, lp);
    try {
        auto* form = reinterpret_cast<ConverterForm*>(refData);
        if (form->Loaded()) form->OhmCheck_MouseUp(static_cast<int>(subclassId));
    } catch (...) {
        // Nothing may leave a window procedure.
        KES_LOG_HERE("resistance box click threw");
    }
    return answer;
}

}  // namespace kes
