#include "core/TextUtil.h"

#include <gtest/gtest.h>

#include <utility>

namespace kes {
namespace {

using TextPair = std::pair<const char*, const char*>;

TEST(FixLineBreaks, BareLineFeedsBecomeCrLf) {
    // clang-format off
    const TextPair cases[] = {{"one\ntwo", "one\r\ntwo"}, {"one\r\ntwo", "one\r\ntwo"},
        {"\nstart", "\r\nstart"}, {"a\n\nb", "a\r\n\r\nb"}, {"end\n", "end\r\n"},
        {"\r\n\n\r", "\r\n\r\n\r"}, {"", ""}};
    // clang-format on
    for (const auto& [in, out] : cases) EXPECT_EQ(FixLineBreaks(in), out) << in;
}

TEST(FileNameOf, TakesTrimmedTextAfterLastBackslash) {
    // clang-format off
    const TextPair cases[] = {{"C:\\windows\\calc.exe", "calc.exe"}, {"C:\\windows\\", ""},
        {"calc.exe", "calc.exe"}, {"  C:\\a\\ b c  ", "b c"}, {"   ", ""}, {"", ""}, {"\\", ""}};
    // clang-format on
    for (const auto& [in, out] : cases) EXPECT_EQ(FileNameOf(in), out) << in;
}

}  // namespace
}  // namespace kes
