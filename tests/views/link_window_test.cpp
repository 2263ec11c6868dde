// The link over a connect, a sticky stretch, a roam and a disconnect: the main
// window's status bar, the log and the Link window.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/app_fixture.h"
#include "shell/application.h"
#include "shell/menu.h"
#include "views/history_dlg.h"
#include "views/link_dlg.h"

namespace {

// Not connected in epoch 1; on A from epoch 2, where B (same network) is already 10 dB
// stronger; roams to B in epoch 15; gone from epoch 17.
constexpr char kRoam[] = R"({"interfaces": [{"description": "Roaming adapter",
  "connection": {"ssid": "Campus", "profile": "Campus",
     "connected": [false, true, true, true, true, true, true, true, true, true, true, true, true, true, true, true, false],
     "bssid": ["3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01",
               "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01",
               "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01",
               "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:01", "3c:5a:b4:10:20:02"],
     "rx_rate": 866700, "tx_rate": 780000},
  "networks": [{"ssid": "Campus", "bssids": 2}, {"ssid": "Guest"}],
  "bss": [{"bssid": "3c:5a:b4:10:20:01", "ssid": "Campus", "rssi": -70, "frequency_khz": 5180000},
          {"bssid": "3c:5a:b4:10:20:02", "ssid": "Campus", "rssi": -60, "frequency_khz": 5500000},
          {"bssid": "70:3a:cb:00:00:01", "ssid": "Guest", "rssi": -50, "frequency_khz": 2437000}]}]})";

class LinkWindow : public AppTest {
protected:
    Application& StartLink() {
        auto& a = Start(kRoam);
        a.main.session().SetWallClock([this] { return clock_; });
        return a;
    }
    // One pass a second of the fake clock.
    void Pass(int passes = 1) {
        for (int k = 0; k < passes; ++k) {
            clock_ += 1000;
            Tick();
        }
    }
    std::string Part(int part) {
        const HWND bar = app->main.status_bar.hwnd();
        const int length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        return Narrow(text);
    }
    int64_t clock_ = 1'700'000'000'000;
};

const std::string kDot = " \xC2\xB7 ";

TEST_F(LinkWindow, StatusBarFollowsConnectStickyRoamAndDisconnect) {
    auto& a = StartLink();
    Pass();
    EXPECT_EQ(Part(0), "Not connected");
    EXPECT_EQ(Part(1), "");
    Pass();  // epoch 2: connected to A
    EXPECT_EQ(Part(0).rfind("Campus" + kDot + "3C:5A:B4:10:20:01", 0), 0u) << Part(0);
    EXPECT_NE(Part(0).find(kDot + "ch 36" ), std::string::npos) << Part(0);
    EXPECT_NE(Part(0).find(kDot + "-70 dBm" + kDot + "866.7/780 Mbit/s"), std::string::npos) << Part(0);
    Pass(9);  // epoch 11: B stronger for 9 s
    EXPECT_EQ(Part(1), "");
    Pass();  // epoch 12: for 10 s
    EXPECT_EQ(Part(1), "Sticky: 3C:5A:B4:10:20:02 is 10 dB stronger");
    Pass(3);  // epoch 15: the roam
    EXPECT_EQ(Part(1), "");
    EXPECT_EQ(Part(0).rfind("Campus" + kDot + "3C:5A:B4:10:20:02", 0), 0u) << Part(0);
    EXPECT_TRUE(Logged("Connected to 3C:5A:B4:10:20:01 (Campus)"));
    EXPECT_TRUE(Logged("Roam from 3C:5A:B4:10:20:01 (ch 36, -70 dBm) to 3C:5A:B4:10:20:02 (ch 100, -60 dBm), gap 0 ms"));
    Pass(2);  // epoch 17: gone
    EXPECT_EQ(Part(0), "Not connected");
    EXPECT_TRUE(Logged("Disconnected from 3C:5A:B4:10:20:02"));

    // The bar runs along the bottom; the lists anchored there end above it.
    RECT client, bar, aps, nets;
    GetClientRect(a.main.hwnd(), &client);
    GetWindowRect(a.main.status_bar.hwnd(), &bar);
    GetWindowRect(a.main.ap_lst.hwnd(), &aps);
    GetWindowRect(a.main.net_lst.hwnd(), &nets);
    MapWindowPoints(HWND_DESKTOP, a.main.hwnd(), reinterpret_cast<POINT*>(&bar), 2);
    MapWindowPoints(HWND_DESKTOP, a.main.hwnd(), reinterpret_cast<POINT*>(&aps), 2);
    MapWindowPoints(HWND_DESKTOP, a.main.hwnd(), reinterpret_cast<POINT*>(&nets), 2);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.right, client.right);
    EXPECT_LE(aps.bottom, bar.top);
    EXPECT_LE(nets.bottom, bar.top);
    // Larger, the lists grow and the bar stays at the bottom.
    SetWindowPos(a.main.hwnd(), nullptr, 0, 0, 1300, 700, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(a.main.hwnd(), &client);
    GetWindowRect(a.main.status_bar.hwnd(), &bar);
    MapWindowPoints(HWND_DESKTOP, a.main.hwnd(), reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right, client.right);
}

TEST_F(LinkWindow, ListsTheLinkAndItsEvents) {
    auto& a = StartLink();
    Pass(15);
    TLinkDlg& link = a.link;
    EXPECT_FALSE(link.Showing());
    SendMessageW(a.main.hwnd(), WM_COMMAND, MAKEWPARAM(kCmdLink, 0), 0);
    ASSERT_TRUE(link.Showing());
    const auto details = Rows(link.detail_lst);
    ASSERT_GE(details.size(), 3u);
    EXPECT_EQ(details[0], (std::vector<std::string>{"State", "Connected"}));
    EXPECT_EQ(details[2], (std::vector<std::string>{"BSSID", "3C:5A:B4:10:20:02"}));
    auto events = Rows(link.event_lst);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0][1], "Connected");
    EXPECT_EQ(events[0][3], "3C:5A:B4:10:20:01 (ch 36, -70 dBm)");
    EXPECT_EQ(events[1], (std::vector<std::string>{LocalClockText(clock_), "Roamed", "3C:5A:B4:10:20:01 (ch 36, -70 dBm)",
                                                   "3C:5A:B4:10:20:02 (ch 100, -60 dBm)", "0 ms", "13.0 s"}));
    Pass(2);  // the open window follows the scan
    events = Rows(link.event_lst);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2][1], "Disconnected");
    EXPECT_EQ(Rows(link.detail_lst), (std::vector<std::vector<std::string>>{{"State", "Not connected"}}));
    PostMessageW(link.hwnd(), WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_FALSE(link.Showing());
}

TEST_F(LinkWindow, HistoryShowsTheChosenAccessPointsAndExportsThem) {
    auto& a = StartLink();
    Pass(16);
    // A and B of Campus chosen in the list; the window follows the passes.
    std::vector<int> rows;
    for (int r = 0; r < a.main.ap_lst.RowCount(); ++r)
        if (a.main.ap_lst.Cell(r, 0).rfind("3C:5A:B4", 0) == 0) rows.push_back(r);
    ASSERT_EQ(rows.size(), 2u);
    a.main.ap_lst.SelectRows(rows);
    SendMessageW(a.main.hwnd(), WM_COMMAND, MAKEWPARAM(kCmdHistory, 0), 0);
    THistoryDlg& h = a.history;
    ASSERT_TRUE(h.Showing());
    const HistoryView& view = h.graph.View();
    ASSERT_EQ(view.series.size(), 2u);
    EXPECT_EQ(view.times.size(), 16u);
    EXPECT_EQ(view.roams.size(), 1u);
    const HistorySeries& b = view.series[0].bssid == "3C:5A:B4:10:20:02" ? view.series[0] : view.series[1];
    EXPECT_TRUE(b.serving);
    EXPECT_EQ(b.rssi.back(), -60);
    EXPECT_NE(b.colour, RgbColour(128, 128, 128)) << "its network's chart colour";
    Pass();
    EXPECT_EQ(h.graph.View().times.size(), 17u);
    EXPECT_TRUE(h.graph.View().roams.size() == 1u);
    EXPECT_FALSE(h.graph.View().series[0].serving || h.graph.View().series[1].serving) << "disconnected";

    TempFolder folder;
    const std::string file = folder.Path("history.csv");
    h.askCsvFile = [&](std::string& name) {
        name = file;
        return true;
    };
    h.export_btn.Click();
    std::ifstream in(std::filesystem::path(Widen(file)), std::ios::binary);
    std::string csv((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "time," + view.series[0].bssid + "," + view.series[1].bssid);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 18);
    h.span60_btn.Click();
    EXPECT_EQ(h.Span(), HistorySpan::OneHour);
}

TEST_F(LinkWindow, Screenshots) {
    auto& a = StartLink();
    Pass(12);  // connected, and sticky
    a.main.Link1Click();
    Pass(3);  // and roamed
    std::vector<int> all;
    for (int r = 0; r < a.main.ap_lst.RowCount(); ++r) all.push_back(r);
    a.main.ap_lst.SelectRows(all);
    a.main.History1Click();
    SetWindowPos(a.history.hwnd(), HWND_TOP, 80, 120, 0, 0, SWP_NOSIZE);
    const std::string folder = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    SetWindowPos(a.main.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    SetWindowPos(a.link.hwnd(), HWND_TOP, 40, 60, 0, 0, SWP_NOSIZE);
    for (UINT dpi : {96u, 144u}) {
        for (Window* w : {static_cast<Window*>(&a.main), static_cast<Window*>(&a.link), static_cast<Window*>(&a.history)}) {
            RECT r;
            GetWindowRect(w->hwnd(), &r);
            if (w->dpi() != dpi) {
                RECT frame{r.left, r.top, r.left + MulDiv(r.right - r.left, static_cast<int>(dpi), static_cast<int>(w->dpi())),
                           r.top + MulDiv(r.bottom - r.top, static_cast<int>(dpi), static_cast<int>(w->dpi()))};
                SendMessageW(w->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
            }
            EXPECT_EQ(w->dpi(), dpi);
        }
        a.main.status_bar.Show(a.main.session().Link());
        for (HWND w : {a.main.hwnd(), a.link.hwnd(), a.history.hwnd()})
            RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        // Each window alone on the screen: a shot takes what the screen shows where it lies.
        const std::string suffix = "-" + std::to_string(dpi) + "dpi.bmp";
        const std::pair<Window*, const char*> shots[] = {
            {&a.main, "main-status-bar"}, {&a.link, "link-window"}, {&a.history, "history-window"}};
        for (const auto& [shown, name] : shots) {
            for (const auto& [other, unused] : shots) ShowWindow(other->hwnd(), other == shown ? SW_SHOWNA : SW_HIDE);
            SetWindowPos(shown->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
            RedrawWindow(shown->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            PumpMessages();
            SaveScreenshot(shown->hwnd(), folder + name + suffix);
        }
        for (const auto& [w, unused] : shots) ShowWindow(w->hwnd(), SW_SHOWNA);
    }
}

}  // namespace
