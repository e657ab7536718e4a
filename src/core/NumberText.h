#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

namespace kes {

// Every decimalSeparator below is one character in UTF-8, so it may take several bytes.

// Display form: plain from 1 to under 1000 in magnitude, engineering notation elsewhere,
// 15 significant digits, no trailing zeros. Text that is not a number, or zero, gives "0".
std::string FormatNumberText(std::string_view text, std::string_view decimalSeparator);
// The value in its general number form, then formatted as above; non-finite gives "0".
std::string FormatNumberValue(double value, std::string_view decimalSeparator);

// The host's evaluator: result > 0 on success with the value set, otherwise the negated
// error code. An empty function stands for a missing library or entry.
using HostEvaluateFn = std::function<int32_t(std::string& text, double& value)>;

// Trims the caller's text, reads hexadecimal literals itself and hands anything else to the
// evaluator. Gives a number text, or "ERROR" with errorPosition set.
std::string ParseNumberText(std::string& text, int32_t& errorPosition,
                            std::string_view decimalSeparator, const HostEvaluateFn& evaluate);

struct NumberValue {
    std::variant<double, int16_t> value;
    double AsDouble() const;
};
// A number, -1 / 0 for the words true / false, else the leading number of the text.
NumberValue TextToValue(std::string_view text, std::string_view decimalSeparator);

// Optional sign, digits, decimal separator, optional exponent, surrounding blanks allowed.
// False (value unchanged) for anything else or a magnitude beyond the double range.
bool ReadNumberText(std::string_view text, std::string_view decimalSeparator, double& value);

// Up to 15 significant digits without trailing zeros; plain digits for decimal exponents
// -5 to 14, otherwise one digit, the fraction and "E+15" / "E-05".
std::string GeneralNumberText(double value, std::string_view decimalSeparator);

}  // namespace kes
