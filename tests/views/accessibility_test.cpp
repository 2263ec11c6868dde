#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win32/accessible_reader.h"
#include "shell/app_fixture.h"
#include "shell/application.h"

namespace {

// Two networks with steady signals: two chart lines; three access points on two bands.
constexpr char kTwoNetworks[] = R"({"interfaces": [{"description": "Wi-Fi A",
  "networks": [{"ssid": "Hall", "quality": 80}, {"ssid": "Lab", "quality": 40}],
  "bss": [
    {"bssid": "02:00:00:00:00:01", "ssid": "Hall", "frequency_khz": 2412000, "rssi": -45},
    {"bssid": "02:00:00:00:00:02", "ssid": "Lab", "frequency_khz": 2462000, "rssi": -75},
    {"bssid": "02:00:00:00:00:03", "ssid": "Hall", "frequency_khz": 2437000, "rssi": -60}
  ]}]})";

std::vector<std::string> Names(const AccessibleTree& tree) {
    std::vector<std::string> names;
    for (const auto& c : tree.children) names.push_back(c.name);
    return names;
}

std::vector<std::string> Values(const AccessibleTree& tree) {
    std::vector<std::string> values;
    for (const auto& c : tree.children) values.push_back(c.value);
    return values;
}

void Key(HWND window, WPARAM key) {
    SendMessageW(window, WM_KEYDOWN, key, 0);
    SendMessageW(window, WM_KEYUP, key, 0);
}

using Accessibility = AppTest;

// What a tool on another thread reads: the names the three buttons share a caption without.
TEST_F(Accessibility, TheDetailsButtonsSayWhoseDetails) {
    auto& a = Start(kTwoNetworks);
    const std::pair<Button*, const char*> buttons[] = {{&a.main.more_adapt_btn, "Adapter details"},
                                                       {&a.main.more_net_btn, "Network details"},
                                                       {&a.main.more_ap_btn, "Access point details"}};
    for (const auto& [button, name] : buttons) {
        const AccessibleTree tree = ReadAccessibleTree(button->hwnd());
        ASSERT_HRESULT_SUCCEEDED(tree.result) << name;
        EXPECT_EQ(tree.self.name, name);
        EXPECT_EQ(tree.self.role, ROLE_SYSTEM_PUSHBUTTON) << name;  // the rest is the system's
    }
    // A button without a name of its own keeps its caption.
    EXPECT_EQ(ReadAccessibleTree(a.main.drivers_btn.hwnd()).self.name, "Drivers Update");
}

TEST_F(Accessibility, TheChartHasALinePerNetworkAndTheKeyboardWalksThem) {
    auto& a = Start(kTwoNetworks);
    a.main.scantmr.SetEnabled(false);
    Tick(2);
    StripChartControl& chart = a.main.scope;
    AccessibleTree tree = ReadAccessibleTree(chart.hwnd());
    ASSERT_HRESULT_SUCCEEDED(tree.result);
    EXPECT_EQ(tree.self.name, "Signal quality chart");
    EXPECT_EQ(Names(tree), (std::vector<std::string>{"Hall", "Lab"}));
    EXPECT_EQ(Values(tree), (std::vector<std::string>{"80% / -60dBm", "40% / -80dBm"}));
    EXPECT_EQ(tree.children[0].role, ROLE_SYSTEM_LISTITEM);

    // The focus enters on the first line; the arrows move it, and it stops at the ends.
    SetFocus(chart.hwnd());
    EXPECT_EQ(chart.FocusedPart(), 0u);
    EXPECT_EQ(ReadAccessibleTree(chart.hwnd()).focus, 1);
    Key(chart.hwnd(), VK_RIGHT);
    EXPECT_EQ(chart.FocusedPart(), 1u);
    Key(chart.hwnd(), VK_DOWN);
    EXPECT_EQ(chart.FocusedPart(), 1u);
    EXPECT_EQ(ReadAccessibleTree(chart.hwnd()).focus, 2);
    Key(chart.hwnd(), VK_HOME);
    EXPECT_EQ(chart.FocusedPart(), 0u);

    // Enter opens the focused line's network.
    Key(chart.hwnd(), VK_RIGHT);
    bool shown = false;
    a.netMore.onShown = [&] {
        shown = true;
        a.netMore.EndModal(IDOK);
    };
    SendMessageW(a.main.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);  // Enter, as the dialog keys send it
    EXPECT_TRUE(shown);
    ASSERT_GE(a.main.net_lst.SelectedRow(), 0);
    EXPECT_EQ(a.main.net_lst.Cell(a.main.net_lst.SelectedRow(), 0), "Lab");
}

TEST_F(Accessibility, TheChannelGraphHasAnAccessPointPerShapeLeftToRight) {
    auto& a = Start(kTwoNetworks);
    a.main.scantmr.SetEnabled(false);
    Tick();
    a.main.Channels1Click();
    ChannelGraphControl& graph = a.channels.graph;
    const AccessibleTree tree = ReadAccessibleTree(graph.hwnd());
    ASSERT_HRESULT_SUCCEEDED(tree.result);
    EXPECT_EQ(tree.self.name, "Channel graph");
    EXPECT_EQ(Names(tree), (std::vector<std::string>{"Hall 02:00:00:00:00:01", "Hall 02:00:00:00:00:03",
                                                     "Lab 02:00:00:00:00:02"}));
    EXPECT_EQ(Values(tree), (std::vector<std::string>{"-45 dBm, 20 MHz", "-60 dBm, 20 MHz", "-75 dBm, 20 MHz"}));

    SetFocus(graph.hwnd());
    Key(graph.hwnd(), VK_END);
    EXPECT_EQ(graph.FocusedPart(), 2u);
    EXPECT_EQ(ReadAccessibleTree(graph.hwnd()).focus, 3);
    Key(graph.hwnd(), VK_LEFT);
    EXPECT_EQ(ReadAccessibleTree(graph.hwnd()).focus, 2);

    // Enter: the access point's details, its row selected in the main window.
    bool shown = false;
    a.apMore.onShown = [&] {
        shown = true;
        a.apMore.EndModal(IDOK);
    };
    SendMessageW(a.channels.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    EXPECT_TRUE(shown);
    ASSERT_GE(a.main.ap_lst.SelectedRow(), 0);
    EXPECT_EQ(a.main.ap_lst.Cell(a.main.ap_lst.SelectedRow(), 0), "02:00:00:00:00:03");
}

}  // namespace
