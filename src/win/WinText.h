#pragma once
// UTF-8 inside the program, UTF-16 at the W API, the ANSI code page where DDE
// text and the evaluator's buffer cross.
#include <string>
#include <string_view>

namespace kes::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// The window text of any window, also of another process's.
std::string GetText(void* hwnd);
void SetText(void* hwnd, std::string_view utf8);

}  // namespace kes::win
