#include "survey/link_monitor.h"

#include <algorithm>
#include <cstring>

#include "common/encoding.h"

#include "wireless/information_elements.h"
#include "wireless/value_text.h"
#include "wireless/vendor.h"

using namespace wlan;

namespace {

struct LinkCode {
    uint32_t code;
    LinkNotice::Kind kind;
};
constexpr LinkCode kLinkCodes[] = {{kMsmConnected, LinkNotice::Kind::Connected},
                                   {kMsmRoamingStart, LinkNotice::Kind::RoamingStart},
                                   {kMsmRoamingEnd, LinkNotice::Kind::RoamingEnd},
                                   {kMsmDisconnected, LinkNotice::Kind::Disconnected}};

const LinkCode* LinkCodeOf(const WlanNotification& n) {
    if (n.source != kNotificationSourceMsm) return nullptr;
    for (const LinkCode& c : kLinkCodes)
        if (c.code == n.code) return &c;
    return nullptr;
}

// The buffer of an opcode, released when done.
template <typename T>
std::optional<T> Query(ScanState& scan, const GUID& guid, uint32_t opcode) {
    uint32_t size = 0;
    void* data = nullptr;
    if (scan.api.WlanQueryInterface(scan.client.get(), &guid, opcode, nullptr, &size, &data, nullptr) != 0)
        return std::nullopt;
    WlanBuffer<uint8_t> owned(scan.api, static_cast<uint8_t*>(data));
    if (!data || size < sizeof(T)) return std::nullopt;
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

}  // namespace

bool IsLinkNotification(const WlanNotification& n) { return LinkCodeOf(n) != nullptr; }

std::optional<LinkNotice> LinkNoticeOf(const WlanNotification& n) {
    const LinkCode* c = LinkCodeOf(n);
    if (!c || n.data.size() < sizeof(WLAN_MSM_NOTIFICATION_DATA)) return std::nullopt;
    WLAN_MSM_NOTIFICATION_DATA d;
    std::memcpy(&d, n.data.data(), sizeof d);
    return LinkNotice{c->kind, n.timeMs, MacAddressText(d.dot11MacAddr), SsidText(d.dot11Ssid)};
}

std::string MbitText(uint32_t kbps) {
    std::string text = std::to_string(kbps / 1000);
    if (const uint32_t tenths = kbps % 1000 / 100) text += "." + std::to_string(tenths);
    return text;
}

std::string LinkSummaryText(const LinkStatus& s) {
    if (!s.connected) return "Not connected";
    const std::string dot = " \xC2\xB7 ";
    std::string text = s.ssid + dot + s.bssid;
    if (!s.vendor.empty()) text += " (" + s.vendor + ")";
    text += dot + "ch " + std::to_string(s.channel);
    if (!s.width.empty()) text += ", " + s.width;
    if (s.rssi) text += dot + std::to_string(*s.rssi) + " dBm";
    text += dot + MbitText(s.rxKbps) + "/" + MbitText(s.txKbps) + " Mbit/s";
    if (!s.generation.empty()) text += dot + s.generation;
    return text;
}

std::vector<std::pair<std::string, std::string>> LinkDetailRows(const LinkStatus& s) {
    if (!s.connected) return {{"State", "Not connected"}};
    std::vector<std::pair<std::string, std::string>> rows = {
        {"State", "Connected"},
        {"SSID", s.ssid},
        {"BSSID", s.bssid},
        {"Vendor", s.vendor},
        {"Profile", s.profile},
        {"Channel", std::to_string(s.channel)},
        {"Width", s.width},
        {"RSSI", s.rssi ? std::to_string(*s.rssi) + " dBm" : ""},
        {"Signal quality", std::to_string(s.quality) + "%"},
        {"Receive rate", MbitText(s.rxKbps) + " Mbit/s"},
        {"Transmit rate", MbitText(s.txKbps) + " Mbit/s"},
        {"PHY type", BssPhyTypeText(s.phyType)},
        {"Generation", s.generation},
        {"Authentication", AuthAlgorithmText(s.auth)},
        {"Cipher", CipherAlgorithmText(s.cipher)},
    };
    return rows;
}

namespace {

std::string EndCell(const LinkEnd& end) {
    if (end.bssid.empty()) return "";
    std::string text = end.bssid;
    if (end.channel || end.rssi)
        text += " (ch " + (end.channel ? std::to_string(*end.channel) : std::string("?")) + ", " +
                (end.rssi ? std::to_string(*end.rssi) : std::string("?")) + " dBm)";
    return text;
}

constexpr const char* kEventNames[] = {"Connected", "Disconnected", "Roamed"};

}  // namespace

std::vector<std::string> LinkEventCells(const LinkEvent& e, std::string time) {
    std::string late;
    if (e.lateBySeconds) {
        const int64_t tenths = static_cast<int64_t>(*e.lateBySeconds * 10 + 0.5);
        late = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
    }
    return {std::move(time),
            kEventNames[static_cast<int>(e.kind)],
            EndCell(e.from),
            EndCell(e.to),
            e.gapMs ? std::to_string(*e.gapMs) + " ms" : "",
            late};
}

void LinkMonitor::Notified(const WlanNotification& n) {
    // Another adapter's link is not the one shown.
    if (status_.interfaceGuid != GUID{} && n.interfaceGuid != status_.interfaceGuid) return;
    if (auto notice = LinkNoticeOf(n)) tracker_.OnNotice(*notice);
}

LinkStatus LinkMonitor::ReadLink(ScanState& scan, const GUID& guid) const {
    LinkStatus s;
    s.interfaceGuid = guid;
    const auto a = Query<WLAN_CONNECTION_ATTRIBUTES>(scan, guid, kWlanIntfOpcodeCurrentConnection);
    if (!a) return s;
    const WLAN_ASSOCIATION_ATTRIBUTES& assoc = a->wlanAssociationAttributes;
    s.connected = true;
    s.ssid = NameOrHidden(assoc.dot11Ssid);
    s.bssid = MacAddressText(assoc.dot11Bssid);
    s.vendor = VendorText(assoc.dot11Bssid);
    s.profile = Utf16ToUtf8(a->strProfileName, 256);
    s.quality = assoc.wlanSignalQuality;
    s.rxKbps = assoc.ulRxRate;
    s.txKbps = assoc.ulTxRate;
    s.phyType = assoc.dot11PhyType;
    s.auth = a->wlanSecurityAttributes.dot11AuthAlgorithm;
    s.cipher = a->wlanSecurityAttributes.dot11CipherAlgorithm;
    s.channel = Query<uint32_t>(scan, guid, kWlanIntfOpcodeChannelNumber).value_or(0);
    s.rssi = Query<int32_t>(scan, guid, kWlanIntfOpcodeRssi);
    // Width and generation are the serving access point's, as the scan heard it.
    const WLAN_BSS_LIST* list = scan.bssList.get();
    const auto entries = BssEntries(list);
    for (size_t k = 0; k < entries.size(); ++k) {
        if (std::memcmp(entries[k].dot11Bssid, assoc.dot11Bssid, 6) != 0) continue;
        const InformationElements ie = ParseInformationElements(BssEntryElementBytes(list, k));
        s.width = WidthText(ie);
        s.generation = GenerationShortText(ie, entries[k].ulChCenterFrequency);
        if (!s.channel) s.channel = static_cast<uint32_t>(std::max(0, FrequencyToChannel(entries[k].ulChCenterFrequency)));
        break;
    }
    return s;
}

void LinkMonitor::PassCompleted(ScanState& scan, int64_t timeMs) {
    // The access point list is the last interface's: its link is the one shown.
    const auto interfaces = Entries(scan.interfaceList.get());
    if (interfaces.empty()) {
        status_ = {};
    } else {
        status_ = ReadLink(scan, interfaces.back().InterfaceGuid);
    }
    LinkPass pass;
    pass.timeMs = timeMs;
    if (status_.connected)
        pass.serving = LinkPass::Serving{status_.bssid, status_.ssid, status_.channel, status_.rssi.value_or(-100)};
    for (const WLAN_BSS_ENTRY& e : BssEntries(scan.bssList.get())) {
        pass.heard.push_back({MacAddressText(e.dot11Bssid), NameOrHidden(e.dot11Ssid), e.lRssi});
    }
    std::vector<HeardRssi> heard;
    heard.reserve(pass.heard.size());
    for (const LinkPass::Heard& h : pass.heard) heard.push_back({h.bssid, h.rssi});
    history_.AddPass(timeMs, heard);
    tracker_.OnPass(pass);
    ++passes_;
    const auto& events = tracker_.Events();
    for (; eventsSeen_ < events.size(); ++eventsSeen_)
        if (events[eventsSeen_].kind == LinkEvent::Kind::Roamed) roamPasses_.push_back(passes_);
    if (roamPasses_.size() > kMaxMarks) roamPasses_.erase(roamPasses_.begin());
}

std::vector<uint64_t> LinkMonitor::RoamMarks() const {
    std::vector<uint64_t> since;
    for (uint64_t p : roamPasses_) since.push_back(passes_ - p);
    return since;
}

void LinkMonitor::LogNewEvents(TRunLog* log) {
    for (const LinkEvent& e : tracker_.TakeNew()) LogAdd(log, LinkTracker::LogLine(e), LogLevel::Info);
}

void LinkMonitor::Restart() {
    tracker_ = LinkTracker();
    status_ = {};
    eventsSeen_ = 0;
    roamPasses_.clear();
    history_.Clear();
}
