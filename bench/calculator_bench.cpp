// SPDX-License-Identifier: BSD-3-Clause
// One whole single-point calculation through the front ends' API (Calculator.h): describe the README's
// solution by names, check, correct, solve, write the report. This is what dedodiz.solve() costs
// besides its own translation of the arguments and results; bench/python_bench.py reads it to tell the
// module's overhead.

#include <benchmark/benchmark.h>

#include "core/Calculator.h"
#include "files/DataPaths.h"

namespace {

using namespace dedodiz;

// 2 mM EGTA, 1 mM Ca and 1 mM Mg at pH 7.2, 20 C, 0.1 N, type free.
SolutionInput ReadmeSolution() {
    SolutionInput entered;
    entered.type = CalculationType::Free;
    entered.pH = 7.2;
    entered.chelators = {{"EGTA", 2e-3}};
    entered.metals = {{"Ca2", 1e-3, 0}, {"Mg2", 1e-3, 0}};
    return entered;
}

void BM_CalculatorSolveReadme(benchmark::State& bench) {
    static ConstantsTable table;
    MessageKeeper messages;
    if (!LoadTable(BundledConstantsFile(), table, messages).ok()) {
        bench.SkipWithError("the bundled constants table is not found");
        return;
    }
    const SolutionInput entered = ReadmeSolution();
    for (auto _ : bench) {
        const Solved solved = Solve(table, entered);
        benchmark::DoNotOptimize(solved.calc.WorkSolution.MetalFree[1]);
    }
}

}  // namespace

BENCHMARK(BM_CalculatorSolveReadme)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
