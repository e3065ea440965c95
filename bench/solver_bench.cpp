// SPDX-License-Identifier: BSD-3-Clause
// What a user waits for: one equilibrium solve of a full 6 x 6 solution (types Free and Chelator), and
// the refinement to machine precision on top of it. A counting operator new shows that a solve and a
// refinement allocate nothing: the "allocs" counter must be 0.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "engine/Corrections.h"
#include "engine/Refine.h"
#include "engine/Solver.h"

namespace {

using namespace dedodiz;
using perf::g_allocations;

// Solves the prepared solution again and again, counting allocations inside the solve.
void SolveRepeatedly(benchmark::State& bench, perf::Parts& s) {
    long allocations = 0;
    int converged = 0;
    for (auto _ : bench) {
        PrepareWork(s.Solution, s.WorkSolution);  // every solve starts from the same entered solution
        const long before = g_allocations.load();
        SolveEquilibrium(s.CalcType, s.WorkSolution, s.Results);
        allocations += g_allocations.load() - before;
        converged += s.Results.Converged ? 1 : 0;
        benchmark::DoNotOptimize(s.WorkSolution.MetalFree[1]);
        benchmark::DoNotOptimize(s.WorkSolution.ChelTotal[1]);
    }
    bench.counters["allocs"] = static_cast<double>(allocations);
    bench.counters["converged"] = benchmark::Counter(converged, benchmark::Counter::kAvgIterations);
}

void SolveBenchmark(benchmark::State& bench, int calcType) {
    static perf::Parts s;  // large: keep it off the benchmark's stack
    perf::FillSixBySix(s, calcType);
    SolveRepeatedly(bench, s);
}

void BM_SolveFree6x6(benchmark::State& bench) {
    SolveBenchmark(bench, 1);
}

// The usual chelator question: how much EGTA and BAPTA hold 100 nM free Ca with 1 mM total Ca.
void BM_SolveChelatorEgtaBapta(benchmark::State& bench) {
    static perf::Parts s;
    perf::FillSixBySix(s, 2);
    for (int c = 3; c <= 6; ++c) s.ChelatorChosen[c] = false;
    for (int m = 2; m <= 6; ++m) s.MetalChosen[m] = false;
    perf::NoMessages messages;
    BuildSelection(s, s, s.Solution, messages);
    s.Solution.MetalTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-7;
    SolveRepeatedly(bench, s);
}

void BM_SolveChelator6x6(benchmark::State& bench) {
    SolveBenchmark(bench, 2);
}
void BM_SolveTotal6x6(benchmark::State& bench) {
    SolveBenchmark(bench, 0);
}

void BM_PrepareWork6x6(benchmark::State& bench) {
    static perf::Parts s;
    perf::FillSixBySix(s, 1);
    for (auto _ : bench) {
        PrepareWork(s.Solution, s.WorkSolution);
        benchmark::DoNotOptimize(s.WorkSolution.LogKM[1][1][1]);
    }
}

// The iteration and the refinement of its answer together: what asking for exact numbers costs is the
// difference to BM_SolveFree6x6.
void BM_SolveAndRefineFree6x6(benchmark::State& bench) {
    static perf::Parts s;
    perf::FillSixBySix(s, 1);
    long allocations = 0;
    int converged = 0;
    for (auto _ : bench) {
        PrepareWork(s.Solution, s.WorkSolution);
        const long before = g_allocations.load();
        SolveEquilibrium(s.CalcType, s.WorkSolution, s.Results);
        const RefineResult r = RefineEquilibrium(s.WorkSolution, s.CalcType, s.Results.HydrogenConc);
        allocations += g_allocations.load() - before;
        converged += r.converged ? 1 : 0;
        benchmark::DoNotOptimize(s.WorkSolution.MetalFree[1]);
    }
    bench.counters["allocs"] = static_cast<double>(allocations);
    bench.counters["converged"] = benchmark::Counter(converged, benchmark::Counter::kAvgIterations);
}

// The refinement alone, from the iteration's answer (fromTotals 0) or from every metal free and no
// chelator free (fromTotals 1), the farthest start there is.
void BM_RefineFree6x6(benchmark::State& bench) {
    static perf::Parts s;
    perf::FillSixBySix(s, 1);
    PrepareWork(s.Solution, s.WorkSolution);
    SolveEquilibrium(s.CalcType, s.WorkSolution, s.Results);
    TSolution& w = s.WorkSolution;
    if (bench.range(0) != 0) {
        w.MetalFree = w.MetalTotal;
        w.ChelFree.fill(0);
    }
    const TSolution start = w;
    long allocations = 0;
    int iterations = 0;
    for (auto _ : bench) {
        w.MetalFree = start.MetalFree;
        w.ChelFree = start.ChelFree;
        const long before = g_allocations.load();
        const RefineResult r = RefineEquilibrium(w, CalculationType::Free, s.Results.HydrogenConc);
        allocations += g_allocations.load() - before;
        iterations += r.iterations;
        benchmark::DoNotOptimize(w.MetalFree[1]);
    }
    bench.counters["allocs"] = static_cast<double>(allocations);
    bench.counters["steps"] = benchmark::Counter(iterations, benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(BM_SolveFree6x6);
BENCHMARK(BM_SolveAndRefineFree6x6);
BENCHMARK(BM_RefineFree6x6)->ArgName("fromTotals")->Arg(0)->Arg(1);
BENCHMARK(BM_SolveChelator6x6);
BENCHMARK(BM_SolveChelatorEgtaBapta);
BENCHMARK(BM_SolveTotal6x6);
BENCHMARK(BM_PrepareWork6x6);
BENCHMARK_MAIN();
