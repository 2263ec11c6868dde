#include "common/uid.h"

#include <gtest/gtest.h>

namespace {

TEST(UserIdentifier, TimeStepsThenDayNumber) {
    struct C { LogTime t; const char* want; };
    const C cases[] = {
        {{2024, 1, 1, 12, 0, 0}, "180045292"},
        {{2024, 1, 1, 0, 0, 0}, "045292"},
        {{2024, 1, 1, 0, 0, 23}, "045292"},   // still the first 24-second step
        {{2024, 1, 1, 0, 0, 24}, "145292"},
        {{2024, 1, 1, 23, 59, 59}, "359945292"},
        {{1899, 12, 30, 0, 0, 0}, "00"},
        {{2000, 3, 1, 6, 0, 0}, "90036586"},  // across a leap day
    };
    for (const auto& c : cases) EXPECT_EQ(MakeUserIdentifier(c.t), c.want) << c.want;
}

}  // namespace
