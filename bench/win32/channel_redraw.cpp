// One redraw of the channel graph with 300 access points against one BitBlt of
// a bitmap of the same size to the same window, in the same run, at the
// window's default size and a large one, three rounds.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/win32/window.h"
#include "support/crowded_band.h"
#include "survey/win32/channel_graph_control.h"

namespace {

constexpr int kRuns = 60;

class BenchWindow : public Window {
public:
    BenchWindow(int width, int height) {
        CreateFrame({.caption = "Channel redraw",
                     .style = WS_OVERLAPPEDWINDOW,
                     .client_width = width,
                     .client_height = height});
        graph.Create(*this,
                     {.rect = {0, 0, width, height}, .anchors = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom});
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd_);
    }
    ChannelGraphControl graph;
};

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Times {
    double median, least;  // the least shows the cost when nothing else ran in between
};

template <typename F>
Times MicroSeconds(F&& step) {
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
    return {times[times.size() / 2], times.front()};
}

// FNV-1a of what the control shows: its picture copied to a top-down 32-bit bitmap.
uint64_t ShownFingerprint(const ChannelGraphControl& graph, HDC screen, int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(bi.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    graph.CopyTo(dc);
    GdiFlush();
    uint64_t h = 14695981039346656037u;
    const auto* bytes = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(width) * height * 4; ++i) h = (h ^ bytes[i]) * 1099511628211u;
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    return h;
}

}  // namespace

int main() {
    std::printf("redraw: a pass brings new data for 300 access points and the window repaints\n"
                "paint: the window repaints with unchanged data (one copy of the kept picture)\n"
                "raster: the portable picture alone (background, grid, fills, outlines)\n"
                "picture: fingerprint of what the window shows for the first pass\n\n");
    std::printf("times in us, median / least of %d\n", kRuns);
    std::printf("%-5s %-8s %-9s %13s %11s %8s %11s %13s  %s\n", "round", "band", "size", "redraw", "BitBlt",
                "ratio", "paint", "raster", "picture");
    for (int round = 1; round <= 3; ++round) {
        for (const SIZE size : {SIZE{732, 318}, SIZE{1400, 700}}) {
            for (WifiBand band : kWifiBands) {
                BenchWindow window(size.cx, size.cy);
                HWND hwnd = window.graph.hwnd();
                window.graph.SetBand(band);
                // Two passes' worth: the same access points, each a little weaker in the second.
                const std::vector<ChannelAp> first = CrowdedBand(band);
                std::vector<ChannelAp> second = first;
                for (ChannelAp& ap : second) ap.rssi -= 1;
                window.graph.SetAccessPoints(first);
                UpdateWindow(hwnd);
                HDC screen = GetDC(hwnd);
                RECT client;
                GetClientRect(hwnd, &client);
                // The floor: a bitmap of the same size copied to the same window.
                HDC memory = CreateCompatibleDC(screen);
                HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
                HGDIOBJ old = SelectObject(memory, bitmap);
                PatBlt(memory, 0, 0, client.right, client.bottom, WHITENESS);
                const Times blit = MicroSeconds(
                    [&] { BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY); });
                bool odd = false;
                const Times redraw = MicroSeconds([&] {
                    window.graph.SetAccessPoints((odd = !odd) ? second : first);
                    UpdateWindow(hwnd);
                });
                const Times paint = MicroSeconds([&] {
                    InvalidateRect(hwnd, nullptr, FALSE);
                    UpdateWindow(hwnd);
                });
                GraphPicture picture;
                picture.Resize(client.right, client.bottom);
                const GraphScale scale = window.graph.Scale();
                const std::vector<uint32_t> axis = AxisChannels(scale, 30);
                const Times raster =
                    MicroSeconds([&] { RenderGraph(picture, scale, first, axis, GraphStyle{}); });
                window.graph.SetAccessPoints(first);
                UpdateWindow(hwnd);
                const uint64_t shown = ShownFingerprint(window.graph, screen, client.right, client.bottom);
                std::printf("%-5d %-8s %4ldx%-4ld %6.0f/%-6.0f %4.0f/%-4.0f %7.0fx %5.0f/%-5.0f %6.0f/%-6.0f  %016llx\n",
                            round, std::string(PlanOf(band).name).c_str(), client.right, client.bottom, redraw.median,
                            redraw.least, blit.median, blit.least, redraw.median / blit.median, paint.median,
                            paint.least, raster.median, raster.least, static_cast<unsigned long long>(shown));
                SelectObject(memory, old);
                DeleteObject(bitmap);
                DeleteDC(memory);
                ReleaseDC(hwnd, screen);
            }
        }
    }
    return 0;
}
