// An access point that takes a new name every beacon, and one that makes up a new
// address: 100,000 names through the chart and the known-access-point set, one pass a
// second. Prints the pass time and the resident memory early and late in the run; both
// stay flat once the chart's cap and the hour's retirement hold the lines.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "resident_memory.h"
#include "survey/scan_chart.h"
#include "wireless/scan_pass.h"

namespace {

struct Figures {
    double microsecondsPerPass = 0;
    long residentKiB = 0;
    size_t lines = 0;
};

}  // namespace

int main() {
    TStripChart chart;
    chart.SetSize(800, 240);
    TNetworkChart networks(chart, nullptr, 1);
    uint64_t now = 0;
    networks.SetClock([&] { return now; });
    StripScanChart points(chart, networks);
    KnownAccessPoints known;

    constexpr int kPasses = 100'000;
    constexpr int kWindow = 2'000;
    std::vector<Figures> figures;
    auto started = std::chrono::steady_clock::now();
    std::vector<std::string> names;
    for (int pass = 0; pass < kPasses; ++pass) {
        names = {"Office", "Guest", "rotating-" + std::to_string(pass)};
        points.PassStarted();
        for (const std::string& n : names) points.NetworkListed(n, 60);
        points.InterfaceNetworks(names);
        known.Add("02:00:" + std::to_string(pass));
        points.PassCompleted();
        now += 1000;
        if ((pass + 1) % kWindow == 0) {
            const auto ended = std::chrono::steady_clock::now();
            figures.push_back({std::chrono::duration<double, std::micro>(ended - started).count() / kWindow,
                               ResidentKiB(), chart.LineCount()});
            started = ended;
        }
    }
    std::printf("%-12s %14s %14s %8s\n", "passes", "us per pass", "resident KiB", "lines");
    for (size_t i = 0; i < figures.size(); i += figures.size() / 10)
        std::printf("%-12zu %14.1f %14ld %8zu\n", (i + 1) * kWindow, figures[i].microsecondsPerPass,
                    figures[i].residentKiB, figures[i].lines);
    const Figures& last = figures.back();
    std::printf("%-12d %14.1f %14ld %8zu\n", kPasses, last.microsecondsPerPass, last.residentKiB, last.lines);
    std::printf("known access points: %zu (cap %zu)\n", known.Count(), KnownAccessPoints::kMaxCount);
    return 0;
}
