#include "forms/HelpForm.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/ParserFunctionList.h"
#include "core/Placement.h"
#include "forms/ToolWindows.h"
#include "process/Util.h"
#include "win/Controls.h"
#include "win/WinText.h"

namespace kes {

std::unique_ptr<HelpForm> helpForm;

namespace {

constexpr win::TwipRect kHelpTextRect{120, 120, 3840, 2445};
constexpr double kOkWidth = 1005, kOkHeight = 405;
constexpr double kHelpFontPoints = 8.25;

}  // namespace

HelpForm::HelpForm()
    : Form({kHelpClass, "Kestrelsim Micro Help", 4080, 2700,
            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
            WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, true}) {}

void HelpForm::Form_Load() {
    OKButton = AddControl(L"BUTTON", "OK", BS_PUSHBUTTON | WS_TABSTOP, kHelpOkButtonId,
                          {0, 0, kOkWidth, kOkHeight});
    HelpText = AddControl(L"EDIT", "",
                          ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                          kHelpTextId, kHelpTextRect, WS_EX_CLIENTEDGE);
    helpFont_.Reset(win::CreatePointFont(L"Arial", kHelpFontPoints));
    if (helpFont_)
        SendMessageW(HelpText, WM_SETFONT, reinterpret_cast<WPARAM>(helpFont_.Get()), FALSE);
    BuildHelpTopic();
}

void HelpForm::BuildHelpTopic() {
    UtilState& util = Util();
    const RequestValues& request = util.Request;
    ShowWindow(HelpText, SW_HIDE);
    ShowWindow(OKButton, SW_HIDE);
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
    if (request.RequestCode == 0 || request.RequestCode == 1) {
        const WindowBox box =
            PlaceHelpWindow({double(AnchorX(request)), double(AnchorY(request))}, Width(), Height(),
                            request.RememberPosition, util.SavedHelpTop, util.SavedHelpLeft,
                            ToolWindowBox(kWindowConverter));
        Move(box.left, box.top);

        PlaceControl(HelpText, kHelpTextRect);
        ShowWindow(HelpText, SW_SHOWNA);
        if (request.RequestCode == 0) {
            win::SetText(HelpText, ParserFunctionList(util.DecimalSeparator, util.ListSeparator));
            AlignDescriptions();
            SetCaption(kParserFunctionListCaption);
        } else {
            win::SetText(HelpText, request.RequestText);
            SetCaption(kSpectralPowerCaption);
        }

        // Out of sight but first in the tab order: it holds the focus, so Enter closes.
        PlaceControl(OKButton, {-2 * kOkWidth, -2 * kOkHeight, kOkWidth, kOkHeight});
        ShowWindow(OKButton, SW_SHOWNA);
        SetTabOrder({OKButton, HelpText});
        SetDefaultButton(kHelpOkButtonId);
    }
}

// Two tab stops from the measured names (see DescriptionTabStops).
void HelpForm::AlignDescriptions() {
    win::ScopedGetDC dc(HelpText);
    if (!dc.Get()) return;
    win::ScopedSelectObject font(dc.Get(), helpFont_.Get());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.Get(), &tm);
    const auto measure = [&](std::string_view name) {
        const std::wstring wide = win::Widen(name);
        SIZE size{};
        GetTextExtentPoint32W(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    const auto stops =
        DescriptionTabStops(win::GetText(HelpText), measure, std::max<int>(tm.tmAveCharWidth, 4));
    if (!stops) return;
    const int first = stops->first, second = stops->second;

    // Tab stops are given in dialog units of the box's font: a quarter of
    // its average character width. How a platform rounds that varies, so the
    // column that results is measured and the stops corrected once.
    SIZE alphabet{};
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc.Get(), kLetters, 52, &alphabet);
    const double unitPixels = std::max(1.0, (alphabet.cx / 26.0 + 1) / 2) / 4.0;
    auto apply = [&](double scale) {
        INT tabs[2] = {static_cast<INT>(std::lround(first / unitPixels * scale)),
                       static_cast<INT>(std::lround(second / unitPixels * scale))};
        SendMessageW(HelpText, EM_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(tabs));
    };
    apply(1.0);
    const auto column = [&] {
        const LRESULT lineStart = SendMessageW(HelpText, EM_LINEINDEX, stops->sampleLine, 0);
        const auto description =
            static_cast<WPARAM>(lineStart) + win::Widen(stops->sampleName).size() + 2;
        const LRESULT a = SendMessageW(HelpText, EM_POSFROMCHAR, lineStart, 0);
        const LRESULT b = SendMessageW(HelpText, EM_POSFROMCHAR, description, 0);
        return static_cast<int>(static_cast<short>(LOWORD(b))) -
               static_cast<int>(static_cast<short>(LOWORD(a)));
    };
    const int measured = column();
    if (measured > 0 && std::abs(measured - second) > 1)
        apply(static_cast<double>(second) / measured);
    InvalidateRect(HelpText, nullptr, TRUE);
}

void HelpForm::Form_KeyPress(int& keyAscii) {
    if (keyAscii == 27) {
        keyAscii = 0;
        Unload(win::kUnloadByCode);
    }
}

void HelpForm::OKButton_Click() {
    Unload(win::kUnloadByCode);
}

void HelpForm::OnCommand(int id, int notifyCode, HWND) {
    if (id == kHelpOkButtonId && notifyCode == BN_CLICKED) OKButton_Click();
}

LRESULT HelpForm::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // A read-only edit asks for its colours as a static control does.
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == HelpText) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        SetBkColor(dc, GetSysColor(COLOR_INFOBK));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
    }
    return Form::OnMessage(msg, wp, lp);
}

void HelpForm::Form_Unload() {
    UtilState& util = Util();
    if (util.Request.RememberPosition) {
        util.SavedHelpTop = static_cast<int32_t>(std::nearbyint(Top()));
        util.SavedHelpLeft = static_cast<int32_t>(std::nearbyint(Left()));
    }
    win::ReleaseForm(helpForm, this);
}

}  // namespace kes
