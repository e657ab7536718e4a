#include <gtest/gtest.h>

#include <string>

#include "e2e/UtilityProbe.h"
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

std::string Open(int window, const Place& p, std::string_view text = "") {
    return OpenRequest(window, text, p.offsetY, p.offsetX, p.top, p.left, false);
}
// The same request with the close code, or with another window number.
std::string WithCode(std::string_view code, std::string_view window, const Place& p) {
    return std::string(code) + "@" + std::string(window) + "@@" + std::to_string(p.offsetY) + "@" +
           std::to_string(p.offsetX) + "@" + std::to_string(p.top) + "@" + std::to_string(p.left) +
           "@False@";
}
testing::AssertionResult AtPlace(HWND hwnd, const Place& p) {
    return StandsAtAnchor(hwnd, AnchorX(p.offsetX, p.left), AnchorY(p.offsetY, p.top));
}

// Requests go to one running instance; each case sets what it relies on.
class Requests : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(session_.Start("-3@")); }

    // Sends and checks the acknowledgement: every request is accepted.
    void Send(const std::string& request) { ASSERT_TRUE(session_.Send(request)) << request; }

    // The converter opened at a known anchor, to see later whether a request
    // closed it, reopened it or moved the stored anchor.
    HWND ConverterAt(const Place& p) {
        Send(Open(host::kConverter, p));
        HWND converter = WaitForToolWindow(kConverterClass);
        EXPECT_TRUE(AtPlace(converter, p));
        return converter;
    }

    UtilitySession session_;
};

struct ToolWindow {
    int number;
    const wchar_t* windowClass;
};
const ToolWindow kToolWindows[] = {
    {host::kHelpFunctionList, kHelpClass},
    {host::kHelpText, kHelpClass},
    {host::kConverter, kConverterClass},
    {host::kTokenList, kTokenListClass},
};

TEST_F(Requests, EachToolWindowOpensTopmostAtTheAnchorAndCloses) {
    for (const ToolWindow& w : kToolWindows) {
        SCOPED_TRACE(w.number);
        Send(Open(w.number, kFirst));
        HWND hwnd = WaitForToolWindow(w.windowClass);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_TRUE(AtPlace(hwnd, kFirst));
        EXPECT_TRUE(IsTopmost(hwnd));
        Send(CloseRequest(w.number));
        EXPECT_TRUE(WaitForNoToolWindow(w.windowClass, 2000));
        EXPECT_TRUE(session_.Running());
    }
}

TEST_F(Requests, HelpCloseRequestClosesEitherTopic) {
    for (auto [open, close] : {std::pair{0, 1}, std::pair{1, 0}}) {
        SCOPED_TRACE(open);
        Send(Open(open, kFirst, "topic text"));
        ASSERT_NE(WaitForToolWindow(kHelpClass), nullptr);
        Send(CloseRequest(close));
        EXPECT_TRUE(WaitForNoToolWindow(kHelpClass, 2000));
    }
}

TEST_F(Requests, ReopenIsAFreshWindowAtTheNewAnchor) {
    for (const ToolWindow& w : kToolWindows) {
        SCOPED_TRACE(w.number);
        Send(Open(w.number, kFirst));
        HWND first = WaitForToolWindow(w.windowClass);
        ASSERT_NE(first, nullptr);
        Send(Open(w.number, kSecond));
        HWND second = WaitForToolWindow(w.windowClass);
        EXPECT_NE(second, first);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_TRUE(AtPlace(second, kSecond));
        Send(CloseRequest(w.number));
        EXPECT_TRUE(WaitForNoToolWindow(w.windowClass, 2000));
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
        // A top of 0 becomes -75.
        {{4500, 6000, 0, 2400}, 8325, 4425},
        {{0, 0, 6000, 9000}, 8925, 5925},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place.top);
        Send(Open(host::kConverter, c.place));
        EXPECT_TRUE(StandsAtAnchor(WaitForToolWindow(kConverterClass), c.anchorX, c.anchorY));
    }
}

TEST_F(Requests, RequestsThatNeitherOpenNorCloseKeepTheStoredAnchor) {
    // Each leaves the open converter as it is, and a later request that names
    // only the window still finds the first anchor.
    const std::string requests[] = {
        WithCode("-2000", "5", kSecond),  // a code that happens to be -2000
        WithCode("abc", "5", kSecond),    // letters: no usable code
        WithCode("", "5", kSecond),       // empty code
        WithCode("-3", "5", kSecond),     // start only
        WithCode("-2", "5", kSecond),     // fast watchdog
        "no separator at all",
    };
    for (const std::string& request : requests) {
        SCOPED_TRACE(request);
        HWND converter = ConverterAt(kFirst);
        ASSERT_NE(converter, nullptr);
        Send(request);
        Pump(50);
        EXPECT_EQ(FindToolWindow(kConverterClass), converter) << "closed or reopened";
        Send("0@5@");
        HWND reopened = WaitForToolWindow(kConverterClass);
        EXPECT_NE(reopened, converter);
        EXPECT_TRUE(AtPlace(reopened, kFirst));
    }
    EXPECT_TRUE(session_.Running());
}

TEST_F(Requests, RequestsThatOpenNothingStillStoreTheirFields) {
    const std::string requests[] = {
        WithCode("0", "7", kSecond),     // open an unknown window
        WithCode("0", "-4", kSecond),    // open a negative window number
        WithCode("-1", "7", kSecond),    // close an unknown window
        WithCode("-1", "", kSecond),     // close without a window number
        WithCode("-1", "abc", kSecond),  // close with letters for the number
    };
    for (const std::string& request : requests) {
        SCOPED_TRACE(request);
        HWND converter = ConverterAt(kFirst);
        ASSERT_NE(converter, nullptr);
        Send(request);
        Pump(50);
        EXPECT_EQ(FindToolWindow(kConverterClass), converter);
        EXPECT_EQ(FindWindowW(kHelpClass, nullptr), nullptr);
        EXPECT_EQ(FindWindowW(kTokenListClass, nullptr), nullptr);
        Send("0@5@");
        EXPECT_TRUE(AtPlace(WaitForToolWindow(kConverterClass), kSecond));
    }
}

TEST_F(Requests, CloseRequestReadsNoFurtherFields) {
    for (const ToolWindow& w : kToolWindows) {
        SCOPED_TRACE(w.number);
        Send(Open(w.number, kFirst));
        ASSERT_NE(WaitForToolWindow(w.windowClass), nullptr);
        Send(WithCode("-1", std::to_string(w.number), kSecond));
        EXPECT_TRUE(WaitForNoToolWindow(w.windowClass, 2000));
        // Only the window number: the anchor is still the open request's.
        Send("0@5@");
        EXPECT_TRUE(AtPlace(WaitForToolWindow(kConverterClass), kFirst));
        Send(CloseRequest(host::kConverter));
        ASSERT_TRUE(WaitForNoToolWindow(kConverterClass, 2000));
    }
}

TEST_F(Requests, CodeStandsForTheWindowWhenFieldTwoIsNotANumber) {
    struct Case {
        std::string request;
        const wchar_t* opens;
    };
    const Case cases[] = {
        {WithCode("5", "abc", kFirst), kConverterClass},
        {WithCode("6", "", kFirst), kTokenListClass},
        {WithCode("1", "x", kFirst), kHelpClass},
        {WithCode("17", "5", kFirst), kConverterClass},  // any other code opens
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        Send(c.request);
        HWND hwnd = WaitForToolWindow(c.opens, 2000);
        EXPECT_TRUE(AtPlace(hwnd, kFirst));
        for (const ToolWindow& w : kToolWindows) Send(CloseRequest(w.number));
        EXPECT_TRUE(WaitForNoToolWindow(c.opens, 2000));
    }
}

TEST_F(Requests, ClosingAWindowThatIsNotOpenDoesNothing) {
    HWND converter = ConverterAt(kFirst);
    for (const ToolWindow& w : kToolWindows) {
        if (w.number == host::kConverter) continue;
        Send(CloseRequest(w.number));
    }
    EXPECT_EQ(FindToolWindow(kConverterClass), converter);
    EXPECT_TRUE(session_.Running());
}

}  // namespace
}  // namespace kes::test
