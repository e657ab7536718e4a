#include "core/Evaluator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

namespace kes {
namespace {

constexpr double kPi = 3.14159265358979323846;
using ValueCase = std::pair<const char*, double>;

template <size_t N>
void ExpectValues(const ValueCase (&cases)[N], char decimal = '.', char list = ',') {
    for (const auto& [text, expected] : cases) {
        double value = -12345;
        EXPECT_EQ(Evaluate(text, value, decimal, list), 1) << text;
        EXPECT_NEAR(value, expected, 1e-12 * (1 + std::fabs(expected))) << text;
    }
}

TEST(Evaluate, NumbersOperatorsAndEveryFunction) {
    // ^ is right-associative and binds tighter than unary minus; comparisons bind below
    // arithmetic, booleans below comparisons, and & tighter than # tighter than |.
    // clang-format off
    const ValueCase cases[] = {
        {"42", 42}, {" 7 ", 7}, {".5", 0.5}, {"5.", 5}, {"1e3", 1000}, {"2.5E-3", 0.0025},
        {"1e+2", 100}, {"1e-400", 0}, {"1+2*3", 7}, {"(1+2)*3", 9}, {"10-4-3", 3}, {"8/4/2", 1},
        {"2^3^2", 512}, {"-2^2", -4}, {"2^-1", 0.5}, {"2*-3", -6}, {"1--2", 3}, {"+4", 4},
        {"2 ^ 3 * 2", 16}, {"1+2 = 3", 1}, {"1 < 2 & 3 > 4", 0}, {"1 | 0 & 0", 1},
        {"1 | 1 # 1", 1}, {"0 # 1 & 0", 0}, {"!0", 1}, {"!5", 0}, {"!1 + 1", 1}, {"2 != 3", 1},
        {"2 >= 2", 1}, {"2 <= 1", 0}, {"3 > 2", 1}, {"3 < 2", 0}, {"2 = 2", 1}, {"1 # 1", 0},
        {"1 & 2", 1}, {"0 | 0", 0}, {"PI", kPi}, {"tpi", 2 * kPi}, {"Hpi", kPi / 2},
        {"c", 299792458}, {"K*1e23", 1.380649}, {"((((1))))", 1}};
    // atan2 gives the angle of the point (x, y); mod takes the sign of the divisor.
    const ValueCase functions[] = {
        {"abs(-2.5)", 2.5}, {"acos(0)", kPi / 2}, {"alog(2)", 100}, {"alogdb(20)", 100},
        {"asin(1)", kPi / 2}, {"atan(1)", kPi / 4}, {"atan2(0, 1)", kPi / 2}, {"atan2(-1, 0)", kPi},
        {"cos(pi)", -1}, {"cosh(0)", 1}, {"erf(0.5)", 0.52049987781304654},
        {"erfc(0.5)", 0.47950012218695346}, {"exp(1)", 2.7182818284590452},
        {"frac(-2.75)", -0.75}, {"int(-2.75)", -2}, {"int(2.75)", 2}, {"log(exp(2))", 2},
        {"log2(8)", 3}, {"log10(1000)", 3}, {"mod(7, 3)", 1}, {"mod(-1, 3)", 2},
        {"mod(1, -3)", -2}, {"mod(-7, -3)", -1}, {"Q(0)", 0.5}, {"q(1.2815515655446004)", 0.1},
        {"sgn(-3)", -1}, {"sgn(0)", 0}, {"SGN(2)", 1}, {"sin(hpi)", 1},
        {"sinh(1)", 1.1752011936438014}, {"sqrt(16)", 4}, {"tan(pi/4)", 1},
        {"tanh(1)", 0.76159415595576489}, {"Sqrt ( abs( -9 ) ) + 1", 4}};
    // clang-format on
    ExpectValues(cases);
    ExpectValues(functions);
}

TEST(Evaluate, CommaLocaleSeparators) {
    const ValueCase cases[] = {
        {"2,5", 2.5}, {"2,5e1", 25}, {",25", 0.25}, {"atan2(0;1)", kPi / 2}, {"mod(7,5;2)", 1.5},
    };
    ExpectValues(cases, ',', ';');
    double value = 0;
    EXPECT_EQ(Evaluate("2.5", value, ',', ';'), -1001);
    EXPECT_EQ(Evaluate("mod(7,3)", value, '.', ';'), -1005);
}

TEST(Evaluate, RandomSources) {
    double sumUniform = 0, sumSquares = 0;
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        double u = -1, g = 0;
        ASSERT_EQ(Evaluate("un", u, '.', ','), 1);
        ASSERT_EQ(Evaluate("GN", g, '.', ','), 1);
        ASSERT_TRUE(u >= 0 && u < 1) << u;
        sumUniform += u;
        sumSquares += g * g;
    }
    EXPECT_NEAR(sumUniform / n, 0.5, 0.05);
    EXPECT_NEAR(sumSquares / n, 1.0, 0.15);
}

TEST(Evaluate, ErrorsLeaveTheValueAlone) {
    // Syntax errors carry their offset; -2000 and below are domain errors without one, unless
    // a syntax error later in the text wins because it has a position to show.
    const std::pair<std::string, int32_t> cases[] = {
        {"", -1000},
        {"12abc", -1002},
        {"1+", -1002},
        {"(1", -1002},
        {"1)", -1001},
        {"()", -1001},
        {"2 * (3 + ", -1009},
        {"foo(1)", -1000},
        {"1 + bar", -1004},
        {"sin 1", -1004},
        {"sin(1", -1005},
        {"atan2(1)", -1007},
        {"abs(1,2)", -1005},
        {"pi(2)", -1002},
        {"1 ! 2", -1002},
        {"1 == 2", -1003},
        {"1 <> 2", -1003},
        {"1e", -1001},
        {"1e+", -1001},
        {".", -1000},
        {"&H10", -1000},
        {"2pi", -1001},
        {"1e999", -1000},
        {"3 + 1e999", -1004},
        {"\t1 +\t*", -1005},
        {std::string(1500, ' ') + "x", -2000},
        {std::string(999, ' ') + "x", -1999},
        {std::string("1\0+2", 4), -1001},
        {"sqrt(-1) + )", -1011},
    };
    for (const auto& [text, result] : cases) {
        double value = 99;
        EXPECT_EQ(Evaluate(text, value, '.', ','), result) << text.substr(0, 20);
        EXPECT_EQ(value, 99) << text;
    }
    for (const char* text :
         {"log(-1)", "log(0)", "sqrt(-1)", "1/0", "0/0", "acos(2)", "asin(-2)", "mod(5, 0)",
          "exp(1000)", "cosh(1e3)", "0^-1", "(-8)^(1/3)", "1e308*10", "log2(0)", "log10(-5)",
          "alog(400)", "sqrt(-1)=1", "1/0 > 1"}) {
        double value = 99;
        EXPECT_LE(Evaluate(text, value, '.', ','), -2000) << text;
        EXPECT_EQ(value, 99) << text;
    }
}

TEST(Evaluate, DeepNestingIsRefusedNotOverflowed) {
    double value = 0;
    EXPECT_EQ(Evaluate(std::string(50, '(') + "1" + std::string(50, ')'), value, '.', ','), 1);
    EXPECT_EQ(value, 1);
    // The refusal points at the first token nested too deeply.
    const int depth = 100000;
    EXPECT_EQ(Evaluate(std::string(depth, '(') + "1" + std::string(depth, ')'), value, '.', ','),
              -1100);
    EXPECT_EQ(Evaluate(std::string(depth, '-') + "1", value, '.', ','), -1100);
    std::string tower = "2";
    for (int i = 0; i < depth; ++i) tower += "^1";
    EXPECT_EQ(Evaluate(tower, value, '.', ','), -1200);
}

}  // namespace
}  // namespace kes
