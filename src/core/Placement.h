#pragma once
// Where a tool window goes when it loads. All values are twips; a window's
// box is its outer frame.
#include <cstdint>
#include <optional>

namespace kes {

struct WindowBox {
    double left = 0, top = 0, width = 0, height = 0;
};

struct Anchor {
    double x = 0, y = 0;
};

inline constexpr double kSideBySideGap = 50;

// True when the box's bottom-right corner is exactly on the anchor, compared
// as single-precision values the way the windows were always compared.
bool StandsAtAnchor(const WindowBox& box, Anchor anchor);

// Bottom-right corner on the anchor; when `neighbour` (the converter beside a
// help window, or the other way round) stands exactly at the anchor, go to its
// left instead, bottoms aligned, 50 twips apart.
WindowBox PlaceAtAnchor(Anchor anchor, double width, double height,
                        const std::optional<WindowBox>& neighbour = std::nullopt);

// The help window: its remembered place when RememberPosition is set and the
// saved top is at least 1 twip, otherwise as PlaceAtAnchor.
WindowBox PlaceHelpWindow(Anchor anchor, double width, double height, bool rememberPosition,
                          int32_t savedTop, int32_t savedLeft,
                          const std::optional<WindowBox>& converter);

}  // namespace kes
