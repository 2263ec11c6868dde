#include "survey/win32/strip_chart_control.h"

#include "common/air_text.h"
#include "common/win32/unique.h"

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
    return CreateDrawn(parent, kChartClass, place.rect, place.anchors);
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

LRESULT StripChartControl::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kStepTimer) {
        chart_->Step();
        return 0;
    }
    return DrawnControl::OnMessage(msg, wp, lp);
}
