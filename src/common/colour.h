#pragma once
// Colours as the platform's GDI takes them, and pixels as a 32-bit bitmap keeps them,
// for the pictures the portable core draws.
#include <cstdint>

using Colour = uint32_t;  // 0x00BBGGRR, as the platform's COLORREF

constexpr Colour RgbColour(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}

using Pixel = uint32_t;  // 0x00RRGGBB: blue, green, red, unused in memory, as a 32-bit bitmap stores them

constexpr Pixel ToPixel(Colour c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }
constexpr Colour ToColour(Pixel p) { return ToPixel(p); }  // swapping red and blue is its own inverse
