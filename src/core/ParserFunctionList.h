#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kes {

// Help topic 0: what the host's expression parser understands, 56 lines joined by CR LF.
// Built on every call because the separators follow the user's locale.
std::string ParserFunctionList(std::string_view decimalSeparator, std::string_view listSeparator);

// The list puts two tabs after most names and one after the few long ones; a
// box's default tab stops lie too close to the names to tell them apart. Two
// stops, in the measure's units: the first past every name that two tabs
// follow (and short of the long names where they allow), the second past the
// long names; `pad` is the room left behind a name.
struct DescriptionStops {
    int first = 0;
    int second = 0;
    std::size_t sampleLine = 0;  // a line whose description follows two tabs
    std::string sampleName;      // and its name
};
std::optional<DescriptionStops> DescriptionTabStops(
    std::string_view text, const std::function<int(std::string_view)>& measure, int pad);

}  // namespace kes
