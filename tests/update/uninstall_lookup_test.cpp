#include "update/uninstall_lookup.h"

#include <gtest/gtest.h>

#include "fake_product_sources.h"

namespace {

using K = UninstallLookupKind;
constexpr auto LM = RegistryHive::LocalMachine;
constexpr auto CU = RegistryHive::CurrentUser;

TEST(UninstallLookup, EachMember) {
    FakeProductSources src;
    src.Install("Foo Player", "v2.1");
    src.Install("Foo Player Beta", "3.0");
    src.Install("QuickTime Alternative 3.2.2", "");
    src.Install("Bar Tools - 5.4", "");
    src.Install("Baz 7.1 Suite", "");
    src.Install("K-Lite Codec Pack 17.0 (64-bit)", "17.0.0");
    src.Install("K-Lite Codec Pack 16.9", "16.9.0");
    src.uninstall[{CU, ""}].push_back({"Windows 11 Manager", "1.4.2", "", "", "Yamicsoft"});
    src.uninstall[{CU, ""}].push_back({"Windows 10 Manager", "3.9.0", "", "", "Other"});
    UninstallLookup lookup(src);

    struct C { K kind; const char* name; const char* term; const char* want; };
    const C cases[] = {
        {K::DisplayVersion, "foo player", "", "3.0"},  // highest of both matches
        {K::DisplayVersion, "Nothing", "", ""},
        {K::VersionInName, "QuickTime Alternative", "", "3.2.2"},
        {K::LastWord, "Bar Tools", "", "5.4"},
        {K::LastWord, "Tools", "", ""},  // must begin with the name
        {K::SecondWord, "Baz", "", "7.1"},
        {K::SecondWord, "Ba", "", ""},   // the first word must be the name
        {K::FirstWordVersionInName, "Baz", "", "7.1"},
        {K::WithTerm, "K-Lite Codec Pack", "64-bit", "17.0.0"},
        {K::WithoutTerm, "K-Lite Codec Pack", "64-bit", "16.9.0"},
        {K::Publisher, "", "", "1.4.2"},
    };
    for (const auto& c : cases) EXPECT_EQ(lookup.Find(c.kind, c.name, c.term), c.want) << c.name;
}

TEST(UninstallLookup, DisplayVersionFallsBackOnTheCurrentUser) {
    FakeProductSources src;
    src.Install("Foo", "1.0", CU);
    src.Install("Bar", "2.0", CU);
    src.Install("Bar", "1.5", LM);
    UninstallLookup lookup(src);
    EXPECT_EQ(lookup.DisplayVersion("Foo"), "1.0");
    EXPECT_EQ(lookup.DisplayVersion("Bar"), "1.5");  // the machine's entry is enough
    EXPECT_EQ(lookup.Find(K::VersionInName, "Foo"), "");  // the other members read the machine only
}

TEST(UninstallLookup, BothViewsOn64BitWindows) {
    FakeProductSources src;
    src.Install("Foo", "1.0");
    src.Install("Foo", "2.0", LM, "Wow6432Node\\");
    UninstallLookup lookup(src);
    EXPECT_EQ(lookup.DisplayVersion("Foo"), "1.0");
    src.wow6432 = true;
    EXPECT_EQ(lookup.DisplayVersion("Foo"), "2.0");
    EXPECT_TRUE(lookup.HasEntry("foo"));
    EXPECT_FALSE(lookup.HasEntry("Bar"));
}

TEST(UninstallLookup, FolderTest) {
    FakeProductSources src;
    src.uninstall[{LM, ""}] = {
        {"Foo", "1.0", "C:\\Apps\\Foo\\", "", ""},
        {"Foo", "2.0", "", "\"C:\\Other\\Foo\\foo.exe\",0", ""},
    };
    UninstallLookup lookup(src);
    EXPECT_EQ(lookup.DisplayVersion("Foo", "c:\\apps\\foo\\"), "1.0");
    EXPECT_EQ(lookup.DisplayVersion("Foo", "C:\\Other\\Foo\\"), "2.0");
    EXPECT_EQ(lookup.DisplayVersion("Foo", "C:\\Elsewhere\\"), "");
}

}  // namespace
