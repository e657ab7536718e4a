// The stand-ins: the evaluator's expression engine and the step language of the stand-in host.
#include "evaluator/Evaluator.h"
#include "host/KesHostScript.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

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
        EXPECT_TRUE(result <= -2000 ? got <= result : got == result) << text << " " << got;
        EXPECT_DOUBLE_EQ(value, expected) << text;
    }
}

TEST(KesHostScript, StepsQuotingAndMalformedLines) {
    const host::Script script = host::ParseScript(
        "# tour\nstart 0@5@@300@4000@1200@2400@False@\r\n\nsleep x\n"
        "open 1 \"  padded text \"\nsend 0@6@3~Layer~1 Input~@\nanchor 1 2 3");
    // A command string is the rest of the line, blanks and "~" included; quotes keep blanks.
    using Step = std::tuple<int, host::StepKind, std::vector<std::string>>;
    std::vector<Step> steps;
    for (const auto& s : script.steps) steps.emplace_back(s.line, s.kind, s.args);
    EXPECT_EQ(steps,
              (std::vector<Step>{{2, host::StepKind::Start, {"0@5@@300@4000@1200@2400@False@"}},
                                 {5, host::StepKind::Open, {"1", "  padded text "}},
                                 {6, host::StepKind::Send, {"0@6@3~Layer~1 Input~@"}}}));
    ASSERT_EQ(script.errors.size(), 2u);
    EXPECT_EQ(script.errors[0].rfind("line 4: ", 0), 0u) << script.errors[0];
    EXPECT_EQ(script.errors[1].rfind("line 7: missing argument", 0), 0u) << script.errors[1];
}

}  // namespace
}  // namespace kes
