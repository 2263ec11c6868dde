#include "survey/link_events.h"

#include <utility>

#include "common/air_text.h"

namespace {

std::string EndText(const LinkEnd& end) {
    return end.bssid + " (ch " + (end.channel ? std::to_string(*end.channel) : "?") + ", " +
        (end.rssi ? std::to_string(*end.rssi) : "?") + " dBm)";
}

}  // namespace

void LinkTracker::OnNotice(const LinkNotice& notice) {
    switch (notice.kind) {
        case LinkNotice::Kind::Connected: {
            LinkEvent e{LinkEvent::Kind::Connected, notice.timeMs, notice.ssid, {}, {notice.bssid, {}, {}}, {}, {}};
            pendingConnect_ = e;  // its channel and RSSI come with the next pass
            break;
        }
        case LinkNotice::Kind::Disconnected: {
            LinkEnd from{notice.bssid, {}, {}};
            if (lastServing_ && lastServing_->bssid == notice.bssid)
                from = {notice.bssid, lastServing_->channel, lastServing_->rssi};
            Finish({LinkEvent::Kind::Disconnected, notice.timeMs, notice.ssid, from, {}, {}, {}});
            lastServing_.reset();
            strongerSinceMs_.reset();
            break;
        }
        case LinkNotice::Kind::RoamingStart:
            roamStartMs_ = notice.timeMs;
            break;
        case LinkNotice::Kind::RoamingEnd: {
            LinkEvent e{LinkEvent::Kind::Roamed, notice.timeMs, notice.ssid, {}, {notice.bssid, {}, {}}, {}, {}};
            if (lastServing_) e.from = {lastServing_->bssid, lastServing_->channel, lastServing_->rssi};
            if (roamStartMs_) e.gapMs = notice.timeMs - *roamStartMs_;
            const int64_t start = roamStartMs_.value_or(notice.timeMs);
            e.lateBySeconds = strongerSinceMs_ ? static_cast<double>(start - *strongerSinceMs_) / 1000.0 : 0.0;
            roamStartMs_.reset();
            strongerSinceMs_.reset();
            pendingRoam_ = e;
            break;
        }
    }
}

void LinkTracker::OnPass(const LinkPass& pass) {
    const auto fill = [&](LinkEvent& e) {
        if (pass.serving && pass.serving->bssid == e.to.bssid) {
            e.to.channel = pass.serving->channel;
            e.to.rssi = pass.serving->rssi;
        }
    };
    if (pendingConnect_) {
        fill(*pendingConnect_);
        Finish(*std::exchange(pendingConnect_, std::nullopt));
    }
    if (pendingRoam_) {
        fill(*pendingRoam_);
        Finish(*std::exchange(pendingRoam_, std::nullopt));
    }
    lastServing_ = pass.serving;
    lastPassMs_ = pass.timeMs;
    // The network's strongest other BSSID against the serving one, in the scan's own terms.
    if (!pass.serving) {
        strongerSinceMs_.reset();
        return;
    }
    std::optional<int32_t> serving;
    const LinkPass::Heard* best = nullptr;
    for (const LinkPass::Heard& h : pass.heard) {
        if (h.bssid == pass.serving->bssid)
            serving = h.rssi;
        else if (h.ssid == pass.serving->ssid && (!best || h.rssi > best->rssi))
            best = &h;
    }
    const int32_t own = serving.value_or(pass.serving->rssi);
    if (best && best->rssi - own >= kStickyMarginDb) {
        if (!strongerSinceMs_) strongerSinceMs_ = pass.timeMs;
        strongerBssid_ = best->bssid;
        strongerByDb_ = best->rssi - own;
    } else {
        strongerSinceMs_.reset();
    }
}

void LinkTracker::Finish(LinkEvent event) { events_.push_back(std::move(event)); }

std::vector<LinkEvent> LinkTracker::TakeNew() {
    std::vector<LinkEvent> out(events_.begin() + static_cast<std::ptrdiff_t>(taken_), events_.end());
    taken_ = events_.size();
    return out;
}

std::string LinkTracker::StickyWarning() const {
    if (!lastServing_ || !strongerSinceMs_ || lastPassMs_ - *strongerSinceMs_ < kStickyWarningMs) return "";
    return "Sticky: " + strongerBssid_ + " is " + std::to_string(strongerByDb_) + " dB stronger";
}

std::string LinkTracker::LogLine(const LinkEvent& e) {
    switch (e.kind) {
        case LinkEvent::Kind::Connected:
            return "Connected to " + e.to.bssid + " (" + AirTextForLog(e.ssid) + ")";
        case LinkEvent::Kind::Disconnected:
            return "Disconnected from " + e.from.bssid;
        case LinkEvent::Kind::Roamed:
            return "Roam from " + EndText(e.from) + " to " + EndText(e.to) + ", gap " +
                std::to_string(e.gapMs.value_or(0)) + " ms";
    }
    return "";
}
