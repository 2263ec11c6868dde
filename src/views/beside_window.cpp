#include "views/beside_window.h"

LRESULT BesideWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDCANCEL && lp == 0) {  // Esc
                PostMessageW(hwnd_, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_CLOSE:
            // Hidden, not destroyed: the window is reused, and draws nothing while hidden.
            Closing();
            ShowWindow(hwnd_, SW_HIDE);
            if (HWND owner = GetWindow(hwnd_, GW_OWNER)) SetActiveWindow(owner);
            return 0;
        default:
            break;
    }
    return Window::OnMessage(msg, wp, lp);
}
