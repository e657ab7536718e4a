#pragma once
#include <string>
#include <string_view>

namespace kes {

// Same numbering for the source option buttons and the target buttons.
enum class Unit : int { dBm = 0, mW = 1, Vop = 2, Vrms = 3 };

// Two blanks and the unit name, as shown behind the result number.
std::string_view UnitSuffix(Unit unit);

struct ConversionResult {
    bool refused = false;  // zero in a linear unit has no dBm value; nothing is shown
    std::string number;    // the formatted number alone
    std::string text;      // number + UnitSuffix(target)
};

// x is the input level, trimmedInput its text (shown reformatted when the unit stays),
// resistance 50 or 1 ohms.
ConversionResult ConvertLevel(Unit source, Unit target, double x, std::string_view trimmedInput,
                              double resistance, std::string_view decimalSeparator);

}  // namespace kes
