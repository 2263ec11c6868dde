#include "survey/win32/strip_chart_control.h"

#include "common/air_text.h"
#include "common/win32/unique.h"
#include "wireless/value_text.h"

#include <algorithm>

namespace {

constexpr wchar_t kChartClass[] = L"VellumarStripChart";
constexpr UINT_PTR kStepTimer = 1;
constexpr int kTipTolerance = 3;  // rows either side of a line that still name it, at 96 DPI

}  // namespace

bool StripChartControl::Create(Window& parent, const Placement& place, TStripChart& chart) {
    chart_ = &chart;
    chart_->OnRepaint = [this] {
        if (hwnd_ && !PaintNow()) InvalidateRect(hwnd_, nullptr, FALSE);
    };
    return CreateDrawn(parent, kChartClass, place.rect, place.anchors, true);
}

std::vector<AccessiblePart> StripChartControl::AccessibleParts() const {
    std::vector<AccessiblePart> parts;
    const int around = Px(kTipTolerance);
    for (size_t i = 0; i < chart_->LineCount(); ++i) {
        const TStripChartLine& line = chart_->Line(i);
        const auto quality = static_cast<uint32_t>(std::clamp(line.Position, 0, 100));
        // Where the line ends, at the right edge: what the eye reads as its value.
        const std::vector<TStripChart::Point> points = chart_->LinePoints(i);
        const int y = points.empty() ? chart_->Height() : static_cast<int>(std::clamp<int64_t>(points.back().y, 0, chart_->Height() - 1));
        parts.push_back({AirTextForDisplay(line.Name), QualityText(quality),
                         RECT{chart_->Width() - 4 * around, y - around, chart_->Width(), y + around + 1}});
    }
    return parts;
}

std::string StripChartControl::TipAt(int x, int y) const {
    std::string text;
    for (size_t line : chart_->LinesAt(x, y, Px(kTipTolerance))) {
        if (!text.empty()) text += "\r\n";
        text += AirTextForDisplay(chart_->Line(line).Name);
    }
    return text;
}

int StripChartControl::Px(int design_pixels) const {
    return parent_ ? parent_->Scale(design_pixels) : design_pixels;
}

void StripChartControl::SetGridSize(int design_pixels) {
    grid_design_ = design_pixels;
    chart_->SetGridSize(Px(design_pixels));
}

void StripChartControl::OnDpiChanged(UINT /*old_dpi*/) {
    if (grid_design_ > 0) chart_->SetGridSize(Px(grid_design_));
}

void StripChartControl::SetActive(bool active) {
    chart_->SetActive(active);
    RestartTimer();
}

void StripChartControl::RestartTimer() {
    if (!hwnd_) return;
    KillTimer(hwnd_, kStepTimer);
    if (chart_->Active()) SetTimer(hwnd_, kStepTimer, static_cast<UINT>(chart_->Interval()) * 10u, nullptr);
}

void StripChartControl::Place(int x, int y, int width, int height) {
    Control::Place(x, y, width, height);
    // The model keeps its own floor of 20 x 20 and redraws the whole history.
    chart_->SetSize(width, height);
}

void StripChartControl::Paint(HDC dc) {
    if (HighContrast()) return PaintHighContrast(dc);
    // The model keeps its picture in the bitmap's own order: it goes to the screen as it is.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = chart_->Width();
    bi.bmiHeader.biHeight = -chart_->Height();
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(chart_->Width()), static_cast<DWORD>(chart_->Height()), 0, 0, 0,
                      static_cast<UINT>(chart_->Height()), chart_->Pixels().data(), &bi, DIB_RGB_COLORS);
    if (!marks || chart_->StepColumns() <= 0) return;
    // A small upward triangle on the bottom edge where each mark's step was drawn.
    const int size = Px(5), h = chart_->Height();
    UniqueGdiObject brush(CreateSolidBrush(RGB(255, 224, 64)));
    for (uint64_t since : marks()) {
        const int64_t x = chart_->Width() - 1 - static_cast<int64_t>(since) * chart_->StepColumns();
        if (x < -size || since > static_cast<uint64_t>(chart_->Width())) continue;
        const POINT tip[] = {{static_cast<LONG>(x), h - size - 1}, {static_cast<LONG>(x - size), h}, {static_cast<LONG>(x + size), h}};
        const HGDIOBJ old = SelectObject(dc, brush.get());
        const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        Polygon(dc, tip, 3);
        SelectObject(dc, oldPen);
        SelectObject(dc, old);
    }
}

void StripChartControl::PaintHighContrast(HDC target) {
    const int w = chart_->Width(), h = chart_->Height();
    const UniqueDC dc(CreateCompatibleDC(target));
    const UniqueGdiObject bitmap(CreateCompatibleBitmap(target, w, h));
    if (!dc || !bitmap) return;
    const SelectGuard keep(dc.get(), bitmap.get());
    const RECT all{0, 0, w, h};
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_WINDOW));
    {
        // The grid, faint and dotted: quarters of the scale.
        const UniqueGdiObject gridPen(CreatePen(PS_DOT, 1, GetSysColor(COLOR_GRAYTEXT)));
        const SelectGuard pen(dc.get(), gridPen.get());
        SetBkMode(dc.get(), TRANSPARENT);
        TStripChartLine scale;
        for (int value = 0; value <= 100; value += 25) {
            const int y = static_cast<int>(std::clamp<int64_t>(chart_->ValueToY(scale, value), 0, h - 1));
            MoveToEx(dc.get(), 0, y, nullptr);
            LineTo(dc.get(), w, y);
        }
    }
    // Three pen styles by two colours tell six lines apart; the selected one is thicker.
    constexpr DWORD kStyles[] = {PS_SOLID, PS_DASH, PS_DOT};
    constexpr int kColours[] = {COLOR_WINDOWTEXT, COLOR_HIGHLIGHT};
    for (size_t i = 0; i < chart_->LineCount(); ++i) {
        const std::vector<TStripChart::Point> points = chart_->LinePoints(i);
        if (points.size() < 2) continue;
        std::vector<POINT> line;
        line.reserve(points.size());
        for (const auto& p : points)
            line.push_back({static_cast<LONG>(std::clamp<int64_t>(p.x, -w, 2 * w)),
                            static_cast<LONG>(std::clamp<int64_t>(p.y, -h, 2 * h))});
        LOGBRUSH brush{BS_SOLID, GetSysColor(kColours[(i / 3) % 2]), 0};
        const bool thick = i == chart_->HighlightedLine();
        const UniqueGdiObject styled(ExtCreatePen(PS_GEOMETRIC | kStyles[i % 3] | PS_ENDCAP_FLAT,
                                                  static_cast<DWORD>(Px(thick ? 3 : 1)), &brush, 0, nullptr));
        const SelectGuard pen(dc.get(), styled.get());
        Polyline(dc.get(), line.data(), static_cast<int>(line.size()));
    }
    BitBlt(target, 0, 0, w, h, dc.get(), 0, 0, SRCCOPY);
}

LRESULT StripChartControl::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kStepTimer) {
        chart_->Step();
        return 0;
    }
    return DrawnControl::OnMessage(msg, wp, lp);
}
