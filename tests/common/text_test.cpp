#include "common/text.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

struct Case {
    const char* what;
    std::string got;
    std::string want;
};

TEST(Text, ClippingAndAffixes) {
    const Case cases[] = {
        {"left within", LeftPart("abc", 2), "ab"},
        {"left past end", LeftPart("abc", 5), "abc"},
        {"left negative", LeftPart("abc", -1), ""},
        {"right", RightPart("abcdef", 2), "ef"},
        {"right past end", RightPart("abc", 9), "abc"},
        {"right negative", RightPart("abc", -3), ""},
        {"cut prefix any case", CutTextPrefix("HTTPS://host/x", "https"), "://host/x"},
        {"cut prefix longer than text", CutTextPrefix("ab", "abc"), "ab"},
        {"cut prefix absent", CutTextPrefix("abc", "x"), "abc"},
        {"cut suffix", CutTextSuffix("Setup.EXE", ".exe"), "Setup"},
        {"cut suffix longer than text", CutTextSuffix("ab", "xab"), "ab"},
        {"before", TextBefore("key=value=x", "="), "key"},
        {"after", TextAfter("key=value=x", "="), "value=x"},
        {"before absent", TextBefore("abc", "="), "abc"},
        {"after absent", TextAfter("abc", "="), "abc"},
        {"before empty sub", TextBefore("abc", ""), "abc"},
        {"after empty sub", TextAfter("abc", ""), "abc"},
        {"after is case exact", TextAfter("aXb", "x"), "aXb"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(Text, Predicates) {
    struct P { const char* what; bool got, want; };
    const P cases[] = {
        {"starts, exact case", StartsWithCase("Vellumar", "Vell"), true},
        {"starts, case differs", StartsWithCase("Vellumar", "vell"), false},
        {"text starts ignores case", TextStartsWith("Vellumar", "vELL"), true},
        {"empty prefix", TextStartsWith("", ""), true},
        {"empty prefix on text", TextStartsWith("abc", ""), true},
        {"prefix longer than text", TextStartsWith("ab", "abc"), false},
        {"ends ignores case", TextEndsWith("setup.EXE", ".exe"), true},
        {"empty suffix", TextEndsWith("abc", ""), true},
        {"in ignores case", TextIn("SOFT", "Microsoft Corp"), true},
        {"in absent", TextIn("xyz", "Microsoft"), false},
        {"empty sub never occurs", TextIn("", "abc"), false},
        // Only A-Z fold: a Latin-1 capital must match exactly.
        {"non-ASCII does not fold", TextIn("\xE9", "\xC9t\xE9"), true},
        {"non-ASCII capital stays", SameText("\xC9", "\xE9"), false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_EQ(MaxOf(3, 7), 7);
    EXPECT_EQ(MaxOf(-1, -5), -1);
}

TEST(Text, TokensAreNotMerged) {
    EXPECT_EQ(CountTokens("", " "), 0);
    EXPECT_EQ(CountTokens("a  b", " "), 3);
    EXPECT_EQ(TokenAt("a  b", 1, " "), "");
    EXPECT_EQ(TokenAt("a  b", 2, " "), "b");
    EXPECT_EQ(TokenAt("1.6.3.18", 2, "."), "3");
    EXPECT_EQ(TokenAt(".x", 0, "."), "");
    EXPECT_EQ(TokenAt("a.b", 5, "."), "");
    EXPECT_EQ(TokenAt("a,b;c", 2, ",;"), "c");
    // The last token is always at CountTokens - 1.
    for (std::string s : {"a", "a b", "a b ", " ", "x  y z"}) {
        int n = CountTokens(s, " ");
        EXPECT_EQ(TokenAt(s, n - 1, " "), s.substr(s.rfind(' ') == std::string::npos ? 0 : s.rfind(' ') + 1)) << s;
    }
}

TEST(Text, StripTrailingUrls) {
    const Case cases[] = {
        {"single address kept", StripTrailingUrls("http://a.example"), "http://a.example"},
        {"http then https", StripTrailingUrls("Foo Bar http://a.example https://b.example"), "Foo Bar"},
        {"https alone", StripTrailingUrls("Foo https://b.example"), "Foo"},
        {"capitals", StripTrailingUrls("Foo HTTP://A"), "Foo"},
        {"several http", StripTrailingUrls("Foo  http://a http://b"), "Foo"},
        {"address in the middle kept", StripTrailingUrls("Foo http://a Bar"), "Foo http://a Bar"},
        {"trailing blank hides the word", StripTrailingUrls("Foo http://a "), "Foo http://a "},
        {"no address", StripTrailingUrls("Foo Bar"), "Foo Bar"},
        {"https before http: only the last kind pass", StripTrailingUrls("Foo https://a http://b"), "Foo"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(Text, UrlEncode) {
    EXPECT_EQ(UrlEncode("a b/c~"), "a%20b%2Fc%7E");
    EXPECT_EQ(UrlEncode("Az09-._"), "Az09-._");
    EXPECT_EQ(UrlEncode("\xE9\xFF\x01+&="), "%E9%FF%01%2B%26%3D");
    EXPECT_EQ(UrlEncode(std::string("\0", 1)), "%00");
    EXPECT_EQ(UrlEncode(""), "");
}

TEST(Text, StrToIntFollowsPlatformRules) {
    struct N { const char* text; std::optional<int32_t> want; };
    const N cases[] = {
        {"0", 0}, {"42", 42}, {"  42", 42}, {"+7", 7}, {"-7", -7}, {"018", 18},
        {"$10", 16}, {"x1f", 31}, {"X1F", 31}, {"0x10", 16}, {"0XfF", 255}, {"-$10", -16},
        {"$FFFFFFFF", -1}, {"$80000000", INT32_MIN}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt}, {"$100000000", std::nullopt}, {"", std::nullopt}, {"  ", std::nullopt},
        {"-", std::nullopt}, {"$", std::nullopt}, {"0x", std::nullopt}, {"4 ", std::nullopt},
        {"4\r", std::nullopt}, {"1a", std::nullopt}, {"\t4", std::nullopt}, {"99999999999999999999", std::nullopt},
        {"$g", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToInt(c.text), c.want) << '"' << c.text << '"';
    EXPECT_EQ(StrToIntDef("junk", -9), -9);
}

}  // namespace
