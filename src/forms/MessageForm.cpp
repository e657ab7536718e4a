#include "forms/MessageForm.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "core/MessageLayout.h"
#include "forms/ShowMessage.h"
#include "process/Util.h"
#include "win/Handles.h"
#include "win/Twips.h"
#include "win/Controls.h"
#include "win/WinText.h"

namespace kes {

std::unique_ptr<MessageForm> messageForm;

namespace {

constexpr int kDesignedButtons = 3;

win::TwipRect ToTwipRect(const LayoutRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// Measures in the given font the way the layout expects: widths of the
// longest line, heights of all lines, and the height of text wrapped at a width.
class FontMeasure {
  public:
    explicit FontMeasure(HFONT font) : dc_(nullptr), select_(dc_.Get(), font) {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc_.Get(), &tm);
        lineHeight_ = tm.tmHeight;
    }

    double Width(std::string_view text) const {
        LONG widest = 0;
        for (const std::wstring& line : Lines(text)) {
            SIZE size{};
            GetTextExtentPoint32W(dc_.Get(), line.c_str(), static_cast<int>(line.size()), &size);
            widest = std::max(widest, size.cx);
        }
        return widest * win::TwipsPerPixelX();
    }

    double Height(std::string_view text) const {
        return static_cast<double>(Lines(text).size()) * lineHeight_ * win::TwipsPerPixelY();
    }

    double WrappedHeight(std::string_view text, double width) const {
        std::wstring wide = win::Widen(text);
        RECT r{0, 0, win::TwipsToPixelsX(width), 0};
        DrawTextW(dc_.Get(), wide.c_str(), static_cast<int>(wide.size()), &r,
                  DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS);
        return (r.bottom - r.top) * win::TwipsPerPixelY();
    }

  private:
    static std::vector<std::wstring> Lines(std::string_view text) {
        std::vector<std::wstring> lines;
        size_t start = 0;
        for (;;) {
            const size_t end = text.find('\n', start);
            std::string_view line = text.substr(
                start, end == std::string_view::npos ? std::string_view::npos : end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines.push_back(win::Widen(line));
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
        return lines;
    }

    win::ScopedGetDC dc_;
    win::ScopedSelectObject select_;
    LONG lineHeight_ = 0;
};

LPCWSTR StockIcon(int picture) {
    switch (picture) {
        case 1:
            return IDI_HAND;
        case 2:
            return IDI_QUESTION;
        case 3:
            return IDI_EXCLAMATION;
        case 4:
            return IDI_ASTERISK;
        default:
            return nullptr;
    }
}

}  // namespace

MessageForm::MessageForm()
    : Form({kMessageFormClass, "", 4500, 1900, WS_POPUP | WS_CAPTION | WS_SYSMENU,
            WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, true}) {}

HWND MessageForm::OKButton(int index) const {
    return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[index] : nullptr;
}

void MessageForm::Form_Load() {
    const MessageRequest& msg = Msg();
    // The controls as designed; the layout moves and shows what the request uses.
    AddControl(L"STATIC", "", SS_ICON, kMsgIconId, {200, 200, 480, 480});
    HWND text = AddControl(L"EDIT", "", ES_MULTILINE | ES_READONLY | WS_TABSTOP, kMsgTextId,
                           {880, 200, 3000, 400});
    // No inner margins: the text wraps where the layout measured it.
    SendMessageW(text, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    AddControl(L"STATIC", "", SS_LEFT | SS_NOPREFIX, kMsgPromptId, {880, 0, 3000, 195});
    AddControl(L"EDIT", "", ES_MULTILINE | ES_AUTOHSCROLL | WS_HSCROLL | WS_TABSTOP, kMsgInputId,
               {880, 0, 3000, 600}, WS_EX_CLIENTEDGE);
    const auto measure = [this] { return FontMeasure(ControlFont()); };
    const MessageLayout layout =
        LayOutMessage(msg,
                      {[=](std::string_view t) { return measure().Width(t); },
                       [=](std::string_view t) { return measure().Height(t); },
                       [=](std::string_view t, double w) { return measure().WrappedHeight(t, w); }},
                      {FrameWidth(), FrameHeight()});
    CreateButtons(layout);
    AddControl(L"BUTTON", "Don't show me this message again.", BS_AUTOCHECKBOX | WS_TABSTOP,
               kMsgCheckId, {200, 0, 3090, 252});

    Resize(layout.windowWidth, layout.windowHeight);
    SetCaption(msg.MsgTitle);
    ShowAt(kMsgTextId, layout.text, msg.MsgText);
    if (LPCWSTR stock = StockIcon(layout.iconPicture))
        SendMessageW(Control(kMsgIconId), STM_SETICON,
                     reinterpret_cast<WPARAM>(LoadIconW(nullptr, stock)), 0);
    ShowWindow(Control(kMsgIconId), SW_SHOWNA);
    if (layout.showInput) {
        ShowAt(kMsgPromptId, layout.prompt, msg.MsgInputPrompt);
        ShowAt(kMsgInputId, layout.input, msg.MsgInputDefault);
    }
    if (layout.showCheck) ShowAt(kMsgCheckId, layout.check);

    // Opened centred on the screen.
    const double screenWidth = GetSystemMetrics(SM_CXSCREEN) * win::TwipsPerPixelX();
    const double screenHeight = GetSystemMetrics(SM_CYSCREEN) * win::TwipsPerPixelY();
    Move((screenWidth - Width()) / 2, (screenHeight - Height()) / 2);
}

// At least the designed buttons exist; the set's own are placed and shown,
// the default one marked, and they come first in the tab order from it.
void MessageForm::CreateButtons(const MessageLayout& layout) {
    ButtonCount = static_cast<int>(layout.captions.size());
    const int made = std::max(kDesignedButtons, ButtonCount);
    for (int i = 0; i < made; ++i) {
        const bool shown = i < ButtonCount;
        buttons_.push_back(
            AddControl(L"BUTTON", shown ? layout.captions[i] : "", BS_PUSHBUTTON | WS_TABSTOP,
                       kMsgFirstButtonId + i,
                       shown ? ToTwipRect(layout.buttons[i]) : win::TwipRect{0, 0, 924, 375}));
        if (shown) ShowWindow(buttons_.back(), SW_SHOWNA);
    }
    DefaultIndex = layout.defaultIndex;
    if (OKButton(DefaultIndex)) SetDefaultButton(kMsgFirstButtonId + DefaultIndex);
    std::vector<HWND> tabOrder;
    for (int index : layout.tabOrder) tabOrder.push_back(buttons_[index]);
    win::PutFirstInZOrder(tabOrder);
}

void MessageForm::ShowAt(int id, const LayoutRect& place, std::optional<std::string_view> text) {
    HWND control = Control(id);
    if (text) win::SetText(control, *text);
    PlaceControl(control, ToTwipRect(place));
    ShowWindow(control, SW_SHOWNA);
}

void MessageForm::Form_Activate() {
    const MessageRequest& msg = Msg();
    if (msg.MsgInputBox) {
        HWND input = Control(kMsgInputId);
        SetFocus(input);
        SendMessageW(input, EM_SETSEL, 0, GetWindowTextLengthW(input));
    } else if (HWND button = OKButton(DefaultIndex)) {
        SetFocus(button);
    }
    win::DoEvents();
    if (!Loaded()) return;
    // The quiet flag is recorded with the request only: the beep always sounds.
    if (msg.MsgIcon >= 0) MessageBeep(static_cast<UINT>(msg.MsgIcon));
}

void MessageForm::OKButton_Click(int index) {
    MessageRequest& msg = Msg();
    if (auto result = ButtonResult(msg.MsgButtons, index)) msg.MsgResult = *result;
    // Checked or greyed counts; a hidden check box is clear.
    msg.MsgCheckState = SendMessageW(Control(kMsgCheckId), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
    msg.MsgInputText = msg.MsgInputBox ? win::GetText(Control(kMsgInputId)) : std::string();
    Unload(win::kUnloadByCode);
    win::DoEvents();
}

void MessageForm::Form_KeyDown(int& keyCode, int) {
    if (keyCode != VK_ESCAPE) return;
    const EscapeAction action = EscapeKey(Msg().MsgButtons);
    switch (action.kind) {
        case EscapeAction::kIgnore:
            return;
        case EscapeAction::kPressButton:
            keyCode = 0;
            OKButton_Click(action.button);
            return;
        case EscapeAction::kCustomCancel:
            keyCode = 0;
            Msg().MsgResult = kMsgCustomCancel;
            Unload(win::kUnloadByCode);
            return;
    }
}

void MessageForm::Form_QueryUnload(bool& cancel, int unloadMode) {
    // Closes by the program's own code, and the shutdown walk, assign no result:
    // ShowMessage returns the 0 it started the request with.
    if (Util().ShuttingDown || unloadMode == win::kUnloadByCode) return;
    if (auto result = CloseResult(Msg().MsgButtons))
        Msg().MsgResult = *result;
    else
        cancel = true;
}

void MessageForm::Form_Unload() {
    win::ReleaseForm(messageForm, this);
}

void MessageForm::OnCommand(int id, int notifyCode, HWND) {
    if (id == kMsgTextId && notifyCode == EN_KILLFOCUS) {
        msgText_LostFocus();
        return;
    }
    const int index = id - kMsgFirstButtonId;
    if (notifyCode == BN_CLICKED && index >= 0 && index < ButtonCount) OKButton_Click(index);
}

void MessageForm::Form_MouseDown() {
    DWORD start = 0, end = 0;
    SendMessageW(Control(kMsgTextId), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    // Moving the focus away clears the selection (msgText_LostFocus).
    if (end > start)
        if (HWND button = OKButton(DefaultIndex)) SetFocus(button);
}

void MessageForm::msgText_LostFocus() {
    SendMessageW(Control(kMsgTextId), EM_SETSEL, 0, 0);
}

LRESULT MessageForm::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            Form_MouseDown();
            return 0;
        case WM_CTLCOLORSTATIC: {
            // The read-only text, the prompt and the check box sit on the
            // window's own background in the window-text colour.
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        default:
            return Form::OnMessage(msg, wp, lp);
    }
}

}  // namespace kes
