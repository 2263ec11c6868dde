#pragma once
// The demo scenario and the program's calls of one scan pass, as the benchmarks run them.
#include <benchmark/benchmark.h>

#include <string>

#include "wireless/wlan_api.h"

inline std::string DemoScenarioPath() { return std::string(VELLUMAR_SOURCE_DIR) + "/scenarios/demo.json"; }

// The interfaces, then each one's capability, networks and BSS list, and with `scan`
// the fresh scan the pass asks for.
inline void DemoPass(wlan::WlanApi& api, wlan::Handle h, bool scan) {
    using namespace wlan;
    WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api);
    api.WlanEnumInterfaces(h, nullptr, list.out());
    for (const auto& info : Entries(list.get())) {
        WlanBuffer<WLAN_INTERFACE_CAPABILITY> cap(api);
        WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> nets(api);
        WlanBuffer<WLAN_BSS_LIST> bss(api);
        api.WlanGetInterfaceCapability(h, &info.InterfaceGuid, nullptr, cap.out());
        api.WlanGetAvailableNetworkList(h, &info.InterfaceGuid, kIncludeAllAdhocProfiles, nullptr, nets.out());
        api.WlanGetNetworkBssList(h, &info.InterfaceGuid, nullptr, kBssTypeAny, false, nullptr, bss.out());
        if (scan) api.WlanScan(h, &info.InterfaceGuid, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(bss.get());
    }
}
