#pragma once
// What a recording keeps of each entity its file will hold: shared by the matching
// of each pass's answers to the entities (survey_recording.cpp) and the writer of
// the file (scenario_writer.cpp).
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "sim/scenario.h"
#include "survey/observed.h"
#include "survey/survey_recording.h"

namespace wlan {
namespace recording {

// The calls of a pass whose first result counts, in the order of sim::Call.
enum CallIndex { kEnum, kCapability, kQuery, kNetworks, kBss, kScan };
static_assert(kScan == static_cast<int>(sim::Call::Scan) && kBss == static_cast<int>(sim::Call::GetNetworkBssList));

struct StatisticsRecord {
    uint64_t fourWay = 0, tkip = 0;
    std::array<uint64_t, 12> unicast{}, multicast{};
    std::vector<std::array<uint64_t, 18>> phys;
    bool operator==(const StatisticsRecord&) const = default;
};

// A BSS entry as the file fixes it. The file has one value for each time stamp,
// and a real adapter's change with every beacon: they are kept from the entry's
// first answer, not made part of its identity, or each pass would add every
// entry anew.
struct BssKey {
    WLAN_BSS_ENTRY entry;
    std::vector<uint8_t> ies;
    bool operator==(const BssKey& o) const {
        return std::memcmp(&entry, &o.entry, sizeof entry) == 0 && ies == o.ies;
    }
};

}  // namespace recording

struct SurveyRecording::InterfaceSlot {
    GUID guid{};
    std::u16string description;
    std::optional<std::vector<uint32_t>> phyTypes;
    std::optional<recording::StatisticsRecord> statistics;
    Observed<uint32_t> state;
    Observed<bool> present;
    struct NetworkSlot {
        WLAN_AVAILABLE_NETWORK key;
        Observed<uint32_t> bssids, quality;
        Observed<bool> present;
    };
    struct BssSlot {
        recording::BssKey key;
        uint64_t timestamp = 0, hostTimestamp = 0;
        Observed<uint32_t> rssi, linkQuality;
        Observed<bool> present;
    };
    // The link: its fixed values from the first answer that had one, the rest by epoch.
    struct ConnectionSlot {
        std::optional<WLAN_CONNECTION_ATTRIBUTES> fixed;
        Observed<bool> connected;
        Observed<uint64_t> bssid;
        Observed<uint32_t> quality, rxRate, txRate, rssi, channel;
    };
    ConnectionSlot connection;
    std::vector<NetworkSlot> networks;  // in file order
    std::vector<BssSlot> bss;
    uint32_t firstNetworks = 0, firstBss = 0;  // the first epochs these lists were answered
};

}  // namespace wlan
