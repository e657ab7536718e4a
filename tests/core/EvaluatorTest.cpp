#include "evaluator/Evaluator.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace kes {
namespace {

// What the product's tests rely on: numbers and functions in either locale, a syntax error
// that carries its position, and a domain error below -2000 that has none.
TEST(Evaluate, ValuesAndErrorsInEitherLocale) {
    // clang-format off
    const std::tuple<const char*, char, char, int32_t, double> cases[] = {
        {"2.5e1", '.', ',', 1, 25},      {"2,5e1", ',', ';', 1, 25},
        {"mod(7, 3)", '.', ',', 1, 1},   {"mod(7,5;2)", ',', ';', 1, 1.5},
        {"2*(1+2)^2", '.', ',', 1, 18},  {"2.5", ',', ';', -1001, 99},
        {"12abc", '.', ',', -1002, 99},  {"mod(7,3)", '.', ';', -1005, 99},
        {"sqrt(-1)", '.', ',', -2000, 99}, {"1/0", ',', ';', -2000, 99}};
    // clang-format on
    for (const auto& [text, decimal, list, result, expected] : cases) {
        double value = 99;
        const int32_t got = Evaluate(text, value, decimal, list);
        if (result <= -2000)
            EXPECT_LE(got, result) << text;
        else
            EXPECT_EQ(got, result) << text;
        EXPECT_DOUBLE_EQ(value, expected) << text;
    }
}

}  // namespace
}  // namespace kes
