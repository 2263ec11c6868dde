#include "wireless/scan_pass.h"

#include <algorithm>
#include <cstddef>

#include "common/air_text.h"
#include "common/text.h"
#include "common/user_text.h"
#include "wireless/information_elements.h"
#include "wireless/value_text.h"
#include "wireless/vendor.h"

using namespace wlan;

namespace {

constexpr uint32_t kStateDisconnecting = 3;
constexpr uint32_t kStateDisconnected = 4;

// The network-row codes: i * 100 + j below 100 entries, and beyond that
// -1 - (i << 16 | j), which can never equal a positive code.
constexpr uint32_t kEntriesPerInterface = 100;
constexpr uint32_t kWideEntryBits = 16;
constexpr uint32_t kWideInterfaceLimit = 0x7FFF;

// Makes row `row` exist, appending one row at a time.
void EnsureRow(ReportList& list, int row) {
    while (list.RowCount() <= row) list.AppendRow();
}

void TrimRows(ReportList& list, int count) {
    while (list.RowCount() > count) list.DeleteLastRow();
}

void ClearDetailLists(ScanLists& lists) {
    lists.accessPoints.Clear();
    lists.networks.Clear();
}

// Steps of one interface; the code of the call that ends the pass there, or 0.
uint32_t ScanInterface(ScanState& state, ScanLists& lists, ScanChart& chart, MessageSink& messages, TRunLog* log,
                       uint32_t i, const WLAN_INTERFACE_INFO& info) {
    const int row = static_cast<int>(i);
    ReportRow adapter;
    {
        WlanBuffer<WLAN_INTERFACE_CAPABILITY> capability(state.api);
        const uint32_t rc = state.api.WlanGetInterfaceCapability(state.client.get(), &info.InterfaceGuid, nullptr,
                                                                 capability.out());
        if (rc == kErrorNotSupported) {
            LogAdd(log, "WlanGetInterfaceCapability failed - Not supported command. Likely radio switched off",
                   LogLevel::Verbose);
        } else if (rc != 0) {
            ReportError(log, messages, ErrorText("WlanGetInterfaceCapability", rc, CodeSign::Unsigned));
        }
        if (rc != 0) {
            ClearDetailLists(lists);
            return rc;
        }
        adapter.caption = InterfaceDescriptionText(info);
        adapter.subItems = {InterfaceStateText(info.isState), CapabilityPhyListText(*capability)};
        adapter.image = ImageIndex(ListImage::Adapter);
        adapter.data = row;
    }
    EnsureRow(lists.adapters, row);
    lists.adapters.SetRow(row, adapter);

    {
        WlanBuffer<WLAN_AVAILABLE_NETWORK_LIST> networks(state.api);
        const uint32_t rc = state.api.WlanGetAvailableNetworkList(state.client.get(), &info.InterfaceGuid,
                                                                  kIncludeAllAdhocProfiles, nullptr, networks.out());
        if (rc != 0) {
            if (rc != kErrorRadioOff) {
                const std::string text = ErrorText("WlanGetAvailableNetworkList", rc, CodeSign::Unsigned);
                LogAdd(log, text, LogLevel::Error);
                LogAdd(log, adapter.caption + " / " + adapter.subItems[0], LogLevel::Verbose);
                if (info.isState != kStateDisconnecting && info.isState != kStateDisconnected)
                    messages.ShowMessage(text);
            }
            ClearDetailLists(lists);
            return rc;
        }

        std::vector<std::string> passNames;
        int k = 0;
        uint32_t j = 0;
        for (const WLAN_AVAILABLE_NETWORK& network : Entries(networks.get())) {
            const uint32_t entry = j++;
            if (network.bNetworkConnectable == 0 || network.strProfileName[0] != 0) continue;
            ReportRow net;
            net.caption = NameOrHidden(network.dot11Ssid);
            net.subItems = {QualityText(network.wlanSignalQuality),
                            AuthAlgorithmText(network.dot11DefaultAuthAlgorithm),
                            CipherAlgorithmText(network.dot11DefaultCipherAlgorithm)};
            net.image = ImageIndex(ListImage::Network);
            net.subItemImages = {ImageIndex(QualityImage(network.wlanSignalQuality)),
                                 ImageIndex(AuthImage(network.dot11DefaultAuthAlgorithm)),
                                 ImageIndex(CipherImage(network.dot11DefaultCipherAlgorithm))};
            net.data = NetworkRowData(i, entry);
            EnsureRow(lists.networks, k);
            lists.networks.SetRow(k, net);
            passNames.push_back(net.caption);
            chart.NetworkListed(net.caption, network.wlanSignalQuality);
            ++k;
        }
        TrimRows(lists.networks, k);
        chart.InterfaceNetworks(passNames);
    }

    state.bssList.reset();
    const uint32_t rc = state.api.WlanGetNetworkBssList(state.client.get(), &info.InterfaceGuid, nullptr, kBssTypeAny,
                                                        false, nullptr, state.bssList.out());
    if (rc != 0) {
        ReportError(log, messages, ErrorText("WlanGetNetworkBssList", rc, CodeSign::Unsigned));
        lists.accessPoints.Clear();
        return rc;
    }
    if (!state.knownAPs) state.knownAPs.emplace();
    int j = 0;
    for (const WLAN_BSS_ENTRY& entry : BssEntries(state.bssList.get())) {
        ReportRow ap;
        ap.caption = MacAddressText(entry.dot11Bssid);
        const std::string ssid = NameOrHidden(entry.dot11Ssid);
        if (state.knownAPs->Add(ap.caption))
            LogAdd(log, "New AP found : " + ap.caption + " (for :" + AirTextForLog(ssid) + ")", LogLevel::Info);
        else if (state.knownAPs->TakeFullNotice())
            LogAdd(log,
                   "More than " + std::to_string(KnownAccessPoints::kMaxCount) +
                       " access points: new ones are no longer logged",
                   LogLevel::Info);
        const InformationElements ie =
            ParseInformationElements(BssEntryElementBytes(state.bssList.get(), static_cast<size_t>(j)));
        ap.subItems = {ssid,
                       ChannelText(entry.ulChCenterFrequency),
                       RssiText(entry.lRssi),
                       VendorText(entry.dot11Bssid),
                       GenerationShortText(ie, entry.ulChCenterFrequency),
                       WidthText(ie)};
        ap.image = ImageIndex(ListImage::AccessPoint);
        ap.data = j;
        EnsureRow(lists.accessPoints, j);
        lists.accessPoints.SetRow(j, ap);
        ++j;
    }
    TrimRows(lists.accessPoints, j);
    return 0;
}

}  // namespace

bool KnownAccessPoints::Add(std::string_view caption) {
    std::string key = AsciiLowerCase(caption);
    if (keys_.size() >= kMaxCount) {
        if (!keys_.contains(key) && !std::exchange(full_, true)) fullNotice_ = true;
        return false;
    }
    return keys_.insert(std::move(key)).second;
}

bool KnownAccessPoints::Contains(std::string_view caption) const { return keys_.contains(AsciiLowerCase(caption)); }

uint32_t ScanPass(ScanState& state, ScanLists& lists, ScanChart& chart, MessageSink& messages, TRunLog* log) {
    const uint32_t rc = state.api.WlanEnumInterfaces(state.client.get(), nullptr, state.interfaceList.out());
    if (rc != 0) {
        // scanIdle stays clear: no later tick scans in this run.
        state.scanIdle = false;
        ReportError(log, messages, ErrorText("WlanEnumInterfaces", rc, CodeSign::Unsigned));
        ClearDetailLists(lists);
        return rc;
    }
    chart.PassStarted();
    uint32_t i = 0;
    for (const WLAN_INTERFACE_INFO& info : Entries(state.interfaceList.get())) {
        if (const uint32_t failed = ScanInterface(state, lists, chart, messages, log, i++, info)) {
            state.scanIdle = true;
            return failed;
        }
    }
    chart.PassCompleted();
    state.requests.Request(state.api, state.client.get(), state.interfaceList.get(), log);
    state.scanIdle = true;
    return 0;
}

std::optional<uint32_t> ScanTimerTick(ScanState& state, ScanLists& lists, ScanChart& chart, MessageSink& messages,
                                      TRunLog* log) {
    if (!state.scanIdle) return std::nullopt;
    state.scanIdle = false;
    return ScanPass(state, lists, chart, messages, log);
}

intptr_t NetworkRowData(uint32_t interfaceIndex, uint32_t entryIndex) {
    if (entryIndex < kEntriesPerInterface) {
        if (interfaceIndex > (INT32_MAX - entryIndex) / kEntriesPerInterface) return kNoNetworkRow;
        return static_cast<intptr_t>(interfaceIndex) * kEntriesPerInterface + entryIndex;
    }
    if (interfaceIndex >= kWideInterfaceLimit || entryIndex >> kWideEntryBits) return kNoNetworkRow;
    return -1 - static_cast<intptr_t>(interfaceIndex << kWideEntryBits | entryIndex);
}

std::optional<NetworkRowRef> DecodeNetworkRowData(intptr_t data) {
    if (data >= 0) {
        if (static_cast<uint64_t>(data) > uint64_t{INT32_MAX}) return std::nullopt;  // only where intptr_t is wider
        return NetworkRowRef{static_cast<uint32_t>(data / kEntriesPerInterface),
                             static_cast<uint32_t>(data % kEntriesPerInterface)};
    }
    if (data <= kNoNetworkRow) return std::nullopt;
    const auto code = static_cast<uint32_t>(-1 - data);
    const NetworkRowRef ref{code >> kWideEntryBits, code & ((1u << kWideEntryBits) - 1)};
    // Only indexes from 100 on are written this way; anything else is no row's data.
    if (ref.entryIndex < kEntriesPerInterface || ref.interfaceIndex >= kWideInterfaceLimit) return std::nullopt;
    return ref;
}

std::span<const WLAN_BSS_ENTRY> BssEntries(const WLAN_BSS_LIST* list) {
    if (!list) return {};
    constexpr size_t header = offsetof(WLAN_BSS_LIST, wlanBssEntries);
    const size_t room = list->dwTotalSize > header ? (list->dwTotalSize - header) / sizeof(WLAN_BSS_ENTRY) : 0;
    return Entries(list).first(std::min<size_t>(list->dwNumberOfItems, room));
}
