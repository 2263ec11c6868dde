#include "wireless/detail_commands.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

#include "common/user_text.h"
#include "wireless/information_elements.h"
#include "wireless/value_text.h"
#include "wireless/vendor.h"

using namespace wlan;

namespace {

constexpr uint32_t kStateConnected = 1;
constexpr uint32_t kMaxPhys = 64;

// No usable row: the verbose line, then the box.
// The line comes first: the box's message loop may end the window that owns the log.
void AskForSelection(DetailContext& context, const std::string& message, std::string_view logLine) {
    LogAdd(context.log, logLine, LogLevel::Verbose);
    context.messages.ShowMessage(message);
}

// The counters of the two frame-statistics records, in record order.
struct MacCounter { std::string_view caption; uint64_t WLAN_MAC_FRAME_STATISTICS::*field; };
constexpr MacCounter kMacCounters[] = {
    {"Transmitted Frame Count", &WLAN_MAC_FRAME_STATISTICS::ullTransmittedFrameCount},
    {"ReceivedFrameCount", &WLAN_MAC_FRAME_STATISTICS::ullReceivedFrameCount},
    {"WEP Excluded Count", &WLAN_MAC_FRAME_STATISTICS::ullWEPExcludedCount},
    {"TKIP Local MIC Failures", &WLAN_MAC_FRAME_STATISTICS::ullTKIPLocalMICFailures},
    {"TKIP Replays", &WLAN_MAC_FRAME_STATISTICS::ullTKIPReplays},
    {"TKIP ICV Error Count", &WLAN_MAC_FRAME_STATISTICS::ullTKIPICVErrorCount},
    {"CCMP Replays", &WLAN_MAC_FRAME_STATISTICS::ullCCMPReplays},
    {"CCMP Decrypt Errors", &WLAN_MAC_FRAME_STATISTICS::ullCCMPDecryptErrors},
    {"WEP Undecryptable Count", &WLAN_MAC_FRAME_STATISTICS::ullWEPUndecryptableCount},
    {"WEP ICV Error Count", &WLAN_MAC_FRAME_STATISTICS::ullWEPICVErrorCount},
    {"Decrypt Success Count", &WLAN_MAC_FRAME_STATISTICS::ullDecryptSuccessCount},
    {"Decrypt Failure Count", &WLAN_MAC_FRAME_STATISTICS::ullDecryptFailureCount},
};

struct PhyCounter { std::string_view caption; uint64_t WLAN_PHY_FRAME_STATISTICS::*field; };
constexpr PhyCounter kPhyCounters[] = {
    {"Transmitted Frame Count", &WLAN_PHY_FRAME_STATISTICS::ullTransmittedFrameCount},
    {"Multicast Transmitted Frame Count", &WLAN_PHY_FRAME_STATISTICS::ullMulticastTransmittedFrameCount},
    {"Failed Count", &WLAN_PHY_FRAME_STATISTICS::ullFailedCount},
    {"Retry Count", &WLAN_PHY_FRAME_STATISTICS::ullRetryCount},
    {"Multiple Retry Count", &WLAN_PHY_FRAME_STATISTICS::ullMultipleRetryCount},
    {"Max TX Lifetime Exceeded Count", &WLAN_PHY_FRAME_STATISTICS::ullMaxTXLifetimeExceededCount},
    {"Transmitted Fragment Count", &WLAN_PHY_FRAME_STATISTICS::ullTransmittedFragmentCount},
    {"RTS Success Count", &WLAN_PHY_FRAME_STATISTICS::ullRTSSuccessCount},
    {"RTS Failure Count", &WLAN_PHY_FRAME_STATISTICS::ullRTSFailureCount},
    {"ACK Failure Count", &WLAN_PHY_FRAME_STATISTICS::ullACKFailureCount},
    {"Received Frame Count", &WLAN_PHY_FRAME_STATISTICS::ullReceivedFrameCount},
    {"Multicast Received Frame Count", &WLAN_PHY_FRAME_STATISTICS::ullMulticastReceivedFrameCount},
    {"Promiscuous Received Frame Count", &WLAN_PHY_FRAME_STATISTICS::ullPromiscuousReceivedFrameCount},
    {"Max RX Lifetime Exceeded Count", &WLAN_PHY_FRAME_STATISTICS::ullMaxRXLifetimeExceededCount},
    {"Frame Duplicate Count", &WLAN_PHY_FRAME_STATISTICS::ullFrameDuplicateCount},
    {"Received Fragment Count", &WLAN_PHY_FRAME_STATISTICS::ullReceivedFragmentCount},
    {"Promiscuous Received Fragment Count", &WLAN_PHY_FRAME_STATISTICS::ullPromiscuousReceivedFragmentCount},
    {"FCS Error Count", &WLAN_PHY_FRAME_STATISTICS::ullFCSErrorCount},
};
static_assert(std::size(kMacCounters) * sizeof(uint64_t) == sizeof(WLAN_MAC_FRAME_STATISTICS));
static_assert(std::size(kPhyCounters) * sizeof(uint64_t) == sizeof(WLAN_PHY_FRAME_STATISTICS));

}  // namespace

void MoreAdapterCommand(DetailContext& context, SelectableList& adapters, AdapterStatsView& view) {
    if (adapters.RowCount() == 1) adapters.SelectRow(0);
    const int row = adapters.SelectedRow();
    const auto interfaces = Entries(context.state.interfaceList.get());
    // A row left from an interface that has gone since refers to nothing.
    const intptr_t index = row >= 0 ? adapters.RowData(row) : -1;
    if (index < 0 || static_cast<size_t>(index) >= interfaces.size()) {
        AskForSelection(context, "Please select a network adapter.", "No network adapter selected");
        return;
    }
    const GUID guid = interfaces[static_cast<size_t>(index)].InterfaceGuid;
    const uint32_t state = interfaces[static_cast<size_t>(index)].isState;

    WlanApi& api = context.state.api;
    WlanBuffer<WLAN_INTERFACE_CAPABILITY> capability(api);
    if (uint32_t rc = api.WlanGetInterfaceCapability(context.state.client.get(), &guid, nullptr, capability.out())) {
        ReportError(context.log, context.messages, ErrorText("WlanGetInterfaceCapability", rc, CodeSign::Signed));
        return;
    }
    if (state != kStateConnected) {
        LogAdd(context.log, "Selected Network Adapter is not connected", LogLevel::Error);
        context.messages.ShowMessage("Please select a connected network adapter");
        return;
    }
    uint32_t dataSize = 0;
    void* data = nullptr;
    uint32_t valueType = 0;
    uint32_t rc = api.WlanQueryInterface(context.state.client.get(), &guid, kWlanIntfOpcodeStatistics, nullptr,
                                         &dataSize, &data, &valueType);
    WlanBuffer<WLAN_STATISTICS> stats(api, rc == 0 ? static_cast<WLAN_STATISTICS*>(data) : nullptr);
    // A record too short for its fixed counters cannot be shown.
    if (rc == 0 && (!stats || !capability || dataSize < offsetof(WLAN_STATISTICS, PhyCounters))) rc = kErrorInvalidData;
    if (rc != 0) {
        ReportError(context.log, context.messages, ErrorText("WlanQueryInterface", rc, CodeSign::Signed));
        return;
    }
    view.ShowStatistics(FormatAdapterStatistics(*stats, dataSize, *capability));
}

void MoreNetworkCommand(DetailContext& context, SelectableList& networks, NetworkView& view) {
    constexpr std::string_view kMessage = "Please select a network.", kLogLine = "No network selected";
    const int row = networks.SelectedRow();
    const std::optional<NetworkRowRef> ref = row >= 0 ? DecodeNetworkRowData(networks.RowData(row)) : std::nullopt;
    const auto interfaces = Entries(context.state.interfaceList.get());
    if (!ref || ref->interfaceIndex >= interfaces.size()) {
        AskForSelection(context, std::string(kMessage), kLogLine);
        return;
    }
    const GUID guid = interfaces[ref->interfaceIndex].InterfaceGuid;

    WlanApi& api = context.state.api;
    WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> list(api);
    if (uint32_t rc = api.WlanGetAvailableNetworkList(context.state.client.get(), &guid, kIncludeAllAdhocProfiles, nullptr,
                                                      list.out())) {
        ReportError(context.log, context.messages, ErrorText("WlanGetAvailableNetworkList", rc, CodeSign::Signed));
        return;
    }
    // The list may have shrunk since the pass that wrote the row.
    const auto entries = Entries(list.get());
    if (ref->entryIndex >= entries.size()) {
        AskForSelection(context, std::string(kMessage), kLogLine);
        return;
    }
    const WLAN_AVAILABLE_NETWORK network = entries[ref->entryIndex];
    view.ShowNetwork(network);
}

void MoreAccessPointCommand(DetailContext& context, SelectableList& accessPoints, AccessPointView& view) {
    const int row = accessPoints.SelectedRow();
    const auto entries = BssEntries(context.state.bssList.get());
    const intptr_t index = row >= 0 ? accessPoints.RowData(row) : -1;
    if (index < 0 || static_cast<size_t>(index) >= entries.size()) {
        AskForSelection(context, "Please select an access point.", "No access point selected");
        return;
    }
    // The window keeps its own copy: passes may replace bssList while it is open.
    const WLAN_BSS_ENTRY entry = entries[static_cast<size_t>(index)];
    const auto bytes = BssEntryElementBytes(context.state.bssList.get(), static_cast<size_t>(index));
    const std::vector<uint8_t> elements(bytes.begin(), bytes.end());
    view.ShowAccessPoint(entry, elements);
}

DetailRows NetworkDetailRows(const WLAN_AVAILABLE_NETWORK& network) {
    return {
        {"Profile Name", ProfileNameText(network)},
        {"SSID", NameOrHidden(network.dot11Ssid)},
        {"Type", BssTypeText(network.dot11BssType)},
        {"# of APs", std::to_string(network.uNumberOfBssids)},
        {"Connectable", YesNo(network.bNetworkConnectable != 0)},
        {"Reason", std::to_string(static_cast<int32_t>(network.wlanNotConnectableReason))},
        {"802.11 Capabilities", NetworkPhyListText(network)},
        {"More 802.11 Capabilities", YesNo(network.bMorePhyTypes != 0)},
        {"Signal Quality", QualityText(network.wlanSignalQuality)},
        {"Authentication", AuthAlgorithmText(network.dot11DefaultAuthAlgorithm)},
        {"Cipher", CipherAlgorithmText(network.dot11DefaultCipherAlgorithm)},
    };
}

DetailRows AccessPointDetailRows(const WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements) {
    const uint32_t beaconMs = uint32_t{entry.usBeaconPeriod} * 1024 / 1000;  // time units of 1024 µs
    const InformationElements ie = ParseInformationElements(elements);
    const uint32_t frequency = entry.ulChCenterFrequency;
    // Without elements nothing is known of these, not even that they are absent.
    auto flag = [&](bool value) { return ie.count ? YesNo(value) : std::string(); };
    return {
        {"SSID", NameOrHidden(entry.dot11Ssid)},
        {"PHY id", std::to_string(entry.uPhyId)},
        {"MAC", MacAddressText(entry.dot11Bssid)},
        {"Type", BssTypeText(entry.dot11BssType)},
        {"802.11 Phy", BssPhyTypeText(entry.dot11BssPhyType)},
        {"RSSi", RssiText(entry.lRssi)},
        {"Link Quality", std::to_string(entry.uLinkQuality)},
        {"In reg. domain", YesNo(entry.bInRegDomain != 0)},
        {"Beacon Period", std::to_string(beaconMs) + " ms"},
        {"Time Stamp", std::to_string(entry.ullTimestamp)},
        {"Host Time Stamp", std::to_string(entry.ullHostTimestamp)},
        {"Capabilities", CapabilityInfoText(entry.usCapabilityInformation)},
        {"Channel / Frequency", std::to_string(static_cast<uint32_t>(FrequencyToChannel(entry.ulChCenterFrequency))) +
                                    " / " + GigahertzText(entry.ulChCenterFrequency) + " GHz"},
        {"Rates", RateSetText(entry.wlanRateSet)},
        {"Vendor", VendorText(entry.dot11Bssid)},
        {"Standard", GenerationLongText(ie, frequency)},
        {"Channel Width", WidthText(ie)},
        {"Center Channel", CentreChannelText(ie)},
        {"Stations", StationsText(ie)},
        {"Channel Utilization", ChannelUtilizationText(ie)},
        {"Country", CountryText(ie)},
        {"Security", SecurityText(ie)},
        {"Fast Roaming", FastRoamingText(ie)},
        {"WPS", flag(ie.wps)},
        {"MLO", flag(ie.multiLink)},
        {"Information Elements", ElementsSummaryText(ie)},
    };
}

uint32_t StatisticsPhyCount(const WLAN_STATISTICS& stats, uint32_t dataSize) {
    constexpr size_t header = offsetof(WLAN_STATISTICS, PhyCounters);
    const size_t room = dataSize > header ? (dataSize - header) / sizeof(WLAN_PHY_FRAME_STATISTICS) : 0;
    return static_cast<uint32_t>(std::min<size_t>({stats.dwNumberOfPhys, room, kMaxPhys}));
}

AdapterStatsTables FormatAdapterStatistics(const WLAN_STATISTICS& stats, uint32_t dataSize,
                                           const WLAN_INTERFACE_CAPABILITY& capability) {
    AdapterStatsTables t;
    const uint32_t supported = std::min<uint32_t>(capability.dwNumberOfSupportedPhys, std::size(capability.dot11PhyTypes));
    for (uint32_t i = 0; i < supported; ++i) t.phyColumns.push_back(PhyTypeText(capability.dot11PhyTypes[i]));

    t.general = {{"Four Way Handshake Failures", std::to_string(stats.ullFourWayHandshakeFailures)},
                 {"TKIP Counter Measures Invoked", std::to_string(stats.ullTKIPCounterMeasuresInvoked)}};

    // When the capability and the statistics disagree, the columns cannot be named.
    const uint32_t phys = StatisticsPhyCount(stats, dataSize);
    if (t.phyColumns.size() != phys) {
        t.phyColumns.clear();
        for (uint32_t i = 0; i < phys; ++i) t.phyColumns.push_back("Unknown (PHY" + std::to_string(i) + ")");
    }

    for (const auto& [caption, field] : kMacCounters)
        t.mac.push_back({std::string(caption), std::to_string(stats.MacUcastCounters.*field),
                         std::to_string(stats.MacMcastCounters.*field)});

    const WLAN_PHY_FRAME_STATISTICS* blocks = stats.PhyCounters;
    for (const auto& [caption, field] : kPhyCounters) {
        std::vector<std::string> row{std::string(caption)};
        for (uint32_t i = 0; i < phys; ++i) row.push_back(std::to_string(blocks[i].*field));
        t.phy.push_back(std::move(row));
    }
    return t;
}
