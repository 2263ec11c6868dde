// What the information elements add to the main window and the access-point
// details, and the notice that a location-blocked scan brings up.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/win32/fixtures.h"
#include "common/win32/registry.h"
#include "shell/app_fixture.h"
#include "views/ap_more_dlg.h"

namespace {

// A Wi-Fi 7 access point on 6 GHz (320 MHz, MLO, WPA3 with a transition AKM,
// busy) and an old one without elements.
constexpr char kRadio[] = R"({"interfaces": [{"description": "Wi-Fi A",
  "networks": [{"ssid": "Attic-7", "quality": 80}],
  "bss": [
    {"bssid": "3C:84:6A:BE:EF:07", "ssid": "Attic-7", "frequency_khz": 6135000, "rssi": -52, "phy_type": 11,
     "ies": [{"id": 0, "hex": "4174746963 2d37"}, {"id": 1, "hex": "8c 12 98 24 b0 48 60 6c"},
             {"id": 7, "hex": "444549 01 0d 14"}, {"id": 11, "hex": "1b00 80 0000"},
             {"id": 48, "hex": "0100 000fac09 0200 000fac09 000fac04 0200 000fac18 000fac08 cc00"},
             {"id": 70, "hex": "72 00 00 00 00"}, {"id": 127, "hex": "04 00 08 00"},
             {"ext": 35, "hex": "09 00 08"}, {"ext": 36, "hex": "040002 2a fcff 25 03 27 2f 06"},
             {"ext": 108, "hex": "00 00 00 00 00 00 00 00 22 22 22"}, {"ext": 106, "hex": "01 44444444 04 2f 3f"},
             {"ext": 107, "hex": "b0 01 0d 3c846abeef07 01 0100 0000"}]},
    {"bssid": "00:0C:41:AA:BB:CC", "ssid": "OldPrinter", "frequency_khz": 2422000, "rssi": -80, "phy_type": 5}]}]})";

using AccessPointRadio = AppTest;

TEST_F(AccessPointRadio, ListColumnsAndDetailRowsFromTheElements) {
    auto& a = Start(kRadio);
    Tick();
    ListView& aps = a.main.ap_lst;
    std::vector<std::string> captions;
    for (int c = 0; c < aps.ColumnCount(); ++c) captions.push_back(aps.ColumnCaption(c));
    EXPECT_EQ(captions, (std::vector<std::string>{"AP Name / MAC", "SSID", "Channel", "RSSi", "Vendor", "Standard",
                                                  "Width"}));
    ASSERT_EQ(aps.RowCount(), 2);
    EXPECT_EQ(Row(aps, 0), (std::vector<std::string>{"3C:84:6A:BE:EF:07", "Attic-7", "37 (6.135 GHz)", "-52 dBm",
                                                     "TP-LINK TECHNOLOGIES CO.,LTD.", "Wi-Fi 7", "320 MHz"}));
    EXPECT_EQ(Row(aps, 1), (std::vector<std::string>{"00:0C:41:AA:BB:CC", "OldPrinter", "3 (2.422 GHz)", "-80 dBm",
                                                     "Cisco-Linksys, LLC", "", ""}));

    std::vector<std::vector<std::string>> shown;
    a.apMore.onShown = [&] {
        std::vector<std::string> rows;
        for (int r = 0; r < a.apMore.info_lst.RowCount(); ++r)
            rows.push_back(a.apMore.info_lst.Cell(r, 0) + "=" + a.apMore.info_lst.Cell(r, 1));
        shown.push_back(rows);
        a.apMore.EndModal(IDOK);
    };
    for (int row : {0, 1}) {
        aps.SelectRow(row);
        a.main.more_ap_btnClick();
    }
    ASSERT_EQ(shown.size(), 2u);
    ASSERT_EQ(shown[0].size(), 26u);
    EXPECT_EQ(shown[0][12], "Channel / Frequency=37 / 6.135 GHz");  // the fourteen rows stay first
    EXPECT_EQ(std::vector<std::string>(shown[0].begin() + 14, shown[0].end()),
              (std::vector<std::string>{"Vendor=TP-LINK TECHNOLOGIES CO.,LTD.", "Standard=Wi-Fi 7 (802.11be)",
                                        "Channel Width=320 MHz", "Center Channel=63", "Stations=27",
                                        "Channel Utilization=50%", "Country=DE (indoor)",
                                        "Security=SAE-EXT-KEY, SAE / GCMP-256, CCMP",
                                        "Fast Roaming=802.11k, 802.11v", "WPS=No", "MLO=Yes",
                                        "Information Elements=12 (139 bytes)"}));
    ASSERT_EQ(shown[1].size(), 26u);
    EXPECT_EQ(shown[1][14], "Vendor=Cisco-Linksys, LLC");
    for (size_t k = 15; k < 25; ++k) EXPECT_EQ(shown[1][k].back(), '=') << shown[1][k];  // no element, no value
    EXPECT_EQ(shown[1][25], "Information Elements=None");
    // The window kept its own copy of the elements.
    EXPECT_TRUE(a.apMore.bssElements.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(AccessPointRadio, LocationNoticeComesWithAccessDeniedAndGoesWithTheNextGoodPass) {
    BrowserRecorder browser;
    // The shell knows the settings pages' scheme on Windows; here it goes to the stand-in browser.
    RegistryGuard scheme{HKEY_CLASSES_ROOT, L"ms-settings"};
    RegistryKey::Open(HKEY_CLASSES_ROOT, "ms-settings", KEY_ALL_ACCESS, true).WriteString("URL Protocol", "");
    RegistryKey::Open(HKEY_CLASSES_ROOT, "ms-settings\\shell\\open\\command", KEY_ALL_ACCESS, true)
        .WriteString("", "winebrowser \"%1\"");
    auto& main = Start(R"({"interfaces": [{"networks": [{"ssid": "A"}], "bss": [{"bssid": "00:00:00:00:00:01"}]}],
        "faults": [{"call": "WlanGetNetworkBssList", "epochs": [2, 3], "result": 5}]})").main;
    auto top = [](const Control& c) {
        RECT r;
        GetWindowRect(c.hwnd(), &r);
        return r.top;
    };
    Tick();
    EXPECT_FALSE(main.location_pnl.Visible());
    const LONG listTop = top(main.ap_lst);

    Tick();  // access denied
    EXPECT_EQ(messages, (std::vector<std::string>{"Error WlanGetNetworkBssList (5)"}));  // as before
    EXPECT_TRUE(Logged("Error WlanGetNetworkBssList (5)"));
    EXPECT_TRUE(main.location_pnl.Visible());
    auto shown = [](const Control& c) { return (GetWindowLongPtrW(c.hwnd(), GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_TRUE(shown(main.location_pnl.link));
    EXPECT_EQ(main.location_pnl.text.Text(),
              "Windows is blocking Wi-Fi scans until location access is allowed for desktop programs.");
    EXPECT_EQ(main.location_pnl.link.Text(), "Open location settings");
    EXPECT_GT(top(main.ap_lst), listTop);  // the lists make room below the bar
    EXPECT_EQ(top(main.net_lst), top(main.ap_lst));
    RECT bar, list;
    GetWindowRect(main.location_pnl.bar.hwnd(), &bar);
    GetWindowRect(main.ap_lst.hwnd(), &list);
    EXPECT_LE(bar.bottom, list.top);

    // A click on the link, as the static control reports it to the window.
    SendMessageW(main.hwnd(), WM_COMMAND, MAKEWPARAM(0, STN_CLICKED),
                 reinterpret_cast<LPARAM>(main.location_pnl.link.hwnd()));
    EXPECT_EQ(browser.Opened(), (std::vector<std::string>{"ms-settings:privacy-location"}));

    Tick();  // still denied: the bar stays
    EXPECT_TRUE(main.location_pnl.Visible());
    Tick();  // a good pass
    EXPECT_FALSE(main.location_pnl.Visible());
    EXPECT_FALSE(shown(main.location_pnl.bar));
    EXPECT_EQ(top(main.ap_lst), listTop);
    EXPECT_EQ(main.ap_lst.RowCount(), 1);

    // The entry point for other scan calls that meet the same refusal.
    main.ReportAccessDenied();
    EXPECT_TRUE(main.location_pnl.Visible());
}

}  // namespace
