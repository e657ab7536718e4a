#include <gtest/gtest.h>

#include "support/Harness.h"
#include "win/SettingsStore.h"

namespace kes::test {
namespace {

using host::OpenRequest;

TEST(Startup, NormalStartOpensTheRequestedWindowAtTheAnchor) {
    UtilitySession session;
    ASSERT_TRUE(session.Start(OpenRequest(host::kConverter, "", 300, 4000, 1200, 2400, false)));
    HWND converter = WaitForWindow("Units Converter");
    ASSERT_NE(converter, nullptr);
    const double t = TwipsPerPixel();
    const TwipBox box = TwipBoxOf(converter);
    // Top and left lose 5 pixels; the bottom-right corner sits on the anchor.
    EXPECT_NEAR(box.left + box.width, 2400 - 5 * t + 4000, t);
    EXPECT_NEAR(box.top + box.height, 1200 - 5 * t + 300, t);
    EXPECT_TRUE(IsTopmost(converter));
    EXPECT_NE(GetForegroundWindow(), converter);
}

}  // namespace
}  // namespace kes::test
