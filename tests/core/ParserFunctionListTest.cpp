#include "core/ParserFunctionList.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace kes {
namespace {

// The lines of the list, each with the "\r" of its CR LF (the last has none).
std::vector<std::string> Lines(std::string_view decimal, std::string_view list) {
    std::vector<std::string> lines;
    std::istringstream in(ParserFunctionList(decimal, list));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ParserFunctionList, SeparatorsFollowTheLocaleAndLinesEndInCrLf) {
    // The locale does not reach the fixed "(0,1)" of the random sources. Separators beyond
    // ASCII (U+066B and U+061B) go in whole.
    const char *arabicDecimal = "\xD9\xAB", *arabicList = "\xD8\x9B";
    // clang-format off
    const std::tuple<const char*, const char*, std::size_t, const char*> rows[] = {
        {",", ";", 7, " atan2(x;y)\tInverse tangent (2 Quad)"},
        {",", ";", 12, " exp(x)\t\te ^ x  (e = 2,718...)"},
        {",", ";", 18, " mod(x;y)\t\tx Modulo y"}, {",", ";", 44, " pi\t\tConstant 3,1415..."},
        {",", ";", 47, " c\t\tLight 2,997...e+8 m / sec"},
        {",", ";", 48, " k\t\tBoltzmann 1,380...e-23"},
        {",", ";", 40, " gn\t\tNormal (0,1), i.e. Gaussian"},
        {".", ",", 12, " exp(x)\t\te ^ x  (e = 2.718...)"},
        {".", ",", 18, " mod(x,y)\t\tx Modulo y"},
        {arabicDecimal, arabicList, 7, " atan2(x\xD8\x9By)\tInverse tangent (2 Quad)"},
        {arabicDecimal, arabicList, 44, " pi\t\tConstant 3\331\2531415..."}};
    // clang-format on
    for (const auto& [decimal, list, index, line] : rows)
        EXPECT_EQ(Lines(decimal, list).at(index), line + std::string("\r")) << index;
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
