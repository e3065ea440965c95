// What a user waits for after "2D ..." and "3D ...": the sweep of a full 6 x 6 solution and the
// drawing of its graph. The canvas does nothing, so the numbers are those of the program's own
// work; the "allocs" counter shows that the sweep itself allocates nothing.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "Canvas.h"
#include "Graph.h"
#include "Sinks.h"
#include "Sweep.h"

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace dedodiz;

struct NoMessages : MessageSink {
    void Message(std::string_view, std::string_view) override {}
};

struct NullCanvas : Canvas {
    void Clear() override {}
    void SetPenColor(Rgb) override {}
    void SetPixel(int x, int y, Rgb) override { benchmark::DoNotOptimize(x + y); }
    void Line(int x1, int y1, int x2, int y2) override { benchmark::DoNotOptimize(x1 + y1 + x2 + y2); }
    void TextOut(int, int, std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

// Six chelators and six metals at 37 C, pH 7.2, 0.15 N (constants of the critical tables, 20 C, 0.1 N).
void FillSolution(State& s, std::int16_t calcType) {
    struct Chel {
        const char* name;
        double h[4], dh[4];
        double ml[6], mhl[6], dml[6];
    };
    const Chel table[] = {
        {"EGTA", {9.47, 8.85, 2.66, 2.00}, {-5.6, -5.5, 0, 0},
         {10.97, 5.21, 8.50, 8.41, 12.28, 12.60}, {5.30, 3.40, 0, 0, 0, 0}, {-8.1, 5.4, 0, 0, 0, 0}},
        {"BAPTA", {6.36, 5.47, 0, 0}, {0, 0, 0, 0}, {6.97, 1.77, 0, 0, 0, 8.10}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
        {"EDTA", {10.24, 6.16, 2.66, 2.00}, {-5.6, -4.2, 1.3, 0.3},
         {10.70, 8.69, 8.63, 7.76, 13.87, 16.50}, {3.60, 2.50, 2.60, 2.10, 6.80, 9.20}, {-6.1, 3.3, -4.1, -4.9, -4.6, -4.6}},
        {"HEDTA", {9.87, 5.40, 2.60, 0}, {-5.0, -2.0, 0, 0}, {8.10, 7.00, 6.80, 6.20, 11.10, 14.60}, {0, 0, 0, 0, 0, 0},
         {0, 0, 0, 0, 0, 0}},
        {"NTA", {9.73, 2.49, 1.89, 0}, {-4.5, 0.2, 0.4, 0}, {6.46, 5.45, 5.00, 4.83, 7.44, 10.67}, {0, 0, 0, 0, 0, 0},
         {-1.4, 4.3, -0.5, -1.4, 1.4, -0.9}},
        {"CDTA", {11.70, 6.12, 3.52, 2.43}, {-6.0, -1.5, 0, 0}, {12.50, 10.32, 10.00, 8.00, 16.78, 18.67},
         {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
    };
    const char* metals[] = {"Ca2", "Mg2", "Sr2", "Ba2", "Mn2", "Zn2"};
    NewState(s);
    ResetSweepData(s);
    for (int c = 1; c <= 6; ++c) {
        TChelatorRec& rec = s.Constants[c];
        const Chel& src = table[c - 1];
        rec.Name = src.name;
        for (int k = 1; k <= 4; ++k) rec.H[k] = src.h[k - 1], rec.dH[k] = src.dh[k - 1];
        for (int m = 1; m <= 6; ++m) {
            s.Constants[1].MetalName[m] = metals[m - 1];
            rec.ML[m] = src.ml[m - 1];
            rec.MHL[m] = src.mhl[m - 1];
            rec.dML[m] = src.dml[m - 1];
        }
        s.ChelatorChosen[c] = true;
    }
    for (int m = 1; m <= 6; ++m) s.MetalChosen[m] = true;
    NoMessages messages;
    BuildSelection(s, messages);
    s.CalcType = calcType;
    s.Solution.Temperature = 37;
    s.Solution.PH = 7.2;
    s.Solution.IonicEquiv = 0.15;
    const double chel[] = {2e-3, 1e-3, 5e-4, 2e-4, 1e-3, 1e-4};
    const double metal[] = {1.5e-3, 1e-3, 1e-4, 5e-5, 1e-5, 2e-5};
    for (int k = 1; k <= 6; ++k) {
        s.Solution.ChelTotal[k] = chel[k - 1];
        s.Solution.MetalTotal[k] = metal[k - 1];
        s.Solution.MetalFree[k] = metal[k - 1] / 1000;
    }
}

// The whole command after its dialogs: sweep, then frame, text and curves.
void SweepAndDraw(benchmark::State& bench, std::int16_t calcType, bool threeD) {
    static State s;  // large: keep it off the benchmark's stack
    FillSolution(s, calcType);
    s.SweepMode = static_cast<std::uint16_t>(calcType + (threeD ? 3 : 0));
    s.XAxis = {1, 6.0, 8.0};   // pH
    s.ZAxis = {0, 10.0, 37.0};  // temperature: every Z point corrects all constants
    NullCanvas canvas;
    long allocations = 0;
    for (auto _ : bench) {
        const long before = g_allocations.load();
        RunSweep(s);
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

void BM_Sweep3DFree6x6(benchmark::State& bench) { SweepAndDraw(bench, 1, true); }
// The worst case: this chelator question converges at no point, so every solve runs all its passes.
void BM_Sweep3DChelatorWorst6x6(benchmark::State& bench) { SweepAndDraw(bench, 2, true); }
void BM_Sweep2DFree6x6(benchmark::State& bench) { SweepAndDraw(bench, 1, false); }
void BM_Sweep2DTotal6x6(benchmark::State& bench) { SweepAndDraw(bench, 0, false); }

// The drawing alone, for the 3D picture with its six wire frames.
void BM_Draw3D6x6(benchmark::State& bench) {
    static State s;
    FillSolution(s, 1);
    s.SweepMode = 4;
    s.XAxis = {1, 6.0, 8.0};
    s.ZAxis = {0, 10.0, 37.0};
    RunSweep(s);
    NullCanvas canvas;
    for (auto _ : bench) DrawGraph(s, canvas);
}

}  // namespace

BENCHMARK(BM_Sweep3DFree6x6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Sweep3DChelatorWorst6x6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Sweep2DFree6x6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Sweep2DTotal6x6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Draw3D6x6)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
