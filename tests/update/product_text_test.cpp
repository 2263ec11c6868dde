#include "update/product_text.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace {

struct NameCase {
    const char* why;
    const char* description;
    const char* product;
    const char* internal;
    const char* base;
    const char* want;
};

TEST(ProductName, GenericHeuristicEachCondition) {
    const NameCase cases[] = {
        {"2.1 one to four words: the product name", "Foo", "Foo Tool", "", "x", "Foo Tool"},
        {"2.1 five words are too many", "", "A B C D E", "", "x", "A B C D E"},
        {"2.1 five words, short description", "Short Desc", "A B C D E", "", "x", "Short Desc"},
        {"2.2 description wins when it does not begin with the product", "Tool Suite", "Foo", "", "x", "Tool Suite"},
        {"2.2 description beginning with the product keeps the product", "Foo Suite", "Foo", "", "x", "Foo"},
        {"2.2 begins is case-sensitive", "FOO Suite", "Foo", "", "x", "FOO Suite"},
        {"2.2 a bracket keeps the product", "Tool (x86)", "Foo", "", "x", "Foo"},
        {"2.2 fewer description words keep the product", "Tool", "Foo Bar", "", "x", "Foo Bar"},
        {"2.2 a registered sign lets fewer words win", "Tool", "Foo\xC2\xAE Bar", "", "x", "Tool"},
        {"2.2 four words when the product is not the base name", "Tool Suite Helper X", "Foo", "", "bar",
         "Tool Suite Helper X"},
        {"2.2 four words when the product is the base name", "Tool Suite Helper X", "Foo", "", "FOO", "Foo"},
        {"2.2 five words never", "Tool Suite Helper X Y", "Foo", "", "bar", "Foo"},
        {"2.2 ' - ' counts as one separator", "Alpha - Beta - Gamma", "Zed", "", "zz", "Alpha - Beta - Gamma"},
        {"2.2 updater takes the description", "Foo Updater", "Foo", "", "updater", "Foo Updater"},
        {"2.2 shockwave takes the description", "Shockwave Player", "shockwave", "", "x", "Shockwave Player"},
        {"2.3 description when no product", "Tool", "", "int", "x", "Tool"},
        {"2.3 internal name last", "", "", "int", "x", "int"},
        {"2.3 nothing at all", "", "", "", "x", ""},
        {"2.4 more than six words give way to the internal name", "a b c d e f g", "", "intname", "x", "intname"},
        {"2.4 six words stay", "a b c d e f", "", "intname", "x", "a b c d e f"},
        {"2.4 no internal name keeps the long text", "a b c d e f g", "", "", "x", "a b c d e f g"},
    };
    for (const auto& c : cases) {
        FileVersionInfoRec info;
        info.FileDescription = c.description;
        info.ProductName = c.product;
        info.InternalName = c.internal;
        EXPECT_EQ(GenericProductName(info, c.base), c.want) << c.why;
    }
}

TEST(ProductName, InstallerNaming) {
    struct C { const char* description; const char* product; const char* original; const char* name; const char* want; };
    const C cases[] = {
        {"Foo installer", "Foo", "", "Foo", "Foo installer"},
        {"Foo installer", "Bar", "", "Foo", "Foo"},
        {"Install Foo", "", "", "Foo", "Foo installer"},
        {"Foo Installationsprogramm", "", "", "Foo", "Foo installer"},
        {"", "", "setup.exe", "Foo", "Foo installer"},
        {"", "", "Bootstrapper.exe.mui", "Foo", "Foo installer"},
        {"Foo installer", "Foo", "setup.exe", "Foo", "Foo installer"},  // never twice
        {"", "", "setup.exe", "", ""},                                  // no name of its own
        {"Foo", "Foo", "foo.exe", "Foo", "Foo"},
    };
    for (const auto& c : cases) {
        FileVersionInfoRec info;
        info.FileDescription = c.description;
        info.ProductName = c.product;
        info.OriginalFilename = c.original;
        EXPECT_EQ(InstallerName(c.name, info), c.want) << c.description << " / " << c.original;
    }
}

TEST(ProductName, GenericTrimming) {
    const std::pair<const char*, const char*> cases[] = {
        {"Foo.exe", "Foo"},
        {"Foo MFC Application", "Foo"},
        {"Main executable for Foo", "Foo"},
        {"64-Bit Foo", "Foo"},
        {"\"Foo\"", "Foo"},
        {"ShInstUtil - Foo", "Foo"},
        {"Foo for Windows NT", "Foo"},
        {"Foo for Windows\xC2\xAE", "Foo"},
        {"Foo 32-bit", "Foo"},
        {"Foo executable", "Foo"},
        {"Foo http://foo.example", "Foo"},
        {"Foo", "Foo"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(TrimText(TrimProductName(in)), want) << in;
}

TEST(ProductName, SixtyFourBitSuffix) {
    const std::pair<const char*, const char*> cases[] = {
        {"Tool x64", "Tool (64 bits)"},
        {"Tool (64 bits)", "Tool (64 bits)"},
        {"Tool", "Tool (64 bits)"},
        {"Tool x64 ", "Tool (64 bits)"},
        {"", ""},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(Add64BitSuffix(in), want) << in;
}

TEST(ProductName, UnreadableNames) {
    EXPECT_EQ(DropUnreadableName("?"), "");
    EXPECT_EQ(DropUnreadableName("Foo ?? Bar"), "");
    EXPECT_EQ(DropUnreadableName("$Foo"), "");
    EXPECT_EQ(DropUnreadableName("Foo?"), "Foo?");
}

TEST(CleanName, EachStep) {
    const std::pair<const char*, const char*> cases[] = {
        {"Foo http://a.example https://b.example", "Foo"},
        {"http://a.example", "http://a.example"},
        {"  Foo  ", "Foo"},
        {"?Foo", "Foo"},
        {"??Foo", "Foo"},
        {"Foo -", "Foo"},
        {"Foo - -", "Foo"},
        {"@", ""},
        {"Foo @", "Foo @"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(CleanName(in), want) << in;
}

TEST(StripCopyright, ExampleTakesTwoPasses) {
    EXPECT_EQ(StripCopyright("Copyright (C) 2010 Foo Corp. All Rights Reserved."), "Foo Corp");
}

TEST(StripCopyright, EachStep) {
    const std::pair<const char*, const char*> cases[] = {
        {",Foo,", "Foo"},                                        // 1
        {"Copyright Foo", "Foo"},                                // 2
        {"by Foo", "Foo"},                                       // 2
        {"\xC2\xA9 Foo", "Foo"},                                 // 2, UTF-8 sign
        {"(c)Foo", "Foo"},                                       // 3
        {"c)Foo", "Foo"},                                        // 3
        {"2010 Foo", "Foo"},                                     // 4
        {"1990 Foo", "1990 Foo"},                                // 4: not above 1990
        {"2009/2010 Foo Inc", "Foo Inc"},                        // 5 then 4
        {"09/Foo", "Foo"},                                       // 5
        {"Foo Inc 2010", "Foo Inc"},                             // 6
        {"Foo Inc (C)", "Foo Inc"},                              // 6
        {"Foo Inc 10", "Foo Inc"},                               // 6
        {"Foo Inc-", "Foo Inc"},                                 // 7
        {"Foo under the GPL", "Foo"},                            // 7
        {"Foo Corp, All Rights Reserved", "Foo Corp"},           // 8
        {"Foo Corp.All Rights Reserved", "Foo Corp"},            // 8
        {"Foo Corp All Rights Reserved", "Foo Corp"},            // 8: the last letter stays
        {"- Foo -", "Foo"},                                      // 9
        {"Foo 2011.", "Foo"},                                    // 9
        {"Copyright(c) Foo", "Foo"},                             // 10
        {"All rights reserved Foo", "Foo"},                      // 10
        {"Foo No rights reserved.", "Foo"},                      // 10
        {"Foo Corp", "Foo Corp"},
        {"", ""},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(StripCopyright(in), want) << in;
}

TEST(CompanyTail, EachStep) {
    const std::pair<const char*, const char*> cases[] = {
        {"GNU General Public License", ""},        // 1
        {"gpl", ""},                               // 1, ignoring case
        {"Foo, GNU GPL v2", ""},                   // 1, contains
        {"Foo (GPL)", "Foo"},                      // 2
        {"Foo - Licensed under GPL", "Foo"},       // 2
        {"Author: Foo", "Foo"},                    // 3
        {"Foo Software http://foo.example", "Foo Software"},  // 4
        {"Foo Software www.foo.example", "Foo Software"},     // 4
        {"Foo www.foo.example", "Foo www.foo.example"},       // 4: too early in the text
        {"Foo Software www.foo.example now", "Foo Software www.foo.example now"},  // 4: not the last word
        {"Foo L.L.C.", "Foo LLC"},                 // 5
        {"Foo Inc,", "Foo Inc"},                   // 6
        {"Foo ( [", "Foo"},                        // 6
        {"-", "-"},                                // 6: one character stays
        {"TODO:", ""},                             // 7
        {"none", ""},                              // 7
        {"$Foo", ""},                              // 7
        {"Foo Inc", "Foo Inc"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(CompanyTail(in), want) << in;
}

TEST(VersionText, VersionCharacterRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"1, 2, 3, 4", "1.2.3.4"}, {"2.5 beta", "2.5"}, {"v2.5", ""},     {"10.0 (build 5)", "10.0"},
        {" 1.2", "1.2"},           {"1,2", "1.2"},      {"", ""},         {"3.1.4-rc1", "3.1.4"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(VersionCharacters(in), want) << in;
    EXPECT_TRUE(IsDigitsAndDots("1.2.3"));
    EXPECT_FALSE(IsDigitsAndDots("1.2.3a"));
    EXPECT_TRUE(IsFoundVersion("0.0.0.1"));
    EXPECT_FALSE(IsFoundVersion("0.0.0.0"));
    EXPECT_FALSE(IsFoundVersion(""));
}

TEST(VersionText, LastVersionRun) {
    EXPECT_EQ(LastVersionRun("QuickTime Alternative 3.2.2"), "3.2.2");
    EXPECT_EQ(LastVersionRun("QT Lite 4.1.0 Final"), "4.1.0");
    EXPECT_EQ(LastVersionRun("Foo v.1.2."), "1.2");
    EXPECT_EQ(LastVersionRun("Foo"), "");
}

TEST(Paths, RedirectOnlyUnderWow64) {
    const std::string sys = "C:\\Windows\\system32";
    EXPECT_EQ(RedirectSystemPath("C:\\Windows\\system32\\drivers\\x.sys", sys, true),
              "C:\\Windows\\sysnative\\drivers\\x.sys");
    EXPECT_EQ(RedirectSystemPath("C:\\Windows\\system32\\x.exe", sys, false), "C:\\Windows\\system32\\x.exe");
    EXPECT_EQ(RedirectSystemPath("C:\\WINDOWS\\system32\\x.exe", sys, true), "C:\\WINDOWS\\system32\\x.exe");
    EXPECT_EQ(RedirectSystemPath("D:\\system32\\x.exe", sys, true), "D:\\system32\\x.exe");
    EXPECT_EQ(RedirectSystemPath("C:\\Windows\\system32", sys, true), "C:\\Windows\\system32");
}

TEST(SideFiles, Readers) {
    const std::string ini = "[details]\r\nName=Foo\r\n[Version]\r\n PackageVersion = 1.2 rev 3\r\n";
    EXPECT_EQ(IniValue(ini, "version", "packageversion"), "1.2 rev 3");
    EXPECT_EQ(IniValue(ini, "details", "PackageVersion"), "");
    const std::string xml = "<application><filename>foo</filename><name>\n <text>Foo App</text></name>"
                            "<versionNumber>2.1.0</versionNumber><namespace/></application>";
    EXPECT_EQ(XmlTagText(xml, "name"), "Foo App");
    EXPECT_EQ(XmlTagText(xml, "filename"), "foo");
    EXPECT_EQ(XmlTagText(xml, "versionNumber"), "2.1.0");
    EXPECT_EQ(XmlTagText(xml, "copyright"), "");
    EXPECT_EQ(FirstLine("  4.5.6 \r\nchanges"), "4.5.6");
    EXPECT_EQ(TextAfterMarker("start\nVersion: 7.1\n", "version:"), "7.1");
    EXPECT_EQ(DecodeTextFile(std::string("\xFF\xFE" "A\0b\0", 6)), "Ab");
    EXPECT_EQ(DecodeTextFile("\xEF\xBB\xBFx"), "x");
}

}  // namespace
