#include "common/win32/wide.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/encoding.h"

namespace {

TEST(Wide, RoundTripsUtf8) {
    const std::string text = "Caf\xC3\xA9 \xF0\x9F\x93\xB6";
    EXPECT_EQ(Narrow(Widen(text)), text);
    EXPECT_EQ(Widen("").size(), 0u);
}

TEST(Wide, AnsiCodePageAtTheBoundary) {
    InstallAnsiCodePage();
    // Whatever the code page, ASCII passes unchanged and UTF-8 survives the round trip it can.
    EXPECT_EQ(Utf8ToAnsi("plain"), "plain");
    EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi("plain")), "plain");
    if (GetACP() == 1252) {
        EXPECT_EQ(Utf8ToAnsi("Caf\xC3\xA9"), "Caf\xE9");
        EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");  // the euro sign lives at 0x80 in 1252
    }
    SetAnsiCodePage(nullptr, nullptr);
}

}  // namespace
