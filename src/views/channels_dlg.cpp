#include "views/channels_dlg.h"

#include <algorithm>
#include <optional>

#include "common/text.h"
#include "common/win32/settings.h"
#include "common/win32/wide.h"

#include <commctrl.h>

namespace {

constexpr char kPlacementSetting[] = "channels_window";  // a WindowPlace
constexpr char kTabSetting[] = "channels_tab";           // 0, 1 or 2
constexpr int kClientWidth = 760, kClientHeight = 540;
constexpr int kColumnWidths[] = {70, 100, 110, 70, 60};
constexpr int kLoadColumn = 3;

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
    SetMinimumClientSize(450, 340);  // the table's columns, "Best" the last, stay in view
    // The tab's page holds the graph and the table; they lie above it in the z-order.
    band_tab.Create(*this, {.rect = {6, 6, 748, 528}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    for (WifiBand band : kWifiBands) band_tab.AddTab(std::string(PlanOf(band).name));
    graph.Create(*this, {.rect = {14, 36, 732, 318}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    recommend_lbl.Create(*this, {.rect = {14, 360, 732, 18}, .anchors = AnchorLeft | AnchorRight | AnchorBottom});
    recommend_lbl.SetBold(true);
    channel_lst.Create(*this, {.rect = {14, 380, 732, 146}, .anchors = AnchorLeft | AnchorRight | AnchorBottom});
    const std::vector<std::string> columns = ChannelTableColumns();
    for (size_t c = 0; c < columns.size(); ++c) channel_lst.AddColumn(columns[c], kColumnWidths[c]);
    CreateLoadTip();
    for (HWND child : {graph.hwnd(), recommend_lbl.hwnd(), channel_lst.hwnd()})
        SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    const std::optional<int32_t> tab = StrToInt(SafeRead(kTabSetting));
    band_tab.Select(tab && *tab >= 0 && *tab < band_tab.TabCount() ? *tab : 0);
    band_tab.onChange = [this] { TabChanged(); };
    graph.SetBand(Band());
    graph.onOpenPart = [this](size_t part) {
        const std::vector<size_t> order = graph.PartOrder();
        if (part < order.size() && onOpenAccessPoint) onOpenAccessPoint(graph.AccessPoints()[order[part]].bssid);
    };
    FillTable();
}

WifiBand TChannelsDlg::Band() const {
    const int tab = band_tab.Selected();
    return kWifiBands[tab >= 0 && tab < static_cast<int>(std::size(kWifiBands)) ? tab : 0];
}

void TChannelsDlg::RestorePlacement() {
    if (std::exchange(placed_, true)) return;
    if (!RestoreWindowPlace(hwnd_, kPlacementSetting)) PlaceBesideOwner();
}

void TChannelsDlg::PlaceBesideOwner() {
    const HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (!owner) return;
    RECT o, w;
    GetWindowRect(owner, &o);
    GetWindowRect(hwnd_, &w);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi)) return;
    const RECT& work = mi.rcWork;
    const int width = w.right - w.left, height = w.bottom - w.top;
    // Right of the owner where it fits, else left of it, else over its right part; level with its top.
    int left = o.right;
    if (left + width > work.right) left = o.left - width >= work.left ? o.left - width : work.right - width;
    left = std::max<int>(work.left, left);
    const int top = std::clamp<int>(o.top, work.top, std::max<int>(work.top, work.bottom - height));
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TChannelsDlg::ShowChannels(std::vector<ChannelAp> aps) {
    RestorePlacement();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    // The keyboard starts on the table (or where it was left, which activation restores).
    if (const HWND focus = GetFocus(); focus == hwnd_ || !IsChild(hwnd_, focus)) SetFocus(channel_lst.hwnd());
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

void TChannelsDlg::CreateLoadTip() {
    load_tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!load_tip_) return;
    std::wstring text = Widen(kLoadExplanation);
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_SUBCLASS;
    info.hwnd = ListView_GetHeader(channel_lst.hwnd());
    info.uId = kLoadColumn;
    info.lpszText = text.data();
    SendMessageW(load_tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageW(load_tip_, TTM_SETMAXTIPWIDTH, 0, Scale(320));
    PlaceLoadTip();
}

void TChannelsDlg::PlaceLoadTip() {
    if (!load_tip_) return;
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = ListView_GetHeader(channel_lst.hwnd());
    info.uId = kLoadColumn;
    Header_GetItemRect(info.hwnd, kLoadColumn, &info.rect);
    SendMessageW(load_tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

void TChannelsDlg::FillTable() {
    const std::vector<ChannelRow> rows = ChannelTable(aps_, Band());
    recommend_lbl.SetText(RecommendationText(rows, Band()));
    PlaceLoadTip();  // the column may have been dragged wider
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
    SaveWindowPlace(hwnd_, kPlacementSetting);
    try {
        WriteSetting(kTabSetting, std::to_string(band_tab.Selected()));
    } catch (const std::exception&) {
        // as with the tab: nothing else depends on it
    }
}

LRESULT TChannelsDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE || msg == WM_DPICHANGED) {
        const LRESULT r = SideWindow::OnMessage(msg, wp, lp);
        PlaceLoadTip();
        return r;
    }
    // Closed, it is hidden, not destroyed: reused, and drawing nothing while hidden.
    return SideWindow::OnMessage(msg, wp, lp);
}
