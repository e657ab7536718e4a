#include <gtest/gtest.h>

#include <string>

#include "e2e/UtilityProbe.h"
#include "support/Harness.h"

namespace kes::test {
namespace {

using host::CloseRequest;

// Two request positions that keep every tool window on the screen.
struct Place {
    int offsetY, offsetX, top, left;
};
constexpr Place kFirst{300, 4000, 4500, 2400};
constexpr Place kSecond{600, 6000, 5000, 3000};

// A full request with any code and window field.
std::string Request(std::string_view code, std::string_view window, const Place& p) {
    return std::string(code) + "@" + std::string(window) + "@@" + std::to_string(p.offsetY) + "@" +
           std::to_string(p.offsetX) + "@" + std::to_string(p.top) + "@" + std::to_string(p.left) +
           "@False@";
}
std::string Open(int window, const Place& p) {
    return Request("0", std::to_string(window), p);
}
testing::AssertionResult AtPlace(HWND hwnd, const Place& p) {
    return StandsAtRequest(hwnd, p.offsetY, p.offsetX, p.top, p.left);
}

struct ToolWindow {
    int number;
    const wchar_t* windowClass;
    int closedBy;  // either help number closes help, whatever its topic
};
const ToolWindow kToolWindows[] = {
    {kWindowFunctionList, kHelpClass, kWindowHelpText},
    {kWindowHelpText, kHelpClass, kWindowFunctionList},
    {kWindowConverter, kConverterClass, kWindowConverter},
    {kWindowTokenList, kTokenListClass, kWindowTokenList},
};

// Requests go to one running instance; each case sets what it relies on.
class Requests : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(session_.Start("-3@")); }
    // Every request is acknowledged.
    void Send(const std::string& request) { ASSERT_TRUE(session_.Send(request)) << request; }

    UtilitySession session_;
};

TEST_F(Requests, EachToolWindowOpensTopmostReopensFreshAndClosesReadingNoFurther) {
    for (const ToolWindow& w : kToolWindows) {
        SCOPED_TRACE(w.number);
        Send(Open(w.number, kFirst));
        HWND first = WaitForToolWindow(w.windowClass);
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(AtPlace(first, kFirst));
        EXPECT_TRUE(IsTopmost(first));
        Send(Open(w.number, kSecond));
        HWND second = WaitForToolWindow(w.windowClass);
        EXPECT_NE(second, first);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_TRUE(AtPlace(second, kSecond));
        EXPECT_TRUE(IsTopmost(second));
        // The close carries other places; the stored anchor stays the open's.
        Send(Request("-1", std::to_string(w.closedBy), kFirst));
        EXPECT_TRUE(WaitForNoToolWindow(w.windowClass, 2000));
        Send("0@5@");
        EXPECT_TRUE(AtPlace(WaitForToolWindow(kConverterClass), kSecond));
        Send(CloseRequest(kWindowConverter));
        ASSERT_TRUE(WaitForNoToolWindow(kConverterClass, 2000));
        EXPECT_TRUE(session_.Running());
    }
}

TEST_F(Requests, AnchorLosesFivePixelsFromTopAndLeft) {
    if (TwipsPerPixel() != 15.0) GTEST_SKIP() << "the figures below are for 15 twips per pixel";
    struct Case {
        Place place;
        double anchorX, anchorY;
    };
    const Case cases[] = {
        {{300, 4000, 4500, 2400}, 6325, 4725},
        {{4500, 6000, 0, 2400}, 8325, 4425},  // a top of 0 becomes -75
        {{0, 0, 6000, 9000}, 8925, 5925},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place.top);
        Send(Open(kWindowConverter, c.place));
        EXPECT_TRUE(StandsAtAnchor(WaitForToolWindow(kConverterClass), c.anchorX, c.anchorY));
    }
}

TEST_F(Requests, RequestsThatNeitherOpenNorCloseLeaveTheWindows) {
    // Whether each stores its place fields shows in where a later request that
    // names only the window opens the converter.
    struct Case {
        std::string request;
        bool storesPlace;
    };
    const Case cases[] = {
        {Request("-2000", "5", kSecond), false},  // a code that happens to be -2000
        {Request("abc", "5", kSecond), false},    // letters: no usable code
        {Request("", "5", kSecond), false},
        {Request("-3", "5", kSecond), false},  // start only
        {Request("-2", "5", kSecond), false},  // fast watchdog
        {"no separator at all", false},
        {CloseRequest(kWindowHelpText), false},  // closing windows that are not open
        {CloseRequest(kWindowTokenList), false},
        {Request("0", "7", kSecond), true},  // unknown window numbers
        {Request("0", "-4", kSecond), true},
        {Request("-1", "7", kSecond), true},
        {Request("-1", "", kSecond), true},
        {Request("-1", "abc", kSecond), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        Send(Open(kWindowConverter, kFirst));
        HWND converter = WaitForToolWindow(kConverterClass);
        ASSERT_TRUE(AtPlace(converter, kFirst));
        Send(c.request);
        Pump(50);
        EXPECT_EQ(FindToolWindow(kConverterClass), converter) << "closed or reopened";
        EXPECT_EQ(FindWindowW(kHelpClass, nullptr), nullptr);
        EXPECT_EQ(FindWindowW(kTokenListClass, nullptr), nullptr);
        Send("0@5@");
        HWND reopened = WaitForToolWindow(kConverterClass);
        EXPECT_NE(reopened, converter);
        EXPECT_TRUE(AtPlace(reopened, c.storesPlace ? kSecond : kFirst));
    }
    EXPECT_TRUE(session_.Running());
}

TEST_F(Requests, CodeStandsForTheWindowWhenFieldTwoIsNotANumber) {
    const std::pair<std::string, const wchar_t*> cases[] = {
        {Request("5", "abc", kFirst), kConverterClass},
        {Request("6", "", kFirst), kTokenListClass},
        {Request("1", "x", kFirst), kHelpClass},
        {Request("17", "5", kFirst), kConverterClass},  // any other code opens
    };
    for (const auto& [request, opens] : cases) {
        SCOPED_TRACE(request);
        Send(request);
        EXPECT_TRUE(AtPlace(WaitForToolWindow(opens, 2000), kFirst));
        for (const ToolWindow& w : kToolWindows) Send(CloseRequest(w.number));
        EXPECT_TRUE(WaitForNoToolWindow(opens, 2000));
    }
}

}  // namespace
}  // namespace kes::test
