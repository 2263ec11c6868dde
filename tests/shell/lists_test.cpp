#include <windows.h>

#include <fstream>

#include <gtest/gtest.h>

#include "common/win32/clipboard.h"
#include "common/win32/settings.h"
#include "common/win32/unique.h"
#include "shell/app_fixture.h"
#include "shell/menu.h"

namespace {

// B fades from the strongest to the weakest after the first pass.
constexpr char kThree[] = R"({"interfaces": [{"description": "Wi-Fi A",
  "networks": [
    {"ssid": "alpha", "quality": 50, "auth": 7, "cipher": 4},
    {"ssid": "Bravo", "quality": [80, 30], "auth": 1, "cipher": 0},
    {"ssid": "Café, \"Bar\"", "quality": 70, "auth": 9, "cipher": 4}],
  "bss": [
    {"bssid": "00:00:00:00:00:0a", "ssid": "alpha", "frequency_khz": 2412000, "rssi": -70},
    {"bssid": "00:00:00:00:00:0b", "ssid": "Bravo", "frequency_khz": 5180000, "rssi": -50},
    {"bssid": "00:00:00:00:00:0c", "ssid": "alpha", "frequency_khz": 5955000, "rssi": -60}]}]})";

std::vector<std::string> Column(ListView& list, int column) {
    std::vector<std::string> cells;
    for (int row = 0; row < list.RowCount(); ++row) cells.push_back(list.Cell(row, column));
    return cells;
}

void Command(TMainDlg& main, WORD command) { SendMessageW(main.hwnd(), WM_COMMAND, command, 0); }

std::string ReadAll(const std::string& path) {
    std::ifstream in(std::filesystem::path(Widen(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using Lists = AppTest;

TEST_F(Lists, HeaderClickSortsKeepsOrderAcrossPassesAndPersists) {
    auto& a = Start(kThree);
    TMainDlg& main = a.main;
    Tick();
    using Names = std::vector<std::string>;
    EXPECT_EQ(Column(main.net_lst, 0), (Names{"alpha", "Bravo", "Café, \"Bar\""}));  // the service's order
    main.net_lst.ClickColumn(1);
    EXPECT_EQ(Column(main.net_lst, 0), (Names{"alpha", "Café, \"Bar\"", "Bravo"}));
    EXPECT_EQ(main.net_lst.SortArrow(1), 1);
    EXPECT_EQ(ReadSetting("sort_networks"), "1,asc");
    main.net_lst.ClickColumn(1);
    EXPECT_EQ(Column(main.net_lst, 0), (Names{"Bravo", "Café, \"Bar\"", "alpha"}));
    EXPECT_EQ(main.net_lst.SortArrow(1), -1);
    EXPECT_EQ(main.net_lst.SortArrow(0), 0);
    EXPECT_EQ(ReadSetting("sort_networks"), "1,desc");
    main.ap_lst.ClickColumn(2);  // by frequency: 1 (2.4 GHz), 36 (5 GHz), 1 (6 GHz)
    EXPECT_EQ(Column(main.ap_lst, 0), (Names{"00:00:00:00:00:0A", "00:00:00:00:00:0B", "00:00:00:00:00:0C"}));

    // The user picks Bravo; it fades and moves to the end, the selection with it.
    main.net_lst.SelectRow(0);
    Tick();
    EXPECT_EQ(Column(main.net_lst, 0), (Names{"Café, \"Bar\"", "alpha", "Bravo"}));
    EXPECT_EQ(main.net_lst.SelectedRows(), std::vector<int>{2});
    // Its chart line (the second seen) is drawn thick and in front; the tooltip names the lines.
    TStripChart& chart = main.scope.chart();
    EXPECT_EQ(chart.HighlightedLine(), 1u);
    const int x = chart.Width() - 3;
    EXPECT_EQ(main.scope.TipAt(x, static_cast<int>(chart.ValueToY(chart.Line(0), 50))), "alpha");
    EXPECT_EQ(main.scope.TipAt(x, 2), "");
    // The colour square of each line is its network row's image.
    EXPECT_EQ(main.net_lst.CellImage(2, 0), 11);

    // Filtered and sorted, a detail command opens the network the user clicked.
    main.filter_edt.SetText("bra");
    ASSERT_EQ(main.net_lst.RowCount(), 1);
    EXPECT_EQ(main.filter_lbl.Text(), "1 of 3 networks\n1 of 3 access points");
    std::string shownSsid;
    a.netMore.onShown = [&] {
        for (int row = 0; row < a.netMore.info_lst.RowCount(); ++row)
            if (a.netMore.info_lst.Cell(row, 0) == "SSID") shownSsid = a.netMore.info_lst.Cell(row, 1);
        a.netMore.EndModal(IDOK);
    };
    main.net_lst.SelectRow(0);
    main.more_net_btnClick();
    EXPECT_EQ(shownSsid, "Bravo");
    // The chart and the log still see every network.
    EXPECT_EQ(main.scope.chart().LineCount(), 3u);
    EXPECT_TRUE(Logged("New network found : alpha"));

    // The next start sorts the same way.
    app.reset();
    service.reset();
    auto& b = Start(kThree);
    Tick();
    EXPECT_EQ(b.main.net_lst.SortArrow(1), -1);
    EXPECT_EQ(Column(b.main.net_lst, 0), (Names{"Bravo", "Café, \"Bar\"", "alpha"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Lists, FilterBoxNarrowsTheViewsAndEscapeClearsIt) {
    TMainDlg& main = Start(kThree).main;
    ShowWindow(main.hwnd(), SW_SHOW);
    Tick();
    Command(main, kCmdFocusFilter);
    EXPECT_EQ(GetFocus(), main.filter_edt.hwnd());
    struct Case {
        const char* text;
        std::vector<std::string> networks;
        std::vector<std::string> aps;
    };
    const Case cases[] = {
        {"6", {"alpha"}, {"00:00:00:00:00:0C"}},
        {"wpa3", {"Café, \"Bar\""}, {}},
        {"open 5", {"Bravo"}, {"00:00:00:00:00:0B"}},
        {"00:0a", {}, {"00:00:00:00:00:0A"}},
        {"CAFÉ", {}, {}},  // case folds ASCII letters only
        {"café", {"Café, \"Bar\""}, {}},
    };
    for (const Case& c : cases) {
        main.filter_edt.SetText(c.text);
        EXPECT_EQ(Column(main.net_lst, 0), c.networks) << c.text;
        EXPECT_EQ(Column(main.ap_lst, 0), c.aps) << c.text;
    }
    Tick();  // a pass keeps the filter
    EXPECT_EQ(Column(main.net_lst, 0), std::vector<std::string>{"Café, \"Bar\""});
    Command(main, kCmdClearFilter);
    EXPECT_EQ(main.filter_edt.Text(), "");
    EXPECT_EQ(main.net_lst.RowCount(), 3);
    EXPECT_EQ(main.ap_lst.RowCount(), 3);
    EXPECT_EQ(main.filter_lbl.Text(), "3 of 3 networks\n3 of 3 access points");
}

TEST_F(Lists, CopyPutsSelectedRowsOnTheClipboard) {
    TMainDlg& main = Start(kThree).main;
    ShowWindow(main.hwnd(), SW_SHOW);
    Tick();
    main.net_lst.SelectRows({0, 2});
    SetFocus(main.net_lst.hwnd());
    Command(main, kCmdCopy);
    EXPECT_EQ(ClipboardText(main.hwnd()),
              "Network Name (SSID)\tSignal Quality\tAuthentication\tCipher\r\n"
              "alpha\t50% / -75dBm\tRSNA-PSK\tCCMP\r\n"
              "Café, \"Bar\"\t70% / -65dBm\tWPA3-SAE\tCCMP\r\n");
    main.ap_lst.SelectRows({1});
    SetFocus(main.ap_lst.hwnd());
    Command(main, kCmdCopy);
    EXPECT_EQ(ClipboardText(main.hwnd()),
              "AP Name / MAC\tSSID\tChannel\tRSSi\tVendor\tStandard\tWidth\r\n"
              "00:00:00:00:00:0B\tBravo\t36 (5.180 GHz)\t-50 dBm\tXEROX CORPORATION\t\t\r\n");
}

TEST_F(Lists, ExportWritesCsvAndJsonAndKeepsTheOldFileOnFailure) {
    TMainDlg& main = Start(kThree).main;
    Tick();
    main.net_lst.ClickColumn(0);
    TempFolder folder;
    std::string target;
    ExportFormat format = ExportFormat::TableCsv;
    main.ask.exportFile = [&](std::string& fileName, ExportFormat& chosen) {
        fileName = target;
        chosen = format;
        return true;
    };

    target = folder.Path("survey.csv");
    Command(main, kCmdExport);
    const std::string csv = ReadAll(target);
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    // Every record has the fields of the widest (access points, with their detail).
    EXPECT_NE(csv.find("List,Network Name (SSID),Signal Quality,Authentication,Cipher,,,,\r\n"
                       "Network,alpha,50% / -75dBm,RSNA-PSK,CCMP,,,,\r\n"
                       "Network,Bravo,80% / -60dBm,802.11 Open,None,,,,\r\n"
                       "Network,\"Café, \"\"Bar\"\"\",70% / -65dBm,WPA3-SAE,CCMP,,,,\r\n"),
              std::string::npos)
        << csv;
    EXPECT_NE(csv.find("Adapter,Wi-Fi A,Connected,"), std::string::npos);
    EXPECT_NE(csv.find("Access point,00:00:00:00:00:0B,Bravo,36 (5.180 GHz),-50 dBm,"), std::string::npos);

    target = folder.Path("survey.json");
    format = ExportFormat::SurveyJson;
    Command(main, kCmdExport);
    const std::string json = ReadAll(target);
    EXPECT_NE(json.find("\"format\": \"vellumar-export\",\n  \"version\": 1"), std::string::npos) << json;
    EXPECT_NE(json.find("\"program\": \"Vellumar\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"program_version\": \"1.6.3.18\""), std::string::npos);
    EXPECT_NE(json.find("{\"ssid\": \"Café, \\\"Bar\\\"\", \"signal_quality_percent\": 70, \"signal_dbm\": -65"),
              std::string::npos);
    EXPECT_NE(json.find("{\"bssid\": \"00:00:00:00:00:0B\", \"ssid\": \"Bravo\", \"channel\": 36, \"frequency_mhz\": 5180, "
                        "\"rssi_dbm\": -50,"),
              std::string::npos);
    EXPECT_TRUE(messages.empty());

    // Held open by another program: the old file stays, and the box says why.
    {
        UniqueFile held(CreateFileW(Widen(target).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        format = ExportFormat::TableCsv;
        Command(main, kCmdExport);
    }
    EXPECT_EQ(ReadAll(target), json);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Could not export to " + target + ":\n", 0), 0u) << messages[0];
    EXPECT_GT(messages[0].size(), ("Could not export to " + target + ":\n").size());  // the system's text
}

TEST_F(Lists, ExportWritesWhatTheFilterShowsAndSaysSo) {
    TMainDlg& main = Start(kThree).main;
    Tick();
    EXPECT_EQ(main.session().ExportScopeText(), "");
    main.filter_edt.SetText("bra");
    EXPECT_EQ(main.session().ExportScopeText(), "1 of 3 networks, 1 of 3 access points, as filtered");
    TempFolder folder;
    const std::string target = folder.Path("filtered.csv");
    main.ask.exportFile = [&](std::string& fileName, ExportFormat& chosen) {
        fileName = target;
        chosen = ExportFormat::TableCsv;
        return true;
    };
    Command(main, kCmdExport);
    const std::string csv = ReadAll(target);
    EXPECT_NE(csv.find("Network,Bravo,"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("Network,alpha,"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("00:00:00:00:00:0A"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Adapter,Wi-Fi A,"), std::string::npos);  // the filter leaves the adapters alone

    // The packet capture holds the beacons of the access points shown alone.
    const std::string capture = folder.Path("filtered.pcapng");
    main.ask.exportFile = [&](std::string& fileName, ExportFormat& chosen) {
        fileName = capture;
        chosen = ExportFormat::Pcapng;
        return true;
    };
    Command(main, kCmdExport);
    const std::string bytes = ReadAll(capture);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x0A\x0D\x0D\x0A", 4));
    const std::string broadcast(6, '\xFF');  // the beacon's destination, then its BSSID
    EXPECT_NE(bytes.find(broadcast + std::string("\0\0\0\0\0\x0B", 6)), std::string::npos);
    EXPECT_EQ(bytes.find(broadcast + std::string("\0\0\0\0\0\x0A", 6)), std::string::npos);
    EXPECT_TRUE(messages.empty());
}

}  // namespace
