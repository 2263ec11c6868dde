#pragma once
// A scenario of the simulated Native Wifi service: what it reports, epoch by
// epoch. Loaded from a JSON file (scenarios/*.json) or from JSON text.
#include <array>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scenario_format.h"
#include "sim/varying.h"
#include "wireless/records.h"

namespace wlan::sim {

// Element k holds in epoch k + 1; epoch 0 takes the first, the last one repeats.
struct Presence {
    std::vector<bool> byEpoch{true};
    bool At(uint64_t epoch) const;
};

struct Network {
    std::u16string profile;
    DOT11_SSID ssid{};
    Presence present;
    uint32_t bssType = defaults::kBssType;
    Varying bssids = Varying::Constant(defaults::kBssids);
    bool connectable = true;
    int32_t reason = 0;
    std::vector<uint32_t> phyTypes{defaults::kPhyType};
    bool morePhyTypes = false;
    Varying quality = Varying::Constant(defaults::kQuality);
    bool security = true;
    uint32_t auth = defaults::kAuth;
    uint32_t cipher = defaults::kCipher;
    uint32_t flags = 0;
};

struct Bss {
    uint8_t bssid[6] = {};
    DOT11_SSID ssid{};
    Presence present;
    uint32_t phyId = 0;
    uint32_t bssType = defaults::kBssType;
    uint32_t phyType = defaults::kPhyType;
    Varying rssi = Varying::Constant(defaults::kRssi);
    Varying linkQuality = Varying::Constant(defaults::kLinkQuality);
    bool inRegDomain = true;
    uint16_t beaconPeriod = defaults::kBeaconPeriod;
    uint64_t timestamp = 0;
    uint64_t hostTimestamp = 0;
    uint16_t capability = defaults::kCapability;
    uint32_t frequencyKhz = defaults::kFrequencyKhz;
    std::vector<uint16_t> rates{std::begin(defaults::kRates), std::end(defaults::kRates)};
    std::vector<uint8_t> ies;  // the information elements, headers included
};

struct Statistics {
    uint64_t fourWayHandshakeFailures = 0;
    uint64_t tkipCountermeasuresInvoked = 0;
    std::array<uint64_t, 12> unicast{};
    std::array<uint64_t, 12> multicast{};
    std::vector<std::array<uint64_t, 18>> phys;
};

// The link an interface holds: its BSSID may change by epoch (a roam), and the
// link may come and go.
struct Connection {
    Presence connected;
    std::vector<std::array<uint8_t, 6>> bssids;  // by epoch, the list rule of varying values
    DOT11_SSID ssid{};
    std::u16string profile;
    uint32_t mode = 0;
    uint32_t phyType = defaults::kPhyType;
    uint32_t phyIndex = 0;
    Varying quality = Varying::Constant(defaults::kConnectionQuality);
    Varying rxRate = Varying::Constant(0), txRate = Varying::Constant(0);
    std::optional<Varying> rssi, channel;  // none: the BSS entry's
    bool security = true, oneX = false;
    uint32_t auth = defaults::kAuth;
    uint32_t cipher = defaults::kCipher;
    const std::array<uint8_t, 6>& BssidAt(uint64_t epoch) const;
};

struct Interface {
    GUID guid{};
    std::u16string description;
    Varying state = Varying::Constant(defaults::kInterfaceState);
    Presence present;
    std::vector<uint32_t> phyTypes{5, 6, 7};
    std::vector<Network> networks;
    std::vector<Bss> bss;
    Statistics statistics;
    std::optional<Connection> connection;
    // Networks and BSS entries answer from the epoch of the last completed
    // WlanScan, as a real adapter's cached results do.
    bool scanCache = false;
};

// In the order of kCallNames.
enum class Call { EnumInterfaces, GetInterfaceCapability, QueryInterface, GetAvailableNetworkList, GetNetworkBssList, Scan };

struct Fault {
    Call call = Call::EnumInterfaces;
    std::optional<size_t> interfaceIndex;  // index in the file; none: every interface
    std::optional<std::vector<uint64_t>> epochs;  // a list of epochs
    uint64_t from = 0;                     // else the range from..to
    std::optional<uint64_t> to;
    uint32_t result = 0;
    std::optional<uint32_t> opcode;  // WlanQueryInterface only; none: every opcode
    bool Matches(Call c, std::optional<size_t> iface, uint64_t epoch, std::optional<uint32_t> op = {}) const;
};

struct Scenario {
    uint64_t seed = 1;
    uint32_t openResult = 0;
    std::vector<Interface> interfaces;
    std::vector<Fault> faults;
};

struct LoadResult {
    std::shared_ptr<const Scenario> scenario;  // none on failure
    uint32_t error = 0;                        // 2 (cannot be read) or 13 (invalid)
    std::string message;                       // file, line and column where known, and what is wrong
    explicit operator bool() const { return scenario != nullptr; }
};

// The epoch from which every answer of the scenario stands as it is (a recording's
// last change); none when something changes for ever (a random walk, a scan cache).
std::optional<uint64_t> LastChangeEpoch(const Scenario& scenario);

// path is UTF-8. name stands for the file in messages.
LoadResult LoadScenarioFile(const std::string& path);
LoadResult LoadScenarioText(std::string_view json, std::string_view name = "<scenario>");

}  // namespace wlan::sim
