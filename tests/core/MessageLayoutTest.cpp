#include "core/MessageLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace kes {
namespace {

// A font where every character is 100 twips wide and every line 195 high; a
// frame 120 wide and 480 high. The wrap measure records what it was asked.
constexpr double kChar = 100, kLine = 195;
constexpr FrameSize kFrame{120, 480};

struct FakeFont {
    std::vector<std::pair<std::string, double>> wraps;

    static std::vector<std::string> Lines(std::string_view t) {
        std::vector<std::string> lines;
        size_t start = 0, end;
        while ((end = t.find("\r\n", start)) != std::string_view::npos) {
            lines.emplace_back(t.substr(start, end - start));
            start = end + 2;
        }
        lines.emplace_back(t.substr(start));
        return lines;
    }

    TextMeasure Measure() {
        return {[](std::string_view t) {
                    double widest = 0;
                    for (const auto& line : Lines(t))
                        widest = std::max(widest, line.size() * kChar);
                    return widest;
                },
                [](std::string_view t) { return Lines(t).size() * kLine; },
                [this](std::string_view t, double width) {
                    wraps.emplace_back(std::string(t), width);
                    return std::ceil(t.size() * kChar / width) * kLine;
                }};
    }
};

MessageRequest Request(std::string text, int32_t buttons = 0) {
    MessageRequest r;
    r.MsgText = std::move(text);
    r.MsgButtons = buttons;
    return r;
}

void ExpectRect(const LayoutRect& r, double left, double top, double width, double height) {
    EXPECT_DOUBLE_EQ(r.left, left);
    EXPECT_DOUBLE_EQ(r.top, top);
    EXPECT_DOUBLE_EQ(r.width, width);
    EXPECT_DOUBLE_EQ(r.height, height);
}

TEST(MessageLayout, ShortTextKeepsTheCheckBoxMinimumWidthAndCentresOk) {
    FakeFont font;
    const MessageLayout l = LayOutMessage(Request("Hi"), font.Measure(), kFrame);
    // Icon middle 440, less two thirds of a line.
    ExpectRect(l.text, 880, 310, 400, 390);
    EXPECT_DOUBLE_EQ(l.windowWidth, 3090);  // 400 + 880 + 400 would be 1680
    EXPECT_DOUBLE_EQ(l.windowHeight, 480 + 200 + 390 + 750);
    ASSERT_EQ(l.buttons.size(), 1u);
    EXPECT_EQ(l.captions, std::vector<std::string>{"OK"});
    ExpectRect(l.buttons[0], (2970 - 924) / 2.0, 310 + 390 + 125, 924, 375);
    ExpectRect(l.icon, 200, 200, 480, 480);
    EXPECT_FALSE(l.showCheck);
    EXPECT_FALSE(l.showInput);
    EXPECT_TRUE(font.wraps.empty());
}

TEST(MessageLayout, WrapsOnlyBeyondFourThousandFiveHundredTwips) {
    const struct {
        size_t chars;
        bool wrapped;
        double textHeight;
    } cases[] = {
        {43, false, 390},  // 43 + "WW" is exactly 4500
        {44, true, 195 + 195},
        {100, true, 3 * 195 + 195},
    };
    for (const auto& c : cases) {
        FakeFont font;
        const MessageLayout l =
            LayOutMessage(Request(std::string(c.chars, 'x')), font.Measure(), kFrame);
        SCOPED_TRACE(c.chars);
        EXPECT_DOUBLE_EQ(l.text.width, 4500);
        EXPECT_DOUBLE_EQ(l.text.height, c.textHeight);
        EXPECT_DOUBLE_EQ(l.windowWidth, 400 + 880 + 4500);
        EXPECT_DOUBLE_EQ(l.windowHeight, 480 + 200 + c.textHeight + 750);
        ASSERT_EQ(font.wraps.size(), c.wrapped ? 1u : 0u);
        if (c.wrapped) {
            EXPECT_DOUBLE_EQ(font.wraps[0].second, 4500);
        }
    }
}

TEST(MessageLayout, SeveralLinesTakeTheLongestLineAndEveryLine) {
    FakeFont font;
    const MessageLayout l =
        LayOutMessage(Request("first\r\nsecond\r\nthe longest one here"), font.Measure(), kFrame);
    ExpectRect(l.text, 880, 310, 2200, 3 * 195 + 195);
    EXPECT_DOUBLE_EQ(l.windowWidth, 400 + 880 + 2200);
    EXPECT_DOUBLE_EQ(l.windowHeight, 480 + 200 + 780 + 750);
    EXPECT_DOUBLE_EQ(l.buttons[0].top, 310 + 780 + 125);
}

TEST(MessageLayout, CheckBoxAddsTwiceItsHeightAndSitsCentredBelowTheButtons) {
    FakeFont font;
    MessageRequest r = Request("Hi");
    r.MsgShowCheck = true;
    const MessageLayout l = LayOutMessage(r, font.Measure(), kFrame);
    EXPECT_DOUBLE_EQ(l.windowHeight, 1820 + 2 * 252);
    ASSERT_TRUE(l.showCheck);
    // Inner height 1844, buttons end at 825 + 375.
    ExpectRect(l.check, 200, (1844 + 825 + 375 - 252) / 2.0, 3090, 252);
}

TEST(MessageLayout, IconCodesPickAPictureButNeverMoveTheText) {
    const struct {
        int32_t code;
        int picture;
    } cases[] = {{16, 1}, {32, 2}, {48, 3}, {64, 4}, {0, 0}, {17, 0}, {-1, 0}, {128, 0}};
    for (const auto& c : cases) {
        FakeFont font;
        MessageRequest r = Request("Hi");
        r.MsgIcon = c.code;
        const MessageLayout l = LayOutMessage(r, font.Measure(), kFrame);
        EXPECT_EQ(l.iconPicture, c.picture) << c.code;
        EXPECT_DOUBLE_EQ(l.text.left, 880) << c.code;
    }
}

TEST(MessageLayout, DefaultCodeChoosesTheFirstTabStopAndTheOrderWraps) {
    const struct {
        int32_t buttons, defaultCode;
        int defaultIndex;
        std::vector<int> tabOrder;
    } cases[] = {
        {3, 256, 1, {1, 2, 0}}, {3, 0, 0, {0, 1, 2}}, {3, 512, 2, {2, 0, 1}},
        {4, 256, 1, {1, 0}},    {1, 1, 0, {0, 1}},    {0, 768, 3, {0}},
    };
    for (const auto& c : cases) {
        FakeFont font;
        MessageRequest r = Request("Hi", c.buttons);
        r.MsgDefault = c.defaultCode;
        const MessageLayout l = LayOutMessage(r, font.Measure(), kFrame);
        EXPECT_EQ(l.defaultIndex, c.defaultIndex) << c.buttons << "/" << c.defaultCode;
        EXPECT_EQ(l.tabOrder, c.tabOrder) << c.buttons << "/" << c.defaultCode;
    }
    EXPECT_EQ(DefaultButtonIndex(5), 4);
    EXPECT_EQ(DefaultButtonIndex(257), 0);
}

TEST(MessageLayout, StandardSetsCentreTheirRow) {
    // A wrapped text makes the window 5780 wide, inner 5660.
    const std::string text(60, 'x');
    const struct {
        int32_t buttons;
        std::vector<std::string> captions;
        std::vector<double> lefts;
    } cases[] = {
        {0, {"OK"}, {2368}},
        {1, {"OK", "Cancel"}, {1813.6, 2922.4}},
        {3, {"&Yes", "&No", "Cancel"}, {1259.2, 2368, 3476.8}},
        {4, {"&Yes", "&No"}, {1813.6, 2922.4}},
        {2, {}, {}},
    };
    for (const auto& c : cases) {
        FakeFont font;
        const MessageLayout l = LayOutMessage(Request(text, c.buttons), font.Measure(), kFrame);
        SCOPED_TRACE(c.buttons);
        EXPECT_EQ(l.captions, c.captions);
        ASSERT_EQ(l.buttons.size(), c.lefts.size());
        for (size_t i = 0; i < c.lefts.size(); ++i) {
            EXPECT_NEAR(l.buttons[i].left, c.lefts[i], 1e-9);
            EXPECT_DOUBLE_EQ(l.buttons[i].width, 924);
            EXPECT_DOUBLE_EQ(l.buttons[i].top, l.buttons[0].top);
        }
    }
}

TEST(MessageLayout, CustomSetWithOneShortCaptionGetsMinimumSizes) {
    FakeFont font;
    MessageRequest r = Request(std::string(100, 'x'), kMsgCustomButtons);
    r.MsgCaptions[0] = "Go";
    r.MsgCaptionCount = 1;
    const MessageLayout l = LayOutMessage(r, font.Measure(), kFrame);
    EXPECT_DOUBLE_EQ(l.windowWidth, 6590);
    // Re-wrapped at the wider text: two lines instead of three...
    EXPECT_DOUBLE_EQ(l.text.width, 6590 - 120 - 880 - 400);
    EXPECT_DOUBLE_EQ(l.text.height, 2 * 195 + 195);
    ASSERT_EQ(font.wraps.size(), 2u);
    EXPECT_DOUBLE_EQ(font.wraps[1].second, 5190);
    // ...but the window keeps the height of the first wrap.
    EXPECT_DOUBLE_EQ(l.windowHeight, 480 + 200 + 780 + 750);
    ASSERT_EQ(l.buttons.size(), 1u);
    EXPECT_EQ(l.captions, std::vector<std::string>{"Go"});
    ExpectRect(l.buttons[0], (6470 - 924) / 2.0, 310 + 585 + 125, 924, 375);
}

TEST(MessageLayout, CustomSetWithSixLongCaptionsWidensTheWindowEvenly) {
    FakeFont font;
    MessageRequest r = Request("Hi", kMsgCustomButtons);
    r.MsgCaptions = {"Caption one",  "Caption two",  "The widest caption of all",
                     "Caption four", "Caption five", "Caption six"};
    r.MsgCaptionCount = 6;
    const MessageLayout l = LayOutMessage(r, font.Measure(), kFrame);
    const double width = 2500 + 200, gap = 184.8;
    EXPECT_DOUBLE_EQ(l.windowWidth, 2 * 880 + 6 * width + 5 * gap);
    ASSERT_EQ(l.buttons.size(), 6u);
    EXPECT_EQ(l.captions[2], "The widest caption of all");
    const double inner = l.windowWidth - kFrame.width;
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(l.buttons[i].left, 820 + i * (width + gap), 1e-9) << i;
        EXPECT_DOUBLE_EQ(l.buttons[i].width, width) << i;
    }
    // Equal margins on both sides of the row.
    EXPECT_NEAR(inner - (l.buttons[5].left + width), l.buttons[0].left, 1e-9);
    EXPECT_DOUBLE_EQ(l.text.width, inner - 880 - 400);
}

TEST(MessageLayout, CustomCaptionWidthsAreRoundedBeforeTheMargin) {
    MessageRequest r = Request("Hi", kMsgCustomButtons);
    r.MsgCaptions[0] = "a";
    r.MsgCaptions[1] = "b";
    r.MsgCaptionCount = 2;
    TextMeasure m{[](std::string_view t) { return t == "a"   ? 1000.4
                                                  : t == "b" ? 1000.6
                                                             : 300.0; },
                  [](std::string_view) { return 195.0; },
                  [](std::string_view, double) { return 195.0; }};
    const MessageLayout l = LayOutMessage(r, m, kFrame);
    EXPECT_DOUBLE_EQ(l.buttons[0].width, 1001 + 200);
    EXPECT_DOUBLE_EQ(l.buttons[1].width, 1001 + 200);
}

TEST(MessageLayout, InputBoxGoesUnderTheTextAndPushesTheButtonsDown) {
    FakeFont font;
    MessageRequest r = Request("Hi");
    r.MsgInputBox = true;
    r.MsgInputPrompt = "Name:";
    r.MsgInputDefault = "abc";
    const MessageLayout l = LayOutMessage(r, font.Measure(), kFrame);
    ASSERT_TRUE(l.showInput);
    ExpectRect(l.prompt, 880, 310 + 390, 500, 195);
    ExpectRect(l.input, 880, 700 + 195 + 20, 400, 600);
    EXPECT_DOUBLE_EQ(l.windowHeight, 1820 + 995);
    EXPECT_DOUBLE_EQ(l.buttons[0].top, 825 + 995);
}

TEST(MessageResults, ButtonsEscapeAndCloseBoxPerSet) {
    constexpr int32_t kCustom = kMsgCustomButtons;
    const struct {
        int32_t buttons;
        std::vector<std::optional<int32_t>> byIndex;  // indices 0..6
        EscapeAction::Kind escape;
        int escapeButton;
        std::optional<int32_t> close;
    } cases[] = {
        {0, {1, {}, {}, {}, {}, {}, {}}, EscapeAction::kPressButton, 0, 1},
        {1, {1, 2, {}, {}, {}, {}, {}}, EscapeAction::kPressButton, 1, 2},
        {3, {6, 7, 2, {}, {}, {}, {}}, EscapeAction::kPressButton, 2, 2},
        {4, {6, 7, {}, {}, {}, {}, {}}, EscapeAction::kPressButton, 1, 7},
        {kCustom, {0, 1, 2, 3, 4, 5, {}}, EscapeAction::kCustomCancel, 0, -1},
        {2, {{}, {}, {}, {}, {}, {}, {}}, EscapeAction::kIgnore, 0, {}},
        {-1, {{}, {}, {}, {}, {}, {}, {}}, EscapeAction::kIgnore, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buttons);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(ButtonResult(c.buttons, i), c.byIndex[i]) << i;
        EXPECT_EQ(ButtonResult(c.buttons, -1), std::nullopt);
        const EscapeAction escape = EscapeKey(c.buttons);
        EXPECT_EQ(escape.kind, c.escape);
        if (escape.kind == EscapeAction::kPressButton) {
            EXPECT_EQ(escape.button, c.escapeButton);
        }
        EXPECT_EQ(CloseResult(c.buttons), c.close);
    }
}

}  // namespace
}  // namespace kes
