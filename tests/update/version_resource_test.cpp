#include "update/version_resource.h"

#include <gtest/gtest.h>

#include <random>

#include "version_block_builder.h"

namespace {

using namespace version_block;

std::vector<uint8_t> OwnProgramBlock() {
    return Block(0x00010006, 0x00030012,
                 {Table(u"040904E4", {{u"CompanyName", u"Quintavo"},
                                      {u"FileDescription", u"Vellumar Wi-Fi survey"},
                                      {u"FileVersion", u"1, 6, 3, 18"},
                                      {u"InternalName", u"vellumar"},
                                      {u"LegalCopyright", u"Copyright (C) Quintavo"},
                                      {u"OriginalFilename", u"vellumar.exe"},
                                      {u"ProductName", u"Vellumar"},
                                      {u"ProductVersion", u"1, 6, 3, 18"}})},
                 {0x040904E4});
}

TEST(VersionResource, ReadsStringsAndFixedVersion) {
    auto block = OwnProgramBlock();
    auto parsed = ParseVersionResource(block);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(FixedFileVersionText(*parsed), "1.6.3.18");
    auto rec = VersionStrings(*parsed);
    EXPECT_EQ(rec.ProductName, "Vellumar");
    EXPECT_EQ(rec.CompanyName, "Quintavo");
    EXPECT_EQ(rec.OriginalFilename, "vellumar.exe");
    EXPECT_EQ(rec.FileVersion, "1.6.3.18");  // ", " repaired
    EXPECT_EQ(rec.ProductVersion, "1.6.3.18");
}

TEST(VersionResource, FallsBackOnTheTranslation) {
    // Another language's table only, found through the translation list (lower-case key).
    auto block = Block(0, 0, {Table(u"040704b0", {{u"ProductName", u"Werkzeug"}, {u"CompanyName", u"Firma"}})},
                       {0x040704B0});
    auto rec = VersionStringsFromBlock(block);
    EXPECT_EQ(rec.ProductName, "Werkzeug");
    EXPECT_EQ(rec.CompanyName, "Firma");

    // The US table exists but lacks description, company and version: the translation's table wins.
    block = Block(0, 0,
                  {Table(u"040904E4", {{u"ProductName", u"Hollow"}}),
                   Table(u"041104B0", {{u"ProductName", u"Full"}, {u"FileVersion", u"2, 0"}})},
                  {0x041104B0});
    rec = VersionStringsFromBlock(block);
    EXPECT_EQ(rec.ProductName, "Full");
    EXPECT_EQ(rec.FileVersion, "2.0");

    // No translation list: the only table still counts.
    rec = VersionStringsFromBlock(Block(0, 0, {Table(u"040c04b0", {{u"CompanyName", u"Soci\u00e9t\u00e9"}})}, {}));
    EXPECT_EQ(rec.CompanyName, "Soci\xC3\xA9t\xC3\xA9");
}

TEST(VersionResource, NoFixedInformationAndNoStrings) {
    auto block = Block(0, 0, {}, {});
    block[2] = 0;  // wValueLength 0: no VS_FIXEDFILEINFO
    auto parsed = ParseVersionResource(block);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(FixedFileVersionText(*parsed), "");
    EXPECT_EQ(VersionStrings(*parsed), FileVersionInfoRec{});
    EXPECT_FALSE(ParseVersionResource({}));
    const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(ParseVersionResource(junk));
}

// Truncations and random damage of a real block must never read past the span.
// Run under ASan this is the deterministic half of the fuzzing.
TEST(VersionResource, SurvivesTruncatedAndDamagedBlocks) {
    const auto good = OwnProgramBlock();
    for (size_t n = 0; n <= good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(n));
        (void)VersionStringsFromBlock(cut);
    }
    std::mt19937 rng(7);
    for (int round = 0; round < 4000; ++round) {
        auto damaged = good;
        int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i) damaged[rng() % damaged.size()] = static_cast<uint8_t>(rng());
        damaged.resize(rng() % (damaged.size() + 1));
        if (auto parsed = ParseVersionResource(damaged)) {
            (void)VersionStrings(*parsed);
            (void)FixedFileVersionText(*parsed);
        }
    }
}

std::vector<uint8_t> PeHeader(uint16_t magic, uint32_t peOffset = 0x80) {
    std::vector<uint8_t> b(peOffset + 24 + 2, 0);
    b[0] = 'M';
    b[1] = 'Z';
    for (int i = 0; i < 4; ++i) b[60 + i] = static_cast<uint8_t>(peOffset >> (8 * i));
    b[peOffset] = 'P';
    b[peOffset + 1] = 'E';
    b[peOffset + 24] = static_cast<uint8_t>(magic & 0xFF);
    b[peOffset + 25] = static_cast<uint8_t>(magic >> 8);
    return b;
}

TEST(PeImage, SixtyFourBitMagic) {
    EXPECT_TRUE(IsPe64Image(PeHeader(0x20B)));
    EXPECT_FALSE(IsPe64Image(PeHeader(0x10B)));
    auto notMz = PeHeader(0x20B);
    notMz[0] = 'Z';
    EXPECT_FALSE(IsPe64Image(notMz));
    auto badSignature = PeHeader(0x20B);
    badSignature[0x82] = 1;  // "PE" must be followed by two zero bytes
    EXPECT_FALSE(IsPe64Image(badSignature));
}

TEST(PeImage, OffsetsAreCheckedAgainstTheSize) {
    const auto good = PeHeader(0x20B);
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(IsPe64Image(std::span(good.data(), n))) << n;
    for (uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFF0u, 0x7FFFFFFFu, static_cast<uint32_t>(good.size()) - 25}) {
        auto hostile = good;
        for (int i = 0; i < 4; ++i) hostile[60 + i] = static_cast<uint8_t>(offset >> (8 * i));
        EXPECT_FALSE(IsPe64Image(hostile)) << offset;
    }
    // The header offset may point back into the DOS header: still read within bounds.
    auto folded = PeHeader(0x20B, 0x40);
    EXPECT_TRUE(IsPe64Image(folded));
}

}  // namespace
