// The floor for the program's idle cost: a window that does nothing but repaint a
// 32-bit bitmap of the main window's chart size once a second, the least a program
// that shows a live chart can do. scripts/bench-idle runs it beside the program.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 505, kHeight = 145;  // the main window's chart at 96 DPI
constexpr UINT_PTR kTimer = 1;
std::vector<uint32_t> pixels(kWidth * kHeight);
uint32_t frame = 0;

LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            // A new column of colour each second, as a chart's step would bring.
            ++frame;
            for (int y = 0; y < kHeight; ++y) pixels[static_cast<size_t>(y) * kWidth + frame % kWidth] = frame * 2654435761u;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            BITMAPINFO bi{};
            bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
            bi.bmiHeader.biWidth = kWidth;
            bi.bmiHeader.biHeight = -kHeight;
            bi.bmiHeader.biPlanes = 1;
            bi.bmiHeader.biBitCount = 32;
            bi.bmiHeader.biCompression = BI_RGB;
            SetDIBitsToDevice(dc, 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, pixels.data(), &bi, DIB_RGB_COLORS);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"VellumarIdleFloor";
    if (!RegisterClassExW(&wc)) return 1;
    RECT r{0, 0, kWidth, kHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Idle floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    SetTimer(window, kTimer, 1000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
