#pragma once
// The scan pass: once per timer tick it asks the Native Wifi service for the
// interfaces, their capability, networks and BSS lists, and rewrites the three
// main-window lists in place. The window supplies the lists, the message box and
// the chart; tests supply doubles.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/run_log.h"
#include "common/message_sink.h"
#include "common/report_list.h"
#include "wireless/scan_requests.h"
#include "wireless/wlan_api.h"

// The chart points of a pass.
class ScanChart {
public:
    virtual ~ScanChart() = default;
    virtual void PassStarted() = 0;                                           // after a successful enumeration
    virtual void NetworkListed(const std::string& name, uint32_t quality) = 0; // after each network row
    virtual void InterfaceNetworks(const std::vector<std::string>& names) = 0; // the names of one interface
    virtual void PassCompleted() = 0;                                         // once per completed pass
};

// Access-point captions already logged as new, compared ignoring case.
class KnownAccessPoints {
public:
    // Access points that make up addresses must not grow the set for ever: once full,
    // no more are added (nor logged as new).
    static constexpr size_t kMaxCount = 65536;
    // True when the caption was not known yet and has been added.
    bool Add(std::string_view caption);
    bool Contains(std::string_view caption) const;
    size_t Count() const { return keys_.size(); }
    // True once, when an address found the set full.
    bool TakeFullNotice() { return std::exchange(fullNotice_, false); }

private:
    std::unordered_set<std::string> keys_;  // lower-case
    bool full_ = false;
    bool fullNotice_ = false;
};

// The main window's scan fields.
struct ScanState {
    explicit ScanState(wlan::WlanApi& service)
        : api(service), client(service), interfaceList(service), bssList(service) {}
    ScanState(const ScanState&) = delete;
    ScanState& operator=(const ScanState&) = delete;
    wlan::WlanApi& api;
    wlan::ClientHandle client;
    bool scanIdle = false;
    // The last lists the service returned; the detail commands read them between passes.
    wlan::WlanBuffer<wlan::WLAN_INTERFACE_INFO_LIST> interfaceList;
    wlan::WlanBuffer<wlan::WLAN_BSS_LIST> bssList;
    std::optional<KnownAccessPoints> knownAPs;  // created at start-up
    ScanRequests requests;  // fresh scans, asked at the end of each completed pass
};

struct ScanLists {
    ReportList& adapters;
    ReportList& networks;
    ReportList& accessPoints;
};

// One pass; the caller has cleared scanIdle. Sets it again when the pass ends,
// except after a failed enumeration, which stops scanning for the run. A pass
// that completes asks for the scans that are due once its lists are read.
// Returns 0 for a completed pass, else the result code of the call that ended it.
uint32_t ScanPass(ScanState& state, ScanLists& lists, ScanChart& chart, MessageSink& messages, TRunLog* log);
// The timer tick: a pass when none is running (message boxes keep ticks coming).
// The pass's result, or none when no pass ran.
std::optional<uint32_t> ScanTimerTick(ScanState& state, ScanLists& lists, ScanChart& chart, MessageSink& messages,
                                      TRunLog* log);

// Row data of a network row: interface i, entry j of its available-network list.
// i * 100 + j while j < 100; larger entry indexes get a negative code so that no
// row ever reads back as another interface or entry.
intptr_t NetworkRowData(uint32_t interfaceIndex, uint32_t entryIndex);
struct NetworkRowRef {
    uint32_t interfaceIndex;
    uint32_t entryIndex;
    bool operator==(const NetworkRowRef&) const = default;
};
// None for data that no network row carries.
std::optional<NetworkRowRef> DecodeNetworkRowData(intptr_t data);
// What NetworkRowData gives a network that cannot be encoded (an absurdly large index).
inline constexpr intptr_t kNoNetworkRow = INT32_MIN;

// The entries of a BSS list that lie within its dwTotalSize.
std::span<const wlan::WLAN_BSS_ENTRY> BssEntries(const wlan::WLAN_BSS_LIST* list);
