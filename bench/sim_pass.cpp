// What one scan pass costs the simulated service: the demo scenario's four
// calls and their release, late in a long run (walks step on from the last epoch).
#include <benchmark/benchmark.h>

#include <string>

#include "demo_pass.h"
#include "sim/simulated_wlan.h"

namespace {

using namespace wlan;

void BM_DemoPass(benchmark::State& state) {
    sim::SimulatedWlan api(DemoScenarioPath());
    ClientHandle client(api);
    if (client.Open() != 0) {
        state.SkipWithError("demo scenario did not load");
        return;
    }
    for (int k = 0; k < 100000; ++k) {  // a day of one-second passes, and more
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        api.WlanEnumInterfaces(client.get(), nullptr, list.out());
    }
    for (auto _ : state) DemoPass(api, client.get(), false);
}
BENCHMARK(BM_DemoPass);

void BM_LoadDemo(benchmark::State& state) {
    const std::string path = DemoScenarioPath();
    for (auto _ : state) benchmark::DoNotOptimize(sim::LoadScenarioFile(path));
}
BENCHMARK(BM_LoadDemo);

}  // namespace

BENCHMARK_MAIN();
