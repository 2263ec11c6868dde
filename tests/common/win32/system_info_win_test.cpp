#include "common/win32/system_info_win.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "common/win32/registry.h"
#include "common/win32/wide.h"

namespace {

TEST(SystemInfoWin, VersionOfTheRunningWindows) {
    const std::string build = WindowsBuildNumber();
    ASSERT_FALSE(build.empty());
    EXPECT_GT(BuildNumberFromText(build), 0) << build;
    const std::string text = WindowsVersionText();
    EXPECT_NE(text, "Unknown");
    // Wine plays Windows 10 by default; any NT text names its version with a dot.
    EXPECT_NE(text.find('.'), std::string::npos) << text;
    if (TextStartsWith(text, "10.0.") || TextStartsWith(text, "11.0.")) {
        EXPECT_NE(text.find(build), std::string::npos) << text;
    }
    EXPECT_FALSE(IsWindowsBeforeVista());
}

TEST(SystemInfoWin, BuildNumberIsReadWithoutTouchingTheMachineKey) {
    const auto key = RegistryKey::Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                       KEY_ALL_ACCESS, false);
    ASSERT_TRUE(key.IsOpen());
    const auto saved = key.ReadString("CurrentBuildNumber");
    ASSERT_TRUE(saved);
    key.DeleteValue("CurrentBuildNumber");
    EXPECT_EQ(WindowsBuildNumber(), "");
    EXPECT_FALSE(key.ValueType("CurrentBuildNumber")) << "nothing is written back";
    key.WriteString("CurrentBuildNumber", *saved);
    EXPECT_EQ(WindowsBuildNumber(), *saved);
}

TEST(SystemInfoWin, SixtyFourBitBuildRunsOn64BitWindows) {
#ifdef _WIN64
    EXPECT_TRUE(IsWindows64());
    EXPECT_EQ(RegistryReadRights(), static_cast<REGSAM>(KEY_READ | KEY_WOW64_64KEY));
#endif
    SetFsRedirectionOff(true);  // nothing to switch in a 64-bit process; must not fail either way
    SetFsRedirectionOff(false);
}

TEST(SystemInfoWin, AdministratorAgreesWithTheSystemCheck) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                         0, 0, &admins));
    BOOL member = FALSE;
    ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
    FreeSid(admins);
    EXPECT_EQ(RunsAsAdministrator(), member != FALSE);
}

TEST(SystemInfoWin, FirstAdministratorsEntryDecides) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr, users = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                         0, 0, &admins));
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0,
                                         0, 0, &users));
    struct Groups {
        DWORD count;
        SID_AND_ATTRIBUTES entries[2];
    };
    const DWORD enabled = SE_GROUP_ENABLED | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_MANDATORY;
    struct Case {
        const char* what;
        Groups groups;
        bool want;
    };
    const Case cases[] = {
        {"enabled member", {2, {{users, enabled}, {admins, enabled}}}, true},
        {"filtered administrator", {2, {{users, enabled}, {admins, SE_GROUP_USE_FOR_DENY_ONLY}}}, false},
        {"deny-only entry first", {2, {{admins, SE_GROUP_USE_FOR_DENY_ONLY}, {admins, enabled}}}, false},
        {"not a member", {1, {{users, enabled}}}, false},
        {"no groups", {0, {}}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AdministratorsGroupGrants(c.groups.entries, c.groups.count), c.want) << c.what;
    FreeSid(users);
    FreeSid(admins);
}

}  // namespace
