#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <iterator>

#include "common/win32/settings.h"
#include "common/win32/wide.h"
#include "shell/app_fixture.h"
#include "shell/application.h"

namespace {

std::vector<std::string> Columns(ListView& list) {
    std::vector<std::string> captions;
    for (int c = 0; c < list.ColumnCount(); ++c) captions.push_back(list.ColumnCaption(c));
    return captions;
}

using DetailWindows = AppTest;

TEST_F(DetailWindows, AdapterStatistics) {
    auto& a = Start(R"({"interfaces": [{"description": "Wi-Fi A", "phy_types": [7, 8],
        "statistics": {"four_way_handshake_failures": 3, "tkip_countermeasures_invoked": 4294967296,
        "unicast": [1,2,3,4,5,6,7,8,9,10,11,12], "multicast": [21,22,23,24,25,26,27,28,29,30,31,32],
        "phys": [[1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,18], [2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,36]]}}]})");
    Tick();
    bool shown = false;
    a.adapterStats.onShown = [&] {
        shown = true;
        EXPECT_EQ(a.adapterStats.Text(), "Adapter Statistics");
        EXPECT_EQ(Rows(a.adapterStats.gen_lst),
                  (std::vector<std::vector<std::string>>{{"Four Way Handshake Failures", "3"},
                                                         {"TKIP Counter Measures Invoked", "4294967296"}}));
        auto mac = Rows(a.adapterStats.MACstats_lst);
        ASSERT_EQ(mac.size(), 12u);
        EXPECT_EQ(mac[0], (std::vector<std::string>{"Transmitted Frame Count", "1", "21"}));
        EXPECT_EQ(mac[1][0], "ReceivedFrameCount");
        EXPECT_EQ(mac[11], (std::vector<std::string>{"Decrypt Failure Count", "12", "32"}));
        EXPECT_EQ(Columns(a.adapterStats.PHYstats_lst),
                  (std::vector<std::string>{"PHY Layer Stats", "802.11n", "802.11ac"}));
        auto phy = Rows(a.adapterStats.PHYstats_lst);
        ASSERT_EQ(phy.size(), 18u);
        EXPECT_EQ(phy[0], (std::vector<std::string>{"Transmitted Frame Count", "1", "2"}));
        EXPECT_EQ(phy[17], (std::vector<std::string>{"FCS Error Count", "18", "36"}));
        a.adapterStats.EndModal(IDOK);
    };
    a.main.more_adapt_btnClick();  // one row: chosen without a selection
    EXPECT_TRUE(shown);
    EXPECT_EQ(a.main.adapt_lst.SelectedRow(), 0);
}

TEST_F(DetailWindows, PhyColumnsAreRebuiltForEachAdapter) {
    auto& a = Start(R"({"interfaces": [
        {"description": "A", "phy_types": [5, 6]},
        {"description": "B", "phy_types": [7, 8],
         "statistics": {"phys": [[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0], [0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0],
                                 [0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0]]}}]})");
    Tick();
    std::vector<std::vector<std::string>> seen;
    a.adapterStats.onShown = [&] {
        seen.push_back(Columns(a.adapterStats.PHYstats_lst));
        a.adapterStats.EndModal(IDOK);
    };
    a.main.adapt_lst.SelectRow(0);
    a.main.more_adapt_btnClick();
    a.main.adapt_lst.SelectRow(1);
    a.main.more_adapt_btnClick();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (std::vector<std::string>{"PHY Layer Stats", "802.11b", "802.11g"}));
    EXPECT_EQ(seen[1], (std::vector<std::string>{"PHY Layer Stats", "Unknown (PHY0)", "Unknown (PHY1)",
                                                 "Unknown (PHY2)"}));
}

TEST_F(DetailWindows, AdapterCommandMessagesAndLogLines) {
    WriteSetting("debug_mode", "1");
    auto& a = Start(R"({"interfaces": [{"description": "A"}, {"description": "B", "state": 4}],
        "faults": [{"call": "WlanQueryInterface", "interface": 0, "result": 5},
                   {"call": "WlanGetInterfaceCapability", "interface": 0, "epochs": {"from": 2}, "result": 87}]})");
    Tick();
    a.adapterStats.onShown = [&] { ADD_FAILURE() << "no statistics can be shown here"; a.adapterStats.EndModal(IDOK); };
    a.main.more_adapt_btnClick();  // two rows, none selected
    a.main.adapt_lst.SelectRow(1);
    a.main.more_adapt_btnClick();  // disconnected
    a.main.adapt_lst.SelectRow(0);
    a.main.more_adapt_btnClick();  // statistics fail
    Tick();                        // from now on the capability query fails first
    a.main.more_adapt_btnClick();
    EXPECT_EQ(messages, (std::vector<std::string>{"Please select a network adapter.",
                                                  "Please select a connected network adapter",
                                                  "Error WlanQueryInterface (5)",
                                                  "Error WlanGetInterfaceCapability (87)",    // the pass's own box
                                                  "Error WlanGetInterfaceCapability (87)"}));  // the command's
    for (const char* line : {"No network adapter selected", "Selected Network Adapter is not connected",
                             "Error WlanQueryInterface (5)", "Error WlanGetInterfaceCapability (87)"})
        EXPECT_TRUE(Logged(line)) << line;
}

TEST_F(DetailWindows, NetworkAndAccessPointDetails) {
    auto& b = Start(R"({"interfaces": [{"description": "Wi-Fi A",
       "networks": [{"ssid": "HomeNet", "quality": 80, "auth": 7, "cipher": 4, "bssids": 2, "phy_types": [7, 8]}],
       "bss": [{"bssid": "00:1a:2b:3c:4d:5e", "ssid": "", "frequency_khz": 2437000, "rssi": -67,
            "link_quality": 90, "beacon_period": 100, "timestamp": 5000000000, "capability": 17, "in_reg_domain": false,
            "rates": [32770, 32772, 32779, 32790]}]}]})");
    Tick();
    std::vector<std::vector<std::string>> net_rows, ap_rows;
    b.netMore.onShown = [&] {
        EXPECT_EQ(b.netMore.Text(), "Network Details");
        net_rows = Rows(b.netMore.info_lst);
        b.netMore.EndModal(IDOK);
    };
    int valueWidth = 0, widerValue = 0, listWidth = 0, widerList = 0;
    b.apMore.onShown = [&] {
        EXPECT_EQ(b.apMore.Text(), "Access Point Details");
        ap_rows = Rows(b.apMore.info_lst);
        // Resizable: the list follows the window and its values take the width.
        EXPECT_NE(GetWindowLongPtrW(b.apMore.hwnd(), GWL_STYLE) & WS_THICKFRAME, 0);
        RECT w, list;
        GetWindowRect(b.apMore.hwnd(), &w);
        GetClientRect(b.apMore.info_lst.hwnd(), &list);
        listWidth = list.right;
        valueWidth = b.apMore.info_lst.ColumnWidth(1);
        SetWindowPos(b.apMore.hwnd(), nullptr, 0, 0, w.right - w.left + 200, w.bottom - w.top + 50,
                     SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(b.apMore.info_lst.hwnd(), &list);
        widerList = list.right;
        widerValue = b.apMore.info_lst.ColumnWidth(1);
        // Never smaller than its design size.
        SetWindowPos(b.apMore.hwnd(), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(b.apMore.hwnd(), &client);
        EXPECT_EQ(client.right, b.apMore.Scale(323));
        b.apMore.EndModal(IDOK);
    };
    b.main.net_lst.SelectRow(0);
    b.main.more_net_btnClick();
    b.main.ap_lst.SelectRow(0);
    b.main.more_ap_btnClick();
    EXPECT_EQ(net_rows, (std::vector<std::vector<std::string>>{
                            {"Profile Name", ""}, {"SSID", "HomeNet"}, {"Type", "Infrastructure"}, {"# of APs", "2"},
                            {"Connectable", "Yes"}, {"Reason", "0"}, {"802.11 Capabilities", "n/ac"},
                            {"More 802.11 Capabilities", "No"}, {"Signal Quality", "80% / -60dBm"},
                            {"Authentication", "RSNA-PSK"}, {"Cipher", "CCMP"}}));
    ASSERT_EQ(ap_rows.size(), 26u);  // the rows that the elements add follow these
    ap_rows.resize(14);
    EXPECT_EQ(ap_rows, (std::vector<std::vector<std::string>>{
                           {"SSID", "<Hidden SSID>"}, {"PHY id", "0"}, {"MAC", "00:1A:2B:3C:4D:5E"},
                           {"Type", "Infrastructure"}, {"802.11 Phy", "802.11n"}, {"RSSi", "-67 dBm"},
                           {"Link Quality", "90"}, {"In reg. domain", "No"}, {"Beacon Period", "102 ms"},
                           {"Time Stamp", "5000000000"}, {"Host Time Stamp", "0"}, {"Capabilities", "ESS| Privacy"},
                           {"Channel / Frequency", "6 / 2.437 GHz"}, {"Rates", "1 2 5 11"}}));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(widerList - listWidth, 200);
    EXPECT_GT(widerValue, valueWidth);
    EXPECT_EQ(b.apMore.info_lst.ColumnWidth(0) + widerValue, widerList);
}

TEST_F(DetailWindows, NothingSelected) {
    WriteSetting("debug_mode", "1");
    auto& a = Start(R"({"interfaces": [{"networks": [{"ssid": "A"}], "bss": [{"bssid": "00:00:00:00:00:01"}]}]})");
    Tick();
    a.main.more_net_btnClick();
    a.main.more_ap_btnClick();
    EXPECT_EQ(messages, (std::vector<std::string>{"Please select a network.", "Please select an access point."}));
    EXPECT_TRUE(Logged("No network selected"));
    EXPECT_TRUE(Logged("No access point selected"));
}

TEST_F(DetailWindows, DoubleClickOpensTheDetails) {
    auto& a = Start(R"({"interfaces": [{"networks": [{"ssid": "A"}]}]})");
    Tick();
    a.main.net_lst.SelectRow(0);
    bool shown = false;
    a.netMore.onShown = [&] {
        shown = true;
        a.netMore.EndModal(IDOK);
    };
    a.main.net_lst.onDoubleClick();
    EXPECT_TRUE(shown);
}

}  // namespace

// Keyboard use of the main window: Tab moves through each list and its details button in
// turn, Shift+Tab back, and Enter on a focused network row opens its details as a double-click does.
TEST_F(DetailWindows, KeyboardMovesThroughTheWindowAndEnterOpensDetails) {
    auto& b = Start(R"({"interfaces": [{"description": "Wi-Fi A",
       "networks": [{"ssid": "HomeNet", "quality": 80}]}]})");
    Tick();
    const HWND main = b.main.hwnd();
    auto pump = [&] {
        while (PumpOneMessage(main, nullptr, false)) {
            MSG peek;
            if (!PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) break;
        }
    };
    auto press = [&](UINT key) {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
        PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000000);
        pump();
    };
    SetForegroundWindow(main);
    SetFocus(b.main.adapt_lst.hwnd());
    const HWND order[] = {b.main.more_adapt_btn.hwnd(), b.main.net_lst.hwnd(), b.main.more_net_btn.hwnd(),
                          b.main.ap_lst.hwnd(),        b.main.more_ap_btn.hwnd(), b.main.drivers_btn.hwnd(),
                          b.main.scope.hwnd(),         b.main.filter_edt.hwnd(),  b.main.adapt_lst.hwnd()};
    for (HWND expected : order) {
        press(VK_TAB);
        EXPECT_EQ(GetFocus(), expected);
    }
    // Shift+Tab walks the same ring backwards.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    SetKeyboardState(keys);
    for (auto it = std::rbegin(order) + 1; it != std::rend(order); ++it) {
        press(VK_TAB);
        EXPECT_EQ(GetFocus(), *it);
    }
    press(VK_TAB);
    EXPECT_EQ(GetFocus(), order[std::size(order) - 1]);
    keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
    SetKeyboardState(keys);

    // The three buttons share a caption; their tooltips tell them apart.
    const std::pair<Button*, std::string> buttons[] = {{&b.main.more_adapt_btn, "Adapter details"},
                                                       {&b.main.more_net_btn, "Network details"},
                                                       {&b.main.more_ap_btn, "Access point details"}};
    for (const auto& [button, name] : buttons) EXPECT_EQ(TooltipText({main, main, reinterpret_cast<UINT_PTR>(button->hwnd())}), name);

    int opened = 0;
    std::string ssid;
    b.netMore.onShown = [&] {
        ++opened;
        const auto rows = Rows(b.netMore.info_lst);
        if (rows.size() > 1) ssid = rows[1][1];
        b.netMore.EndModal(IDOK);
    };
    b.main.net_lst.SelectRow(0);
    SetFocus(b.main.net_lst.hwnd());
    press(VK_RETURN);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(ssid, "HomeNet");

    // Esc closes the details; the list that opened them has the keyboard again.
    b.netMore.onShown = [&] { ++opened; PostMessageW(b.netMore.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0); };
    press(VK_RETURN);
    EXPECT_EQ(opened, 2);
    EXPECT_FALSE(IsWindowVisible(b.netMore.hwnd()));
    EXPECT_EQ(GetFocus(), b.main.net_lst.hwnd());
}
