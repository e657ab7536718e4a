#include <gtest/gtest.h>

#include "e2e/UtilityProbe.h"
#include "support/Harness.h"
#include "win/SettingsStore.h"

namespace kes::test {
namespace {

using host::OpenRequest;

const std::string kConverterRequest =
    OpenRequest(host::kConverter, "", 300, 4000, 4500, 2400, false);

// Destroys the host and times the utility's end; its windows and "Scrollbar"
// must be gone with it, the host's value left as it was.
ULONGLONG TimeToEndAfterHostGoes(UtilitySession& session) {
    const auto hostValue = StoredValue("Misc", "Kestrelsim hWnd");
    const ULONGLONG start = GetTickCount64();
    session.DestroyHost();
    EXPECT_TRUE(session.WaitForExit(8000));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(FindWindowW(kConverterClass, nullptr), nullptr);
    EXPECT_FALSE(Scrollbar().has_value());
    EXPECT_EQ(StoredValue("Misc", "Kestrelsim hWnd"), hostValue);
    return elapsed;
}

TEST(Watchdog, HostGoneEndsTheUtilityWithinOneInterval) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(kConverterRequest));
    ASSERT_NE(WaitForToolWindow(kConverterClass), nullptr);
    EXPECT_LT(TimeToEndAfterHostGoes(session), 5600u);
}

TEST(Watchdog, AfterTheFastRequestTheEndFollowsAtOnce) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(kConverterRequest));
    HWND converter = WaitForToolWindow(kConverterClass);
    ASSERT_NE(converter, nullptr);
    ASSERT_TRUE(session.Send(host::kFastWatchdogRequest));
    // Many ticks with the host alive change nothing.
    Pump(300);
    EXPECT_TRUE(session.Running());
    EXPECT_EQ(FindToolWindow(kConverterClass), converter);
    EXPECT_LT(TimeToEndAfterHostGoes(session), 1000u);
}

TEST(Watchdog, HostValueThatIsNotANumberEndsTheUtilityAtTheFirstTick) {
    UtilitySession session;
    win::SettingsStore().Save("Misc", "Kestrelsim hWnd", "not a window");
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(session.Start(kConverterRequest));
    // The request itself is carried out.
    EXPECT_NE(WaitForToolWindow(kConverterClass), nullptr);
    EXPECT_TRUE(session.WaitForExit(9000));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 4500u);
    EXPECT_LT(elapsed, 7000u);
    EXPECT_FALSE(Scrollbar().has_value());
    EXPECT_EQ(StoredValue("Misc", "Kestrelsim hWnd"), "not a window");
}

}  // namespace
}  // namespace kes::test
