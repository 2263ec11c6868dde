// The channel graph's portable raster with 300 access points per band, at the
// channels window's default size (732 x 318) and a large one (1400 x 700):
// the whole picture and its parts, beside one memcpy of a picture of that size
// (the least any redraw that rewrites every pixel costs).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "support/crowded_band.h"
#include "survey/channel_graph.h"

namespace {

struct Setup {
    GraphPicture picture;
    GraphScale scale;
    std::vector<ChannelAp> aps;
    std::vector<uint32_t> axis;
    std::vector<ShapeFill> fills;
    Setup(const benchmark::State& state)
        : scale(static_cast<WifiBand>(state.range(2)),
                {40, 10, static_cast<int>(state.range(0)) - 12, static_cast<int>(state.range(1)) - 30}),
          aps(CrowdedBand(scale.Band())), axis(AxisChannels(scale, 30)) {
        picture.Resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
        for (size_t i : DrawingOrder(aps, scale.Band()))
            for (const Trapezoid& t : ShapesOf(aps[i], scale)) fills.push_back({t, aps[i].colour});
    }
};

void Sizes(benchmark::internal::Benchmark* b) {
    for (int band = 0; band < 3; ++band) b->Args({732, 318, band})->Args({1400, 700, band});
    b->Unit(benchmark::kMicrosecond);
}

void BM_RenderGraph(benchmark::State& state) {
    Setup s(state);
    for (auto _ : state) RenderGraph(s.picture, s.scale, s.aps, s.axis, GraphStyle{});
}
BENCHMARK(BM_RenderGraph)->Apply(Sizes);

void BM_FillShapes(benchmark::State& state) {
    Setup s(state);
    for (auto _ : state) FillShapes(s.picture, s.fills, 64, s.scale.Plot().left, s.scale.Plot().right);
}
BENCHMARK(BM_FillShapes)->Apply(Sizes);

void BM_StrokeShapes(benchmark::State& state) {
    Setup s(state);
    for (auto _ : state) StrokeShapes(s.picture, s.fills, 1, s.scale.Plot().left, s.scale.Plot().right);
}
BENCHMARK(BM_StrokeShapes)->Apply(Sizes);

void BM_Memcpy(benchmark::State& state) {
    Setup s(state);
    std::vector<Pixel> target(s.picture.pixels.size());
    for (auto _ : state) {
        std::memcpy(target.data(), s.picture.pixels.data(), target.size() * sizeof(Pixel));
        benchmark::DoNotOptimize(target.data());
    }
}
BENCHMARK(BM_Memcpy)->Args({732, 318, 0})->Args({1400, 700, 0})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
