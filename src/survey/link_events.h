#pragma once
// The laptop's own link as events: connected, disconnected and roamed, from the
// service's connection notifications and the passes around them. A roam carries the
// old and new access point as the last pass before it and the first after it saw
// them, the time between roaming's start and end, and how late it came: how long
// before it another BSSID of the same network had been clearly stronger.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the notifications say, in the order they came.
struct LinkNotice {
    enum class Kind { Connected, Disconnected, RoamingStart, RoamingEnd } kind;
    int64_t timeMs = 0;
    std::string bssid;  // "XX:XX:XX:XX:XX:XX": the new one, or for a start or a disconnect the old one
    std::string ssid;
};

// One pass: the link it found (the connection's BSSID, channel and RSSI) and what the
// scan heard.
struct LinkPass {
    struct Serving {
        std::string bssid, ssid;
        uint32_t channel = 0;
        int32_t rssi = 0;
    };
    struct Heard {
        std::string bssid, ssid;
        int32_t rssi = 0;
    };
    int64_t timeMs = 0;
    std::optional<Serving> serving;
    std::vector<Heard> heard;
};

struct LinkEnd {
    std::string bssid;
    std::optional<uint32_t> channel;
    std::optional<int32_t> rssi;
};

struct LinkEvent {
    enum class Kind { Connected, Disconnected, Roamed } kind = Kind::Connected;
    int64_t timeMs = 0;  // of the connection, the disconnection, or the roam's end
    std::string ssid;
    LinkEnd from, to;  // from: for a roam and a disconnect; to: for a roam and a connect
    std::optional<int64_t> gapMs;  // a roam's start to its end
    std::optional<double> lateBySeconds;  // a roam: how long another BSSID had been kStickyMarginDb stronger
};

inline constexpr int32_t kStickyMarginDb = 8;
inline constexpr int64_t kStickyWarningMs = 10'000;

class LinkTracker {
public:
    void OnNotice(const LinkNotice& notice);
    void OnPass(const LinkPass& pass);

    // Every event so far, and those completed since the last call.
    const std::vector<LinkEvent>& Events() const { return events_; }
    std::vector<LinkEvent> TakeNew();

    // "Sticky: <BSSID> is <n> dB stronger" once another BSSID of the network has been
    // at least kStickyMarginDb stronger than the serving one for kStickyWarningMs; "" else.
    std::string StickyWarning() const;

    // The log line of an event, exactly as written to the log (names escaped).
    static std::string LogLine(const LinkEvent& event);

private:
    void Finish(LinkEvent event);

    std::vector<LinkEvent> events_;
    size_t taken_ = 0;
    std::optional<LinkPass::Serving> lastServing_;  // as the last pass saw it
    std::optional<int64_t> roamStartMs_;
    std::optional<LinkEvent> pendingRoam_;  // waiting for the first pass after it
    std::optional<LinkEvent> pendingConnect_;
    // Since when another BSSID of the serving network has been clearly stronger, and which.
    std::optional<int64_t> strongerSinceMs_;
    int64_t lastPassMs_ = 0;
    std::string strongerBssid_;
    int32_t strongerByDb_ = 0;
};
