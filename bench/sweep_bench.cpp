// SPDX-License-Identifier: BSD-3-Clause
// What a user waits for after "2D ..." and "3D ...": the sweep of a full 6 x 6 solution and the
// drawing of its graph. The canvas does nothing, so the numbers are those of the program's own
// work; the "allocs" counter shows that the sweep itself allocates nothing.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "core/Canvas.h"
#include "core/Graph.h"
#include "core/Sweep.h"

namespace {

using namespace dedodiz;
using perf::g_allocations;

struct NullCanvas : Canvas {
    void Clear() override {}
    void SetPenColor(Rgb) override {}
    void SetPixel(int x, int y, Rgb) override { benchmark::DoNotOptimize(x + y); }
    void Line(int x1, int y1, int x2, int y2) override { benchmark::DoNotOptimize(x1 + y1 + x2 + y2); }
    void TextOut(int, int, std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

struct SweepParts : perf::Parts, SweepState {};

void FillSolution(SweepParts& s, int calcType) {
    perf::FillSixBySix(s, calcType);
    ResetSweepData(s);
}

// The whole command after its dialogs: sweep, then frame, text and curves.
void SweepAndDraw(benchmark::State& bench, int calcType, bool threeD) {
    static SweepParts s;  // large: keep it off the benchmark's stack
    FillSolution(s, calcType);
    s.SweepMode = static_cast<SweepKind>(calcType + (threeD ? 3 : 0));
    s.XAxis = {AxisVariable::PH, 6.0, 8.0};             // pH
    s.ZAxis = {AxisVariable::Temperature, 10.0, 37.0};  // temperature: every Z point corrects all constants
    NullCanvas canvas;
    long allocations = 0;
    for (auto _ : bench) {
        const long before = g_allocations.load();
        RunSweep(s, s);
        allocations += g_allocations.load() - before;
        DrawGraph(s, canvas);
        benchmark::DoNotOptimize(s.PeakComplexIonic);
    }
    bench.counters["allocs"] = static_cast<double>(allocations);
    int converged = 0;
    if (threeD) {
        for (const auto& row : s.Converged3D)
            for (const bool c : row) converged += c ? 1 : 0;
    } else {
        for (const bool c : s.Converged2D) converged += c ? 1 : 0;
    }
    bench.counters["converged"] = converged;  // points of the last sweep
}

void BM_Sweep3DFree6x6(benchmark::State& bench) {
    SweepAndDraw(bench, 1, true);
}
// The worst case: this chelator question converges at no point, so every solve runs all its passes.
void BM_Sweep3DChelatorWorst6x6(benchmark::State& bench) {
    SweepAndDraw(bench, 2, true);
}
void BM_Sweep2DFree6x6(benchmark::State& bench) {
    SweepAndDraw(bench, 1, false);
}
void BM_Sweep2DTotal6x6(benchmark::State& bench) {
    SweepAndDraw(bench, 0, false);
}

// The drawing alone, for the 3D picture with its six wire frames.
void BM_Draw3D6x6(benchmark::State& bench) {
    static SweepParts s;
    FillSolution(s, 1);
    s.SweepMode = SweepKind::Free3D;
    s.XAxis = {AxisVariable::PH, 6.0, 8.0};
    s.ZAxis = {AxisVariable::Temperature, 10.0, 37.0};
    RunSweep(s, s);
    NullCanvas canvas;
    for (auto _ : bench) DrawGraph(s, canvas);
}

}  // namespace

BENCHMARK(BM_Sweep3DFree6x6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Sweep3DChelatorWorst6x6)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Sweep2DFree6x6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Sweep2DTotal6x6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Draw3D6x6)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
