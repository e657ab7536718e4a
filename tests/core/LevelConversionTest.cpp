#include "core/LevelConversion.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace kes {
namespace {

constexpr float k50 = 50.0f, k1 = 1.0f;

TEST(ConvertLevel, GivesTheHostsResultTexts) {
    using U = Unit;
    // Both voltage units hold the same power at the same resistance. The host's 15-digit ln 10
    // shows in the last digit of 2.96 mW (log10 would end in 39).
    // clang-format off
    const std::tuple<const char*, Unit, Unit, float, const char*> cases[] = {
        {"0", U::dBm, U::mW, k50, "1  mW"},
        {"0", U::dBm, U::Vrms, k50, "223.606797749979e-3  Vrms"},
        {"0", U::dBm, U::Vop, k50, "316.227766016838e-3  Vo-p"},
        {"1", U::Vrms, U::dBm, k50, "13.0102999566398  dBm"}, {"1", U::Vrms, U::dBm, k1, "30  dBm"},
        {"1", U::Vop, U::dBm, k50, "10  dBm"}, {"100", U::mW, U::dBm, k1, "20  dBm"},
        {"-30", U::dBm, U::mW, k1, "1e-3  mW"},
        {"1", U::Vop, U::Vrms, k50, "707.106781186548e-3  Vrms"},
        {"1", U::Vrms, U::Vop, k50, "1.4142135623731  Vo-p"}, {"2", U::Vrms, U::mW, k1, "4e+3  mW"},
        {"12.50", U::dBm, U::dBm, k50, "12.5  dBm"},
        {"1", U::mW, U::Vrms, k50, "223.606797749979e-3  Vrms"},
        {"1", U::mW, U::Vop, k1, "44.7213595499958e-3  Vo-p"}, {"1", U::Vop, U::mW, k50, "10  mW"},
        {"2.96", U::mW, U::dBm, k50, "4.71291711058938  dBm"}, {"-1", U::mW, U::dBm, k50, "0  dBm"},
        {"-1", U::mW, U::Vrms, k50, "0  Vrms"}, {"1e300", U::Vrms, U::mW, k1, "0  mW"},
        {"0", U::dBm, U::dBm, k50, "0  dBm"}, {"0", U::Vrms, U::Vrms, k50, "0  Vrms"}};
    // clang-format on
    for (const auto& [input, source, target, r, text] : cases) {
        const auto result = ConvertLevel(source, target, std::stod(input), input, r, ".");
        EXPECT_EQ(std::pair(result.refused, result.text), std::pair(false, std::string(text)))
            << input;
        EXPECT_EQ(result.number + std::string(UnitSuffix(target)), result.text);
    }
    EXPECT_EQ(ConvertLevel(Unit::dBm, Unit::Vrms, 0.0, "0", k50, ",").text,
              "223,606797749979e-3  Vrms");
    EXPECT_EQ(ConvertLevel(Unit::mW, Unit::mW, 1.5, "1,50", k50, ",").text, "1,5  mW");
}

}  // namespace
}  // namespace kes
