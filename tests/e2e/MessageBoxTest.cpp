#include <gtest/gtest.h>

#include <map>
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

// A probe's box, once laid out (the check box is made last) and focused (at activation).
struct OpenBox {
    std::unique_ptr<ProbeProcess> probe;
    HWND box = nullptr;
};

OpenBox Open(std::vector<std::string> args) {
    static int count = 0;
    const std::string title = "Message box test " + std::to_string(++count);
    args.push_back("title=" + title);
    OpenBox open{std::make_unique<ProbeProcess>(args)};
    HWND box = WaitForWindow(title);
    if (box && WaitForControl(box, kMsgCheckId) &&
        WaitUntil([&] { return FocusOf(box) && IsChild(box, FocusOf(box)); }))
        open.box = box;
    return open;
}

// Ways out besides the virtual keys and the access-key letters posted as they stand.
constexpr UINT kClick = 0, kCloseBox = 1;

// Takes one way out of the box and returns what the probe reported once it ended.
std::map<std::string, std::string> TakeWayOut(const OpenBox& open, UINT way, int index = 0) {
    if (way == kClick)
        PostClick(Button(open.box, index));
    else if (way == kCloseBox)
        PostMessageW(open.box, WM_SYSCOMMAND, SC_CLOSE, 0);
    else if (way >= 'a' && way <= 'z')
        PostChar(FocusOf(open.box), static_cast<wchar_t>(way));
    else
        PostKey(FocusOf(open.box), way);
    EXPECT_TRUE(open.probe->WaitForExit());
    return open.probe->Outcome();
}

struct ButtonSet {
    int32_t buttons;
    std::vector<int32_t> clicks;  // the result of each button, left to right
    int32_t enter, escape, closeBox;
    UINT accessKey = 0;
    int32_t accessResult = 0;
};

// Keeps the test names free of the vectors' addresses.
void PrintTo(const ButtonSet& set, std::ostream* os) {
    *os << "buttons " << set.buttons;
}

class UtilMessageBoxWaysOut : public testing::TestWithParam<ButtonSet> {};

TEST_P(UtilMessageBoxWaysOut, EveryWayOutGivesTheResultOfItsButtonSet) {
    const ButtonSet& set = GetParam();
    struct Way {
        UINT way;
        int index;
        int32_t result;
    };
    std::vector<Way> ways = {
        {VK_RETURN, 0, set.enter}, {VK_ESCAPE, 0, set.escape}, {kCloseBox, 0, set.closeBox}};
    if (set.accessKey) ways.push_back({set.accessKey, 0, set.accessResult});
    for (size_t i = 0; i < set.clicks.size(); ++i)
        ways.push_back({kClick, static_cast<int>(i), set.clicks[i]});
    for (const Way& w : ways) {
        SCOPED_TRACE(testing::Message()
                     << "buttons " << set.buttons << " way " << w.way << " index " << w.index);
        // An earlier request's result that every way out must replace.
        OpenBox open =
            Open({"text=Proceed?", "icon=32", "priorresult=99",
                  "buttons=" + std::to_string(set.buttons), "captions=First|Second|Third"});
        ASSERT_NE(open.box, nullptr);
        EXPECT_EQ(TakeWayOut(open, w.way, w.index)["result"], std::to_string(w.result));
    }
}

INSTANTIATE_TEST_SUITE_P(ButtonSets, UtilMessageBoxWaysOut,
                         testing::Values(ButtonSet{0, {1}, 1, 1, 1}, ButtonSet{1, {1, 2}, 1, 2, 2},
                                         ButtonSet{3, {6, 7, 2}, 6, 2, 2, 'n', 7},
                                         ButtonSet{4, {6, 7}, 6, 7, 7, 'y', 6},
                                         ButtonSet{5000, {0, 1, 2}, 0, -1, -1}),
                         [](const auto& info) {
                             return "Buttons" + std::to_string(info.param.buttons);
                         });

TEST(UtilMessageBox, CheckBoxReachesTheCallerOnlyWhenAButtonCloses) {
    const struct {
        const char* buttons;
        bool shown, tick;
        const char *priorCheck, *result, *check;
        UINT way;
        int index = 0;
    } cases[] = {
        {"4", true, true, "0", "6", "1", kClick, 0},
        {"4", true, false, "1", "7", "0", kClick, 1},
        {"4", true, true, "0", "7", "0", kCloseBox},
        {"0", false, false, "1", "1", "0", VK_RETURN},
        {"5000", true, false, "1", "-1", "1", VK_ESCAPE},
        {"5000", true, true, "0", "1", "1", kClick, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.buttons << " tick " << c.tick << " way " << c.way);
        OpenBox open = Open({"text=Noted.", std::string("buttons=") + c.buttons,
                             c.shown ? "check=1" : "check=0", "captions=A|B",
                             std::string("priorcheck=") + c.priorCheck});
        ASSERT_NE(open.box, nullptr);
        HWND check = GetDlgItem(open.box, kMsgCheckId);
        EXPECT_EQ(IsWindowVisible(check) != FALSE, c.shown);
        EXPECT_EQ(SendMessageW(GetDlgItem(open.box, kMsgIconId), STM_GETICON, 0, 0), 0);
        if (c.tick) {
            PostClick(check);
            ASSERT_TRUE(
                WaitUntil([&] { return SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
        }
        auto outcome = TakeWayOut(open, c.way, c.index);
        EXPECT_EQ(outcome["result"], c.result);
        EXPECT_EQ(outcome["check"], c.check);
    }
}

TEST(UtilMessageBox, InputBoxStartsSelectedAndHandsBackWhatWasTyped) {
    // Enter in the input box presses the default; the close box leaves the earlier text.
    const struct {
        UINT way;
        int index;
        const char *result, *input;
    } cases[] = {{kClick, 1, "2", "typed text"},
                 {VK_RETURN, 0, "1", "typed text"},
                 {kCloseBox, 0, "2", "earlier"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.way);
        OpenBox open = Open({"text=Enter a name.", "buttons=1", "prompt=Name:", "input=Token 1",
                             "priorinput=earlier"});
        ASSERT_NE(open.box, nullptr);
        HWND input = GetDlgItem(open.box, kMsgInputId), prompt = GetDlgItem(open.box, kMsgPromptId);
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
        auto outcome = TakeWayOut(open, c.way, c.index);
        EXPECT_EQ(outcome["result"], c.result);
        EXPECT_EQ(outcome["input"], c.input);
    }
}

TEST(UtilMessageBox, LongTextWrapsAndABackgroundClickDropsItsSelectionForTheDefault) {
    OpenBox open =
        Open({"text=A rather long message text that has to be wrapped at the width of the "
              "box, with several words on each line, so that it takes four or five lines.",
              "buttons=4", "default=256"});
    ASSERT_NE(open.box, nullptr);
    HWND text = GetDlgItem(open.box, kMsgTextId);
    // Long text wraps at the widest text and every line fits: nothing is scrolled away.
    EXPECT_NEAR(TwipBoxOf(text).width, 4500, 15);
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
    // Nothing else changed: Enter still presses "&No".
    EXPECT_EQ(TakeWayOut(open, VK_RETURN)["result"], "7");
}

TEST(UtilMessageBox, TopmostDialogLaidOutForItsTextAndClosedWithoutAResultAtShutdown) {
    OpenBox open =
        Open({"text=one\\ntwo", "icon=48", "hourglass=1", "priorresult=42", "shutdown=3000"});
    ASSERT_NE(open.box, nullptr);
    EXPECT_TRUE(IsTopmost(open.box));
    EXPECT_EQ(GetWindow(open.box, GW_OWNER), nullptr);
    EXPECT_FALSE(GetWindowLongW(open.box, GWL_STYLE) &
                 (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    // A bare line feed is shown as a line break; the text is read-only.
    HWND text = GetDlgItem(open.box, kMsgTextId);
    EXPECT_EQ(WindowText(text), "one\r\ntwo");
    EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
    EXPECT_NE(SendMessageW(GetDlgItem(open.box, kMsgIconId), STM_GETICON, 0, 0), 0);
    // Short text: the box keeps the 3090 minimum and centres its OK button.
    EXPECT_NEAR(TwipBoxOf(open.box).width, 3090, 15);
    RECT client{}, ok{};
    GetClientRect(open.box, &client);
    GetWindowRect(Button(open.box, 0), &ok);
    MapWindowPoints(nullptr, open.box, reinterpret_cast<POINT*>(&ok), 2);
    EXPECT_NEAR(ok.left, client.right - ok.right, 1);
    ASSERT_TRUE(open.probe->WaitForExit());
    auto outcome = open.probe->Outcome();
    EXPECT_EQ(outcome["result"], "42");
    // The caller's hourglass is back once the box has gone.
    EXPECT_EQ(outcome["pointer"], "wait");
}

}  // namespace
}  // namespace kes::test
