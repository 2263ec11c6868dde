#pragma once
// The signal chart on screen: shows a chart model it is given (the survey
// session's), copies its picture on WM_PAINT, keeps the picture at the control's
// size, and runs the chart's own step timer while Active. Each line is a part for
// assistive tools (the network, its last quality); in high contrast the control
// draws the lines itself in system colours, told apart by their pen styles.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win32/drawn_control.h"
#include "survey/strip_chart.h"

class StripChartControl : public DrawnControl {
public:
    // chart: shown from creation on; it outlives the control's window.
    bool Create(Window& parent, const Placement& place, TStripChart& chart);
    TStripChart& chart() { return *chart_; }
    void SetActive(bool active);
    // The grid's spacing at 96 DPI, drawn for the window's DPI.
    void SetGridSize(int design_pixels);
    void Place(int x, int y, int width, int height) override;
    void OnDpiChanged(UINT old_dpi) override;

    // The text of the tooltip at the mouse: the names of the lines there.
    std::string TipAt(int x, int y) const override;
    std::optional<std::string> AccessibleName() const override { return "Signal quality chart"; }
    std::vector<AccessiblePart> AccessibleParts() const override;

    // Marks on the time axis, each given as the steps since it (the link's roams).
    std::function<std::vector<uint64_t>()> marks;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

private:
    void RestartTimer();
    void PaintHighContrast(HDC dc);
    int Px(int design_pixels) const;

    int grid_design_ = 0;  // none set: the chart's own

    TStripChart* chart_ = nullptr;
};
