#pragma once
// The signal chart on screen: owns the chart model, copies its picture on
// WM_PAINT, keeps the picture at the control's size, and runs the chart's own
// step timer while Active.
#include <windows.h>

#include <string>

#include "common/win32/drawn_control.h"
#include "survey/strip_chart.h"

class StripChartControl : public DrawnControl {
public:
    struct CreateArgs {
        DesignRect rect{};
        unsigned anchors = kAnchorTopLeft;
    };
    bool Create(Window& parent, const CreateArgs& args);
    TStripChart& chart() { return chart_; }
    void SetActive(bool active);
    void Place(int x, int y, int width, int height) override;

    // The text of the tooltip at the mouse: the names of the lines there.
    std::string TipAt(int x, int y) const override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;

private:
    void RestartTimer();

    TStripChart chart_;
};
