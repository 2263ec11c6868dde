#include "update/win32/file_product.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/win32/files.h"
#include "common/win32/registry.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "update/product_info.h"
#include "update/uninstall_lookup.h"
#include "update/version_resource.h"
#include "update/win32/product_sources_win.h"

namespace {

std::string Image(const std::string& name) {
    std::string path = std::string(VELLUMAR_PRODID_IMAGES) + "\\" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string Version(const std::string& file) {
    std::string name = file;
    return GetFileProductVersion(name, "", "");
}

// A temporary folder, removed with what it holds.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = Narrow(base) + "vellumar_prodid_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(Widen(path_).c_str(), nullptr);
    }
    ~TempFolder() {
        for (const auto& f : files_) DeleteFileW(Widen(f).c_str());
        RemoveDirectoryW(Widen(path_).c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string file = path_ + "\\" + name;
        std::ofstream(std::filesystem::path(Widen(file)), std::ios::binary) << bytes;
        files_.push_back(file);
        return file;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

std::string ReadAll(const std::string& file) {
    std::ifstream in(std::filesystem::path(Widen(file)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileProduct, OwnProgramFileBothArchitectures) {
    EXPECT_EQ(GetFileProductInfo(Image("own32.exe")), (TDisplayedFileInfo{"Vellumar", "Quintavo"}));
    EXPECT_EQ(Version(Image("own32.exe")), "1.6.3.18");
    EXPECT_EQ(GetFileProductInfo(Image("own64.exe")), (TDisplayedFileInfo{"Vellumar (64 bits)", "Quintavo"}));
    EXPECT_EQ(Version(Image("own64.exe")), "1.6.3.18");

    auto rec = ReadVersionInfo(Image("own32.exe"));
    EXPECT_EQ(rec.FileDescription, "Vellumar Wi-Fi survey tool");
    EXPECT_EQ(rec.OriginalFilename, "vellumar.exe");
    EXPECT_EQ(rec.FileVersion, "1.6.3.18");
}

TEST(FileProduct, ChosenStringTables) {
    EXPECT_EQ(GetFileProductInfo(Image("tool64.exe")), (TDisplayedFileInfo{"Tool (64 bits)", "Foo LLC"}));
    EXPECT_EQ(Version(Image("tool64.exe")), "2.0.0.0");

    // Reached through the translation; ", LLC" is no company, the copyright names it.
    auto rec = ReadVersionInfo(Image("translated32.exe"));
    EXPECT_EQ(rec.ProductName, "Werkzeug");
    EXPECT_EQ(rec.FileVersion, "2.5.0.1");
    EXPECT_EQ(rec.ProductVersion, "2.5");
    EXPECT_EQ(GetFileProductInfo(Image("translated32.exe")), (TDisplayedFileInfo{"Werkzeug", "Foo Corp"}));
    EXPECT_EQ(Version(Image("translated32.exe")), "2.5.0.1");

    EXPECT_EQ(ReadVersionInfo(Image("noversion64.exe")), FileVersionInfoRec{});
    EXPECT_EQ(ReadVersionInfo(VELLUMAR_PRODID_IMAGES), FileVersionInfoRec{});  // a folder
    EXPECT_EQ(GetFileProductInfo(Image("noversion64.exe")), TDisplayedFileInfo{});
    EXPECT_EQ(Version(Image("noversion64.exe")), "");
    EXPECT_EQ(GetFileProductInfo(Image("missing.exe")), TDisplayedFileInfo{});
    EXPECT_EQ(Version(Image("missing.exe")), "");
}

// Our reader of the version block must see what the platform's VerQueryValue sees.
TEST(FileProduct, ReaderAgreesWithVerQueryValue) {
    for (const char* name : {"own32.exe", "own64.exe", "tool64.exe", "translated32.exe"}) {
        auto block = ReadFileVersionBlock(Image(name));
        ASSERT_FALSE(block.empty()) << name;
        auto parsed = ParseVersionResource(block);
        ASSERT_TRUE(parsed) << name;

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
        EXPECT_EQ(parsed->fileVersionMS, fixed->dwFileVersionMS) << name;
        EXPECT_EQ(parsed->fileVersionLS, fixed->dwFileVersionLS) << name;

        DWORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                                   &size));
        ASSERT_FALSE(parsed->translations.empty());
        const uint32_t first = parsed->translations.front();
        EXPECT_EQ(first, static_cast<uint32_t>(LOWORD(*translation)) << 16 | HIWORD(*translation)) << name;

        wchar_t key[64];
        for (const auto& table : parsed->tables)
            for (const auto& [k, v] : table.strings) {
                swprintf(key, 64, L"\\StringFileInfo\\%ls\\%ls", Widen(table.key).c_str(), Widen(k).c_str());
                wchar_t* text = nullptr;
                ASSERT_TRUE(VerQueryValueW(block.data(), key, reinterpret_cast<void**>(&text), &size)) << name << k;
                EXPECT_EQ(v, Narrow(text)) << name << " " << k;
            }
    }
}

TEST(FileProduct, IsPe64NeverReadsPastTheFile) {
    EXPECT_TRUE(IsPe64(Image("own64.exe")));
    EXPECT_TRUE(IsPe64(Image("tool64.exe")));
    EXPECT_FALSE(IsPe64(Image("own32.exe")));
    EXPECT_FALSE(IsPe64(Image("missing.exe")));
    EXPECT_FALSE(IsPe64(VELLUMAR_PRODID_IMAGES));  // a folder

    TempFolder temp;
    const std::string image = ReadAll(Image("own64.exe"));
    ASSERT_GT(image.size(), 512u);
    EXPECT_FALSE(IsPe64(temp.Write("empty.exe", "")));
    EXPECT_FALSE(IsPe64(temp.Write("text.exe", "MZ is not enough")));
    // The magic number sits 24 bytes after the "PE" signature; cut anywhere before its end.
    const size_t pe = static_cast<uint8_t>(image[60]) | static_cast<uint8_t>(image[61]) << 8;
    for (size_t n : {size_t{2}, size_t{63}, size_t{64}, pe, pe + 4, pe + 25}) {
        std::string cut = image.substr(0, n);
        EXPECT_FALSE(IsPe64(temp.Write("cut" + std::to_string(n) + ".exe", cut))) << n;
    }
    EXPECT_TRUE(IsPe64(temp.Write("cut_magic.exe", image.substr(0, pe + 26))));
    std::string hostile = image.substr(0, 256);
    hostile[60] = hostile[61] = hostile[62] = hostile[63] = '\xFF';
    EXPECT_FALSE(IsPe64(temp.Write("hostile.exe", hostile)));
    EXPECT_TRUE(IsPe64(temp.Write("headers.exe", image.substr(0, 512))));
}

// Only a 32-bit process under WOW64 is redirected; a 64-bit process sees the real system folder.
TEST(FileProduct, SystemFolderRedirection) {
    WindowsProductSources sources;
    const std::string notepad = sources.SystemFolder() + "\\notepad.exe";
    std::string want = notepad;
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(sources.RunsUnderWow64());
        EXPECT_TRUE(sources.HasWow6432View());
    } else if (sources.RunsUnderWow64()) {
        want = sources.SystemFolder();
        want.replace(want.size() - 8, 8, "sysnative");
        want += "\\notepad.exe";
    }
    EXPECT_EQ(RedirectSystemPath(notepad), want);
    std::string file = notepad;
    Version(file);
    EXPECT_EQ(file, want);
}

// Names, not paths, whether or not the folder ends in a separator; files are no subfolders.
TEST(FileProduct, SubfolderNames) {
    TempFolder temp;
    temp.Write("1.0.0.0.txt", "x");
    const std::string sub = temp.path() + "\\2.5.0.1";
    ASSERT_TRUE(CreateDirectoryW(Widen(sub).c_str(), nullptr));
    WindowsProductSources sources;
    const auto plain = sources.ListSubfolders(temp.path());
    const auto withSeparator = sources.ListSubfolders(temp.path() + "\\");
    RemoveDirectoryW(Widen(sub).c_str());
    EXPECT_EQ(plain, std::vector<std::string>{"2.5.0.1"});
    EXPECT_EQ(withSeparator, std::vector<std::string>{"2.5.0.1"});
    EXPECT_TRUE(sources.ListSubfolders(temp.path() + "\\missing").empty());
}

// A string as it is, a DWORD in decimal, anything else or nothing as "".
TEST(FileProduct, RegistryTextByType) {
    const std::string path = "Software\\VellumarProdidTest";
    ASSERT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, path, KEY_READ, false).IsOpen()) << "test key already there";
    {
        const auto key = RegistryKey::Open(HKEY_CURRENT_USER, path, KEY_WRITE, true);
        ASSERT_TRUE(key.IsOpen());
        key.WriteString("text", "r1234");
        key.WriteDword("number", 4000000000u);
        const BYTE bytes[] = {1, 2};
        RegSetValueExW(key.get(), L"binary", 0, REG_BINARY, bytes, sizeof bytes);
    }
    WindowsProductSources sources;
    auto text = [&](const std::string& key, const std::string& value) {
        return sources.RegistryText(RegistryHive::CurrentUser, key, value);
    };
    const std::string got[] = {text(path + "\\", "text"), text(path, "number"), text(path, "binary"),
                               text(path, "missing"), text(path + "\\missing", "text")};
    DeleteRegistryTree(HKEY_CURRENT_USER, path);
    EXPECT_EQ(got[0], "r1234");
    EXPECT_EQ(got[1], "4000000000");
    EXPECT_EQ(got[2], "");
    EXPECT_EQ(got[3], "");
    EXPECT_EQ(got[4], "");
}

// Uninstall entries written for the test and removed afterwards, in both views.
class UninstallRegistry : public ::testing::Test {
protected:
    struct Key { HKEY root; std::wstring path; };

    void Add(HKEY root, bool wow6432, const std::wstring& id, const std::wstring& displayName,
             const std::wstring& version, const std::wstring& publisher = L"") {
        std::wstring path = std::wstring(L"SOFTWARE\\") + (wow6432 ? L"Wow6432Node\\" : L"") +
                            L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + id;
        HKEY existing = nullptr;
        ASSERT_NE(RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &existing), ERROR_SUCCESS)
            << "test key already there";
        // Every missing key on the way is ours to remove afterwards, deepest first.
        for (size_t at = path.find(L'\\'); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
            std::wstring parent = path.substr(0, at);
            HKEY probe = nullptr;
            if (RegOpenKeyExW(root, parent.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &probe) == ERROR_SUCCESS)
                RegCloseKey(probe);
            else
                created_.push_back({root, parent});
        }
        HKEY raw = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &raw,
                                  nullptr),
                  ERROR_SUCCESS);
        created_.push_back({root, path});
        UniqueRegKey key(raw);
        auto set = [&](const wchar_t* name, const std::wstring& text) {
            if (!text.empty())
                RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        };
        set(L"DisplayName", displayName);
        set(L"DisplayVersion", version);
        set(L"Publisher", publisher);
    }
    void TearDown() override {
        for (auto k = created_.rbegin(); k != created_.rend(); ++k)
            RegDeleteKeyExW(k->root, k->path.c_str(), KEY_WOW64_64KEY, 0);
    }

    std::vector<Key> created_;
};

TEST_F(UninstallRegistry, EveryLookupMember) {
    Add(HKEY_LOCAL_MACHINE, false, L"VellumarTest1", L"Vellumar Test Suite", L"v1.2.0");
    Add(HKEY_LOCAL_MACHINE, true, L"VellumarTest2", L"Vellumar Test Suite", L"1.3.0");  // 32-bit view, higher
    Add(HKEY_LOCAL_MACHINE, false, L"VellumarTest3", L"VellumarTestKit 7.4 Pro - 7.4.1", L"");
    Add(HKEY_CURRENT_USER, false, L"VellumarTest4", L"Vellumar Test Tools", L"4.5.6");
    Add(HKEY_CURRENT_USER, false, L"VellumarTest5", L"Vellumar Test Windows Manager", L"2.0.1", L"Yamicsoft");
    Add(HKEY_LOCAL_MACHINE, false, L"VellumarTest6", L"K-Lite Codec Pack 17.0.0 Full (64-bit)", L"17.0.0");
    Add(HKEY_LOCAL_MACHINE, true, L"VellumarTest7", L"K-Lite Codec Pack 16.9.0 Full", L"16.9.0");
    // A DisplayName that is no string does not count.
    Add(HKEY_LOCAL_MACHINE, false, L"VellumarTest8", L"", L"9.9.9");
    {
        HKEY raw = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, created_.back().path.c_str(), 0, KEY_WRITE | KEY_WOW64_64KEY,
                                &raw),
                  ERROR_SUCCESS);
        UniqueRegKey key(raw);
        DWORD number = 5;
        RegSetValueExW(key.get(), L"DisplayName", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }

    WindowsProductSources sources;
    UninstallLookup lookup(sources);
    using K = UninstallLookupKind;
    // The 32-bit view's entry is the higher one; only 64-bit Windows has that view.
    EXPECT_EQ(lookup.DisplayVersion("vellumar test suite"), sources.HasWow6432View() ? "1.3.0" : "1.2.0");
    EXPECT_EQ(lookup.DisplayVersion("Vellumar Test Tools"), "4.5.6");  // current user, after the machine
    EXPECT_EQ(lookup.Find(K::VersionInName, "VellumarTestKit"), "7.4.1");
    EXPECT_EQ(lookup.Find(K::LastWord, "VellumarTestKit 7.4"), "7.4.1");
    EXPECT_EQ(lookup.Find(K::SecondWord, "VellumarTestKit"), "7.4");
    EXPECT_EQ(lookup.Find(K::FirstWordVersionInName, "VellumarTestKit"), "7.4.1");
    EXPECT_EQ(lookup.Find(K::WithTerm, "Vellumar Test", "Suite"), sources.HasWow6432View() ? "1.3.0" : "1.2.0");
    EXPECT_EQ(lookup.Find(K::WithoutTerm, "Vellumar Test", "Suite"), "");  // Tools is the current user's
    EXPECT_EQ(lookup.Find(K::VersionInName, "Vellumar Test Tools"), "");   // machine only
    EXPECT_EQ(lookup.Find(K::Publisher, ""), "2.0.1");
    EXPECT_EQ(lookup.DisplayVersion("9.9.9"), "");

    EXPECT_EQ(Version("KLITE64"), "17.0.0");
    if (sources.HasWow6432View()) {
        EXPECT_EQ(Version("KLITE"), "16.9.0");
    }
}

// Counts every look at the file system while the real sources answer.
class CountingSources final : public ProductSources {
public:
    int fileCalls = 0;
    FileVersionInfoRec ReadVersionInfo(const std::string& f) override { return ++fileCalls, real_.ReadVersionInfo(f); }
    std::string FileVersionText(const std::string& f) override { return ++fileCalls, real_.FileVersionText(f); }
    bool IsPe64(const std::string& f) override { return ++fileCalls, real_.IsPe64(f); }
    bool FileHasContent(const std::string& f) override { return ++fileCalls, real_.FileHasContent(f); }
    std::optional<std::string> ReadSideFile(const std::string& f) override { return ++fileCalls, real_.ReadSideFile(f); }
    std::vector<std::string> ListSubfolders(const std::string& f) override {
        return ++fileCalls, real_.ListSubfolders(f);
    }
    std::vector<UninstallEntry> UninstallEntries(RegistryHive h, std::string_view v) override {
        return real_.UninstallEntries(h, v);
    }
    std::string RegistryText(RegistryHive h, const std::string& k, const std::string& v) override {
        return real_.RegistryText(h, k, v);
    }
    bool HasWow6432View() override { return real_.HasWow6432View(); }
    bool RunsUnderWow64() override { return real_.RunsUnderWow64(); }
    std::string SystemFolder() override { return real_.SystemFolder(); }

private:
    WindowsProductSources real_;
};

TEST(FileProduct, Klite64NeverTouchesAFile) {
    CountingSources sources;
    ProductIdentifier id(sources);
    std::string file = "KLITE64";
    EXPECT_EQ(id.GetFileProductInfo(file), (TDisplayedFileInfo{"K-Lite Codec Pack (64-Bits)", "K-Lite Codec Pack Team"}));
    id.GetFileProductVersion(file, "", "");
    EXPECT_EQ(sources.fileCalls, 0);
    EXPECT_EQ(file, "KLITE64");

    // Even a real program file of that name in the current folder is not read.
    TempFolder temp;
    temp.Write("KLITE64", ReadAll(Image("own64.exe")));
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryW(Widen(temp.path()).c_str()));
    auto info = GetFileProductInfo("KLITE64");
    auto ownName = GetFileProductName("klite64");  // a different name: an ordinary file
    SetCurrentDirectoryW(before);
    EXPECT_EQ(info.ProductName, "K-Lite Codec Pack (64-Bits)");
    EXPECT_EQ(ownName, "Vellumar (64 bits)");
}

}  // namespace
