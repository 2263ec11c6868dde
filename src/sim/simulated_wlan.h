#pragma once
// The simulated Native Wifi service: answers the Native Wifi calls from a
// scenario, in buffers of the platform's layouts that WlanFreeMemory releases.
#include <cstdint>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "sim/scenario.h"
#include "wireless/wlan_api.h"

namespace wlan::sim {

// Where the reason for a scenario that cannot be loaded goes.
using Reporter = std::function<void(const std::string& reason)>;
void ReportToStandardError(const std::string& reason);

class SimulatedWlan : public WlanApi {
public:
    // The file is read by the first WlanOpenHandle; a failure is passed to report.
    explicit SimulatedWlan(std::string scenarioPath, Reporter report = ReportToStandardError);
    explicit SimulatedWlan(std::shared_ptr<const Scenario> scenario);
    ~SimulatedWlan() override;

    uint32_t WlanOpenHandle(uint32_t clientVersion, void* reserved, uint32_t* negotiatedVersion,
                            Handle* clientHandle) override;
    uint32_t WlanCloseHandle(Handle clientHandle, void* reserved) override;
    uint32_t WlanEnumInterfaces(Handle clientHandle, void* reserved, WLAN_INTERFACE_INFO_LIST** interfaceList) override;
    uint32_t WlanGetInterfaceCapability(Handle clientHandle, const GUID* interfaceGuid, void* reserved,
                                        WLAN_INTERFACE_CAPABILITY** capability) override;
    uint32_t WlanQueryInterface(Handle clientHandle, const GUID* interfaceGuid, uint32_t opCode, void* reserved,
                                uint32_t* dataSize, void** data, uint32_t* valueType) override;
    uint32_t WlanGetAvailableNetworkList(Handle clientHandle, const GUID* interfaceGuid, uint32_t flags, void* reserved,
                                         WLAN_AVAILABLE_NETWORK_LIST** networkList) override;
    uint32_t WlanGetNetworkBssList(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                                   uint32_t bssType, bool securityEnabled, void* reserved,
                                   WLAN_BSS_LIST** bssList) override;
    uint32_t WlanScan(Handle clientHandle, const GUID* interfaceGuid, const DOT11_SSID* ssid,
                      const WLAN_RAW_DATA* ieData, void* reserved) override;
    // Keeps the handler for the handle; it is called from within WlanEnumInterfaces
    // with the link's changes and the completed scans of the new epoch.
    uint32_t WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) override;
    void WlanFreeMemory(void* memory) override;

    uint64_t Epoch() const { return epoch_; }
    size_t LiveBuffers() const { return buffers_.size(); }  // allocated and not yet released

private:
    // The scenario interface with that GUID listed in the current epoch: its index in the file.
    std::optional<size_t> Find(const GUID* guid) const;
    // Checks handle, GUID and out-pointer; then the scenario's faults for the call. 0: answer.
    uint32_t Check(Handle h, const GUID* guid, const void* reserved, const void* out, Call call,
                   std::optional<size_t>& index) const;
    uint32_t FaultFor(Call call, std::optional<size_t> index) const;
    void* Allocate(size_t size);
    uint32_t Value(const Varying& v, uint64_t epoch);
    void Use(std::shared_ptr<const Scenario> scenario);
    // The epoch the interface's network and BSS lists answer from.
    uint64_t ListEpoch(size_t index);
    // The link of an interface in an epoch: its BSSID, none when not connected.
    const std::array<uint8_t, 6>* LinkAt(const Interface& f, uint64_t epoch) const;
    // The notifications of the step from epoch_ - 1 to epoch_, to every registered handler.
    void Notify();
    uint32_t QueryConnection(const Interface& f, uint32_t opCode, uint32_t* dataSize, void** data);

    std::string path_;
    Reporter report_;
    std::shared_ptr<const Scenario> scenario_;
    uint32_t loadError_ = 0;
    bool loaded_ = false;
    std::optional<VaryingValues> values_;
    uint64_t epoch_ = 0;
    uintptr_t nextHandle_ = 0;
    std::set<uintptr_t> handles_;
    std::unordered_set<void*> buffers_;
    // Scans of the interfaces with a scan cache, by index in the file.
    struct ScanCache {
        std::optional<uint64_t> pending;  // the epoch of a request not yet completed
        uint64_t completed = 1;           // the epoch the last completed scan saw
    };
    std::vector<ScanCache> scans_;
    struct Listener {
        uint32_t sources = 0;
        NotificationHandler handler;
    };
    std::map<uintptr_t, Listener> listeners_;  // by handle
};

}  // namespace wlan::sim
