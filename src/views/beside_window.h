#pragma once
// A window that stays open beside the main window: Esc closes it, and closing
// hides it for the next showing instead of destroying it.
#include <windows.h>

#include "common/win32/window.h"

class BesideWindow : public Window {
protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Before it hides (its settings may be saved then).
    virtual void Closing() {}
};
