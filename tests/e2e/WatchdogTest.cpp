#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "support/Harness.h"
#include "win/SettingsStore.h"

namespace kes::test {
namespace {

// How the host's handle is published: its own window, a window of this process (either
// destroyed once the utility runs), none at all, or a stored text. Absent: the start gives up
// waiting for it after five seconds and shows nothing. Unusable: the request is carried out
// and the first tick ends it, after the normal interval or at once after the fast request.
// Bounds leave room for a loaded machine's process end, yet lie far apart.
TEST(Watchdog, HostGoneOrAnUnusableHandleEndsTheUtilityAtTheNextTick) {
    enum Handle { kHostWindow, kOwnWindow, kAbsent, kText };
    // clang-format off
    const std::tuple<Handle, std::string, bool, ULONGLONG, ULONGLONG> rows[] = {
        {kHostWindow, "", false, 0, 7500}, {kHostWindow, "", true, 0, 2500},
        {kOwnWindow, "", true, 0, 2500}, {kAbsent, "", false, 4500, 8500},
        {kText, "not a window", false, 4500, 8500}, {kText, "host", true, 0, 2500},
        {kText, "-5", true, 0, 2500}, {kText, "1099511627776", true, 0, 2500},
        {kText, std::string(32000, '9'), true, 0, 2500}};
    // clang-format on
    for (const auto& [handle, text, fast, minMs, maxMs] : rows) {
        SCOPED_TRACE(testing::Message() << handle << " " << text.substr(0, 20) << " " << fast);
        UtilitySession session;
        const HWND own = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                         nullptr, nullptr);
        if (handle == kOwnWindow) session.Link().PublishHostWindow(own);
        if (handle == kAbsent) session.Link().WithdrawHostWindow();
        if (handle == kText) win::SettingsStore().Save(kSectionMisc, kHostWndValue, text);
        const auto hostValue = StoredValue(kSectionMisc, kHostWndValue);
        ULONGLONG from = GetTickCount64();
        ASSERT_TRUE(session.Start(kConverterRequest));
        const HWND converter = handle == kAbsent ? nullptr : WaitForWindow(kConverterClass);
        if (fast) {
            ASSERT_TRUE(session.Send(host::kFastWatchdogRequest));
            from = GetTickCount64();
        }
        if (handle == kHostWindow || handle == kOwnWindow) {
            // Many ticks with the host alive change nothing.
            Pump(300);
            EXPECT_TRUE(session.Running());
            EXPECT_EQ(FindVisible(kConverterClass), converter);
            from = GetTickCount64();
        }
        DestroyWindow(own);
        session.DestroyHost();
        bool windowSeen = converter != nullptr;
        EXPECT_TRUE(WaitUntil(
            [&] {
                windowSeen = windowSeen || FindVisible(kConverterClass) != nullptr;
                return !session.Running();
            },
            11000));
        const ULONGLONG elapsed = GetTickCount64() - from;
        EXPECT_GE(elapsed, minMs);
        EXPECT_LT(elapsed, maxMs);
        EXPECT_EQ(windowSeen, handle != kAbsent);
        EXPECT_EQ(FindWindowW(kConverterClass, nullptr), nullptr);
        EXPECT_FALSE(StoredValue(kSectionMisc, kScrollbarValue)) << "outlived the utility";
        EXPECT_EQ(StoredValue(kSectionMisc, kHostWndValue), hostValue);
    }
}

}  // namespace
}  // namespace kes::test
