#include "common/picture.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "common/product.h"

Shape Rect(double left, double top, double right, double bottom) {
    return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

Shape RoundRect(double left, double top, double right, double bottom, double radius) {
    return [=](double x, double y) {
        if (x < left || x >= right || y < top || y >= bottom) return false;
        double cx = std::clamp(x, left + radius, right - radius);
        double cy = std::clamp(y, top + radius, bottom - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
}

Shape Circle(double cx, double cy, double r) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape Arc(double cx, double cy, double r_inner, double r_outer, double from_deg, double to_deg) {
    return [=](double x, double y) {
        double dx = x - cx, dy = cy - y;  // y grows downwards in pictures
        double d2 = dx * dx + dy * dy;
        if (d2 < r_inner * r_inner || d2 > r_outer * r_outer) return false;
        double a = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
        if (a < 0) a += 360.0;
        return from_deg <= to_deg ? (a >= from_deg && a <= to_deg) : (a >= from_deg || a <= to_deg);
    };
}

Shape Polygon(std::vector<Point2> points) {
    return [pts = std::move(points)](double x, double y) {
        bool inside = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            if ((pts[i].y > y) != (pts[j].y > y) &&
                x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
                inside = !inside;
        }
        return inside;
    };
}

Shape Segment(Point2 a, Point2 b, double width) {
    return [=](double x, double y) {
        double vx = b.x - a.x, vy = b.y - a.y;
        double len2 = vx * vx + vy * vy;
        double t = len2 > 0 ? std::clamp(((x - a.x) * vx + (y - a.y) * vy) / len2, 0.0, 1.0) : 0.0;
        double px = a.x + t * vx - x, py = a.y + t * vy - y;
        return px * px + py * py <= width * width / 4;
    };
}

namespace {

uint8_t Channel(Argb c, int shift) { return static_cast<uint8_t>((c >> shift) & 0xFF); }

// Source-over blending of a colour with the given coverage onto a pixel.
Argb Blend(Argb dst, Argb src, double coverage) {
    double sa = Channel(src, 24) / 255.0 * coverage;
    double da = Channel(dst, 24) / 255.0;
    double oa = sa + da * (1 - sa);
    if (oa <= 0) return 0;
    auto mix = [&](int shift) {
        double v = (Channel(src, shift) * sa + Channel(dst, shift) * da * (1 - sa)) / oa;
        return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    return MakeArgb(static_cast<uint8_t>(std::lround(oa * 255)), mix(16), mix(8), mix(0));
}

}  // namespace

void Fill(Picture& pic, const Shape& shape, Argb color) {
    constexpr int kSamples = 4;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    hits += shape(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples) ? 1 : 0;
            if (hits == 0) continue;
            Argb& p = pic.pixels[static_cast<size_t>(y) * pic.width + x];
            p = Blend(p, color, static_cast<double>(hits) / (kSamples * kSamples));
        }
}

void FillVerticalGradient(Picture& pic, Argb top, Argb bottom) {
    for (int y = 0; y < pic.height; ++y) {
        double t = pic.height > 1 ? static_cast<double>(y) / (pic.height - 1) : 0;
        auto mix = [&](int shift) {
            return static_cast<uint8_t>(std::lround(Channel(top, shift) * (1 - t) + Channel(bottom, shift) * t));
        };
        Argb c = MakeArgb(mix(24), mix(16), mix(8), mix(0));
        std::fill_n(pic.pixels.begin() + static_cast<std::ptrdiff_t>(y) * pic.width, pic.width, c);
    }
}

namespace {

constexpr Argb kOutline = MakeArgb(255, 40, 40, 40);

void DrawShield(Picture& pic, double s, Argb color) {
    auto shield = [&](double inset) {
        return Polygon({{s * 0.15 + inset, s * 0.12 + inset}, {s * 0.5, s * 0.04 + inset}, {s * 0.85 - inset, s * 0.12 + inset},
                        {s * 0.82 - inset, s * 0.55}, {s * 0.5, s * 0.96 - inset * 1.4}, {s * 0.18 + inset, s * 0.55}});
    };
    Fill(pic, shield(0), kOutline);
    Fill(pic, shield(s / 14), color);
    Fill(pic, Polygon({{s * 0.5, s * 0.15}, {s * 0.74, s * 0.2}, {s * 0.72, s * 0.52}, {s * 0.5, s * 0.82}}),
         MakeArgb(70, 255, 255, 255));
}

void DrawBars(Picture& pic, double s, int lit) {
    const Argb on = MakeArgb(255, 30, 120, 220), off = MakeArgb(255, 200, 200, 200);
    for (int i = 0; i < 3; ++i) {
        double left = s * (0.1 + 0.3 * i), top = s * (0.62 - 0.26 * i);
        Fill(pic, Rect(left, top, left + s * 0.22, s * 0.92), kOutline);
        Fill(pic, Rect(left + s / 16, top + s / 16, left + s * 0.22 - s / 16, s * 0.92 - s / 16), i < lit ? on : off);
    }
}

void DrawWaves(Picture& pic, double s, double cx, double cy, Argb color) {
    Fill(pic, Circle(cx, cy, s * 0.09), color);
    for (int i = 1; i <= 3; ++i) {
        double r = s * (0.13 + 0.14 * i);
        Fill(pic, Arc(cx, cy, r - s * 0.07, r, 45, 135), color);
    }
}

void DrawTower(Picture& pic, double s) {
    const Argb steel = MakeArgb(255, 90, 90, 100);
    double w = std::max(1.0, s / 12);
    Fill(pic, Segment({s * 0.5, s * 0.35}, {s * 0.25, s * 0.95}, w), steel);
    Fill(pic, Segment({s * 0.5, s * 0.35}, {s * 0.75, s * 0.95}, w), steel);
    Fill(pic, Segment({s * 0.36, s * 0.7}, {s * 0.64, s * 0.7}, w), steel);
    Fill(pic, Circle(s * 0.5, s * 0.3, s * 0.09), MakeArgb(255, 220, 40, 40));
    const Argb wave = MakeArgb(255, 30, 120, 220);
    for (int i = 0; i < 2; ++i) {
        double r = s * (0.2 + 0.13 * i);
        Fill(pic, Arc(s * 0.5, s * 0.3, r - w, r, 130, 230), wave);
        Fill(pic, Arc(s * 0.5, s * 0.3, r - w, r, 310, 50), wave);
    }
}

void DrawCard(Picture& pic, double s) {
    Fill(pic, RoundRect(s * 0.04, s * 0.2, s * 0.96, s * 0.72, s * 0.06), kOutline);
    Fill(pic, RoundRect(s * 0.08, s * 0.24, s * 0.92, s * 0.68, s * 0.04), MakeArgb(255, 40, 140, 70));
    Fill(pic, Rect(s * 0.16, s * 0.32, s * 0.46, s * 0.56), MakeArgb(255, 30, 30, 30));
    for (int i = 0; i < 5; ++i) {
        double left = s * (0.14 + 0.15 * i);
        Fill(pic, Rect(left, s * 0.72, left + s * 0.08, s * 0.86), MakeArgb(255, 230, 180, 40));
    }
    Fill(pic, Rect(s * 0.62, s * 0.08, s * 0.7, s * 0.24), kOutline);  // antenna
    Fill(pic, Circle(s * 0.66, s * 0.08, s * 0.06), kOutline);
}

}  // namespace

Picture DrawGlyph(Glyph glyph, int size) {
    Picture pic(size, size);
    double s = size;
    switch (glyph) {
        case Glyph::GreenShield: DrawShield(pic, s, MakeArgb(255, 40, 170, 60)); break;
        case Glyph::OrangeShield: DrawShield(pic, s, MakeArgb(255, 245, 150, 20)); break;
        case Glyph::RedShield: DrawShield(pic, s, MakeArgb(255, 215, 40, 40)); break;
        case Glyph::Signal3: DrawBars(pic, s, 3); break;
        case Glyph::Signal2: DrawBars(pic, s, 2); break;
        case Glyph::Signal1: DrawBars(pic, s, 1); break;
        case Glyph::RadioTower: DrawTower(pic, s); break;
        case Glyph::NetworkCard: DrawCard(pic, s); break;
        case Glyph::SignalWaves: DrawWaves(pic, s, s * 0.5, s * 0.85, MakeArgb(255, 30, 120, 220)); break;
        case Glyph::RedCross: {
            const Argb red = MakeArgb(255, 215, 30, 30);
            Fill(pic, Segment({s * 0.2, s * 0.2}, {s * 0.8, s * 0.8}, s * 0.2), red);
            Fill(pic, Segment({s * 0.8, s * 0.2}, {s * 0.2, s * 0.8}, s * 0.2), red);
            break;
        }
    }
    return pic;
}

Picture DrawProgramIcon(int size) {
    Picture pic(size, size);
    double s = size;
    Fill(pic, RoundRect(0, 0, s, s, s * 0.2), MakeArgb(255, 20, 60, 110));
    Fill(pic, RoundRect(s * 0.05, s * 0.05, s * 0.95, s * 0.95, s * 0.16), MakeArgb(255, 30, 100, 170));
    DrawWaves(pic, s, s * 0.5, s * 0.78, MakeArgb(255, 255, 255, 255));
    return pic;
}

Picture DrawAboutBanner(int width, int height) {
    Picture pic(width, height);
    FillVerticalGradient(pic, MakeArgb(255, 25, 55, 100), MakeArgb(255, 10, 25, 50));
    double h = height;
    for (int i = 1; i <= 5; ++i) {
        double r = h * 0.22 * i;
        Fill(pic, Arc(width - h * 0.6, h * 1.05, r - h * 0.05, r, 40, 140), MakeArgb(50 + 20 * (5 - i), 120, 180, 255));
    }
    Picture icon = DrawProgramIcon(static_cast<int>(h * 0.6));
    int ox = static_cast<int>(h * 0.2), oy = static_cast<int>(h * 0.2);
    for (int y = 0; y < icon.height; ++y)
        for (int x = 0; x < icon.width; ++x) {
            Argb& p = pic.pixels[static_cast<size_t>(oy + y) * width + ox + x];
            p = Blend(p, icon.at(x, y), 1.0);
        }
    return pic;
}
