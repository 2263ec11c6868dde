#include "console/console_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace console;

namespace {

using Args = std::vector<std::string>;

TEST(ConsoleCommand, EveryCommandAndOption) {
    struct Case {
        Args args;
        Command expected;
    };
    const Case cases[] = {
        {{"--help"}, {.verb = Verb::Help}},
        {{"--version"}, {.verb = Verb::Version}},
        {{"scan"}, {.verb = Verb::Scan}},
        {{"scan", "--json", "--fresh"}, {.verb = Verb::Scan, .json = true, .fresh = true}},
        {{"--replay", "r.json", "scan", "--json"}, {.verb = Verb::Scan, .replay = "r.json", .json = true}},
        {{"watch"}, {.verb = Verb::Watch}},
        {{"watch", "--interval", "5", "--count", "3", "--filter", "5 wpa2 Cafe"},
         {.verb = Verb::Watch, .intervalSeconds = 5, .count = 3, .filter = "5 wpa2 Cafe"}},
        {{"watch", "--replay", "Z:\\a b.json", "--count", "1"},
         {.verb = Verb::Watch, .replay = "Z:\\a b.json", .count = 1}},
        {{"export", "rec.json", "--format", "pcapng", "--out", "x.pcapng"},
         {.verb = Verb::Export, .recording = "rec.json", .format = ExportKind::Pcapng, .out = "x.pcapng"}},
        {{"export", "--out", "x.csv", "--format", "csv", "rec.json"},
         {.verb = Verb::Export, .recording = "rec.json", .format = ExportKind::Csv, .out = "x.csv"}},
        {{"export", "rec.json", "--format", "json", "--out", "x.json"},
         {.verb = Verb::Export, .recording = "rec.json", .format = ExportKind::Json, .out = "x.json"}},
    };
    for (const Case& c : cases) {
        const Parse p = ParseArguments(c.args);
        ASSERT_TRUE(p.command) << c.args[0] << ": " << p.error;
        const Command& got = *p.command;
        EXPECT_EQ(got.verb, c.expected.verb) << c.args[0];
        EXPECT_EQ(got.replay, c.expected.replay);
        EXPECT_EQ(got.json, c.expected.json);
        EXPECT_EQ(got.fresh, c.expected.fresh);
        EXPECT_EQ(got.intervalSeconds, c.expected.intervalSeconds);
        EXPECT_EQ(got.count, c.expected.count);
        EXPECT_EQ(got.filter, c.expected.filter);
        EXPECT_EQ(got.recording, c.expected.recording);
        EXPECT_EQ(got.format, c.expected.format);
        EXPECT_EQ(got.out, c.expected.out);
    }
}

TEST(ConsoleCommand, MistakesAreUsageErrors) {
    struct Case {
        Args args;
        std::string error;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"scna"}, "unknown command scna"},
        {{"scan", "--bogus", "--help"}, "unknown option --bogus"},
        {{"scan", "--jsn"}, "unknown option --jsn"},
        {{"scan", "extra"}, "unexpected argument extra"},
        {{"scan", "--json", "--json"}, "--json is given twice"},
        {{"scan", "--count", "3"}, "scan does not take --count"},
        {{"watch", "--fresh"}, "watch does not take --fresh"},
        {{"export", "r.json", "--format", "csv", "--out", "o", "--replay", "r"}, "export does not take --replay"},
        {{"watch", "--interval"}, "--interval needs a value"},
        {{"watch", "--interval", "--count", "3"}, "--interval needs a value"},
        {{"watch", "--interval", "0"}, "--interval takes whole seconds from 1 to 3600, not 0"},
        {{"watch", "--interval", "1.5"}, "--interval takes whole seconds from 1 to 3600, not 1.5"},
        {{"watch", "--interval", "3601"}, "--interval takes whole seconds from 1 to 3600, not 3601"},
        {{"watch", "--count", "-1"}, "--count takes a whole number from 1, not -1"},
        {{"watch", "--count", "99999999999999999999999"}, "--count takes a whole number from 1, not 99999999999999999999999"},
        {{"watch", "--filter"}, "--filter needs a value"},
        {{"--replay"}, "--replay needs a value"},
        {{"export"}, "export needs the recording to convert"},
        {{"export", "r.json", "--out", "o"}, "export needs --format json, csv or pcapng"},
        {{"export", "r.json", "--format", "xml", "--out", "o"}, "--format is json, csv or pcapng, not xml"},
        {{"export", "r.json", "--format", "csv"}, "export needs --out FILE"},
        {{"export", "r.json", "s.json", "--format", "csv", "--out", "o"}, "unexpected argument s.json"},
    };
    for (const Case& c : cases) {
        const Parse p = ParseArguments(c.args);
        EXPECT_FALSE(p.command) << c.error;
        EXPECT_EQ(p.error, c.error);
    }
}

TEST(ConsoleCommand, HelpNamesEveryCommandAndOption) {
    const std::string usage = Usage();
    for (const char* word : {"scan", "watch", "export", "--json", "--fresh", "--interval", "--count", "--filter",
                             "--format", "--out", "--replay", "--help", "--version", "VELLUMAR_WLAN_SCENARIO"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    EXPECT_EQ(VersionLine("1.6.3.18"), "Vellumar 1.6.3.18");
    EXPECT_EQ(ClosingLine(1), "vellumar: 1 line");
    EXPECT_EQ(ClosingLine(12), "vellumar: 12 lines");
}

TEST(ConsoleCommand, TablesLineUpByCharacters) {
    EXPECT_EQ(ReadableTables({{"Networks", {"SSID", "Signal"}, {{"Café", "70%"}, {"Longer name", "9%"}}},
                              {"Adapters", {"Name"}, {}}}),
              "Networks\n"
              "SSID         Signal\n"
              "Café         70%\n"
              "Longer name  9%\n"
              "\n"
              "Adapters\n"
              "Name\n");
}

}  // namespace
