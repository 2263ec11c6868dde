#include "survey/win32/channel_graph_control.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/air_text.h"
#include "common/win32/wide.h"
#include "wireless/value_text.h"

namespace {

constexpr wchar_t kGraphClass[] = L"VellumarChannelGraph";
constexpr int kTipTolerance = 3;  // pixels around a shape that still name it, at 96 DPI
constexpr COLORREF kAxisText = RGB(64, 64, 64);
constexpr COLORREF kBestMark = RGB(0, 150, 0);
// Room around the plot for the axis labels, at 96 DPI.
constexpr int kLeftMargin = 40, kTopMargin = 10, kRightMargin = 12, kBottomMargin = 30;
constexpr int kLabelGap = 6;  // least room between two channel labels
// High contrast: two system colours by three pen styles tell six access points apart.
constexpr DWORD kContrastStyles[] = {PS_SOLID, PS_DASH, PS_DOT};
constexpr int kContrastColours[] = {COLOR_WINDOWTEXT, COLOR_HIGHLIGHT};

Colour SystemColour(int index) {
    const COLORREF c = GetSysColor(index);
    return RgbColour(GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace

bool ChannelGraphControl::Create(Window& parent, const Placement& place) {
    return CreateDrawn(parent, kGraphClass, place.rect, place.anchors, true);
}

std::vector<size_t> ChannelGraphControl::PartOrder() const {
    std::vector<size_t> order = DrawingOrder(aps_, band_);
    const GraphScale scale = Scale();
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return ShapesOf(aps_[a], scale).front().baseLeft < ShapesOf(aps_[b], scale).front().baseLeft;
    });
    return order;
}

std::vector<AccessiblePart> ChannelGraphControl::AccessibleParts() const {
    std::vector<AccessiblePart> parts;
    const GraphScale scale = Scale();
    for (size_t i : PartOrder()) {
        const ChannelAp& ap = aps_[i];
        RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (const Trapezoid& t : ShapesOf(ap, scale)) {
            box.left = std::min<LONG>(box.left, static_cast<LONG>(std::floor(t.baseLeft)));
            box.right = std::max<LONG>(box.right, static_cast<LONG>(std::ceil(t.baseRight)));
            box.top = std::min<LONG>(box.top, static_cast<LONG>(std::floor(t.top)));
            box.bottom = std::max<LONG>(box.bottom, static_cast<LONG>(std::ceil(t.base)));
        }
        parts.push_back({AirTextForDisplay(ap.ssid) + " " + ap.bssid, RssiText(ap.rssi) + ", " + ApWidthText(ap), box});
    }
    return parts;
}

void ChannelGraphControl::ContrastChanged() {
    dirty_ = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

COLORREF ChannelGraphControl::NameColour(size_t ap) const {
    if (HighContrast()) return GetSysColor(kContrastColours[(ap / 3) % 2]);
    return ReadableColour(aps_[ap].colour);
}

void ChannelGraphControl::StrokeHighContrast(HDC dc, const GraphScale& scale) {
    const PlotRect& plot = scale.Plot();
    const UniqueGdiObject clip(CreateRectRgn(plot.left, plot.top, plot.right, plot.bottom));
    SelectClipRgn(dc, static_cast<HRGN>(clip.get()));
    for (size_t i : DrawingOrder(aps_, band_)) {
        LOGBRUSH brush{BS_SOLID, GetSysColor(kContrastColours[(i / 3) % 2]), 0};
        const int width = Px(hovered_ == i ? 3 : 1);
        const UniqueGdiObject styled(ExtCreatePen(PS_GEOMETRIC | kContrastStyles[i % 3] | PS_ENDCAP_FLAT | PS_JOIN_MITER,
                                                  static_cast<DWORD>(width), &brush, 0, nullptr));
        const SelectGuard pen(dc, styled.get());
        for (const Trapezoid& t : ShapesOf(aps_[i], scale)) {
            const POINT outline[] = {{static_cast<LONG>(std::lround(t.baseLeft)), static_cast<LONG>(std::lround(t.base))},
                                     {static_cast<LONG>(std::lround(t.topLeft)), static_cast<LONG>(std::lround(t.top))},
                                     {static_cast<LONG>(std::lround(t.topRight)), static_cast<LONG>(std::lround(t.top))},
                                     {static_cast<LONG>(std::lround(t.baseRight)), static_cast<LONG>(std::lround(t.base))}};
            Polyline(dc, outline, 4);
        }
    }
    SelectClipRgn(dc, nullptr);
}

int ChannelGraphControl::Px(int designPixels) const {
    return parent_ ? parent_->Scale(designPixels) : designPixels;
}

void ChannelGraphControl::Place(int x, int y, int width, int height) {
    Control::Place(x, y, width, height);
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    dirty_ = true;
}

void ChannelGraphControl::OnDpiChanged(UINT /*old_dpi*/) {
    // Margins, line widths and the measured texts all follow the DPI.
    dirty_ = true;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void ChannelGraphControl::SetAccessPoints(std::vector<ChannelAp> aps) {
    if (aps == aps_) return;  // a pass that changed nothing here draws nothing
    aps_ = std::move(aps);
    hovered_.reset();
    dirty_ = true;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void ChannelGraphControl::SetBand(WifiBand band) {
    band_ = band;
    hovered_.reset();
    dirty_ = true;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

GraphScale ChannelGraphControl::Scale() const {
    const PlotRect plot{Px(kLeftMargin), Px(kTopMargin), std::max(width_ - Px(kRightMargin), Px(kLeftMargin) + 1),
                        std::max(height_ - Px(kBottomMargin), Px(kTopMargin) + 1)};
    return GraphScale(band_, plot);
}

std::string ChannelGraphControl::TipAt(int x, int y) const {
    const std::optional<size_t> ap = AccessPointAt(aps_, Scale(), x, y, Px(kTipTolerance));
    return ap ? ApTipText(aps_[*ap]) : "";
}

void ChannelGraphControl::MouseMoved(int x, int y) {
    const std::optional<size_t> ap = AccessPointAt(aps_, Scale(), x, y, Px(kTipTolerance));
    if (ap != hovered_) {
        hovered_ = ap;  // drawn with a thicker outline
        dirty_ = true;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
    tip_.SetText(ap ? ApTipText(aps_[*ap]) : "");
}

void ChannelGraphControl::MouseLeft() {
    if (!hovered_) return;
    hovered_.reset();
    dirty_ = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void ChannelGraphControl::UpdateFont() {
    // The window's own font, which follows its DPI; the measured texts go with it.
    const UINT dpi = parent_ ? parent_->dpi() : 96;
    if (dpi == fontDpi_) return;
    fontDpi_ = dpi;
    textSizes_.clear();
}

void ChannelGraphControl::EnsureSurface() {
    if (bitmap_ && picture_.width == width_ && picture_.height == height_) return;
    picture_.Resize(width_, height_);
    if (!memory_) {
        WindowDC screen(nullptr);
        memory_.reset(CreateCompatibleDC(screen.get()));
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    UniqueGdiObject bitmap(CreateDIBSection(memory_.get(), &bi, DIB_RGB_COLORS, &bits_, nullptr, 0));
    if (!bitmap) return;
    SelectObject(memory_.get(), bitmap.get());
    bitmap_ = std::move(bitmap);  // the one it replaces is no longer selected
}

ChannelGraphControl::Extent ChannelGraphControl::TextSize(HDC dc, const std::string& text) {
    if (auto it = textSizes_.find(text); it != textSizes_.end()) return it->second;
    const std::wstring wide = Widen(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return textSizes_[text] = {static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

void ChannelGraphControl::RenderBackground(const GraphScale& scale, const GraphStyle& style) {
    const Layout layout{width_, height_, fontDpi_, band_, HighContrast()};
    if (layout == backgroundLayout_ && background_.size() == picture_.pixels.size()) return;
    const std::vector<uint32_t> axisChannels = AxisChannels(scale, TextSize(memory_.get(), "177").cx + Px(kLabelGap));
    RenderGraphBackground(picture_, scale, axisChannels, style);
    std::memcpy(bits_, picture_.pixels.data(), picture_.pixels.size() * sizeof(Pixel));
    // The labels lie outside the plot, where no shape, name or mark reaches.
    DrawAxisLabels(memory_.get(), scale, axisChannels);
    GdiFlush();
    const auto* bits = static_cast<const Pixel*>(bits_);
    background_.assign(bits, bits + picture_.pixels.size());
    backgroundLayout_ = layout;
}

void ChannelGraphControl::Render() {
    UpdateFont();
    EnsureSurface();
    if (!bits_ || !memory_) return;
    HDC dc = memory_.get();
    const GraphScale scale = Scale();
    SelectGuard font(dc, parent_->Font());
    SetBkMode(dc, TRANSPARENT);
    GraphStyle style;
    style.lineWidth = Px(1);
    style.highlightWidth = Px(3);
    const bool contrast = HighContrast();
    if (contrast) {
        style.background = style.plotBackground = SystemColour(COLOR_WINDOW);
        style.grid = SystemColour(COLOR_GRAYTEXT);
    }
    GdiFlush();
    RenderBackground(scale, style);
    std::copy(background_.begin(), background_.end(), picture_.pixels.begin());
    if (!contrast) RenderAccessPoints(picture_, scale, aps_, style, hovered_);
    std::memcpy(bits_, picture_.pixels.data(), picture_.pixels.size() * sizeof(Pixel));
    if (contrast) StrokeHighContrast(dc, scale);
    DrawNames(dc, scale);
    DrawFrameAndBest(dc, scale);
    dirty_ = false;
}

void ChannelGraphControl::DrawNames(HDC dc, const GraphScale& scale) {
    const PlotRect& plot = scale.Plot();
    {
        const UniqueGdiObject clip(CreateRectRgn(plot.left, plot.top, plot.right, plot.bottom));
        SelectClipRgn(dc, static_cast<HRGN>(clip.get()));  // the DC keeps a copy
    }
    const std::vector<size_t> order = DrawingOrder(aps_, band_);
    std::vector<LabelBox> wanted;
    std::vector<POINT> at;
    for (size_t i : order) {
        const ChannelAp& ap = aps_[i];
        const std::vector<Trapezoid> shapes = ShapesOf(ap, scale);
        // The name centred over the first segment's top, inside the plot.
        const std::string name = AirTextForDisplay(ap.ssid);
        const Extent size = TextSize(dc, name);
        const Trapezoid& t = shapes.front();
        int x = static_cast<int>(std::lround((t.topLeft + t.topRight) / 2)) - size.cx / 2;
        int y = static_cast<int>(std::lround(t.top)) - size.cy - Px(1);
        x = std::clamp(x, plot.left + Px(2), std::max(plot.right - size.cx - Px(2), plot.left + Px(2)));
        y = std::max(y, plot.top + Px(1));
        wanted.push_back({x, y, x + size.cx, y + size.cy});
        at.push_back({x, y});
    }
    const std::vector<bool> placed = PlaceLabels(wanted);
    for (size_t k = 0; k < order.size(); ++k) {
        // The hovered one is always named.
        if (!placed[k] && hovered_ != order[k]) continue;
        const ChannelAp& ap = aps_[order[k]];
        SetTextColor(dc, NameColour(order[k]));
        const std::wstring text = Widen(AirTextForDisplay(ap.ssid));
        TextOutW(dc, at[k].x, at[k].y, text.c_str(), static_cast<int>(text.size()));
    }
    SelectClipRgn(dc, nullptr);
}

void ChannelGraphControl::DrawAxisLabels(HDC dc, const GraphScale& scale, const std::vector<uint32_t>& axisChannels) {
    const PlotRect& plot = scale.Plot();
    SetTextColor(dc, HighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : kAxisText);
    // dBm up the left edge, right-aligned against the plot.
    for (int32_t dbm : DbmGridLines()) {
        const std::string text = std::to_string(dbm);
        const Extent size = TextSize(dc, text);
        const int y = static_cast<int>(std::lround(scale.Y(dbm)));
        const std::wstring wide = Widen(text);
        TextOutW(dc, plot.left - Px(4) - size.cx, std::clamp(y - size.cy / 2, 0, height_ - size.cy), wide.c_str(),
                 static_cast<int>(wide.size()));
    }
    const Extent unit = TextSize(dc, "dBm");
    TextOutW(dc, std::max(plot.left - Px(4) - unit.cx, 0), height_ - unit.cy - Px(2), L"dBm", 3);
    // Channels under the plot.
    const int labelTop = plot.bottom + Px(8);
    for (uint32_t channel : axisChannels) {
        const std::string text = std::to_string(channel);
        const Extent size = TextSize(dc, text);
        const int x = static_cast<int>(std::lround(scale.X(ChannelMhz(band_, channel))));
        const std::wstring wide = Widen(text);
        TextOutW(dc, x - size.cx / 2, labelTop, wide.c_str(), static_cast<int>(wide.size()));
    }
}

void ChannelGraphControl::DrawFrameAndBest(HDC dc, const GraphScale& scale) {
    const PlotRect& plot = scale.Plot();
    {
        const UniqueGdiObject framePen(CreatePen(PS_SOLID, 1, HighContrast() ? GetSysColor(COLOR_WINDOWTEXT) : RGB(0, 0, 0)));
        SelectGuard pen(dc, framePen.get());
        const POINT frame[] = {{plot.left, plot.top}, {plot.left, plot.bottom - 1}, {plot.right, plot.bottom - 1}};
        Polyline(dc, frame, 3);
    }
    // The best channels marked with a green triangle under the plot, above their labels.
    UniqueGdiObject brush(CreateSolidBrush(HighContrast() ? GetSysColor(COLOR_HIGHLIGHT) : kBestMark));
    SelectGuard fill(dc, brush.get());
    SelectGuard pen(dc, GetStockObject(NULL_PEN));
    for (const ChannelRow& row : ChannelTable(aps_, band_)) {
        if (!row.best) continue;
        const int x = static_cast<int>(std::lround(scale.X(ChannelMhz(band_, row.channel))));
        const int s = Px(4);
        const POINT mark[] = {{x, plot.bottom}, {x - s, plot.bottom + s + 1}, {x + s + 1, plot.bottom + s + 1}};
        Polygon(dc, mark, 3);
    }
}

void ChannelGraphControl::CopyTo(HDC dc) const {
    if (memory_) BitBlt(dc, 0, 0, width_, height_, memory_.get(), 0, 0, SRCCOPY);
}

void ChannelGraphControl::Paint(HDC dc) {
    if (dirty_ || parent_->dpi() != fontDpi_) Render();
    CopyTo(dc);
}
