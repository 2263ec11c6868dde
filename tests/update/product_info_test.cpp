#include "update/product_info.h"

#include <gtest/gtest.h>

#include "fake_product_sources.h"

namespace {

constexpr auto LM = RegistryHive::LocalMachine;

FileVersionInfoRec OwnProgramResource() {
    FileVersionInfoRec r;
    r.ProductName = "Vellumar";
    r.CompanyName = "Quintavo";
    r.FileDescription = "Vellumar Wi-Fi survey tool";
    r.FileVersion = "1.6.3.18";
    r.ProductVersion = "1.6.3.18";
    r.LegalCopyright = "Copyright (C) Quintavo";
    r.OriginalFilename = "vellumar.exe";
    return r;
}

struct Identify {
    FakeProductSources src;
    ProductIdentifier id{src};

    // A program file with a resource; its fixed version too when given.
    void File(const std::string& path, FileVersionInfoRec info, const std::string& fixed = "") {
        src.resources[path] = std::move(info);
        if (!fixed.empty()) src.fixedVersions[path] = fixed;
    }
    std::string Version(std::string file) { return id.GetFileProductVersion(file, "", ""); }
};

TEST(ProductInfo, OwnProgramFile) {
    Identify t;
    const std::string exe = "C:\\Program Files (x86)\\Vellumar\\vellumar.exe";
    t.File(exe, OwnProgramResource(), "1.6.3.18");
    EXPECT_EQ(t.id.GetFileProductInfo(exe), (TDisplayedFileInfo{"Vellumar", "Quintavo"}));
    EXPECT_EQ(t.Version(exe), "1.6.3.18");

    t.src.pe64.insert(exe);
    EXPECT_EQ(t.id.GetFileProductInfo(exe), (TDisplayedFileInfo{"Vellumar (64 bits)", "Quintavo"}));
}

TEST(ProductInfo, PseudoFilesNeverTouchAFile) {
    Identify t;
    t.src.Install("K-Lite Codec Pack 17.0.0 (64-bit)", "17.0.0");
    t.src.Install("K-Lite Codec Pack 16.9.0", "16.9.0");
    t.src.Install("K-Lite Mega Codec Pack", "v15.1");
    t.src.Install("Combined Community Codec Pack", "2015.10.18");
    t.src.Install("QuickTime Alternative 3.2.2", "");
    t.src.Install("QT Lite 4.1.0", "");
    t.src.Install("OpenHashTab", "3.0.4");
    struct C { const char* key; const char* name; const char* company; const char* version; };
    const C cases[] = {
        {"CCCP", "Combined Community Codec Pack", "CCCP Project", "2015.10.18"},
        {"QTA", "QuickTime Alternative", "QuickTime Alternative Team", "3.2.2"},
        {"QTL", "QuickTime Lite", "QuickTime Lite Team", "4.1.0"},
        {"KLITE", "K-Lite Codec Pack", "K-Lite Codec Pack Team", "16.9.0"},
        {"KLITE64", "K-Lite Codec Pack (64-Bits)", "K-Lite Codec Pack Team", "17.0.0"},
        {"KLITEMEGA", "K-Lite Codec Pack (Mega)", "K-Lite Codec Pack Team", "15.1"},
        {"HASHTAB", "HashTab", "Implbits Software", ""},  // the successor is installed
        {"OPENHASHTAB", "OpenHashTab", "namazso", "3.0.4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.id.GetFileProductInfo(c.key), (TDisplayedFileInfo{c.name, c.company})) << c.key;
        EXPECT_EQ(t.Version(c.key), c.version) << c.key;
    }
    EXPECT_TRUE(t.src.touchedFiles.empty());
    // Keys are compared exactly: a file that happens to be called klite64 is a file.
    EXPECT_NE(t.id.GetFileProductName("klite64"), "K-Lite Codec Pack (64-Bits)");
    EXPECT_FALSE(t.src.touchedFiles.empty());
}

TEST(ProductInfo, HashTabWithoutItsSuccessor) {
    Identify t;
    t.src.Install("HashTab 6.0.0.34", "6.0.0.34");
    EXPECT_EQ(t.Version("HASHTAB"), "6.0.0.34");
}

TEST(ProductInfo, CompanyFromTheCopyright) {
    Identify t;
    FileVersionInfoRec r;
    r.ProductName = "Foo";
    r.LegalCopyright = "Copyright (C) 2010 Foo Corp. All Rights Reserved.";
    t.File("C:\\a\\foo.exe", r);
    EXPECT_EQ(t.id.GetFileCompany("C:\\a\\foo.exe", ""), "Foo Corp");

    r.CompanyName = ", LLC";  // counts as none
    t.File("C:\\a\\foo.exe", r);
    EXPECT_EQ(t.id.GetFileCompany("C:\\a\\foo.exe", "Foo"), "Foo Corp");

    r.CompanyName = "Foo L.L.C.\r\nsecond line";
    t.File("C:\\a\\foo.exe", r);
    EXPECT_EQ(t.id.GetFileCompany("C:\\a\\foo.exe", "Foo"), "Foo LLC");

    r.CompanyName = "-";
    r.LegalCopyright = "??";
    t.File("C:\\a\\foo.exe", r);
    EXPECT_EQ(t.id.GetFileCompany("C:\\a\\foo.exe", "Foo"), "");
}

TEST(ProductInfo, NamelessFileTakesItsBaseName) {
    Identify t;
    FileVersionInfoRec r;
    r.CompanyName = "Foo Corp";
    t.File("C:\\a\\tool.exe", r);
    t.src.pe64.insert("C:\\a\\tool.exe");
    EXPECT_EQ(t.id.GetFileProductInfo("C:\\a\\tool.exe"), (TDisplayedFileInfo{"tool", "Foo Corp"}));
}

TEST(ProductInfo, NameFallbacksEndNaming) {
    Identify t;
    t.src.sideFiles["C:\\gs\\gs9\\bin\\gswin32.exe"] = "x";
    t.src.pe64.insert("C:\\gs\\gs9\\bin\\gswin32.exe");  // no suffix: the fallback ends naming
    EXPECT_EQ(t.id.GetFileProductName("C:\\gs\\gs9\\bin\\gswin32.exe"), "GPL Ghostscript");
    EXPECT_EQ(t.id.GetFileProductName("C:\\tools\\gswin32.exe"), "");
    EXPECT_EQ(t.id.GetFileProductName("C:\\NSIS\\nsis.exe"), "NSIS");
    EXPECT_EQ(t.id.GetFileProductInfo("C:\\Exact Audio Copy\\EAC.exe"),
              (TDisplayedFileInfo{"Exact Audio Copy", "www.exactaudiocopy.de"}));
    EXPECT_EQ(t.id.GetFileProductName("C:\\Other\\EAC.exe"), "");
}

TEST(ProductInfo, NameRows) {
    Identify t;
    FileVersionInfoRec r;
    struct C { const char* file; const char* product; const char* company; const char* fixed; const char* want; };
    const C cases[] = {
        {"C:\\s\\Skype.exe", "Skype", "", "7.40.0.103", "Skype Classic"},
        {"C:\\s\\Skype.exe", "Skype", "", "8.1.0.0", "Skype"},
        {"C:\\p\\PhotoFiltre.exe", "PhotoFiltre", "", "7.2.1.0", "PhotoFiltre Studio"},
        {"C:\\p\\PhotoFiltre.exe", "PhotoFiltre", "", "6.5.3.0", "PhotoFiltre"},
        {"C:\\a\\ab.exe", "Disk ?Defrag?", "Auslogics Labs", "", "Disk Defrag"},
        {"C:\\a\\ab.exe", "Disk ?Defrag", "Other", "", "Disk ?Defrag"},
        {"C:\\Games\\World of Warcraft\\_classic_era_\\Wow.exe", "World of Warcraft", "", "",
         "World of Warcraft Classic Era"},
        {"C:\\Games\\World of Warcraft\\_classic_\\Wow.exe", "World of Warcraft", "", "", "World of Warcraft Classic"},
        {"C:\\Games\\World of Warcraft\\_PTR_\\Wow.exe", "World of Warcraft", "", "", "World of Warcraft PTR"},
        {"C:\\Games\\World of Warcraft\\_retail_\\Wow.exe", "World of Warcraft", "", "", "World of Warcraft Retail"},
        {"C:\\Games\\World of Warcraft\\Wow.exe", "World of Warcraft", "", "", "World of Warcraft"},
        {"C:\\a\\rgb.exe", "AsrRgbLed Service", "", "", "ASRock RGB LED"},
    };
    for (const auto& c : cases) {
        r.ProductName = c.product;
        r.CompanyName = c.company;
        t.File(c.file, r, c.fixed);
        EXPECT_EQ(t.id.GetFileProductName(c.file), c.want) << c.product << " " << c.file;
    }
}

TEST(ProductInfo, PortableFirefoxAndAirPackages) {
    Identify t;
    FileVersionInfoRec r;
    r.ProductName = "Mozilla Firefox, Portable Edition";
    t.File("C:\\FF\\FirefoxPortable.exe", r);
    t.src.sideFiles["C:\\FF\\App\\AppInfo\\appinfo.ini"] =
        "[Details]\nName=Mozilla Firefox Legacy, Portable Edition\n[Version]\nPackageVersion=52.9 rev 2\n";
    EXPECT_EQ(t.id.GetFileProductName("C:\\FF\\FirefoxPortable.exe"), "Mozilla Firefox Legacy, Portable Edition");
    EXPECT_EQ(t.Version("C:\\FF\\FirefoxPortable.exe"), "52.9.2");
    t.src.sideFiles["C:\\FF\\App\\AppInfo\\appinfo.ini"] = "[Details]\nName=Mozilla Firefox, Portable\n";
    EXPECT_EQ(t.id.GetFileProductName("C:\\FF\\FirefoxPortable.exe"), "Mozilla Firefox, Portable Edition");

    // An AIR application: the runtime's stub has no resource; the descriptor names it.
    t.src.sideFiles["C:\\Air\\game.exe"] = "MZ";
    t.src.sideFiles["C:\\Air\\META-INF\\AIR\\application.xml"] =
        "<application><filename>game</filename><name>Space Game</name>"
        "<copyright>Copyright 2014 Nebula Ltd</copyright><versionNumber>3.1.4</versionNumber></application>";
    EXPECT_EQ(t.id.GetFileProductInfo("C:\\Air\\game.exe"), (TDisplayedFileInfo{"Space Game", "Nebula Ltd"}));
    EXPECT_EQ(t.Version("C:\\Air\\game.exe"), "3.1.4");
}

TEST(ProductInfo, CompanyRows) {
    Identify t;
    FileVersionInfoRec r;
    const std::pair<const char*, const char*> cases[] = {
        {"Chemtable Software Ltd", "Chemtable Software"},
        {"Chemtable", "Chemtable Software"},
        {"ChemtableX", "ChemtableX"},
        {"RStudio Inc.", "RStudio, PBC"},
    };
    for (const auto& [company, want] : cases) {
        r.ProductName = "Tool";
        r.CompanyName = company;
        t.File("C:\\a\\tool.exe", r);
        EXPECT_EQ(t.id.GetFileCompany("C:\\a\\tool.exe", ""), want) << company;
    }
    r = {};
    r.ProductName = "WizTree";
    t.File("C:\\a\\WizTree64.exe", r);
    EXPECT_EQ(t.id.GetFileCompany("C:\\a\\WizTree64.exe", ""), "Antibody Software");
}

TEST(ProductInfo, VersionRowsThatEndEarly) {
    Identify t;
    FileVersionInfoRec r;
    r.ProductName = "8GadgetPack";
    t.File("C:\\8G\\8GadgetPackTools.exe", r, "1.0.0.0");
    t.src.Install("8GadgetPack 37.0", "37.0");
    EXPECT_EQ(t.Version("C:\\8G\\8GadgetPackTools.exe"), "37.0");

    r.ProductName = "Windscribe";
    t.File("C:\\W\\WindscribeLauncher.exe", r, "1.0.0.1");
    EXPECT_EQ(t.Version("C:\\W\\WindscribeLauncher.exe"), "1.0.0.1");  // no sibling: the file's own
    t.File("C:\\W\\Windscribe.exe", r, "2.9.9.0");
    EXPECT_EQ(t.Version("C:\\W\\WindscribeLauncher.exe"), "2.9.9.0");

    r.ProductName = "Revo Uninstaller Portable";
    t.File("C:\\R\\RevoUPort.exe", r, "1.0.0.0");
    t.File("C:\\R\\x86\\RevoUn.exe", r, "2.4.5.0");
    EXPECT_EQ(t.Version("C:\\R\\RevoUPort.exe"), "2.4.5.0");

    r.ProductName = "ffdshow";
    t.File("C:\\ff\\ffdshow.ax", r, "1.3.0.0");
    t.src.registry["SOFTWARE\\GNU\\ffdshow\\|revision"] = "4533";
    EXPECT_EQ(t.Version("C:\\ff\\ffdshow.ax"), "4533");
}

TEST(ProductInfo, PlaceholderVersionsReplaced) {
    Identify t;
    FileVersionInfoRec r;
    r.ProductName = "ArtMoney SE";
    t.File("C:\\AM\\am815.exe", r, "1.0.0.0");
    t.File("C:\\AM\\artmoney.exe", r, "1.0.0.0");
    t.src.Install("ArtMoney SE v8.15", "8.15");
    EXPECT_EQ(t.Version("C:\\AM\\am815.exe"), "8.15");
    EXPECT_EQ(t.Version("C:\\AM\\artmoney.exe"), "1.0.0.0");

    t.src.sideFiles["C:\\NSIS\\nsis.exe"] = "MZ";
    t.src.Install("Nullsoft Install System", "3.09");
    EXPECT_EQ(t.Version("C:\\NSIS\\nsis.exe"), "3.09");
}

TEST(ProductInfo, ChromeVersionFromItsFolders) {
    Identify t;
    FileVersionInfoRec r;
    r.ProductName = "Google Chrome";
    t.File("C:\\Chrome\\Application\\chrome.exe", r, "0.0.0.0");
    t.src.subfolders["C:\\Chrome\\Application\\"] = {"119.0.6045.200", "120.0.6099.130", "Dictionaries", "SetupMetrics"};
    EXPECT_EQ(t.Version("C:\\Chrome\\Application\\chrome.exe"), "120.0.6099");
    t.File("C:\\Chrome\\Application\\chrome.exe", r, "120.0.6099.130");
    EXPECT_EQ(t.Version("C:\\Chrome\\Application\\chrome.exe"), "120.0.6099.130");
}

TEST(ProductInfo, SoftMakerPartsReordered) {
    Identify t;
    FileVersionInfoRec r;
    r.ProductName = "TextMaker";
    r.CompanyName = "SoftMaker Software GmbH";
    t.File("C:\\SM\\TextMaker.exe", r, "2021.0.1.1030");
    EXPECT_EQ(t.Version("C:\\SM\\TextMaker.exe"), "2021.1030.0.1");
    t.File("C:\\SM\\TextMaker.exe", r, "18.0.1.1030");
    EXPECT_EQ(t.Version("C:\\SM\\TextMaker.exe"), "18.0.1.1030");
}

TEST(ProductInfo, SystemFilesRedirectedUnderWow64) {
    Identify t;
    t.src.underWow64 = true;
    t.File("C:\\Windows\\sysnative\\notepad.exe", OwnProgramResource(), "10.0.0.1");
    std::string file = "C:\\Windows\\system32\\notepad.exe";
    EXPECT_EQ(t.id.GetFileProductVersion(file, "", ""), "10.0.0.1");
    EXPECT_EQ(file, "C:\\Windows\\sysnative\\notepad.exe");
    EXPECT_EQ(t.id.GetFileProductName("C:\\Windows\\system32\\notepad.exe"), "Vellumar");
}

}  // namespace
