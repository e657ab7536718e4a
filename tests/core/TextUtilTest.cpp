#include "core/TextUtil.h"

#include <gtest/gtest.h>

namespace kes {
namespace {

TEST(FixLineBreaks, BareLineFeedsBecomeCrLf) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"one\ntwo", "one\r\ntwo"},
        {"one\r\ntwo", "one\r\ntwo"},
        {"\nstart", "\r\nstart"},
        {"a\n\nb", "a\r\n\r\nb"},
        {"end\n", "end\r\n"},
        {"\r\n\n\r", "\r\n\r\n\r"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FixLineBreaks(c.in), c.out) << c.in;
}

TEST(FileNameOf, TakesTrimmedTextAfterLastBackslash) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\windows\\calc.exe", "calc.exe"},
        {"C:\\windows\\", ""},
        {"calc.exe", "calc.exe"},
        {"  C:\\a\\ b c  ", "b c"},
        {"   ", ""},
        {"", ""},
        {"\\", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FileNameOf(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace kes
