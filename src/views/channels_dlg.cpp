#include "views/channels_dlg.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/text.h"
#include "common/win32/settings.h"
#include "common/win32/wide.h"

namespace {

constexpr char kPlacementSetting[] = "channels_window";  // "left,top,width,height" in screen pixels
constexpr char kTabSetting[] = "channels_tab";           // 0, 1 or 2
constexpr int kClientWidth = 760, kClientHeight = 540;
constexpr int kColumnWidths[] = {70, 100, 110, 70, 60};

std::optional<std::array<int, 4>> ParsePlacement(const std::string& text) {
    if (CountTokens(text, ",") != 4) return std::nullopt;
    std::array<int, 4> values{};
    for (int i = 0; i < 4; ++i) {
        const std::optional<int32_t> v = StrToInt(TokenAt(text, i, ","));
        if (!v) return std::nullopt;
        values[static_cast<size_t>(i)] = *v;
    }
    if (values[2] <= 0 || values[3] <= 0) return std::nullopt;
    return values;
}

// A setting that a registry refuses to read is no setting at all.
std::string SafeRead(const char* name) {
    try {
        return ReadSetting(name);
    } catch (const std::exception&) {
        return "";
    }
}

}  // namespace

TChannelsDlg::TChannelsDlg(HWND owner) {
    CreateFrame({.caption = "Channels", .owner = owner, .client_width = kClientWidth, .client_height = kClientHeight});
    SetMinimumClientSize(420, 320);
    // The tab's page holds the graph and the table; they lie above it in the z-order.
    band_tab.Create(*this, {.rect = {6, 6, 748, 528}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    for (WifiBand band : kWifiBands) band_tab.AddTab(std::string(PlanOf(band).name));
    graph.Create(*this, {.rect = {14, 36, 732, 318}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    channel_lst.Create(*this, {.rect = {14, 362, 732, 164}, .anchors = AnchorLeft | AnchorRight | AnchorBottom});
    const std::vector<std::string> columns = ChannelTableColumns();
    for (size_t c = 0; c < columns.size(); ++c) channel_lst.AddColumn(columns[c], kColumnWidths[c]);
    for (HWND child : {graph.hwnd(), channel_lst.hwnd()})
        SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    const std::optional<int32_t> tab = StrToInt(SafeRead(kTabSetting));
    band_tab.Select(tab && *tab >= 0 && *tab < band_tab.TabCount() ? *tab : 0);
    band_tab.onChange = [this] { TabChanged(); };
    graph.SetBand(Band());
    FillTable();
}

WifiBand TChannelsDlg::Band() const {
    const int tab = band_tab.Selected();
    return kWifiBands[tab >= 0 && tab < static_cast<int>(std::size(kWifiBands)) ? tab : 0];
}

void TChannelsDlg::RestorePlacement() {
    if (std::exchange(placed_, true)) return;
    const auto placement = ParsePlacement(SafeRead(kPlacementSetting));
    if (!placement) return;
    const auto [left, top, width, height] = *placement;
    // A place on a screen that is no longer there is forgotten.
    const RECT r{left, top, left + width, top + height};
    if (!MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return;
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TChannelsDlg::ShowChannels(std::vector<ChannelAp> aps) {
    RestorePlacement();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    PassCompleted(std::move(aps));
}

void TChannelsDlg::PassCompleted(std::vector<ChannelAp> aps) {
    if (!Showing()) return;  // a closed window draws nothing
    aps_ = std::move(aps);
    graph.SetAccessPoints(aps_);
    FillTable();
}

void TChannelsDlg::TabChanged() {
    graph.SetBand(Band());
    FillTable();
    try {
        WriteSetting(kTabSetting, std::to_string(band_tab.Selected()));
    } catch (const std::exception&) {
        // the tab is a convenience: a registry that refuses it changes nothing else
    }
}

void TChannelsDlg::FillTable() {
    const std::vector<ChannelRow> rows = ChannelTable(aps_, Band());
    const ListView::Batch batch(channel_lst);  // the pass's changes painted once, at its end
    while (channel_lst.RowCount() > static_cast<int>(rows.size())) channel_lst.DeleteLastRow();
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string> cells = ChannelRowCells(rows[i]);
        ReportRow row;
        row.caption = cells[0];
        row.subItems.assign(cells.begin() + 1, cells.end());
        row.data = static_cast<intptr_t>(rows[i].channel);
        if (channel_lst.RowCount() <= static_cast<int>(i)) channel_lst.AppendRow();
        channel_lst.SetRow(static_cast<int>(i), row);
    }
}

void TChannelsDlg::SaveSettings() {
    if (!hwnd_ || !placed_) return;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd_, &wp);
    const RECT& r = wp.rcNormalPosition;  // the restored place, also while minimised or maximised
    try {
        WriteSetting(kPlacementSetting, std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                                            std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top));
        WriteSetting(kTabSetting, std::to_string(band_tab.Selected()));
    } catch (const std::exception&) {
        // as with the tab: nothing else depends on it
    }
}

LRESULT TChannelsDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            // Hidden, not destroyed: the window is reused, and draws nothing while hidden.
            SaveSettings();
            ShowWindow(hwnd_, SW_HIDE);
            if (HWND owner = GetWindow(hwnd_, GW_OWNER)) SetActiveWindow(owner);
            return 0;
        default:
            break;
    }
    return Window::OnMessage(msg, wp, lp);
}
