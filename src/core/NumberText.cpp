#include "core/NumberText.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

namespace kes {
namespace {

// The fifteen significant digits of |v| and the decimal exponent after rounding to them.
void SignificantDigits(double v, std::string& digits, int& exponent) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(v),
                                   std::chars_format::scientific, 14)
                         .ptr;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    digits = std::string(1, text[0]) + std::string(text.substr(2, 14));
    auto exponentText = text.substr(text.find('e') + 1);
    const bool negative = exponentText[0] == '-';
    exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    if (negative) exponent = -exponent;
}

void DropTrailingZeros(std::string& digits) {
    const auto last = digits.find_last_not_of('0');
    digits.erase(last == std::string::npos ? 0 : last + 1);
}

std::string FormatFinite(double v, std::string_view decimalSeparator) {
    std::string digits;
    int e = 0;
    SignificantDigits(v, digits, e);
    const int r = ((e % 3) + 3) % 3;
    std::string out = v < 0 ? "-" : "";
    out += digits.substr(0, static_cast<std::size_t>(r) + 1);
    std::string fraction = digits.substr(static_cast<std::size_t>(r) + 1);
    DropTrailingZeros(fraction);
    if (!fraction.empty()) out.append(decimalSeparator).append(fraction);
    if (e < 0 || e > 2) {
        const int shown = e - r;
        out += shown < 0 ? "e-" : "e+";
        out += std::to_string(shown < 0 ? -shown : shown);
    }
    return out;
}

// The leading number of a text with "." as the point, whatever the locale; no
// number is 0, and one beyond the double range nullopt.
std::optional<double> LeadingNumber(std::string_view text) {
    const auto start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return 0.0;
    const auto scan = ScanDecimal(text, start, ".");
    if (!scan.hasDigits) return 0.0;
    return DecimalValue(scan);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

const std::string kError = "ERROR";

// "&H" and 1 to 8 hexadecimal digits; up to four digits are a 16-bit integer, so "&HFFFF" is -1.
std::string HexLiteral(std::string_view t) {
    const auto digits = t.substr(2);
    if (digits.empty()) return kError;
    uint32_t bits = 0;
    for (const char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return kError;
        bits = bits * 16 + static_cast<uint32_t>(d);
    }
    if (t.size() <= 6) return std::to_string(static_cast<int16_t>(static_cast<uint16_t>(bits)));
    return std::to_string(static_cast<int32_t>(bits));
}

}  // namespace

bool ReadNumberText(std::string_view text, std::string_view decimalSeparator, double& value) {
    const auto trimmed = TrimBlanks(text);
    const auto scan = ScanDecimal(trimmed, 0, decimalSeparator);
    if (!scan.hasDigits || scan.end != trimmed.size()) return false;
    const auto read = DecimalValue(scan);
    if (read) value = *read;
    return read.has_value();
}

std::string FormatNumberText(std::string_view text, std::string_view decimalSeparator) {
    double v = 0;
    if (!ReadNumberText(text, decimalSeparator, v) || v == 0 || !std::isfinite(v)) return "0";
    return FormatFinite(v, decimalSeparator);
}

std::string GeneralNumberText(double value, std::string_view decimalSeparator) {
    if (!std::isfinite(value) || value == 0) return "0";
    std::string digits;
    int e = 0;
    SignificantDigits(value, digits, e);
    DropTrailingZeros(digits);
    std::string out = value < 0 ? "-" : "";
    if (e < -5 || e > 14) {
        out += digits[0];
        if (digits.size() > 1) out.append(decimalSeparator).append(digits, 1);
        out += e < 0 ? "E-" : "E+";
        const int magnitude = e < 0 ? -e : e;
        if (magnitude < 10) out += '0';
        out += std::to_string(magnitude);
    } else if (e >= 0) {
        const auto integerDigits = static_cast<std::size_t>(e) + 1;
        if (digits.size() <= integerDigits) {
            out += digits + std::string(integerDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, integerDigits)
                .append(decimalSeparator)
                .append(digits, integerDigits);
        }
    } else {
        out.append("0").append(decimalSeparator);
        out.append(static_cast<std::size_t>(-e - 1), '0').append(digits);
    }
    return out;
}

// Through the text form on purpose: a value that rounds beyond the double range at 15 digits
// no longer reads as a number and shows as "0", as the host's own conversions do.
std::string FormatNumberValue(double value, std::string_view decimalSeparator) {
    return FormatNumberText(GeneralNumberText(value, decimalSeparator), decimalSeparator);
}

std::string ParseNumberText(std::string& text, int32_t& errorPosition,
                            std::string_view decimalSeparator, const HostEvaluateFn& evaluate) {
    errorPosition = 0;
    double parsedValue = 0;
    text = std::string(TrimBlanks(text));
    if (text.empty()) return "0";
    // A trailing point or comma is an unfinished fraction: "7." means 7, "." alone 0.
    std::string t = text;
    if (t.back() == ',' || t.back() == '.') t.pop_back();
    if (t.empty()) t = "0";
    if (t.size() <= 10 && t.compare(0, 2, "&H") == 0) return HexLiteral(t);
    if (!evaluate) return kError;
    // The evaluator is the host's code: whatever it does counts as a failure without a place.
    int32_t result = 0;
    try {
        result = evaluate(t, parsedValue);
    } catch (...) {
        return kError;
    }
    if (result > 0) return FormatNumberValue(parsedValue, decimalSeparator);
    // The magnitude carries the position: below 1000 as is, 1000-1999 offset by 1000.
    const int64_t p = -int64_t{result};
    if (p < 1000) {
        errorPosition = static_cast<int32_t>(p);
    } else if (p < 2000) {
        errorPosition = static_cast<int32_t>(p - 1000);
    }
    return kError;
}

double NumberValue::AsDouble() const {
    return std::visit([](auto v) { return static_cast<double>(v); }, value);
}

NumberValue TextToValue(std::string_view text, std::string_view decimalSeparator) {
    std::string s(TrimBlanks(text));
    // Either point is taken as the decimal separator, so "2.5" and "2,5" read alike.
    auto at = s.find('.');
    if (at == std::string::npos) at = s.find(',');
    if (at != std::string::npos) s.replace(at, 1, decimalSeparator);
    double value = 0;
    if (ReadNumberText(s, decimalSeparator, value)) return {value};
    if (EqualsNoCase(s, "true")) return {int16_t{-1}};
    if (EqualsNoCase(s, "false")) return {int16_t{0}};
    // A leading number beyond the double range gives the fixed answer 0.
    if (const auto leading = LeadingNumber(s)) return {*leading};
    return {int16_t{0}};
}

}  // namespace kes
