#pragma once
// Small pictures drawn in code: icons, glyphs and the about banner. Shapes are
// filled with 4x4 supersampling, so edges are smooth at any size.
#include <cstdint>
#include <functional>
#include <vector>

// 0xAARRGGBB, not premultiplied.
using Argb = uint32_t;
constexpr Argb MakeArgb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    return (Argb{a} << 24) | (Argb{r} << 16) | (Argb{g} << 8) | Argb{b};
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Argb> pixels;  // top-down rows
    Picture() = default;
    Picture(int w, int h, Argb fill = 0) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    Argb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Shapes work in picture units where pixel (x, y) covers [x, x+1) x [y, y+1).
using Shape = std::function<bool(double x, double y)>;
struct Point2 { double x, y; };

Shape Rect(double left, double top, double right, double bottom);
Shape RoundRect(double left, double top, double right, double bottom, double radius);
Shape Circle(double cx, double cy, double r);
// A ring between two radii, limited to the angles [from, to] in degrees (0 = east, counter-clockwise).
Shape Arc(double cx, double cy, double r_inner, double r_outer, double from_deg, double to_deg);
Shape Polygon(std::vector<Point2> points);
Shape Segment(Point2 a, Point2 b, double width);

// Paints the shape over the picture, blending its edges.
void Fill(Picture& pic, const Shape& shape, Argb color);
// Vertical gradient over the whole picture.
void FillVerticalGradient(Picture& pic, Argb top, Argb bottom);

// The program's pictures.
enum class Glyph { GreenShield, OrangeShield, RedShield, Signal3, Signal2, Signal1, RadioTower, NetworkCard,
                   SignalWaves, RedCross };
Picture DrawGlyph(Glyph glyph, int size);  // size x size, transparent background
Picture DrawAboutBanner(int width, int height);  // the text is written on it by the window
