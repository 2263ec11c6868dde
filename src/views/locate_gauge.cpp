#include "views/locate_gauge.h"

#include <algorithm>

#include "survey/channel_graph.h"
#include "survey/locate_track.h"
#include "common/win32/wide.h"

namespace {

constexpr wchar_t kGaugeClass[] = L"VellumarLocateGauge";
// At 96 DPI: the digits' height, the bar's, and the strip's under it.
constexpr int kDigitsHeight = 44, kBarHeight = 22, kGap = 6, kScaleHeight = 14;

// Position of a signal along a span of pixels, -100 dBm at 0 and -20 dBm at the end.
int Along(int32_t dbm, int span) {
    const double t = std::clamp(static_cast<double>(dbm - kFloorDbm) / (kCeilingDbm - kFloorDbm), 0.0, 1.0);
    return static_cast<int>(t * span + 0.5);
}

struct GaugeColours {
    COLORREF background, text, frame, faint;
    COLORREF fill;  // the bar and the strip
};

GaugeColours ColoursFor(std::optional<int32_t> rssi) {
    if (HighContrast())
        return {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOWTEXT),
                GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_HIGHLIGHT)};
    // Green, amber and red as the list's signal pictures grade them.
    const COLORREF fill = !rssi ? RGB(160, 160, 160)
                          : *rssi >= -67 ? RGB(40, 160, 60)
                          : *rssi >= -80 ? RGB(230, 150, 20)
                                         : RGB(210, 50, 40);
    return {RGB(255, 255, 255), RGB(0, 0, 0), RGB(128, 128, 128), RGB(210, 210, 210), fill};
}

}  // namespace

bool LocateGauge::Create(Window& parent, const Placement& place) {
    return CreateDrawn(parent, kGaugeClass, place.rect, place.anchors);
}

void LocateGauge::SetReading(std::optional<int32_t> rssiDbm, std::deque<std::optional<int32_t>> history) {
    rssi_ = rssiDbm;
    history_ = std::move(history);
    if (hwnd_ && !PaintNow()) InvalidateRect(hwnd_, nullptr, FALSE);
}

std::optional<std::string> LocateGauge::AccessibleValue() const { return LocateRssiText(rssi_); }

std::string LocateGauge::TipAt(int, int) const { return ""; }

void LocateGauge::OnDpiChanged(UINT) {
    font_dpi_ = 0;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void LocateGauge::Paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    // Drawn off screen first: the digits change every pass and must not flicker.
    const UniqueDC memory(CreateCompatibleDC(dc));
    const UniqueGdiObject bitmap(CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
    if (!memory || !bitmap) return;
    {
        const SelectGuard keep(memory.get(), bitmap.get());
        Draw(memory.get(), client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    }
}

void LocateGauge::Draw(HDC dc, const RECT& client) {
    const GaugeColours colours = ColoursFor(rssi_);
    const bool contrast = HighContrast();
    {
        const UniqueGdiObject background(CreateSolidBrush(colours.background));
        FillRect(dc, &client, static_cast<HBRUSH>(background.get()));
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colours.text);
    const UINT dpi = parent_ ? parent_->dpi() : 96;
    if (font_dpi_ != dpi || !digits_font_) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        LOGFONTW font = metrics.lfMessageFont;
        font.lfHeight = -Px(kDigitsHeight - 6);
        font.lfWeight = FW_BOLD;
        digits_font_.reset(CreateFontIndirectW(&font));
        font_dpi_ = dpi;
    }
    const int width = client.right - client.left;
    RECT digits{0, 0, width, Px(kDigitsHeight)};
    {
        const SelectGuard font(dc, digits_font_.get());
        const std::wstring text = Widen(LocateRssiText(rssi_));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &digits, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    // The bar, filled up to the signal; outlined, so that it reads without its colour too.
    const int margin = Px(8);
    const int span = std::max(width - 2 * margin, 1);
    RECT bar{margin, digits.bottom + Px(kGap), margin + span, digits.bottom + Px(kGap) + Px(kBarHeight)};
    const UniqueGdiObject framePen(CreatePen(PS_SOLID, Px(1), colours.frame));
    if (rssi_) {
        RECT filled = bar;
        filled.right = bar.left + Along(*rssi_, span);
        const UniqueGdiObject fill(CreateSolidBrush(colours.fill));
        FillRect(dc, &filled, static_cast<HBRUSH>(fill.get()));
    }
    {
        const SelectGuard pen(dc, framePen.get());
        const SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, bar.left, bar.top, bar.right, bar.bottom);
    }
    // Its scale: every 10 dB a tick, the ends named.
    const SelectGuard font(dc, parent_ ? static_cast<HGDIOBJ>(parent_->Font()) : GetStockObject(DEFAULT_GUI_FONT));
    const int ticksTop = bar.bottom;
    {
        const SelectGuard pen(dc, framePen.get());
        for (int32_t dbm = kFloorDbm; dbm <= kCeilingDbm; dbm += 10) {
            const int x = bar.left + Along(dbm, span);
            MoveToEx(dc, x, ticksTop, nullptr);
            LineTo(dc, x, ticksTop + Px(4));
        }
    }
    RECT scale{bar.left, ticksTop + Px(3), bar.right, ticksTop + Px(3) + Px(kScaleHeight)};
    DrawTextW(dc, L"-100 dBm", -1, &scale, DT_LEFT | DT_SINGLELINE);
    DrawTextW(dc, L"-60", -1, &scale, DT_CENTER | DT_SINGLELINE);
    DrawTextW(dc, L"-20 dBm", -1, &scale, DT_RIGHT | DT_SINGLELINE);

    // The history: one column per pass, newest at the right, as high as the signal; a gap
    // for a pass that did not hear it.
    RECT strip{bar.left, scale.bottom + Px(kGap), bar.right, client.bottom - Px(4)};
    if (strip.bottom - strip.top < Px(8)) return;
    {
        const UniqueGdiObject faintPen(CreatePen(contrast ? PS_DOT : PS_SOLID, 1, colours.faint));
        const SelectGuard pen(dc, faintPen.get());
        const SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, strip.left, strip.top, strip.right, strip.bottom);
    }
    const int height = strip.bottom - strip.top - 2;
    const double column = static_cast<double>(strip.right - strip.left - 2) / kLocateHistoryPasses;
    const UniqueGdiObject fill(CreateSolidBrush(contrast ? colours.fill : colours.frame));
    for (size_t i = 0; i < history_.size(); ++i) {
        if (!history_[i]) continue;
        const size_t slot = kLocateHistoryPasses - history_.size() + i;
        RECT c{strip.left + 1 + static_cast<int>(slot * column), 0, strip.left + 1 + static_cast<int>((slot + 1) * column),
               strip.bottom - 1};
        c.top = c.bottom - std::max(1, Along(*history_[i], height));
        if (c.right - c.left > 2) c.right -= 1;  // a hair between columns
        FillRect(dc, &c, static_cast<HBRUSH>(fill.get()));
    }
}
