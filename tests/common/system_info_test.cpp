#include "common/system_info.h"

#include <gtest/gtest.h>

namespace {

struct NtCase {
    uint32_t major, minor;
    int32_t build;
    const char* want;
};

TEST(SystemInfo, NtVersionTable) {
    const NtCase cases[] = {
        {5, 0, 2195, "5.0 (Windows 2000)"}, {5, 1, 2600, "5.1 (Windows XP)"},
        {5, 2, 3790, "5.2"},                {6, 0, 6002, "6.0 (Vista)"},
        {6, 1, 7601, "6.1 (Seven)"},        {6, 2, 9200, "6.2 (Windows8)"},
        {6, 3, 9600, "6.3 (Windows8.1)"},   {6, 4, 9841, "6.4"},
        {10, 0, 19045, "10.0.19045 (Windows10)"},
        {10, 0, 19999, "10.0.19999 (Windows10)"},
        {10, 0, 20000, "11.0.20000 (Windows11)"},
        {10, 0, 22631, "11.0.22631 (Windows11)"},
        {10, 0, 0, "10.0.0 (Windows10)"},  // build unreadable
        {10, 1, 30000, "10.1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NtVersionTextFor(WorkstationVersion{c.major, c.minor}, c.build), c.want)
            << c.major << "." << c.minor << " build " << c.build;
    EXPECT_EQ(NtVersionTextFor(std::nullopt, 19045), "Unknown");
}

TEST(SystemInfo, Windows95FamilyTable) {
    struct Case {
        uint32_t major, minor;
        const char* servicePack;
        const char* want;
    };
    const Case cases[] = {
        {4, 0, "", "4.0 (95)"},          {4, 10, " A ", "4.10 (98SE)"}, {4, 10, "", "4.10 (98)"},
        {4, 10, "A", "4.10 (98)"},       {4, 10, " B", "4.10 (98)"},    {4, 90, " ", "4.90 (ME)"},
        {3, 95, "", "3.95 (Unknown)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win9xVersionText(c.major, c.minor, c.servicePack), c.want) << c.major << "." << c.minor;
}

TEST(SystemInfo, WholeDecision) {
    const WorkstationVersion ten{10, 0};
    EXPECT_EQ(WindowsVersionTextFor(std::nullopt, ten, "19045"), "Unknown");
    EXPECT_EQ(WindowsVersionTextFor(OsVersionFacts{2, 6, 2, ""}, ten, "19045"), "10.0.19045 (Windows10)");
    EXPECT_EQ(WindowsVersionTextFor(OsVersionFacts{2, 10, 0, ""}, ten, ""), "10.0.0 (Windows10)");
    EXPECT_EQ(WindowsVersionTextFor(OsVersionFacts{2, 10, 0, ""}, ten, "abc"), "10.0.0 (Windows10)");
    EXPECT_EQ(WindowsVersionTextFor(OsVersionFacts{2, 10, 0, ""}, std::nullopt, "22631"), "Unknown");
    EXPECT_EQ(WindowsVersionTextFor(OsVersionFacts{1, 4, 10, " A"}, std::nullopt, ""), "4.10 (98SE)");
    EXPECT_EQ(WindowsVersionTextFor(OsVersionFacts{3, 10, 0, ""}, ten, "19045"), "Unknown");
}

}  // namespace
