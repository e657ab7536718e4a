#include <gtest/gtest.h>

#include <string>

#include "support/Harness.h"

namespace kes::test {
namespace {

using host::CloseRequest;
using host::OpenRequest;

// Two request positions that keep every tool window on the screen.
struct Place {
    int offsetY, offsetX, top, left;
};
constexpr Place kFirst{300, 4000, 4500, 2400};
constexpr Place kSecond{600, 6000, 5000, 3000};

std::string Open(int window, const Place& p) {
    return OpenRequest(window, "", p.offsetY, p.offsetX, p.top, p.left, false);
}
testing::AssertionResult AtPlace(HWND hwnd, const Place& p) {
    return StandsAtRequest(hwnd, p.offsetY, p.offsetX, p.top, p.left);
}

// Requests go to one running instance through its command processor.
class Requests : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(session_.Start(host::kStartOnlyRequest)); }
    void Send(const std::string& request) { ASSERT_TRUE(session_.Send(request)) << request; }
    UtilitySession session_;
};

TEST_F(Requests, EachToolWindowOpensTopmostReopensFreshAndClosesReadingNoFurther) {
    const struct {
        int number;
        const wchar_t* windowClass;
        int closedBy;  // either help number closes help, whatever its topic
    } windows[] = {
        {kWindowFunctionList, kHelpClass, kWindowHelpText},
        {kWindowHelpText, kHelpClass, kWindowFunctionList},
        {kWindowConverter, kConverterClass, kWindowConverter},
        {kWindowTokenList, kTokenListClass, kWindowTokenList},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.number);
        Send(Open(w.number, kFirst));
        HWND first = WaitForWindow(w.windowClass);
        EXPECT_TRUE(AtPlace(first, kFirst));
        EXPECT_TRUE(IsTopmost(first));
        Send(Open(w.number, kSecond));
        HWND second = WaitForWindow(w.windowClass);
        EXPECT_NE(second, first);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_TRUE(AtPlace(second, kSecond));
        EXPECT_TRUE(IsTopmost(second));
        // The close carries other places; the stored anchor stays the open's.
        Send("-1@" + std::to_string(w.closedBy) + "@@300@4000@4500@2400@False@");
        EXPECT_TRUE(WaitForNoWindow(w.windowClass, 2000));
        Send("0@5@");
        EXPECT_TRUE(AtPlace(WaitForWindow(kConverterClass), kSecond));
        Send(CloseRequest(kWindowConverter));
        ASSERT_TRUE(WaitForNoWindow(kConverterClass, 2000));
    }
}

TEST_F(Requests, RequestsThatNeitherOpenNorCloseLeaveTheWindows) {
    const std::string requests[] = {
        "-2000@5@@600@6000@5000@3000@False@",
        "abc@5@@600@6000@5000@3000@False@",
        "-3@5@@600@6000@5000@3000@False@",
        "-2@5@@600@6000@5000@3000@False@",
        "no separator at all",
        CloseRequest(kWindowHelpText),  // windows that are not open
        CloseRequest(kWindowTokenList),
        Open(7, kSecond),  // unknown window numbers
        Open(-4, kSecond),
        "-1@7@@600@6000@5000@3000@False@",
    };
    Send(Open(kWindowConverter, kFirst));
    HWND converter = WaitForWindow(kConverterClass);
    ASSERT_TRUE(AtPlace(converter, kFirst));
    for (const std::string& request : requests) {
        SCOPED_TRACE(request);
        Send(request);
        Pump(50);
        EXPECT_EQ(FindVisible(kConverterClass), converter) << "closed or reopened";
        EXPECT_EQ(FindWindowW(kHelpClass, nullptr), nullptr);
        EXPECT_EQ(FindWindowW(kTokenListClass, nullptr), nullptr);
    }
    EXPECT_TRUE(session_.Running());
}

}  // namespace
}  // namespace kes::test
