#pragma once
// Brings up the desktop calculator for the converter and the token window.
#include <optional>
#include <string>
#include <string_view>

namespace kes {

// Brings an open calculator to the front; starts one unless the one this
// process started is still open. Returns the program path that could not be
// started, for the caller to report.
std::optional<std::string> LaunchCalculator();

// True when path names an existing file (not a directory).
bool FileExists(std::string_view path);

}  // namespace kes
