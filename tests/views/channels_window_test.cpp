#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/win32/settings.h"
#include "shell/app_fixture.h"
#include "shell/application.h"
#include "shell/menu.h"

namespace {

std::vector<std::string> Row(ListView& list, const std::string& channel) {
    for (const auto& row : Rows(list))
        if (row[0] == channel) return row;
    return {};
}

std::string MenuText(HMENU menu, UINT position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, static_cast<int>(std::size(text)), MF_BYPOSITION);
    return Narrow(text);
}

// One access point per band with fixed signals, and another radio (another address block) that shares channel 6.
constexpr char kThreeBands[] = R"({"interfaces": [{"description": "Wi-Fi A",
  "networks": [{"ssid": "Near", "quality": 90}, {"ssid": "Wide", "quality": 60}, {"ssid": "Six", "quality": 70}],
  "bss": [
    {"bssid": "02:00:00:00:00:01", "ssid": "Near", "frequency_khz": 2437000, "rssi": [-40, -45, -50, -55]},
    {"bssid": "02:00:00:00:10:02", "ssid": "Other", "frequency_khz": 2437000, "rssi": -70},
    {"bssid": "02:00:00:00:00:03", "ssid": "Wide", "frequency_khz": 5180000, "rssi": -60,
     "ies": [{"id": 61, "hex": "24 05 00000000000000000000000000000000000000"}, {"id": 192, "hex": "01 2a 00 fa ff"}]},
    {"bssid": "02:00:00:00:00:04", "ssid": "Six", "frequency_khz": 6135000, "rssi": -50,
     "ies": [{"ext": 36, "hex": "04 00 02 2a fc ff 25 03 27 2f 06"}]}
  ]}]})";

using ChannelsWindow = AppTest;

TEST_F(ChannelsWindow, OpensFromTheViewMenuAndFollowsTheScanPerBand) {
    auto& a = Start(kThreeBands);
    a.main.scantmr.SetEnabled(false);  // passes come from Tick only
    Tick();
    // "&View" sits between "&Options" and "&?".
    HMENU bar = GetMenu(a.main.hwnd());
    ASSERT_GE(GetMenuItemCount(bar), 4);
    EXPECT_EQ(MenuText(bar, 1), "&Options");
    EXPECT_EQ(MenuText(bar, 2), "&View");
    EXPECT_EQ(MenuText(bar, 3), "&?");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 0), "&Channels...\tCtrl+H");

    TChannelsDlg& ch = a.channels;
    EXPECT_FALSE(ch.Showing());
    SendMessageW(a.main.hwnd(), WM_COMMAND, MAKEWPARAM(kCmdChannels, 0), 0);
    ASSERT_TRUE(ch.Showing());
    EXPECT_EQ(ch.Text(), "Channels");
    EXPECT_NE(GetWindowLongPtrW(ch.hwnd(), GWL_STYLE) & WS_THICKFRAME, 0);  // resizable
    EXPECT_TRUE(IsWindowEnabled(a.main.hwnd()));                          // and not modal
    ASSERT_EQ(ch.band_tab.TabCount(), 3);
    EXPECT_EQ(ch.band_tab.TabText(0), "2.4 GHz");
    EXPECT_EQ(ch.band_tab.TabText(1), "5 GHz");
    EXPECT_EQ(ch.band_tab.TabText(2), "6 GHz");

    // 2.4 GHz: two access points on 6; 1 and 11 are both free of them.
    EXPECT_EQ(ch.Band(), WifiBand::Ghz24);
    EXPECT_EQ(ch.channel_lst.RowCount(), 14);
    EXPECT_EQ(ch.channel_lst.ColumnCaption(3), "Load");
    EXPECT_EQ(Row(ch.channel_lst, "6"), (std::vector<std::string>{"6", "2", "-40 dBm", "1.13", ""}));
    EXPECT_EQ(Row(ch.channel_lst, "1"), (std::vector<std::string>{"1", "0", "", "0.00", "Yes"}));
    EXPECT_EQ(Row(ch.channel_lst, "11"), (std::vector<std::string>{"11", "0", "", "0.00", "Yes"}));
    EXPECT_EQ(Row(ch.channel_lst, "3")[4], "");  // free too, but no channel to recommend
    EXPECT_EQ(ch.recommend_lbl.Text(), "Best 2.4 GHz channels: 1, 11 (least load: 0.00)");
    EXPECT_EQ(TooltipText({ch.hwnd(), ListView_GetHeader(ch.channel_lst.hwnd()), 3}), kLoadExplanation);

    // The mouse over the weaker shape's middle names it; over the stronger one's top, that one.
    const GraphScale scale = ch.graph.Scale();
    const auto& aps = ch.graph.AccessPoints();
    ASSERT_EQ(aps.size(), 4u);
    const Trapezoid strongShape = ShapesOf(aps[0], scale)[0], weakShape = ShapesOf(aps[1], scale)[0];
    const int midX = static_cast<int>((strongShape.topLeft + strongShape.topRight) / 2);
    EXPECT_EQ(ch.graph.TipAt(midX, static_cast<int>((weakShape.top + weakShape.base) / 2)),
              "Other\r\nBSSID 02:00:00:00:10:02\r\nRSSI -70 dBm\r\nWidth 20 MHz\r\nChannel 6");
    EXPECT_EQ(ch.graph.TipAt(midX, static_cast<int>(strongShape.top) + 2).substr(0, 6), "Near\r\n");
    EXPECT_EQ(ch.graph.TipAt(midX, static_cast<int>(strongShape.top) - 20), "");
    // Each shape in its network's chart colour; a name with no chart line stays grey.
    EXPECT_EQ(aps[0].colour, a.main.scope.chart().Line(0).Color);
    EXPECT_EQ(aps[1].colour, RgbColour(128, 128, 128));

    // 5 GHz: one 80 MHz access point on 36 loads 36 to 48.
    ch.band_tab.Select(1);
    EXPECT_EQ(ch.graph.Band(), WifiBand::Ghz5);
    EXPECT_EQ(ch.channel_lst.RowCount(), 28);
    EXPECT_EQ(Row(ch.channel_lst, "36"), (std::vector<std::string>{"36", "1", "-60 dBm", "0.50", ""}));
    EXPECT_EQ(Row(ch.channel_lst, "44")[3], "0.50");
    EXPECT_EQ(Row(ch.channel_lst, "52"), (std::vector<std::string>{"52", "0", "", "0.00", "Yes"}));
    const Trapezoid wide = ShapesOf(aps[2], ch.graph.Scale())[0];
    EXPECT_EQ(ch.graph.TipAt(static_cast<int>(wide.topLeft + 3), static_cast<int>(wide.top) + 3),
              "Wide\r\nBSSID 02:00:00:00:00:03\r\nRSSI -60 dBm\r\nWidth 80 MHz\r\nChannel 36 (centre 42)");

    ch.band_tab.Select(2);
    EXPECT_EQ(ch.channel_lst.RowCount(), 59);
    EXPECT_EQ(Row(ch.channel_lst, "37"), (std::vector<std::string>{"37", "1", "-50 dBm", "0.63", ""}));
    EXPECT_EQ(ReadSetting("channels_tab"), "2");

    // Every completed pass redraws; once closed, the window draws nothing.
    ch.band_tab.Select(0);
    Tick();
    EXPECT_EQ(Row(ch.channel_lst, "6")[2], "-45 dBm");
    EXPECT_EQ(ch.graph.AccessPoints()[0].rssi, -45);
    PostMessageW(ch.hwnd(), WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_FALSE(ch.Showing());
    Tick();
    EXPECT_EQ(ch.graph.AccessPoints()[0].rssi, -45);
    // Reopened, it shows the last pass at once.
    a.main.Channels1Click();
    EXPECT_EQ(ch.graph.AccessPoints()[0].rssi, -50);
    EXPECT_EQ(Row(ch.channel_lst, "6")[2], "-50 dBm");
}

TEST_F(ChannelsWindow, OpensBesideTheMainWindowActiveAndEscClosesIt) {
    auto& a = Start(kThreeBands);
    Tick();
    SetWindowPos(a.main.hwnd(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    a.main.filter_edt.SetText("Near");
    a.main.Channels1Click();
    RECT m{}, c{};
    GetWindowRect(a.main.hwnd(), &m);
    GetWindowRect(a.channels.hwnd(), &c);
    EXPECT_EQ(c.left, m.right);
    EXPECT_EQ(c.top, m.top);
    EXPECT_EQ(GetActiveWindow(), a.channels.hwnd());
    EXPECT_EQ(GetFocus(), a.channels.channel_lst.hwnd());

    // Esc is the Channels window's own: it closes, and the main window's filter stays.
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    for (int i = 0; i < 20 && a.channels.Showing(); ++i)
        while (PumpOneMessage(a.main.hwnd(), a.main.Accelerators(), false)) {
            MSG peek;
            if (!PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) break;
        }
    EXPECT_FALSE(a.channels.Showing());
    EXPECT_EQ(GetActiveWindow(), a.main.hwnd());
    EXPECT_EQ(a.main.filter_edt.Text(), "Near");
}

TEST_F(ChannelsWindow, WithNothingHeardNothingIsRecommended) {
    auto& a = Start(R"({"interfaces": [{"description": "Wi-Fi A"}]})");
    Tick();
    a.main.Channels1Click();
    TChannelsDlg& ch = a.channels;
    EXPECT_EQ(ch.recommend_lbl.Text(), "2.4 GHz: no access points heard");
    for (const auto& row : Rows(ch.channel_lst)) EXPECT_EQ(row[4], "") << row[0];
    const std::string folder = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    RedrawWindow(ch.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    SaveScreenshot(ch.hwnd(), folder + "channels-nothing-heard-96dpi.bmp");
}

TEST_F(ChannelsWindow, KeepsItsPlaceAndTabAcrossRuns) {
    auto& a = Start(kThreeBands);
    Tick();
    a.main.Channels1Click();
    SetWindowPos(a.channels.hwnd(), nullptr, 120, 90, 700, 560, SWP_NOZORDER | SWP_NOACTIVATE);
    a.channels.band_tab.Select(1);
    SendMessageW(a.main.hwnd(), WM_CLOSE, 0, 0);  // the program closes with the window open
    app.reset();

    auto& b = Start(kThreeBands);
    EXPECT_EQ(b.channels.Band(), WifiBand::Ghz5);
    b.main.Channels1Click();
    EXPECT_EQ(PlaceOf(b.channels.hwnd()), (std::array<int, 4>{120, 90, 700, 560}));
    // A place on no screen is forgotten.
    WriteSetting("channels_window", "-30000,-30000,700,560");
    app.reset();
    auto& c = Start(kThreeBands);
    c.main.Channels1Click();
    EXPECT_GT(PlaceOf(c.channels.hwnd())[0], -30000);
}

// Each tab over the demonstration scenario, at 96 DPI and after a change to 144 DPI.
TEST_F(ChannelsWindow, Screenshots) {
    std::ifstream file(std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/demo.json");
    std::stringstream demo;
    demo << file.rdbuf();
    auto& a = Start(demo.str());
    Tick(3);
    TChannelsDlg& ch = a.channels;
    a.main.Channels1Click();
    SetWindowPos(ch.hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    const std::string folder = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    const char* names[] = {"2.4ghz", "5ghz", "6ghz"};
    RECT at96{}, graph96{};
    GetWindowRect(ch.hwnd(), &at96);
    GetClientRect(ch.graph.hwnd(), &graph96);
    const auto setDpi = [&](UINT dpi) {
        RECT frame{at96.left, at96.top, at96.left + MulDiv(at96.right - at96.left, static_cast<int>(dpi), 96),
                   at96.top + MulDiv(at96.bottom - at96.top, static_cast<int>(dpi), 96)};
        SendMessageW(ch.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
        EXPECT_EQ(ch.dpi(), dpi);
    };
    const auto shoot = [&](UINT dpi) {
        for (int tab = 0; tab < 3; ++tab) {
            ch.band_tab.Select(tab);
            RedrawWindow(ch.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            PumpMessages();
            SaveScreenshot(ch.hwnd(), folder + "channels-" + names[tab] + "-" + std::to_string(dpi) + "dpi.bmp");
        }
    };
    shoot(96);
    setDpi(144);
    RECT graph144{};
    GetClientRect(ch.graph.hwnd(), &graph144);
    EXPECT_NEAR(graph144.right, graph96.right * 3 / 2, 24);  // the frame does not grow with the DPI under Wine
    EXPECT_EQ(ch.graph.Scale().Plot().left, 60);            // the margins follow the DPI
    shoot(144);
    // Back at 96 DPI everything is where it was.
    setDpi(96);
    RECT again{};
    GetClientRect(ch.graph.hwnd(), &again);
    EXPECT_EQ(again.right, graph96.right);
    EXPECT_EQ(again.bottom, graph96.bottom);
    EXPECT_EQ(ch.graph.Scale().Plot().left, 40);
}

}  // namespace
