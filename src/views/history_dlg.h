#pragma once
// The signal-history window: RSSI in dBm over clock time for the access points
// chosen in the list, each in its network's chart colour, the serving BSSID
// thicker, the roams marked; over the last 5 minutes, the last hour or all that is
// kept. Not modal; it follows the scan while it shows.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win32/controls.h"
#include "common/win32/drawn_control.h"
#include "common/win32/window.h"
#include "common/win32/window.h"
#include "survey/history_view.h"

class LinkMonitor;

class HistoryGraph : public DrawnControl {
public:
    bool Create(Window& parent, const Placement& place);
    void SetView(HistoryView view);
    const HistoryView& View() const { return view_; }
    std::string TipAt(int x, int y) const override;

protected:
    void Paint(HDC dc) override;

private:
    int Px(int design_pixels) const { return parent_ ? parent_->Scale(design_pixels) : design_pixels; }
    HistoryView view_;
};

class THistoryDlg : public SideWindow {
public:
    explicit THistoryDlg(HWND owner);

    // Shows the chosen access points' history.
    void ShowHistory(const LinkMonitor& link, std::vector<HistoryPick> picks);
    bool Showing() const { return hwnd_ && IsWindowVisible(hwnd_); }
    void PassCompleted(const LinkMonitor& link);
    void SetSpan(HistorySpan span);
    HistorySpan Span() const { return span_; }
    // Writes the shown series; false, with the reason, when the file could not be written.
    bool ExportCsv(const std::string& fileName, std::string& problem);

    HistoryGraph graph;
    Button span5_btn, span60_btn, spanAll_btn, export_btn;
    Label picked_lbl;
    // The file to export to; tests answer instead of the save dialog.
    std::function<bool(std::string& fileName)> askCsvFile;

private:
    void Refresh();
    void ExportClick();

    const LinkMonitor* link_ = nullptr;
    std::vector<HistoryPick> picks_;
    HistorySpan span_ = HistorySpan::FiveMinutes;
};
