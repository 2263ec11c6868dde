#include "update/product_rules.h"

#include <gtest/gtest.h>

#include "fake_product_sources.h"

namespace {

using namespace rules;
using enum Field;
using enum Op;

constexpr const char* kFile = "C:\\Apps\\Foo\\foo.exe";

struct Fixture {
    FakeProductSources src;
    std::vector<std::string> siblings;
    Engine engine{src, [this](const std::string& f) {
                      siblings.push_back(f);
                      return std::string("9.8.7.6");
                  }};
    Subject s = Subject::ForFile(kFile);
};

TEST(RuleEngine, ConditionsAndEdits) {
    Fixture f;
    f.src.resources[kFile].ProductVersion = "5.2 build 7";
    f.src.fixedVersions[kFile] = "7.9.0.0";
    f.s.name = "Foo";
    const Rule table[] = {
        {.when = {{BaseName, Is, "FOO"}, {FolderName, Is, "foo"}}, .act = Act::Append, .a = " Pro"},
        {.when = {{Name, IsCase, "foo pro"}}, .a = "never: case differs"},
        {.when = {{FixedVersion, Below, "8"}, {FixedVersion, AtLeast, "7.9"}}, .act = Act::Append, .a = " Seven"},
        {.when = {{FixedVersion, MajorAbove, "7"}}, .a = "never: 7 is not above 7"},
        {.when = {{ResProductVersion, Begins, "5.2"}}, .act = Act::Replace, .a = "Pro", .b = "Plus"},
        {.when = {{Name, Lacks, "Plus"}}, .a = "never"},
    };
    EXPECT_FALSE(f.engine.Apply(table, f.s, Target::Name));
    EXPECT_EQ(f.s.name, "Foo Plus Seven");
}

TEST(RuleEngine, ResourceVersionStrings) {
    Fixture f;
    f.src.resources[kFile].FileVersion = "3.4.5";
    f.src.resources[kFile].ProductVersion = "3,4 (beta)";
    const Rule digits[] = {{.act = Act::Copy, .from = ResFileVersion, .accept = Accept::DigitsDots}};
    const Rule chars[] = {{.act = Act::Chars, .from = ResProductVersion}};
    const Rule rejected[] = {{.act = Act::Copy, .from = ResProductVersion, .accept = Accept::DigitsDots}};
    f.s.version = "1.0.0.0";
    f.engine.Apply(rejected, f.s, Target::Version);
    EXPECT_EQ(f.s.version, "1.0.0.0");
    f.engine.Apply(digits, f.s, Target::Version);
    EXPECT_EQ(f.s.version, "3.4.5");
    f.engine.Apply(chars, f.s, Target::Version);
    EXPECT_EQ(f.s.version, "3.4");
}

TEST(RuleEngine, SideFilesAndStops) {
    Fixture f;
    f.src.sideFiles["C:\\Apps\\Foo\\changes.txt"] = "2.7.1\nfixed things\n";
    f.src.sideFiles["C:\\Apps\\Foo\\logs\\run.log"] = "started\nfoo version 4.4\n";
    const Rule table[] = {
        {.when = {{Beside, Missing, "changes.txt"}}, .a = "never"},
        {.act = Act::LogLine, .a = "logs\\run.log", .b = "FOO VERSION", .accept = Accept::Found},
        {.act = Act::FirstLine, .a = "missing.txt", .stop = Stop::OnResult},  // nothing read: goes on
        {.act = Act::FirstLine, .a = "changes.txt", .accept = Accept::Found, .stop = Stop::OnResult},
        {.a = "never: the table ended"},
    };
    EXPECT_TRUE(f.engine.Apply(table, f.s, Target::Version));
    EXPECT_EQ(f.s.version, "2.7.1");

    const Rule ends[] = {{.when = {{Version, NotEmpty}}, .act = Act::Subfolders, .stop = Stop::OnMatch},
                         {.a = "never"}};
    EXPECT_TRUE(f.engine.Apply(ends, f.s, Target::Version));
    EXPECT_EQ(f.s.version, "2.7.1");  // no subfolders: nothing taken, still ended
}

TEST(RuleEngine, SiblingMustExistAndDiffer) {
    Fixture f;
    const Rule self[] = {{.act = Act::Sibling, .a = "FOO.EXE"}};
    const Rule missing[] = {{.act = Act::Sibling, .a = "bar.exe"}};
    f.engine.Apply(self, f.s, Target::Version);
    f.engine.Apply(missing, f.s, Target::Version);
    EXPECT_TRUE(f.siblings.empty());
    f.src.resources["C:\\Apps\\Foo\\bar.exe"] = {};
    f.engine.Apply(missing, f.s, Target::Version);
    EXPECT_EQ(f.siblings, std::vector<std::string>{"C:\\Apps\\Foo\\bar.exe"});
    EXPECT_EQ(f.s.version, "9.8.7.6");
}

TEST(RuleEngine, PrefixDigitsAndReorder) {
    Fixture f;
    f.s.version = "2024.1.2.3";
    const Rule table[] = {{.when = {{Version, MajorAbove, "2000"}}, .act = Act::Reorder, .a = "1423"}};
    f.engine.Apply(table, f.s, Target::Version);
    EXPECT_EQ(f.s.version, "2024.3.1.2");

    const std::pair<const char*, bool> names[] = {{"am7", true}, {"AM123", true}, {"am", false},
                                                  {"am7x", false}, {"xam7", false}, {"am1.2", false}};
    for (const auto& [base, want] : names) {
        Subject s = Subject::ForFile(std::string("C:\\") + base + ".exe");
        EXPECT_EQ(f.engine.Holds({BaseName, PrefixDigits, "am"}, s), want) << base;
    }
}

TEST(RuleEngine, ConditionsShortCircuitBeforeFileAccess) {
    Fixture f;
    const Rule table[] = {{.when = {{BaseName, Is, "other"}, {Beside, Exists, "x.xml"}, {FixedVersion, NotEmpty}},
                           .a = "never"}};
    f.engine.Apply(table, f.s, Target::Name);
    EXPECT_TRUE(f.src.touchedFiles.empty());
}

}  // namespace
