#include "win/Twips.h"

#include <windows.h>

#include <cmath>

#include "win/Handles.h"

namespace kes::win {
namespace {

double PerPixel(int index) {
    const ScopedGetDC dc(nullptr);
    const int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), index) : 96;
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

}  // namespace

double TwipsPerPixelX() {
    static const double value = PerPixel(LOGPIXELSX);
    return value;
}
double TwipsPerPixelY() {
    static const double value = PerPixel(LOGPIXELSY);
    return value;
}
int TwipsToPixelsX(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixelX()));
}
int TwipsToPixelsY(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixelY()));
}

}  // namespace kes::win
