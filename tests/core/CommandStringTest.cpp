#include "core/CommandString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kes {
namespace {

TEST(ParseRequestCode, ReadsCodeInFrontOfFirstSeparator) {
    const struct {
        std::string text;
        int32_t code;
        int16_t firstSeparator;
    } cases[] = {
        {"", -2000, 0},
        {"5", -2000, 0},
        {"no separator here", -2000, 0},
        {"@5@", -2000, 1},
        {"abc@5@", -2000, 4},
        {" -2 @", -2, 5},
        {"7.5@", 8, 4},
        {"6.5@", 6, 4},
        {"0@5@@300@4000@1200@2400@False@", 0, 2},
        {"-3@", -3, 3},
        {"12@34", 12, 3},
        {"2147483647@", 2147483647, 11},
        {"2147483648@", -2000, 11},
        {"-2147483648@", INT32_MIN, 12},
    };
    for (const auto& c : cases) {
        int16_t firstSeparator = -99;
        EXPECT_EQ(ParseRequestCode(c.text, firstSeparator), c.code) << c.text;
        EXPECT_EQ(firstSeparator, c.firstSeparator) << c.text;
    }
}

TEST(ParseRequestCode, LongestStringStillHasCodeButLongerHasNone) {
    std::string text = "6@" + std::string(kMaxCommandLength - 2, 'x');
    int16_t firstSeparator = -1;
    EXPECT_EQ(ParseRequestCode(text, firstSeparator), 6);
    EXPECT_EQ(firstSeparator, 2);
    text += 'x';
    EXPECT_EQ(ParseRequestCode(text, firstSeparator), -2000);
    EXPECT_EQ(firstSeparator, 0);
}

std::vector<std::optional<std::string>> ReadFields(std::string_view text, int count) {
    int16_t firstSeparator = 0;
    ParseRequestCode(text, firstSeparator);
    FieldCursor cursor(text, firstSeparator);
    std::vector<std::optional<std::string>> fields;
    for (int i = 0; i < count; ++i) {
        const auto field = cursor.Next();
        fields.push_back(field ? std::optional<std::string>(*field) : std::nullopt);
    }
    return fields;
}

TEST(FieldCursor, YieldsFieldsInOrderAndNeverTextBehindLastSeparator) {
    using F = std::vector<std::optional<std::string>>;
    EXPECT_EQ(ReadFields("0@5@@300@4000@1200@2400@False@", 8),
              (F{"5", "", "300", "4000", "1200", "2400", "False", std::nullopt}));
    EXPECT_EQ(ReadFields("0@5@ a b @tail", 3), (F{"5", " a b ", std::nullopt}));
    EXPECT_EQ(ReadFields("0@@@", 3), (F{"", "", std::nullopt}));
}

TEST(FieldCursor, MissingSeparatorMakesEveryLaterFieldAbsent) {
    // "1@" would be found again if the walk restarted at the beginning.
    using F = std::vector<std::optional<std::string>>;
    EXPECT_EQ(ReadFields("1@2", 4), (F{std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(ReadFields("x", 2), (F{std::nullopt, std::nullopt}));
    FieldCursor fromStart("a@b@", 0);
    EXPECT_EQ(fromStart.Next(), "a");
    FieldCursor pastEnd("a@", 9);
    EXPECT_EQ(pastEnd.Next(), std::nullopt);
}

TEST(ParseIntegerField, ReadsSignedDecimalsRoundingHalvesToEven) {
    const struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        {"300", 300},
        {" -2 ", -2},
        {"+5", 5},
        {"0", 0},
        {"-0", 0},
        {"007", 7},
        {"7.5", 8},
        {"6.5", 6},
        {"-6.5", -6},
        {"-7.5", -8},
        {"2.5000001", 3},
        {"0.50000000000000000001", 1},  // a double would see exactly 0.5
        {"0.4999", 0},
        {".5", 0},
        {"1.", 1},
        {"1e3", 1000},
        {"1.5E+1", 15},
        {"25e-1", 2},
        {"35e-1", 4},
        {"1e-99999999999999999999", 0},
        {"2147483647.4", 2147483647},
        {"2147483647.5", std::nullopt},
        {"-2147483648.5", INT32_MIN},
        {"-2147483649", std::nullopt},
        {"99999999999", std::nullopt},
        {"1e99999999999999999999", std::nullopt},
        {"0e99999999999999999999", 0},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"--1", std::nullopt},
        {".", std::nullopt},
        {"1e", std::nullopt},
        {"1e+", std::nullopt},
        {"1,5", std::nullopt},
        {"&H10", std::nullopt},
        {"\t5", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseIntegerField(c.text), c.value) << c.text;
}

TEST(ParseBooleanField, ReadsWordsInAnyCaseOrNumbers) {
    const struct {
        const char* text;
        std::optional<bool> value;
    } cases[] = {
        {"True", true},
        {"FALSE", false},
        {"tRuE", true},
        {" false ", false},
        {"0", false},
        {"0.0", false},
        {"-1", true},
        {"0.001", true},
        {"1e-500", true},
        {"1e500", true},
        {"", std::nullopt},
        {"yes", std::nullopt},
        {"Truex", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseBooleanField(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace kes
