#include "common/win32/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/win32/fixtures.h"
#include "common/win32/profile_file.h"
#include "common/win32/registry.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

const std::string kProductKey = "SOFTWARE\\Quintavo\\Vellumar";

bool KeyExists(const std::string& path) {
    return RegistryKey::Open(HKEY_CURRENT_USER, path, KEY_READ, false).IsOpen();
}

RegistryKey ProductKey() { return RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_ALL_ACCESS, true); }

class Settings : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Quintavo"); }
    std::string Ini() const { return folder.Path("settings.ini"); }

    RegistryGuard guard{HKEY_CURRENT_USER, L"SOFTWARE\\Quintavo"};
    TempFolder folder;
};

TEST_F(Settings, RoundTrip) {
    EXPECT_EQ(ReadSetting("debug_mode"), "");
    EXPECT_TRUE(KeyExists(kProductKey)) << "reading makes the empty product key";

    EXPECT_TRUE(WriteSetting("uid", "180045292"));
    EXPECT_EQ(ReadSetting("uid"), "180045292");
    EXPECT_TRUE(WriteSetting("note", "Caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(ReadSetting("note"), "Caf\xC3\xA9 \xE2\x82\xAC");

    EXPECT_TRUE(WriteBoolSetting("debug_mode", true));
    EXPECT_EQ(ProductKey().ValueType("debug_mode"), REG_SZ) << "a string, not a number";
    EXPECT_EQ(ReadSetting("debug_mode"), "1");
    WriteBoolSetting("debug_mode", false);
    EXPECT_EQ(ReadSetting("debug_mode"), "0");

    RegisterProgramPath("Vellumar", "C:\\Program Files\\Vellumar\\vellumar.exe");
    EXPECT_EQ(ReadProgramPath("Vellumar"), "C:\\Program Files\\Vellumar\\vellumar.exe");
    EXPECT_EQ(ReadProgramPath("Pardek"), "");
    UnregisterProgramPath("Vellumar");
    EXPECT_EQ(ReadProgramPath("Vellumar"), "");
}


// Numbers are stored as strings, but a settings file's "Settings_DWORD" section
// imports them as REG_DWORD; other types read as nothing.
TEST_F(Settings, NumbersAsTextAndAsDwords) {
    EXPECT_EQ(ReadSettingAsText("scan_interval"), "");
    EXPECT_TRUE(WriteNumberSetting("scan_interval", 12));
    EXPECT_EQ(ProductKey().ValueType("scan_interval"), REG_SZ);
    EXPECT_EQ(ReadSettingAsText("scan_interval"), "12");
    ProductKey().WriteDword("scan_interval", 9);
    EXPECT_EQ(ReadSettingAsText("scan_interval"), "9");
    EXPECT_TRUE(WriteNumberSetting("scan_interval", 30));
    EXPECT_EQ(ProductKey().ReadDword("scan_interval"), 30u) << "a number imported as REG_DWORD stays one";
    const BYTE bytes[] = {1, 2};
    RegSetValueExW(ProductKey().get(), L"scan_interval", 0, REG_BINARY, bytes, sizeof bytes);
    EXPECT_EQ(ReadSettingAsText("scan_interval"), "");
}

TEST_F(Settings, ValueErrorsCarryTheTextToShow) {
    ProductKey().WriteDword("uid", 7);
    try {
        ReadSetting("uid");
        FAIL() << "a number read as a setting must raise";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Type de donn\xC3\xA9" "es incorrect pour 'uid'");
    }
    // A key opened for reading refuses writes: the write error.
    const auto readOnly = RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_READ, false);
    try {
        readOnly.WriteString("debug_mode", "1");
        FAIL() << "a refused write must raise";
    } catch (const RegistryError& e) {
        EXPECT_STREQ(e.what(), "Echec \xC3\xA0 la d\xC3\xA9" "finition des donn\xC3\xA9" "es pour 'debug_mode'");
    }
    EXPECT_THROW(readOnly.WriteDword("n", 1), RegistryError);
}

// Start, run and exit of a portable copy; a maker key holding only our traces goes with them.
TEST_F(Settings, PortableRunLeavesNothingBehind) {
    WriteTestFile(Ini(), "[Settings]\r\nuid=123\r\ndebug_mode=1\r\nstale=kept\r\n[Settings_DWORD]\r\nwidth=0x1F\r\n");
    ImportSettingsFromIni("Vellumar", Ini());
    EXPECT_EQ(ReadSetting("uid"), "123");
    EXPECT_EQ(ProductKey().ReadDword("width"), 31u);

    RegisterProgramPath("Vellumar", "Z:\\portable\\vellumar.exe");
    WriteSetting("uid", "456");
    ProductKey().DeleteValue("stale");

    ASSERT_TRUE(ExportSettingsToIni("Vellumar", Ini()));
    DeleteProductKey("Vellumar");
    UnregisterProgramPath("Vellumar");
    DeleteMakerKeyIfEmpty();

    EXPECT_FALSE(KeyExists("SOFTWARE\\Quintavo"));
    EXPECT_EQ(ReadProfileString(Ini(), "Settings", "uid"), "456");
    EXPECT_EQ(ReadProfileString(Ini(), "Settings", "debug_mode"), "1");
    EXPECT_EQ(ReadProfileString(Ini(), "Settings", "stale"), "kept") << "the file is not emptied first";
    EXPECT_EQ(ReadProfileString(Ini(), "Settings_DWORD", "width"), "31");
}

TEST_F(Settings, MakerKeyWithAnotherProgramSurvives) {
    RegisterProgramPath("Pardek", "C:\\Pardek\\pardek.exe");
    WriteTestFile(Ini(), "[Settings]\r\nuid=1\r\n");
    ImportSettingsFromIni("Vellumar", Ini());
    RegisterProgramPath("Vellumar", "Z:\\portable\\vellumar.exe");

    ASSERT_TRUE(ExportSettingsToIni("Vellumar", Ini()));
    DeleteProductKey("Vellumar");
    UnregisterProgramPath("Vellumar");
    DeleteMakerKeyIfEmpty();

    EXPECT_FALSE(KeyExists(kProductKey));
    EXPECT_EQ(ReadProgramPath("Pardek"), "C:\\Pardek\\pardek.exe");
    EXPECT_EQ(ReadProgramPath("Vellumar"), "");

    // A subkey of another program keeps the maker key too.
    UnregisterProgramPath("Pardek");
    RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo\\Other", KEY_ALL_ACCESS, true);
    DeleteMakerKeyIfEmpty();
    EXPECT_TRUE(KeyExists("SOFTWARE\\Quintavo\\Other"));
}

TEST_F(Settings, ExportThatCannotWriteKeepsTheRegistry) {
    const std::string original = "[Settings]\r\nuid=1\r\n";
    WriteTestFile(Ini(), original);
    WriteSetting("uid", "2");
    const std::wstring file = Widen(Ini());

    // A file that another program holds open without sharing.
    {
        const UniqueFile locked(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locked);
        EXPECT_FALSE(ExportSettingsToIni("Vellumar", Ini()));
    }
    EXPECT_EQ(ReadTestFile(Ini()), original);
    EXPECT_EQ(ReadSetting("uid"), "2");

    // A settings file in a folder that does not exist.
    EXPECT_FALSE(ExportSettingsToIni("Vellumar", folder.Path("missing\\settings.ini")));

}

TEST_F(Settings, ExportToReadOnlyFileKeepsTheRegistry) {
    const std::string original = "[Settings]\r\nuid=1\r\n";
    WriteTestFile(Ini(), original);
    WriteSetting("uid", "2");
    const std::wstring file = Widen(Ini());
    // Wine lets root write to a read-only file anyway; Windows never does.
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    if (UniqueFile(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)))
        GTEST_SKIP() << "read-only files are writable for this user";
    EXPECT_FALSE(ExportSettingsToIni("Vellumar", Ini()));
    EXPECT_EQ(ReadTestFile(Ini()), original);
    EXPECT_EQ(ReadSetting("uid"), "2");
}

TEST_F(Settings, DwordImportAndExport) {
    struct Case {
        const char* text;
        uint32_t want;
    };
    const Case cases[] = {
        {"31", 31},         {"0x1F", 31},         {"$1F", 31},          {"0X1f", 31},
        {"abc", 0},         {"", 0},              {"-1", 0xFFFFFFFFu},  {"4294967295", 0},
        {"0xFFFFFFFF", 0xFFFFFFFFu}, {"12abc", 0}, {"2147483647", 0x7FFFFFFFu},
    };
    std::string ini = "[Settings_DWORD]\r\n";
    for (size_t i = 0; i < std::size(cases); ++i) ini += "v" + std::to_string(i) + "=" + cases[i].text + "\r\n";
    WriteTestFile(Ini(), ini);

    ImportSettingsFromIni("Vellumar", Ini());
    const auto key = ProductKey();
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(key.ReadDword("v" + std::to_string(i)), cases[i].want) << cases[i].text;

    // The export writes what the import reads back to the same 32 bits.
    const std::string second = folder.Path("second.ini");
    ASSERT_TRUE(ExportSettingsToIni("Vellumar", second));
    EXPECT_EQ(ReadProfileString(second, "Settings_DWORD", "v6"), "-1");
    DeleteProductKey("Vellumar");
    ImportSettingsFromIni("Vellumar", second);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ProductKey().ReadDword("v" + std::to_string(i)), cases[i].want) << cases[i].text;
}

TEST_F(Settings, ExportCarriesOnlyStringsAndDwords) {
    const auto key = ProductKey();
    key.WriteString("uid", "9");
    const BYTE blob[] = {1, 2, 3};
    RegSetValueExW(key.get(), L"blob", 0, REG_BINARY, blob, sizeof blob);
    const wchar_t expand[] = L"%TEMP%\\x";
    RegSetValueExW(key.get(), L"expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);

    ASSERT_TRUE(ExportSettingsToIni("Vellumar", Ini()));
    const std::string text = ReadTestFile(Ini());
    EXPECT_NE(text.find("uid=9"), std::string::npos);
    EXPECT_EQ(text.find("blob"), std::string::npos);
    EXPECT_EQ(text.find("expand"), std::string::npos);
}

TEST_F(Settings, MissingFileImportsNothing) {
    ImportSettingsFromIni("Vellumar", folder.Path("none.ini"));
    EXPECT_TRUE(KeyExists(kProductKey));
    EXPECT_TRUE(ProductKey().ValueNames().empty());
}

TEST_F(Settings, ProfileBuffers) {
    const std::string longValue(3000, 'x');
    std::string ini = "[Settings]\r\nlong=" + longValue + "\r\n";
    // 2000 names of 9 characters overflow the 16384-unit key list.
    for (int i = 0; i < 2000; ++i) ini += "key" + std::to_string(100000 + i) + "=1\r\n";
    WriteTestFile(Ini(), ini);

    ImportSettingsFromIni("Vellumar", Ini());
    EXPECT_EQ(ReadSetting("long"), std::string(2047, 'x'));
    const size_t imported = ProductKey().ValueNames().size();
    EXPECT_GT(imported, 1000u);
    EXPECT_LT(imported, 2001u);
    EXPECT_EQ(ReadSetting("key100000"), "1");
}

TEST_F(Settings, SettingsFileIsAnsiText) {
    WriteSetting("name", "Caf\xC3\xA9");
    ASSERT_TRUE(ExportSettingsToIni("Vellumar", Ini()));
    const std::string bytes = ReadTestFile(Ini());
    EXPECT_EQ(bytes.find('\0'), std::string::npos) << "written as UTF-16";
    EXPECT_NE(bytes.find("name=" + NarrowAnsi(L"Caf\u00E9")), std::string::npos) << bytes;

    // And an ANSI file comes in as UTF-8.
    WriteTestFile(Ini(), "[Settings]\r\ncity=" + NarrowAnsi(L"Z\u00FCrich") + "\r\n");
    ImportSettingsFromIni("Vellumar", Ini());
    EXPECT_EQ(ReadSetting("city"), "Z\xC3\xBCrich");
}

}  // namespace
