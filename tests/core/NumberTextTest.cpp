#include "core/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

namespace kes {
namespace {

// The same expectation in a "." and in a "," locale: every "." of the texts becomes ",".
std::string Localised(std::string text, char separator) {
    for (auto& c : text)
        if (c == '.') c = separator;
    return text;
}

TEST(FormatNumberText, PlainFromOneToThousandEngineeringElsewhere) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"0.001", "1e-3"},
        {"0.01", "10e-3"},
        {"0.5", "500e-3"},
        {"-0.5", "-500e-3"},
        {"1", "1"},
        {"12.5", "12.5"},
        {"999.5", "999.5"},
        {"1000", "1e+3"},
        {"12345.678", "12.345678e+3"},
        {"1e-20", "10e-21"},
        {"0.223606797749979", "223.606797749979e-3"},
        {"0", "0"},
        {"0.0", "0"},
        {"-0", "0"},
        {"abc", "0"},
        {"", "0"},
        {"100", "100"},
        {"0.1", "100e-3"},
        {"123456789", "123.456789e+6"},
        {"1234567890123456789", "1.23456789012346e+18"},
        {"999.9999999999999", "1e+3"},
        {"0.00012345", "123.45e-6"},
        {"12.50", "12.5"},
        {" 7 ", "7"},
        {"+2E2", "200"},
        {"1e400", "0"},
        {"1e-400", "0"},
        {"5e-324", "4.94065645841247e-324"},
        {"1.5.", "0"},
    };
    for (const char separator : {'.', ','}) {
        for (const auto& c : cases) {
            EXPECT_EQ(FormatNumberText(Localised(c.in, separator), separator),
                      Localised(c.out, separator))
                << c.in << " with " << separator;
        }
    }
}

TEST(FormatNumberValue, GoesThroughFifteenDigitText) {
    EXPECT_EQ(FormatNumberValue(10.000000000000039, '.'), "10");
    EXPECT_EQ(FormatNumberValue(19.999999999999968, ','), "20");
    EXPECT_EQ(FormatNumberValue(0.22360679774997896, ','), "223,606797749979e-3");
    EXPECT_EQ(FormatNumberValue(-1234.5, '.'), "-1.2345e+3");
    EXPECT_EQ(FormatNumberValue(1e-7, '.'), "100e-9");
    // DBL_MAX at fifteen digits lies beyond the double range and no longer reads back.
    EXPECT_EQ(FormatNumberValue(DBL_MAX, '.'), "0");
    EXPECT_EQ(FormatNumberValue(1e308, '.'), "100e+306");
    EXPECT_EQ(FormatNumberValue(INFINITY, '.'), "0");
    EXPECT_EQ(FormatNumberValue(NAN, '.'), "0");
}

TEST(GeneralNumberText, PlainDigitsExceptForVeryLargeOrSmallValues) {
    const struct {
        double value;
        const char* out;
    } cases[] = {
        {3, "3"},
        {-12, "-12"},
        {0, "0"},
        {-0.0, "0"},
        {0.5, "0.5"},
        {12.25, "12.25"},
        {0.1 + 0.2, "0.3"},
        {123456789012345, "123456789012345"},
        {1e14, "100000000000000"},
        {1e15, "1E+15"},
        {-1.5e20, "-1.5E+20"},
        {0.00001, "0.00001"},
        {0.0000012, "1.2E-06"},
        {1.25e-300, "1.25E-300"},
        {2.0 / 3, "0.666666666666667"},
        {INFINITY, "0"},
    };
    for (const char separator : {'.', ','}) {
        for (const auto& c : cases)
            EXPECT_EQ(GeneralNumberText(c.value, separator), Localised(c.out, separator)) << c.out;
    }
}

TEST(ReadNumberText, AcceptsOnlyTheLocaleNumberForm) {
    double v = -1;
    EXPECT_TRUE(ReadNumberText(" -1,5e+2 ", ',', v));
    EXPECT_EQ(v, -150);
    EXPECT_TRUE(ReadNumberText(".5", '.', v));
    EXPECT_EQ(v, 0.5);
    EXPECT_TRUE(ReadNumberText("5.", '.', v));
    EXPECT_EQ(v, 5);
    for (const char* bad : {"1.5", "", ",", "1e", "e5", "1,5,", "inf", "nan", "0x10", "&H10",
                            "1e999", "--1", "1 5", "\t1"}) {
        v = 42;
        EXPECT_FALSE(ReadNumberText(bad, ',', v)) << bad;
        EXPECT_EQ(v, 42) << bad;
    }
}

struct EvaluatorCall {
    std::vector<std::string> texts;
    int32_t result = 1;
    double value = 0;
    HostEvaluateFn Fn() {
        return [this](std::string& text, double& v) {
            texts.push_back(text);
            v = value;
            return result;
        };
    }
};

TEST(ParseNumberText, TrimsHandsTextToEvaluatorAndFormats) {
    EvaluatorCall host;
    int32_t position = -1;
    std::string text = "  12.5  ";
    host.value = 12.5;
    EXPECT_EQ(ParseNumberText(text, position, '.', host.Fn()), "12.5");
    EXPECT_EQ(text, "12.5");
    EXPECT_EQ(position, 0);
    text = "7.";
    host.value = 1234.5;
    EXPECT_EQ(ParseNumberText(text, position, ',', host.Fn()), "1,2345e+3");
    text = " . ";
    ParseNumberText(text, position, '.', host.Fn());
    text = "&h10";
    ParseNumberText(text, position, '.', host.Fn());
    text = "&H123456789";
    ParseNumberText(text, position, '.', host.Fn());
    EXPECT_EQ(host.texts, (std::vector<std::string>{"12.5", "7", "0", "&h10", "&H123456789"}));

    text = "   ";
    EXPECT_EQ(ParseNumberText(text, position, '.', host.Fn()), "0");
    EXPECT_EQ(text, "");
    EXPECT_EQ(host.texts.size(), 5u);
    host.value = NAN;
    text = "x";
    EXPECT_EQ(ParseNumberText(text, position, '.', host.Fn()), "0");
}

TEST(ParseNumberText, HexadecimalLiteralsAreReadWithoutEvaluator) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"&HFF", "255"},
        {"&HFFFF", "-1"},
        {"&H7FFF", "32767"},
        {"&H8000", "-32768"},
        {"&H10000", "65536"},
        {"&HFFFFFFFF", "-1"},
        {"&H7FFFFFFF", "2147483647"},
        {"&H80000000", "-2147483648"},
        {" &Hff, ", "255"},
        {"&H", "ERROR"},
        {"&HG1", "ERROR"},
        {"&H 1", "ERROR"},
        {"&H.", "ERROR"},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        int32_t position = -1;
        EXPECT_EQ(ParseNumberText(text, position, ',', nullptr), c.out) << c.in;
        EXPECT_EQ(position, 0) << c.in;
    }
}

TEST(ParseNumberText, ErrorPositionComesFromTheResultMagnitude) {
    const struct {
        int32_t result;
        int32_t position;
    } cases[] = {{-1003, 3},  {-7, 7},      {-2500, 0}, {0, 0},
                 {-999, 999}, {-1999, 999}, {-2000, 0}, {INT32_MIN, 0}};
    EvaluatorCall host;
    for (const auto& c : cases) {
        host.result = c.result;
        std::string text = "1+";
        int32_t position = -1;
        EXPECT_EQ(ParseNumberText(text, position, '.', host.Fn()), "ERROR") << c.result;
        EXPECT_EQ(position, c.position) << c.result;
    }
    std::string text = "1";
    int32_t position = -1;
    EXPECT_EQ(ParseNumberText(text, position, '.', HostEvaluateFn{}), "ERROR");
    EXPECT_EQ(position, 0);
    const HostEvaluateFn throwing = [](std::string&, double&) -> int32_t { throw 1; };
    EXPECT_EQ(ParseNumberText(text, position, '.', throwing), "ERROR");
}

TEST(TextToValue, NumbersWordsAndLeadingNumbers) {
    using V = std::variant<double, int16_t>;
    const struct {
        const char* in;
        V dot, comma;  // result with "." and with "," as DecimalSeparator
    } cases[] = {
        {"2.5", 2.5, 2.5},
        {"2,5", 2.5, 2.5},
        {" -3 ", -3.0, -3.0},
        {"TRUE", int16_t{-1}, int16_t{-1}},
        {"False", int16_t{0}, int16_t{0}},
        {" tRue ", int16_t{-1}, int16_t{-1}},
        {"12abc", 12.0, 12.0},
        {"", 0.0, 0.0},
        {"abc", 0.0, 0.0},
        {"1.2.3", 1.2, 1.0},
        {"1e3x", 1000.0, 1000.0},
        {"1ex", 1.0, 1.0},
        {"-.5q", -0.5, 0.0},  // the point became the separator
        {"1e999", int16_t{0}, int16_t{0}},
        {"1e-999", 0.0, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToValue(c.in, '.').value, c.dot) << c.in;
        EXPECT_EQ(TextToValue(c.in, ',').value, c.comma) << c.in;
    }
    EXPECT_EQ(TextToValue("true", '.').AsDouble(), -1.0);
}

}  // namespace
}  // namespace kes
