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
        if (way == kClick)
            PostMessageW(MsgButton(box, index), BM_CLICK, 0, 0);
        else if (way == kCloseBox)
            PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        else if (way >= 'a' && way <= 'z')
            PostMessageW(GetFocus(), WM_CHAR, way, 1);
        else
            PostKey(GetFocus(), way);
    };
}

void SetCaptions(std::vector<std::string> captions) {
    for (size_t i = 0; i < captions.size(); ++i) Msg().MsgCaptions[i] = captions[i];
    Msg().MsgCaptionCount = static_cast<int32_t>(captions.size());
}

class UtilMessageBox : public FormTest {};

TEST_F(UtilMessageBox, EveryWayOutGivesTheResultOfItsButtonSet) {
    // Button set, way out, button clicked, result: Enter, Escape, the close box, the access
    // keys and a click on each button.
    constexpr int32_t Ok = kMsgResultOk, Cancel = kMsgResultCancel, Yes = kMsgResultYes,
                      No = kMsgResultNo, Custom = kMsgCustomButtons, Out = kMsgCustomCancel;
    constexpr int32_t OkOnly = kMsgButtonsOk, OkCancel = kMsgButtonsOkCancel,
                      YesNoCancel = kMsgButtonsYesNoCancel, YesNo = kMsgButtonsYesNo;
    // clang-format off
    const std::tuple<int32_t, UINT, int, int32_t> ways[] = {
        {OkOnly, VK_RETURN, 0, Ok}, {OkOnly, VK_ESCAPE, 0, Ok}, {OkOnly, kCloseBox, 0, Ok},
        {OkOnly, kClick, 0, Ok}, {OkCancel, VK_RETURN, 0, Ok}, {OkCancel, VK_ESCAPE, 0, Cancel},
        {OkCancel, kCloseBox, 0, Cancel}, {OkCancel, kClick, 0, Ok}, {OkCancel, kClick, 1, Cancel},
        {YesNoCancel, VK_RETURN, 0, Yes}, {YesNoCancel, VK_ESCAPE, 0, Cancel},
        {YesNoCancel, kCloseBox, 0, Cancel}, {YesNoCancel, 'n', 0, No},
        {YesNoCancel, kClick, 0, Yes},
        {YesNoCancel, kClick, 1, No}, {YesNoCancel, kClick, 2, Cancel}, {YesNo, VK_RETURN, 0, Yes},
        {YesNo, VK_ESCAPE, 0, No}, {YesNo, kCloseBox, 0, No}, {YesNo, 'y', 0, Yes},
        {YesNo, kClick, 0, Yes}, {YesNo, kClick, 1, No}, {Custom, VK_RETURN, 0, 0},
        {Custom, VK_ESCAPE, 0, Out}, {Custom, kCloseBox, 0, Out}, {Custom, kClick, 0, 0},
        {Custom, kClick, 1, 1}, {Custom, kClick, 2, 2}};
    // clang-format on
    SetCaptions({"First", "Second", "Third"});
    for (const auto& [buttons, way, index, result] : ways) {
        SCOPED_TRACE(testing::Message() << buttons << " way " << way << " button " << index);
        // An earlier request's result that every way out must replace.
        Msg().MsgResult = 99;
        AnswerBoxes answer(WayOut(way, index));
        EXPECT_EQ(ShowMessage({.text = "Proceed?", .icon = kMsgIconQuestion, .buttons = buttons}),
                  result);
    }
}

TEST_F(UtilMessageBox, CheckBoxReachesTheCallerOnlyWhenAButtonCloses) {
    // Buttons, check box shown, ticked in the box, state before, result, state after, way out.
    // clang-format off
    const std::tuple<int32_t, bool, bool, bool, int32_t, bool, UINT, int> cases[] = {
        {kMsgButtonsYesNo, true, true, false, kMsgResultYes, true, kClick, 0},
        {kMsgButtonsYesNo, true, false, true, kMsgResultNo, false, kClick, 1},
        {kMsgButtonsYesNo, true, true, false, kMsgResultNo, false, kCloseBox, 0},
        {kMsgButtonsOk, false, false, true, kMsgResultOk, false, VK_RETURN, 0},
        {kMsgCustomButtons, true, false, true, kMsgCustomCancel, true, VK_ESCAPE, 0},
        {kMsgCustomButtons, true, true, false, 1, true, kClick, 1}};
    // clang-format on
    SetCaptions({"A", "B"});
    for (const auto& [buttons, shown, tick, before, result, after, way, index] : cases) {
        SCOPED_TRACE(testing::Message() << buttons << " tick " << tick << " way " << way);
        Msg().MsgCheckState = before;
        bool check = before;
        AnswerBoxes answer([&](HWND box) {
            const HWND checkBox = GetDlgItem(box, kMsgCheckId);
            EXPECT_EQ(IsWindowVisible(checkBox) != FALSE, shown);
            EXPECT_EQ(SendMessageW(GetDlgItem(box, kMsgIconId), STM_GETICON, 0, 0), 0);
            if (tick) SendMessageW(checkBox, BM_CLICK, 0, 0);
            WayOut(way, index)(box);
        });
        EXPECT_EQ(ShowMessage({.text = "Noted.", .buttons = buttons, .showCheck = shown}, &check),
                  result);
        EXPECT_EQ(check, after);
    }
}

TEST_F(UtilMessageBox, InputBoxStartsSelectedAndHandsBackWhatWasTyped) {
    // Enter in the input box presses the default; the close box leaves the earlier text.
    const std::tuple<UINT, int, int32_t, const char*> cases[] = {
        {kClick, 1, kMsgResultCancel, "typed text"},
        {VK_RETURN, 0, kMsgResultOk, "typed text"},
        {kCloseBox, 0, kMsgResultCancel, "earlier"}};
    for (const auto& [way, index, result, input] : cases) {
        SCOPED_TRACE(way);
        MessageRequest& msg = Msg();
        msg.MsgInputBox = true;
        msg.MsgInputPrompt = "Name:";
        msg.MsgInputDefault = "Token 1";
        msg.MsgInputText = "earlier";
        AnswerBoxes answer([&](HWND box) {
            const HWND input = GetDlgItem(box, kMsgInputId), prompt = GetDlgItem(box, kMsgPromptId);
            EXPECT_EQ(GetFocus(), input);
            EXPECT_EQ(SendMessageW(input, EM_GETSEL, 0, 0), MAKELRESULT(0, 7));
            EXPECT_EQ(win::GetText(prompt), "Name:");
            EXPECT_TRUE(IsWindowVisible(prompt) && IsWindowVisible(input));
            win::SetText(input, "typed text");
            WayOut(way, index)(box);
        });
        EXPECT_EQ(ShowMessage({.text = "Enter a name.", .buttons = kMsgButtonsOkCancel}), result);
        EXPECT_EQ(msg.MsgInputText, input);
    }
}

TEST_F(UtilMessageBox, LongTextWrapsAndABackgroundClickDropsItsSelectionForTheDefault) {
    AnswerBoxes answer([](HWND box) {
        const HWND text = GetDlgItem(box, kMsgTextId);
        // Every wrapped line fits: nothing is scrolled away.
        const LRESULT lines = SendMessageW(text, EM_GETLINECOUNT, 0, 0);
        const int lineHeight =
            HIWORD(SendMessageW(text, EM_POSFROMCHAR, SendMessageW(text, EM_LINEINDEX, 1, 0), 0)) -
            HIWORD(SendMessageW(text, EM_POSFROMCHAR, 0, 0));
        RECT client{};
        GetClientRect(text, &client);
        EXPECT_GE(lines, 3);
        EXPECT_GT(lineHeight, 0);
        EXPECT_LE(lines * lineHeight, client.bottom);
        EXPECT_EQ(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
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
        // Nothing else changed: Enter still presses "&No".
        PostKey(GetFocus(), VK_RETURN);
    });
    EXPECT_EQ(ShowMessage({.text = "A rather long message text that has to be wrapped at the "
                                   "width of the box, with several words on each line, so that "
                                   "it takes four or five lines.",
                           .buttons = kMsgButtonsYesNo,
                           .defaultButton = kMsgDefaultSecond}),
              kMsgResultNo);
}

TEST_F(UtilMessageBox, TopmostOwnerlessBoxClosesWithoutAResultAtShutdownAndGivesThePointerBack) {
    const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    SetCursor(wait);
    Msg().MsgResult = 42;
    AnswerBoxes answer([](HWND box) {
        EXPECT_TRUE(IsTopmost(box));
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        EXPECT_FALSE(GetWindowLongW(box, GWL_STYLE) &
                     (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        // A bare line feed is shown as a line break; the text is read-only.
        const HWND text = GetDlgItem(box, kMsgTextId);
        EXPECT_EQ(win::GetText(text), "one\r\ntwo");
        EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
        EXPECT_NE(SendMessageW(GetDlgItem(box, kMsgIconId), STM_GETICON, 0, 0), 0);
        Util().ShuttingDown = true;
        PostMessageW(box, WM_CLOSE, 0, 0);
    });
    // Not the answer to an earlier box: a token window asked at shutdown would take it.
    EXPECT_EQ(ShowMessage({.text = "one\ntwo", .icon = kMsgIconWarning}), 0);
    EXPECT_EQ(GetCursor(), wait);
}

}  // namespace
}  // namespace kes::test
