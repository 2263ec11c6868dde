#pragma once
// The Locate window: one access point's signal, large, while the surveyor walks
// towards it. It follows the survey's passes while open (asking for fresh scans as
// often as allowed), plays a tone whose rate and pitch rise with the signal, and
// tells a screen reader the signal whenever it has moved by a few decibels. Not
// modal; it keeps its place.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>

#include "common/win32/controls.h"
#include "common/win32/window.h"
#include "survey/locate_tone.h"
#include "survey/locate_track.h"
#include "survey/survey_session.h"
#include "survey/win32/tone_player.h"
#include "views/locate_gauge.h"

class TLocateDlg : public SideWindow, private SurveyObserver {
public:
    explicit TLocateDlg(HWND owner);
    ~TLocateDlg() override;

    // Shows the window for the access point, starting afresh from what the last pass heard.
    void LocateAccessPoint(SurveySession& session, const std::array<uint8_t, 6>& bssid);
    bool Showing() const { return hwnd_ && IsWindowVisible(hwnd_); }
    void SaveSettings();

    const LocateTrack& Track() const { return track_; }
    const TonePlayer& Tone() const { return player_; }
    int Announcements() const { return announcements_; }  // value changes told to screen readers

    Label ssid_lbl, bssid_lbl, vendor_lbl, channel_lbl;
    LocateGauge gauge;
    Label change_lbl, range_lbl, heard_lbl;
    CheckBox tone_chk;
    Label sound_lbl;  // says when no sound device plays the tone

protected:
    // Hidden, kept for the next access point; silent and unhurried meanwhile.
    void Closing() override;

private:
    void PassEnded(const SurveySession& session, const TickOutcome& outcome) override;
    void Follow(const SurveySession& session);
    void ShowTrack();
    void UpdateTone();
    void Stop();

    SurveySession* session_ = nullptr;
    std::array<uint8_t, 6> bssid_{};
    LocateTrack track_;
    SignalAnnouncer announcer_;
    TonePlayer player_;
    int announcements_ = 0;
    bool placed_ = false;
};
