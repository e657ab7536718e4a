#include "forms/TokenListForm.h"

#include <cmath>
#include <string>

#include "core/Placement.h"
#include "core/TokenRequest.h"
#include "forms/Pictures.h"
#include "forms/ToolWindows.h"
#include "forms/ShowMessage.h"
#include "process/Util.h"
#include "win/Controls.h"
#include "win/DiagLog.h"
#include "win/SettingsStore.h"
#include "win/WinText.h"
#include "win/Trace.h"

namespace kes {

std::unique_ptr<TokenListForm> tokenListForm;

namespace {

constexpr UINT_PTR kListSubclassId = 1;

}  // namespace

TokenListForm::TokenListForm()
    : Form({kTokenListClass, "Apply To Tokens", 2700, 3075, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
            WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, false}) {}

void TokenListForm::Form_Load() {
    TokenListBox = AddControl(
        L"LISTBOX", "",
        LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE,
        kTokenListBoxId, {180, 555, 2355, 2100}, WS_EX_CLIENTEDGE);
    AddControl(L"STATIC", "", SS_LEFT | SS_NOPREFIX | WS_VISIBLE, kTokenHelpLabelId,
               {180, 30, 2265, 510});
    HWND parser = AddControl(L"BUTTON", "F", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE,
                             kParserButtonId, {1650, 2745, 270, 270});
    HWND calc = AddControl(L"BUTTON", "", BS_PUSHBUTTON | BS_ICON | WS_TABSTOP | WS_VISIBLE,
                           kCalcButtonId, {1920, 2745, 345, 270});
    SendMessageW(calc, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(CalculatorIcon16()));
    HWND cnvrt = AddControl(L"BUTTON", "=", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kCnvrtButtonId,
                            {2265, 2745, 270, 270});
    cnvrtFont_.Reset(win::CreatePointFont(L"MS Sans Serif", 9.75, FW_BOLD));
    if (cnvrtFont_)
        SendMessageW(cnvrt, WM_SETFONT, reinterpret_cast<WPARAM>(cnvrtFont_.Get()), FALSE);
    KES_TRACE_POINT("token controls made");

    FillList();
    KES_TRACE_POINT("token list filled");
    // Only now: every message to a subclassed list box passes the subclass
    // chain (ours and the tooltip's), which under Wine made filling thousands
    // of items a hundred times slower.
    win::Subclass(TokenListBox, &TokenListForm::ListBoxProc, kListSubclassId,
                  reinterpret_cast<DWORD_PTR>(this));
    WhenPointedAt([this, parser, calc, cnvrt] {
        tooltips_.Add(Hwnd(), TokenListBox, L"Apply Parameters To Selected Tokens");
        tooltips_.Add(Hwnd(), cnvrt, L"Converter");
        tooltips_.Add(Hwnd(), calc, L"Calculator");
        tooltips_.Add(Hwnd(), parser, L"Parser Functions");
    });

    // No reply of an earlier window may survive into this one.
    DropStaleReply();

    win::SetText(Control(kTokenHelpLabelId), kTokenHelpText);
    const RequestValues& place = Util().Request;
    const WindowBox box =
        PlaceAtAnchor({double(AnchorX(place)), double(AnchorY(place))}, Width(), Height());
    Move(box.left, box.top);
}

void TokenListForm::FillList() {
    const UtilState& util = Util();
    const TokenRequest request = ParseTokenRequest(util.Request.RequestText, util.DecimalSeparator);
    CurrentToken = request.CurrentToken;
    CurrentTokenIndex = request.CurrentTokenIndex;
    SetCaption(request.captionPrefix + " Tokens");
    // Thousands of items: room made once, and no drawing until all are in.
    SendMessageW(TokenListBox, WM_SETREDRAW, FALSE, 0);
    SendMessageW(TokenListBox, LB_INITSTORAGE, request.candidates.size(),
                 request.candidates.size() * 16);
    for (const TokenCandidate& candidate : request.candidates) {
        const std::wstring text = win::Widen(candidate.text);
        const LRESULT index =
            SendMessageW(TokenListBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0) continue;
        values_.push_back(candidate.value);
        if (candidate.selected) SendMessageW(TokenListBox, LB_SETSEL, TRUE, index);
    }
    SendMessageW(TokenListBox, LB_SETTOPINDEX, static_cast<WPARAM>(CurrentTokenIndex), 0);
    SendMessageW(TokenListBox, WM_SETREDRAW, TRUE, 0);
}

LRESULT CALLBACK TokenListForm::ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                                            UINT_PTR subclassId, DWORD_PTR refData) {
    if (msg == WM_NCDESTROY) {
        win::RemoveSubclass(hwnd, &TokenListForm::ListBoxProc, subclassId);
        return win::DefSubclass(hwnd, msg, wp, lp);
    }
    // The list handles the release first, as its MouseUp event follows it;
    // that event comes for every mouse button.
    const LRESULT result = win::DefSubclass(hwnd, msg, wp, lp);
    if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP || msg == WM_XBUTTONUP)
        reinterpret_cast<TokenListForm*>(refData)->TokenListBox_MouseUp();
    return result;
}

// Whatever the user clicks, the current token stays selected and the clicked
// item keeps the focus rectangle.
void TokenListForm::TokenListBox_MouseUp() {
    const LRESULT caret = SendMessageW(TokenListBox, LB_GETCARETINDEX, 0, 0);
    if (SendMessageW(TokenListBox, LB_GETSEL, static_cast<WPARAM>(CurrentTokenIndex), 0) == 0)
        SendMessageW(TokenListBox, LB_SETSEL, TRUE, CurrentTokenIndex);
    if (caret >= 0) SendMessageW(TokenListBox, LB_SETCARETINDEX, static_cast<WPARAM>(caret), FALSE);
}

void TokenListForm::OnCommand(int id, int notifyCode, HWND) {
    if (notifyCode != BN_CLICKED) return;
    switch (id) {
        case kCnvrtButtonId:
            CnvrtButton_Click();
            break;
        case kCalcButtonId:
            CalcButton_Click();
            break;
        case kParserButtonId:
            ParserButton_Click();
            break;
        default:
            break;
    }
}

void TokenListForm::CnvrtButton_Click() {
    Util().Request.RequestCode = kWindowConverter;
    ShowToolWindow();
}

void TokenListForm::CalcButton_Click() {
    RunCalculator();
}

void TokenListForm::ParserButton_Click() {
    Util().Request.RequestCode = kWindowFunctionList;
    ShowToolWindow();
}

// The question and the event passes after saving let other requests run in
// here, the reopening of this window included: everything used after them is
// a local or this instance's own state.
void TokenListForm::Form_QueryUnload(bool& cancel, int unloadMode) {
    std::vector<bool> selected(values_.size(), false);
    std::vector<int> indices(values_.size());
    const LRESULT count = SendMessageW(TokenListBox, LB_GETSELITEMS, indices.size(),
                                       reinterpret_cast<LPARAM>(indices.data()));
    for (LRESULT i = 0; i < count; ++i)
        if (indices[i] >= 0 && static_cast<std::size_t>(indices[i]) < selected.size())
            selected[static_cast<std::size_t>(indices[i])] = true;
    const TokenReply reply = BuildTokenReply(CurrentToken, CurrentTokenIndex, values_, selected,
                                             Util().DecimalSeparator);
    KES_TRACE_POINT("token reply built");
    if (AsksBeforeSaving(unloadMode, reply.otherTokenSelected)) {
        const int32_t answer = ShowMessage({.text = std::string(kApplyQuestion),
                                            .icon = kMsgIconQuestion,
                                            .buttons = kMsgButtonsYesNoCancel});
        switch (ActionForAnswer(answer)) {
            case TokenCloseAction::KeepOpen:
                cancel = true;
                return;
            case TokenCloseAction::CloseWithoutReply:
                return;
            case TokenCloseAction::Save:
                break;
        }
    }
    if (!win::SettingsStore().Save(kSectionMessages, kListMessageValue, reply.text))
        KES_LOG_HERE("token reply not stored");
    KES_TRACE_POINT("token reply saved");
    // Two passes before the window goes: a request the host sends on seeing the
    // reply (and what it causes) runs now, nested in this unload.
    win::DoEvents();
    win::DoEvents();
}

void TokenListForm::Form_Unload() {
    tooltips_.Destroy();
    win::ReleaseForm(tokenListForm, this);
}

}  // namespace kes
