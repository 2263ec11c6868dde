#pragma once
// A control that draws the whole of itself, so no background is erased first, and
// names what lies under the mouse in a tooltip.
#include <windows.h>

#include <string>

#include "common/win32/controls.h"
#include "common/win32/mouse_tip.h"

class DrawnControl : public Control {
public:
    // The tooltip's text at a client point; "" for none.
    virtual std::string TipAt(int x, int y) const = 0;

protected:
    // Registers the window class on its first use and creates the control with its tooltip.
    bool CreateDrawn(Window& parent, const wchar_t* window_class, DesignRect rect, unsigned anchors);
    virtual void Paint(HDC dc) = 0;
    // The whole picture at once, through a device context of the window rather than WM_PAINT
    // (under Wine about seven round trips to the server against one); false while hidden.
    bool PaintNow();
    // The mouse at a client point: the tooltip names what is there.
    virtual void MouseMoved(int x, int y) { tip_.SetText(TipAt(x, y)); }
    virtual void MouseLeft() {}
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    MouseTip tip_;

private:
    bool tracking_ = false;  // asked to hear when the mouse leaves
};
