#include "survey/link_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kA = "02:00:00:00:00:0A", kB = "02:00:00:00:00:0B", kC = "02:00:00:00:00:0C";

// A pass connected to `serving` (or to nothing), hearing A, B and C at the RSSIs given.
LinkPass Pass(int64_t s, const std::string& serving, uint32_t channel, int32_t a, int32_t b, int32_t c) {
    LinkPass p;
    p.timeMs = s * 1000;
    const int32_t own = serving == kA ? a : serving == kB ? b : c;
    if (!serving.empty()) p.serving = LinkPass::Serving{serving, "Office", channel, own};
    p.heard = {{kA, "Office", a}, {kB, "Office", b}, {kC, "Guest", c}};
    return p;
}

LinkNotice Notice(LinkNotice::Kind kind, int64_t ms, const std::string& bssid) { return {kind, ms, bssid, "Office"}; }

TEST(LinkEvents, ConnectRoamsAndDisconnectWithTheirLogLines) {
    using K = LinkNotice::Kind;
    LinkTracker t;
    t.OnNotice(Notice(K::Connected, 500, kA));
    t.OnPass(Pass(1, kA, 36, -50, -75, -40));
    // A fades while B, of the same network, is 8 dB stronger from second 3 on (C is
    // stronger still but another network's).
    t.OnPass(Pass(2, kA, 36, -60, -65, -40));
    t.OnPass(Pass(3, kA, 36, -68, -60, -40));
    t.OnPass(Pass(4, kA, 36, -70, -58, -40));
    t.OnNotice(Notice(K::RoamingStart, 6'000, kA));
    t.OnNotice(Notice(K::RoamingEnd, 6'140, kB));
    t.OnPass(Pass(7, kB, 40, -75, -57, -40));
    // A roam back with no pass between its start and its end, right on time.
    t.OnNotice(Notice(K::RoamingStart, 7'500, kB));
    t.OnNotice(Notice(K::RoamingEnd, 7'520, kA));
    t.OnPass(Pass(8, kA, 36, -52, -70, -40));
    t.OnNotice(Notice(K::Disconnected, 9'000, kA));

    const std::vector<LinkEvent> events = t.TakeNew();
    ASSERT_EQ(events.size(), 4u);
    std::vector<std::string> lines;
    for (const LinkEvent& e : events) lines.push_back(LinkTracker::LogLine(e));
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Connected to 02:00:00:00:00:0A (Office)",
                  "Roam from 02:00:00:00:00:0A (ch 36, -70 dBm) to 02:00:00:00:00:0B (ch 40, -57 dBm), gap 140 ms",
                  "Roam from 02:00:00:00:00:0B (ch 40, -57 dBm) to 02:00:00:00:00:0A (ch 36, -52 dBm), gap 20 ms",
                  "Disconnected from 02:00:00:00:00:0A",
              }));
    EXPECT_EQ(events[1].lateBySeconds, 3.0);  // stronger since second 3, roaming from second 6
    EXPECT_EQ(events[2].lateBySeconds, 0.0);
    EXPECT_EQ(events[1].timeMs, 6'140);
    EXPECT_TRUE(t.TakeNew().empty());
    EXPECT_EQ(t.Events().size(), 4u);
}

TEST(LinkEvents, StickyWarningAfterTenSecondsOfAClearlyStrongerSibling) {
    LinkTracker t;
    t.OnNotice(Notice(LinkNotice::Kind::Connected, 0, kA));
    for (int s = 1; s <= 12; ++s) {
        t.OnPass(Pass(s, kA, 36, -72, -63, -30));  // B 9 dB stronger from second 1
        EXPECT_EQ(t.StickyWarning(), s >= 11 ? "Sticky: 02:00:00:00:00:0B is 9 dB stronger" : "") << s;
    }
    t.OnPass(Pass(13, kA, 36, -70, -63, -30));  // 7 dB: no longer clearly stronger
    EXPECT_EQ(t.StickyWarning(), "");
    t.OnPass(Pass(14, "", 0, -70, -60, -30));  // not connected: nothing to stick to
    EXPECT_EQ(t.StickyWarning(), "");
}

TEST(LinkEvents, NamesFromTheAirAreEscapedInTheLog) {
    LinkEvent e;
    e.kind = LinkEvent::Kind::Connected;
    e.ssid = "Evil\r\nRoam from";
    e.to.bssid = kA;
    EXPECT_EQ(LinkTracker::LogLine(e), "Connected to 02:00:00:00:00:0A (Evil\\x0d\\x0aRoam from)");
}

}  // namespace
