#include "core/ParserFunctionList.h"

#include <algorithm>

#include <initializer_list>
#include <utility>

namespace kes {
namespace {

constexpr const char* kLineBreak = "\r\n";
// The help box's default tab stops line the descriptions up; long names take one tab only.
constexpr const char* kWideGap = "\t\t";
constexpr const char* kNarrowGap = "\t";
constexpr const char* kHalfSign = "\xC2\xBD";

struct Entry {
    std::string name;
    std::string description;
    bool narrow = false;
};

void AppendSection(std::string& out, const char* heading, std::initializer_list<Entry> entries) {
    if (!out.empty()) out += std::string(kLineBreak) + kLineBreak;
    out += heading;
    for (const auto& e : entries)
        out += kLineBreak + e.name + (e.narrow ? kNarrowGap : kWideGap) + e.description;
}

}  // namespace

std::string ParserFunctionList(std::string_view decimalSeparator, std::string_view listSeparator) {
    const std::string dp(decimalSeparator);
    const std::string ls(listSeparator);
    std::string out;
    AppendSection(out, " Function List:",
                  {
                      {" abs(x)", "Absolute Value"},
                      {" acos(x)", "Inverse Cosine"},
                      {" alog(x)", "10 ^ ( x )"},
                      {" alogdb(x) ", "10 ^ ( x / 10 )", true},
                      {" asin(x)", "Inverse Sine"},
                      {" atan(x)", "Inverse tangent"},
                      {" atan2(x" + ls + "y)", "Inverse tangent (2 Quad)", true},
                      {" cos(x)", "Cosine"},
                      {" cosh(x)", "Hyperbolic Cosine"},
                      {" erf(x)", "Error function"},
                      {" erfc(x)", "1 - erf( x )"},
                      {" exp(x)", "e ^ x  (e = 2" + dp + "718...)"},
                      {" frac(x)", "Fractional Part"},
                      {" int(x)", "Integer Part"},
                      {" log(x)", "Natural Log"},
                      {" log2(x)", "Log Base 2"},
                      {" log10(x)", "Log Base 10"},
                      {" mod(x" + ls + "y)", "x Modulo y"},
                      {" Q(x)", std::string(kHalfSign) + " erfc( x / sqrt(2) )"},
                      {" sgn(x)", "Algebraic Sign"},
                      {" sin(x)", "Sine"},
                      {" sinh(x)", "Hyperbolic Sine"},
                      {" sqrt(x)", "Square Root"},
                      {" tan(x)", "Tangent"},
                      {" tanh(x)", "Hyperbolic Tangent"},
                  });
    AppendSection(out, " Boolean Operators (False = 0, True = 1):",
                  {
                      {" &", "AND"},
                      {" |", "OR"},
                      {" #", "XOR"},
                      {" !", "NOT"},
                      {" =", "Equal"},
                      {" !=", "Not equal"},
                      {" >", "Greater than"},
                      {" >=", "Greater than or equal"},
                      {" <", "Less than"},
                      {" <=", "Less than or equal"},
                  });
    AppendSection(out, " Random Numbers:",
                  {
                      {" gn", "Normal (0,1), i.e. Gaussian"},
                      {" un", "Uniform (0,1)"},
                  });
    AppendSection(out, " Constants:",
                  {
                      {" pi", "Constant 3" + dp + "1415..."},
                      {" tpi", "Constant 2 * pi"},
                      {" hpi", "Constant pi / 2"},
                      {" c", "Light 2" + dp + "997...e+8 m / sec"},
                      {" k", "Boltzmann 1" + dp + "380...e-23"},
                  });
    AppendSection(out, " Arithmetic Operators:",
                  {
                      {" ^", "Exponentiation"},
                      {" *", "Multiplication"},
                      {" /", "Division"},
                      {" +", "Addition"},
                      {" -", "Subtraction"},
                  });
    return out;
}

std::optional<DescriptionStops> DescriptionTabStops(
    std::string_view text, const std::function<int(std::string_view)>& measure, int pad) {
    int shortMax = 0, longMin = 0, longMax = 0;
    bool anyLong = false;
    std::optional<DescriptionStops> stops;
    std::size_t line = 0;
    for (std::size_t start = 0; start <= text.size(); ++line) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::size_t tab = text.find('\t', start);
        if (tab < end) {
            const std::string_view name = text.substr(start, tab - start);
            const int width = measure(name);
            if (tab + 1 < end && text[tab + 1] == '\t') {
                shortMax = std::max(shortMax, width);
                if (!stops) stops = DescriptionStops{0, 0, line, std::string(name)};
            } else {
                longMin = anyLong ? std::min(longMin, width) : width;
                longMax = std::max(longMax, width);
                anyLong = true;
            }
        }
        start = end + 2;
    }
    if (!stops) return std::nullopt;
    stops->first = shortMax + pad;
    if (anyLong && longMin > shortMax && longMin <= stops->first)
        stops->first = (shortMax + longMin) / 2;
    stops->second = std::max(stops->first, longMax) + pad;
    return stops;
}

}  // namespace kes
