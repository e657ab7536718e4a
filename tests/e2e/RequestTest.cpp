#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>

#include "support/Harness.h"

namespace kes::test {
namespace {

// Two request positions that keep every tool window on the screen.
struct Place {
    int offsetY, offsetX, top, left;
};
constexpr Place kFirst{300, 4000, 4500, 2400};
constexpr Place kSecond{600, 6000, 5000, 3000};

std::string Open(int window, const Place& p) {
    return host::OpenRequest(window, "", p.offsetY, p.offsetX, p.top, p.left, false);
}
testing::AssertionResult AtPlace(HWND hwnd, const Place& p) {
    return StandsAtRequest(hwnd, p.offsetY, p.offsetX, p.top, p.left);
}

// Requests go to one running instance through its command processor; what
// each field stores is the core's.
TEST(Requests, EachToolWindowOpensReopensFreshAndClosesAndOtherRequestsLeaveIt) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(host::kStartOnlyRequest));
    const auto send = [&](const std::string& request) {
        EXPECT_TRUE(session.Send(request)) << request;
    };
    // Window, its class, the number that closes it: either help number closes help.
    // clang-format off
    const std::tuple<int, const wchar_t*, int> windows[] = {
        {kWindowFunctionList, kHelpClass, kWindowHelpText},
        {kWindowHelpText, kHelpClass, kWindowFunctionList},
        {kWindowConverter, kConverterClass, kWindowConverter},
        {kWindowTokenList, kTokenListClass, kWindowTokenList}};
    // clang-format on
    for (const auto& [number, windowClass, closedBy] : windows) {
        SCOPED_TRACE(number);
        send(Open(number, kFirst));
        HWND first = WaitForWindow(windowClass);
        EXPECT_TRUE(AtPlace(first, kFirst));
        EXPECT_TRUE(IsTopmost(first));
        send(Open(number, kSecond));
        HWND second = WaitForWindow(windowClass);
        EXPECT_NE(second, first);
        EXPECT_FALSE(IsWindow(first));
        EXPECT_TRUE(AtPlace(second, kSecond));
        send(host::CloseRequest(closedBy));
        EXPECT_TRUE(WaitForNoWindow(windowClass, 2000));
    }
    // Closes of windows that are not open and unknown window numbers leave the converter as it
    // is; the first seven store no field (no half-applied request), the others the places. A
    // bare reopen after each shows the stored place.
    const std::string fields = "5@@600@6000@5000@3000@False@";
    // clang-format off
    const std::pair<std::string, bool> others[] = {
        {"-2000@" + fields, false}, {"abc@" + fields, false}, {"-3@" + fields, false},
        {"-2@" + fields, false}, {"no separator at all", false},
        {host::CloseRequest(kWindowHelpText), false}, {host::CloseRequest(kWindowTokenList), false},
        {Open(7, kSecond), true}, {Open(-4, kSecond), true},
        {"-1@7@@600@6000@5000@3000@False@", true}};
    // clang-format on
    send(Open(kWindowConverter, kFirst));
    HWND converter = WaitForWindow(kConverterClass);
    for (const auto& [request, stores] : others) {
        SCOPED_TRACE(request);
        send(request);
        Pump(50);
        EXPECT_EQ(FindVisible(kConverterClass), converter) << "closed or reopened";
        EXPECT_EQ(FindWindowW(kHelpClass, nullptr), nullptr);
        EXPECT_EQ(FindWindowW(kTokenListClass, nullptr), nullptr);
        send("0@5@");
        EXPECT_NE(FindVisible(kConverterClass), converter);
        EXPECT_TRUE(AtPlace(converter = WaitForWindow(kConverterClass), stores ? kSecond : kFirst));
    }
    EXPECT_TRUE(session.Running());
}

}  // namespace
}  // namespace kes::test
