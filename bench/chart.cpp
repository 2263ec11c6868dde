// The chart's cost per scan pass and its memory over a long run, in the main
// window's configuration (505 x 145, 100 network lines).
//   Step vs one memmove of the picture: goal within 2x, drifting and jumping alike.
//   History storage after 86,400 steps (a day of passes) no higher than after 3,600.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "resident_memory.h"
#include "survey/strip_chart.h"

namespace {

constexpr int kLines = 100;

void MainWindowChart(TStripChart& chart) {
    chart.SetSize(505, 145);
    chart.SetGridColor(0);
    chart.SetBaseColor(0);
    chart.SetBaseLine(0);
    chart.SetGridSize(10);
    for (int i = 0; i < kLines; ++i) {
        TStripChartLine& line = chart.AddLine();
        line.Color = RgbColour(static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 91), static_cast<uint8_t>(i * 13));
        line.Position = 20 + i % 70;
    }
}

// Qualities drift a few points per pass, as heard signals do; `jumpy` makes every
// line jump anywhere between 0 and 100 on every pass (the longest segments).
void Feed(TStripChart& chart, std::mt19937& random, bool jumpy) {
    for (size_t i = 0; i < chart.LineCount(); ++i) {
        int32_t& q = chart.Line(i).Position;
        q = jumpy ? static_cast<int32_t>(random() % 101)
                  : std::clamp<int32_t>(q + static_cast<int32_t>(random() % 7) - 3, 0, 100);
    }
}

using Clock = std::chrono::steady_clock;

template <typename F>
double BatchNs(F&& call, int per_batch) {
    const auto start = Clock::now();
    for (int i = 0; i < per_batch; ++i) call();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / per_batch;
}

struct Timing {
    double move_ns, step_ns;
};

// The machine is shared: memmove and Step are timed in alternating batches and each
// takes its fastest batch, so both see the same conditions.
Timing TimeStep(bool jumpy) {
    std::vector<Colour> pixels(505 * 145, 0x123456);
    TStripChart chart;
    MainWindowChart(chart);
    std::mt19937 random(1);
    for (int i = 0; i < 1000; ++i) {  // past the start, histories in their steady state
        Feed(chart, random, jumpy);
        chart.Step();
    }
    // Feeding is the scan pass's work: the lines get their qualities before the batch.
    constexpr int kPerBatch = 100;
    std::vector<std::vector<int32_t>> qualities;
    Timing best{1e30, 1e30};
    for (int batch = 0; batch < 60; ++batch) {
        best.move_ns = std::min(best.move_ns, BatchNs([&] {
            std::memmove(pixels.data(), pixels.data() + 2, (pixels.size() - 2) * sizeof(Colour));
            benchmark::ClobberMemory();
            benchmark::DoNotOptimize(pixels.data());
        }, kPerBatch));

        qualities.clear();
        for (int i = 0; i < kPerBatch; ++i) {
            Feed(chart, random, jumpy);
            auto& q = qualities.emplace_back();
            for (size_t l = 0; l < chart.LineCount(); ++l) q.push_back(chart.Line(l).Position);
        }
        size_t next = 0;
        best.step_ns = std::min(best.step_ns, BatchNs([&] {
            const auto& q = qualities[next++];
            for (size_t l = 0; l < q.size(); ++l) chart.Line(l).Position = q[l];
            chart.Step();
            benchmark::DoNotOptimize(chart.Pixels().data());
        }, kPerBatch));
    }
    return best;
}

size_t HistoryBytes(const TStripChart& chart) {
    size_t bytes = 0;
    for (size_t i = 0; i < chart.LineCount(); ++i) bytes += chart.Line(i).History.Capacity() * sizeof(int32_t);
    return bytes;
}


}  // namespace

int main() {
    const Timing drift = TimeStep(false);
    const Timing jumpy = TimeStep(true);
    std::printf("chart 505x145, %d lines (fastest of 60 batches of 100)\n", kLines);
    std::printf("  memmove of the picture (%zu bytes): %8.2f us\n", size_t{505 * 145 * 4}, drift.move_ns / 1000);
    std::printf("  Step, qualities drifting +-3:          %8.2f us  = %.2f x memmove (goal <= 2)\n",
                drift.step_ns / 1000, drift.step_ns / drift.move_ns);
    std::printf("  Step, every line jumping 0..100:       %8.2f us  = %.2f x memmove (goal <= 2; memmove %.2f us)\n",
                jumpy.step_ns / 1000, jumpy.step_ns / jumpy.move_ns, jumpy.move_ns / 1000);

    TStripChart chart;
    MainWindowChart(chart);
    std::mt19937 random(3);
    size_t at_3600 = 0;
    long rss_3600 = 0;
    for (int pass = 1; pass <= 86400; ++pass) {
        Feed(chart, random, false);
        chart.Step();
        if (pass == 3600) at_3600 = HistoryBytes(chart), rss_3600 = ResidentKiB();
    }
    const size_t at_86400 = HistoryBytes(chart);
    const long rss_86400 = ResidentKiB();
    std::printf("  history storage after  3,600 steps:  %8zu bytes, process RSS %ld KiB\n", at_3600, rss_3600);
    std::printf("  history storage after 86,400 steps:  %8zu bytes, process RSS %ld KiB (%s)\n", at_86400, rss_86400,
                at_86400 <= at_3600 ? "no higher" : "HIGHER");
    std::printf("  values appended per line: %lld, kept per line: %zu\n",
                static_cast<long long>(chart.Line(0).History.Count()), chart.KeptHistory());
    return 0;
}
