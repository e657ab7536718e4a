#include "host/KesHostScript.h"

#include <gtest/gtest.h>

namespace kes::host {
namespace {

using Args = std::vector<std::string>;

TEST(KesHostScript, SplitsStepsIntoTheirArguments) {
    const struct {
        const char* line;
        StepKind kind;
        Args args;
    } cases[] = {
        // Command strings are taken as they stand, blanks and "~" included.
        {"send 0@6@3~Layer~1 Input~3 Mixer~@300@4000@1200@2400@False@",
         StepKind::Send,
         {"0@6@3~Layer~1 Input~3 Mixer~@300@4000@1200@2400@False@"}},
        {"  start   -3@  ", StepKind::Start, {"-3@"}},
        {"start", StepKind::Start, {""}},
        {"open 1 \"  padded text \"", StepKind::Open, {"1", "  padded text "}},
        {"open 5", StepKind::Open, {"5", ""}},
        {"wait-window \"Units Converter\" 3000", StepKind::WaitWindow, {"Units Converter", "3000"}},
        {"wait-window \"* Tokens\"", StepKind::WaitWindow, {"* Tokens"}},
        {"anchor 300 4000 1200 2400", StepKind::Anchor, {"300", "4000", "1200", "2400"}},
        {"anchor -1 +2 0 0 TRUE", StepKind::Anchor, {"-1", "+2", "0", "0", "TRUE"}},
        {"set-text \"Units Converter\" 101 -30",
         StepKind::SetText,
         {"Units Converter", "101", "-30"}},
        {"expect-setting Messages kesUtilListMessage 3~3~5~",
         StepKind::ExpectSetting,
         {"Messages", "kesUtilListMessage", "3~3~5~"}},
        {"expect-setting Misc Empty", StepKind::ExpectSetting, {"Misc", "Empty", ""}},
        {"screenshot demo-output/01 converter.bmp\r",
         StepKind::Screenshot,
         {"demo-output/01 converter.bmp"}},
        {"close-host", StepKind::CloseHost, {}},
        {"wait-exit 500", StepKind::WaitExit, {"500"}},
    };
    for (const auto& c : cases) {
        const ParsedLine parsed = ParseStepLine(c.line);
        ASSERT_TRUE(parsed.step) << c.line << ": " << parsed.error;
        EXPECT_EQ(parsed.step->kind, c.kind) << c.line;
        EXPECT_EQ(parsed.step->args, c.args) << c.line;
    }
}

TEST(KesHostScript, RefusesMalformedSteps) {
    const struct {
        const char* line;
        const char* errorPart;
    } cases[] = {
        {"launch 0@5@", "unknown step \"launch\""},
        {"send", "missing argument"},
        {"sleep", "missing argument"},
        {"sleep soon", "\"soon\" is not a whole number"},
        {"sleep 99999999999", "not a whole number"},
        {"sleep 10ms", "not a whole number"},
        {"anchor 1 2 3", "missing argument"},
        {"anchor 1 2 3 4 maybe", "not true or false"},
        {"wait-window \"Units Converter 3000", "unclosed quote"},
        {"wait-window \"Units\"Converter", "right after a closing quote"},
        {"close 5 6", "too many arguments"},
        {"quit now", "too many arguments"},
        {"click Converter", "usage: click <caption> <controlId>"},
    };
    for (const auto& c : cases) {
        const ParsedLine parsed = ParseStepLine(c.line);
        EXPECT_FALSE(parsed.step) << c.line;
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos)
            << c.line << " gave: " << parsed.error;
    }
}

TEST(KesHostScript, ScriptKeepsLineNumbersAndCollectsEveryError) {
    const Script script = ParseScript(
        "# tour\n"
        "start 0@5@@300@4000@1200@2400@False@\r\n"
        "\n"
        "sleep x\n"
        "   # indented comment\n"
        "reply\n"
        "bogus");
    ASSERT_EQ(script.steps.size(), 2u);
    EXPECT_EQ(script.steps[0].line, 2);
    EXPECT_EQ(script.steps[0].args, Args{"0@5@@300@4000@1200@2400@False@"});
    EXPECT_EQ(script.steps[1].kind, StepKind::Reply);
    EXPECT_EQ(script.steps[1].line, 6);
    ASSERT_EQ(script.errors.size(), 2u);
    EXPECT_EQ(script.errors[0].rfind("line 4: ", 0), 0u) << script.errors[0];
    EXPECT_EQ(script.errors[1].rfind("line 7: ", 0), 0u) << script.errors[1];
}

TEST(KesHostScript, CaptionPatterns) {
    const struct {
        const char* pattern;
        const char* caption;
        bool matches;
    } cases[] = {
        {"Units Converter", "Units Converter", true},
        {"Units Converter", "Units Converter ", false},
        {"* Tokens", "Layer Tokens", true},
        {"* Tokens", "Tokens", false},
        {"*Tokens", "Tokens", true},
        {"Kestrelsim*", "Kestrelsim stand-in host", true},
        {"Kestrelsim*List", "Kestrelsim Parser Function List", true},
        {"Kestrelsim*List", "Kestrelsim Parser Function List 2", false},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxcyyb", false},
        {"?ayer*", "Layer Tokens", true},
        {"*", "", true},
        {"?", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CaptionMatches(c.pattern, c.caption), c.matches)
            << c.pattern << " / " << c.caption;
}

}  // namespace
}  // namespace kes::host
