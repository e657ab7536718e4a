#include "core/LevelConversion.h"

#include "core/NumberText.h"

#include <cmath>

namespace kes {
namespace {

// The host's own 15-digit value of ln 10; its exact value would move the last digits.
constexpr double kLn10 = 2.30258509299405;

// Formulas as the host writes them, evaluated left to right; x2 is x squared.
double Convert(Unit source, Unit target, double x, double r) {
    const double x2 = x * x;
    switch (source) {
        case Unit::dBm:
            switch (target) {
                case Unit::mW:
                    return std::pow(10.0, x / 10);
                case Unit::Vop:
                    return std::sqrt(std::pow(10.0, (x - 30) / 10) * 2 * r);
                case Unit::Vrms:
                    return std::sqrt(std::pow(10.0, (x - 30) / 10) * r);
                default:
                    break;
            }
            break;
        case Unit::mW:
            switch (target) {
                case Unit::dBm:
                    return 10 * std::log(x) / kLn10;
                case Unit::Vop:
                    return std::sqrt(2 * r * x / 1000);
                case Unit::Vrms:
                    return std::sqrt(r * x / 1000);
                default:
                    break;
            }
            break;
        case Unit::Vop:
            switch (target) {
                case Unit::dBm:
                    return 10 * std::log(x2 / (2 * r)) / kLn10 + 30;
                case Unit::mW:
                    return 1000 * x2 / (2 * r);
                case Unit::Vrms:
                    return std::sqrt(x2 / 2);
                default:
                    break;
            }
            break;
        case Unit::Vrms:
            switch (target) {
                case Unit::dBm:
                    return 10 * std::log(x2 / r) / kLn10 + 30;
                case Unit::mW:
                    return 1000 * x2 / r;
                case Unit::Vop:
                    return std::sqrt(2 * x2);
                default:
                    break;
            }
            break;
    }
    return NAN;  // unknown unit numbers convert to nothing
}

}  // namespace

std::string_view UnitSuffix(Unit unit) {
    switch (unit) {
        case Unit::dBm:
            return "  dBm";
        case Unit::mW:
            return "  mW";
        case Unit::Vop:
            return "  Vo-p";
        case Unit::Vrms:
            return "  Vrms";
    }
    return {};
}

ConversionResult ConvertLevel(Unit source, Unit target, double x, std::string_view trimmedInput,
                              double resistance, std::string_view decimalSeparator) {
    ConversionResult result;
    if (target == Unit::dBm && x == 0 && source != Unit::dBm) {
        result.refused = true;
        return result;
    }
    if (source == target) {
        result.number = FormatNumberText(trimmedInput, decimalSeparator);
    } else {
        // A failed logarithm or root gives NaN; FormatNumberValue shows it as "0".
        result.number = FormatNumberValue(Convert(source, target, x, resistance), decimalSeparator);
    }
    result.text = result.number + std::string(UnitSuffix(target));
    return result;
}

}  // namespace kes
