#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/Harness.h"
#include "win/SettingsStore.h"

namespace kes::test {
namespace {

const std::string kConverterRequest =
    host::OpenRequest(kWindowConverter, "", 300, 4000, 4500, 2400, false);

TEST(Watchdog, HostGoneEndsTheUtilityWithinOneIntervalOrAtOnceAfterTheFastRequest) {
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "normal");
        UtilitySession session;
        ASSERT_TRUE(session.Start(kConverterRequest));
        HWND converter = WaitForWindow(kConverterClass);
        ASSERT_NE(converter, nullptr);
        if (fast) {
            ASSERT_TRUE(session.Send(host::kFastWatchdogRequest));
            // Many ticks with the host alive change nothing.
            Pump(300);
            EXPECT_TRUE(session.Running());
            EXPECT_EQ(FindVisible(kConverterClass), converter);
        }
        const auto hostValue = StoredValue(kSectionMisc, kHostWndValue);
        const ULONGLONG start = GetTickCount64();
        session.DestroyHost();
        EXPECT_TRUE(session.WaitForExit(8000));
        // Bounds with room for a loaded machine's process end, yet far apart.
        EXPECT_LT(GetTickCount64() - start, fast ? 2500u : 7500u);
        EXPECT_EQ(FindWindowW(kConverterClass, nullptr), nullptr);
        EXPECT_FALSE(StoredValue(kSectionMisc, kScrollbarValue)) << "outlived the utility";
        EXPECT_EQ(StoredValue(kSectionMisc, kHostWndValue), hostValue);
    }
}

TEST(Watchdog, UnusableHostValueEndsTheUtilityAfterFiveSeconds) {
    // Absent: the start gives up waiting for it and shows nothing. Not a
    // number: the request is carried out, the first tick ends it.
    for (const char* hostValue : {static_cast<const char*>(nullptr), "not a window"}) {
        SCOPED_TRACE(hostValue ? hostValue : "absent");
        UtilitySession session;
        if (hostValue)
            win::SettingsStore().Save(kSectionMisc, kHostWndValue, hostValue);
        else
            session.Link().WithdrawHostWindow();
        const ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(session.Start(kConverterRequest));
        bool windowSeen = false;
        EXPECT_TRUE(WaitUntil(
            [&] {
                windowSeen = windowSeen || FindVisible(kConverterClass) != nullptr;
                return !session.Running();
            },
            11000));
        const ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_GE(elapsed, 4500u);
        EXPECT_LT(elapsed, 8500u);
        EXPECT_EQ(windowSeen, hostValue != nullptr);
        EXPECT_FALSE(StoredValue(kSectionMisc, kScrollbarValue));
        EXPECT_EQ(StoredValue(kSectionMisc, kHostWndValue),
                  hostValue ? std::optional<std::string>(hostValue) : std::nullopt);
    }
}

}  // namespace
}  // namespace kes::test
