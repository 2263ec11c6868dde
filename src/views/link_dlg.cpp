#include "views/link_dlg.h"

#include <cstdio>

#include "survey/link_monitor.h"

namespace {

constexpr int kClientWidth = 720, kClientHeight = 480;
constexpr int kEventWidths[] = {80, 90, 200, 200, 70, 70};

// Rows set in place, so a pass that changes one value repaints that cell alone.
void SetRows(ListView& list, const std::vector<std::vector<std::string>>& rows) {
    const int count = static_cast<int>(rows.size());
    while (list.RowCount() > count) list.DeleteLastRow();
    while (list.RowCount() < count) list.AppendRow();
    for (int r = 0; r < count; ++r) {
        const auto& cells = rows[static_cast<size_t>(r)];
        ReportRow row;
        row.caption = cells.empty() ? "" : cells[0];
        row.subItems.assign(cells.begin() + (cells.empty() ? 0 : 1), cells.end());
        list.SetRow(r, row);
    }
}

}  // namespace

std::string LocalClockText(int64_t timeMs) {
    // FILETIME counts 100 ns from 1601.
    const uint64_t ticks = static_cast<uint64_t>(timeMs) * 10000 + 116444736000000000ull;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME u, local;
    if (!FileTimeToSystemTime(&utc, &u) || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &local)) return "";
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", local.wHour, local.wMinute, local.wSecond);
    return text;
}

TLinkDlg::TLinkDlg(HWND owner) {
    CreateFrame({.caption = "Link", .owner = owner, .client_width = kClientWidth, .client_height = kClientHeight});
    SetMinimumClientSize(420, 300);
    detail_lst.Create(*this, {.rect = {6, 6, 708, 200}, .anchors = AnchorLeft | AnchorTop | AnchorRight});
    detail_lst.AddColumn("Info", 160);
    detail_lst.AddColumn("Value", 400);
    detail_lst.SetLastColumnFills(true);
    event_lst.Create(*this, {.rect = {6, 212, 708, 262}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    for (size_t c = 0; c < std::size(kLinkEventColumns); ++c) event_lst.AddColumn(kLinkEventColumns[c], kEventWidths[c]);
    event_lst.SetEmptyText("No connects, roams or disconnects yet");
}

void TLinkDlg::ShowLink(const LinkMonitor& link) {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    PassCompleted(link);
}

void TLinkDlg::PassCompleted(const LinkMonitor& link) {
    if (!Showing()) return;
    std::vector<std::vector<std::string>> details;
    for (auto& [caption, value] : LinkDetailRows(link.Status())) details.push_back({caption, value});
    SetRows(detail_lst, details);
    std::vector<std::vector<std::string>> events;
    for (const LinkEvent& e : link.Tracker().Events()) events.push_back(LinkEventCells(e, LocalClockText(e.timeMs)));
    SetRows(event_lst, events);
}
