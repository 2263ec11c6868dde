#pragma once
// Measuring on the plan. Stop-and-go: a click asks for a scan, and the point takes
// the BSS list of the first scan that completes after the click. Walk: the passes
// between two clicks are laid along the segment between them by their times.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sitesurvey/survey_file.h"
#include "wireless/records.h"
#include "wireless/wlan_api.h"

namespace sitesurvey {

// The whole BSS list of a scan, elements included. An SSID that is not UTF-8 has its
// stray bytes as "?", so that the file keeps it within 32 bytes and stays readable.
std::vector<SurveyBss> BssOfList(const wlan::WLAN_BSS_LIST* list);

// "YYYY-MM-DDTHH:MM:SS.mmmZ" of milliseconds since 1970, UTC.
std::string UtcTimeText(int64_t unixMs);

// A scan still unreported after this long has ended without a word.
inline constexpr uint64_t kLongestScanWaitMs = 4000;

class PointCapture {
public:
    // A click at plan pixels (x, y): the next point waits for a scan that ends after now.
    void Click(double x, double y, uint64_t nowMs);
    bool Waiting() const { return pending_.has_value(); }
    double WaitingX() const { return pending_ ? pending_->x : 0; }
    double WaitingY() const { return pending_ ? pending_->y : 0; }
    void Cancel() { pending_.reset(); }

    // A notification of the service, on the window's thread.
    void Notified(const wlan::WlanNotification& notification);
    // A completed pass and its BSS list: the point when its scan has come. A service
    // that reports finished scans is waited for (at most kLongestScanWaitMs); one that
    // never has is taken at its first pass after the click.
    std::optional<SurveyPoint> PassEnded(const wlan::WLAN_BSS_LIST* list, uint64_t nowMs, const std::string& utcTime);

private:
    struct Pending {
        double x, y;
        uint64_t at;
        bool scanned = false;  // a scan has completed since the click
    };
    std::optional<Pending> pending_;
    bool serviceReports_ = false;
};

// One pass heard while walking.
struct WalkPass {
    uint64_t ms = 0;  // the window's clock
    std::string time;  // UTC text
    std::vector<SurveyBss> bss;
};
// A turn of the walk: where the surveyor clicked and when.
struct WalkMark {
    double x = 0, y = 0;
    uint64_t ms = 0;
};
// The passes heard between two marks as points along the straight segment between
// them, each where the time says (a pass outside the span lies at the nearer end).
std::vector<SurveyPoint> SpreadAlong(const WalkMark& from, const WalkMark& to, std::vector<WalkPass> passes);

// A recording made without a plan (a scenario file of the recorder): the BSS list of
// its first interface in every pass up to its last change. None, with the reason, for
// a file that is no recording (it changes for ever) or holds more passes than a plan's points.
std::optional<std::vector<std::vector<SurveyBss>>> RecordingPasses(std::shared_ptr<const wlan::sim::Scenario> scenario,
                                                                    std::string& error);

// The passes laid evenly, in order, along a walk drawn through the marks (plan pixels);
// the first at its start, the last at its end. Each point's time is `time`: a
// recording keeps no clock of its passes.
std::vector<SurveyPoint> LayAlongWalk(const std::vector<WalkMark>& walk, std::vector<std::vector<SurveyBss>> passes,
                                      const std::string& time);

}  // namespace sitesurvey
