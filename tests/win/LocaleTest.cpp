#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "process/Util.h"

namespace kes {
namespace {

// Wine reads the user locale from LC_ALL at process start: one ctest entry per locale. In fa_IR
// byte 0xBA of code page 1256 is U+061B.
TEST(Locale, SeparatorsFollowTheUserLocale) {
    const char* locale = std::getenv("LC_ALL");
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"en_US.UTF-8", ".", ","}, {"de_DE.UTF-8", ",", ";"}, {"fa_IR.UTF-8", ".", "\xD8\x9B"}};
    for (const auto& [name, decimal, list] : cases) {
        if (name != (locale ? locale : "")) continue;
        EXPECT_EQ(LocaleSeparator(LOCALE_SDECIMAL, "?"), decimal);
        EXPECT_EQ(LocaleSeparator(LOCALE_SLIST, "?"), list);
        EXPECT_EQ(LocaleSeparator(0x7fff, "?"), "?") << "a failing call gives the fallback";
        return;
    }
    ADD_FAILURE() << "no expectation for LC_ALL=" << (locale ? locale : "");
}

}  // namespace
}  // namespace kes
