// The text forms of the core (command fields, number texts in each locale, level conversion,
// the parser function list, file and folder names) and of the stand-ins (the evaluator's
// expressions, the stand-in host's steps). Number texts are read back (TextToValue)
// in the token request test.
#include "core/CommandString.h"
#include "core/LevelConversion.h"
#include "core/LibrarySearch.h"
#include "core/NumberText.h"
#include "core/ParserFunctionList.h"
#include "core/TextUtil.h"
#include "evaluator/Evaluator.h"
#include "host/KesHostScript.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace kes {

using TextPair = std::pair<const char*, const char*>;

// U+060C, a separator of two bytes in UTF-8 (one character in the Arabic ANSI code page).
constexpr const char* kArabicComma = "\xD8\x8C";
const std::string kSeparators[] = {".", ",", kArabicComma};

// The same expectation in each locale: every "." of the texts becomes the separator.
static std::string Localised(std::string text, const std::string& separator) {
    for (size_t at = 0; (at = text.find('.', at)) != text.npos; at += separator.size())
        text.replace(at, 1, separator);
    return text;
}

TEST(CommandString, CodeInFrontOfTheFirstSeparatorAndFieldsRoundingHalvesToEven) {
    const std::string longest = "6@" + std::string(kMaxCommandLength - 2, 'x');
    // Code, position of the first "@"; {} for a field that is not read. "0.50000000000000000001"
    // is above a half, though a double would see exactly 0.5.
    // clang-format off
    const std::tuple<std::string, int32_t, int16_t> codes[] = {
        {"", -2000, 0}, {"no separator here", -2000, 0}, {"@5@", -2000, 1}, {" -2 @", -2, 5},
        {"7.5@", 8, 4}, {"6.5@", 6, 4}, {"2147483647@", 2147483647, 11}, {"2147483648@", -2000, 11},
        {"-2147483648@", INT32_MIN, 12}, {longest, 6, 2}, {longest + 'x', -2000, 0}};
    const std::pair<const char*, std::optional<int32_t>> integers[] = {
        {" +007 ", 7}, {"-6.5", -6}, {"-7.5", -8}, {"2.5000001", 3}, {"0.50000000000000000001", 1},
        {".5", 0}, {"1.", 1}, {"1.5E+1", 15}, {"25e-1", 2}, {"35e-1", 4}, {"&H10", {}}, {"\t5", {}},
        {"2147483647.4", INT32_MAX}, {"2147483647.5", {}}, {"-2147483648.5", INT32_MIN},
        {"-2147483649", {}}, {"1e99999999999999999999", {}}, {"0e99999999999999999999", 0},
        {"1e-99999999999999999999", 0}, {"   ", {}}, {"12abc", {}}, {"1 2", {}}, {"--1", {}},
        {".", {}}, {"1e+", {}}, {"1,5", {}}};
    const std::pair<const char*, std::optional<bool>> booleans[] = {
        {"True", true}, {" fALSE ", false}, {"0.0", false}, {"-1", true}, {"1e-500", true},
        {"1e500", true}, {"", {}}, {"yes", {}}, {"Truex", {}}};
    // clang-format on
    for (const auto& [text, code, separator] : codes) {
        int16_t firstSeparator = -99;
        EXPECT_EQ(ParseRequestCode(text, firstSeparator), code) << text.substr(0, 40);
        EXPECT_EQ(firstSeparator, separator) << text.substr(0, 40);
    }
    for (const auto& [text, value] : integers) EXPECT_EQ(ParseIntegerField(text), value) << text;
    for (const auto& [text, value] : booleans) EXPECT_EQ(ParseBooleanField(text), value) << text;
}

TEST(NumberText, PlainFromOneToThousandEngineeringElsewhereInEachLocale) {
    // FormatNumberValue goes through fifteen-digit text: DBL_MAX no longer reads back.
    using Fn = std::string (*)(double, std::string_view);
    const Fn F = &FormatNumberValue, G = &GeneralNumberText;
    // clang-format off
    const TextPair texts[] = {
        {"0.001", "1e-3"}, {"-0.5", "-500e-3"}, {"1", "1"}, {"999.5", "999.5"}, {"1000", "1e+3"},
        {"12345.678", "12.345678e+3"}, {"1e-20", "10e-21"}, {"-0", "0"}, {"abc", "0"}, {"", "0"},
        {"1234567890123456789", "1.23456789012346e+18"}, {"999.9999999999999", "1e+3"},
        {"12.50", "12.5"}, {" +2E2 ", "200"}, {"1e400", "0"}, {"1e-400", "0"},
        {"5e-324", "4.94065645841247e-324"}, {"1.5.", "0"}};
    const std::tuple<Fn, double, const char*> values[] = {
        {F, 10.000000000000039, "10"}, {F, 19.999999999999968, "20"}, {F, DBL_MAX, "0"},
        {F, 1e308, "100e+306"}, {F, NAN, "0"}, {G, -0.0, "0"}, {G, 0.1 + 0.2, "0.3"},
        {G, 123456789012345, "123456789012345"}, {G, 1e15, "1E+15"}, {G, -1.5e20, "-1.5E+20"},
        {G, 0.00001, "0.00001"}, {G, 0.0000012, "1.2E-06"}, {G, 1.25e-300, "1.25E-300"},
        {G, 2.0 / 3, "0.666666666666667"}, {G, INFINITY, "0"}};
    const std::pair<const char*, std::optional<double>> reads[] = {
        {" -1.5e+2 ", -150}, {".5", 0.5}, {"5.", 5}, {"", {}}, {".", {}}, {"1e", {}}, {"e5", {}},
        {"1.5.", {}}, {"inf", {}}, {"nan", {}}, {"0x10", {}}, {"1e999", {}}, {"--1", {}},
        {"1 5", {}}, {"\t1", {}}};
    // clang-format on
    for (const std::string& sep : kSeparators) {
        for (const auto& [in, out] : texts)
            EXPECT_EQ(FormatNumberText(Localised(in, sep), sep), Localised(out, sep)) << in << sep;
        for (const auto& [fn, value, out] : values)
            EXPECT_EQ(fn(value, sep), Localised(out, sep)) << out;
        for (const auto& [text, value] : reads) {  // only the locale's number form is read
            double v = 42;
            EXPECT_EQ(ReadNumberText(Localised(text, sep), sep, v), value.has_value()) << text;
            EXPECT_EQ(v, value.value_or(42)) << text << sep;
        }
    }
    // Nor the other locale's separator, nor U+060D, which shares the separator's first byte.
    double v = 42;
    EXPECT_FALSE(ReadNumberText("1.5", ",", v) || ReadNumberText("1\330\2155", kArabicComma, v));
}

TEST(NumberText, ParseTrimsReadsHexadecimalAndHandsTheRestToTheEvaluator) {
    std::vector<std::string> handed;
    int32_t code = 1;
    const HostEvaluateFn evaluate = [&](std::string& t, double& v) {
        handed.push_back(t);
        if (code == 3) throw 1;
        v = code == 2 ? NAN : 1234.5;
        return code;
    };
    // Separator, text, the evaluator's result (0: no evaluator, 2: NaN, 3: it throws), number
    // text, error position.
    // A blank text never reaches the evaluator and "." alone goes as "0". Without an evaluator
    // anything but a hexadecimal literal is an error at 0; after the evaluator's failure the
    // position comes from its result's magnitude.
    // clang-format off
    const std::tuple<const char*, const char*, int32_t, const char*, int32_t> cases[] = {
        {kArabicComma, "  7.  ", 1, "1\330\2142345e+3", 0}, {".", " . ", 1, "1.2345e+3", 0},
        {".", "&h10", 1, "1.2345e+3", 0}, {".", "&H123456789", 1, "1.2345e+3", 0},
        {".", "   ", 1, "0", 0}, {".", "x", 2, "0", 0}, {".", "1", 3, "ERROR", 0},
        {",", "&HFFFF", 0, "-1", 0}, {",", "&H10000", 0, "65536", 0},
        {",", "&H80000000", 0, "-2147483648", 0}, {",", " &Hff, ", 0, "255", 0},
        {",", "&HG1", 0, "ERROR", 0}, {",", "1", 0, "ERROR", 0}, {".", "1+", -1003, "ERROR", 3},
        {".", "1+", -1999, "ERROR", 999}, {".", "1+", -2000, "ERROR", 0}};
    // clang-format on
    for (const auto& [sep, in, result, out, position] : cases) {
        std::string text = in;
        int32_t at = -1;
        code = result;
        const std::string got = ParseNumberText(text, at, sep, code ? evaluate : HostEvaluateFn{});
        EXPECT_EQ(std::tuple(got, at, text), std::tuple(out, position, TrimBlanks(in))) << in;
    }
    EXPECT_EQ(handed, (std::vector<std::string>{"7", "0", "&h10", "&H123456789", "x", "1", "1+",
                                                "1+", "1+"}));
}

TEST(ConvertLevel, GivesTheHostsResultTexts) {
    using enum Unit;
    // Both voltage units hold the same power at the same resistance. The host's 15-digit ln 10
    // shows in the last digit of 2.96 mW (log10 would end in 39).
    // clang-format off
    const std::tuple<const char*, Unit, Unit, double, const char*> cases[] = {
        {"0", dBm, Vrms, 50, "223.606797749979e-3  Vrms"}, {"-30", dBm, mW, 1, "1e-3  mW"},
        {"0", dBm, Vop, 50, "316.227766016838e-3  Vo-p"}, {"1", Vop, dBm, 50, "10  dBm"},
        {"1", Vrms, dBm, 50, "13.0102999566398  dBm"}, {"2", Vrms, mW, 1, "4e+3  mW"},
        {"1", Vop, Vrms, 50, "707.106781186548e-3  Vrms"}, {"1", Vop, mW, 50, "10  mW"},
        {"1", Vrms, Vop, 50, "1.4142135623731  Vo-p"}, {"-1", mW, dBm, 50, "0  dBm"},
        {"1", mW, Vop, 1, "44.7213595499958e-3  Vo-p"}, {"-1", mW, Vrms, 50, "0  Vrms"},
        {"2.96", mW, dBm, 50, "4.71291711058938  dBm"}, {"1e300", Vrms, mW, 1, "0  mW"},
        {"12.50", dBm, dBm, 50, "12.5  dBm"}, {"0", Vrms, Vrms, 50, "0  Vrms"}};
    // clang-format on
    for (const auto& [input, source, target, r, text] : cases) {
        const auto result = ConvertLevel(source, target, std::stod(input), input, r, ".");
        EXPECT_EQ(std::tuple(result.refused, result.text,
                             result.number + std::string(UnitSuffix(target))),
                  std::tuple(false, text, text))
            << input;
    }
    EXPECT_EQ(ConvertLevel(dBm, Vrms, 0.0, "0", 50, ",").text, "223,606797749979e-3  Vrms");
    EXPECT_EQ(ConvertLevel(mW, mW, 1.5, "1,50", 50, ",").text, "1,5  mW");
}

TEST(ParserFunctionList, SeparatorsFollowTheLocaleAndLinesEndInCrLf) {
    // The locale does not reach the fixed "(0,1)" of the random sources. Separators beyond
    // ASCII (U+066B and U+061B) go in whole.
    // clang-format off
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {",", ";", "\n atan2(x;y)\tInverse tangent (2 Quad)\r\n"},
        {",", ";", "\n c\t\tLight 2,997...e+8 m / sec\r\n"},
        {",", ";", "\n gn\t\tNormal (0,1), i.e. Gaussian\r\n"},
        {".", ",", "\n mod(x,y)\t\tx Modulo y\r\n"},
        {"\xD9\xAB", "\xD8\x9B", "\n atan2(x\xD8\x9By)\tInverse tangent (2 Quad)\r\n"},
        {"\xD9\xAB", "\xD8\x9B", "\n pi\t\tConstant 3\331\2531415...\r\n"}};
    // clang-format on
    for (const auto& [decimal, list, line] : rows)
        EXPECT_NE(ParserFunctionList(decimal, list).find(line), std::string::npos) << line;
}

TEST(TextUtil, LineBreaksFileNamesAndLibraryFolders) {
    // clang-format off
    const TextPair breaks[] = {{"one\ntwo", "one\r\ntwo"}, {"one\r\ntwo", "one\r\ntwo"},
        {"\nstart", "\r\nstart"}, {"a\n\nb", "a\r\n\r\nb"}, {"\r\n\n\r", "\r\n\r\n\r"}};
    const TextPair names[] = {{"C:\\windows\\calc.exe", "calc.exe"}, {"C:\\windows\\", ""},
        {"calc.exe", "calc.exe"}, {"  C:\\a\\ b c  ", "b c"}, {"   ", ""}, {"\\", ""}};
    // clang-format on
    for (const auto& [in, out] : breaks) EXPECT_EQ(FixLineBreaks(in), out) << in;
    for (const auto& [in, out] : names) EXPECT_EQ(FileNameOf(in), out) << in;
    // Only full paths: every relative form would be resolved against the current folder. A
    // failed folder query gives an empty folder, which is no folder at all.
    const char* path =
        ";C:\\Tools;;\"D:\\Quoted dir\\\";.;..\\lib;bin;\\rooted;E:drive;\"\";\\\\server\\share;"
        "f:/forward/;\"G:\\half";
    EXPECT_EQ(LibrarySearchFolders("C:\\App\\", "C:\\windows\\system32", "", path),
              (std::vector<std::string>{"C:\\App\\", "C:\\windows\\system32\\", "C:\\Tools\\",
                                        "D:\\Quoted dir\\", "\\\\server\\share\\", "f:/forward/"}));
}

// What the product's tests rely on: numbers and functions in either locale, a syntax error
// that carries its position, and a domain error below -2000 that has none.
TEST(Evaluate, ValuesAndErrorsInEitherLocale) {
    // clang-format off
    const std::tuple<const char*, char, char, int32_t, double> cases[] = {
        {"2.5e1", '.', ',', 1, 25}, {"2,5e1", ',', ';', 1, 25}, {"mod(7, 3)", '.', ',', 1, 1},
        {"mod(7,5;2)", ',', ';', 1, 1.5}, {"2*(1+2)^2", '.', ',', 1, 18},
        {"2.5", ',', ';', -1001, 99}, {"12abc", '.', ',', -1002, 99},
        {"mod(7,3)", '.', ';', -1005, 99}, {"sqrt(-1)", '.', ',', -2000, 99},
        {"1/0", ',', ';', -2000, 99}};
    // clang-format on
    for (const auto& [text, decimal, list, result, expected] : cases) {
        double value = 99;
        const int32_t got = Evaluate(text, value, decimal, list);
        EXPECT_TRUE((result <= -2000 ? got <= result : got == result) && value == expected) << text;
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
    EXPECT_TRUE(script.errors.size() == 2 && script.errors[0].starts_with("line 4: ") &&
                script.errors[1].starts_with("line 7: missing argument"));
}

}  // namespace kes
