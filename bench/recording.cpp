// What recording a survey costs: the file's bytes per hour and the memory held
// for an hour and a day of one-second passes over the demo scenario, the cost
// of writing the file out (every 10 s), and a pass with and without recording.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "demo_pass.h"
#include "sim/simulated_wlan.h"
#include "survey/recording_wlan.h"

namespace {

using namespace wlan;

size_t Heap() {
    const auto m = mallinfo2();
    return m.uordblks + m.hblkhd;  // large blocks are mapped apart
}

struct Demo {
    sim::SimulatedWlan service{DemoScenarioPath()};
    RecordingWlan recorder{service};
    ClientHandle client{recorder};
    bool Open() { return client.Open() == 0; }
    void Pass() { DemoPass(recorder, client.get(), true); }
};

// Records `passes` one-second passes and reports the file and the memory.
void Record(benchmark::State& state, int passes) {
    for (auto _ : state) {
        Demo demo;
        if (!demo.Open()) {
            state.SkipWithError("demo scenario did not load");
            return;
        }
        demo.Pass();  // the scenario's own memory is not the recording's
        const size_t heapBefore = Heap();
        SurveyRecording recording;
        demo.recorder.Attach(&recording);
        for (int k = 0; k < passes; ++k) demo.Pass();
        recording.Finish();
        const size_t heap = Heap() - heapBefore;
        const std::string text = recording.ScenarioText();
        const double hours = passes / 3600.0;
        state.counters["file_bytes"] = static_cast<double>(text.size());
        state.counters["file_bytes_per_hour"] = static_cast<double>(text.size()) / hours;
        state.counters["heap_bytes"] = static_cast<double>(heap);
        state.counters["held_bytes"] = static_cast<double>(recording.MemoryUse());
    }
}
void BM_RecordHour(benchmark::State& state) { Record(state, 3600); }
void BM_RecordDay(benchmark::State& state) { Record(state, 86400); }
BENCHMARK(BM_RecordHour)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordDay)->Iterations(1)->Unit(benchmark::kMillisecond);

// Writing the file of a recording `state.range(0)` passes long: what each save costs.
void BM_WriteFile(benchmark::State& state) {
    Demo demo;
    if (!demo.Open()) {
        state.SkipWithError("demo scenario did not load");
        return;
    }
    SurveyRecording recording;
    demo.recorder.Attach(&recording);
    for (int64_t k = 0; k < state.range(0); ++k) demo.Pass();
    recording.Finish();
    for (auto _ : state) benchmark::DoNotOptimize(recording.ScenarioText());
}
BENCHMARK(BM_WriteFile)->Arg(3600)->Arg(86400)->Unit(benchmark::kMillisecond);

// A pass of the demo with and without a recording attached.
void BM_Pass(benchmark::State& state) {
    Demo demo;
    if (!demo.Open()) {
        state.SkipWithError("demo scenario did not load");
        return;
    }
    SurveyRecording recording;
    if (state.range(0)) demo.recorder.Attach(&recording);
    for (auto _ : state) demo.Pass();
}
BENCHMARK(BM_Pass)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
