#include "common/picture.h"

#include <gtest/gtest.h>

#include "common/product.h"

namespace {

uint8_t Alpha(Argb c) { return static_cast<uint8_t>(c >> 24); }

TEST(Picture, FillCoversInsideAndBlendsEdges) {
    Picture pic(8, 8);
    Fill(pic, Rect(2, 2, 6, 6), MakeArgb(255, 255, 0, 0));
    EXPECT_EQ(pic.at(3, 3), MakeArgb(255, 255, 0, 0));
    EXPECT_EQ(pic.at(0, 0), 0u);
    Picture half(4, 1);
    Fill(half, Rect(0, 0, 1.5, 1), MakeArgb(255, 0, 0, 255));
    EXPECT_EQ(Alpha(half.at(1, 0)), 128);  // half the samples of pixel 1
    EXPECT_EQ(half.at(2, 0), 0u);
}

TEST(Picture, ShapesAreWhereTheySay) {
    EXPECT_TRUE(Circle(5, 5, 2)(5, 6.9));
    EXPECT_FALSE(Circle(5, 5, 2)(7.5, 5));
    EXPECT_TRUE(Arc(0, 10, 4, 6, 45, 135)(0, 5));     // straight up
    EXPECT_FALSE(Arc(0, 10, 4, 6, 45, 135)(5, 10));   // east is outside 45..135
    EXPECT_TRUE(Arc(0, 0, 1, 3, 310, 50)(2, 0));       // a range across 0 degrees
    EXPECT_TRUE(Polygon({{0, 0}, {4, 0}, {0, 4}})(1, 1));
    EXPECT_FALSE(Polygon({{0, 0}, {4, 0}, {0, 4}})(3, 3));
    EXPECT_TRUE(Segment({0, 0}, {10, 0}, 2)(5, 0.9));
    EXPECT_FALSE(Segment({0, 0}, {10, 0}, 2)(12, 0));
    EXPECT_FALSE(RoundRect(0, 0, 10, 10, 3)(0.2, 0.2));  // the corner is cut
}

TEST(Picture, EveryGlyphDrawsSomethingInsideAClearBorder) {
    for (int g = 0; g <= static_cast<int>(Glyph::RedCross); ++g)
        for (int size : {16, 32}) {
            Picture pic = DrawGlyph(static_cast<Glyph>(g), size);
            ASSERT_EQ(pic.pixels.size(), static_cast<size_t>(size * size));
            int opaque = 0;
            for (Argb p : pic.pixels) opaque += Alpha(p) > 128;
            EXPECT_GT(opaque, size * size / 10) << "glyph " << g << " size " << size;
        }
    Picture banner = DrawAboutBanner(388, 96);
    EXPECT_EQ(Alpha(banner.at(0, 0)), 255);
    EXPECT_EQ(Alpha(DrawProgramIcon(32).at(16, 16)), 255);
}

}  // namespace
