#include "host/KesHostScript.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace kes::host {
namespace {

using Args = std::vector<std::string>;

TEST(KesHostScript, SplitsStepsIntoTheirArguments) {
    using K = StepKind;
    const std::string list = "0@6@3~Layer~1 Input~3 Mixer~@300@4000@1200@2400@False@";
    // Command strings are taken as they stand, blanks and "~" included.
    // clang-format off
    const std::tuple<std::string, K, Args> cases[] = {
        {"send " + list, K::Send, {list}}, {"  start   -3@  ", K::Start, {"-3@"}},
        {"start", K::Start, {""}}, {"open 1 \"  padded text \"", K::Open, {"1", "  padded text "}},
        {"open 5", K::Open, {"5", ""}},
        {"wait-window \"Units Converter\" 3000", K::WaitWindow, {"Units Converter", "3000"}},
        {"wait-window \"* Tokens\"", K::WaitWindow, {"* Tokens"}},
        {"anchor 300 4000 1200 2400", K::Anchor, {"300", "4000", "1200", "2400"}},
        {"anchor -1 +2 0 0 TRUE", K::Anchor, {"-1", "+2", "0", "0", "TRUE"}},
        {"set-text \"Units Converter\" 101 -30", K::SetText, {"Units Converter", "101", "-30"}},
        {"expect-setting Messages kesUtilListMessage 3~3~5~", K::ExpectSetting,
         {"Messages", "kesUtilListMessage", "3~3~5~"}},
        {"expect-setting Misc Empty", K::ExpectSetting, {"Misc", "Empty", ""}},
        {"screenshot demo-output/01 converter.bmp\r", K::Screenshot,
         {"demo-output/01 converter.bmp"}},
        {"close-host", K::CloseHost, {}}, {"wait-exit 500", K::WaitExit, {"500"}}};
    // clang-format on
    for (const auto& [line, kind, args] : cases) {
        const ParsedLine parsed = ParseStepLine(line);
        ASSERT_TRUE(parsed.step) << line << ": " << parsed.error;
        EXPECT_EQ(parsed.step->kind, kind) << line;
        EXPECT_EQ(parsed.step->args, args) << line;
    }
}

TEST(KesHostScript, RefusesMalformedSteps) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"launch 0@5@", "unknown step \"launch\""}, {"send", "missing argument"},
        {"sleep", "missing argument"}, {"sleep soon", "\"soon\" is not a whole number"},
        {"sleep 99999999999", "not a whole number"}, {"sleep 10ms", "not a whole number"},
        {"anchor 1 2 3", "missing argument"}, {"anchor 1 2 3 4 maybe", "not true or false"},
        {"wait-window \"Units Converter 3000", "unclosed quote"},
        {"wait-window \"Units\"Converter", "right after a closing quote"},
        {"close 5 6", "too many arguments"}, {"quit now", "too many arguments"},
        {"click Converter", "usage: click <caption> <controlId>"}};
    // clang-format on
    for (const auto& [line, errorPart] : cases) {
        const ParsedLine parsed = ParseStepLine(line);
        EXPECT_FALSE(parsed.step) << line;
        EXPECT_NE(parsed.error.find(errorPart), std::string::npos)
            << line << " gave: " << parsed.error;
    }
}

TEST(KesHostScript, ScriptKeepsLineNumbersAndCollectsEveryError) {
    const Script script = ParseScript(
        "# tour\nstart 0@5@@300@4000@1200@2400@False@\r\n\nsleep x\n   # indented comment\n"
        "reply\nbogus");
    ASSERT_EQ(script.steps.size(), 2u);
    EXPECT_EQ(std::tuple(script.steps[0].line, script.steps[0].args),
              std::tuple(2, Args{"0@5@@300@4000@1200@2400@False@"}));
    EXPECT_EQ(std::tuple(script.steps[1].line, script.steps[1].kind),
              std::tuple(6, StepKind::Reply));
    ASSERT_EQ(script.errors.size(), 2u);
    EXPECT_EQ(script.errors[0].rfind("line 4: ", 0), 0u) << script.errors[0];
    EXPECT_EQ(script.errors[1].rfind("line 7: ", 0), 0u) << script.errors[1];
}

TEST(KesHostScript, CaptionPatterns) {
    // clang-format off
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"Units Converter", "Units Converter", true},
        {"Units Converter", "Units Converter ", false}, {"* Tokens", "Layer Tokens", true},
        {"* Tokens", "Tokens", false}, {"*Tokens", "Tokens", true},
        {"Kestrelsim*", "Kestrelsim stand-in host", true},
        {"Kestrelsim*List", "Kestrelsim Parser Function List", true},
        {"Kestrelsim*List", "Kestrelsim Parser Function List 2", false},
        {"a*b*c", "axxbyyc", true}, {"a*b*c", "axxcyyb", false}, {"?ayer*", "Layer Tokens", true},
        {"*", "", true}, {"?", "", false}};
    // clang-format on
    for (const auto& [pattern, caption, matches] : cases)
        EXPECT_EQ(CaptionMatches(pattern, caption), matches) << pattern << " / " << caption;
}

}  // namespace
}  // namespace kes::host
