#include "update/version.h"

#include <gtest/gtest.h>

namespace {

TEST(Version, ParseCases) {
    struct C { const char* text; const char* want; };
    const C cases[] = {
        {"1.6.3.18", "1.6.3.18"},   {"2", "2.0.0.0"},           {"", "0.0.0.0"},
        {"1.2", "1.2.0.0"},         {"1.2.3.4.5", "1.2.3.0"},   {"1..3", "1.0.3.0"},
        {"1.2.3 beta", "1.2.0.0"},  {"1.2.3.4 ", "1.2.3.0"},    {" 1.2.3.4", "1.2.3.4"},
        {"70000.1.2.3", "0.1.2.3"}, {"65535.0.0.65536", "65535.0.0.0"},
        {"-1.2.3.4", "-1.2.3.4"},   {"$10.0x1F.x2.3", "16.31.2.3"}, {"1.6.3.19\n", "1.6.3.0"},
        {"1.6.3.19\r\n", "1.6.3.0"}, {"<html>", "0.0.0.0"},    {"...", "0.0.0.0"},
        {"$FFFFFFFF.0.0.0", "-1.0.0.0"},
    };
    for (const auto& c : cases) EXPECT_EQ(TRenselVersion::Create(c.text).AsText(), c.want) << '"' << c.text << '"';
}

TEST(Version, ResourceWords) {
    auto v = TRenselVersion::Create("1.6.3.18");
    EXPECT_EQ(v.VersionMS(), 65542u);
    EXPECT_EQ(v.VersionLS(), 196626u);
    EXPECT_EQ(v.VersionMSText(), "65542");
    EXPECT_EQ(v.VersionLSText(), "196626");
    EXPECT_EQ(TRenselVersion::CreateFromMSLS(65542, 196626).AsText(), "1.6.3.18");
    auto top = TRenselVersion::CreateFromMSLS(0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(top.AsText(), "65535.65535.65535.65535");
    EXPECT_EQ(top.VersionMSText(), "4294967295");  // unsigned, never a minus sign
    EXPECT_EQ(TRenselVersion::Create("-1.0.0.0").VersionMS(), 0xFFFF0000u);
}

TEST(Version, Validity) {
    EXPECT_FALSE(TRenselVersion().IsValid());
    EXPECT_FALSE(TRenselVersion::Create("").IsValid());
    EXPECT_TRUE(TRenselVersion::Create("0.0.0.1").IsValid());
    EXPECT_FALSE(TRenselVersion::Create("-1.1.0.0").IsValid());
    // Large negative parts must not wrap into a positive sum.
    EXPECT_FALSE(TRenselVersion::Create("-2147483648.-1.0.0").IsValid());
}

TEST(Version, Comparison) {
    auto v = TRenselVersion::Create("1.6.3.18");
    struct C { const char* other; bool newer; };
    const C cases[] = {{"1.6.3.17", true}, {"1.5.9.99", true}, {"1.6.3.18", false}, {"1.6.4.0", false},
                       {"2.0", false},     {"0.99.99.99", true}, {"1.6.3.19", false}, {"1.7", false}};
    for (const auto& c : cases) {
        auto other = TRenselVersion::Create(c.other);
        EXPECT_EQ(v.IsNewerThan(other), c.newer) << c.other;
        EXPECT_EQ(v.IsNewerThanMSLS(other.VersionMS(), other.VersionLS()), c.newer) << c.other;
    }
    // Signed comparison of fields, unsigned comparison of words.
    auto negative = TRenselVersion::Create("-1.0.0.0");
    EXPECT_FALSE(negative.IsNewerThan(v));
    EXPECT_TRUE(negative.IsNewerThanMSLS(v.VersionMS(), v.VersionLS()));
}

TEST(Version, WordsAndFieldsAgreeOnTheWholeRange) {
    const int parts[] = {0, 1, 2, 255, 256, 32767, 32768, 65534, 65535};
    for (int a : parts)
        for (int b : parts) {
            auto x = TRenselVersion::CreateFromMSLS(static_cast<uint32_t>(a) << 16 | static_cast<uint32_t>(b), 7);
            auto y = TRenselVersion::CreateFromMSLS(static_cast<uint32_t>(b) << 16 | static_cast<uint32_t>(a), 7);
            EXPECT_EQ(x.IsNewerThan(y), x.IsNewerThanMSLS(y.VersionMS(), y.VersionLS())) << a << "," << b;
        }
}

}  // namespace
