#include "core/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kes {
namespace {

using TextPair = std::pair<const char*, const char*>;

// U+060C, a separator of two bytes in UTF-8 (one character in the Arabic ANSI code page).
constexpr const char* kArabicComma = "\xD8\x8C";
const std::string kSeparators[] = {".", ",", kArabicComma};

// The same expectation in each locale: every "." of the texts becomes the separator.
std::string Localised(std::string text, const std::string& separator) {
    for (auto at = text.find('.'); at != std::string::npos;
         at = text.find('.', at + separator.size()))
        text.replace(at, 1, separator);
    return text;
}

TEST(FormatNumberText, PlainFromOneToThousandEngineeringElsewhere) {
    // clang-format off
    const TextPair cases[] = {
        {"0.001", "1e-3"}, {"0.01", "10e-3"}, {"0.5", "500e-3"}, {"-0.5", "-500e-3"}, {"1", "1"},
        {"12.5", "12.5"}, {"999.5", "999.5"}, {"1000", "1e+3"}, {"12345.678", "12.345678e+3"},
        {"1e-20", "10e-21"}, {"0.223606797749979", "223.606797749979e-3"}, {"0", "0"},
        {"0.0", "0"}, {"-0", "0"}, {"abc", "0"}, {"", "0"}, {"100", "100"}, {"0.1", "100e-3"},
        {"123456789", "123.456789e+6"}, {"1234567890123456789", "1.23456789012346e+18"},
        {"999.9999999999999", "1e+3"}, {"0.00012345", "123.45e-6"}, {"12.50", "12.5"},
        {" 7 ", "7"}, {"+2E2", "200"}, {"1e400", "0"}, {"1e-400", "0"},
        {"5e-324", "4.94065645841247e-324"}, {"1.5.", "0"}};
    // clang-format on
    for (const std::string& sep : kSeparators)
        for (const auto& [in, out] : cases)
            EXPECT_EQ(FormatNumberText(Localised(in, sep), sep), Localised(out, sep)) << in << sep;
}

TEST(NumberFromValue, FifteenDigitEngineeringOrGeneralText) {
    // FormatNumberValue goes through fifteen-digit text: DBL_MAX no longer reads back.
    using Fn = std::string (*)(double, std::string_view);
    const Fn F = &FormatNumberValue, G = &GeneralNumberText;
    // clang-format off
    const std::tuple<Fn, double, const char*> cases[] = {
        {F, 10.000000000000039, "10"}, {F, 19.999999999999968, "20"}, {F, -1234.5, "-1.2345e+3"},
        {F, 0.22360679774997896, "223.606797749979e-3"}, {F, 1e-7, "100e-9"}, {F, DBL_MAX, "0"},
        {F, 1e308, "100e+306"}, {F, INFINITY, "0"}, {F, NAN, "0"}, {G, 3, "3"}, {G, -12, "-12"},
        {G, 0, "0"}, {G, -0.0, "0"}, {G, 0.5, "0.5"}, {G, 12.25, "12.25"}, {G, 0.1 + 0.2, "0.3"},
        {G, 123456789012345, "123456789012345"}, {G, 1e14, "100000000000000"}, {G, 1e15, "1E+15"},
        {G, -1.5e20, "-1.5E+20"}, {G, 0.00001, "0.00001"}, {G, 0.0000012, "1.2E-06"},
        {G, 1.25e-300, "1.25E-300"}, {G, 2.0 / 3, "0.666666666666667"}, {G, INFINITY, "0"}};
    // clang-format on
    for (const std::string& sep : kSeparators)
        for (const auto& [fn, value, out] : cases)
            EXPECT_EQ(fn(value, sep), Localised(out, sep)) << out;
}

TEST(ReadNumberText, AcceptsOnlyTheLocaleNumberForm) {
    const std::pair<const char*, double> good[] = {{" -1.5e+2 ", -150}, {".5", 0.5}, {"5.", 5}};
    for (const std::string& sep : kSeparators)
        for (const auto& [text, value] : good) {
            double v = -1;
            EXPECT_TRUE(ReadNumberText(Localised(text, sep), sep, v)) << text << sep;
            EXPECT_EQ(v, value) << text << sep;
        }
    for (const char* bad : {"1.5", "", ",", "1e", "e5", "1,5,", "inf", "nan", "0x10", "&H10",
                            "1e999", "--1", "1 5", "\t1"}) {
        double v = 42;
        EXPECT_FALSE(ReadNumberText(bad, ",", v)) << bad;
        EXPECT_EQ(v, 42) << bad;
    }
    // U+060D shares the separator's first byte.
    double v = 42;
    EXPECT_FALSE(ReadNumberText("1\330\2155", kArabicComma, v));
}

// Stands in for the host's evaluator and records each text it is handed.
struct FakeHost {
    std::vector<std::string> texts;
    int32_t result = 1, position = -1;
    double value = 0;
    std::string text;  // as the call left it
    std::string Parse(std::string in, std::string_view sep = ".") {
        text = std::move(in);
        position = -1;
        return ParseNumberText(text, position, sep, [this](std::string& t, double& v) {
            texts.push_back(t);
            v = value;
            return result;
        });
    }
};

TEST(ParseNumberText, TrimsHandsTextToEvaluatorAndFormats) {
    FakeHost host;
    host.value = 12.5;
    EXPECT_EQ(host.Parse("  12.5  "), "12.5");
    EXPECT_EQ(std::pair(host.text, host.position), std::pair(std::string("12.5"), 0));
    host.value = 1234.5;
    EXPECT_EQ(host.Parse("7.", ","), "1,2345e+3");
    EXPECT_EQ(host.Parse("7.", kArabicComma), "1\330\2142345e+3");
    for (const char* in : {" . ", "&h10", "&H123456789"}) host.Parse(in);
    // A blank text never reaches the evaluator; "." alone is handed over as "0".
    EXPECT_EQ(host.Parse("   "), "0");
    EXPECT_EQ(host.text, "");
    EXPECT_EQ(host.texts, (std::vector<std::string>{"12.5", "7", "7", "0", "&h10", "&H123456789"}));
    host.value = NAN;
    EXPECT_EQ(host.Parse("x"), "0");
}

TEST(ParseNumberText, HexadecimalLiteralsNeedNoEvaluatorAndErrorPositionsComeFromTheResult) {
    // Without an evaluator anything but a hexadecimal literal is an error at 0.
    // clang-format off
    const TextPair hex[] = {
        {"&HFF", "255"}, {"&HFFFF", "-1"}, {"&H7FFF", "32767"}, {"&H8000", "-32768"},
        {"&H10000", "65536"}, {"&HFFFFFFFF", "-1"}, {"&H7FFFFFFF", "2147483647"},
        {"&H80000000", "-2147483648"}, {" &Hff, ", "255"}, {"&H", "ERROR"}, {"&HG1", "ERROR"},
        {"&H 1", "ERROR"}, {"&H.", "ERROR"}, {"1", "ERROR"}};
    // clang-format on
    for (const auto& [in, out] : hex) {
        std::string text = in;
        int32_t position = -1;
        EXPECT_EQ(ParseNumberText(text, position, ",", HostEvaluateFn{}), out) << in;
        EXPECT_EQ(position, 0) << in;
    }
    // An evaluator's failure: the position from the result's magnitude.
    // clang-format off
    const std::pair<int32_t, int32_t> cases[] = {{-1003, 3}, {-7, 7}, {-2500, 0}, {0, 0},
        {-999, 999}, {-1999, 999}, {-2000, 0}, {INT32_MIN, 0}};
    // clang-format on
    FakeHost host;
    for (const auto& [result, expected] : cases) {
        host.result = result;
        EXPECT_EQ(host.Parse("1+"), "ERROR") << result;
        EXPECT_EQ(host.position, expected) << result;
    }
    std::string text = "1";
    const HostEvaluateFn throwing = [](std::string&, double&) -> int32_t { throw 1; };
    EXPECT_EQ(ParseNumberText(text, host.position, ".", throwing), "ERROR");
}

TEST(TextToValue, NumbersWordsAndLeadingNumbers) {
    using V = std::variant<double, int16_t>;
    const V t = int16_t{-1}, f = int16_t{0};
    // Results with "." and with "," as DecimalSeparator (U+060C reads as ","); in "-.5q" the
    // point is the separator.
    // clang-format off
    const std::tuple<const char*, V, V> cases[] = {
        {"2.5", 2.5, 2.5}, {"2,5", 2.5, 2.5}, {" -3 ", -3.0, -3.0}, {"TRUE", t, t},
        {"False", f, f}, {" tRue ", t, t}, {"12abc", 12.0, 12.0}, {"", 0.0, 0.0},
        {"abc", 0.0, 0.0}, {"1.2.3", 1.2, 1.0}, {"1e3x", 1000.0, 1000.0}, {"1ex", 1.0, 1.0},
        {"-.5q", -0.5, 0.0}, {"1e999", f, f}, {"1e-999", 0.0, 0.0}};
    // clang-format on
    for (const auto& [in, dot, comma] : cases) {
        EXPECT_EQ(TextToValue(in, ".").value, dot) << in;
        EXPECT_EQ(TextToValue(in, ",").value, comma) << in;
        EXPECT_EQ(TextToValue(in, kArabicComma).value, comma) << in;
    }
    EXPECT_EQ(TextToValue("true", ".").AsDouble(), -1.0);
    // What FormatNumberText showed reads back.
    EXPECT_EQ(TextToValue(" 1\330\2145", kArabicComma).value, V{1.5});
}

}  // namespace
}  // namespace kes
