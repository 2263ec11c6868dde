#pragma once
// A tooltip over the whole of a custom-drawn control whose text follows the
// mouse: the control works out what lies under the pointer and hands over the text.
#include <windows.h>
#include <commctrl.h>

#include <string>

class MouseTip {
public:
    // The tip belongs to the control and is destroyed with it.
    void Create(HWND control);
    explicit operator bool() const { return tip_ != nullptr; }
    // The text from now on; "" hides the tip.
    void SetText(const std::string& text);
    // The control's mouse messages, which show, move and hide the tip.
    void Relay(UINT msg, WPARAM wp, LPARAM lp);
    // The control's WM_NOTIFY: true when it was the tip asking for its text.
    bool OnNotify(LPARAM lp);

private:
    HWND control_ = nullptr;
    HWND tip_ = nullptr;
    std::wstring text_;
};
