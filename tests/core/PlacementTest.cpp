#include "core/Placement.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kes {
namespace {

constexpr Anchor kAnchor{4000 + 2325, 300 + 1125};

TEST(Placement, BottomRightCornerOnTheAnchorOrBesideANeighbourExactlyThere) {
    const WindowBox exact = PlaceAtAnchor(kAnchor, 4995, 2940);
    EXPECT_DOUBLE_EQ(exact.left, 6325 - 4995);
    EXPECT_DOUBLE_EQ(exact.top, 1425 - 2940);
    // Exactness is judged in single precision: 1e-6 at this magnitude still counts.
    const std::tuple<double, double, bool> cases[] = {
        {0, 0, true}, {1e-6, 0, true}, {1, 0, false}, {0, -1, false}, {15, 15, false}};
    for (const auto& [dx, dy, beside] : cases) {
        WindowBox neighbour = exact;
        neighbour.left += dx;
        neighbour.top += dy;
        EXPECT_EQ(StandsAtAnchor(neighbour, kAnchor), beside) << dx << "," << dy;
        const WindowBox box = PlaceAtAnchor(kAnchor, 4200, 3105, neighbour);
        EXPECT_DOUBLE_EQ(box.top, kAnchor.y - 3105) << dx << "," << dy;
        EXPECT_NEAR(box.left, beside ? exact.left - 4200 - 50 : kAnchor.x - 4200, 1e-3)
            << dx << "," << dy;
    }
}

TEST(Placement, HelpWindowUsesItsSavedPlaceOnlyWhenRememberedAndOnScreen) {
    // clang-format off
    const std::tuple<bool, int32_t, bool> cases[] = {
        {true, 1, true}, {true, 900, true}, {true, 0, false},
        {true, -300, false}, {false, 900, false}};
    // clang-format on
    for (const auto& [remember, savedTop, useSaved] : cases) {
        const WindowBox box =
            PlaceHelpWindow(kAnchor, 4200, 3105, remember, savedTop, 777, std::nullopt);
        const std::pair<double, double> expected{kAnchor.y - 3105, kAnchor.x - 4200};
        EXPECT_EQ(std::pair(box.top, box.left),
                  useSaved ? std::pair(savedTop + 0.0, 777.0) : expected)
            << savedTop;
    }
}

}  // namespace
}  // namespace kes
