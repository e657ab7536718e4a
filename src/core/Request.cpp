#include "core/Request.h"

#include "core/CommandString.h"

#include <cmath>

namespace kes {
namespace {

// Nearest whole number, halves to the even neighbour.
double RoundHalfEven(double x) {
    const double down = std::floor(x);
    const double fraction = x - down;
    if (fraction > 0.5) return down + 1;
    if (fraction < 0.5) return down;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

// The host sends the outer edge of its window; the tool window keeps a margin of 5 pixels.
// A result outside 32 bits is a failed conversion and leaves the value alone.
void StoreLessFivePixels(std::optional<std::string_view> field, double twipsPerPixel,
                         int32_t& target) {
    if (!field) return;
    const auto value = ParseIntegerField(*field);
    if (!value) return;
    const double moved = RoundHalfEven(double(*value) - 5.0 * twipsPerPixel);
    if (std::isfinite(moved) && moved >= INT32_MIN && moved <= INT32_MAX)
        target = static_cast<int32_t>(moved);
}

void StoreInteger(std::optional<std::string_view> field, int32_t& target) {
    if (!field) return;
    if (const auto value = ParseIntegerField(*field)) target = *value;
}

}  // namespace

bool IsToolWindow(int32_t number) {
    return number == kWindowFunctionList || number == kWindowHelpText ||
           number == kWindowConverter || number == kWindowTokenList;
}

CommandAction ApplyCommand(std::string_view commandString, RequestValues& values,
                           double twipsPerPixelX, double twipsPerPixelY) {
    int16_t firstSeparator = 0;
    values.RequestCode = ParseRequestCode(commandString, firstSeparator);
    if (values.RequestCode == kNoRequestCode || values.RequestCode == kStartOnlyCode)
        return CommandAction::None;
    if (values.RequestCode == kFastWatchdogCode) return CommandAction::FastWatchdog;
    const bool isClose = values.RequestCode == kCloseCode;

    FieldCursor cursor(commandString, firstSeparator);
    const auto windowNumber = cursor.Next();
    StoreInteger(windowNumber, values.RequestCode);
    if (isClose && windowNumber && IsToolWindow(values.RequestCode)) return CommandAction::Close;

    if (const auto text = cursor.Next()) values.RequestText = std::string(*text);
    StoreInteger(cursor.Next(), values.RequestOffsetY);
    StoreInteger(cursor.Next(), values.RequestOffsetX);
    StoreLessFivePixels(cursor.Next(), twipsPerPixelY, values.RequestTop);
    StoreLessFivePixels(cursor.Next(), twipsPerPixelX, values.RequestLeft);
    if (const auto field = cursor.Next()) {
        if (const auto flag = ParseBooleanField(*field)) values.RememberPosition = *flag;
    }
    return CommandAction::Open;
}

}  // namespace kes
