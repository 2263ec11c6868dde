#pragma once
// The channel view: one tab per band, the graph of who shares the air over it
// and the table of its channels under the graph. Not modal and resizable; it
// follows the scan while it is open (each completed pass hands it the access
// points), and keeps its place and last tab as settings.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win32/list_view.h"
#include "common/win32/tab_strip.h"
#include "common/win32/window.h"
#include "common/win32/window.h"
#include "survey/channel_graph.h"
#include "survey/win32/channel_graph_control.h"

class TChannelsDlg : public SideWindow {
public:
    explicit TChannelsDlg(HWND owner);

    // Shows the window (restoring its place the first time) and draws the last pass.
    void ShowChannels(std::vector<ChannelAp> aps);
    bool Showing() const { return hwnd_ && IsWindowVisible(hwnd_); }
    // A completed pass: redraws while the window shows, else does nothing.
    void PassCompleted(std::vector<ChannelAp> aps);
    // Writes the place and the tab; the window does it when it closes, the main window at exit.
    void SaveSettings();
    WifiBand Band() const;
    // Enter on an access point of the graph: its details, by BSSID.
    std::function<void(const std::string& bssid)> onOpenAccessPoint;

    TabStrip band_tab;
    ChannelGraphControl graph;
    Label recommend_lbl;  // the band's best channel, or that nothing was heard
    ListView channel_lst;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Closing() override { SaveSettings(); }

private:
    void FillTable();
    void TabChanged();
    void CreateLoadTip();
    void PlaceLoadTip();
    void RestorePlacement();  // the place it was left, else beside the main window
    void PlaceBesideOwner();

    std::vector<ChannelAp> aps_;
    bool placed_ = false;
    HWND load_tip_ = nullptr;  // over the "Load" header; goes with the window, its owner
};
