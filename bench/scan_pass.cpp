// One scan pass with 100 networks and 300 access points, against the simulated
// service, with lists, chart and message box that do nothing. Goal: median under 0.5 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/simulated_wlan.h"
#include "wireless/scan_pass.h"

namespace {

class NullList : public ReportList {
public:
    int RowCount() const override { return rows_; }
    void AppendRow() override { ++rows_; }
    void SetRow(int, const ReportRow&) override {}
    void DeleteLastRow() override { --rows_; }
    void Clear() override { rows_ = 0; }

private:
    int rows_ = 0;
};

class NullChart : public ScanChart {
public:
    void PassStarted() override {}
    void NetworkListed(const std::string&, uint32_t) override {}
    void InterfaceNetworks(const std::vector<std::string>&) override {}
    void PassCompleted() override {}
};

class NullMessages : public MessageSink {
public:
    void ShowMessage(const std::string&) override {}
};

std::string Scenario() {
    std::string json = R"({"interfaces": [{"phy_types": [5, 6, 7, 8], "networks": [)";
    for (int k = 0; k < 100; ++k)
        json += (k ? "," : "") + std::string(R"({"ssid": "Network )") + std::to_string(k) + R"(", "quality": {"walk": [20, 95]}})";
    json += R"(], "bss": [)";
    for (int k = 0; k < 300; ++k) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:00:00:00:%02X:%02X", k >> 8, k & 0xFF);
        json += (k ? "," : "") + std::string(R"({"bssid": ")") + mac + R"(", "ssid": "Network )" +
                std::to_string(k % 100) + R"(", "rssi": {"walk": [-90, -40]}, "frequency_khz": )" +
                (k % 2 ? "5180000" : "2437000") + "}";
    }
    return json + "]}]}";
}

}  // namespace

int main() {
    auto loaded = wlan::sim::LoadScenarioText(Scenario(), "bench.json");
    if (!loaded) {
        std::fprintf(stderr, "%s\n", loaded.message.c_str());
        return 1;
    }
    wlan::sim::SimulatedWlan api(loaded.scenario);
    ScanState state(api);
    if (api.WlanOpenHandle(wlan::kClientVersion, nullptr, nullptr, &state.wlanHandle) != 0) return 1;
    state.knownAPs.emplace();
    NullList adapters, networks, aps;
    ScanLists lists{adapters, networks, aps};
    NullChart chart;
    NullMessages messages;

    constexpr int kWarmUp = 50, kPasses = 2000;
    std::vector<double> ms;
    ms.reserve(kPasses);
    for (int k = 0; k < kWarmUp + kPasses; ++k) {
        const auto start = std::chrono::steady_clock::now();
        ScanPass(state, lists, chart, messages, nullptr);
        const auto stop = std::chrono::steady_clock::now();
        if (k >= kWarmUp) ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("ScanPass, 100 networks and 300 BSS entries: median %.4f ms, p90 %.4f ms over %d passes "
                "(goal: median under 0.5 ms) %s\n",
                median, ms[ms.size() * 9 / 10], kPasses, median < 0.5 ? "OK" : "OVER");
    std::printf("rows: %d networks, %d access points\n", networks.RowCount(), aps.RowCount());
    state.interfaceList.reset();
    state.bssList.reset();
    state.CloseWlanHandle();
    return 0;
}
