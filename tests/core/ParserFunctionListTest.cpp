#include "core/ParserFunctionList.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace kes {
namespace {

std::vector<std::string> Lines(std::string_view decimal, std::string_view list) {
    const std::string text = ParserFunctionList(decimal, list);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // no bare line feeds
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(ParserFunctionList, SeparatorsFollowTheLocale) {
    // The locale does not reach the fixed "(0,1)" of the random sources.
    // clang-format off
    const std::pair<std::size_t, const char*> comma[] = {
        {7, " atan2(x;y)\tInverse tangent (2 Quad)"}, {12, " exp(x)\t\te ^ x  (e = 2,718...)"},
        {18, " mod(x;y)\t\tx Modulo y"}, {44, " pi\t\tConstant 3,1415..."},
        {47, " c\t\tLight 2,997...e+8 m / sec"}, {48, " k\t\tBoltzmann 1,380...e-23"},
        {40, " gn\t\tNormal (0,1), i.e. Gaussian"}};
    // clang-format on
    const auto lines = Lines(",", ";");
    for (const auto& [index, line] : comma) EXPECT_EQ(lines[index], line);
    const auto dotLines = Lines(".", ",");
    EXPECT_EQ(dotLines[12], " exp(x)\t\te ^ x  (e = 2.718...)");
    EXPECT_EQ(dotLines[18], " mod(x,y)\t\tx Modulo y");
    // Separators beyond ASCII (U+066B and U+061B) go in whole.
    const auto arabic = Lines("\xD9\xAB", "\xD8\x9B");
    EXPECT_EQ(arabic[7], " atan2(x\xD8\x9By)\tInverse tangent (2 Quad)");
    EXPECT_EQ(arabic[44], " pi\t\tConstant 3\331\2531415...");
}

TEST(DescriptionTabStops, FirstPastTheShortNamesSecondPastTheLongOnes) {
    const auto measure = [](std::string_view name) { return 10 * static_cast<int>(name.size()); };
    const std::string text = " x\r\n ab\t\tx\r\n abcdef\tlong\r\n a\t\ty";
    // A long name within the pad of the short ones splits the difference.
    for (const auto& [pad, first, second] : {std::tuple{4, 34, 74}, std::tuple{50, 50, 120}}) {
        const auto stops = DescriptionTabStops(text, measure, pad);
        ASSERT_TRUE(stops);
        EXPECT_EQ(std::tuple(stops->first, stops->second, stops->sampleLine, stops->sampleName),
                  std::tuple(first, second, 1u, std::string(" ab")))
            << pad;
    }
    EXPECT_FALSE(DescriptionTabStops(" long\tone", measure, 4));
}

}  // namespace
}  // namespace kes
