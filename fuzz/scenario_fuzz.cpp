// libFuzzer target: the scenario loader on arbitrary text, then a few epochs of the
// simulated service over whatever it accepted, every list read and released.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/scenario.h"
#include "sim/simulated_wlan.h"
#include "wireless/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto loaded = wlan::sim::LoadScenarioText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    if (!loaded) return 0;
    wlan::sim::SimulatedWlan service(loaded.scenario);
    uint32_t negotiated = 0;
    wlan::Handle handle{};
    if (service.WlanOpenHandle(2, nullptr, &negotiated, &handle) != 0) return 0;
    for (int epoch = 0; epoch < 4; ++epoch) {
        wlan::WLAN_INTERFACE_INFO_LIST* interfaces = nullptr;
        if (service.WlanEnumInterfaces(handle, nullptr, &interfaces) != 0) continue;
        for (const auto& info : wlan::Entries(interfaces)) {
            wlan::WLAN_AVAILABLE_NETWORK_LIST* networks = nullptr;
            if (service.WlanGetAvailableNetworkList(handle, &info.InterfaceGuid, 0, nullptr, &networks) == 0) {
                for (const auto& n : wlan::Entries(networks)) {
                    wlan::WLAN_BSS_LIST* bss = nullptr;
                    if (service.WlanGetNetworkBssList(handle, &info.InterfaceGuid, &n.dot11Ssid, n.dot11BssType,
                                                      n.bSecurityEnabled != 0, nullptr, &bss) == 0)
                        service.WlanFreeMemory(bss);
                }
                service.WlanFreeMemory(networks);
            }
            uint32_t dataSize = 0;
            void* stats = nullptr;
            if (service.WlanQueryInterface(handle, &info.InterfaceGuid, wlan::kWlanIntfOpcodeStatistics, nullptr,
                                           &dataSize, &stats, nullptr) == 0)
                service.WlanFreeMemory(stats);
            wlan::WLAN_INTERFACE_CAPABILITY* capability = nullptr;
            if (service.WlanGetInterfaceCapability(handle, &info.InterfaceGuid, nullptr, &capability) == 0)
                service.WlanFreeMemory(capability);
        }
        service.WlanFreeMemory(interfaces);
    }
    service.WlanCloseHandle(handle, nullptr);
    return 0;
}
