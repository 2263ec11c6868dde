#pragma once
// A control that draws the whole of itself, so no background is erased first, and
// names what lies under the mouse in a tooltip. Assistive tools read it through its
// own accessible object (the parts a subclass lists); the arrow keys walk a keyboard
// focus through the parts, drawn as a focus rectangle, and Enter opens the focused one.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "common/win32/controls.h"
#include "common/win32/mouse_tip.h"

// Whether the system asks for high contrast; a test may say so where the system cannot.
bool HighContrast();
void ForceHighContrastForTests(std::optional<bool> on);

class DrawnControl : public Control {
public:
    // The tooltip's text at a client point; "" for none.
    virtual std::string TipAt(int x, int y) const = 0;

    std::optional<size_t> FocusedPart() const override { return focused_part_; }
    void FocusPart(std::optional<size_t> part);
    bool OnEnter() override;
    bool OpenPart(size_t part) override;
    // Enter on a part, or its default action: the part's details.
    std::function<void(size_t part)> onOpenPart;
    // The value a screen reader hears changed (a live region).
    void AnnounceValueChange();

protected:
    // Registers the window class on its first use and creates the control with its tooltip.
    // focusable: in the Tab order, with a keyboard focus through its parts.
    bool CreateDrawn(Window& parent, const wchar_t* window_class, DesignRect rect, unsigned anchors,
                     bool focusable = false);
    virtual void Paint(HDC dc) = 0;
    // The whole picture at once, through a device context of the window rather than WM_PAINT
    // (under Wine about seven round trips to the server against one); false while hidden.
    bool PaintNow();
    // The mouse at a client point: the tooltip names what is there.
    virtual void MouseMoved(int x, int y) { tip_.SetText(TipAt(x, y)); }
    virtual void MouseLeft() {}
    // High contrast came or went (WM_SETTINGCHANGE, WM_SYSCOLORCHANGE): draw anew.
    virtual void ContrastChanged() { InvalidateRect(hwnd_, nullptr, FALSE); }
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    MouseTip tip_;

private:
    void PaintWithFocus(HDC dc);
    bool MoveFocus(WPARAM key);

    bool tracking_ = false;  // asked to hear when the mouse leaves
    std::optional<size_t> focused_part_;
};
