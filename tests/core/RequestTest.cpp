// Requests from the host and what they show: the names both sides use, the stored request
// values, the token request and its reply, the message box's layout and where the tool
// windows are placed.
#include "core/HostContract.h"
#include "core/MessageLayout.h"
#include "core/Placement.h"
#include "core/Request.h"
#include "core/TokenRequest.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace kes {

// Spelled out once more here, so that a typo in the contract header cannot go unnoticed by a
// utility, host and tests that all take their names from it.
TEST(HostContract, NamesAsTheHostSpellsThem) {
    using S = std::string_view;
    EXPECT_EQ(
        std::tuple(kDdeService, kDdeTopic, kAppName, kSectionMisc, kSectionMessages, kHostWndValue,
                   kScrollbarValue, kListMessageValue, kNoRegistryData, S(kConverterCaption),
                   S(kParserFunctionListCaption), S(kSpectralPowerCaption), kFieldSeparator,
                   kTokenSeparator, kSettingsRoot),
        std::tuple("KesUtil", "KesUtil_MSG", "Kestrelsim", "Misc", "Messages", "Kestrelsim hWnd",
                   "Scrollbar", "kesUtilListMessage", "NO_REGISTRY_DATA", "Units Converter",
                   "Kestrelsim Parser Function List", "Spectral Power in Selected Range", '@', '~',
                   L"Software\\VB and VBA Program Settings"));
}

TEST(ApplyCommand, StoresFieldsAndNamesTheAction) {
    using A = CommandAction;
    // Values of an earlier request, so that "left unchanged" is visible. A close without a
    // usable window number stores the rest and opens nothing; a window number of letters keeps
    // the code as the window number; a field without its closing "@" is not read.
    const RequestValues earlier{77, "earlier", 11, 22, 33, 44, true};
    using Stored = std::tuple<int32_t, std::string, int32_t, int32_t, int32_t, int32_t, bool>;
    // clang-format off
    const std::tuple<const char*, A, Stored> cases[] = {
        {"0@5@@300@4000@1200@2400@False@", A::Open, {5, "", 300, 4000, 1125, 2325, false}},
        {"abc@5@x@1@2@3@4@0@", A::None, {-2000, "earlier", 11, 22, 33, 44, true}},
        {"-3@5@x@1@2@3@4@0@", A::None, {-3, "earlier", 11, 22, 33, 44, true}},
        {" -2 @5@x@1@2@3@4@0@", A::FastWatchdog, {-2, "earlier", 11, 22, 33, 44, true}},
        {"-1@0@x@1@2@3@4@0@", A::Close, {0, "earlier", 11, 22, 33, 44, true}},
        {"-1@6@", A::Close, {6, "earlier", 11, 22, 33, 44, true}},
        {"-1@", A::Open, {-1, "earlier", 11, 22, 33, 44, true}},
        {"-1@abc@t@1@2@100@200@0@", A::Open, {-1, "t", 1, 2, 25, 125, false}},
        {"-1@3@t@1@2@100@200@0@", A::Open, {3, "t", 1, 2, 25, 125, false}},
        {"5@abc@t@", A::Open, {5, "t", 11, 22, 33, 44, true}},
        {"6@9@list@", A::Open, {9, "list", 11, 22, 33, 44, true}},
        {"0@5@ a b @abc@x@@1.5e3@TRUE@", A::Open, {5, " a b ", 11, 22, 33, 1425, true}},
        {"0@1@t@1@2@0@0@maybe@", A::Open, {1, "t", 1, 2, -75, -75, true}},
        {"0@1@t@1@2@3@", A::Open, {1, "t", 1, 2, -72, 44, true}},
        {"0@1@t@1@2@3", A::Open, {1, "t", 1, 2, 33, 44, true}},
        {"0@1@t@@@-2147483648@2147483647@0@", A::Open, {1, "t", 11, 22, 33, 2147483572, false}}};
    // clang-format on
    for (const auto& [command, action, stored] : cases) {
        RequestValues v = earlier;
        EXPECT_EQ(ApplyCommand(command, v, 15, 15), action) << command;
        EXPECT_EQ(Stored(v.RequestCode, v.RequestText, v.RequestOffsetY, v.RequestOffsetX,
                         v.RequestTop, v.RequestLeft, v.RememberPosition),
                  stored)
            << command;
    }
    // A five-pixel margin per direction, halves rounded to even: 1000 - 5 x 2.5 -> 988,
    // 1000 - 5 x 4.5 -> 978; then 984.5 and 983.5.
    RequestValues v;
    ApplyCommand("0@5@@0@0@1000@1000@0@", v, 4.5, 2.5);
    EXPECT_EQ(std::pair(v.RequestTop, v.RequestLeft), std::pair(988, 978));
    ApplyCommand("0@5@@0@0@1000@1000@0@", v, 3.3, 3.1);
    EXPECT_EQ(std::pair(v.RequestTop, v.RequestLeft), std::pair(984, 984));
    // The anchor adds the offsets and never overflows.
    v.RequestLeft = v.RequestOffsetX = INT32_MAX;
    v.RequestTop = v.RequestOffsetY = INT32_MIN;
    EXPECT_EQ(std::pair(AnchorX(v), AnchorY(v)),
              std::pair(2 * int64_t{INT32_MAX}, 2 * int64_t{INT32_MIN}));
}

TEST(TokenRequest, SplitsCurrentTokenPrefixAndCandidates) {
    // Text after the last "~" is no candidate. Every candidate worth the current token is
    // selected and the last of them is the current index (0 without one); an empty field is
    // worth 0. Without any "~" nothing counts; a current token out of the 16-bit range or not a
    // number is 0; halves round to even; values are leading numbers or the words true/false,
    // read with the locale's decimal separator.
    // Text, current token, caption prefix, candidates ("*" marks the selected), current index.
    // clang-format off
    const std::tuple<const char*, int16_t, const char*, const char*, int16_t> cases[] = {
        {"3~Resistor~1 R1~3 R3~5 R5~", 3, "Resistor", "1 R1|*3 R3|5 R5|", 1},
        {"7~P~1 a~2 b~tail", 7, "P", "1 a|2 b|", 0}, {"x~P~5~~6~", 0, "P", "5|*|6|", 1},
        {"12~P~12 a~4~12 b~9~", 12, "P", "*12 a|4|*12 b|9|", 2}, {"5", 0, "", "", 0},
        {"4~Only prefix", 4, "", "", 0}, {" 4 ~ Pre ~", 4, " Pre ", "", 0},
        {"40000~P~0~", 0, "P", "*0|", 0}, {"-32768~P~-32768~", -32768, "P", "*-32768|", 0},
        {"2.5~P~2~3~", 2, "P", "*2|3|", 0}, {"3.5~P~2~4~", 4, "P", "2|*4|", 1},
        {"-1~P~true~12abc~FALSE~", -1, "P", "*true|12abc|FALSE|", 0}};
    // clang-format on
    for (const auto& [text, current, prefix, candidates, currentIndex] : cases) {
        const TokenRequest r = ParseTokenRequest(text, ".");
        std::string got;
        for (const auto& c : r.candidates) got += (c.selected ? "*" : "") + c.text + "|";
        EXPECT_EQ(std::tuple(r.CurrentToken, r.captionPrefix, got, r.CurrentTokenIndex),
                  std::tuple(current, std::string(prefix), std::string(candidates), currentIndex))
            << text;
    }
    // Values and the current token are read in the locale's form (U+060C reads as ","); values
    // are leading numbers, or -1 for true. "2,5" is 2 in one locale and 0 (last at 11) in others.
    const char* values =
        "2,5~P~2.5~2,5~-3 z~ 2 ~1.2.3~-.5q~1e3x~1ex~1e999~1e-999~abc~~ 1\330\2145~TRUE~";
    // clang-format off
    const std::tuple<const char*, std::vector<double>, int16_t> locales[] = {
        {".", {2.5, 2.5, -3, 2, 1.2, -0.5, 1000, 1, 0, 0, 0, 0, 1, -1}, 11},
        {",", {2.5, 2.5, -3, 2, 1, 0, 1000, 1, 0, 0, 0, 0, 1, -1}, 3},
        {"\xD8\x8C", {2.5, 2.5, -3, 2, 1, 0, 1000, 1, 0, 0, 0, 0, 1.5, -1}, 11}};
    // clang-format on
    for (const auto& [separator, expected, index] : locales) {
        const TokenRequest r = ParseTokenRequest(values, separator);
        std::vector<double> got;
        for (const auto& candidate : r.candidates) got.push_back(candidate.value);
        EXPECT_EQ(std::pair(got, r.CurrentTokenIndex), std::pair(expected, index)) << separator;
    }
}

TEST(TokenRequest, ReplyListsTheSelectedValuesInListOrder) {
    const std::vector<double> values{3, 5, 9, 2.5, -1, 1e20};
    // clang-format off
    using Row = std::tuple<int16_t, std::vector<bool>, int16_t, const char*, std::string, bool>;
    const Row cases[] = {
        {3, {1, 1, 1, 0, 0, 0}, 0, ".", "3~3~5~9~", true}, {-32768, {}, 0, ".", "-32768~", false},
        {3, {0, 1, 0, 0, 0, 0}, 1, ".", "3~5~", false},
        {3, {0, 0, 0, 1, 1, 1}, 0, ".", "3~2.5~-1~1E+20~", true},
        {3, {0, 0, 0, 1, 0, 0}, 3, "\xD8\x8C", "3~2\330\2145~", false}};
    // clang-format on
    for (const auto& [current, selected, index, separator, text, other] : cases) {
        const TokenReply reply = BuildTokenReply(current, index, values, selected, separator);
        EXPECT_EQ(std::tuple(reply.text, reply.otherTokenSelected), std::tuple(text, other));
    }
}

using Rect = std::array<double, 4>;  // left, top, width, height
static Rect R(const LayoutRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// A font where every character is 100 twips wide and every line 195 high; a frame 120 wide
// and 480 high. The widths the text was wrapped at go to wraps.
static MessageLayout Lay(const MessageRequest& r, std::vector<double>* wraps = nullptr) {
    const TextMeasure m{[](std::string_view t) { return t.size() * 100.0; },
                        [](std::string_view) { return 195.0; },
                        [wraps](std::string_view t, double width) {
                            if (wraps) wraps->push_back(width);
                            return std::ceil(t.size() * 100 / width) * 195;
                        }};
    return LayOutMessage(r, m, FrameSize{120, 480});
}

static MessageRequest Request(std::string text, int32_t buttons, int32_t defaultCode,
                              const std::vector<std::string>& captions = {}) {
    MessageRequest r;
    r.MsgText = std::move(text);
    r.MsgButtons = buttons;
    r.MsgDefault = defaultCode;
    std::copy(captions.begin(), captions.end(), r.MsgCaptions.begin());
    r.MsgCaptionCount = static_cast<int16_t>(captions.size());
    return r;
}

TEST(MessageLayout, TextButtonsWindowSizeAndDefaultButton) {
    // Text width is the text's plus "WW", at least enough for the check box; wrapping starts
    // beyond 4500 twips (43 + "WW" characters) and a wrapped text gets one more line. Buttons
    // sit 125 below the text. Custom captions get a minimum width or widen the window evenly;
    // a wider window re-wraps the text, which keeps the height of the first wrap. The default
    // code chooses the first tab stop and the order wraps.
    const auto x = [](size_t n) { return std::string(n, 'x'); };
    const std::vector<std::string> six{"Caption one",  "Caption two",  "The widest caption of all",
                                       "Caption four", "Caption five", "Caption six"};
    // Text, button set, default code, captions, text width and height, window width and height,
    // button lefts and width, wrap widths, default button, tab order.
    using V = std::vector<double>;
    using Row = std::tuple<std::string, int32_t, int32_t, std::vector<std::string>, double, double,
                           double, double, V, double, V, int, std::vector<int>>;
    // clang-format off
    const Row rows[] = {
        {"Hi", 0, 768, {"OK"}, 400, 390, 3090, 1820, {1023}, 924, {}, 3, {0}},
        {x(43), 0, 0, {"OK"}, 4500, 390, 5780, 1820, {2368}, 924, {}, 0, {0}},
        {x(44), 0, 0, {"OK"}, 4500, 390, 5780, 1820, {2368}, 924, {4500}, 0, {0}},
        {x(60), 1, 1, {"OK", "Cancel"}, 4500, 585, 5780, 2015, {1813.6, 2922.4}, 924, {4500}, 0,
         {0, 1}},
        {x(60), 3, 512, {"&Yes", "&No", "Cancel"}, 4500, 585, 5780, 2015, {1259.2, 2368, 3476.8},
         924, {4500}, 2, {2, 0, 1}},
        {x(60), 4, 256, {"&Yes", "&No"}, 4500, 585, 5780, 2015, {1813.6, 2922.4}, 924, {4500}, 1,
         {1, 0}},
        {x(60), 2, 0, {}, 4500, 585, 5780, 2015, {}, 0, {4500}, 0, {}},
        {x(100), 5000, 0, {"Go"}, 5190, 585, 6590, 2210, {2773}, 924, {4500, 5190}, 0, {0}},
        {"Hi", 5000, 5, six, 17484, 390, 18884, 1820,
         {820, 3704.8, 6589.6, 9474.4, 12359.2, 15244}, 2700, {17484}, 4, {4, 5, 0, 1, 2, 3}}};
    // clang-format on
    for (const auto& [text, buttons, code, captions, textWidth, textHeight, width, height, lefts,
                      buttonWidth, wraps, defaultIndex, tabOrder] : rows) {
        SCOPED_TRACE(text.substr(0, 10) + "/" + std::to_string(buttons));
        V wrapped;
        const bool custom = buttons == kMsgCustomButtons;
        const MessageLayout l = Lay(
            Request(text, buttons, code, custom ? captions : std::vector<std::string>{}), &wrapped);
        EXPECT_EQ(std::tuple(l.windowHeight, l.captions, wrapped, l.defaultIndex, l.tabOrder,
                             l.showCheck || l.showInput),
                  std::tuple(height, captions, wraps, defaultIndex, tabOrder, false));
        EXPECT_EQ(std::pair(R(l.icon), R(l.text)),
                  std::pair(Rect{200, 200, 480, 480}, Rect{880, 310, textWidth, textHeight}));
        EXPECT_NEAR(l.windowWidth, width, 1e-9);
        ASSERT_EQ(l.buttons.size(), lefts.size());
        for (size_t i = 0; i < lefts.size(); ++i) {
            EXPECT_NEAR(l.buttons[i].left, lefts[i], 1e-9) << i;
            EXPECT_EQ(R(l.buttons[i]),
                      (Rect{l.buttons[i].left, 435 + textHeight, buttonWidth, 375}));
        }
    }
}

TEST(MessageLayout, CheckBoxAndInputBoxMakeRoom) {
    MessageRequest check = Request("Hi", 0, 0), input = check;
    check.MsgShowCheck = input.MsgInputBox = true;
    input.MsgInputPrompt = "Name:";
    input.MsgInputDefault = "abc";
    // Twice the check box height is added; it sits centred below the buttons.
    MessageLayout l = Lay(check);
    EXPECT_EQ(std::tuple(l.showCheck, l.windowHeight, R(l.check)),
              std::tuple(true, 1820.0 + 504, Rect{200, 1396, 3090, 252}));
    l = Lay(input);
    EXPECT_EQ(std::tuple(l.showInput, R(l.prompt), R(l.input), l.windowHeight, l.buttons[0].top),
              std::tuple(true, Rect{880, 700, 500, 195}, Rect{880, 915, 400, 600}, 2815.0, 1820.0));
}

// What each button, Escape and the close box give in every set shows through the real box in
// the Wine test of every way out; here the sets it does not show, which ignore Escape and
// refuse the close box.
TEST(MessageResults, UnknownSetsGiveNothing) {
    for (const int32_t buttons : {2, -1})
        EXPECT_TRUE(!ButtonResult(buttons, 0) && !CloseResult(buttons) &&
                    EscapeKey(buttons).kind == EscapeAction::kIgnore)
            << buttons;
}

TEST(Placement, BottomRightCornerOnTheAnchorOrBesideANeighbourExactlyThere) {
    constexpr Anchor anchor{6325, 1425};
    const WindowBox exact = PlaceAtAnchor(anchor, 4995, 2940);
    // Exactness is judged in single precision: 1e-6 at this magnitude still counts. The help
    // window goes 50 twips left of an exact neighbour.
    const std::tuple<double, double, bool> cases[] = {
        {0, 0, true}, {1e-6, 0, true}, {1, 0, false}, {0, -1, false}, {15, 15, false}};
    for (const auto& [dx, dy, beside] : cases) {
        const WindowBox neighbour{exact.left + dx, exact.top + dy, exact.width, exact.height};
        const WindowBox box = PlaceAtAnchor(anchor, 4200, 3105, neighbour);
        EXPECT_EQ(std::tuple(StandsAtAnchor(neighbour, anchor), box.top, std::lround(box.left)),
                  std::tuple(beside, -1680.0, beside ? -2920L : 2125L))
            << dx << "," << dy;
    }
}

}  // namespace kes
