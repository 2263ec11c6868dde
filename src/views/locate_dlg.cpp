#include "views/locate_dlg.h"

#include "common/air_text.h"
#include "wireless/value_text.h"

#include <algorithm>
#include <utility>

namespace {

constexpr char kPlacementSetting[] = "locate_window";  // a WindowPlace
constexpr int kClientWidth = 380, kClientHeight = 336;
constexpr unsigned kAcross = AnchorLeft | AnchorTop | AnchorRight;
constexpr unsigned kAcrossBottom = AnchorLeft | AnchorRight | AnchorBottom;

}  // namespace

TLocateDlg::TLocateDlg(HWND owner) {
    CreateFrame({.caption = "Locate", .owner = owner, .client_width = kClientWidth, .client_height = kClientHeight});
    SetMinimumClientSize(300, kClientHeight);
    ssid_lbl.Create(*this, {.rect = {10, 10, 360, 18}, .anchors = kAcross});
    ssid_lbl.SetBold(true);
    bssid_lbl.Create(*this, {.rect = {10, 30, 360, 16}, .anchors = kAcross});
    vendor_lbl.Create(*this, {.rect = {10, 48, 360, 16}, .anchors = kAcross});
    channel_lbl.Create(*this, {.rect = {10, 66, 360, 16}, .anchors = kAcross});
    gauge.Create(*this, {.rect = {10, 88, 360, 152}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    change_lbl.Create(*this, {.rect = {10, 246, 360, 18}, .anchors = kAcrossBottom});
    change_lbl.SetBold(true);
    range_lbl.Create(*this, {.rect = {10, 266, 360, 16}, .anchors = kAcrossBottom});
    heard_lbl.Create(*this, {.rect = {10, 284, 360, 16}, .anchors = kAcrossBottom});
    // M, the window's mute key, is the box's mnemonic: it works wherever the focus is in the window.
    tone_chk.Create(*this, {.caption = "Tone (&M mutes)", .rect = {10, 308, 130, 20}, .anchors = AnchorLeft | AnchorBottom});
    tone_chk.SetChecked(true);
    tone_chk.onClick = [this] { UpdateTone(); };
    sound_lbl.Create(*this, {.rect = {146, 311, 224, 16}, .anchors = kAcrossBottom});
}

TLocateDlg::~TLocateDlg() { Stop(); }

void TLocateDlg::LocateAccessPoint(SurveySession& session, const std::array<uint8_t, 6>& bssid) {
    if (session_ != &session) {
        Stop();
        session_ = &session;
        session.Subscribe(*this);
    }
    if (bssid != bssid_ || !Showing()) {
        track_ = {};
        announcer_ = {};
        bssid_ = bssid;
    }
    session.HurryScans(true);
    if (!std::exchange(placed_, true) && !RestoreWindowPlace(hwnd_, kPlacementSetting)) {
        // Near the owner's top left corner, clear of its menu.
        RECT owner{};
        GetWindowRect(GetWindow(hwnd_, GW_OWNER), &owner);
        SetWindowPos(hwnd_, nullptr, owner.left + Scale(40), owner.top + Scale(60), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    if (const HWND focus = GetFocus(); focus == hwnd_ || !IsChild(hwnd_, focus)) SetFocus(tone_chk.hwnd());
    if (track_.History().empty()) Follow(session);
}

void TLocateDlg::PassEnded(const SurveySession& session, const TickOutcome& outcome) {
    if (outcome.pass == 0u && Showing()) Follow(session);
}

void TLocateDlg::Follow(const SurveySession& session) {
    const std::optional<LocateSighting> seen = FindSighting(session.Scan().bssList.get(), bssid_);
    track_.Pass(seen ? std::optional(seen->rssi) : std::nullopt, MonotonicMilliseconds());
    if (seen) {
        ssid_lbl.SetText(AirTextForDisplay(seen->facts.ssid));
        bssid_lbl.SetText("BSSID " + seen->facts.bssid);
        vendor_lbl.SetText("Vendor " + (seen->facts.vendor.empty() ? std::string("unknown") : seen->facts.vendor));
        channel_lbl.SetText("Channel " + seen->facts.channel);
    } else if (bssid_lbl.Text().empty()) {
        uint8_t mac[6];
        std::copy(bssid_.begin(), bssid_.end(), mac);
        bssid_lbl.SetText("BSSID " + MacAddressText(mac));
    }
    ShowTrack();
    if (announcer_.ShouldAnnounce(track_.Rssi())) {
        ++announcements_;
        gauge.AnnounceValueChange();
    }
    UpdateTone();
}

void TLocateDlg::ShowTrack() {
    gauge.SetReading(track_.Rssi(), track_.History());
    change_lbl.SetText(LocateChangeText(track_.Change()));
    range_lbl.SetText(LocateRangeText(track_));
    heard_lbl.SetText(LastHeardText(track_.LastHeardMs(), MonotonicMilliseconds()));
}

void TLocateDlg::UpdateTone() {
    player_.Play(Showing() && tone_chk.Checked() ? ToneFor(track_.Rssi()) : std::nullopt);
    sound_lbl.SetText(player_.Unavailable() ? "No sound device: the tone is not heard" : "");
}

void TLocateDlg::Stop() {
    player_.Play(std::nullopt);
    if (!session_) return;
    session_->HurryScans(false);
    session_->Unsubscribe(*this);
    session_ = nullptr;
}

void TLocateDlg::SaveSettings() {
    if (hwnd_ && placed_) SaveWindowPlace(hwnd_, kPlacementSetting);
}

void TLocateDlg::Closing() {
    SaveSettings();
    Stop();
}
