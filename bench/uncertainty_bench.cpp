// SPDX-License-Identifier: BSD-3-Clause
// What a user waits for after Calculation > "Uncertainty ...": 10,000 samples of a full 6 x 6
// solution with every input uncertain (about 250 of them), their quantiles and each input's share,
// on one thread and on two. The last one is a 6 x 6 solution of the bundled table described by names,
// as dedodiz.uncertainty() computes it: bench/python_bench.py reads it to tell the module's overhead.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "core/Session.h"
#include "core/Uncertainty.h"
#include "files/DataPaths.h"

namespace {

using namespace dedodiz;

void Uncertainty6x6(benchmark::State& bench, int calcType) {
    static perf::Parts s;  // large: keep it off the benchmark's stack
    perf::FillSixBySix(s, calcType);
    // A run refuses a pair without its ML constant and, away from 20 C, without its enthalpy; the
    // table leaves some out (BAPTA with Sr, Ba, Mn). They get a weak constant, and the samples vary
    // the temperature around 20 C.
    for (int i = 1; i <= kSlots; ++i)
        for (int j = 1; j <= kSlots; ++j)
            if (s.Solution.LogKM[i][j][1] == 0) s.Solution.LogKM[i][j][1] = 2.0;
    s.Solution.Temperature = 20;
    UncertaintyOptions options;
    options.samples = 10000;
    options.threads = static_cast<int>(bench.range(0));
    for (int i = 1; i <= kSlots; ++i) options.inputs.purity[i] = {0.98, 0.01};
    perf::NoMessages messages;
    UncertaintyOutcome outcome;
    for (auto _ : bench) {
        outcome = RunUncertainty(s, options, messages);
        benchmark::DoNotOptimize(outcome.results.data());
    }
    if (!outcome.Ran())
        bench.SkipWithError(outcome.messages.empty() ? "refused" : outcome.messages[0].text.c_str());
    bench.counters["threads"] = UncertaintyThreads(options.threads);
    bench.counters["inputs"] = outcome.inputs;
    bench.counters["failed"] = outcome.Failed();
    bench.counters["converged"] = outcome.converged ? 1 : 0;  // the single point
}

void BM_Uncertainty6x6Free(benchmark::State& bench) {
    Uncertainty6x6(bench, 1);
}
void BM_Uncertainty6x6Total(benchmark::State& bench) {
    Uncertainty6x6(bench, 0);
}
void BM_Uncertainty6x6Chelator(benchmark::State& bench) {
    Uncertainty6x6(bench, 2);
}

// EGTA, DTPA, EDTA, HEDTA, NTA and CDTA (every pair has its constant in the bundled table) with Ca, Mg, Sr,
// Ba, Mn and Zn, at the totals of the 6 x 6 solution above, pH 7.2, 20 C, 0.15 N, type Free; every chelator
// 98 +- 1 % pure.
void BM_UncertaintyBundled6x6(benchmark::State& bench) {
    static ConstantsTable table;
    static Selection selection;
    static Calculation calc;
    MessageKeeper messages;
    SolutionInput entered;
    entered.pH = 7.2;
    entered.ionic = 0.15;
    entered.chelators = {{"EGTA", 2e-3},  {"DTPA", 1e-3}, {"EDTA", 5e-4},
                         {"HEDTA", 2e-4}, {"NTA", 1e-3},  {"CDTA", 1e-4}};
    entered.metals = {{"Ca2", 1.5e-3, 0}, {"Mg2", 1e-3, 0}, {"Sr2", 1e-4, 0},
                      {"Ba2", 5e-5, 0},   {"Mn2", 1e-5, 0}, {"Zn2", 2e-5, 0}};
    NewCalculation(table, selection, calc);
    Session session;
    if (!session.LoadBundledConstants().Ran() || !session.Describe(entered).Ran()) {
        bench.SkipWithError("the bundled constants table is not found");
        return;
    }
    table = session.table();
    selection = session.selection();
    calc = session.calc();
    UncertaintyOptions options;
    options.samples = 10000;
    options.threads = static_cast<int>(bench.range(0));
    for (int i = 1; i <= kSlots; ++i) options.inputs.purity[i] = {0.98, 0.01};
    perf::NoMessages quiet;
    UncertaintyOutcome outcome;
    for (auto _ : bench) {
        outcome = RunUncertainty(calc, options, quiet);
        benchmark::DoNotOptimize(outcome.results.data());
    }
    if (!outcome.Ran()) bench.SkipWithError("refused");
    bench.counters["threads"] = UncertaintyThreads(options.threads);
    bench.counters["inputs"] = outcome.inputs;
    bench.counters["failed"] = outcome.Failed();
}

BENCHMARK(BM_Uncertainty6x6Free)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Uncertainty6x6Total)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Uncertainty6x6Chelator)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UncertaintyBundled6x6)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
