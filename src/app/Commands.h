#pragma once
// The process: start-up and the command processor that every request goes to.
#include <string_view>

namespace kes {

// Start-up: decides whether this process lives (see Main.cpp).
void Main(std::string_view commandLine);
// One command string from the command line or a DDE execute.
void ProcessCommand(std::string_view commandString);

}  // namespace kes
