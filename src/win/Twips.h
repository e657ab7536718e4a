#pragma once
// Twips (1/1440 inch) against screen pixels. The program is not DPI-aware,
// so its twips and the host's name the same screen points.

namespace kes::win {

struct TwipRect {
    double left = 0, top = 0, width = 0, height = 0;
};

double TwipsPerPixelX();
double TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);

}  // namespace kes::win
