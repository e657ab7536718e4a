#include "core/Placement.h"

namespace kes {

bool StandsAtAnchor(const WindowBox& box, Anchor anchor) {
    return static_cast<float>(anchor.y - box.height) == static_cast<float>(box.top) &&
           static_cast<float>(anchor.x - box.width) == static_cast<float>(box.left);
}

WindowBox PlaceAtAnchor(Anchor anchor, double width, double height,
                        const std::optional<WindowBox>& neighbour) {
    WindowBox box{anchor.x - width, anchor.y - height, width, height};
    if (neighbour && StandsAtAnchor(*neighbour, anchor))
        box.left = neighbour->left - width - kSideBySideGap;
    return box;
}

WindowBox PlaceHelpWindow(Anchor anchor, double width, double height, bool rememberPosition,
                          int32_t savedTop, int32_t savedLeft,
                          const std::optional<WindowBox>& converter) {
    if (rememberPosition && savedTop >= 1)
        return {double(savedLeft), double(savedTop), width, height};
    return PlaceAtAnchor(anchor, width, height, converter);
}

}  // namespace kes
