// One scan pass with 100 networks and 300 access points, against the simulated
// service, with lists, chart and message box that do nothing. Goal: median under 0.5 ms.
// Then the same pass through the list views, unsorted and sorted and filtered, into
// lists that count the cells a pass had to rewrite (0 when nothing changed).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/simulated_wlan.h"
#include "survey/list_view_model.h"
#include "survey/survey_views.h"
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

// Keeps the cells and counts those that change, as the list view does.
class CountingList : public VectorReportList {
public:
    void SetRow(int row, const ReportRow& content) override {
        ReportRow& old = rows.at(static_cast<size_t>(row));
        cells += old.caption != content.caption;
        for (size_t k = 0; k < content.subItems.size(); ++k)
            cells += k >= old.subItems.size() || old.subItems[k] != content.subItems[k];
        old = content;
    }
    long cells = 0;
};

struct Timing {
    double median, p90;
};

template <typename Pass>
Timing Measure(int warmUp, int passes, Pass pass) {
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(passes));
    for (int k = 0; k < warmUp + passes; ++k) {
        const auto start = std::chrono::steady_clock::now();
        pass();
        const auto stop = std::chrono::steady_clock::now();
        if (k >= warmUp) ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10]};
}

// Unchanging values, so that a pass after the first has nothing to rewrite.
std::string SteadyScenario() {
    std::string json = R"({"interfaces": [{"phy_types": [5, 6, 7, 8], "networks": [)";
    for (int k = 0; k < 100; ++k)
        json += (k ? "," : "") + std::string(R"({"ssid": "Network )") + std::to_string(k) + R"(", "quality": )" +
                std::to_string(20 + k * 7 % 80) + R"(, "auth": )" + (k % 3 ? "7" : "1") + "}";
    json += R"(], "bss": [)";
    for (int k = 0; k < 300; ++k) {
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:00:00:00:%02X:%02X", k >> 8, k & 0xFF);
        json += (k ? "," : "") + std::string(R"({"bssid": ")") + mac + R"(", "ssid": "Network )" +
                std::to_string(k % 100) + R"(", "rssi": )" + std::to_string(-40 - k * 13 % 50) +
                R"(, "frequency_khz": )" + (k % 2 ? "5180000" : "2437000") + "}";
    }
    return json + "]}]}";
}

// The pass through the views: unsorted, or sorted by signal and filtered.
int BenchViews() {
    auto loaded = wlan::sim::LoadScenarioText(SteadyScenario(), "steady.json");
    if (!loaded) return 1;
    wlan::sim::SimulatedWlan api(loaded.scenario);
    ScanState state(api);
    if (state.client.Open() != 0) return 1;
    state.knownAPs.emplace();
    NullChart chart;
    NullMessages messages;

    struct Views {
        ListViewModel adapters{AdapterColumns()}, networks{NetworkColumns()}, aps{AccessPointColumns()};
        CountingList adapterList, networkList, apList;
        SurveyFacts facts;
        RowFilter filter;
        long Cells() const { return adapterList.cells + networkList.cells + apList.cells; }
    };
    auto run = [&](Views& v) {
        ScanLists lists{v.adapters, v.networks, v.aps};
        ScanPass(state, lists, chart, messages, nullptr);
        v.facts.Collect(v.networks.Rows(), v.aps.Rows());
        v.adapters.Present(v.adapterList);
        v.networks.Present(v.networkList);
        v.aps.Present(v.apList);
    };
    Views plain, sorted;
    sorted.networks.SetSort({1, true});
    sorted.aps.SetSort({3, false});
    sorted.filter = RowFilter("network 1 2.4");
    sorted.networks.SetFilter([&](const ReportRow& row) { return sorted.filter.Matches(NetworkRowFacts(row, sorted.facts)); });
    sorted.aps.SetFilter([&](const ReportRow& row) {
        return sorted.filter.Matches(AccessPointRowFacts(row, sorted.facts, -1));
    });

    constexpr int kWarmUp = 20, kPasses = 1000;
    run(plain);
    run(sorted);
    const long plainFirst = plain.Cells(), sortedFirst = sorted.Cells();
    const Timing unsorted = Measure(kWarmUp, kPasses, [&] { run(plain); });
    const Timing filtered = Measure(kWarmUp, kPasses, [&] { run(sorted); });
    std::printf("Views, unsorted: median %.4f ms, p90 %.4f ms; %d of %d networks, %d of %d access points shown; "
                "cells written: %ld by the first pass, %ld by %d unchanged passes\n",
                unsorted.median, unsorted.p90, plain.networks.ShownCount(), plain.networks.TotalCount(),
                plain.aps.ShownCount(), plain.aps.TotalCount(), plainFirst, plain.Cells() - plainFirst, kWarmUp + kPasses);
    std::printf("Views, sorted and filtered: median %.4f ms, p90 %.4f ms (%.2fx unsorted); %d of %d networks, "
                "%d of %d access points shown; cells written: %ld by the first pass, %ld by %d unchanged passes %s\n",
                filtered.median, filtered.p90, filtered.median / unsorted.median, sorted.networks.ShownCount(),
                sorted.networks.TotalCount(), sorted.aps.ShownCount(), sorted.aps.TotalCount(), sortedFirst,
                sorted.Cells() - sortedFirst, kWarmUp + kPasses,
                plain.Cells() == plainFirst && sorted.Cells() == sortedFirst ? "OK" : "REWRITES");
    state.interfaceList.reset();
    state.bssList.reset();
    state.client.Close();
    return 0;
}

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
    if (state.client.Open() != 0) return 1;
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
    state.client.Close();
    return BenchViews();
}
