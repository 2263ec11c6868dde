#pragma once
// The channel graph on screen: the portable model paints the grid and the
// translucent fills into an off-screen bitmap, GDI adds the outlines, the names
// and the axis labels, and WM_PAINT copies the bitmap to the screen. Hovering a
// shape names its access point in a tooltip. Each access point is a part for
// assistive tools and the keyboard, left to right; in high contrast the shapes are
// outlines in system colours and pen styles, without fills.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/drawn_control.h"
#include "common/win32/unique.h"
#include "survey/channel_graph.h"

class ChannelGraphControl : public DrawnControl {
public:
    bool Create(Window& parent, const Placement& place);
    void Place(int x, int y, int width, int height) override;
    void OnDpiChanged(UINT old_dpi) override;

    void SetAccessPoints(std::vector<ChannelAp> aps);
    void SetBand(WifiBand band);
    WifiBand Band() const { return band_; }
    const std::vector<ChannelAp>& AccessPoints() const { return aps_; }

    // The plot's scale at the control's size and DPI.
    GraphScale Scale() const;
    // The tooltip's text at a client point: the access point there, "" for none.
    std::string TipAt(int x, int y) const override;
    std::optional<std::string> AccessibleName() const override { return "Channel graph"; }
    std::vector<AccessiblePart> AccessibleParts() const override;
    // The access point (in AccessPoints()) of a part; the band's, left to right.
    std::vector<size_t> PartOrder() const;
    // Draws the whole picture into the off-screen bitmap (what WM_PAINT copies).
    void Render();
    // The off-screen bitmap copied to a device context (the screen's on WM_PAINT).
    void CopyTo(HDC dc) const;

protected:
    void Paint(HDC dc) override;
    void MouseMoved(int x, int y) override;
    void MouseLeft() override;
    void ContrastChanged() override;

private:
    void EnsureSurface();
    void UpdateFont();
    void DrawNames(HDC dc, const GraphScale& scale);
    void DrawAxisLabels(HDC dc, const GraphScale& scale, const std::vector<uint32_t>& axisChannels);
    void DrawFrameAndBest(HDC dc, const GraphScale& scale);
    void RenderBackground(const GraphScale& scale, const GraphStyle& style);
    void StrokeHighContrast(HDC dc, const GraphScale& scale);
    COLORREF NameColour(size_t ap) const;
    struct Extent {
        int cx, cy;
    };
    Extent TextSize(HDC dc, const std::string& text);
    int Px(int designPixels) const;

    std::vector<ChannelAp> aps_;
    WifiBand band_ = WifiBand::Ghz24;
    std::optional<size_t> hovered_;
    int width_ = 0, height_ = 0;
    UINT fontDpi_ = 0;
    GraphPicture picture_;
    // Background, grid and axis labels, kept while the size, DPI and band hold.
    struct Layout {
        int width = 0, height = 0;
        UINT dpi = 0;
        WifiBand band = WifiBand::Ghz24;
        bool contrast = false;
        bool operator==(const Layout&) const = default;
    };
    std::vector<Pixel> background_;
    Layout backgroundLayout_;
    UniqueGdiObject bitmap_;  // 32-bit top-down DIB section of the control's size
    void* bits_ = nullptr;
    UniqueDC memory_;  // holds bitmap_ while the control lives; deleted first, which lets bitmap_ go
    std::map<std::string, Extent> textSizes_;  // at the current font
    bool dirty_ = true;
};
