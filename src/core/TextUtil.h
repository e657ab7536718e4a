#pragma once
#include <string>
#include <string_view>

namespace kes {

// Blanks are spaces only, as the host trims them.
std::string_view TrimBlanks(std::string_view text);

// Every LF not preceded by CR becomes CR LF.
std::string FixLineBreaks(std::string_view text);

// The trimmed text after the last backslash.
std::string FileNameOf(std::string_view path);

}  // namespace kes
