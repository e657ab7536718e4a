#include "core/ParserFunctionList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kes {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(ParserFunctionList, FiftySixLinesInFiveSections) {
    const auto text = ParserFunctionList('.', ',');
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 56u);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // no bare line feeds
    EXPECT_EQ(lines.front(), " Function List:");
    EXPECT_EQ(lines.back(), " -\t\tSubtraction");
    const std::vector<std::size_t> emptyLines = {26, 38, 42, 49};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool empty = std::find(emptyLines.begin(), emptyLines.end(), i) != emptyLines.end();
        EXPECT_EQ(lines[i].empty(), empty) << i;
        if (!empty) {
            EXPECT_EQ(lines[i][0], ' ') << i;
        }
    }
    EXPECT_EQ(lines[27], " Boolean Operators (False = 0, True = 1):");
    EXPECT_EQ(lines[39], " Random Numbers:");
    EXPECT_EQ(lines[43], " Constants:");
    EXPECT_EQ(lines[50], " Arithmetic Operators:");
}

TEST(ParserFunctionList, OnlyTwoEntriesUseTheNarrowGap) {
    std::vector<std::string> narrow;
    for (const auto& line : Lines(ParserFunctionList('.', ','))) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        EXPECT_EQ(line.find('\t', tab + 2), std::string::npos) << line;
        if (line[tab + 1] != '\t') narrow.push_back(line);
    }
    EXPECT_EQ(narrow, (std::vector<std::string>{" alogdb(x) \t10 ^ ( x / 10 )",
                                                " atan2(x,y)\tInverse tangent (2 Quad)"}));
}

TEST(ParserFunctionList, SeparatorsFollowTheLocale) {
    const auto lines = Lines(ParserFunctionList(',', ';'));
    EXPECT_EQ(lines[7], " atan2(x;y)\tInverse tangent (2 Quad)");
    EXPECT_EQ(lines[12], " exp(x)\t\te ^ x  (e = 2,718...)");
    EXPECT_EQ(lines[18], " mod(x;y)\t\tx Modulo y");
    EXPECT_EQ(lines[44], " pi\t\tConstant 3,1415...");
    EXPECT_EQ(lines[47], " c\t\tLight 2,997...e+8 m / sec");
    EXPECT_EQ(lines[48], " k\t\tBoltzmann 1,380...e-23");
    // The locale does not reach the fixed "(0,1)" of the random sources.
    EXPECT_EQ(lines[40], " gn\t\tNormal (0,1), i.e. Gaussian");
    const auto dotLines = Lines(ParserFunctionList('.', ','));
    EXPECT_EQ(dotLines[12], " exp(x)\t\te ^ x  (e = 2.718...)");
    EXPECT_EQ(dotLines[18], " mod(x,y)\t\tx Modulo y");
}

TEST(ParserFunctionList, HalfSignIsOneCharacter) {
    EXPECT_EQ(Lines(ParserFunctionList('.', ','))[19], " Q(x)\t\t\xC2\xBD erfc( x / sqrt(2) )");
    EXPECT_EQ(Lines(ParserFunctionList('.', ','))[29], " |\t\tOR");
}

}  // namespace
}  // namespace kes
