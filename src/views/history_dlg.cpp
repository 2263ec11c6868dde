#include "views/history_dlg.h"

#include <algorithm>
#include <cmath>

#include <commdlg.h>

#include "common/win32/replace_file.h"
#include "common/win32/unique.h"
#include "common/win32/wide.h"
#include "survey/link_monitor.h"
#include "views/link_dlg.h"

namespace {

constexpr wchar_t kGraphClass[] = L"VellumarHistoryGraph";
constexpr int kClientWidth = 760, kClientHeight = 420;
constexpr int kTopDbm = -20, kBottomDbm = -100;
// Label steps of the time axis, in seconds: the first that leaves at most eight labels.
constexpr int64_t kTimeSteps[] = {10, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};

// The file name of the save dialog, or false when cancelled.
bool AskCsv(HWND owner, std::string& fileName) {
    wchar_t file[MAX_PATH] = L"signal-history.csv";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"CSV (*.csv)\0*.csv\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = L"csv";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn)) return false;
    fileName = Narrow(file);
    return true;
}

}  // namespace

bool HistoryGraph::Create(Window& parent, const Placement& place) {
    return CreateDrawn(parent, kGraphClass, place.rect, place.anchors);
}

void HistoryGraph::SetView(HistoryView view) {
    view_ = std::move(view);
    if (hwnd_ && !PaintNow()) InvalidateRect(hwnd_, nullptr, FALSE);
}

std::string HistoryGraph::TipAt(int, int) const { return ""; }

void HistoryGraph::Paint(HDC target) {
    RECT client;
    GetClientRect(hwnd_, &client);
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return;
    // Drawn off screen and copied at once: no flicker as the passes come.
    UniqueDC dc(CreateCompatibleDC(target));
    UniqueGdiObject bitmap(CreateCompatibleBitmap(target, w, h));
    SelectGuard keepBitmap(dc.get(), bitmap.get());
    SelectGuard keepFont(dc.get(), parent_ ? parent_->Font() : GetStockObject(DEFAULT_GUI_FONT));
    UniqueGdiObject white(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(dc.get(), &client, static_cast<HBRUSH>(white.get()));
    SetBkMode(dc.get(), TRANSPARENT);

    const RECT plot{Px(56), Px(10), w - Px(12), h - Px(26)};
    if (plot.right <= plot.left || plot.bottom <= plot.top) return;
    const auto yOf = [&](double dbm) {
        return plot.top + static_cast<int>(std::lround((kTopDbm - dbm) * (plot.bottom - plot.top) / (kTopDbm - kBottomDbm)));
    };
    const int64_t t0 = view_.times.empty() ? 0 : view_.times.front();
    const int64_t t1 = view_.times.empty() ? 1 : std::max(view_.times.back(), t0 + 1000);
    const auto xOf = [&](int64_t t) {
        return plot.left + static_cast<int>((t - t0) * (plot.right - plot.left) / (t1 - t0));
    };

    // Grid and dBm labels every 10 dB.
    UniqueGdiObject gridPen(CreatePen(PS_SOLID, 1, RGB(224, 224, 224)));
    UniqueGdiObject axisPen(CreatePen(PS_SOLID, 1, RGB(96, 96, 96)));
    SetTextColor(dc.get(), RGB(64, 64, 64));
    for (int dbm = kTopDbm; dbm >= kBottomDbm; dbm -= 10) {
        const int y = yOf(dbm);
        SelectGuard pen(dc.get(), gridPen.get());
        MoveToEx(dc.get(), plot.left, y, nullptr);
        LineTo(dc.get(), plot.right, y);
        RECT label{0, y - Px(8), plot.left - Px(6), y + Px(8)};
        const std::wstring text = Widen(std::to_string(dbm) + " dBm");
        DrawTextW(dc.get(), text.c_str(), -1, &label, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    // Clock-time labels at a step that leaves room for them.
    if (!view_.times.empty()) {
        const int64_t seconds = (t1 - t0) / 1000;
        int64_t step = kTimeSteps[std::size(kTimeSteps) - 1];
        for (int64_t s : kTimeSteps)
            if (seconds / s <= 7) {
                step = s;
                break;
            }
        const int64_t stepMs = step * 1000;
        for (int64_t t = (t0 + stepMs - 1) / stepMs * stepMs; t <= t1; t += stepMs) {
            const int x = xOf(t);
            SelectGuard pen(dc.get(), gridPen.get());
            MoveToEx(dc.get(), x, plot.top, nullptr);
            LineTo(dc.get(), x, plot.bottom);
            std::string text = LocalClockText(t);
            if (step >= 60 && text.size() > 5) text.resize(5);  // "14:05"
            const std::wstring wide = Widen(text);
            RECT label{x - Px(40), plot.bottom + Px(4), x + Px(40), h};
            DrawTextW(dc.get(), wide.c_str(), -1, &label, DT_CENTER | DT_TOP | DT_SINGLELINE);
        }
    }
    {
        SelectGuard pen(dc.get(), axisPen.get());
        SelectGuard brush(dc.get(), GetStockObject(NULL_BRUSH));
        Rectangle(dc.get(), plot.left, plot.top, plot.right + 1, plot.bottom + 1);
    }
    // Roams: dashed orange verticals.
    UniqueGdiObject roamPen(CreatePen(PS_DASH, 1, RGB(230, 120, 0)));
    for (int64_t t : view_.roams) {
        SelectGuard pen(dc.get(), roamPen.get());
        MoveToEx(dc.get(), xOf(t), plot.top, nullptr);
        LineTo(dc.get(), xOf(t), plot.bottom);
    }
    // The series, the serving one last and thicker; a pass not heard breaks the line.
    std::vector<const HistorySeries*> order;
    for (const HistorySeries& s : view_.series) order.push_back(&s);
    std::stable_partition(order.begin(), order.end(), [](const HistorySeries* s) { return !s->serving; });
    const HRGN clip = CreateRectRgn(plot.left, plot.top, plot.right + 1, plot.bottom + 1);
    SelectClipRgn(dc.get(), clip);
    DeleteObject(clip);
    for (const HistorySeries* s : order) {
        UniqueGdiObject linePen(CreatePen(PS_SOLID, s->serving ? Px(3) : Px(1) + 1, s->colour));
        SelectGuard pen(dc.get(), linePen.get());
        bool drawing = false;
        for (size_t k = 0; k < s->rssi.size() && k < view_.times.size(); ++k) {
            if (!s->rssi[k]) {
                drawing = false;
                continue;
            }
            const int x = xOf(view_.times[k]), y = yOf(*s->rssi[k]);
            if (drawing) {
                LineTo(dc.get(), x, y);
            } else {
                MoveToEx(dc.get(), x, y, nullptr);
                LineTo(dc.get(), x + 1, y);  // a single pass shows as a dot
                MoveToEx(dc.get(), x, y, nullptr);
            }
            drawing = true;
        }
    }
    SelectClipRgn(dc.get(), nullptr);
    BitBlt(target, 0, 0, w, h, dc.get(), 0, 0, SRCCOPY);
}

THistoryDlg::THistoryDlg(HWND owner) {
    CreateFrame({.caption = "Signal History", .owner = owner, .client_width = kClientWidth, .client_height = kClientHeight});
    SetMinimumClientSize(420, 260);
    span5_btn.Create(*this, {.caption = "5 min", .rect = {6, 6, 70, 24}});
    span60_btn.Create(*this, {.caption = "1 h", .rect = {80, 6, 70, 24}});
    spanAll_btn.Create(*this, {.caption = "All", .rect = {154, 6, 70, 24}});
    export_btn.Create(*this, {.caption = "Export CSV...", .rect = {644, 6, 110, 24}, .anchors = AnchorTop | AnchorRight});
    picked_lbl.Create(*this, {.rect = {234, 10, 400, 18}, .anchors = AnchorLeft | AnchorTop | AnchorRight});
    graph.Create(*this, {.rect = {6, 36, 748, 378}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
    span5_btn.onClick = [this] { SetSpan(HistorySpan::FiveMinutes); };
    span60_btn.onClick = [this] { SetSpan(HistorySpan::OneHour); };
    spanAll_btn.onClick = [this] { SetSpan(HistorySpan::All); };
    export_btn.onClick = [this] { ExportClick(); };
    askCsvFile = [this](std::string& fileName) { return AskCsv(hwnd_, fileName); };
}

void THistoryDlg::ShowHistory(const LinkMonitor& link, std::vector<HistoryPick> picks) {
    link_ = &link;
    picks_ = std::move(picks);
    std::string names;
    for (const HistoryPick& p : picks_) names += (names.empty() ? "" : ", ") + p.bssid;
    picked_lbl.SetText(names.empty() ? "Select access points in the list first" : names);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    Refresh();
}

void THistoryDlg::PassCompleted(const LinkMonitor& link) {
    link_ = &link;
    if (Showing()) Refresh();
}

void THistoryDlg::SetSpan(HistorySpan span) {
    span_ = span;
    Refresh();
}

void THistoryDlg::Refresh() {
    if (!link_) return;
    const LinkStatus& status = link_->Status();
    graph.SetView(MakeHistoryView(link_->History(), picks_, span_, status.connected ? status.bssid : "",
                                  link_->Tracker().Events()));
}

bool THistoryDlg::ExportCsv(const std::string& fileName, std::string& problem) {
    if (!link_) return false;
    ReplacingFileWriter files;
    const FileWriteResult r = files.Replace(fileName, HistoryCsv(link_->History(), graph.View()));
    if (!r.ok) problem = r.error;
    return r.ok;
}

void THistoryDlg::ExportClick() {
    std::string fileName, problem;
    if (!askCsvFile || !askCsvFile(fileName)) return;
    if (!ExportCsv(fileName, problem))
        MessageBoxW(hwnd_, Widen("Could not write " + fileName + ":\n" + problem).c_str(), L"Signal History",
                    MB_OK | MB_ICONERROR);
}
