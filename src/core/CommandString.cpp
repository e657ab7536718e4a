#include "core/CommandString.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace kes {
namespace {

// Fields are wire data from the host: always "." as the point, whatever the
// user's locale, and the whole field must be the number.
std::optional<DecimalScan> ReadDecimal(std::string_view field) {
    const std::string_view s = TrimBlanks(field);
    DecimalScan number = ScanDecimal(s, 0, ".");
    if (!number.hasDigits || number.end != s.size()) return std::nullopt;
    return number;
}

}  // namespace

std::optional<int32_t> ParseIntegerField(std::string_view field) {
    const auto number = ReadDecimal(field);
    if (!number) return std::nullopt;
    const auto& d = number->digits;
    if (d.empty()) return 0;
    // The first digit is not zero, so eleven integer digits are beyond 32 bits for sure.
    if (number->pointPos > 10) return std::nullopt;
    int64_t magnitude = 0;
    const auto length = static_cast<int64_t>(d.size());
    for (int64_t k = 0; k < number->pointPos; ++k)
        magnitude = magnitude * 10 + (k < length ? d[static_cast<std::size_t>(k)] - '0' : 0);
    if (number->pointPos >= 0 && number->pointPos < length) {
        const auto at = static_cast<std::size_t>(number->pointPos);
        const char roundDigit = d[at];
        const bool beyondHalf = d.find_first_not_of('0', at + 1) != std::string::npos;
        if (roundDigit > '5' || (roundDigit == '5' && (beyondHalf || magnitude % 2 != 0)))
            ++magnitude;
    }
    const int64_t value = number->negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<bool> ParseBooleanField(std::string_view field) {
    const auto word = TrimBlanks(field);
    if (EqualsNoCase(word, "true")) return true;
    if (EqualsNoCase(word, "false")) return false;
    if (const auto number = ReadDecimal(word)) return !number->digits.empty();
    return std::nullopt;
}

int32_t ParseRequestCode(std::string_view commandString, int16_t& firstSeparator) {
    firstSeparator = 0;
    if (commandString.size() > kMaxCommandLength) return kNoRequestCode;
    const auto at = commandString.find('@');
    if (at == std::string_view::npos) return kNoRequestCode;
    firstSeparator = static_cast<int16_t>(at + 1);
    return ParseIntegerField(commandString.substr(0, at)).value_or(kNoRequestCode);
}

FieldCursor::FieldCursor(std::string_view commandString, int16_t firstSeparator)
    : text_(commandString), position_(firstSeparator) {
    exhausted_ = firstSeparator < 0 || static_cast<std::size_t>(firstSeparator) > text_.size();
}

// A missing "@" ends the walk for good: reading later fields from the start of the string
// again would hand the request code to the text field and so on.
std::optional<std::string_view> FieldCursor::Next() {
    if (exhausted_) return std::nullopt;
    const auto start = static_cast<std::size_t>(position_);
    const auto at = text_.find('@', start);
    if (at == std::string_view::npos || at + 1 > kMaxCommandLength) {
        exhausted_ = true;
        position_ = 0;
        return std::nullopt;
    }
    position_ = static_cast<int16_t>(at + 1);
    return text_.substr(start, at - start);
}

}  // namespace kes
