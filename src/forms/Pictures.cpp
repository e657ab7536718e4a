#include "forms/Pictures.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "win/Handles.h"

namespace kes {
namespace {

// Colours as 0xAARRGGBB; 0 is a transparent pixel.
constexpr uint32_t kOutline = 0xFF303030;
constexpr uint32_t kBody = 0xFFC8C8C8;
constexpr uint32_t kDisplay = 0xFFA8D8A0;
constexpr uint32_t kKey = 0xFF505050;
constexpr uint32_t kEqualsKey = 0xFFD05020;
constexpr uint32_t kPanel = 0xFF2F5F9F;
constexpr uint32_t kPanelEdge = 0xFF183058;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kWave = 0xFFFFD040;

class Canvas {
  public:
    explicit Canvas(int size) : size_(size), pixels_(size_t(size) * size, 0u) {}

    void Fill(int x, int y, int w, int h, uint32_t colour) {
        for (int row = y; row < y + h; ++row)
            for (int col = x; col < x + w; ++col) Set(col, row, colour);
    }
    // A filled box with a one-pixel border.
    void Box(int x, int y, int w, int h, uint32_t border, uint32_t inside) {
        Fill(x, y, w, h, border);
        Fill(x + 1, y + 1, w - 2, h - 2, inside);
    }
    void Set(int x, int y, uint32_t colour) {
        if (x >= 0 && y >= 0 && x < size_ && y < size_) pixels_[size_t(y) * size_ + x] = colour;
    }

    // A 32-bit icon with alpha; the mask marks the same transparent pixels for
    // painters that ignore alpha.
    HICON MakeIcon() const {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size_;
        info.bmiHeader.biHeight = -size_;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        win::ScopedGdiObject colour(
            CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!colour || !bits) return nullptr;
        std::memcpy(bits, pixels_.data(), pixels_.size() * sizeof(uint32_t));
        GdiFlush();

        const int stride = (size_ + 15) / 16 * 2;  // monochrome rows are WORD aligned
        std::vector<uint8_t> maskBits(size_t(stride) * size_, 0);
        for (int y = 0; y < size_; ++y)
            for (int x = 0; x < size_; ++x)
                if ((pixels_[size_t(y) * size_ + x] >> 24) == 0)
                    maskBits[size_t(y) * stride + x / 8] |= uint8_t(0x80 >> (x % 8));
        win::ScopedGdiObject mask(CreateBitmap(size_, size_, 1, 1, maskBits.data()));
        if (!mask) return nullptr;

        ICONINFO icon{};
        icon.fIcon = TRUE;
        icon.hbmColor = static_cast<HBITMAP>(colour.Get());
        icon.hbmMask = static_cast<HBITMAP>(mask.Get());
        return CreateIconIndirect(&icon);  // copies both bitmaps
    }

  private:
    int size_;
    std::vector<uint32_t> pixels_;
};

// Kept one pixel clear at the top and bottom: the buttons that show it are
// barely taller than the picture.
HICON DrawCalculator16() {
    Canvas c(16);
    c.Box(2, 1, 12, 14, kOutline, kBody);
    c.Box(4, 2, 8, 3, kOutline, kDisplay);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            c.Fill(4 + 3 * col, 6 + 3 * row, 2, 2, row == 2 && col == 2 ? kEqualsKey : kKey);
    return c.MakeIcon();
}

// Two number boxes joined by "=" above a sine wave: a level, converted.
HICON DrawConverter32() {
    Canvas c(32);
    c.Box(0, 0, 32, 32, kPanelEdge, kPanel);
    c.Box(3, 4, 11, 8, kOutline, kWhite);
    c.Box(18, 4, 11, 8, kOutline, kWhite);
    c.Fill(15, 6, 2, 1, kWhite);
    c.Fill(15, 9, 2, 1, kWhite);
    for (int i = 0; i < 3; ++i) {
        c.Fill(5 + 2 * i, 7, 1, 2, kOutline);   // digits in the input box
        c.Fill(20 + 2 * i, 7, 1, 2, kOutline);  // and in the result box
    }
    constexpr double kPi = 3.14159265358979;
    for (int x = 3; x <= 28; ++x) {
        const int y = 21 + int(std::lround(6 * std::sin((x - 3) * 2 * kPi / 25)));
        c.Fill(x, y, 1, 2, kWave);
    }
    return c.MakeIcon();
}

}  // namespace

HICON CalculatorIcon16() {
    static const win::ScopedIcon icon(DrawCalculator16());
    return icon.Get();
}

HICON ConverterIcon32() {
    static const win::ScopedIcon icon(DrawConverter32());
    return icon.Get();
}

}  // namespace kes
