// The message box's layout and where the tool windows are placed.
#include "core/MessageLayout.h"
#include "core/Placement.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kes {
namespace {

using Rect = std::array<double, 4>;  // left, top, width, height
Rect R(const LayoutRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// A font where every character is 100 twips wide and every line 195 high; a frame 120 wide
// and 480 high. The widths the text was wrapped at go to wraps.
MessageLayout Lay(const MessageRequest& r, std::vector<double>* wraps = nullptr) {
    const auto extent = [](std::string_view t) {  // longest line in characters, lines
        size_t widest = 0, lines = 1;
        for (size_t end; (end = t.find("\r\n")) != t.npos; t.remove_prefix(end + 2), ++lines)
            widest = std::max(widest, end);
        return std::pair(std::max(widest, t.size()), lines);
    };
    const TextMeasure m{[&](std::string_view t) { return extent(t).first * 100.0; },
                        [&](std::string_view t) { return extent(t).second * 195.0; },
                        [wraps](std::string_view t, double width) {
                            if (wraps) wraps->push_back(width);
                            return std::ceil(t.size() * 100 / width) * 195;
                        }};
    return LayOutMessage(r, m, FrameSize{120, 480});
}

MessageRequest Request(std::string text, int32_t buttons = 0,
                       const std::vector<std::string>& captions = {}) {
    MessageRequest r;
    r.MsgText = std::move(text);
    r.MsgButtons = buttons;
    std::copy(captions.begin(), captions.end(), r.MsgCaptions.begin());
    r.MsgCaptionCount = static_cast<int16_t>(captions.size());
    return r;
}

TEST(MessageLayout, TextButtonsAndWindowSize) {
    // Text width is the longest line plus "WW", at least enough for the check box; wrapping
    // starts beyond 4500 twips (43 + "WW" characters) and a wrapped text gets one more line.
    // Custom captions get a minimum width or widen the window evenly; a wider window re-wraps
    // the text, which keeps the height of the first wrap.
    const auto x = [](size_t n) { return std::string(n, 'x'); };
    const std::vector<std::string> six{"Caption one",  "Caption two",  "The widest caption of all",
                                       "Caption four", "Caption five", "Caption six"};
    struct Row {
        std::string text;
        int32_t buttons;
        std::vector<std::string> captions;
        Rect text_;
        double width, height;
        std::vector<double> lefts;
        double top, buttonWidth;
        std::vector<double> wraps;
    };
    // clang-format off
    const Row rows[] = {
        {"Hi", 0, {"OK"}, {880, 310, 400, 390}, 3090, 1820, {1023}, 825, 924, {}},
        {x(43), 0, {"OK"}, {880, 310, 4500, 390}, 5780, 1820, {2368}, 825, 924, {}},
        {x(44), 0, {"OK"}, {880, 310, 4500, 390}, 5780, 1820, {2368}, 825, 924, {4500}},
        {"first\r\nsecond\r\nthe longest one here", 0, {"OK"}, {880, 310, 2200, 780}, 3480, 2210,
         {1218}, 1215, 924, {}},
        {x(100), 0, {"OK"}, {880, 310, 4500, 780}, 5780, 2210, {2368}, 1215, 924, {4500}},
        {x(60), 1, {"OK", "Cancel"}, {880, 310, 4500, 585}, 5780, 2015, {1813.6, 2922.4}, 1020,
         924, {4500}},
        {x(60), 3, {"&Yes", "&No", "Cancel"}, {880, 310, 4500, 585}, 5780, 2015,
         {1259.2, 2368, 3476.8}, 1020, 924, {4500}},
        {x(60), 4, {"&Yes", "&No"}, {880, 310, 4500, 585}, 5780, 2015, {1813.6, 2922.4}, 1020,
         924, {4500}},
        {x(60), 2, {}, {880, 310, 4500, 585}, 5780, 2015, {}, 0, 0, {4500}},
        {x(100), kMsgCustomButtons, {"Go"}, {880, 310, 5190, 585}, 6590, 2210, {2773}, 1020, 924,
         {4500, 5190}},
        {"Hi", kMsgCustomButtons, six, {880, 310, 17484, 390}, 18884, 1820,
         {820, 3704.8, 6589.6, 9474.4, 12359.2, 15244}, 825, 2700, {17484}}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 10) + "/" + std::to_string(row.buttons));
        std::vector<double> wraps;
        const bool custom = row.buttons == kMsgCustomButtons;
        const MessageLayout l =
            Lay(Request(row.text, row.buttons, custom ? row.captions : std::vector<std::string>{}),
                &wraps);
        EXPECT_EQ(std::tuple(l.windowHeight, l.captions, wraps, l.showCheck || l.showInput),
                  std::tuple(row.height, row.captions, row.wraps, false));
        EXPECT_EQ(std::pair(R(l.icon), R(l.text)), std::pair(Rect{200, 200, 480, 480}, row.text_));
        EXPECT_NEAR(l.windowWidth, row.width, 1e-9);
        ASSERT_EQ(l.buttons.size(), row.lefts.size());
        for (size_t i = 0; i < row.lefts.size(); ++i) {
            EXPECT_NEAR(l.buttons[i].left, row.lefts[i], 1e-9) << i;
            EXPECT_EQ(std::tuple(l.buttons[i].top, l.buttons[i].width, l.buttons[i].height),
                      std::tuple(row.top, row.buttonWidth, 375.0));
        }
    }
    // Caption widths are rounded before the margin is added.
    const TextMeasure m{[](std::string_view t) { return t == "a" ? 1000.4 : 1000.6; },
                        [](std::string_view) { return 195.0; },
                        [](std::string_view, double) { return 195.0; }};
    const auto l = LayOutMessage(Request("Hi", kMsgCustomButtons, {"a", "b"}), m, {120, 480});
    EXPECT_EQ(std::pair(l.buttons[0].width, l.buttons[1].width), std::pair(1201.0, 1201.0));
}

TEST(MessageLayout, CheckBoxAndInputBoxMakeRoom) {
    MessageRequest r = Request("Hi");
    r.MsgShowCheck = true;
    // Twice the check box height is added; it sits centred below the buttons.
    MessageLayout l = Lay(r);
    EXPECT_EQ(std::tuple(l.showCheck, l.windowHeight, R(l.check)),
              std::tuple(true, 1820.0 + 504, Rect{200, 1396, 3090, 252}));
    r = Request("Hi");
    r.MsgInputBox = true;
    r.MsgInputPrompt = "Name:";
    r.MsgInputDefault = "abc";
    l = Lay(r);
    EXPECT_EQ(std::tuple(l.showInput, R(l.prompt), R(l.input), l.windowHeight, l.buttons[0].top),
              std::tuple(true, Rect{880, 700, 500, 195}, Rect{880, 915, 400, 600}, 2815.0, 1820.0));
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
        const MessageLayout l = Lay(r);
        EXPECT_EQ(std::tuple(l.defaultIndex, l.tabOrder), std::tuple(defaultIndex, tabOrder))
            << buttons << "/" << defaultCode;
    }
    EXPECT_EQ(std::pair(DefaultButtonIndex(5), DefaultButtonIndex(257)), std::pair(4, 0));
}

// What each button, Escape and the close box give in every set shows through the real box in
// the Wine test of every way out; here what no set has. An unknown set (no buttons) ignores
// Escape and refuses the close box.
TEST(MessageResults, ButtonsBeyondTheSetAndUnknownSetsGiveNothing) {
    const std::pair<int32_t, int> sets[] = {{0, 1},    {1, 2}, {3, 3}, {4, 2},
                                            {5000, 6}, {2, 0}, {-1, 0}};
    for (const auto& [buttons, count] : sets) {
        EXPECT_EQ(ButtonResult(buttons, count - 1).has_value(), count > 0) << buttons;
        EXPECT_EQ(ButtonResult(buttons, -1), std::nullopt) << buttons;
        EXPECT_EQ(ButtonResult(buttons, count), std::nullopt) << buttons;
        if (count > 0) continue;
        EXPECT_EQ(EscapeKey(buttons).kind, EscapeAction::kIgnore) << buttons;
        EXPECT_EQ(CloseResult(buttons), std::nullopt) << buttons;
    }
}

TEST(Placement, BottomRightCornerOnTheAnchorOrBesideANeighbourExactlyThere) {
    constexpr Anchor anchor{6325, 1425};
    const WindowBox exact = PlaceAtAnchor(anchor, 4995, 2940);
    EXPECT_EQ(std::pair(exact.left, exact.top), std::pair(1330.0, -1515.0));
    // Exactness is judged in single precision: 1e-6 at this magnitude still counts. The help
    // window goes 50 twips left of an exact neighbour.
    const std::tuple<double, double, bool> cases[] = {
        {0, 0, true}, {1e-6, 0, true}, {1, 0, false}, {0, -1, false}, {15, 15, false}};
    for (const auto& [dx, dy, beside] : cases) {
        const WindowBox neighbour{exact.left + dx, exact.top + dy, exact.width, exact.height};
        EXPECT_EQ(StandsAtAnchor(neighbour, anchor), beside) << dx << "," << dy;
        const WindowBox box = PlaceAtAnchor(anchor, 4200, 3105, neighbour);
        EXPECT_EQ(box.top, -1680) << dx << "," << dy;
        EXPECT_NEAR(box.left, beside ? -2920 : 2125, 1e-3) << dx << "," << dy;
    }
    // The help window's saved place counts only when remembered and on screen.
    // clang-format off
    const std::tuple<bool, int32_t, bool> saved[] = {
        {true, 1, true}, {true, 900, true}, {true, 0, false}, {true, -300, false}, {false, 900, false}};
    // clang-format on
    for (const auto& [remember, savedTop, useSaved] : saved) {
        const WindowBox box = PlaceHelpWindow(anchor, 4200, 3105, remember, savedTop, 777, {});
        EXPECT_EQ(std::pair(box.top, box.left),
                  useSaved ? std::pair(savedTop + 0.0, 777.0) : std::pair(-1680.0, 2125.0))
            << savedTop;
    }
}

}  // namespace
}  // namespace kes
