#pragma once
// The survey without a window: the scan state and its passes, the three list
// models with their filter and sort orders, the network chart with its name ->
// line -> colour map, the service's notifications, the recording and its save
// schedule, replay and live, the access points for the channel view and the
// export document. Everything runs on one thread, the caller's: a window drives
// it from its timer, a console from its own loop. Each tick returns what it did,
// and the caller decides what to show; nothing here calls back into a window.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/file_writer.h"
#include "common/run_log.h"
#include "common/settings_store.h"
#include "survey/channel_graph.h"
#include "survey/link_monitor.h"
#include "survey/list_view_model.h"
#include "survey/scan_chart.h"
#include "survey/strip_chart.h"
#include "survey/survey_export.h"
#include "survey/survey_records.h"
#include "survey/survey_source.h"
#include "survey/survey_views.h"
#include "wireless/list_image.h"
#include "wireless/scan_pass.h"
#include "wireless/scan_requests.h"
#include "wireless/wlan_api.h"

enum class SurveyList { Adapters, Networks, AccessPoints };
inline constexpr SurveyList kSurveyLists[] = {SurveyList::Adapters, SurveyList::Networks, SurveyList::AccessPoints};

// The settings that keep each list's sort column and direction, in SurveyList order.
inline constexpr const char* kSortSettings[] = {"sort_adapters", "sort_networks", "sort_aps"};

// Line n of the chart shows in the network list as image kFirstColourSquare + n.
inline constexpr int kFirstColourSquare = kListImageCount;

// What one tick did.
struct TickOutcome {
    std::optional<uint32_t> pass;       // the pass's result, 0 when it completed; none when no pass ran
    std::vector<std::string> messages;  // for the user, in order; each is in the log already
    std::optional<bool> locationBlocked;  // Windows withholds scans (true) or lets them through again (false)
    bool captionChanged = false;        // what is replayed or recorded has moved on
};

class SurveySession;

// Told of every pass and notification, in the order they come; for what runs beside
// the window or without one (a measurement taken at a click, link tracking, a console).
class SurveyObserver {
public:
    virtual ~SurveyObserver() = default;
    // The session's scan state holds the lists the pass read, until the next pass.
    virtual void PassEnded(const SurveySession& /*session*/, const TickOutcome& /*outcome*/) {}
    virtual void Notified(const wlan::WlanNotification& /*notification*/) {}
};

// "Error WlanOpenHandle (code)", logged and shown when the service refuses the survey.
std::string StartFailureText(uint32_t result);

class SurveySession {
public:
    // live: the system's (or the simulated) service; settings keep the sort orders
    // and the scan interval; the recording and the export are written through files.
    SurveySession(wlan::WlanApi& live, SettingsStore& settings, FileWriter& files,
                  uint64_t chartSeed = TNetworkChart::HighResolutionSeed());
    SurveySession(const SurveySession&) = delete;
    SurveySession& operator=(const SurveySession&) = delete;

    // The log comes later than the session (start-up creates it) and goes earlier.
    void SetLog(TRunLog* log);
    void Subscribe(SurveyObserver& observer);
    void Unsubscribe(SurveyObserver& observer);

    // Opens the service's handle and readies the passes. wake runs on a thread of the
    // service after a notification is queued: the caller then calls TakeNotifications
    // on its own thread. The service's result, 0 when the survey started (else logged).
    uint32_t Start(std::function<void()> wake);
    bool Started() const { return started_; }
    uint32_t StartResult() const { return startResult_; }
    // Stops listening and closes the handle; the lists stay as they are.
    void Close();
    void TakeNotifications();

    // One pass, unless the last one has not ended (or a failed enumeration stopped the
    // survey); the recording is written first when it is due. now: a clock that never goes back.
    TickOutcome Tick(uint64_t nowMs);

    // Replays a recording, starting the survey over on it (or, before Start, starting on
    // it). False, with the loader's message in problem, when the file breaks the scenario
    // rules: the survey goes on as it was.
    bool Replay(const std::string& file, std::string& problem);
    // Back to the live service; false when nothing is replayed.
    bool Live();
    const SurveySource& Source() const { return source_; }

    // Recording: false, with the message for the user (logged), when the file cannot be written.
    bool StartRecording(const std::string& file, uint64_t nowMs, std::string& message);
    bool StopRecording(uint64_t nowMs, std::string& message);

    // The lists as the last pass wrote them; each presents itself sorted and filtered.
    ListViewModel& Rows(SurveyList list);
    const ListViewModel& Rows(SurveyList list) const;
    // The stored sort orders, read once the settings are in place.
    void ReadSortOrders();
    // A header click: the next order, kept in the settings (a failure is logged).
    SortOrder SortBy(SurveyList list, int column);
    void ReadScanInterval();  // from the next pass on
    // While something follows one access point closely: fresh scans as often as allowed.
    void HurryScans(bool hurry);
    void SetFilter(std::string_view text);
    // What the empty lists say: why the survey has nothing to show ("" when it simply has not yet).
    std::string EmptyListText() const;
    // "3 of 5 networks\n4 of 9 access points", as the last Present left them.
    std::string FilterStatus() const;
    // Tab-separated, with a header line; "" for no rows.
    std::string ShownRowsText(SurveyList list, const std::vector<int>& shownRows) const;

    TStripChart& Chart() { return chart_; }
    // A shown network's line drawn thick and in front; -1 for none.
    void HighlightNetwork(int shownRow);
    // The access points of the last pass, in their networks' chart colours.
    std::vector<ChannelAp> ChannelAccessPoints() const;

    // The rows the views show, as filtered and sorted: as on screen, and for scripts.
    ExportDocument Document(const ExportStamp& stamp) const;
    SurveyRecords Records(const ExportStamp& stamp) const;
    // The BSS entries of every adapter, read again now, as a packet capture; with a
    // filter, only the access points it shows. Empty, with the failed call's text, on failure.
    std::vector<uint8_t> Capture(const ExportStamp& stamp, uint64_t timeMicros, std::string& error);
    // "3 of 5 networks, 12 of 40 access points, as filtered"; "" when the filter hides nothing.
    std::string ExportScopeText() const;
    // False, with the message for the user (logged), when the file could not be written.
    bool Export(const std::string& fileName, ExportFormat format, const ExportStamp& stamp, std::string& message);

    // The laptop's own link, its events and the signal history, as of the last pass.
    const LinkMonitor& Link() const { return link_; }
    // Where the link's events and the history take their time from (ms since 1970, UTC).
    void SetWallClock(std::function<int64_t()> clock) { *wallClock_ = std::move(clock); }

    ScanState& Scan() { return scan_; }
    const ScanState& Scan() const { return scan_; }

private:
    // Closes the survey, lets change swap the service behind it, and starts over;
    // before the first Start only the change.
    void SwitchService(const std::function<void()>& change);
    void Listen();

    SettingsStore& settings_;
    FileWriter& files_;
    TRunLog* log_ = nullptr;
    SurveySource source_;
    ScanState scan_;
    ListViewModel adapters_, networks_, accessPoints_;
    SurveyFacts facts_;
    RowFilter filter_;
    TStripChart chart_;
    TNetworkChart networkChart_;
    StripScanChart chartPoints_;
    std::optional<TNetworkChart::Lines> liveLines_;  // set aside while a replay shows
    NotificationQueue notifications_;
    LinkMonitor link_;
    // Shared with the notification handler, which stamps on the service's thread.
    std::shared_ptr<std::function<int64_t()>> wallClock_ = std::make_shared<std::function<int64_t()>>();
    std::function<void()> wake_;
    std::vector<SurveyObserver*> observers_;
    uint64_t now_ = 0;  // of the last pass: the scan requests' clock
    bool begun_ = false;  // Start has run
    bool started_ = false;
    uint32_t startResult_ = 0;
    bool deniedInPass_ = false;
    bool hurried_ = false;
    bool noAdapter_ = false;  // the last completed pass found no wireless interface
    bool saveFailureShown_ = false;  // once per recording: the next write may succeed
};
