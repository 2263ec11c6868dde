#pragma once
// Recording a survey: every answer of the Native Wifi service, pass by pass,
// kept as the entities of a scenario file that the simulated service replays
// answer for answer. A pass is one WlanEnumInterfaces call (one epoch); every
// other call belongs to the pass before it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wireless/wlan_api.h"

namespace wlan {

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
    // An answer to one of the link's opcodes (current connection, channel, RSSI).
    void Link(const GUID& guid, uint32_t opcode, uint32_t rc, const void* data, uint32_t dataSize);

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
    void CommitLink(InterfaceSlot& slot, const PendingInterface& calls, uint32_t epoch);

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
        std::optional<uint32_t> opcode;  // of a failed query
        const InterfaceSlot* slot;  // none: every interface
        uint32_t result;
        std::vector<std::pair<uint32_t, uint32_t>> runs;  // from..to
    };
    std::vector<FaultRuns> faults_;
    void AddFault(int call, const InterfaceSlot* slot, uint32_t result, uint32_t epoch,
                  std::optional<uint32_t> opcode = {});
};

}  // namespace wlan
