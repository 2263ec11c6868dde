#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win32/accessible_reader.h"
#include "shell/app_fixture.h"
#include "shell/application.h"
#include "shell/menu.h"

namespace {

// The target's signal pass by pass; missing from the sixth pass.
constexpr char kWalk[] = R"({"interfaces": [{"description": "Wi-Fi A",
  "networks": [{"ssid": "Hall", "quality": 60}],
  "bss": [
    {"bssid": "02:00:00:00:00:0a", "ssid": "Hall", "frequency_khz": 2437000,
     "rssi": [-80, -80, -77, -76, -70, -70, -60], "present": [true, true, true, true, true, false, true]},
    {"bssid": "02:00:00:00:00:0b", "ssid": "Hall", "frequency_khz": 5180000, "rssi": -50}
  ]}]})";

int RowOf(ListView& list, const std::string& caption) {
    const auto rows = Rows(list);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i][0] == caption) return static_cast<int>(i);
    return -1;
}

using LocateWindow = AppTest;

TEST_F(LocateWindow, FollowsTheAccessPointsSignalPassByPass) {
    auto& a = Start(kWalk);
    a.main.scantmr.SetEnabled(false);  // passes come from Tick only
    Tick();
    TLocateDlg& loc = a.locate;
    EXPECT_FALSE(loc.Showing());
    // Without a selection the command asks for one.
    SendMessageW(a.main.hwnd(), WM_COMMAND, MAKEWPARAM(kCmdLocate, 0), 0);
    EXPECT_FALSE(loc.Showing());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Please select an access point.");

    const int row = RowOf(a.main.ap_lst, "02:00:00:00:00:0A");
    ASSERT_GE(row, 0);
    a.main.ap_lst.SelectRow(row);
    SendMessageW(a.main.hwnd(), WM_COMMAND, MAKEWPARAM(kCmdLocate, 0), 0);
    ASSERT_TRUE(loc.Showing());
    EXPECT_EQ(loc.Text(), "Locate");
    EXPECT_TRUE(IsWindowEnabled(a.main.hwnd()));  // not modal
    EXPECT_EQ(loc.ssid_lbl.Text(), "Hall");
    EXPECT_EQ(loc.bssid_lbl.Text(), "BSSID 02:00:00:00:00:0A");
    EXPECT_EQ(loc.vendor_lbl.Text().rfind("Vendor ", 0), 0u);
    EXPECT_EQ(loc.channel_lbl.Text(), "Channel 6");
    // Fresh scans as often as allowed while it is open.
    EXPECT_EQ(a.main.session().Scan().requests.Interval(), kShortestScanInterval);

    struct Pass {
        const char* rssi;
        const char* change;
        int announcements;
    };
    const Pass passes[] = {
        {"-80 dBm", "", 1},  // what the last pass heard, at once
        {"-80 dBm", "No change", 1},
        {"-77 dBm", "\u2191 3 dB warmer", 2},
        {"-76 dBm", "\u2191 1 dB warmer", 2},  // less than 3 dB since the last one told
        {"-70 dBm", "\u2191 6 dB warmer", 3},
        {"Not heard", "", 4},
        {"-60 dBm", "", 5},
    };
    for (size_t i = 0; i < std::size(passes); ++i) {
        if (i > 0) Tick();
        const Pass& p = passes[i];
        EXPECT_EQ(LocateRssiText(loc.Track().Rssi()), p.rssi) << i;
        EXPECT_EQ(loc.change_lbl.Text(), p.change) << i;
        EXPECT_EQ(loc.Announcements(), p.announcements) << i;
        EXPECT_EQ(ReadAccessibleTree(loc.gauge.hwnd()).self, (AccessibleNode{"Signal", p.rssi, ROLE_SYSTEM_PROGRESSBAR}))
            << i;
        // The tone follows the signal where a device plays it; without one the window says so.
        if (loc.Tone().Unavailable()) {
            EXPECT_EQ(loc.sound_lbl.Text(), "No sound device: the tone is not heard");
        } else {
            const auto tone = ToneFor(loc.Track().Rssi());
            ASSERT_EQ(loc.Tone().Playing().has_value(), tone.has_value()) << i;
            if (tone) {
                EXPECT_EQ(loc.Tone().Playing()->beepsPerSecond, tone->beepsPerSecond) << i;
            }
        }
        if (i == 5) {
            EXPECT_EQ(loc.heard_lbl.Text(), "Last heard now");  // a pass ago, within the second
        }
    }
    EXPECT_EQ(loc.range_lbl.Text(), "Min -80 dBm   Max -60 dBm   Average of 5 passes -73 dBm");
    const std::string folder = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    RedrawWindow(loc.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    SaveScreenshot(loc.hwnd(), folder + "locate-96dpi.bmp");

    // M mutes (the box's mnemonic), wherever the focus is in the window.
    ASSERT_TRUE(loc.tone_chk.Checked());
    SetFocus(loc.tone_chk.hwnd());
    PostMessageW(GetFocus(), WM_CHAR, 'm', 0);
    for (int i = 0; i < 10; ++i) PumpOneMessage(a.main.hwnd(), a.main.Accelerators(), false);
    EXPECT_FALSE(loc.tone_chk.Checked());
    EXPECT_FALSE(loc.Tone().Playing().has_value());

    // Closed, it follows no more and the scans go back to their interval.
    PostMessageW(loc.hwnd(), WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_FALSE(loc.Showing());
    EXPECT_EQ(a.main.session().Scan().requests.Interval(), kDefaultScanInterval);
    const size_t seen = loc.Track().History().size();
    Tick();
    EXPECT_EQ(loc.Track().History().size(), seen);
}

TEST_F(LocateWindow, CtrlShiftLOpensItForTheSelectedAccessPoint) {
    auto& a = Start(kWalk);
    a.main.scantmr.SetEnabled(false);
    Tick();
    a.main.ap_lst.SelectRow(RowOf(a.main.ap_lst, "02:00:00:00:00:0B"));
    SetFocus(a.main.ap_lst.hwnd());
    // Straight through the accelerators, as the message loop hands them over.
    MSG msg{a.main.ap_lst.hwnd(), WM_KEYDOWN, 'L', 0, 0, {}};
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_SHIFT] = 0x80;
    SetKeyboardState(state);
    EXPECT_TRUE(TranslateAcceleratorW(a.main.hwnd(), a.main.Accelerators(), &msg));
    state[VK_CONTROL] = state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    ASSERT_TRUE(a.locate.Showing());
    EXPECT_EQ(a.locate.bssid_lbl.Text(), "BSSID 02:00:00:00:00:0B");
    EXPECT_EQ(a.locate.channel_lbl.Text(), "Channel 36");
    // Ctrl+L alone stays the log.
    ACCEL table[64];
    const int n = CopyAcceleratorTableW(a.main.Accelerators(), table, 64);
    int ctrlL = 0;
    for (int i = 0; i < n; ++i) {
        if (table[i].key != 'L' || !(table[i].fVirt & FCONTROL)) continue;
        EXPECT_EQ(table[i].cmd, (table[i].fVirt & FSHIFT) ? kCmdLocate : kCmdOpenLog);
        ++ctrlL;
    }
    EXPECT_EQ(ctrlL, 2);
}

}  // namespace
