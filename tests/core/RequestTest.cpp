#include "core/Request.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kes {
namespace {

// Every stored field in one comparable tuple.
auto Stored(const RequestValues& v) {
    return std::tuple(v.RequestCode, v.RequestText, v.RequestOffsetY, v.RequestOffsetX,
                      v.RequestTop, v.RequestLeft, v.RememberPosition);
}
using StoredValues = decltype(Stored(RequestValues{}));

TEST(ApplyCommand, StoresFieldsAndNamesTheAction) {
    using A = CommandAction;
    // Values of an earlier request, so that "left unchanged" is visible.
    RequestValues earlier;
    std::tie(earlier.RequestCode, earlier.RequestText, earlier.RequestOffsetY,
             earlier.RequestOffsetX, earlier.RequestTop, earlier.RequestLeft,
             earlier.RememberPosition) = StoredValues{77, "earlier", 11, 22, 33, 44, true};
    // A close without a usable window number stores the rest and opens nothing; a window
    // number of letters keeps the code as the window number.
    // clang-format off
    const std::tuple<const char*, A, StoredValues> cases[] = {
        {"0@5@@300@4000@1200@2400@False@", A::Open, {5, "", 300, 4000, 1125, 2325, false}},
        {"0@5@@300@4000@1200@2400@False@9@", A::Open, {5, "", 300, 4000, 1125, 2325, false}},
        {"", A::None, {-2000, "earlier", 11, 22, 33, 44, true}},
        {"abc@5@x@1@2@3@4@0@", A::None, {-2000, "earlier", 11, 22, 33, 44, true}},
        {"-3@5@x@1@2@3@4@0@", A::None, {-3, "earlier", 11, 22, 33, 44, true}},
        {" -2 @5@x@1@2@3@4@0@", A::FastWatchdog, {-2, "earlier", 11, 22, 33, 44, true}},
        {"-1@5@x@1@2@3@4@0@", A::Close, {5, "earlier", 11, 22, 33, 44, true}},
        {"-1@0@x@1@2@3@4@0@", A::Close, {0, "earlier", 11, 22, 33, 44, true}},
        {"-1@1@", A::Close, {1, "earlier", 11, 22, 33, 44, true}},
        {"-1@6@", A::Close, {6, "earlier", 11, 22, 33, 44, true}},
        {"-1@", A::Open, {-1, "earlier", 11, 22, 33, 44, true}},
        {"-1@abc@t@1@2@100@200@0@", A::Open, {-1, "t", 1, 2, 25, 125, false}},
        {"-1@3@t@1@2@100@200@0@", A::Open, {3, "t", 1, 2, 25, 125, false}},
        {"5@abc@t@", A::Open, {5, "t", 11, 22, 33, 44, true}},
        {"6@9@list@", A::Open, {9, "list", 11, 22, 33, 44, true}},
        {"0@5@@", A::Open, {5, "", 11, 22, 33, 44, true}},
        {"0@5@ a b @abc@x@@1.5e3@TRUE@", A::Open, {5, " a b ", 11, 22, 33, 1425, true}},
        {"0@1@t@1@2@0@0@maybe@", A::Open, {1, "t", 1, 2, -75, -75, true}},
        {"0@1@t@1@2@3@", A::Open, {1, "t", 1, 2, -72, 44, true}},
        {"0@1@t@1@2@3", A::Open, {1, "t", 1, 2, 33, 44, true}},
        {"0@1@t@@@-2147483648@2147483647@0@", A::Open, {1, "t", 11, 22, 33, 2147483572, false}}};
    // clang-format on
    for (const auto& [command, action, stored] : cases) {
        RequestValues v = earlier;
        EXPECT_EQ(ApplyCommand(command, v, 15, 15), action) << command;
        EXPECT_EQ(Stored(v), stored) << command;
    }
}

TEST(ApplyCommand, FivePixelMarginPerDirectionRoundsHalvesToEvenAndTheAnchorNeverOverflows) {
    RequestValues v;
    // 5 x 2.5 = 12.5 and 5 x 4.5 = 22.5: 1000 - 12.5 -> 988, 1000 - 22.5 -> 978.
    ApplyCommand("0@5@@0@0@1000@1000@0@", v, 4.5, 2.5);
    EXPECT_EQ(std::pair(v.RequestTop, v.RequestLeft), std::pair(988, 978));
    ApplyCommand("0@5@@0@0@1000@1000@0@", v, 3.3, 3.1);  // 984.5 and 983.5
    EXPECT_EQ(std::pair(v.RequestTop, v.RequestLeft), std::pair(984, 984));
    // The anchor adds the offsets.
    ApplyCommand("0@5@@300@4000@1200@2400@False@", v, 15, 15);
    EXPECT_EQ(std::pair(AnchorX(v), AnchorY(v)),
              std::pair(int64_t{4000 + 2325}, int64_t{300 + 1125}));
    v.RequestLeft = v.RequestOffsetX = INT32_MAX;
    v.RequestTop = v.RequestOffsetY = INT32_MIN;
    EXPECT_EQ(std::pair(AnchorX(v), AnchorY(v)),
              std::pair(2 * int64_t{INT32_MAX}, 2 * int64_t{INT32_MIN}));
}

}  // namespace
}  // namespace kes
