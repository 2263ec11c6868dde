#pragma once
// Recording a survey: every answer of the Native Wifi service, pass by pass,
// kept as the entities of a scenario file that the simulated service replays
// answer for answer. A pass is one WlanEnumInterfaces call (one epoch); every
// other call belongs to the pass before it.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wireless/wlan_api.h"

namespace wlan {

// A number observed in some epochs: only its changes are kept, each as the
// distance in epochs and in value from the one before (variable-length, mostly
// two bytes), so a value that stands still costs nothing however long the
// recording runs, and one that walks a little costs little.
template <typename T>
class Observed {
public:
    void At(uint32_t epoch, T value);
    bool Empty() const { return changes_ == 0; }
    bool Constant() const { return changes_ <= 1; }
    T First() const { return first_; }
    // Values by epoch from epoch 1 to the last change; epochs before the first
    // observation take its value.
    std::vector<T> ByEpoch() const;
    size_t Changes() const { return changes_; }
    size_t Bytes() const { return bytes_.capacity(); }

private:
    std::vector<uint8_t> bytes_;
    size_t changes_ = 0;
    uint32_t lastEpoch_ = 0;
    T first_{}, last_{};
};

class SurveyRecording {
public:
    SurveyRecording();
    ~SurveyRecording();
    SurveyRecording(const SurveyRecording&) = delete;
    SurveyRecording& operator=(const SurveyRecording&) = delete;

    // The answers, as the service gave them. Nothing counts before the first
    // WlanEnumInterfaces; rc != 0 is a failed call (its out-pointer unused).
    void OpenHandle(uint32_t rc);
    void EnumInterfaces(uint32_t rc, const WLAN_INTERFACE_INFO_LIST* list);
    void Capability(const GUID& guid, uint32_t rc, const WLAN_INTERFACE_CAPABILITY* capability);
    void Statistics(const GUID& guid, uint32_t rc, const WLAN_STATISTICS* stats, uint32_t dataSize);
    void Networks(const GUID& guid, uint32_t rc, const WLAN_AVAILABLE_NETWORK_LIST* list);
    // Only the unfiltered list (any SSID, any BSS type) is a pass's whole picture.
    void BssList(const GUID& guid, uint32_t rc, const WLAN_BSS_LIST* list);
    void Scan(const GUID& guid, uint32_t rc);

    // Passes recorded, the one in progress included.
    uint64_t Passes() const { return epoch_; }
    // Takes the pass in progress into the recording; later answers in the same
    // pass are then left out. The program calls it when the recording stops.
    void Finish();
    // The scenario file of the passes taken in so far (UTF-8 JSON).
    std::string ScenarioText() const;
    // Bytes held for the recording, roughly: what a long recording costs.
    size_t MemoryUse() const;

    struct InterfaceSlot;

private:
    struct PendingInterface;
    struct Pending;
    void Commit();

    uint32_t epoch_ = 0;
    uint32_t committed_ = 0;  // the last epoch taken in
    std::optional<uint32_t> openResult_;
    std::unique_ptr<Pending> pending_;
    std::vector<std::unique_ptr<InterfaceSlot>> interfaces_;  // in file order
    uint32_t firstListed_ = 0;  // the first epoch whose interface list was answered
    struct Known;
    std::unique_ptr<Known> known_;  // the last capability and statistics, and slot, per interface GUID
    struct FaultRuns {
        int call;
        const InterfaceSlot* slot;  // none: every interface
        uint32_t result;
        std::vector<std::pair<uint32_t, uint32_t>> runs;  // from..to
    };
    std::vector<FaultRuns> faults_;
    void AddFault(int call, const InterfaceSlot* slot, uint32_t result, uint32_t epoch);
};

// A Native Wifi service in front of another: passes every call on and, while a
// recording is attached, shows it every answer. The service behind can be
// swapped when no handle or buffer of it is held.
class RecordingWlan : public WlanApi {
public:
    explicit RecordingWlan(WlanApi& service) : service_(&service) {}
    void Use(WlanApi& service) { service_ = &service; }
    WlanApi& Service() const { return *service_; }
    void Attach(SurveyRecording* recording) { recording_ = recording; }
    SurveyRecording* Recording() const { return recording_; }

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
    uint32_t WlanRegisterNotification(Handle clientHandle, uint32_t sources, NotificationHandler handler) override;
    void WlanFreeMemory(void* memory) override;

private:
    WlanApi* service_;
    SurveyRecording* recording_ = nullptr;
};

// When a recording is written again: at least every 10 seconds, so that a
// crash loses at most those.
class SaveSchedule {
public:
    static constexpr uint64_t kIntervalMs = 10000;
    explicit SaveSchedule(uint64_t nowMs) : last_(nowMs) {}
    bool Due(uint64_t nowMs) const { return nowMs - last_ >= kIntervalMs; }
    void Saved(uint64_t nowMs) { last_ = nowMs; }

private:
    uint64_t last_;
};

}  // namespace wlan
