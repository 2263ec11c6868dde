// One redraw of the channel graph with 300 access points against one BitBlt of
// a bitmap of the same size to the same window, in the same run: the graph
// should cost no more than a few plain copies of its own picture.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/win32/window.h"
#include "support/crowded_band.h"
#include "wireless/win32/channel_graph_control.h"

namespace {

constexpr int kRuns = 60;

class BenchWindow : public Window {
public:
    BenchWindow(int width, int height) {
        CreateFrame("Channel redraw", WS_OVERLAPPEDWINDOW, 0, nullptr, width, height);
        graph.Create(*this, {.rect = {0, 0, width, height}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd_);
    }
    ChannelGraphControl graph;
};

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

template <typename F>
double MedianMicroseconds(F&& step) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QueryPerformanceCounter(&a);
        step();
        GdiFlush();
        QueryPerformanceCounter(&b);
        times.push_back(Seconds(a, b, f) * 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    std::printf("%-8s %-11s %14s %14s %8s %14s\n", "band", "size", "redraw (us)", "BitBlt (us)", "ratio", "fills (us)");
    for (const SIZE size : {SIZE{732, 318}, SIZE{1400, 700}}) {
        for (WifiBand band : kWifiBands) {
            BenchWindow window(size.cx, size.cy);
            window.graph.SetBand(band);
            window.graph.SetAccessPoints(CrowdedBand(band));
            HDC screen = GetDC(window.graph.hwnd());
            RECT client;
            GetClientRect(window.graph.hwnd(), &client);
            // The floor: a bitmap of the same size copied to the same window.
            HDC memory = CreateCompatibleDC(screen);
            HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
            HGDIOBJ old = SelectObject(memory, bitmap);
            PatBlt(memory, 0, 0, client.right, client.bottom, WHITENESS);
            const double blit = MedianMicroseconds(
                [&] { BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY); });
            const double redraw = MedianMicroseconds([&] {
                window.graph.Render();
                window.graph.CopyTo(screen);
            });
            // The portable part alone: background, grid and the translucent fills.
            GraphPicture picture;
            picture.Resize(client.right, client.bottom);
            const GraphScale scale = window.graph.Scale();
            const std::vector<uint32_t> axis = AxisChannels(scale, 30);
            const double fills = MedianMicroseconds(
                [&] { RenderGraph(picture, scale, window.graph.AccessPoints(), axis, GraphStyle{}); });
            std::printf("%-8s %4ldx%-6ld %14.0f %14.0f %7.1fx %14.0f\n", std::string(PlanOf(band).name).c_str(),
                        client.right, client.bottom, redraw, blit, redraw / blit, fills);
            SelectObject(memory, old);
            DeleteObject(bitmap);
            DeleteDC(memory);
            ReleaseDC(window.graph.hwnd(), screen);
        }
    }
    return 0;
}
