#include "evaluator/Evaluator.h"

#include "core/TextUtil.h"

#include <array>
#include <cfenv>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <random>
#include <string>

namespace kes {
namespace {

constexpr int32_t kSuccess = 1;
constexpr int32_t kPositionBase = 1000;
constexpr int32_t kNoPosition = -2000;
// Nesting (parentheses, prefixes, exponent chains) beyond this is refused
// rather than risking the caller's stack: the host's thread may be small.
constexpr int kMaxDepth = 100;

constexpr double kPi = 3.14159265358979323846;
constexpr double kSqrt2 = 1.41421356237309504880;

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

double Truth(bool b) {
    return b ? 1.0 : 0.0;
}

// Sign follows the divisor, as in mathematics: mod(-1;3) is 2, mod(1;-3) is -2.
double Modulo(double x, double y) {
    double r = std::fmod(x, y);
    if (r != 0 && ((r < 0) != (y < 0))) r += y;
    return r;
}

double Sign(double x) {
    return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
}

struct Function {
    std::string_view name;
    int arity;
    double (*apply)(double, double);
};

// atan2(x;y) is the angle of the point (x, y), so the arguments are the
// other way round from the C library's atan2(y, x).
const std::array<Function, 25> kFunctions = {{
    {"abs", 1, [](double x, double) { return std::fabs(x); }},
    {"acos", 1, [](double x, double) { return std::acos(x); }},
    {"alog", 1, [](double x, double) { return std::pow(10.0, x); }},
    {"alogdb", 1, [](double x, double) { return std::pow(10.0, x / 10.0); }},
    {"asin", 1, [](double x, double) { return std::asin(x); }},
    {"atan", 1, [](double x, double) { return std::atan(x); }},
    {"atan2", 2, [](double x, double y) { return std::atan2(y, x); }},
    {"cos", 1, [](double x, double) { return std::cos(x); }},
    {"cosh", 1, [](double x, double) { return std::cosh(x); }},
    {"erf", 1, [](double x, double) { return std::erf(x); }},
    {"erfc", 1, [](double x, double) { return std::erfc(x); }},
    {"exp", 1, [](double x, double) { return std::exp(x); }},
    {"frac", 1, [](double x, double) { return x - std::trunc(x); }},
    {"int", 1, [](double x, double) { return std::trunc(x); }},
    {"log", 1, [](double x, double) { return std::log(x); }},
    {"log2", 1, [](double x, double) { return std::log2(x); }},
    {"log10", 1, [](double x, double) { return std::log10(x); }},
    {"mod", 2, [](double x, double y) { return Modulo(x, y); }},
    {"q", 1, [](double x, double) { return 0.5 * std::erfc(x / kSqrt2); }},
    {"sgn", 1, [](double x, double) { return Sign(x); }},
    {"sin", 1, [](double x, double) { return std::sin(x); }},
    {"sinh", 1, [](double x, double) { return std::sinh(x); }},
    {"sqrt", 1, [](double x, double) { return std::sqrt(x); }},
    {"tan", 1, [](double x, double) { return std::tan(x); }},
    {"tanh", 1, [](double x, double) { return std::tanh(x); }},
}};

struct Constant {
    std::string_view name;
    double value;
};

const std::array<Constant, 5> kConstants = {{
    {"pi", kPi},
    {"tpi", 2 * kPi},
    {"hpi", kPi / 2},
    {"c", 299792458.0},
    {"k", 1.380649e-23},
}};

std::mt19937_64& RandomEngine() {
    thread_local std::mt19937_64 engine = [] {
        auto seed = static_cast<uint64_t>(
            std::chrono::high_resolution_clock::now().time_since_epoch().count());
        try {
            std::random_device device;
            seed ^= (static_cast<uint64_t>(device()) << 32) ^ device();
        } catch (...) {
            // The clock alone will do.
        }
        return std::mt19937_64(seed);
    }();
    return engine;
}

// Recursive descent, lowest precedence first:
//   or:   xor { "|" xor }          xor: and { "#" and }      and: cmp { "&" cmp }
//   cmp:  sum { ("="|"!="|"<"|"<="|">"|">=") sum }
//   sum:  product { ("+"|"-") product }    product: unary { ("*"|"/") unary }
//   unary: ("-"|"+"|"!") unary | power     power: primary [ "^" unary ]
// so -2^2 is -(2^2) and 2^-1 is 0.5; "^" is right-associative.
// A syntax error stops the parse at once. A domain error (a non-finite
// intermediate) only marks the result, so that a later syntax error, which
// has a position to show, is still found.
class Parser {
  public:
    Parser(std::string_view text, char decimalSeparator, char listSeparator)
        : text_(text), decimal_(decimalSeparator), list_(listSeparator) {}

    int32_t Run(double& value) {
        const double result = Or();
        Peek();
        if (!failed_ && pos_ != text_.size()) Fail(pos_);
        if (failed_) {
            if (errorPos_ >= static_cast<size_t>(kPositionBase)) return kNoPosition;
            return -(kPositionBase + static_cast<int32_t>(errorPos_));
        }
        if (domainError_) return kNoPosition;
        value = result;
        return kSuccess;
    }

  private:
    // Next character after blanks; '\0' at the end (and for an embedded NUL,
    // which the host's zero-terminated text could not carry anyway).
    char Peek() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }

    char At(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

    bool Accept(char c) {
        if (Peek() != c || c == '\0') return false;
        ++pos_;
        return true;
    }

    void Fail(size_t at) {
        if (!failed_) {
            failed_ = true;
            errorPos_ = at;
        }
    }

    double Checked(double v) {
        if (!std::isfinite(v)) domainError_ = true;
        return v;
    }

    double Or() {
        double left = Xor();
        while (!failed_ && Accept('|')) {
            const double right = Xor();
            left = Truth(left != 0 || right != 0);
        }
        return left;
    }

    double Xor() {
        double left = And();
        while (!failed_ && Accept('#')) {
            const double right = And();
            left = Truth((left != 0) != (right != 0));
        }
        return left;
    }

    double And() {
        double left = Comparison();
        while (!failed_ && Accept('&')) {
            const double right = Comparison();
            left = Truth(left != 0 && right != 0);
        }
        return left;
    }

    double Comparison() {
        double left = Sum();
        while (!failed_) {
            const char c = Peek();
            const bool withEquals = At(pos_ + 1) == '=';
            if (c == '=') {
                ++pos_;
                left = Truth(left == Sum());
            } else if (c == '!' && withEquals) {
                pos_ += 2;
                left = Truth(left != Sum());
            } else if (c == '<') {
                pos_ += withEquals ? 2 : 1;
                const double right = Sum();
                left = Truth(withEquals ? left <= right : left < right);
            } else if (c == '>') {
                pos_ += withEquals ? 2 : 1;
                const double right = Sum();
                left = Truth(withEquals ? left >= right : left > right);
            } else {
                break;
            }
        }
        return left;
    }

    double Sum() {
        double left = Product();
        while (!failed_) {
            if (Accept('+')) {
                left = Checked(left + Product());
            } else if (Accept('-')) {
                left = Checked(left - Product());
            } else {
                break;
            }
        }
        return left;
    }

    double Product() {
        double left = Unary();
        while (!failed_) {
            if (Accept('*')) {
                left = Checked(left * Unary());
            } else if (Accept('/')) {
                left = Checked(left / Unary());
            } else {
                break;
            }
        }
        return left;
    }

    double Unary() {
        Peek();
        if (depth_ >= kMaxDepth) {
            Fail(pos_);
            return 0;
        }
        ++depth_;
        double v;
        if (Accept('-')) {
            v = -Unary();
        } else if (Accept('+')) {
            v = Unary();
        } else if (Peek() == '!' && At(pos_ + 1) != '=') {
            ++pos_;
            v = Truth(Unary() == 0);
        } else {
            v = Power();
        }
        --depth_;
        return v;
    }

    double Power() {
        const double base = Primary();
        if (failed_ || !Accept('^')) return base;
        return Checked(std::pow(base, Unary()));
    }

    double Primary() {
        const char c = Peek();
        const size_t start = pos_;
        if (Accept('(')) {
            const double v = Or();
            if (!failed_ && !Accept(')')) Fail(pos_);
            return v;
        }
        if (IsDigit(c) || (c == decimal_ && IsDigit(At(pos_ + 1)))) return Number();
        if (!IsLetter(c)) {
            Fail(start);
            return 0;
        }
        while (IsLetter(At(pos_)) || IsDigit(At(pos_))) ++pos_;
        const std::string_view name = text_.substr(start, pos_ - start);
        for (const Constant& constant : kConstants)
            if (EqualsNoCase(name, constant.name)) return constant.value;
        if (EqualsNoCase(name, "un"))
            return std::uniform_real_distribution<double>(0.0, 1.0)(RandomEngine());
        if (EqualsNoCase(name, "gn"))
            return std::normal_distribution<double>(0.0, 1.0)(RandomEngine());
        for (const Function& function : kFunctions)
            if (EqualsNoCase(name, function.name)) return Call(function);
        Fail(start);
        return 0;
    }

    double Call(const Function& function) {
        if (!Accept('(')) {
            Fail(pos_);
            return 0;
        }
        const double x = Or();
        double y = 0;
        if (function.arity == 2 && !failed_) {
            if (Accept(list_)) {
                y = Or();
            } else {
                Fail(pos_);
            }
        }
        if (failed_) return 0;
        if (!Accept(')')) {
            Fail(pos_);
            return 0;
        }
        return Checked(function.apply(x, y));
    }

    // digits [sep digits] [e [sign] digits], or sep digits [...]; the separator
    // is the caller's decimal separator. Signs are operators, read elsewhere.
    double Number() {
        const size_t start = pos_;
        const DecimalScan scan = ScanDecimal(text_, pos_, std::string_view(&decimal_, 1));
        pos_ = scan.end;
        const auto value = DecimalValue(scan);
        if (!value) {
            Fail(start);
            return 0;
        }
        return *value;
    }

    std::string_view text_;
    char decimal_;
    char list_;
    size_t pos_ = 0;
    int depth_ = 0;
    bool failed_ = false;
    size_t errorPos_ = 0;
    bool domainError_ = false;
};

}  // namespace

int32_t Evaluate(std::string_view text, double& value, char decimalSeparator, char listSeparator) {
    // The host may run with floating-point exceptions unmasked: keep them
    // quiet here, since a domain error is an answer, not a fault.
    std::fenv_t environment;
    const bool held = std::feholdexcept(&environment) == 0;
    int32_t result = kNoPosition;
    try {
        result = Parser(text, decimalSeparator, listSeparator).Run(value);
    } catch (...) {
        result = kNoPosition;
    }
    if (held) std::fesetenv(&environment);
    return result;
}

}  // namespace kes
