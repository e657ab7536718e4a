#include "core/MessageLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kes {
namespace {

// A font where every character is 100 twips wide and every line 195 high; a frame 120 wide
// and 480 high. The wrap measure records the widths it was asked to wrap at.
constexpr double kChar = 100, kLine = 195;
constexpr FrameSize kFrame{120, 480};
using Rect = std::array<double, 4>;  // left, top, width, height

Rect R(const LayoutRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// Longest line in characters and number of lines of a CR LF separated text.
std::pair<size_t, size_t> Extent(std::string_view t) {
    size_t widest = 0, lines = 1;
    for (size_t end; (end = t.find("\r\n")) != t.npos; t.remove_prefix(end + 2), ++lines)
        widest = std::max(widest, end);
    return {std::max(widest, t.size()), lines};
}

struct FakeFont {
    std::vector<double> wraps;
    MessageLayout Lay(const MessageRequest& r) {
        const TextMeasure m{[](std::string_view t) { return Extent(t).first * kChar; },
                            [](std::string_view t) { return Extent(t).second * kLine; },
                            [this](std::string_view t, double width) {
                                wraps.push_back(width);
                                return std::ceil(t.size() * kChar / width) * kLine;
                            }};
        return LayOutMessage(r, m, kFrame);
    }
};

MessageRequest Request(std::string text, int32_t buttons = 0,
                       std::vector<std::string> captions = {}) {
    MessageRequest r;
    r.MsgText = std::move(text);
    r.MsgButtons = buttons;
    for (size_t i = 0; i < captions.size(); ++i) r.MsgCaptions[i] = captions[i];
    r.MsgCaptionCount = static_cast<int32_t>(captions.size());
    return r;
}

TEST(MessageLayout, TextSizeWrapAndOkButton) {
    // Text width is the longest line plus "WW", at least enough for the check box (window
    // 3090 rather than 400 + 880 + 400); wrapping starts beyond 4500 twips, where 43 + "WW"
    // characters end, and a wrapped text gets one more line.
    // clang-format off
    const std::tuple<std::string, double, double, double, bool> cases[] = {
        {"Hi", 400, 390, 3090, false}, {std::string(43, 'x'), 4500, 390, 5780, false},
        {"first\r\nsecond\r\nthe longest one here", 2200, 780, 400 + 880 + 2200, false},
        {std::string(44, 'x'), 4500, 390, 5780, true},
        {std::string(100, 'x'), 4500, 780, 5780, true}};
    // clang-format on
    for (const auto& [text, width, height, windowWidth, wrapped] : cases) {
        SCOPED_TRACE(text);
        FakeFont font;
        const MessageLayout l = font.Lay(Request(text));
        // The text starts at the icon middle 440 less two thirds of a line.
        EXPECT_EQ(R(l.text), (Rect{880, 310, width, height}));
        EXPECT_EQ(R(l.icon), (Rect{200, 200, 480, 480}));
        EXPECT_EQ(std::pair(l.windowWidth, l.windowHeight),
                  std::pair(windowWidth, 480 + 200 + height + 750));
        EXPECT_EQ(l.captions, std::vector<std::string>{"OK"});
        ASSERT_EQ(l.buttons.size(), 1u);
        EXPECT_EQ(R(l.buttons[0]), (Rect{(windowWidth - 120 - 924) / 2, 435 + height, 924, 375}));
        EXPECT_FALSE(l.showCheck || l.showInput);
        EXPECT_EQ(font.wraps, wrapped ? std::vector<double>{4500} : std::vector<double>{});
    }
}

TEST(MessageLayout, CheckBoxAndInputBoxMakeRoom) {
    FakeFont font;
    MessageRequest r = Request("Hi");
    r.MsgShowCheck = true;
    MessageLayout l = font.Lay(r);
    // Twice the check box height is added; it sits centred below the buttons (inner height
    // 1844, buttons end at 825 + 375).
    EXPECT_DOUBLE_EQ(l.windowHeight, 1820 + 2 * 252);
    ASSERT_TRUE(l.showCheck);
    EXPECT_EQ(R(l.check), (Rect{200, (1844 + 825 + 375 - 252) / 2.0, 3090, 252}));
    r = Request("Hi");
    r.MsgInputBox = true;
    r.MsgInputPrompt = "Name:";
    r.MsgInputDefault = "abc";
    l = font.Lay(r);
    ASSERT_TRUE(l.showInput);
    EXPECT_EQ(R(l.prompt), (Rect{880, 310 + 390, 500, 195}));
    EXPECT_EQ(R(l.input), (Rect{880, 700 + 195 + 20, 400, 600}));
    EXPECT_EQ(std::pair(l.windowHeight, l.buttons[0].top), std::pair(1820.0 + 995, 825.0 + 995));
}

TEST(MessageLayout, DefaultCodeChoosesTheFirstTabStopAndTheOrderWraps) {
    // clang-format off
    const std::tuple<int32_t, int32_t, int, std::vector<int>> cases[] = {
        {3, 256, 1, {1, 2, 0}}, {3, 0, 0, {0, 1, 2}}, {3, 512, 2, {2, 0, 1}},
        {4, 256, 1, {1, 0}}, {1, 1, 0, {0, 1}}, {0, 768, 3, {0}}};
    // clang-format on
    for (const auto& [buttons, defaultCode, defaultIndex, tabOrder] : cases) {
        MessageRequest r = Request("Hi", buttons);
        r.MsgDefault = defaultCode;
        const MessageLayout l = FakeFont().Lay(r);
        EXPECT_EQ(std::tuple(l.defaultIndex, l.tabOrder), std::tuple(defaultIndex, tabOrder))
            << buttons << "/" << defaultCode;
    }
    EXPECT_EQ(std::pair(DefaultButtonIndex(5), DefaultButtonIndex(257)), std::pair(4, 0));
}

TEST(MessageLayout, StandardSetsCentreTheirRow) {
    // A wrapped text makes the window 5780 wide, inner 5660.
    // clang-format off
    const std::tuple<int32_t, std::vector<std::string>, std::vector<double>> cases[] = {
        {0, {"OK"}, {2368}}, {1, {"OK", "Cancel"}, {1813.6, 2922.4}},
        {3, {"&Yes", "&No", "Cancel"}, {1259.2, 2368, 3476.8}},
        {4, {"&Yes", "&No"}, {1813.6, 2922.4}}, {2, {}, {}}};
    // clang-format on
    for (const auto& [buttons, captions, lefts] : cases) {
        SCOPED_TRACE(buttons);
        const MessageLayout l = FakeFont().Lay(Request(std::string(60, 'x'), buttons));
        EXPECT_EQ(l.captions, captions);
        ASSERT_EQ(l.buttons.size(), lefts.size());
        for (size_t i = 0; i < lefts.size(); ++i) {
            EXPECT_NEAR(l.buttons[i].left, lefts[i], 1e-9);
            EXPECT_EQ(std::tuple(l.buttons[i].top, l.buttons[i].width, l.buttons[i].height),
                      std::tuple(l.buttons[0].top, 924.0, 375.0));
        }
    }
}

TEST(MessageLayout, CustomSetsGetMinimumSizesOrWidenTheWindowEvenly) {
    FakeFont font;
    MessageLayout l = font.Lay(Request(std::string(100, 'x'), kMsgCustomButtons, {"Go"}));
    // Re-wrapped at the wider text: two lines instead of three, but the window keeps the
    // height of the first wrap.
    EXPECT_EQ(R(l.text), (Rect{880, 310, 6590 - 120 - 880 - 400, 2 * 195 + 195}));
    EXPECT_EQ(font.wraps, (std::vector<double>{4500, 5190}));
    EXPECT_EQ(std::pair(l.windowWidth, l.windowHeight), std::pair(6590.0, 480.0 + 200 + 780 + 750));
    EXPECT_EQ(l.captions, std::vector<std::string>{"Go"});
    ASSERT_EQ(l.buttons.size(), 1u);
    EXPECT_EQ(R(l.buttons[0]), (Rect{(6470 - 924) / 2.0, 310 + 585 + 125, 924, 375}));
    l = FakeFont().Lay(Request("Hi", kMsgCustomButtons,
                               {"Caption one", "Caption two", "The widest caption of all",
                                "Caption four", "Caption five", "Caption six"}));
    const double width = 2500 + 200, gap = 184.8;
    EXPECT_DOUBLE_EQ(l.windowWidth, 2 * 880 + 6 * width + 5 * gap);
    ASSERT_EQ(l.buttons.size(), 6u);
    EXPECT_EQ(l.captions[2], "The widest caption of all");
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(l.buttons[i].left, 820 + i * (width + gap), 1e-9) << i;
        EXPECT_DOUBLE_EQ(l.buttons[i].width, width) << i;
    }
    EXPECT_DOUBLE_EQ(l.text.width, l.windowWidth - kFrame.width - 880 - 400);
}

TEST(MessageLayout, CustomCaptionWidthsAreRoundedBeforeTheMargin) {
    const TextMeasure m{[](std::string_view t) {
                            return t == "a" ? 1000.4 : t == "b" ? 1000.6 : 300.0;
                        },
                        [](std::string_view) { return 195.0; },
                        [](std::string_view, double) { return 195.0; }};
    const MessageLayout l = LayOutMessage(Request("Hi", kMsgCustomButtons, {"a", "b"}), m, kFrame);
    EXPECT_EQ(std::pair(l.buttons[0].width, l.buttons[1].width), std::pair(1201.0, 1201.0));
}

// What each button, Escape and the close box give in every set shows through the real box in
// the Wine test of every way out; here what no set has.
TEST(MessageResults, ButtonsBeyondTheSetAndUnknownSetsGiveNothing) {
    const std::pair<int32_t, int> sets[] = {{0, 1}, {1, 2}, {3, 3}, {4, 2}, {kMsgCustomButtons, 6}};
    for (const auto& [buttons, count] : sets) {
        EXPECT_TRUE(ButtonResult(buttons, count - 1).has_value()) << buttons;
        EXPECT_EQ(ButtonResult(buttons, -1), std::nullopt) << buttons;
        EXPECT_EQ(ButtonResult(buttons, count), std::nullopt) << buttons;
    }
    // An unknown set ignores Escape and refuses the close box.
    for (const int32_t buttons : {2, -1}) {
        EXPECT_EQ(ButtonResult(buttons, 0), std::nullopt) << buttons;
        EXPECT_EQ(EscapeKey(buttons).kind, EscapeAction::kIgnore) << buttons;
        EXPECT_EQ(CloseResult(buttons), std::nullopt) << buttons;
    }
}

}  // namespace
}  // namespace kes
