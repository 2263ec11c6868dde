#include "survey/survey_session.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "common/product.h"
#include "common/text.h"
#include "common/user_text.h"
#include "wireless/detail_commands.h"
#include "wireless/information_elements.h"
#include "wireless/pcapng.h"
#include "wireless/value_text.h"
#include "wireless/vendor.h"

namespace {

// The pass's messages wait in the outcome: the caller shows them once the pass is over.
class CollectedMessages : public MessageSink {
public:
    explicit CollectedMessages(std::vector<std::string>& messages) : messages_(messages) {}
    void ShowMessage(const std::string& text) override { messages_.push_back(text); }

private:
    std::vector<std::string>& messages_;
};

size_t ListIndex(SurveyList list) { return static_cast<size_t>(list); }

}  // namespace

std::string StartFailureText(uint32_t result) { return ErrorText("WlanOpenHandle", result, CodeSign::Signed); }

SurveySession::SurveySession(wlan::WlanApi& live, SettingsStore& settings, FileWriter& files, uint64_t chartSeed)
    : settings_(settings),
      files_(files),
      source_(live, files),
      scan_(source_.Api()),
      adapters_(AdapterColumns()),
      networks_(NetworkColumns()),
      accessPoints_(AccessPointColumns()),
      networkChart_(chart_, nullptr, chartSeed),
      chartPoints_(chart_, networkChart_) {
    scan_.requests = ScanRequests([this] { return now_; });
    networkChart_.SetClock([this] { return now_; });
    *wallClock_ = [] {
        using namespace std::chrono;
        return static_cast<int64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    };
    networks_.SetIdentity(NetworkIdentity);
    accessPoints_.SetIdentity(AccessPointIdentity);
    networks_.SetFilter([this](const ReportRow& row) {
        return filter_.Empty() || filter_.Matches(NetworkRowFacts(row, facts_));
    });
    const int vendorColumn = ColumnOf(accessPoints_.Columns(), "Vendor");
    accessPoints_.SetFilter([this, vendorColumn](const ReportRow& row) {
        return filter_.Empty() || filter_.Matches(AccessPointRowFacts(row, facts_, vendorColumn));
    });
    // A network row shows its chart line's colour in place of the signal waves.
    networks_.SetDecoration([this](ReportRow& row) {
        const size_t line = networkChart_.LineOf(row.caption);
        if (line != TStripChart::kNoLine) row.image = kFirstColourSquare + static_cast<int>(line);
    });
}

void SurveySession::SetLog(TRunLog* log) {
    log_ = log;
    networkChart_.SetLog(log);
}

void SurveySession::Subscribe(SurveyObserver& observer) { observers_.push_back(&observer); }

void SurveySession::Unsubscribe(SurveyObserver& observer) { std::erase(observers_, &observer); }

uint32_t SurveySession::Start(std::function<void()> wake) {
    begun_ = true;
    wake_ = std::move(wake);
    uint32_t negotiated = 0;
    startResult_ = scan_.client.Open(&negotiated);
    if (startResult_ != 0) {
        LogAdd(log_, StartFailureText(startResult_), LogLevel::Error);
        return startResult_;
    }
    started_ = true;
    scan_.knownAPs.emplace();
    ReadScanInterval();
    scan_.requests.onAccessDenied = [this] { deniedInPass_ = true; };
    Listen();
    scan_.scanIdle = true;
    return 0;
}

void SurveySession::Listen() {
    // The handler runs on a thread of the service: it only queues and wakes the caller.
    NotificationQueue* queue = &notifications_;
    // Scan completions and the link's changes, from one registration for the handle; each
    // stamped as it comes, for the roam's gap.
    const uint32_t rc = scan_.api.WlanRegisterNotification(
        scan_.client.get(), wlan::kNotificationSourceAcm | wlan::kNotificationSourceMsm,
        [queue, wake = wake_, clock = wallClock_](const wlan::WlanNotification& notification) {
            const bool scan = notification.source == wlan::kNotificationSourceAcm &&
                              (notification.code == wlan::kAcmScanComplete || notification.code == wlan::kAcmScanFail);
            if (!scan && !IsLinkNotification(notification)) return;
            wlan::WlanNotification stamped = notification;
            stamped.timeMs = (*clock)();
            queue->Push(stamped);
            if (wake) wake();
        });
    // Without notifications the interval alone paces the requests.
    if (rc != 0) LogAdd(log_, "WlanRegisterNotification failed (" + std::to_string(rc) + ")", LogLevel::Verbose);
}

void SurveySession::TakeNotifications() {
    for (const wlan::WlanNotification& notification : notifications_.TakeAll()) {
        scan_.requests.Notified(notification, log_);
        link_.Notified(notification);
        for (SurveyObserver* observer : observers_) observer->Notified(notification);
    }
    link_.LogNewEvents(log_);
}

void SurveySession::Close() {
    if (started_) scan_.api.WlanRegisterNotification(scan_.client.get(), wlan::kNotificationSourceNone, nullptr);
    scan_.scanIdle = false;
    scan_.client.Close();
    started_ = false;
}

std::string SurveySession::EmptyListText() const {
    // A run that found the service stopped never scans: only a new start helps.
    if (begun_ && !started_ && startResult_ == wlan::kErrorServiceNotActive)
        return "The WLAN service is not running: start it, then restart " VELLUMAR_PRODUCT_NAME;
    if (started_ && noAdapter_) return "No wireless adapter found";
    return "";
}

TickOutcome SurveySession::Tick(uint64_t nowMs) {
    TickOutcome outcome;
    if (!scan_.scanIdle) return outcome;
    now_ = nowMs;
    // The pass before is complete now: the time to write the recording.
    std::string error;
    if (!source_.SaveIfDue(nowMs, error)) {
        const std::string text = RecordingFailureText(source_.RecordingFile(), error);
        LogAdd(log_, text, LogLevel::Error);
        if (!std::exchange(saveFailureShown_, true)) outcome.messages.push_back(text);
    }
    const bool ended = source_.ReplayEnded();
    chartPoints_.Hold(ended);  // a replay played through would scroll flat lines
    deniedInPass_ = false;
    CollectedMessages messages(outcome.messages);
    ScanLists lists{adapters_, networks_, accessPoints_};
    outcome.pass = ScanTimerTick(scan_, lists, chartPoints_, messages, log_);
    facts_.Collect(networks_.Rows(), accessPoints_.Rows());
    if (outcome.pass == 0u) {
        // The link's changes came with this pass's enumeration: they go before the pass.
        TakeNotifications();
        link_.PassCompleted(scan_, (*wallClock_)());
        link_.LogNewEvents(log_);
    }
    if (outcome.pass == 0u) noAdapter_ = adapters_.RowCount() == 0;
    // A completed pass whose scan request was refused still leaves scans withheld.
    if (outcome.pass == wlan::kErrorAccessDenied || deniedInPass_)
        outcome.locationBlocked = true;
    else if (outcome.pass == 0u && !scan_.requests.AccessDenied())
        outcome.locationBlocked = false;
    if (source_.ReplayEnded() && !ended) LogAdd(log_, "Replay ended", LogLevel::Info);
    outcome.captionChanged = source_.Recording() || source_.Replaying();
    for (SurveyObserver* observer : observers_) observer->PassEnded(*this, outcome);
    return outcome;
}

void SurveySession::SwitchService(const std::function<void()>& change) {
    if (!begun_) {
        change();
        return;
    }
    Close();
    // Every buffer goes back to the service that gave it before another takes its place.
    scan_.interfaceList.reset();
    scan_.bssList.reset();
    notifications_.TakeAll();
    const bool wasReplaying = source_.Replaying();
    change();
    for (SurveyList list : kSurveyLists) Rows(list).Clear();
    facts_.Collect({}, {});
    noAdapter_ = false;
    // The live survey's chart waits through a replay and goes on after it; a replay starts anew.
    if (!wasReplaying && source_.Replaying()) {
        liveLines_ = networkChart_.TakeLines();
    } else if (!source_.Replaying() && liveLines_) {
        networkChart_.PutLines(std::move(*liveLines_));
        liveLines_.reset();
    } else {
        chart_.ClearLines();
    }
    link_.Restart();
    scan_.requests = ScanRequests([this] { return now_; });
    Start(wake_);
}

bool SurveySession::Replay(const std::string& file, std::string& problem) {
    auto scenario = SurveySource::Load(file, problem);
    if (!scenario) {
        LogAdd(log_, problem, LogLevel::Error);
        return false;
    }
    LogAdd(log_, "Replaying " + file, LogLevel::Info);
    SwitchService([&] { source_.UseReplay(file, std::move(scenario)); });
    return true;
}

bool SurveySession::Live() {
    if (!source_.Replaying()) return false;
    LogAdd(log_, "Live survey", LogLevel::Info);
    SwitchService([this] { source_.UseLive(); });
    return true;
}

bool SurveySession::StartRecording(const std::string& file, uint64_t nowMs, std::string& message) {
    std::string error;
    if (!source_.StartRecording(file, nowMs, error)) {
        message = RecordingFailureText(file, error);
        LogAdd(log_, message, LogLevel::Error);
        return false;
    }
    saveFailureShown_ = false;
    LogAdd(log_, "Recording to " + file, LogLevel::Info);
    return true;
}

bool SurveySession::StopRecording(uint64_t nowMs, std::string& message) {
    if (!source_.Recording()) return true;
    const std::string file = source_.RecordingFile();
    const uint64_t passes = source_.RecordedPasses();
    std::string error;
    if (!source_.StopRecording(nowMs, error)) {
        message = RecordingFailureText(file, error);
        LogAdd(log_, message, LogLevel::Error);
        return false;
    }
    LogAdd(log_, "Recorded " + std::to_string(passes) + " passes to " + file, LogLevel::Info);
    return true;
}

ListViewModel& SurveySession::Rows(SurveyList list) {
    return const_cast<ListViewModel&>(std::as_const(*this).Rows(list));
}

const ListViewModel& SurveySession::Rows(SurveyList list) const {
    switch (list) {
        case SurveyList::Adapters: return adapters_;
        case SurveyList::Networks: return networks_;
        case SurveyList::AccessPoints: break;
    }
    return accessPoints_;
}

void SurveySession::ReadSortOrders() {
    for (SurveyList list : kSurveyLists) {
        ListViewModel& rows = Rows(list);
        rows.SetSort(ParseSortSetting(settings_.Read(kSortSettings[ListIndex(list)]),
                                      static_cast<int>(rows.Columns().size())));
    }
}

SortOrder SurveySession::SortBy(SurveyList list, int column) {
    ListViewModel& rows = Rows(list);
    const SortOrder order = NextSortOrder(rows.Sort(), column);
    rows.SetSort(order);
    std::string error;
    if (!settings_.Write(kSortSettings[ListIndex(list)], SortSettingText(order), error))
        LogAdd(log_, error, LogLevel::Error);
    return order;
}

void SurveySession::ReadScanInterval() {
    scan_.requests.SetInterval(hurried_ ? kShortestScanInterval
                                        : ScanIntervalFromSetting(settings_.Read(kScanIntervalSetting)));
}

void SurveySession::HurryScans(bool hurry) {
    hurried_ = hurry;
    ReadScanInterval();
}

void SurveySession::SetFilter(std::string_view text) { filter_ = RowFilter(text); }

std::string SurveySession::FilterStatus() const {
    return FilterStatusText(networks_.ShownCount(), networks_.TotalCount()) + " networks\n" +
           FilterStatusText(accessPoints_.ShownCount(), accessPoints_.TotalCount()) + " access points";
}

std::string SurveySession::ShownRowsText(SurveyList list, const std::vector<int>& shownRows) const {
    const ListViewModel& rows = Rows(list);
    std::vector<std::vector<std::string>> cells;
    for (int row : shownRows)
        if (const ReportRow* shown = rows.ShownRow(row)) cells.push_back(rows.Cells(*shown));
    if (cells.empty()) return "";
    std::vector<std::string> headers;
    for (const ListColumn& column : rows.Columns()) headers.push_back(column.caption);
    return TabSeparatedText(headers, cells);
}

void SurveySession::HighlightNetwork(int shownRow) {
    const ReportRow* selected = networks_.ShownRow(shownRow);
    chart_.SetHighlightedLine(selected ? networkChart_.LineOf(selected->caption) : TStripChart::kNoLine);
}

std::vector<ChannelAp> SurveySession::ChannelAccessPoints() const {
    return ::ChannelAccessPoints(scan_.bssList.get(), [this](const std::string& name) -> std::optional<Colour> {
        const size_t line = networkChart_.LineOf(name);
        if (line == TStripChart::kNoLine) return std::nullopt;
        return chart_.Line(line).Color;
    });
}

ExportDocument SurveySession::Document(const ExportStamp& stamp) const {
    ExportDocument document{stamp.capturedAt, stamp.program, stamp.version, {}};
    document.tables.push_back(TableOf(adapters_, "Adapter", "adapters"));
    document.tables.push_back(TableOf(networks_, "Network", "networks"));
    ExportTable aps = TableOf(accessPoints_, "Access point", "access_points");
    // The decoded detail of each access point, from the BSS list its row data points into.
    const auto entries = BssEntries(scan_.bssList.get());
    for (size_t row : accessPoints_.ShownOrder()) {
        const intptr_t data = accessPoints_.Rows()[row].data;
        const bool inList = data >= 0 && static_cast<size_t>(data) < entries.size();
        aps.detail.push_back(inList ? AccessPointDetailRows(entries[static_cast<size_t>(data)],
                                                            BssEntryElementBytes(scan_.bssList.get(),
                                                                                 static_cast<size_t>(data)))
                                    : DetailPairs{});
    }
    document.tables.push_back(std::move(aps));
    // The link's events, when there are any: a survey without them exports as before.
    if (const auto& events = link_.Tracker().Events(); !events.empty()) {
        ExportTable table{"Link event", "link_events", {std::begin(kLinkEventColumns), std::end(kLinkEventColumns)},
                          {}, {}};
        for (const LinkEvent& e : events)
            table.rows.push_back(LinkEventCells(
                e, UtcTimestampText(std::chrono::system_clock::time_point(std::chrono::milliseconds(e.timeMs)))));
        document.tables.push_back(std::move(table));
    }
    return document;
}

SurveyRecords SurveySession::Records(const ExportStamp& stamp) const {
    SurveyRecords records{stamp, {}, {}, {}};
    for (size_t row : adapters_.ShownOrder()) {
        std::vector<std::string> cells = adapters_.Cells(adapters_.Rows()[row]);
        cells.resize(3);
        records.adapters.push_back({cells[0], cells[1], cells[2]});
    }
    for (size_t row : networks_.ShownOrder()) {
        const ReportRow& net = networks_.Rows()[row];
        std::vector<std::string> cells = networks_.Cells(net);
        cells.resize(4);
        // The quality text starts with the percentage the service gave.
        uint32_t quality = 0;
        for (char c : cells[1]) {
            if (c < '0' || c > '9' || quality > 100) break;
            quality = quality * 10 + static_cast<uint32_t>(c - '0');
        }
        records.networks.push_back({net.caption == kHiddenSsid ? std::string() : net.caption, quality,
                                    QualityToDbm(quality), cells[2], cells[3]});
    }
    const auto entries = BssEntries(scan_.bssList.get());
    for (size_t row : accessPoints_.ShownOrder()) {
        const intptr_t data = accessPoints_.Rows()[row].data;
        if (data < 0 || static_cast<size_t>(data) >= entries.size()) continue;
        const auto index = static_cast<size_t>(data);
        const wlan::WLAN_BSS_ENTRY& entry = entries[index];
        const auto elements = BssEntryElementBytes(scan_.bssList.get(), index);
        const InformationElements ie = ParseInformationElements(elements);
        AccessPointRecord ap;
        ap.bssid = MacAddressText(entry.dot11Bssid);
        ap.ssid = SsidText(entry.dot11Ssid);
        ap.channel = FrequencyToChannel(entry.ulChCenterFrequency);
        ap.frequencyMhz = entry.ulChCenterFrequency / 1000;
        ap.rssiDbm = entry.lRssi;
        ap.linkQuality = entry.uLinkQuality;
        ap.vendor = VendorText(entry.dot11Bssid);
        ap.standard = GenerationShortText(ie, entry.ulChCenterFrequency);
        if (const ChannelWidth width = Width(ie); width.mhz) ap.widthMhz = width.mhz;
        ap.beaconIntervalTu = entry.usBeaconPeriod;
        const uint32_t rates = std::min<uint32_t>(entry.wlanRateSet.uRateSetLength / 2, 126);
        for (uint32_t k = 0; k < rates; ++k) ap.rateHalves.push_back(entry.wlanRateSet.usRateSet[k] & 0x7FFF);
        ap.detail = AccessPointDetailRows(entry, elements);
        records.accessPoints.push_back(std::move(ap));
    }
    return records;
}

std::vector<uint8_t> SurveySession::Capture(const ExportStamp& stamp, uint64_t timeMicros, std::string& error) {
    pcapng::PassCapture capture(stamp.program + " " + stamp.version);
    if (accessPoints_.ShownCount() < accessPoints_.TotalCount() || !filter_.Empty()) {
        std::vector<std::string> shown;
        for (size_t row : accessPoints_.ShownOrder()) shown.push_back(AccessPointIdentity(accessPoints_.Rows()[row]));
        capture.keep = [shown = std::move(shown)](const wlan::WLAN_BSS_ENTRY& entry) {
            return std::find(shown.begin(), shown.end(), AsciiLowerCase(MacAddressText(entry.dot11Bssid))) !=
                   shown.end();
        };
    }
    if (const auto read = capture.AddPass(scan_.api, scan_.client.get(), timeMicros); read.code) {
        error = ErrorText(read.call, read.code, CodeSign::Unsigned);
        return {};
    }
    return capture.Capture().Bytes();
}

std::string SurveySession::ExportScopeText() const {
    const size_t networks = networks_.ShownOrder().size(), aps = accessPoints_.ShownOrder().size();
    if (networks == networks_.Rows().size() && aps == accessPoints_.Rows().size()) return "";
    return FilterStatusText(static_cast<int>(networks), networks_.TotalCount()) + " networks, " +
           FilterStatusText(static_cast<int>(aps), accessPoints_.TotalCount()) + " access points, as filtered";
}

bool SurveySession::Export(const std::string& fileName, ExportFormat format, const ExportStamp& stamp,
                           std::string& message) {
    std::string bytes;
    switch (format) {
        case ExportFormat::TableCsv: bytes = ExportCsv(Document(stamp)); break;
        case ExportFormat::AccessPointsCsv: bytes = AccessPointsCsv(Records(stamp)); break;
        case ExportFormat::NetworksCsv: bytes = NetworksCsv(Records(stamp)); break;
        case ExportFormat::AdaptersCsv: bytes = AdaptersCsv(Records(stamp)); break;
        case ExportFormat::SurveyJson: bytes = SurveyJson(Records(stamp)); break;
        case ExportFormat::Pcapng: {
            std::string error;
            const std::vector<uint8_t> capture = Capture(stamp, stamp.micros, error);
            if (capture.empty()) {
                message = "Could not export to " + fileName + ":\n" + error;
                LogAdd(log_, message, LogLevel::Error);
                return false;
            }
            bytes.assign(capture.begin(), capture.end());
            break;
        }
    }
    const FileWriteResult written = files_.Replace(fileName, bytes);
    if (!written.ok) {
        message = "Could not export to " + fileName + ":\n" + written.error;
        LogAdd(log_, message, LogLevel::Error);
        return false;
    }
    LogAdd(log_, "Exported to " + fileName, LogLevel::Info);
    return true;
}
