#include "common/window_place.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowPlace, TextAndBack) {
    struct Case {
        const char* text;
        std::optional<WindowPlace> place;
    };
    const Case cases[] = {
        {"120,90,700,560", WindowPlace{120, 90, 700, 560, false}},
        {"-1920,0,800,600,max", WindowPlace{-1920, 0, 800, 600, true}},  // a screen left of the main one
        {"1,2,0,4", std::nullopt},                                        // no width
        {"1,2,3", std::nullopt},
        {"1,2,3,4,min", std::nullopt},
        {"a,2,3,4", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseWindowPlace(c.text), c.place) << c.text;
        if (c.place) {
            EXPECT_EQ(WindowPlaceText(*c.place), c.text);
        }
    }
}

TEST(WindowPlace, ColumnWidths) {
    const std::vector<int> widths = {200, 96, 0, 70};
    EXPECT_EQ(ColumnWidthsText(widths), "200,96,0,70");
    EXPECT_EQ(ParseColumnWidths("200,96,0,70", 4), widths);
    EXPECT_EQ(ParseColumnWidths("200,96,0,70", 3), std::nullopt);  // the list has other columns now
    EXPECT_EQ(ParseColumnWidths("200,-5,0,70", 4), std::nullopt);
    EXPECT_EQ(ParseColumnWidths("200,99999,0,70", 4), std::nullopt);
    EXPECT_EQ(ParseColumnWidths("", 0), std::nullopt);
}

}  // namespace
