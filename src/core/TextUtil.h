#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kes {

// Blanks are spaces only, as the host trims them.
std::string_view TrimBlanks(std::string_view text);

// Every LF not preceded by CR becomes CR LF.
std::string FixLineBreaks(std::string_view text);

// The trimmed text after the last backslash.
std::string FileNameOf(std::string_view path);

// ASCII only: the texts compared here are the program's own words.
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
bool EqualsNoCase(std::string_view a, std::string_view b);

// One decimal number read from s at start: an optional sign, digits, an
// optional point (a text of its own, so a multi-byte separator works) and
// digits, and an exponent that counts only with a digit ("1e" is the number 1
// and a letter). Held exactly as its significant digits and the place of the
// point, so no rounding happens before the caller decides.
struct DecimalScan {
    bool hasDigits = false;
    std::size_t end = 0;  // one past the last character taken
    bool negative = false;
    std::string digits;    // no leading zeros; empty means zero
    int64_t pointPos = 0;  // digits before the point, after the exponent
};
DecimalScan ScanDecimal(std::string_view s, std::size_t start, std::string_view point);
// The scan as a double; nullopt when it lies beyond the double range (a value
// too small for a double is zero).
std::optional<double> DecimalValue(const DecimalScan& scan);

}  // namespace kes
