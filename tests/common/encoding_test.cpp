#include "common/encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(Encoding, Utf8Validity) {
    struct C { std::string bytes; bool valid; };
    const C cases[] = {
        {"", true}, {"plain", true}, {"Caf\xC3\xA9", true}, {"\xF0\x9F\x93\xB6", true},
        {"Caf\xE9", false},            // Latin-1
        {"\xC0\xAF", false},           // overlong
        {"\xED\xA0\x80", false},       // surrogate
        {"\xE2\x82", false},           // cut short
        {"\xF4\x90\x80\x80", false},   // past U+10FFFF
        {"\x80", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(Encoding, Utf16) {
    const char16_t text[] = {u'C', u'a', u'f', 0xE9, 0xD83D, 0xDCF6, 0, u'x'};
    EXPECT_EQ(Utf16ToUtf8(text, 8), "Caf\xC3\xA9\xF0\x9F\x93\xB6");  // stops at the zero
    EXPECT_EQ(Utf16ToUtf8(text, 3), "Caf");                            // and at the limit
    const char16_t lone[] = {0xD800, u'a', 0};
    EXPECT_EQ(Utf16ToUtf8(lone, 3), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(Utf8ToUtf16("Caf\xC3\xA9\xF0\x9F\x93\xB6"), (std::u16string{u'C', u'a', u'f', 0xE9, 0xD83D, 0xDCF6}));
}

TEST(Encoding, AnsiHookAndRecordBytes) {
    EXPECT_EQ(BytesToUtf8("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(BytesToUtf8("Caf\xE9"), "Caf\xC3\xA9");  // Latin-1 stand-in on the host
    EXPECT_EQ(Utf8ToAnsi("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 ?");
    SetAnsiCodePage([](std::string_view s) { return "<" + std::string(s) + ">"; },
                    [](std::string_view s) { return "[" + std::string(s) + "]"; });
    EXPECT_EQ(BytesToUtf8("\xE9"), "<\xE9>");
    EXPECT_EQ(Utf8ToAnsi("x"), "[x]");
    SetAnsiCodePage(nullptr, nullptr);
}

}  // namespace
