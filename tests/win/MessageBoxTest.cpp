#include <string>
#include <tuple>
#include <vector>

#include "win/FormFixture.h"

namespace kes::test {
namespace {

// Ways out besides the virtual keys and the access-key letters posted as they stand.
constexpr UINT kClick = 0, kCloseBox = 1;

std::function<void(HWND)> WayOut(UINT way, int index = 0) {
    return [=](HWND box) {
        if (way == kClick) PostMessageW(MsgButton(box, index), BM_CLICK, 0, 0);
        if (way == kCloseBox) PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (way >= 'a' && way <= 'z') PostMessageW(GetFocus(), WM_CHAR, way, 1);
        if (way > kCloseBox && way < 'a') PostKey(GetFocus(), way);
    };
}

class UtilMessageBox : public FormTest {};

TEST_F(UtilMessageBox, EveryWayOutGivesTheResultOfItsButtonSetAndTheCheckBoxOnlyWithAButton) {
    // Button set, way out, button clicked, result; whether the check box is ticked in the box
    // (it starts the other way) and what the caller sees then (-1: not looked at). Enter presses
    // the default; the box's state goes back only when a button closes it, and only if shown.
    constexpr int32_t Ok = kMsgResultOk, Cancel = kMsgResultCancel, Yes = kMsgResultYes,
                      No = kMsgResultNo, Custom = kMsgCustomButtons, Out = kMsgCustomCancel;
    constexpr int32_t OkOnly = kMsgButtonsOk, OkCancel = kMsgButtonsOkCancel,
                      YesNoCancel = kMsgButtonsYesNoCancel, YesNo = kMsgButtonsYesNo;
    // clang-format off
    constexpr UINT Ret = VK_RETURN, Esc = VK_ESCAPE, Shut = kCloseBox, Click = kClick;
    const std::tuple<int32_t, UINT, int, int32_t, int, int> ways[] = {
        {OkOnly, Ret, 0, Ok, 0, 0}, {OkOnly, Esc, 0, Ok, 0, -1}, {OkOnly, Shut, 0, Ok, 0, -1},
        {OkCancel, Ret, 0, Ok, 0, -1}, {OkCancel, Esc, 0, Cancel, 0, -1},
        {OkCancel, Shut, 0, Cancel, 1, 0}, {OkCancel, Click, 1, Cancel, 1, 1},
        {YesNoCancel, Ret, 0, Yes, 0, -1}, {YesNoCancel, Esc, 0, Cancel, 0, -1},
        {YesNoCancel, Shut, 0, Cancel, 0, -1}, {YesNoCancel, 'n', 0, No, 0, -1},
        {YesNoCancel, Click, 2, Cancel, 0, 0}, {YesNo, Ret, 0, Yes, 0, -1},
        {YesNo, Esc, 0, No, 0, -1}, {YesNo, Shut, 0, No, 1, 0}, {YesNo, 'y', 0, Yes, 0, -1},
        {YesNo, Click, 1, No, 1, 1}, {Custom, Ret, 0, 0, 0, -1}, {Custom, Esc, 0, Out, 0, 1},
        {Custom, Shut, 0, Out, 0, -1}, {Custom, Click, 2, 2, 1, 1}};
    // clang-format on
    for (int i = 0; i < 3; ++i) Msg().MsgCaptions[i] = std::string(1, char('A' + i));
    Msg().MsgCaptionCount = 3;
    for (const auto& [buttons, way, index, result, tick, after] : ways) {
        SCOPED_TRACE(testing::Message() << buttons << " way " << way << " button " << index);
        // An earlier request's result that every way out must replace.
        Msg().MsgResult = 99;
        const bool shown = buttons != OkOnly;
        bool check = Msg().MsgCheckState = !tick;
        AnswerBoxes answer([&, way = way, index = index, tick = tick](HWND box) {
            EXPECT_EQ(IsWindowVisible(GetDlgItem(box, kMsgCheckId)) != FALSE, shown);
            EXPECT_EQ(SendMessageW(GetDlgItem(box, kMsgIconId), STM_GETICON, 0, 0), 0);
            if (tick) SendMessageW(GetDlgItem(box, kMsgCheckId), BM_CLICK, 0, 0);
            WayOut(way, index)(box);
        });
        EXPECT_EQ(ShowMessage({.text = "Proceed?", .buttons = buttons, .showCheck = shown}, &check),
                  result);
        EXPECT_TRUE(after < 0 || check == (after == 1));
    }
}

TEST_F(UtilMessageBox, InputBoxStartsSelectedAndHandsBackWhatWasTyped) {
    // Enter in the input box presses the default; the close box leaves the earlier text.
    const std::tuple<UINT, int32_t, const char*> cases[] = {
        {VK_RETURN, kMsgResultOk, "typed text"}, {kCloseBox, kMsgResultCancel, "earlier"}};
    for (const auto& [way, result, input] : cases) {
        MessageRequest& msg = Msg();
        msg.MsgInputBox = true;
        msg.MsgInputPrompt = "Name:";
        msg.MsgInputDefault = "Token 1";
        msg.MsgInputText = "earlier";
        AnswerBoxes answer([&, way = way](HWND box) {
            const HWND input = GetDlgItem(box, kMsgInputId);
            EXPECT_EQ(GetFocus(), input);
            EXPECT_EQ(SendMessageW(input, EM_GETSEL, 0, 0), MAKELRESULT(0, 7));
            EXPECT_EQ(win::GetText(GetDlgItem(box, kMsgPromptId)), "Name:");
            win::SetText(input, "typed text");
            WayOut(way)(box);
        });
        EXPECT_EQ(ShowMessage({.text = "Enter a name.", .buttons = kMsgButtonsOkCancel}), result);
        EXPECT_EQ(msg.MsgInputText, input);
    }
}

// The box stands on top and alone; its long text wraps with every line shown, read-only, a bare
// line feed as a line break. A click on the bare window takes the focus and the selection from
// the text back to the default button. At shutdown it closes without a result and the pointer is
// given back.
TEST_F(UtilMessageBox, TopmostBoxWrapsLongTextKeepsItsDefaultAndClosesWithoutAResultAtShutdown) {
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    SetCursor(wait);
    Msg().MsgResult = 42;
    AnswerBoxes answer([](HWND box) {
        EXPECT_TRUE(IsTopmost(box));
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        EXPECT_FALSE(GetWindowLongW(box, GWL_STYLE) & (WS_MINIMIZEBOX | WS_THICKFRAME));
        const HWND text = GetDlgItem(box, kMsgTextId);
        EXPECT_EQ(win::GetText(text).substr(0, 18), "A rather long\r\nmes");
        EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
        EXPECT_NE(SendMessageW(GetDlgItem(box, kMsgIconId), STM_GETICON, 0, 0), 0);
        const LRESULT lines = SendMessageW(text, EM_GETLINECOUNT, 0, 0);
        const int lineHeight =
            HIWORD(SendMessageW(text, EM_POSFROMCHAR, SendMessageW(text, EM_LINEINDEX, 1, 0), 0)) -
            HIWORD(SendMessageW(text, EM_POSFROMCHAR, 0, 0));
        RECT client{};
        GetClientRect(text, &client);
        EXPECT_GE(lines, 3);
        EXPECT_GT(lineHeight, 0);
        EXPECT_LE(lines * lineHeight, client.bottom);
        EXPECT_EQ(GetFocus(), MsgButton(box, 1));
        // The user drags over the text, which takes the focus and a selection.
        PostMouseClick(text);
        EXPECT_TRUE(WaitUntil([&] { return GetFocus() == text; }));
        SendMessageW(text, EM_SETSEL, 0, 6);
        // A click on the bare window, left of the icon.
        PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        PostMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        EXPECT_TRUE(WaitUntil([&] { return GetFocus() == MsgButton(box, 1); }));
        const LRESULT sel = SendMessageW(text, EM_GETSEL, 0, 0);
        EXPECT_EQ(LOWORD(sel), HIWORD(sel));
        Util().ShuttingDown = true;
        PostMessageW(box, WM_CLOSE, 0, 0);
    });
    // Not the answer to an earlier box: a token window asked at shutdown would take it.
    EXPECT_EQ(ShowMessage({.text = "A rather long\nmessage text that has to be wrapped at the "
                                   "width of the box, with several words on each line, so that "
                                   "it takes four or five lines.",
                           .icon = kMsgIconWarning,
                           .buttons = kMsgButtonsYesNo,
                           .defaultButton = kMsgDefaultSecond}),
              0);
    EXPECT_EQ(GetCursor(), wait);
}

}  // namespace
}  // namespace kes::test
