#include "update/update_check.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr uint32_t kLocalMS = 65542, kLocalLS = 196626;  // 1.6.3.18

TEST(UpdateCheckPath, KeysInOrderEncodedAndUnsigned) {
    EXPECT_EQ(UpdateCheckPath("Vellumar", "Quintavo", TRenselVersion::Create("1.6.3.18")),
              "/rensel/check.php?uid=0&ProductName=Vellumar&Company=Quintavo&VH=65542&VL=196626");
    EXPECT_EQ(UpdateCheckPath("A&B Tool", "x~/y", TRenselVersion::Create("40000.1.0.0")),
              "/rensel/check.php?uid=0&ProductName=A%26B%20Tool&Company=x%7E%2Fy&VH=2621440001&VL=0");
}

TEST(CheckOutcome, AnswersReadAsVersions) {
    struct C { std::string body; bool valid, newer; const char* replied; };
    const C cases[] = {
        {"1.6.3.19", true, true, "1.6.3.19"},  {"1.6.3.18", true, false, "1.6.3.18"},
        {"1.6.3.17", true, false, "1.6.3.17"}, {"2.0", true, true, "2.0.0.0"},
        {"1.7", true, true, "1.7.0.0"},        {"1.6.3.19\n", true, false, "1.6.3.0"},
        {"", false, false, "0.0.0.0"},         {"<html><body>Not Found</body></html>", false, false, "0.0.0.0"},
        {"1.70000.3.19", true, false, "1.0.3.19"}, {std::string("1.6.3.19\0", 9), true, false, "1.6.3.0"},
    };
    for (const auto& c : cases) {
        const CheckOutcome out = ReadCheckOutcome("Vellumar", 0, c.body, "OK", 12, kLocalMS, kLocalLS);
        EXPECT_EQ(out.validAnswer, c.valid) << c.body;
        EXPECT_EQ(out.newVersion, c.newer) << c.body;
        EXPECT_EQ(out.announced.AsText(), c.replied);
        ASSERT_FALSE(out.lines.empty());
        EXPECT_EQ(out.lines[0], (CheckLogLine{std::string("Vellumar Update self check : Server replied ") + c.replied +
                                                  " in 12ms",
                                              LogLevel::Info}));
        EXPECT_EQ(out.lines.size(), c.valid ? 1u : 2u) << c.body;
    }
}

TEST(CheckOutcome, InvalidAnswerNamesTheReasonAtVerboseLevel) {
    const CheckOutcome out = ReadCheckOutcome("Vellumar", 0, "<html>", "Not Found", 3, kLocalMS, kLocalLS);
    ASSERT_EQ(out.lines.size(), 2u);
    EXPECT_EQ(out.lines[1],
              (CheckLogLine{"Vellumar Update self check : Server error (0 Cause : Not Found)", LogLevel::Verbose}));
}

TEST(CheckOutcome, TransportErrorLeavesBothFlagsFalse) {
    // Whatever arrived before the failure is not read.
    const CheckOutcome out = ReadCheckOutcome("Vellumar", 10061, "9.9.9.9", "refused", 3, kLocalMS, kLocalLS);
    EXPECT_FALSE(out.validAnswer);
    EXPECT_FALSE(out.newVersion);
    EXPECT_EQ(out.lines,
              (std::vector<CheckLogLine>{{"Vellumar Update self check : Server error (10061)", LogLevel::Error}}));
}

TEST(UpdateOffer, CountdownCaptionAndInstallerParameters) {
    EXPECT_EQ(CountdownCaption("Close", 20), "Close\n\r(20)");
    EXPECT_EQ(CountdownCaption("Close", 1), "Close\n\r(1)");
    EXPECT_EQ(InstallerParameters("C:\\Users\\me\\AppData\\Roaming\\Quintavo\\Vellumar\\"),
              "/FORCECLOSEAPPLICATIONS /VERYSILENT /NOICONS /LOG=\"C:\\Users\\me\\AppData\\Roaming\\Quintavo\\"
              "Vellumar\\update.log\"");
}

TEST(UpdateOffer, RunFolderNames) {
    EXPECT_EQ(RunFolderName(0), "update-00000000");
    EXPECT_EQ(RunFolderName(0xDEADBEEF), "update-deadbeef");
    for (uint32_t n : {0u, 1u, 0x0123abcdu, 0xFFFFFFFFu}) EXPECT_TRUE(IsRunFolderName(RunFolderName(n))) << n;
    for (std::string_view other : {"update", "update-", "update-0000000", "update-000000000", "update-DEADBEEF",
                                   "update-0000000g", "Update-00000000", "xupdate-0000000", "update-0000 000",
                                   "update.exe", "update-00000000\\x"})
        EXPECT_FALSE(IsRunFolderName(other)) << other;
}

// A minimal program image: DOS header, PE signature, file header and optional header magic.
std::vector<uint8_t> PeImage(size_t size, uint16_t machine = 0x8664, uint16_t characteristics = 0x0022,
                             uint16_t magic = 0x020B) {
    std::vector<uint8_t> b(size, 0);
    if (size < 0x100) return b;
    b[0] = 'M';
    b[1] = 'Z';
    b[0x3C] = 0x80;
    std::memcpy(&b[0x80], "PE\0\0", 4);
    auto put16 = [&](size_t at, uint16_t v) { b[at] = v & 0xFF; b[at + 1] = v >> 8; };
    put16(0x84, machine);
    put16(0x84 + 16, 0xF0);  // optional header size
    put16(0x84 + 18, characteristics);
    put16(0x84 + 20, magic);
    return b;
}

TEST(InstallerDownload, ProgramImagesOnly) {
    EXPECT_TRUE(IsWindowsExecutable(PeImage(4096)));
    EXPECT_TRUE(IsWindowsExecutable(PeImage(4096, 0x014C, 0x0102, 0x010B)));
    EXPECT_FALSE(IsWindowsExecutable(PeImage(4096, 0x8664, 0x2022)));         // a DLL
    EXPECT_FALSE(IsWindowsExecutable(PeImage(4096, 0x8664, 0x0020)));         // not executable
    EXPECT_FALSE(IsWindowsExecutable(PeImage(4096, 0x0200)));                 // Itanium
    EXPECT_FALSE(IsWindowsExecutable(PeImage(4096, 0x8664, 0x0022, 0x0107))); // ROM image
    auto html = std::vector<uint8_t>(4096, 'x');
    std::memcpy(html.data(), "<html>", 6);
    EXPECT_FALSE(IsWindowsExecutable(html));
    auto dosOnly = PeImage(4096);
    dosOnly[0x80] = 'N';
    EXPECT_FALSE(IsWindowsExecutable(dosOnly));
    auto farHeader = PeImage(4096);
    farHeader[0x3C] = 0xF0;
    farHeader[0x3D] = 0x0F;  // header offset 0xFF0: no room for the file header
    EXPECT_FALSE(IsWindowsExecutable(farHeader));
    farHeader[0x3F] = 0xFF;  // huge offset must not overflow
    EXPECT_FALSE(IsWindowsExecutable(farHeader));
    EXPECT_FALSE(IsWindowsExecutable(PeImage(10)));
}

TEST(InstallerDownload, SizeThenSchemeThenImage) {
    const std::string https = "https://127.0.0.1:443/files/vellumar.exe";
    struct C { int32_t error; std::string url; std::vector<uint8_t> body; InstallerVerdict verdict; uint64_t size; };
    std::vector<uint8_t> notPe(300000, 'a');
    const C cases[] = {
        {0, https, PeImage(102399), InstallerVerdict::TooSmall, 102399},
        {0, https, PeImage(102400), InstallerVerdict::Run, 102400},
        {0, "HTTPS://host/files/vellumar.exe", PeImage(102400), InstallerVerdict::Run, 102400},
        {0, "http://127.0.0.1/files/vellumar.exe", PeImage(200000), InstallerVerdict::NotVerified, 200000},
        {0, https, notPe, InstallerVerdict::NotExecutable, 300000},
        {10054, https, PeImage(200000), InstallerVerdict::TooSmall, 0},  // broken transfer: nothing counts
        {0, https, {}, InstallerVerdict::TooSmall, 0},
    };
    for (const auto& c : cases) {
        const InstallerCheck got = CheckInstallerDownload(c.error, c.url, c.body);
        EXPECT_EQ(got.verdict, c.verdict) << c.url << " " << c.body.size();
        EXPECT_EQ(got.size, c.size);
    }
}

TEST(PublisherRefusal, SignedProgramRunsOnlyItsPublishersIntactInstallers) {
    const std::vector<uint8_t> ours{0x30, 0x59, 1, 2, 3}, theirs{0x30, 0x59, 1, 2, 4}, next{0x30, 0x59, 1, 2, 5};
    constexpr int32_t kNoSignature = static_cast<int32_t>(0x800B0100), kBadDigest = static_cast<int32_t>(0x80096010);
    struct C {
        const char* name;
        PublisherFacts facts;
        std::string refusal;
    };
    const C cases[] = {
        {"unsigned program, unsigned installer", {std::nullopt, kNoSignature, std::nullopt, std::nullopt}, ""},
        {"unsigned program, foreign installer", {std::nullopt, 0, theirs, std::nullopt}, ""},
        {"same publisher", {ours, 0, ours, std::nullopt}, ""},
        {"unsigned installer", {ours, kNoSignature, std::nullopt, std::nullopt}, "the installer is not signed"},
        {"accepted but no signer found", {ours, 0, std::nullopt, std::nullopt}, "the installer is not signed"},
        {"changed after signing", {ours, kBadDigest, ours, std::nullopt}, "the installer's signature is not valid (0x80096010)"},
        {"another publisher", {ours, 0, theirs, std::nullopt}, "the installer is not signed by this program's publisher"},
        {"key of another length", {ours, 0, std::vector<uint8_t>{0x30, 0x59, 1, 2}, std::nullopt},
         "the installer is not signed by this program's publisher"},
        {"the next key the program carries", {ours, 0, next, next}, ""},
        {"neither key", {ours, 0, theirs, next}, "the installer is not signed by this program's publisher"},
        {"next key, changed after signing", {ours, kBadDigest, next, next},
         "the installer's signature is not valid (0x80096010)"},
    };
    for (const auto& c : cases) EXPECT_EQ(PublisherRefusal(c.facts), c.refusal) << c.name;
}

}  // namespace

namespace {

// A version resource as an installer's: the fixed file version and a product name.
VersionResource InstallerResource(const char* version, const char* product = "Vellumar") {
    const TRenselVersion v = TRenselVersion::Create(version);
    VersionResource r;
    r.hasFixedInfo = true;
    r.fileVersionMS = v.VersionMS();
    r.fileVersionLS = v.VersionLS();
    r.translations = {0x040904E4};
    r.tables = {{"040904E4", {{"ProductName", product}, {"FileVersion", version}}}};
    return r;
}

}  // namespace

TEST(InstallerIdentity, OnlyTheAnnouncedNewerVersionOfTheProductRuns) {
    const InstallerExpectation expected{"Vellumar", TRenselVersion::Create("1.6.3.18"),
                                        TRenselVersion::Create("1.7.0.2")};
    struct Case { std::optional<VersionResource> resource; std::string refusal; };
    VersionResource noFixed = InstallerResource("1.7.0.2");
    noFixed.hasFixedInfo = false;
    const Case cases[] = {
        {InstallerResource("1.7.0.2"), ""},
        {std::nullopt, "the installer has no version"},
        {noFixed, "the installer has no version"},
        {InstallerResource("1.7.0.2", "Another Tool"), "the installer is not Vellumar's"},
        {InstallerResource("1.7.0.2", "vellumar"), "the installer is not Vellumar's"},
        // An older signed build, the running one, and one the check did not announce.
        {InstallerResource("1.6.3.17"), "installer version 1.6.3.17 is not above the running 1.6.3.18"},
        {InstallerResource("1.6.3.18"), "installer version 1.6.3.18 is not above the running 1.6.3.18"},
        {InstallerResource("1.7.0.3"), "installer version 1.7.0.3 is not the announced 1.7.0.2"},
        {InstallerResource("1.6.3.19"), "installer version 1.6.3.19 is not the announced 1.7.0.2"},
    };
    for (const auto& c : cases) EXPECT_EQ(InstallerIdentityRefusal(c.resource, expected), c.refusal) << c.refusal;
    // Without an announced version nothing matches it.
    EXPECT_EQ(InstallerIdentityRefusal(InstallerResource("1.7.0.2"), {"Vellumar", TRenselVersion::Create("1.6.3.18"), {}}),
              "installer version 1.7.0.2 is not the announced 0.0.0.0");
}
