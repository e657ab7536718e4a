#pragma once
// The diagnostic log a host developer switches on: when the environment
// variable KESUTIL_LOG names a file at start, every event appends one line to
// it, "<date> <time> [<process id>] <text>". When it is not set, the variable
// is read once and each call below costs the test of a flag.
#include <string>
#include <string_view>

namespace kes::win {

// Build the text of a line only when this holds.
bool LogEnabled() noexcept;
void Log(std::string_view text) noexcept;
// "<file name>:<line>: <what>", for failures that are otherwise swallowed.
void LogAt(const char* file, int line, std::string_view what) noexcept;

// `bytes` in double quotes; quote and backslash as \" and \\, control bytes
// (and bytes from 0x80 up unless `keepUtf8`) as \xHH.
std::string Quoted(std::string_view bytes, bool keepUtf8 = true);

}  // namespace kes::win

// One line naming the place it is written from: KES_LOG_HERE("handler threw").
#define KES_LOG_HERE(what) ::kes::win::LogAt(__FILE__, __LINE__, what)
