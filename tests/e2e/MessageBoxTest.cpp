#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/MessageForm.h"
#include "probe/ProbeProcess.h"
#include "support/Harness.h"

namespace kes::test {
namespace {

HWND Button(HWND box, int index) {
    return GetDlgItem(box, kMsgFirstButtonId + index);
}

// A box of the probe's that is up, laid out and has handed out the focus.
struct OpenBox {
    std::unique_ptr<ProbeProcess> probe;
    HWND box = nullptr;
};

OpenBox Open(const std::string& title, std::vector<std::string> args) {
    OpenBox open;
    args.push_back("title=" + title);
    open.probe = std::make_unique<ProbeProcess>(args);
    if (!open.probe->Started()) return open;
    HWND box = WaitForWindow(title);
    // The check box is the last control made; the focus comes at activation.
    if (box && WaitForControl(box, kMsgCheckId) &&
        WaitUntil([&] { return FocusOf(box) != nullptr && IsChild(box, FocusOf(box)); }))
        open.box = box;
    return open;
}

std::string NextTitle() {
    static int n = 0;
    return "Message box test " + std::to_string(++n);
}

enum class Way { kClick, kEnter, kEscape, kCloseBox, kSpace, kAccessKey };

void TakeWayOut(HWND box, Way way, int index, wchar_t key) {
    switch (way) {
        case Way::kClick:
            PostClick(Button(box, index));
            break;
        case Way::kEnter:
            PostKey(FocusOf(box), VK_RETURN);
            break;
        case Way::kEscape:
            PostKey(FocusOf(box), VK_ESCAPE);
            break;
        case Way::kCloseBox:
            PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case Way::kSpace:
            PostKey(FocusOf(box), VK_SPACE);
            break;
        case Way::kAccessKey:
            PostChar(FocusOf(box), key);
            break;
    }
}

class UtilMessageBoxWaysOut : public testing::TestWithParam<int32_t> {};

TEST_P(UtilMessageBoxWaysOut, EveryWayOutGivesTheResultOfItsButtonSet) {
    const std::string custom = "captions=First|Second|Third";
    const struct {
        int32_t buttons;
        Way way;
        int index;
        int32_t result;
        wchar_t key = 0;
    } cases[] = {
        {0, Way::kClick, 0, 1},           {0, Way::kEnter, 0, 1},
        {0, Way::kEscape, 0, 1},          {0, Way::kCloseBox, 0, 1},
        {1, Way::kClick, 0, 1},           {1, Way::kClick, 1, 2},
        {1, Way::kEnter, 0, 1},           {1, Way::kEscape, 0, 2},
        {1, Way::kCloseBox, 0, 2},        {3, Way::kClick, 0, 6},
        {3, Way::kClick, 1, 7},           {3, Way::kClick, 2, 2},
        {3, Way::kEnter, 0, 6},           {3, Way::kEscape, 0, 2},
        {3, Way::kCloseBox, 0, 2},        {3, Way::kSpace, 0, 6},
        {3, Way::kAccessKey, 0, 7, L'n'}, {4, Way::kClick, 0, 6},
        {4, Way::kClick, 1, 7},           {4, Way::kEnter, 0, 6},
        {4, Way::kEscape, 0, 7},          {4, Way::kCloseBox, 0, 7},
        {4, Way::kAccessKey, 0, 6, L'y'}, {5000, Way::kClick, 0, 0},
        {5000, Way::kClick, 2, 2},        {5000, Way::kEnter, 0, 0},
        {5000, Way::kEscape, 0, -1},      {5000, Way::kCloseBox, 0, -1},
    };
    for (const auto& c : cases) {
        if (c.buttons != GetParam()) continue;
        SCOPED_TRACE(testing::Message() << "buttons " << c.buttons << " way "
                                        << static_cast<int>(c.way) << " index " << c.index);
        const std::string title = NextTitle();
        // An earlier request's result that every way out must replace.
        OpenBox open = Open(title, {"text=Proceed?", "icon=32", "priorresult=99",
                                    "buttons=" + std::to_string(c.buttons), custom});
        ASSERT_NE(open.box, nullptr);
        TakeWayOut(open.box, c.way, c.index, c.key);
        ASSERT_TRUE(open.probe->WaitForExit());
        EXPECT_EQ(open.probe->Outcome()["result"], std::to_string(c.result));
        EXPECT_TRUE(WaitForNoWindow(title, 1000));
    }
}

INSTANTIATE_TEST_SUITE_P(ButtonSets, UtilMessageBoxWaysOut, testing::Values(0, 1, 3, 4, 5000));

TEST(UtilMessageBox, CheckBoxReachesTheCallerOnlyWhenAButtonCloses) {
    const struct {
        const char* buttons;
        bool shown, tick;
        const char* priorCheck;
        Way way;
        int index;
        const char* result;
        const char* check;
    } cases[] = {
        {"4", true, true, "0", Way::kClick, 0, "6", "1"},
        {"4", true, false, "1", Way::kClick, 1, "7", "0"},
        {"4", true, true, "0", Way::kCloseBox, 0, "7", "0"},
        {"0", false, false, "1", Way::kEnter, 0, "1", "0"},
        {"5000", true, false, "1", Way::kEscape, 0, "-1", "1"},
        {"5000", true, true, "0", Way::kClick, 1, "1", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.buttons << " tick " << c.tick << " way " << static_cast<int>(c.way));
        const std::string title = NextTitle();
        OpenBox open = Open(title, {"text=Noted.", std::string("buttons=") + c.buttons,
                                    c.shown ? "check=1" : "check=0", "captions=A|B",
                                    std::string("priorcheck=") + c.priorCheck});
        ASSERT_NE(open.box, nullptr);
        HWND check = GetDlgItem(open.box, kMsgCheckId);
        EXPECT_EQ(IsWindowVisible(check) != FALSE, c.shown);
        if (c.tick) {
            PostClick(check);
            ASSERT_TRUE(
                WaitUntil([&] { return SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
        }
        TakeWayOut(open.box, c.way, c.index, 0);
        ASSERT_TRUE(open.probe->WaitForExit());
        auto outcome = open.probe->Outcome();
        EXPECT_EQ(outcome["result"], c.result);
        EXPECT_EQ(outcome["check"], c.check);
    }
}

TEST(UtilMessageBox, InputBoxStartsSelectedAndHandsBackWhatWasTyped) {
    const struct {
        Way way;
        int index;
        const char* result;
        const char* input;
    } cases[] = {
        {Way::kClick, 1, "2", "typed text"},
        {Way::kEnter, 0, "1", "typed text"},  // Enter in the input box presses the default
        {Way::kCloseBox, 0, "2", "earlier"},  // not read on this path
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.way));
        const std::string title = NextTitle();
        OpenBox open = Open(title, {"text=Enter a name.", "buttons=1",
                                    "prompt=Name:", "input=Token 1", "priorinput=earlier"});
        ASSERT_NE(open.box, nullptr);
        HWND input = GetDlgItem(open.box, kMsgInputId);
        HWND prompt = GetDlgItem(open.box, kMsgPromptId);
        EXPECT_EQ(FocusOf(open.box), input);
        EXPECT_EQ(SendMessageW(input, EM_GETSEL, 0, 0), MAKELRESULT(0, 7));
        EXPECT_EQ(WindowText(prompt), "Name:");
        EXPECT_TRUE(IsWindowVisible(prompt) && IsWindowVisible(input));
        // The prompt sits under the text, the input box under the prompt.
        const TwipBox text = TwipBoxOf(GetDlgItem(open.box, kMsgTextId));
        const TwipBox p = TwipBoxOf(prompt), in = TwipBoxOf(input);
        EXPECT_NEAR(p.top, text.top + text.height, 15);
        EXPECT_NEAR(in.top, p.top + p.height + 20, 15);
        EXPECT_NEAR(in.width, text.width, 15);
        SetWindowTextUtf8(input, "typed text");
        TakeWayOut(open.box, c.way, c.index, 0);
        ASSERT_TRUE(open.probe->WaitForExit());
        auto outcome = open.probe->Outcome();
        EXPECT_EQ(outcome["result"], c.result);
        EXPECT_EQ(outcome["input"], c.input);
    }
}

TEST(UtilMessageBox, BackgroundClickDropsTheTextSelectionForTheDefaultButton) {
    const std::string title = NextTitle();
    OpenBox open = Open(title, {"text=Select some of this text.", "buttons=4", "default=256"});
    ASSERT_NE(open.box, nullptr);
    HWND text = GetDlgItem(open.box, kMsgTextId);
    EXPECT_EQ(FocusOf(open.box), Button(open.box, 1));
    // The user drags over the text, which takes the focus and a selection.
    PostMouseClick(text);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(open.box) == text; }));
    SendMessageW(text, EM_SETSEL, 0, 6);
    // A click on the bare window, left of the icon.
    PostMessageW(open.box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(open.box, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(open.box) == Button(open.box, 1); }));
    const LRESULT sel = SendMessageW(text, EM_GETSEL, 0, 0);
    EXPECT_EQ(LOWORD(sel), HIWORD(sel));
    // The click changed nothing else: Enter still presses "&No".
    PostKey(FocusOf(open.box), VK_RETURN);
    ASSERT_TRUE(open.probe->WaitForExit());
    EXPECT_EQ(open.probe->Outcome()["result"], "7");
}

TEST(UtilMessageBox, DefaultButtonLeadsTheTabOrder) {
    const std::string title = NextTitle();
    OpenBox open = Open(title, {"text=Apply?", "buttons=3", "default=256"});
    ASSERT_NE(open.box, nullptr);
    const HWND expected[] = {Button(open.box, 1), Button(open.box, 2), Button(open.box, 0)};
    EXPECT_EQ(WindowText(expected[0]), "&No");
    for (HWND button : expected) {
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(open.box) == button; }, 2000))
            << WindowText(button);
        PostKey(FocusOf(open.box), VK_TAB);
    }
    PostMessageW(open.box, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(open.probe->WaitForExit());
}

TEST(UtilMessageBox, WindowIsATopmostDialogLaidOutForItsText) {
    const std::string title = NextTitle();
    OpenBox open = Open(title, {"text=one\\ntwo", "icon=48", "hourglass=1"});
    ASSERT_NE(open.box, nullptr);
    EXPECT_TRUE(IsTopmost(open.box));
    EXPECT_EQ(GetWindow(open.box, GW_OWNER), nullptr);
    const LONG style = GetWindowLongW(open.box, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    HWND text = GetDlgItem(open.box, kMsgTextId);
    // A bare line feed is shown as a line break; the text is read-only.
    EXPECT_EQ(WindowText(text), "one\r\ntwo");
    EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
    EXPECT_NE(SendMessageW(GetDlgItem(open.box, kMsgIconId), STM_GETICON, 0, 0), 0);
    // Short text: the box keeps the 3090 minimum and centres its OK button.
    const TwipBox box = TwipBoxOf(open.box);
    EXPECT_NEAR(box.width, 3090, 15);
    RECT client{}, ok{};
    GetClientRect(open.box, &client);
    GetWindowRect(Button(open.box, 0), &ok);
    MapWindowPoints(nullptr, open.box, reinterpret_cast<POINT*>(&ok), 2);
    EXPECT_NEAR(ok.left, client.right - ok.right, 1);
    PostClick(Button(open.box, 0));
    ASSERT_TRUE(open.probe->WaitForExit());
    // The caller's hourglass is back once the box has gone.
    EXPECT_EQ(open.probe->Outcome()["pointer"], "wait");
}

TEST(UtilMessageBox, WrappedTextShowsEveryLineAndNoPictureForOtherCodes) {
    const std::string title = NextTitle();
    OpenBox open = Open(
        title, {"text=A rather long message text that has to be wrapped at the width of the box, "
                "with several words on each line, so that it takes four or five lines in all.",
                "icon=0"});
    ASSERT_NE(open.box, nullptr);
    EXPECT_EQ(SendMessageW(GetDlgItem(open.box, kMsgIconId), STM_GETICON, 0, 0), 0);
    HWND text = GetDlgItem(open.box, kMsgTextId);
    EXPECT_NEAR(TwipBoxOf(text).width, 4500, 15);
    const LRESULT lines = SendMessageW(text, EM_GETLINECOUNT, 0, 0);
    EXPECT_GE(lines, 3);
    // Every line fits in the control: nothing is scrolled away.
    const LRESULT first = SendMessageW(text, EM_POSFROMCHAR, 0, 0);
    const LRESULT second =
        SendMessageW(text, EM_POSFROMCHAR, SendMessageW(text, EM_LINEINDEX, 1, 0), 0);
    const int lineHeight = HIWORD(second) - HIWORD(first);
    EXPECT_GT(lineHeight, 0);
    RECT client{};
    GetClientRect(text, &client);
    EXPECT_LE(lines * lineHeight, client.bottom);
    EXPECT_EQ(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    PostKey(FocusOf(open.box), VK_ESCAPE);
    ASSERT_TRUE(open.probe->WaitForExit());
}

TEST(UtilMessageBox, ShutdownClosesTheBoxWithoutAResult) {
    const std::string title = NextTitle();
    OpenBox open = Open(title, {"text=Bye.", "buttons=0", "priorresult=42", "shutdown=1500"});
    ASSERT_NE(open.box, nullptr);
    EXPECT_TRUE(WaitForNoWindow(title, 5000));
    ASSERT_TRUE(open.probe->WaitForExit());
    EXPECT_EQ(open.probe->Outcome()["result"], "42");
}

}  // namespace
}  // namespace kes::test
