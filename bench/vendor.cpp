// The vendor column's cost: one lookup per access point and pass. Prints the
// compiled-in registry's size beside the lookup times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "wireless/information_elements.h"
#include "wireless/vendor.h"

namespace {

struct Mac {
    uint8_t bytes[6];
};

std::vector<Mac> Addresses(bool registered) {
    std::mt19937 random(7);
    std::vector<Mac> out;
    while (out.size() < 4096) {
        Mac m{};
        for (uint8_t& b : m.bytes) b = static_cast<uint8_t>(random());
        m.bytes[0] &= 0xFC;  // universal, unicast
        if (RegisteredVendor(m.bytes).empty() != registered) out.push_back(m);
    }
    return out;
}

void BM_VendorOfRegisteredPrefix(benchmark::State& state) {
    const auto macs = Addresses(true);
    size_t k = 0;
    for (auto _ : state) benchmark::DoNotOptimize(VendorText(macs[k++ % macs.size()].bytes));
}
BENCHMARK(BM_VendorOfRegisteredPrefix);

void BM_VendorOfUnknownPrefix(benchmark::State& state) {
    const auto macs = Addresses(false);
    size_t k = 0;
    for (auto _ : state) benchmark::DoNotOptimize(VendorText(macs[k++ % macs.size()].bytes));
}
BENCHMARK(BM_VendorOfUnknownPrefix);

// A Wi-Fi 7 beacon's elements, as the access-point list parses them every pass.
void BM_ParseWifi7Elements(benchmark::State& state) {
    const std::vector<uint8_t> elements = {
        0, 5, 'A', 't', 't', 'i', 'c', 1, 8, 0x8C, 0x12, 0x98, 0x24, 0xB0, 0x48, 0x60, 0x6C, 7, 6, 'D', 'E', ' ', 1,
        13, 20, 11, 5, 5, 0, 60, 0, 0, 48, 20, 1, 0, 0, 0x0F, 0xAC, 4, 1, 0, 0, 0x0F, 0xAC, 4, 1, 0, 0, 0x0F, 0xAC,
        8, 0x8C, 0, 255, 4, 35, 9, 0, 8, 255, 12, 36, 4, 0, 2, 0x2A, 0xFC, 0xFF, 37, 3, 39, 47, 6, 255, 9, 106, 1,
        0x44, 0x44, 0x44, 0x44, 4, 47, 63, 255, 4, 107, 0xB0, 1, 13};
    for (auto _ : state) {
        const InformationElements ie = ParseInformationElements(elements);
        benchmark::DoNotOptimize(GenerationShortText(ie, 6135000));
        benchmark::DoNotOptimize(WidthText(ie));
    }
}
BENCHMARK(BM_ParseWifi7Elements);

}  // namespace

int main(int argc, char** argv) {
    std::printf("vendor table: %zu prefixes, %zu bytes\n", VendorTablePrefixes(), VendorTableBytes());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
