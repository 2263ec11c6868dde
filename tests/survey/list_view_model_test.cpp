#include "survey/list_view_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "survey/survey_views.h"

namespace {

using Rows = std::vector<ReportRow>;

ReportRow Net(std::string ssid, std::string quality, std::string auth, std::string cipher, intptr_t data) {
    return {std::move(ssid), {std::move(quality), std::move(auth), std::move(cipher)}, 8, {3, 0, 0}, data};
}
ReportRow Ap(std::string mac, std::string ssid, std::string channel, std::string rssi, intptr_t data) {
    return {std::move(mac), {std::move(ssid), std::move(channel), std::move(rssi)}, 6, {}, data};
}

void Write(ListViewModel& model, const Rows& rows) {
    model.Clear();
    for (size_t k = 0; k < rows.size(); ++k) {
        model.AppendRow();
        model.SetRow(static_cast<int>(k), rows[k]);
    }
}

std::vector<std::string> Captions(const Rows& rows) {
    std::vector<std::string> captions;
    for (const ReportRow& row : rows) captions.push_back(row.caption);
    return captions;
}

// A view that counts the cells it had to change, as the list view does.
class CountingView : public VectorReportList {
public:
    void SetRow(int row, const ReportRow& content) override {
        const ReportRow& old = rows.at(static_cast<size_t>(row));
        writes += old.caption != content.caption;
        for (size_t k = 0; k < content.subItems.size(); ++k)
            writes += k >= old.subItems.size() || old.subItems[k] != content.subItems[k];
        VectorReportList::SetRow(row, content);
    }
    int writes = 0;
};

class FakeSelection : public RowSelection {
public:
    std::vector<int> SelectedRows() const override { return rows; }
    void SelectRows(const std::vector<int>& selected) override {
        rows = selected;
        ++changes;
    }
    std::vector<int> rows;
    int changes = 0;
};

TEST(ListViewModel, CompareCellsTextAndNumbers) {
    struct Case {
        const char* a;
        const char* b;
        SortKind kind;
        int expected;
    };
    const Case cases[] = {
        {"alpha", "Beta", SortKind::Text, -1},             // ignoring case
        {"ALPHA", "alpha", SortKind::Text, 0},
        {"Net 10", "Net 9", SortKind::Text, -1},            // text stays text
        {"9% / -96dBm", "10% / -95dBm", SortKind::Number, -1},
        {"100% / -50dBm", "80% / -60dBm", SortKind::Number, 1},
        {"-67 dBm", "-7 dBm", SortKind::Number, -1},        // signed
        {"6 (2.437 GHz)", "36 (5.180 GHz)", SortKind::Number, -1},
        {"1 (5.955 GHz)", "1 (2.412 GHz)", SortKind::Number, 1},  // same channel: by frequency
        {"6 (2,437 GHz)", "6 (2,442 GHz)", SortKind::Number, -1},  // decimal comma
        {"1 (5.955 GHz)", "165 (5.825 GHz)", SortKind::Frequency, 1},  // a channel by its frequency
        {"1 (5,955 GHz)", "14 (2,484 GHz)", SortKind::Frequency, 1},
        {"", "1 (2.412 GHz)", SortKind::Frequency, 1},
        {"", "3 dBm", SortKind::Number, 1},                 // no number: last
        {"-50 dBm", "-50 dBm", SortKind::Number, 0},
    };
    for (const Case& c : cases) {
        const int got = CompareCells(c.a, c.b, c.kind);
        EXPECT_EQ((got > 0) - (got < 0), c.expected) << c.a << " vs " << c.b;
    }
}

TEST(ListViewModel, SortsStablyByColumnInBothDirections) {
    ListViewModel model(NetworkColumns());
    Write(model, {Net("beta", "80% / -60dBm", "RSNA-PSK", "CCMP", 0), Net("Alpha", "9% / -96dBm", "WPA3-SAE", "CCMP", 1),
                  Net("gamma", "80% / -60dBm", "802.11 Open", "None", 2), Net("Delta", "100% / -50dBm", "RSNA", "CCMP", 3)});
    VectorReportList view;
    struct Case {
        SortOrder order;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {{}, {"beta", "Alpha", "gamma", "Delta"}},  // the service's order
        {{0, false}, {"Alpha", "beta", "Delta", "gamma"}},
        {{0, true}, {"gamma", "Delta", "beta", "Alpha"}},
        {{1, false}, {"Alpha", "beta", "gamma", "Delta"}},  // 9 < 80 = 80 < 100, ties in service order
        {{1, true}, {"Delta", "beta", "gamma", "Alpha"}},   // ties keep the service's order here too
        {{3, false}, {"beta", "Alpha", "Delta", "gamma"}},
    };
    for (const Case& c : cases) {
        model.SetSort(c.order);
        model.Present(view);
        EXPECT_EQ(Captions(view.rows), c.captions) << SortSettingText(c.order);
    }
    // Shown rows are the written rows, row data included.
    model.SetSort({1, true});
    model.Present(view);
    EXPECT_EQ(view.rows[0], model.Rows()[3]);
    EXPECT_EQ(model.ShownRow(0)->data, 3);
    EXPECT_EQ(model.ShownRow(4), nullptr);
}

TEST(ListViewModel, SortSettingAndHeaderClicks) {
    EXPECT_EQ(NextSortOrder({}, 2), (SortOrder{2, false}));
    EXPECT_EQ(NextSortOrder({2, false}, 2), (SortOrder{2, true}));
    EXPECT_EQ(NextSortOrder({2, true}, 2), (SortOrder{2, false}));
    EXPECT_EQ(NextSortOrder({2, true}, 0), (SortOrder{0, false}));
    struct Case {
        const char* text;
        SortOrder order;
    };
    const Case cases[] = {{"", {}}, {"1,asc", {1, false}}, {"3,desc", {3, true}}, {"4,asc", {}},
                          {"-1,asc", {}}, {"1,up", {}}, {"x,desc", {}}, {"2", {}}};
    for (const Case& c : cases) EXPECT_EQ(ParseSortSetting(c.text, 4), c.order) << c.text;
    for (SortOrder order : {SortOrder{}, SortOrder{0, true}, SortOrder{3, false}})
        EXPECT_EQ(ParseSortSetting(SortSettingText(order), 4), order);
}

TEST(ListViewModel, UnchangedPassRewritesNoCellAndSelectionFollowsIdentity) {
    ListViewModel model(AccessPointColumns());
    model.SetIdentity(AccessPointIdentity);
    model.SetSort({3, true});  // strongest first
    CountingView view;
    FakeSelection selection;
    Write(model, {Ap("00:00:00:00:00:01", "A", "6 (2.437 GHz)", "-70 dBm", 0),
                  Ap("00:00:00:00:00:02", "B", "36 (5.180 GHz)", "-50 dBm", 1),
                  Ap("00:00:00:00:00:03", "C", "1 (2.412 GHz)", "-60 dBm", 2)});
    model.Present(view, &selection);
    EXPECT_EQ(Captions(view.rows), (std::vector<std::string>{"00:00:00:00:00:02", "00:00:00:00:00:03",
                                                              "00:00:00:00:00:01"}));
    selection.rows = {1};  // the user picks ...:03
    view.writes = 0;
    model.Present(view, &selection);
    EXPECT_EQ(view.writes, 0);
    EXPECT_EQ(selection.changes, 0);

    // The service reorders its list and ...:03 grows strongest: the row moves, the selection with it.
    Write(model, {Ap("00:00:00:00:00:03", "C", "1 (2.412 GHz)", "-40 dBm", 0),
                  Ap("00:00:00:00:00:01", "A", "6 (2.437 GHz)", "-70 dBm", 1),
                  Ap("00:00:00:00:00:02", "B", "36 (5.180 GHz)", "-50 dBm", 2)});
    model.Present(view, &selection);
    EXPECT_EQ(view.rows[0].caption, "00:00:00:00:00:03");
    EXPECT_EQ(view.rows[0].data, 0);  // the row data the pass wrote
    EXPECT_EQ(selection.rows, std::vector<int>{0});

    // Filtered out: nothing stays selected.
    model.SetFilter([](const ReportRow& row) { return row.subItems[0] != "C"; });
    model.Present(view, &selection);
    EXPECT_EQ(view.rows.size(), 2u);
    EXPECT_TRUE(selection.rows.empty());
    EXPECT_EQ(model.TotalCount(), 3);
    EXPECT_EQ(FilterStatusText(model.ShownCount(), model.TotalCount()), "2 of 3");
}

TEST(ListViewModel, NetworkIdentityTellsSameNameApart) {
    const ReportRow open = Net("Cafe", "50% / -75dBm", "802.11 Open", "None", 3);
    const ReportRow secure = Net("CAFE", "50% / -75dBm", "RSNA-PSK", "CCMP", 4);
    EXPECT_NE(NetworkIdentity(open), NetworkIdentity(secure));
    EXPECT_EQ(NetworkIdentity(open), NetworkIdentity(Net("cafe", "90% / -55dBm", "802.11 Open", "None", 7)));
    EXPECT_NE(NetworkIdentity(open), NetworkIdentity(Net("Cafe", "50% / -75dBm", "802.11 Open", "None", 103)));
}

TEST(ListViewModel, FilterWordsAndTokens) {
    const Rows networks{Net("Office", "80% / -60dBm", "RSNA-PSK", "CCMP", 0),
                        Net("Guest", "60% / -70dBm", "802.11 Open", "None", 1),
                        Net("Lab", "60% / -70dBm", "WPA3-SAE", "CCMP", 2),
                        Net("Old", "40% / -80dBm", "802.11 Open", "WEP-104", 3),
                        Net("Café 5", "40% / -80dBm", "OWE", "CCMP", 4)};
    const Rows aps{Ap("00:1A:2B:00:00:01", "Office", "6 (2.437 GHz)", "-60 dBm", 0),
                   Ap("00:1A:2B:00:00:02", "Office", "36 (5.180 GHz)", "-60 dBm", 1),
                   Ap("00:1A:2B:00:00:03", "Lab", "5 (5.975 GHz)", "-60 dBm", 2),
                   Ap("00:1A:2B:00:00:04", "Guest", "11 (2,462 GHz)", "-60 dBm", 3),
                   Ap("00:1A:2B:00:00:05", "Old", "", "-60 dBm", 4)};
    SurveyFacts facts;
    facts.Collect(networks, aps);
    struct Case {
        const char* text;
        std::vector<std::string> networks;
        std::vector<std::string> aps;  // BSSID endings
    };
    const Case cases[] = {
        {"", {"Office", "Guest", "Lab", "Old", "Café 5"}, {"01", "02", "03", "04", "05"}},
        {"OFF", {"Office"}, {"01", "02"}},
        {"2b:00:00:03", {}, {"03"}},                         // BSSID substring
        {"5", {"Office"}, {"02"}},                           // a band, not the 5 in "Café 5"
        {"2.4", {"Office", "Guest"}, {"01", "04"}},          // decimal comma in the channel cell too
        {"6", {"Lab"}, {"03"}},
        {"2.4 6", {"Office", "Guest", "Lab"}, {"01", "03", "04"}},  // bands widen each other
        {"open", {"Guest", "Café 5"}, {"04"}},
        {"WEP", {"Old"}, {"05"}},
        {"wpa2", {"Office"}, {"01", "02"}},
        {"wpa3 wpa2 5", {"Office"}, {"02"}},                 // kinds narrow each other
        {"wpa3", {"Lab"}, {"03"}},
        {"caf", {"Café 5"}, {}},
        {"caf é", {"Café 5"}, {}},                           // words narrow
        {"office guest", {}, {}},
    };
    for (const Case& c : cases) {
        const RowFilter filter(c.text);
        std::vector<std::string> gotNets, gotAps;
        for (const ReportRow& row : networks)
            if (filter.Matches(NetworkRowFacts(row, facts))) gotNets.push_back(row.caption);
        for (const ReportRow& row : aps)
            if (filter.Matches(AccessPointRowFacts(row, facts, -1))) gotAps.push_back(row.caption.substr(15));
        EXPECT_EQ(gotNets, c.networks) << '"' << c.text << '"';
        EXPECT_EQ(gotAps, c.aps) << '"' << c.text << '"';
    }
    EXPECT_TRUE(RowFilter("  ").Empty());
}

TEST(ListViewModel, FilterMatchesVendorColumnWhenPresent) {
    const int vendor = ColumnOf(AccessPointColumns(), "Vendor");
    ASSERT_EQ(vendor, 4);
    EXPECT_EQ(ColumnOf(AccessPointColumns(), "Nothing"), -1);
    ReportRow ap = Ap("00:1A:2B:00:00:01", "Office", "6 (2.437 GHz)", "-60 dBm", 0);
    ap.subItems.push_back("Acme Radio");
    const SurveyFacts facts;
    EXPECT_TRUE(RowFilter("acme").Matches(AccessPointRowFacts(ap, facts, vendor)));
    EXPECT_FALSE(RowFilter("acme").Matches(AccessPointRowFacts(ap, facts, -1)));
}

TEST(ListViewModel, BandsOfFrequencies) {
    struct Case {
        uint32_t khz;
        unsigned band;
    };
    const Case cases[] = {{2412000, kBand24}, {2484000, kBand24}, {5180000, kBand5}, {5885000, kBand5},
                          {5935000, kBand6},  {7115000, kBand6},  {900000, 0},       {60480000, 0}};
    for (const Case& c : cases) EXPECT_EQ(BandOfFrequency(c.khz), c.band) << c.khz;
    EXPECT_EQ(BandOfChannelText("1 (5.955 GHz)"), kBand6);
    EXPECT_EQ(BandOfChannelText("0 (0.000 GHz)"), 0u);
}

}  // namespace
