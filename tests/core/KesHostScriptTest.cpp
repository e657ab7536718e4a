#include "host/KesHostScript.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kes::host {
namespace {

using Args = std::vector<std::string>;

TEST(KesHostScript, StepsQuotingAndMalformedLines) {
    const Script script = ParseScript(
        "# tour\nstart 0@5@@300@4000@1200@2400@False@\r\n\nsleep x\n"
        "open 1 \"  padded text \"\nsend 0@6@3~Layer~1 Input~@\nanchor 1 2 3");
    ASSERT_EQ(script.steps.size(), 3u);
    // A command string is the rest of the line, blanks and "~" included; quotes keep blanks.
    const std::tuple<int, StepKind, Args> steps[] = {
        {2, StepKind::Start, {"0@5@@300@4000@1200@2400@False@"}},
        {5, StepKind::Open, {"1", "  padded text "}},
        {6, StepKind::Send, {"0@6@3~Layer~1 Input~@"}}};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::tuple(script.steps[i].line, script.steps[i].kind, script.steps[i].args),
                  steps[i]);
    ASSERT_EQ(script.errors.size(), 2u);
    EXPECT_EQ(script.errors[0].rfind("line 4: ", 0), 0u) << script.errors[0];
    EXPECT_EQ(script.errors[1].rfind("line 7: missing argument", 0), 0u) << script.errors[1];
}

}  // namespace
}  // namespace kes::host
