#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/win32/profile_file.h"
#include "common/win32/registry.h"
#include "common/win32/settings.h"
#include "shell/app_fixture.h"
#include "shell/main_dlg_layout.h"
#include "wireless/list_image.h"

namespace {

// One adapter; "Gone" leaves after the first pass; a profile entry is never listed.
constexpr char kHome[] = R"({"interfaces": [{"description": "Wi-Fi A", "phy_types": [5, 6, 7],
  "networks": [
    {"ssid": "HomeNet", "quality": 80, "auth": 7, "cipher": 4},
    {"ssid": "Office", "profile": "Office", "quality": 60},
    {"ssid": "", "quality": [50, 40]},
    {"ssid": "Gone", "present": [true, false], "quality": 30, "auth": 1, "cipher": 0}],
  "bss": [
    {"bssid": "00:1a:2b:3c:4d:5e", "ssid": "HomeNet", "frequency_khz": 2437000, "rssi": -67},
    {"bssid": "00:1a:2b:3c:4d:5f", "ssid": "", "frequency_khz": 5180000, "rssi": -80, "present": [true, false]}]}]})";

using MainWindow = AppTest;

void PumpAll() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The window as it stands, at 96 DPI and again after a move to 144 DPI.
void SaveMainScreenshots(TMainDlg& main, const std::string& name) {
    const std::string folder = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    if (!IsWindowVisible(main.hwnd())) ShowWindow(main.hwnd(), SW_SHOWNORMAL);
    SetWindowPos(main.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    for (UINT dpi : {96u, 144u}) {
        if (dpi != main.dpi()) {
            RECT r;
            GetWindowRect(main.hwnd(), &r);
            if (!IsZoomed(main.hwnd())) {
                r.right = r.left + MulDiv(r.right - r.left, static_cast<int>(dpi), 96);
                r.bottom = r.top + MulDiv(r.bottom - r.top, static_cast<int>(dpi), 96);
            }
            SendMessageW(main.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        }
        RedrawWindow(main.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpAll();
        SaveScreenshot(main.hwnd(), folder + name + "-" + std::to_string(dpi) + "dpi.bmp");
    }
}

TEST_F(MainWindow, ListsAreRewrittenInPlaceEveryPass) {
    auto& main = Start(kHome).main;
    ASSERT_TRUE(main.session().Started());
    Tick();
    ASSERT_EQ(main.adapt_lst.RowCount(), 1);
    EXPECT_EQ(Row(main.adapt_lst, 0), (std::vector<std::string>{"Wi-Fi A", "Connected", "b/g/n"}));
    EXPECT_EQ(main.adapt_lst.CellImage(0, 0), ImageIndex(ListImage::Adapter));
    ASSERT_EQ(main.net_lst.RowCount(), 3);
    EXPECT_EQ(Row(main.net_lst, 0), (std::vector<std::string>{"HomeNet", "80% / -60dBm", "RSNA-PSK", "CCMP"}));
    EXPECT_EQ(Row(main.net_lst, 1)[0], "<Hidden SSID>");
    EXPECT_EQ(Row(main.net_lst, 2), (std::vector<std::string>{"Gone", "30% / -85dBm", "802.11 Open", "None"}));
    EXPECT_EQ(main.net_lst.RowData(1), 2);  // the entry's index counts the unlisted profile entry
    const int images[] = {main.net_lst.CellImage(2, 0), main.net_lst.CellImage(2, 1), main.net_lst.CellImage(2, 2),
                          main.net_lst.CellImage(2, 3)};
    // The row's image is its chart line's colour square: "Gone" is the third line.
    EXPECT_EQ(std::vector<int>(std::begin(images), std::end(images)),
              (std::vector<int>{kListImageCount + 2, ImageIndex(ListImage::Signal1), ImageIndex(ListImage::RedShield),
                                ImageIndex(ListImage::RedShield)}));
    ASSERT_EQ(main.ap_lst.RowCount(), 2);
    EXPECT_EQ(Row(main.ap_lst, 0), (std::vector<std::string>{"00:1A:2B:3C:4D:5E", "HomeNet", "6 (2.437 GHz)", "-67 dBm",
                                                             "Ayecom Technology Co., Ltd.", "", ""}));
    EXPECT_EQ(Row(main.ap_lst, 1)[2], "36 (5.180 GHz)");
    EXPECT_EQ(main.ap_lst.CellImage(1, 0), ImageIndex(ListImage::AccessPoint));

    main.net_lst.SelectRow(1);
    Tick();
    ASSERT_EQ(main.net_lst.RowCount(), 2);
    EXPECT_EQ(main.net_lst.SelectedRow(), 1);  // kept by position
    EXPECT_EQ(Row(main.net_lst, 1)[1], "40% / -80dBm");
    EXPECT_EQ(main.ap_lst.RowCount(), 1);
    EXPECT_TRUE(Logged("New network found : HomeNet"));
    EXPECT_TRUE(Logged("New AP found : 00:1A:2B:3C:4D:5E (for :HomeNet)"));
    EXPECT_TRUE(messages.empty());
    // Every chart line has a colour square, line n after the fixed pictures.
    EXPECT_EQ(main.scope.chart().LineCount(), 3u);
    EXPECT_EQ(main.colors.Count(), kListImageCount + 3);
}

TEST_F(MainWindow, ARefusedScanRequestIsOnlyAVerboseLogLine) {
    WriteSetting("debug_mode", "1");
    auto& main = Start(R"({"interfaces": [{"scan_cache": true, "networks": [{"ssid": "A", "quality": [80, 70]}]}],
        "faults": [{"call": "WlanScan", "result": 5}]})").main;
    Tick(2);
    EXPECT_TRUE(Logged("WlanScan failed (5)"));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(main.location_pnl.Visible()) << "a refused scan asks for location consent";
    ASSERT_EQ(main.net_lst.RowCount(), 1);
    EXPECT_EQ(Row(main.net_lst, 0)[1], "80% / -60dBm") << "no scan completed: the first results stay";
    EXPECT_EQ(main.adapt_lst.RowCount(), 1);
}

TEST_F(MainWindow, AFailedEnumerationShowsOnceAndStopsScanning) {
    auto& main = Start(R"({"interfaces": [{"networks": [{"ssid": "A"}]}],
        "faults": [{"call": "WlanEnumInterfaces", "epochs": {"from": 2}, "result": 1234}]})").main;
    Tick();
    EXPECT_EQ(main.net_lst.RowCount(), 1);
    Tick(3);
    EXPECT_EQ(messages, (std::vector<std::string>{"Error WlanEnumInterfaces (1234)"}));
    EXPECT_EQ(main.net_lst.RowCount(), 0);
    EXPECT_EQ(main.adapt_lst.RowCount(), 1);  // the adapter list keeps its rows
}

TEST_F(MainWindow, AFailedOpenIsShownAndNothingScans) {
    auto& main = Start(R"({"open_result": 5, "interfaces": [{"networks": [{"ssid": "A"}]}]})").main;
    EXPECT_FALSE(main.session().Started());
    EXPECT_EQ(messages, (std::vector<std::string>{"Error WlanOpenHandle (5)"}));
    EXPECT_TRUE(Logged("Error WlanOpenHandle (5)"));
    EXPECT_FALSE(main.scantmr.Enabled());
    messages.clear();
    main.more_adapt_btnClick();
    main.more_net_btnClick();
    main.more_ap_btnClick();
    EXPECT_EQ(messages, (std::vector<std::string>{"Please select a network adapter.", "Please select a network.",
                                                  "Please select an access point."}));
}

TEST_F(MainWindow, StartsOnlyOnce) {
    auto& main = Start(kHome).main;
    main.AppEvtActivate();
    SendMessageW(main.hwnd(), WM_ACTIVATEAPP, TRUE, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    // The background downloads may log their outcome meanwhile; the start-up lines come once.
    const auto lines = LogLines();
    for (const char* once : {"Starting", "Self update check..."})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), once), 1) << once;
}

TEST_F(MainWindow, StartUpHeaderInDebugMode) {
    WriteSetting("debug_mode", "1");
    auto& main = Start(kHome, {"/first", "/second"}).main;
    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Starting");
    EXPECT_EQ(lines[1], "Debug mode");
    EXPECT_EQ(lines[2], program->exe());
    EXPECT_EQ(lines[3], "Vellumar v1.6.3.18");
    EXPECT_EQ(main.Text(), "Vellumar v1.6.3.18");
    EXPECT_EQ(lines[4].rfind("Windows : ", 0), 0u);
    EXPECT_EQ(lines[5], "64Bits : Yes");
    EXPECT_EQ(lines[6].rfind("Administrator : ", 0), 0u);
    EXPECT_EQ(lines[7], "Portable : Yes");
    EXPECT_EQ(lines[8], "/first");
    EXPECT_EQ(lines[9], "UID : " + ReadSetting("uid"));
    EXPECT_FALSE(ReadSetting("uid").empty());
}

TEST_F(MainWindow, WithoutDebugModeTheVerboseLinesAreDropped) {
    WriteSetting("debug_mode", "true");  // only "1" turns it on
    WriteSetting("uid", "4242");
    Start(kHome);
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(lines[1], program->exe());
    EXPECT_FALSE(Logged("UID : 4242"));
    EXPECT_EQ(ReadSetting("uid"), "4242");  // made once, never changed
}

TEST_F(MainWindow, ResizingFollowsTheAnchorsAndTheMinimumSize) {
    auto& main = Start(kHome).main;
    auto rect = [](const Control& c) {
        RECT r;
        GetWindowRect(c.hwnd(), &r);
        return r;
    };
    RECT w;
    GetWindowRect(main.hwnd(), &w);
    RECT scope = rect(main.scope), adapters = rect(main.adapt_lst), nets = rect(main.net_lst), band = rect(main.top_pnl),
         aps = rect(main.ap_lst);
    SetWindowPos(main.hwnd(), nullptr, 0, 0, w.right - w.left + 100, w.bottom - w.top + 60, SWP_NOMOVE | SWP_NOZORDER);
    auto width = [](RECT r) { return r.right - r.left; };
    auto height = [](RECT r) { return r.bottom - r.top; };
    EXPECT_EQ(width(rect(main.scope)) - width(scope), 100);
    EXPECT_EQ(width(rect(main.top_pnl)) - width(band), 100);
    EXPECT_EQ(height(rect(main.net_lst)) - height(nets), 60);
    EXPECT_EQ(height(rect(main.ap_lst)) - height(nets), 60);
    EXPECT_EQ(width(rect(main.ap_lst)) - width(aps), 100);  // its added columns come into view
    EXPECT_EQ(width(rect(main.adapt_lst)), width(adapters));
    EXPECT_EQ(height(rect(main.adapt_lst)), height(adapters));
    EXPECT_EQ(main.scope.chart().Width(), width(rect(main.scope)));

    SetWindowPos(main.hwnd(), nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(main.hwnd(), &w);
    EXPECT_EQ(w.right - w.left, main.Scale(main_layout::kMinWidth));
    EXPECT_EQ(w.bottom - w.top, main.Scale(main_layout::kMinHeight));
}

TEST_F(MainWindow, StoppedServiceOpensTheHintPage) {
    BrowserRecorder browser;
    auto& main = Start(R"({"open_result": 1062, "interfaces": []})").main;
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(Logged("Error WlanOpenHandle (1062)"));
    EXPECT_EQ(browser.Opened(), (std::vector<std::string>{"https://www.quintavo.example/forum/"}));
    // The lists say why they stay empty; the buttons keep their own messages.
    for (ListView* list : {&main.adapt_lst, &main.net_lst, &main.ap_lst})
        EXPECT_EQ(list->EmptyText(), "The WLAN service is not running: start it, then restart Vellumar");
    main.more_adapt_btnClick();
    EXPECT_EQ(messages, (std::vector<std::string>{"Please select a network adapter."}));
    SaveMainScreenshots(main, "main-service-stopped");
}

TEST_F(MainWindow, WithoutAnAdapterTheListsSaySo) {
    auto& main = Start(R"({"interfaces": []})").main;
    for (ListView* list : {&main.adapt_lst, &main.net_lst, &main.ap_lst}) EXPECT_EQ(list->EmptyText(), "");
    Tick();
    for (ListView* list : {&main.adapt_lst, &main.net_lst, &main.ap_lst})
        EXPECT_EQ(list->EmptyText(), "No wireless adapter found");
    SaveMainScreenshots(main, "main-no-adapter");
    // An adapter that comes is listed, and the text goes.
    app.reset();
    auto& other = Start(kHome).main;
    Tick();
    EXPECT_EQ(other.adapt_lst.EmptyText(), "");
}

TEST_F(MainWindow, PlaceAndColumnWidthsAreKeptAcrossRuns) {
    {
        auto& a = Start(kHome);
        Tick();
        SetWindowPos(a.main.hwnd(), nullptr, 40, 30, 1200, 600, SWP_NOZORDER);
        ListView_SetColumnWidth(a.main.ap_lst.hwnd(), 1, 150);  // as a drag leaves it
        a.apMore.onShown = [&] {
            SetWindowPos(a.apMore.hwnd(), nullptr, 50, 60, 500, 420, SWP_NOZORDER);
            a.apMore.EndModal(IDOK);
        };
        a.main.ap_lst.SelectRow(0);
        a.main.more_ap_btnClick();
        SendMessageW(a.main.hwnd(), WM_CLOSE, 0, 0);
        app.reset();
    }
    auto& b = Start(kHome);
    EXPECT_EQ(PlaceOf(b.main.hwnd()), (std::array<int, 4>{40, 30, 1200, 600}));
    EXPECT_EQ(b.main.ap_lst.ColumnWidth(1), 150);
    Tick();
    std::array<int, 4> shown{};
    b.apMore.onShown = [&] {
        shown = PlaceOf(b.apMore.hwnd());
        b.apMore.EndModal(IDOK);
    };
    b.main.ap_lst.SelectRow(0);
    b.main.more_ap_btnClick();
    EXPECT_EQ(shown, (std::array<int, 4>{50, 60, 500, 420}));
}

TEST_F(MainWindow, MaximisedScreenshots) {
    std::ifstream file(std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/demo.json");
    std::stringstream demo;
    demo << file.rdbuf();
    auto& main = Start(demo.str()).main;
    Tick(4);
    ShowWindow(main.hwnd(), SW_MAXIMIZE);
    RECT aps, scope;
    GetWindowRect(main.ap_lst.hwnd(), &aps);
    GetWindowRect(main.scope.hwnd(), &scope);
    // The access points reach as far right as the chart above them, and show every column.
    EXPECT_EQ(aps.right, scope.right);
    int columns = 0;
    for (int c = 0; c < main.ap_lst.ColumnCount(); ++c) columns += main.ap_lst.ColumnWidth(c);
    EXPECT_LT(columns, aps.right - aps.left);
    EXPECT_GT(main.ap_lst.ColumnWidth(5), 70);  // "Standard" fits its caption at the first start
    SaveMainScreenshots(main, "main-maximised");
}

TEST_F(MainWindow, HintFileChoosesThePage) {
    struct C { const char* value; const char* opened; };
    const C cases[] = {
        {"https://www.quintavo.example/help/wifi-service", "https://www.quintavo.example/help/wifi-service"},
        {"https://help.quintavo.example/wifi-service", "https://www.quintavo.example/forum/"},  // another host
        {"http://www.quintavo.example/help/wifi-service", "https://www.quintavo.example/forum/"},
        {"x", "https://www.quintavo.example/forum/"},             // one character is no hint
        {"C:\\Windows\\notepad.exe", "https://www.quintavo.example/forum/"},  // not a web page
        {"file:///C:/boot.ini", "https://www.quintavo.example/forum/"},
        {"https://\" calc", "https://www.quintavo.example/forum/"},  // a prefix is not an address
        {"http://host/a b", "https://www.quintavo.example/forum/"},
        {"https:", "https://www.quintavo.example/forum/"},
    };
    for (const auto& c : cases) {
        BrowserRecorder browser;
        CreateDirectoryW(Widen(GetSpecialFolder(CSIDL_APPDATA) + "\\Quintavo").c_str(), nullptr);
        CreateDirectoryW(Widen(DataFolderPath()).c_str(), nullptr);
        WriteProfileString(DataFolderPath() + "vellumar.ini", "errors", "1062", c.value);
        Start(R"({"open_result": 1062, "interfaces": []})");
        EXPECT_EQ(browser.Opened(), (std::vector<std::string>{c.opened})) << c.value;
        app.reset();
    }
}

TEST_F(MainWindow, PortableCopyKeepsItsSettingsBesideTheProgram) {
    WriteProfileString(program->Path("settings.ini"), "Settings", "debug_mode", "1");
    WriteProfileString(program->Path("settings.ini"), "Settings", "uid", "777");
    auto& main = Start(kHome);
    EXPECT_EQ(ReadSetting("uid"), "777");  // imported while the window was made
    EXPECT_TRUE(Logged("Portable : Yes"));
    EXPECT_TRUE(Logged("UID : 777"));
    WriteSetting("note", "kept");
    SendMessageW(main.main.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadProfileString(program->Path("settings.ini"), "Settings", "note"), "kept");
    EXPECT_EQ(ReadProfileString(program->Path("settings.ini"), "Settings", "uid"), "777");
    EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo\\Vellumar", KEY_READ, false).IsOpen());
    EXPECT_FALSE(RegistryKey::Open(HKEY_CURRENT_USER, "SOFTWARE\\Quintavo", KEY_READ, false).IsOpen());
}

TEST_F(MainWindow, CloseWritesTheLastLinesAndTheLogFile) {
    WriteSetting("debug_mode", "1");
    auto& main = Start(kHome).main;
    Tick();
    std::string log_file = main.log()->FileName();
    SendMessageW(main.hwnd(), WM_CLOSE, 0, 0);
    std::string text = ReadTestFile(log_file);
    EXPECT_NE(text.find("Closing wLan handles...\r\n"), std::string::npos);
    EXPECT_LT(text.find("Closing Vellumar...\r\n"), text.find("Closing wLan handles...\r\n"));  // newest first
}

}  // namespace
