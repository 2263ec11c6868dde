#pragma once
// The floor plan with its heat map, measured points, estimated access points and
// legend, zoomed and panned. Everything is drawn at the screen's own resolution: the
// plan is scaled, the heat map painted for each screen pixel and the marks and texts
// drawn in device units, so that they stay sharp at any DPI.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/drawn_control.h"
#include "common/win32/unique.h"
#include "sitesurvey/site_model.h"
#include "sitesurvey/win32/plan_image.h"

namespace sitesurvey {

// What the view shows over the plan; plan pixels unless said otherwise.
struct PlanScene {
    const PlanPicture* plan = nullptr;
    const LayerGrid* grid = nullptr;  // metres; none: no heat map
    Layer layer = Layer::Signal;
    double metresPerPixel = 0;  // 0: no scale set
    uint8_t opacity = 150;
    struct Mark {
        double x, y;
    };
    std::vector<Mark> points;
    std::optional<Mark> waiting;  // a click whose scan has not come yet
    std::vector<Mark> walk;  // the walk's marks so far
    std::vector<Mark> scaleClicks;  // while setting the scale
    struct Ap {
        double x, y;
        std::string name;
    };
    std::vector<Ap> aps;
    // The legend: its heading line, and the channels a channel layer shows.
    std::string legend;
    double legendLow = -90, legendHigh = -40;
    std::vector<int> channels;
};

class PlanView : public DrawnControl {
public:
    bool Create(Window& parent, const Placement& place);
    PlanScene scene;
    // The scene has changed: drawn again at once.
    void Changed();
    // The whole plan in view, centred.
    void Fit();
    // Zooms by a factor about a client point (the centre when none).
    void ZoomBy(double factor, std::optional<POINT> about = std::nullopt);
    double Zoom() const { return zoom_; }  // screen pixels per plan pixel
    POINT ToClient(double planX, double planY) const;
    void ToPlan(int clientX, int clientY, double& planX, double& planY) const;

    // A left click on the plan, in plan pixels.
    std::function<void(double x, double y)> onClick;
    // Keys the view does not use itself, with the Ctrl state, for the window's commands.
    std::function<bool(UINT key, bool control)> onKey;
    // The tooltip's text over a plan pixel.
    std::function<std::string(double x, double y)> tipAt;
    std::string TipAt(int x, int y) const override;

    // For screen readers: the estimated access points, then the measured points, each
    // with what hovering it shows.
    std::optional<std::string> AccessibleName() const override { return "Floor plan"; }
    std::vector<AccessiblePart> AccessibleParts() const override;

protected:
    void Paint(HDC dc) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDpiChanged(UINT old_dpi) override;

private:
    void DrawMarks(HDC dc, int width, int height);
    void DrawLegend(HDC dc, int width, int height);
    int Scaled(int value) const;

    double zoom_ = 1, offsetX_ = 0, offsetY_ = 0;  // client = plan * zoom + offset
    bool fitPending_ = true;
    bool panning_ = false, spaceDown_ = false;
    POINT panFrom_{};
    UniqueDC memory_;
    UniqueGdiObject bitmap_;
    uint32_t* bits_ = nullptr;
    SIZE bitmapSize_{0, 0};
};

}  // namespace sitesurvey
