#include "common/win32/locale_time.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/run_log.h"
#include "common/win32/wide.h"
#include "wireless/value_text.h"

namespace {

TEST(LocaleTime, StampsUseTheLocaleSeparator) {
    const std::string sep = LocaleTimeSeparator();
    ASSERT_FALSE(sep.empty());
    InstallLocaleTimeSeparator();
    EXPECT_EQ(LogTimeStamp({2024, 3, 5, 14, 7, 9}), "[24-03-05 14" + sep + "07" + sep + "09]");
    SetLogTimeSeparator(nullptr);
}

TEST(LocaleTime, ChannelTextTakesTheLocaleDecimalSeparator) {
    wchar_t separator[8] = {};
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8), 0);
    SetDecimalSeparator(LocaleDecimalSeparator());
    EXPECT_EQ(DecimalSeparator(), Narrow(separator));
    EXPECT_EQ(ChannelText(2437000), "6 (2" + Narrow(separator) + "437 GHz)");
    SetDecimalSeparator("");
}

}  // namespace
