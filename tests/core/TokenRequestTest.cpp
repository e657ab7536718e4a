#include "core/TokenRequest.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kes {
namespace {

TEST(TokenRequest, SplitsCurrentTokenPrefixAndCandidates) {
    // Text after the last "~" is no candidate. Every candidate worth the current token is
    // selected and the last of them is the current index (0 without one); an empty field is
    // worth 0. Without any "~" nothing counts; a current token out of the 16-bit range or not a
    // number is 0; halves round to even; values are leading numbers or the words true/false.
    using Items = std::vector<std::string>;
    using Marks = std::vector<bool>;
    const std::tuple<const char*, int16_t, const char*, Items, Marks, int16_t> cases[] = {
        // clang-format off
        {"3~Resistor~1 R1~3 R3~5 R5~", 3, "Resistor", {"1 R1", "3 R3", "5 R5"}, {0, 1, 0}, 1},
        {"3~P~1~3~tail", 3, "P", {"1", "3"}, {0, 1}, 1},
        {"7~P~1 a~2 b~", 7, "P", {"1 a", "2 b"}, {0, 0}, 0},
        {"12~P~12 a~4~12 b~9~", 12, "P", {"12 a", "4", "12 b", "9"}, {1, 0, 1, 0}, 2},
        {"x~P~5~~6~", 0, "P", {"5", "", "6"}, {0, 1, 0}, 1},
        {"5", 0, "", {}, {}, 0}, {"", 0, "", {}, {}, 0}, {"4~", 4, "", {}, {}, 0},
        {"4~Only prefix", 4, "", {}, {}, 0}, {" 4 ~ Pre ~", 4, " Pre ", {}, {}, 0},
        {"40000~P~0~", 0, "P", {"0"}, {1}, 0},
        {"-32768~P~-32768~", -32768, "P", {"-32768"}, {1}, 0},
        {"2.5~P~2~3~", 2, "P", {"2", "3"}, {1, 0}, 0},
        {"3.5~P~2~4~", 4, "P", {"2", "4"}, {0, 1}, 1},
        {"-1~P~true~12abc~FALSE~", -1, "P", {"true", "12abc", "FALSE"}, {1, 0, 0}, 0},
        // clang-format on
    };
    for (const auto& [text, current, prefix, items, selected, currentIndex] : cases) {
        const TokenRequest r = ParseTokenRequest(text, ".");
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
}

TEST(TokenRequest, ValuesFollowTheDecimalSeparator) {
    for (const char* separator : {".", ",", "\xD8\x8C"}) {
        const TokenRequest r = ParseTokenRequest("2~P~2.5~2,5~-3 z~ 2 ~", separator);
        std::vector<double> values;
        for (const auto& candidate : r.candidates) values.push_back(candidate.value);
        EXPECT_EQ(values, (std::vector<double>{2.5, 2.5, -3, 2})) << separator;
        EXPECT_EQ(r.CurrentTokenIndex, 3) << separator;
    }
    EXPECT_EQ(ParseTokenRequest("6,4~P~", ",").CurrentToken, 6);
    EXPECT_EQ(ParseTokenRequest("6,4~P~", ".").CurrentToken, 0);
}

TEST(TokenRequest, ReplyListsTheSelectedValuesInListOrder) {
    const std::vector<double> values{3, 5, 9, 2.5, -1, 1e20};
    // clang-format off
    const std::tuple<std::vector<bool>, int16_t, const char*, std::string, bool> cases[] = {
        {{1, 1, 1, 0, 0, 0}, 0, ".", "3~3~5~9~", true}, {{0, 0, 0, 0, 0, 0}, 0, ".", "3~", false},
        {{1, 0, 0, 0, 0, 0}, 0, ".", "3~3~", false}, {{0, 1, 0, 0, 0, 0}, 1, ".", "3~5~", false},
        {{0, 0, 0, 1, 1, 1}, 0, ".", "3~2.5~-1~1E+20~", true},
        {{0, 0, 0, 1, 0, 0}, 3, ",", "3~2,5~", false},
        {{0, 0, 0, 1, 0, 0}, 3, "\xD8\x8C", "3~2\330\2145~", false}};
    // clang-format on
    for (const auto& [selected, currentIndex, separator, text, other] : cases) {
        const TokenReply reply = BuildTokenReply(3, currentIndex, values, selected, separator);
        EXPECT_EQ(std::tuple(reply.text, reply.otherTokenSelected), std::tuple(text, other));
    }
    EXPECT_EQ(BuildTokenReply(-32768, 0, {}, {}, ".").text, "-32768~");
}

TEST(TokenRequest, QuestionAndAnswers) {
    // Closed by code the user is never asked.
    EXPECT_FALSE(AsksBeforeSaving(1, true) || AsksBeforeSaving(0, false));
    EXPECT_TRUE(AsksBeforeSaving(0, true) && AsksBeforeSaving(2, true));
    using T = TokenCloseAction;
    EXPECT_EQ(std::vector(
                  {ActionForAnswer(2), ActionForAnswer(7), ActionForAnswer(6), ActionForAnswer(1)}),
              std::vector({T::KeepOpen, T::CloseWithoutReply, T::Save, T::Save}));
}

}  // namespace
}  // namespace kes
