#pragma once
#include <string>
#include <string_view>

namespace kes {

// Help topic 0: what the host's expression parser understands, 56 lines joined by CR LF.
// Built on every call because the separators follow the user's locale.
std::string ParserFunctionList(std::string_view decimalSeparator, std::string_view listSeparator);

}  // namespace kes
