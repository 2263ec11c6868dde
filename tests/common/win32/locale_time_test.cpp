#include "common/win32/locale_time.h"

#include <gtest/gtest.h>

#include "common/run_log.h"

namespace {

TEST(LocaleTime, StampsUseTheLocaleSeparator) {
    const std::string sep = LocaleTimeSeparator();
    ASSERT_FALSE(sep.empty());
    InstallLocaleTimeSeparator();
    EXPECT_EQ(LogTimeStamp({2024, 3, 5, 14, 7, 9}), "[24-03-05 14" + sep + "07" + sep + "09]");
    SetLogTimeSeparator(nullptr);
}

}  // namespace
