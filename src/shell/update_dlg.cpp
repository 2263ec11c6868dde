#include "shell/update_dlg.h"

#include "common/picture.h"
#include "common/win32/shell.h"
#include "shell/auto_update_dlg.h"
#include "update/update_check.h"

TUpdateDlg::TUpdateDlg(HWND owner, TAutoUpdateDlg& autoUpdate) : owner_(owner), autoUpdate_(autoUpdate) {
    CreateDialogFrame({.caption = "Update", .owner = owner, .client_width = 333, .client_height = 123});
    top_pnl.Create(
        *this,
        {.color = RGB(255, 255, 255), .rect = {-4, 0, 377, 65}, .anchors = AnchorLeft | AnchorTop | AnchorRight});
    Label2.Create(*this, {.text = "Update Available", .rect = {23, 8, 170, 13}});
    Label2.SetBold(true);
    Label2.SetColors(CLR_INVALID, top_pnl.Brush());
    Label1.Create(*this, {.text = "New version is available to download ! Updates are recommended in order to "
                                  "benefit from bug fixes and new features.",
                          .rect = {23, 25, 308, 40},
                          .anchors = AnchorLeft | AnchorTop | AnchorRight,
                          .word_wrap = true});
    Label1.SetColors(CLR_INVALID, top_pnl.Brush());
    changelog_lbl.Create(*this, {.text = "Change Log", .rect = {200, 8, 129, 13}});
    changelog_lbl.SetColors(RGB(0, 0, 255), top_pnl.Brush());
    // The band lies under its labels.
    SetWindowPos(top_pnl.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    constexpr unsigned kBottomLeft = AnchorLeft | AnchorBottom;
    auto_btn.Create(*this, {.caption = "Automatic Update", .rect = {1, 70, 115, 45}, .anchors = kBottomLeft, .is_default = true});
    manual_btn.Create(*this, {.caption = "Manual Update", .rect = {121, 70, 115, 45}, .anchors = kBottomLeft});
    close_btn.Create(*this, {.caption = "Close", .rect = {241, 70, 90, 45}, .anchors = kBottomLeft, .id = IDCANCEL});
    auto_btn.SetGlyph(Glyph::GreenShield, 16);
    manual_btn.SetGlyph(Glyph::GreenShield, 16);
    close_btn.SetGlyph(Glyph::RedCross, 16);
    auto_btn.onClick = [this] { auto_btnClick(); };
    manual_btn.onClick = [this] { manual_btnClick(); };
    close_btn.onClick = [this] { EndModal(IDCANCEL); };
    changelog_lbl.onClick = [this] { changelog_lblClick(); };

    TimerClose.Attach(*this, 1000);
    TimerClose.onTick = [this] { TimerCloseTimer(); };
    FormCreate();
}

void TUpdateDlg::FormCreate() { OnChangeLog = nullptr; }

bool TUpdateDlg::Execute() {
    changelog_lbl.SetVisible(static_cast<bool>(OnChangeLog));
    Countdown = 20;
    const std::string caption = close_btn.Text();
    if (caption.find('(') == std::string::npos || CloseCaption.empty()) CloseCaption = caption;
    close_btn.SetText(CloseCaption);  // drops a countdown left from an earlier showing
    TimerClose.SetEnabled(true);
    const int result = ShowModal(owner_);
    TimerClose.SetEnabled(false);
    return result == IDOK;
}

void TUpdateDlg::TimerCloseTimer() {
    close_btn.SetText(CountdownCaption(CloseCaption, Countdown));
    if (--Countdown <= 0) {
        TimerClose.SetEnabled(false);
        EndModal(IDCANCEL);
    }
}

void TUpdateDlg::manual_btnClick() {
    TimerClose.SetEnabled(false);
    LogAdd(Log, "Manual update selected by user", LogLevel::Info);
    ShellOpenDocument(ProductPageURL, "", "");
    EndModal(IDOK);
}

void TUpdateDlg::auto_btnClick() {
    TimerClose.SetEnabled(false);
    LogAdd(Log, "Auto update selected by user", LogLevel::Info);
    if (!RunsInstallers) {
        LogAdd(Log, "Auto update : unsigned program, the download page is opened instead", LogLevel::Info);
        ShellOpenDocument(ProductPageURL, "", "");
        EndModal(IDOK);
        return;
    }
    autoUpdate_.DownloadURL = InstallerURL;
    autoUpdate_.Expected = Expected;
    autoUpdate_.Log = Log;
    autoUpdate_.SetProxy(Proxy.use, Proxy.host, Proxy.port, Proxy.user, Proxy.password);
    const bool started = autoUpdate_.Execute(hwnd_);
    LogAdd(Log, started ? "Auto update succeeded" : "Auto update failed", LogLevel::Info);
    EndModal(started ? IDOK : IDCANCEL);
}

void TUpdateDlg::changelog_lblClick() {
    if (OnChangeLog) OnChangeLog(*this);
}

LRESULT TUpdateDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETCURSOR && reinterpret_cast<HWND>(wp) == changelog_lbl.hwnd()) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return ModalWindow::OnMessage(msg, wp, lp);
}
