#include "sitesurvey/win32/plan_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/air_text.h"
#include "common/win32/wide.h"

namespace sitesurvey {

namespace {

constexpr wchar_t kPlanViewClass[] = L"VellumarPlanView";
constexpr uint32_t kBackground = 0x00A0A0A0;
constexpr double kMinZoom = 1.0 / 64, kMaxZoom = 32;

COLORREF Ref(uint32_t rgb) { return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

// The marks' and the legend's colours; in high contrast the system's only (the heat map
// keeps its palette: it is the data).
struct MarkColours {
    COLORREF outline, point, walk, waiting, scale, ap, labelBack, labelText, legendBack, legendFrame, legendText;
};
MarkColours MarkColoursNow() {
    if (HighContrast()) {
        const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), back = GetSysColor(COLOR_WINDOW),
                       mark = GetSysColor(COLOR_HIGHLIGHT);
        return {text, back, mark, mark, mark, text, back, text, back, text, text};
    }
    return {RGB(20, 20, 20),   RGB(255, 255, 255), RGB(40, 70, 200),   RGB(200, 30, 30),
            RGB(220, 20, 20),  RGB(30, 30, 90),    RGB(255, 255, 255), RGB(10, 10, 60),
            RGB(255, 255, 255), RGB(128, 128, 128), RGB(0, 0, 0)};
}

void TextAt(HDC dc, int x, int y, const std::string& text) {
    const std::wstring wide = Widen(text);
    TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

SIZE TextSize(HDC dc, const std::string& text) {
    const std::wstring wide = Widen(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size;
}

}  // namespace

bool PlanView::Create(Window& parent, const Placement& place) {
    return CreateDrawn(parent, kPlanViewClass, place.rect, place.anchors);
}

int PlanView::Scaled(int value) const { return parent_ ? parent_->Scale(value) : value; }

void PlanView::Changed() {
    if (!PaintNow()) InvalidateRect(hwnd_, nullptr, FALSE);
}

void PlanView::Fit() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (!scene.plan || scene.plan->width <= 0 || client.right <= 0 || client.bottom <= 0) {
        fitPending_ = true;
        return;
    }
    fitPending_ = false;
    zoom_ = std::clamp(std::min(static_cast<double>(client.right) / scene.plan->width,
                                static_cast<double>(client.bottom) / scene.plan->height),
                       kMinZoom, kMaxZoom);
    offsetX_ = (client.right - scene.plan->width * zoom_) / 2;
    offsetY_ = (client.bottom - scene.plan->height * zoom_) / 2;
    Changed();
}

void PlanView::ZoomBy(double factor, std::optional<POINT> about) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const POINT at = about.value_or(POINT{client.right / 2, client.bottom / 2});
    double px = 0, py = 0;
    ToPlan(at.x, at.y, px, py);
    zoom_ = std::clamp(zoom_ * factor, kMinZoom, kMaxZoom);
    // The plan pixel under the point stays under it.
    offsetX_ = at.x - px * zoom_;
    offsetY_ = at.y - py * zoom_;
    Changed();
}

POINT PlanView::ToClient(double planX, double planY) const {
    return {static_cast<LONG>(std::lround(planX * zoom_ + offsetX_)),
            static_cast<LONG>(std::lround(planY * zoom_ + offsetY_))};
}

void PlanView::ToPlan(int clientX, int clientY, double& planX, double& planY) const {
    planX = (clientX - offsetX_) / zoom_;
    planY = (clientY - offsetY_) / zoom_;
}

std::string PlanView::TipAt(int x, int y) const {
    if (!tipAt || !scene.plan) return "";
    double px = 0, py = 0;
    ToPlan(x, y, px, py);
    if (px < 0 || py < 0 || px >= scene.plan->width || py >= scene.plan->height) return "";
    return tipAt(px, py);
}

void PlanView::OnDpiChanged(UINT old_dpi) {
    // The plan keeps its size on the screen in inches.
    if (!parent_ || old_dpi == 0) return;
    const double factor = static_cast<double>(parent_->dpi()) / old_dpi;
    zoom_ *= factor, offsetX_ *= factor, offsetY_ *= factor;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void PlanView::Paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    if (fitPending_ && scene.plan) Fit();
    if (!memory_ || bitmapSize_.cx != width || bitmapSize_.cy != height) {
        memory_.reset(CreateCompatibleDC(dc));
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(bi.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<uint32_t*>(bits);
        bitmapSize_ = {width, height};
        if (!memory_ || !bitmap_ || !bits_) {
            memory_.reset();
            bitmap_.reset();
            bits_ = nullptr;
            bitmapSize_ = {0, 0};
            return;
        }
    }
    SelectGuard bitmap(memory_.get(), bitmap_.get());
    GdiFlush();
    // The plan, each screen pixel from the plan pixel under its centre.
    const size_t count = static_cast<size_t>(width) * height;
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const uint32_t background = HighContrast()
                                    ? uint32_t{GetRValue(window)} << 16 | uint32_t{GetGValue(window)} << 8 | GetBValue(window)
                                    : kBackground;
    std::fill(bits_, bits_ + count, background);
    if (scene.plan && !scene.plan->pixels.empty()) {
        const PlanPicture& plan = *scene.plan;
        std::vector<int> columns(static_cast<size_t>(width));
        for (int x = 0; x < width; ++x) {
            const double px = std::floor((x + 0.5 - offsetX_) / zoom_);
            columns[static_cast<size_t>(x)] = px >= 0 && px < plan.width ? static_cast<int>(px) : -1;
        }
        for (int y = 0; y < height; ++y) {
            const double py = std::floor((y + 0.5 - offsetY_) / zoom_);
            if (py < 0 || py >= plan.height) continue;
            const uint32_t* row = plan.pixels.data() + static_cast<size_t>(py) * plan.width;
            uint32_t* out = bits_ + static_cast<size_t>(y) * width;
            for (int x = 0; x < width; ++x)
                if (const int c = columns[static_cast<size_t>(x)]; c >= 0) out[x] = row[c];
        }
        // The heat map for every screen pixel: the grid moved into the view's frame.
        if (scene.grid && scene.metresPerPixel > 0 && !scene.grid->values.empty()) {
            const double metres = scene.metresPerPixel / zoom_;  // per screen pixel
            LayerGrid shifted;
            shifted.layout = scene.grid->layout;
            shifted.layout.x0 += offsetX_ * metres;
            shifted.layout.y0 += offsetY_ * metres;
            shifted.values = scene.grid->values;
            PaintLayer(std::span(bits_, count), width, height, metres, shifted, scene.layer, scene.opacity);
        }
    }
    DrawMarks(memory_.get(), width, height);
    DrawLegend(memory_.get(), width, height);
    BitBlt(dc, 0, 0, width, height, memory_.get(), 0, 0, SRCCOPY);
}

void PlanView::DrawMarks(HDC dc, int /*width*/, int /*height*/) {
    const HFONT font = parent_ ? parent_->Font() : nullptr;
    SelectGuard useFont(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const MarkColours colours = MarkColoursNow();
    const int r = Scaled(4), line = std::max(1, Scaled(1));
    UniqueGdiObject outline(CreatePen(PS_SOLID, line, colours.outline));
    SelectGuard pen(dc, outline.get());
    UniqueGdiObject pointFill(CreateSolidBrush(colours.point));
    SelectGuard brush(dc, pointFill.get());
    // The walk so far: a line through its marks.
    if (scene.walk.size() > 1) {
        UniqueGdiObject walkPen(CreatePen(PS_SOLID, Scaled(2), colours.walk));
        SelectGuard usePen(dc, walkPen.get());
        std::vector<POINT> path;
        for (const auto& m : scene.walk) path.push_back(ToClient(m.x, m.y));
        Polyline(dc, path.data(), static_cast<int>(path.size()));
    }
    for (const auto& p : scene.points) {
        const POINT c = ToClient(p.x, p.y);
        Ellipse(dc, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
    }
    for (const auto& p : scene.walk) {
        const POINT c = ToClient(p.x, p.y);
        RECT square{c.x - r, c.y - r, c.x + r + 1, c.y + r + 1};
        UniqueGdiObject blue(CreateSolidBrush(colours.walk));
        FillRect(dc, &square, static_cast<HBRUSH>(blue.get()));
    }
    if (scene.waiting) {
        // A ring with a gap in it until the scan comes.
        const POINT c = ToClient(scene.waiting->x, scene.waiting->y);
        UniqueGdiObject red(CreatePen(PS_SOLID, Scaled(2), colours.waiting));
        SelectGuard usePen(dc, red.get());
        const int w = r * 2;
        Arc(dc, c.x - w, c.y - w, c.x + w + 1, c.y + w + 1, c.x + w, c.y, c.x, c.y - w);
        SetTextColor(dc, colours.waiting);
        TextAt(dc, c.x + w + Scaled(3), c.y - Scaled(8), "Waiting for a scan...");
    }
    if (!scene.scaleClicks.empty()) {
        UniqueGdiObject red(CreatePen(PS_SOLID, Scaled(2), colours.scale));
        SelectGuard usePen(dc, red.get());
        std::vector<POINT> ends;
        for (const auto& m : scene.scaleClicks) {
            const POINT c = ToClient(m.x, m.y);
            ends.push_back(c);
            MoveToEx(dc, c.x - r * 2, c.y, nullptr), LineTo(dc, c.x + r * 2 + 1, c.y);
            MoveToEx(dc, c.x, c.y - r * 2, nullptr), LineTo(dc, c.x, c.y + r * 2 + 1);
        }
        if (ends.size() == 2) Polyline(dc, ends.data(), 2);
    }
    // Estimated access points: a dark diamond and the name beside it.
    UniqueGdiObject dark(CreateSolidBrush(colours.ap));
    SelectGuard darkBrush(dc, dark.get());
    const int d = Scaled(7);
    for (const auto& ap : scene.aps) {
        const POINT c = ToClient(ap.x, ap.y);
        const POINT diamond[] = {{c.x, c.y - d}, {c.x + d, c.y}, {c.x, c.y + d}, {c.x - d, c.y}};
        Polygon(dc, diamond, 4);
        const SIZE size = TextSize(dc, ap.name);
        RECT back{c.x + d + Scaled(2), c.y - size.cy / 2 - 1, c.x + d + Scaled(6) + size.cx, c.y + size.cy / 2 + 1};
        UniqueGdiObject labelBack(CreateSolidBrush(colours.labelBack));
        FillRect(dc, &back, static_cast<HBRUSH>(labelBack.get()));
        SetTextColor(dc, colours.labelText);
        TextAt(dc, back.left + Scaled(2), back.top + 1, ap.name);
    }
}

void PlanView::DrawLegend(HDC dc, int width, int height) {
    if (scene.legend.empty()) return;
    const HFONT font = parent_ ? parent_->Font() : nullptr;
    SelectGuard useFont(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const MarkColours colours = MarkColoursNow();
    SetTextColor(dc, colours.legendText);
    const int pad = Scaled(6), bar = Scaled(12);
    const SIZE heading = TextSize(dc, scene.legend);
    const bool discrete = scene.layer == Layer::Channel;
    int w = std::max(heading.cx, static_cast<LONG>(Scaled(200))) + 2 * pad;
    int h = 2 * pad + heading.cy + Scaled(4) + bar + Scaled(2) + heading.cy;
    if (discrete) {
        int x = 0;
        for (int channel : scene.channels) x += bar + Scaled(4) + TextSize(dc, std::to_string(channel)).cx + Scaled(8);
        w = std::max(w, x + 2 * pad);
        h = 2 * pad + heading.cy + Scaled(4) + std::max<int>(bar, heading.cy);
    }
    w = std::min(w, width - 2 * pad);
    const int left = pad, top = height - h - pad;
    if (w < Scaled(40) || top < 0) return;
    RECT box{left, top, left + w, top + h};
    UniqueGdiObject back(CreateSolidBrush(colours.legendBack)), frame(CreateSolidBrush(colours.legendFrame));
    FillRect(dc, &box, static_cast<HBRUSH>(back.get()));
    FrameRect(dc, &box, static_cast<HBRUSH>(frame.get()));
    TextAt(dc, left + pad, top + pad, scene.legend);
    const int rampTop = top + pad + heading.cy + Scaled(4);
    if (discrete) {
        int x = left + pad;
        for (int channel : scene.channels) {
            RECT swatch{x, rampTop, x + bar, rampTop + bar};
            UniqueGdiObject fill(CreateSolidBrush(Ref(LayerColour(scene.layer, channel))));
            FillRect(dc, &swatch, static_cast<HBRUSH>(fill.get()));
            const std::string text = std::to_string(channel);
            TextAt(dc, x + bar + Scaled(4), rampTop + bar / 2 - heading.cy / 2, text);
            x += bar + Scaled(4) + TextSize(dc, text).cx + Scaled(8);
        }
        return;
    }
    const int rampWidth = w - 2 * pad;
    for (int x = 0; x < rampWidth; ++x) {
        const double v = scene.legendLow + (scene.legendHigh - scene.legendLow) * x / std::max(1, rampWidth - 1);
        RECT cell{left + pad + x, rampTop, left + pad + x + 1, rampTop + bar};
        UniqueGdiObject fill(CreateSolidBrush(Ref(LayerColour(scene.layer, v))));
        FillRect(dc, &cell, static_cast<HBRUSH>(fill.get()));
    }
    char low[32], high[32];
    std::snprintf(low, sizeof low, "%g", scene.legendLow);
    std::snprintf(high, sizeof high, "%g", scene.legendHigh);
    TextAt(dc, left + pad, rampTop + bar + Scaled(2), low);
    TextAt(dc, left + w - pad - TextSize(dc, high).cx, rampTop + bar + Scaled(2), high);
}

std::vector<AccessiblePart> PlanView::AccessibleParts() const {
    std::vector<AccessiblePart> parts;
    const int r = Scaled(6);
    const auto part = [&](std::string name, double x, double y) {
        std::string value = tipAt ? tipAt(x, y) : "";
        std::replace(value.begin(), value.end(), '\n', ' ');
        const POINT at = ToClient(x, y);
        parts.push_back({std::move(name), std::move(value), RECT{at.x - r, at.y - r, at.x + r, at.y + r}});
    };
    for (const PlanScene::Ap& ap : scene.aps) part("Access point " + AirTextForDisplay(ap.name), ap.x, ap.y);
    for (size_t i = 0; i < scene.points.size(); ++i)
        part("Point " + std::to_string(i + 1), scene.points[i].x, scene.points[i].y);
    return parts;
}

LRESULT PlanView::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SIZE:
            if (fitPending_) Fit();
            break;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd_);
            if (spaceDown_) {
                panning_ = true, panFrom_ = {x, y};
                SetCapture(hwnd_);
                return 0;
            }
            if (onClick && scene.plan) {
                double px = 0, py = 0;
                ToPlan(x, y, px, py);
                if (px >= 0 && py >= 0 && px < scene.plan->width && py < scene.plan->height) onClick(px, py);
            }
            return 0;
        case WM_RBUTTONDOWN:
            SetFocus(hwnd_);
            panning_ = true, panFrom_ = {x, y};
            SetCapture(hwnd_);
            return 0;
        case WM_MOUSEMOVE:
            if (panning_) {
                offsetX_ += x - panFrom_.x, offsetY_ += y - panFrom_.y;
                panFrom_ = {x, y};
                Changed();
            }
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (panning_) {
                panning_ = false;
                ReleaseCapture();
                return 0;
            }
            break;
        case WM_MOUSEWHEEL: {
            POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ScreenToClient(hwnd_, &at);
            const int notches = GET_WHEEL_DELTA_WPARAM(wp);
            ZoomBy(std::pow(1.25, notches / static_cast<double>(WHEEL_DELTA)), at);
            return 0;
        }
        case WM_KEYDOWN: {
            const bool control = GetKeyState(VK_CONTROL) < 0;
            if (wp == VK_SPACE) {
                spaceDown_ = true;
                return 0;
            }
            if (control && (wp == VK_OEM_PLUS || wp == VK_ADD)) {
                ZoomBy(1.25);
                return 0;
            }
            if (control && (wp == VK_OEM_MINUS || wp == VK_SUBTRACT)) {
                ZoomBy(0.8);
                return 0;
            }
            if (control && (wp == '0' || wp == VK_NUMPAD0)) {
                Fit();
                return 0;
            }
            if (onKey && onKey(static_cast<UINT>(wp), control)) return 0;
            break;
        }
        case WM_KEYUP:
            if (wp == VK_SPACE) {
                spaceDown_ = false;
                if (panning_) panning_ = false, ReleaseCapture();
                return 0;
            }
            break;
        case WM_CHAR:
            return 0;  // keys are handled on WM_KEYDOWN; no beep
        case WM_CAPTURECHANGED:
            panning_ = false;
            break;
        default:
            break;
    }
    return DrawnControl::OnMessage(msg, wp, lp);
}

}  // namespace sitesurvey
