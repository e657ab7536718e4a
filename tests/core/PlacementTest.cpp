#include "core/Placement.h"

#include <gtest/gtest.h>

namespace kes {
namespace {

constexpr Anchor kAnchor{4000 + 2325, 300 + 1125};

TEST(Placement, BottomRightCornerOnTheAnchor) {
    const WindowBox box = PlaceAtAnchor(kAnchor, 5000, 3000);
    EXPECT_DOUBLE_EQ(box.left, 6325 - 5000);
    EXPECT_DOUBLE_EQ(box.top, 1425 - 3000);
}

TEST(Placement, BesideANeighbourOnlyWhenItStandsExactlyAtTheAnchor) {
    const WindowBox exact = PlaceAtAnchor(kAnchor, 4995, 2940);
    const struct {
        double dx, dy;
        bool beside;
    } cases[] = {{0, 0, true}, {1, 0, false}, {0, -1, false}, {15, 15, false}};
    for (const auto& c : cases) {
        WindowBox neighbour = exact;
        neighbour.left += c.dx;
        neighbour.top += c.dy;
        const WindowBox box = PlaceAtAnchor(kAnchor, 4200, 3105, neighbour);
        EXPECT_DOUBLE_EQ(box.top, kAnchor.y - 3105) << c.dx << "," << c.dy;
        EXPECT_DOUBLE_EQ(box.left, c.beside ? exact.left - 4200 - 50 : kAnchor.x - 4200)
            << c.dx << "," << c.dy;
    }
}

TEST(Placement, HelpWindowUsesItsSavedPlaceOnlyWhenRememberedAndOnScreen) {
    const struct {
        bool remember;
        int32_t savedTop;
        bool useSaved;
    } cases[] = {{true, 1, true},
                 {true, 900, true},
                 {true, 0, false},
                 {true, -300, false},
                 {false, 900, false}};
    for (const auto& c : cases) {
        const WindowBox box =
            PlaceHelpWindow(kAnchor, 4200, 3105, c.remember, c.savedTop, 777, std::nullopt);
        if (c.useSaved) {
            EXPECT_EQ(box.top, c.savedTop);
            EXPECT_EQ(box.left, 777);
        } else {
            EXPECT_EQ(box.top, kAnchor.y - 3105);
            EXPECT_EQ(box.left, kAnchor.x - 4200);
        }
    }
}

TEST(Placement, ExactnessIsJudgedInSinglePrecision) {
    // A difference below float resolution at this magnitude still counts as exact.
    const WindowBox near{6325 - 4995 + 1e-6, 1425 - 2940, 4995, 2940};
    EXPECT_TRUE(StandsAtAnchor(near, kAnchor));
}

}  // namespace
}  // namespace kes
