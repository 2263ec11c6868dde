#pragma once
// The three "More details" commands of the main window and the text of what
// their windows show. The window supplies the lists and the modal views.
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/run_log.h"
#include "wireless/records.h"
#include "wireless/scan_pass.h"

// A main-window list as a command sees it: rows with one integer each, and the selection.
class SelectableList {
public:
    virtual ~SelectableList() = default;
    virtual int RowCount() const = 0;
    virtual int SelectedRow() const = 0;  // -1: none
    virtual void SelectRow(int row) = 0;
    virtual intptr_t RowData(int row) const = 0;
};

// The adapter statistics as the three lists of its window show them.
struct AdapterStatsTables {
    std::vector<std::vector<std::string>> general;  // rows of {caption, value}
    std::vector<std::vector<std::string>> mac;      // rows of {caption, unicast, multicast}
    std::vector<std::string> phyColumns;            // captions of the PHY columns, in order
    std::vector<std::vector<std::string>> phy;      // 18 rows of {caption, one cell per PHY}
};

// The modal windows; each returns when the user closes it.
class AdapterStatsView {
public:
    virtual ~AdapterStatsView() = default;
    virtual void ShowStatistics(const AdapterStatsTables& tables) = 0;
};
class NetworkView {
public:
    virtual ~NetworkView() = default;
    virtual void ShowNetwork(const wlan::WLAN_AVAILABLE_NETWORK& network) = 0;
};
class AccessPointView {
public:
    virtual ~AccessPointView() = default;
    // elements: the entry's information elements; the view keeps its own copy of both.
    virtual void ShowAccessPoint(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements) = 0;
};

struct DetailContext {
    ScanState& state;
    MessageSink& messages;
    TRunLog* log;
};

void MoreAdapterCommand(DetailContext& context, SelectableList& adapters, AdapterStatsView& view);
void MoreNetworkCommand(DetailContext& context, SelectableList& networks, NetworkView& view);
void MoreAccessPointCommand(DetailContext& context, SelectableList& accessPoints, AccessPointView& view);

using DetailRows = std::vector<std::pair<std::string, std::string>>;  // caption, value
DetailRows NetworkDetailRows(const wlan::WLAN_AVAILABLE_NETWORK& network);
DetailRows AccessPointDetailRows(const wlan::WLAN_BSS_ENTRY& entry, std::span<const uint8_t> elements = {});

// dataSize: the size that the statistics query returned; PHY blocks beyond it (or
// beyond 64) are not read.
AdapterStatsTables FormatAdapterStatistics(const wlan::WLAN_STATISTICS& stats, uint32_t dataSize,
                                           const wlan::WLAN_INTERFACE_CAPABILITY& capability);
// The PHY blocks of a statistics record that fit in dataSize bytes, at most 64.
uint32_t StatisticsPhyCount(const wlan::WLAN_STATISTICS& stats, uint32_t dataSize);
