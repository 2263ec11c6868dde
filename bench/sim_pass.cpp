// What one scan pass costs the simulated service: the demo scenario's four
// calls and their release, late in a long run (walks step on from the last epoch).
#include <benchmark/benchmark.h>

#include <string>

#include "sim/simulated_wlan.h"

namespace {

using namespace wlan;

void BM_DemoPass(benchmark::State& state) {
    sim::SimulatedWlan api(std::string(VELLUMAR_SOURCE_DIR) + "/scenarios/demo.json");
    Handle h = nullptr;
    if (api.WlanOpenHandle(1, nullptr, nullptr, &h) != 0) {
        state.SkipWithError("demo scenario did not load");
        return;
    }
    for (int k = 0; k < 100000; ++k) {  // a day of one-second passes, and more
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        api.WlanEnumInterfaces(h, nullptr, list.out());
    }
    for (auto _ : state) {
        WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
        api.WlanEnumInterfaces(h, nullptr, list.out());
        for (const auto& info : Entries(list.get())) {
            WlanBuffer<WLAN_INTERFACE_CAPABILITY> cap(api);
            WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> nets(api);
            WlanBuffer<WLAN_BSS_LIST> bss(api);
            api.WlanGetInterfaceCapability(h, &info.InterfaceGuid, nullptr, cap.out());
            api.WlanGetAvailableNetworkList(h, &info.InterfaceGuid, 1, nullptr, nets.out());
            api.WlanGetNetworkBssList(h, &info.InterfaceGuid, nullptr, 3, false, nullptr, bss.out());
            benchmark::DoNotOptimize(bss.get());
        }
    }
    api.WlanCloseHandle(h, nullptr);
}
BENCHMARK(BM_DemoPass);

void BM_LoadDemo(benchmark::State& state) {
    const std::string path = std::string(VELLUMAR_SOURCE_DIR) + "/scenarios/demo.json";
    for (auto _ : state) benchmark::DoNotOptimize(sim::LoadScenarioFile(path));
}
BENCHMARK(BM_LoadDemo);

}  // namespace

BENCHMARK_MAIN();
