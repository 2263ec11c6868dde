#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "common/win32/drawn_control.h"
#include "shell/app_fixture.h"
#include "shell/application.h"

namespace {

// A dark high-contrast scheme for the run of one test; the colours before it come back after.
class HighContrastScheme {
public:
    HighContrastScheme() {
        for (size_t i = 0; i < std::size(kIndexes); ++i) saved_[i] = GetSysColor(kIndexes[i]);
        SetSysColors(static_cast<int>(std::size(kIndexes)), kIndexes, kScheme);
        // Wine keeps no high-contrast switch of its own: the controls are told so.
        ForceHighContrastForTests(true);
    }
    ~HighContrastScheme() {
        SetSysColors(static_cast<int>(std::size(kIndexes)), kIndexes, saved_);
        ForceHighContrastForTests(std::nullopt);
    }
    HighContrastScheme(const HighContrastScheme&) = delete;
    HighContrastScheme& operator=(const HighContrastScheme&) = delete;

private:
    static constexpr INT kIndexes[] = {COLOR_WINDOW,   COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT,
                                       COLOR_GRAYTEXT, COLOR_BTNFACE,    COLOR_BTNTEXT,   COLOR_3DFACE};
    static constexpr COLORREF kScheme[] = {RGB(0, 0, 0),   RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0),
                                           RGB(63, 242, 63), RGB(0, 0, 0),     RGB(255, 255, 255), RGB(0, 0, 0)};
    COLORREF saved_[std::size(kIndexes)]{};
};

void Shoot(HWND window, const std::string& name) {
    const std::string folder = std::string(VELLUMAR_TEST_BINARY_DIR) + "/screenshots/";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpMessages();
    SaveScreenshot(window, folder + name);
}

// How many pixels of a control's client area have a colour.
size_t PixelsOf(HWND control, COLORREF colour) {
    RECT r{};
    GetClientRect(control, &r);
    const HDC dc = GetDC(control);
    size_t n = 0;
    for (int y = 0; y < r.bottom; y += 2)
        for (int x = 0; x < r.right; x += 2) n += GetPixel(dc, x, y) == colour;
    ReleaseDC(control, dc);
    return n;
}

using HighContrastView = AppTest;

// The drawn controls in system colours only (no translucent fill, no chart colour), and the
// main window, channel view and Locate window at 96 DPI left as screenshots.
TEST_F(HighContrastView, DrawnControlsUseSystemColoursAndLineStyles) {
    std::ifstream file(std::string(VELLUMAR_TEST_SOURCE_DIR) + "/scenarios/demo.json");
    std::stringstream demo;
    demo << file.rdbuf();
    auto& a = Start(demo.str());
    a.main.scantmr.SetEnabled(false);
    for (int pass = 0; pass < 8; ++pass) {
        Tick();
        for (int step = 0; step < 4; ++step) a.main.scope.chart().Step();  // the chart's own timer
    }
    const HighContrastScheme scheme;
    // What the system sends when the scheme changes; the main window passes it on.
    SendMessageW(a.main.hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    a.main.Channels1Click();
    SendMessageW(a.channels.hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    a.main.ap_lst.SelectRow(0);
    a.main.Locate1Click();
    Tick(3);
    // Side by side, none over another.
    ShowWindow(a.main.hwnd(), SW_SHOWNORMAL);
    SetWindowPos(a.main.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    SetWindowPos(a.channels.hwnd(), HWND_TOP, 1000, 0, 0, 0, SWP_NOSIZE);
    SetWindowPos(a.locate.hwnd(), HWND_TOP, 1000, 620, 0, 0, SWP_NOSIZE);
    Shoot(a.main.hwnd(), "highcontrast-main-96dpi.bmp");
    Shoot(a.channels.hwnd(), "highcontrast-channels-96dpi.bmp");
    Shoot(a.locate.hwnd(), "highcontrast-locate-96dpi.bmp");
    // The floor plan keeps its picture and heat map (the data); its marks, labels and legend take the scheme.
    a.siteSurvey.OpenSample();
    a.siteSurvey.ShowSurvey();
    SetWindowPos(a.siteSurvey.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    Shoot(a.siteSurvey.hwnd(), "highcontrast-site-survey-96dpi.bmp");
    EXPECT_GT(PixelsOf(a.siteSurvey.view.hwnd(), GetSysColor(COLOR_WINDOW)), 500u);  // the legend's box, the points

    // Only the scheme's colours in the drawn controls: the window, its text, the highlight, grey text.
    const COLORREF allowed[] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT),
                                GetSysColor(COLOR_GRAYTEXT)};
    const std::pair<HWND, const char*> controls[] = {
        {a.main.scope.hwnd(), "chart"}, {a.channels.graph.hwnd(), "graph"}, {a.locate.gauge.hwnd(), "gauge"}};
    for (const auto& [control, name] : controls) {
        RECT r{};
        GetClientRect(control, &r);
        const size_t total = static_cast<size_t>((r.right + 1) / 2) * static_cast<size_t>((r.bottom + 1) / 2);
        size_t scheme_pixels = 0;
        for (COLORREF c : allowed) scheme_pixels += PixelsOf(control, c);
        // Text is smoothed at its edges; everything else is a scheme colour.
        EXPECT_GT(scheme_pixels, total * 9 / 10) << name;
        EXPECT_GT(PixelsOf(control, GetSysColor(COLOR_WINDOWTEXT)), 0u) << name;
    }
    EXPECT_GT(PixelsOf(a.locate.gauge.hwnd(), GetSysColor(COLOR_HIGHLIGHT)), 0u);  // the bar's fill
}

}  // namespace
