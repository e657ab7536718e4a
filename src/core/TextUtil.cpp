#include "core/TextUtil.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace kes {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string FixLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

std::string FileNameOf(std::string_view path) {
    if (TrimBlanks(path).empty()) return {};
    const auto slash = path.rfind('\\');
    const auto tail = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(TrimBlanks(tail));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

DecimalScan ScanDecimal(std::string_view s, std::size_t start, std::string_view point) {
    DecimalScan scan;
    std::size_t i = start;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::string mantissa;
    int64_t integerDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++integerDigits) mantissa += s[i];
    if (!point.empty() && s.substr(i).starts_with(point)) {
        const std::size_t afterPoint = i + point.size();
        std::size_t j = afterPoint;
        while (j < s.size() && IsDigit(s[j])) mantissa += s[j++];
        // A point with digits on neither side is no number at all.
        if (!mantissa.empty()) i = j;
    }
    if (mantissa.empty()) {
        scan.end = start;
        return scan;
    }
    scan.hasDigits = true;
    scan.negative = negative;
    int64_t exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
        if (j < s.size() && IsDigit(s[j])) {
            // Saturate: an exponent this large already decides every outcome.
            constexpr int64_t kExponentCap = int64_t{1} << 40;
            for (; j < s.size() && IsDigit(s[j]); ++j)
                exponent = std::min(kExponentCap, exponent * 10 + (s[j] - '0'));
            if (negativeExponent) exponent = -exponent;
            i = j;
        }
    }
    scan.end = i;
    const auto firstNonZero = mantissa.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return scan;
    scan.digits = mantissa.substr(firstNonZero);
    scan.pointPos = integerDigits - static_cast<int64_t>(firstNonZero) + exponent;
    return scan;
}

std::optional<double> DecimalValue(const DecimalScan& scan) {
    if (!scan.hasDigits) return std::nullopt;
    if (scan.digits.empty()) return scan.negative ? -0.0 : 0.0;
    const std::string plain =
        (scan.negative ? "-0." : "0.") + scan.digits + "e" + std::to_string(scan.pointPos);
    double value = 0;
    const char* last = plain.data() + plain.size();
    const auto [ptr, ec] = std::from_chars(plain.data(), last, value);
    if (ec == std::errc::result_out_of_range && scan.pointPos <= 0)
        return scan.negative ? -0.0 : 0.0;
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

}  // namespace kes
