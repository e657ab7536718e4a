// Requests from the host: the names both sides use, the stored request values, the token
// request and its reply.
#include "core/HostContract.h"
#include "core/Request.h"
#include "core/TokenRequest.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace kes {
namespace {

// Spelled out once more here, so that a typo in the contract header cannot go unnoticed by a
// utility, host and tests that all take their names from it.
TEST(HostContract, NamesAsTheHostSpellsThem) {
    EXPECT_EQ(std::tuple(kDdeService, kDdeTopic, kAppName, kSectionMisc, kSectionMessages),
              std::tuple("KesUtil", "KesUtil_MSG", "Kestrelsim", "Misc", "Messages"));
    EXPECT_EQ(std::tuple(kHostWndValue, kScrollbarValue, kListMessageValue, kNoRegistryData),
              std::tuple("Kestrelsim hWnd", "Scrollbar", "kesUtilListMessage", "NO_REGISTRY_DATA"));
    EXPECT_EQ(kSettingsRoot, L"Software\\VB and VBA Program Settings");
    EXPECT_EQ(std::tuple(std::string_view(kConverterCaption), kParserFunctionListCaption,
                         kSpectralPowerCaption, kFieldSeparator, kTokenSeparator),
              std::tuple("Units Converter", std::string_view("Kestrelsim Parser Function List"),
                         std::string_view("Spectral Power in Selected Range"), '@', '~'));
}

auto Stored(const RequestValues& v) {
    return std::tuple(v.RequestCode, v.RequestText, v.RequestOffsetY, v.RequestOffsetX,
                      v.RequestTop, v.RequestLeft, v.RememberPosition);
}

TEST(ApplyCommand, StoresFieldsAndNamesTheAction) {
    using A = CommandAction;
    // Values of an earlier request, so that "left unchanged" is visible. A close without a
    // usable window number stores the rest and opens nothing; a window number of letters keeps
    // the code as the window number; a field without its closing "@" is not read.
    const RequestValues earlier{77, "earlier", 11, 22, 33, 44, true};
    // clang-format off
    const std::tuple<const char*, A, decltype(Stored(earlier))> cases[] = {
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
        EXPECT_EQ(Stored(v), stored) << command;
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
    using Items = std::vector<std::string>;
    using Marks = std::vector<bool>;
    const std::tuple<const char*, const char*, int16_t, const char*, Items, Marks, int16_t>
        cases[] = {
            // clang-format off
        {"3~Resistor~1 R1~3 R3~5 R5~", ".", 3, "Resistor", {"1 R1", "3 R3", "5 R5"}, {0, 1, 0}, 1},
        {"7~P~1 a~2 b~tail", ".", 7, "P", {"1 a", "2 b"}, {0, 0}, 0},
        {"12~P~12 a~4~12 b~9~", ".", 12, "P", {"12 a", "4", "12 b", "9"}, {1, 0, 1, 0}, 2},
        {"x~P~5~~6~", ".", 0, "P", {"5", "", "6"}, {0, 1, 0}, 1},
        {"5", ".", 0, "", {}, {}, 0}, {"4~Only prefix", ".", 4, "", {}, {}, 0},
        {" 4 ~ Pre ~", ".", 4, " Pre ", {}, {}, 0}, {"40000~P~0~", ".", 0, "P", {"0"}, {1}, 0},
        {"-32768~P~-32768~", ".", -32768, "P", {"-32768"}, {1}, 0},
        {"2.5~P~2~3~", ".", 2, "P", {"2", "3"}, {1, 0}, 0},
        {"3.5~P~2~4~", ".", 4, "P", {"2", "4"}, {0, 1}, 1},
        {"-1~P~true~12abc~FALSE~", ".", -1, "P", {"true", "12abc", "FALSE"}, {1, 0, 0}, 0},
        {"6,4~P~6~", ".", 0, "P", {"6"}, {0}, 0}, {"6,4~P~6~", ",", 6, "P", {"6"}, {1}, 0},
            // clang-format on
        };
    for (const auto& [text, separator, current, prefix, items, selected, currentIndex] : cases) {
        const TokenRequest r = ParseTokenRequest(text, separator);
        Items gotItems;
        Marks gotSelected;
        for (const auto& candidate : r.candidates) {
            gotItems.push_back(candidate.text);
            gotSelected.push_back(candidate.selected);
        }
        EXPECT_EQ(
            std::tuple(r.CurrentToken, r.captionPrefix, gotItems, gotSelected, r.CurrentTokenIndex),
            std::tuple(current, std::string(prefix), items, selected, currentIndex))
            << text;
    }
    for (const char* separator : {".", ",", "\xD8\x8C"}) {
        const TokenRequest r = ParseTokenRequest("2~P~2.5~2,5~-3 z~ 2 ~", separator);
        std::vector<double> values;
        for (const auto& candidate : r.candidates) values.push_back(candidate.value);
        EXPECT_EQ(std::pair(values, r.CurrentTokenIndex),
                  std::pair(std::vector<double>{2.5, 2.5, -3, 2}, int16_t{3}))
            << separator;
    }
}

TEST(TokenRequest, ReplyListsTheSelectedValuesInListOrder) {
    const std::vector<double> values{3, 5, 9, 2.5, -1, 1e20};
    // clang-format off
    const std::tuple<std::vector<bool>, int16_t, const char*, std::string, bool> cases[] = {
        {{1, 1, 1, 0, 0, 0}, 0, ".", "3~3~5~9~", true}, {{0, 0, 0, 0, 0, 0}, 0, ".", "3~", false},
        {{0, 1, 0, 0, 0, 0}, 1, ".", "3~5~", false},
        {{0, 0, 0, 1, 1, 1}, 0, ".", "3~2.5~-1~1E+20~", true},
        {{0, 0, 0, 1, 0, 0}, 3, "\xD8\x8C", "3~2\330\2145~", false}};
    // clang-format on
    for (const auto& [selected, currentIndex, separator, text, other] : cases) {
        const TokenReply reply = BuildTokenReply(3, currentIndex, values, selected, separator);
        EXPECT_EQ(std::tuple(reply.text, reply.otherTokenSelected), std::tuple(text, other));
    }
    EXPECT_EQ(BuildTokenReply(-32768, 0, {}, {}, ".").text, "-32768~");
    // Closed by code the user is never asked; Cancel keeps the window, No closes it unsaved.
    EXPECT_FALSE(AsksBeforeSaving(1, true) || AsksBeforeSaving(0, false));
    EXPECT_TRUE(AsksBeforeSaving(0, true) && AsksBeforeSaving(2, true));
    using T = TokenCloseAction;
    EXPECT_EQ(std::vector(
                  {ActionForAnswer(2), ActionForAnswer(7), ActionForAnswer(6), ActionForAnswer(1)}),
              std::vector({T::KeepOpen, T::CloseWithoutReply, T::Save, T::Save}));
}

}  // namespace
}  // namespace kes
