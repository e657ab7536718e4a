#include "core/CommandString.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kes {
namespace {

TEST(ParseRequestCode, ReadsCodeInFrontOfFirstSeparator) {
    const std::string longest = "6@" + std::string(kMaxCommandLength - 2, 'x');
    // clang-format off
    const std::tuple<std::string, int32_t, int16_t> cases[] = {
        {"", -2000, 0}, {"5", -2000, 0}, {"no separator here", -2000, 0}, {"@5@", -2000, 1},
        {"abc@5@", -2000, 4}, {" -2 @", -2, 5}, {"7.5@", 8, 4}, {"6.5@", 6, 4},
        {"0@5@@300@4000@1200@2400@False@", 0, 2}, {"-3@", -3, 3}, {"12@34", 12, 3},
        {"2147483647@", 2147483647, 11}, {"2147483648@", -2000, 11},
        {"-2147483648@", INT32_MIN, 12}, {longest, 6, 2}, {longest + 'x', -2000, 0}};
    // clang-format on
    for (const auto& [text, code, separator] : cases) {
        int16_t firstSeparator = -99;
        EXPECT_EQ(ParseRequestCode(text, firstSeparator), code) << text.substr(0, 40);
        EXPECT_EQ(firstSeparator, separator) << text.substr(0, 40);
    }
}

TEST(ParseIntegerField, ReadsSignedDecimalsRoundingHalvesToEven) {
    const auto none = std::nullopt;
    // "0.50000000000000000001" is above a half, though a double would see exactly 0.5.
    // clang-format off
    const std::pair<const char*, std::optional<int32_t>> cases[] = {
        {"300", 300}, {" -2 ", -2}, {"+5", 5}, {"0", 0}, {"-0", 0}, {"007", 7}, {"7.5", 8},
        {"6.5", 6}, {"-6.5", -6}, {"-7.5", -8}, {"2.5000001", 3}, {"0.50000000000000000001", 1},
        {"0.4999", 0}, {".5", 0}, {"1.", 1}, {"1e3", 1000}, {"1.5E+1", 15}, {"25e-1", 2},
        {"35e-1", 4}, {"1e-99999999999999999999", 0}, {"2147483647.4", 2147483647},
        {"2147483647.5", none}, {"-2147483648.5", INT32_MIN}, {"-2147483649", none},
        {"99999999999", none}, {"1e99999999999999999999", none}, {"0e99999999999999999999", 0},
        {"", none}, {"   ", none}, {"abc", none}, {"12abc", none}, {"1 2", none}, {"--1", none},
        {".", none}, {"1e", none}, {"1e+", none}, {"1,5", none}, {"&H10", none}, {"\t5", none}};
    // clang-format on
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseIntegerField(text), value) << text;
}

TEST(ParseBooleanField, ReadsWordsInAnyCaseOrNumbers) {
    const auto none = std::nullopt;
    // clang-format off
    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"True", true}, {"FALSE", false}, {"tRuE", true}, {" false ", false}, {"0", false},
        {"0.0", false}, {"-1", true}, {"0.001", true}, {"1e-500", true}, {"1e500", true},
        {"", none}, {"yes", none}, {"Truex", none}};
    // clang-format on
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseBooleanField(text), value) << text;
}

}  // namespace
}  // namespace kes
