// SPDX-License-Identifier: BSD-3-Clause
// What the Session costs beside the solve of a point. A 6 x 6 solution (six chelators, six metals of the
// bundled table at 20 C, pH 7.2, 0.15 N: the table lacks some enthalpies, so no other temperature),
// four ways:
//   SolvePoint      the correction and the one solve of a point, nothing else;
//   SessionQuiet    the Session's rules, the run's checks and the same solve, without a report: what
//                   every solution of the Python module's solve_many costs;
//   RunSinglePoint  the single-point run with its report, called directly;
//   SessionRun      the same run through Session::Run, as every front end calls it.
// The README's solution through Session::Describe and Run is the reference for dedodiz.solve()'s overhead
// (bench/python_bench.py).

#include <benchmark/benchmark.h>

#include <memory>

#include "core/OutputText.h"
#include "core/Session.h"
#include "engine/Corrections.h"
#include "engine/Point.h"
#include "engine/Refine.h"

namespace {

using namespace dedodiz;

SolutionInput SixBySix(CalculationType type) {
    SolutionInput entered;
    entered.type = type;
    entered.pH = 7.2;
    entered.ionic = 0.15;
    entered.chelators = {{"EGTA", 2e-3},  {"DTPA", 1e-3}, {"EDTA", 5e-4},
                         {"HEDTA", 2e-4}, {"NTA", 1e-3},  {"CDTA", 1e-4}};
    const std::pair<const char*, double> metals[] = {{"Ca2", 1.5e-3}, {"Mg2", 1e-3}, {"Sr2", 1e-4},
                                                     {"Ba2", 5e-5},   {"Mn2", 1e-5}, {"Zn2", 2e-5}};
    for (const auto& [name, total] : metals) entered.metals.push_back({name, total, total / 1000});
    return entered;
}

// 2 mM EGTA, 1 mM Ca and 1 mM Mg at pH 7.2, 20 C, 0.1 N, type free.
SolutionInput ReadmeSolution() {
    SolutionInput entered;
    entered.pH = 7.2;
    entered.chelators = {{"EGTA", 2e-3}};
    entered.metals = {{"Ca2", 1e-3, 0.0}, {"Mg2", 1e-3, 0.0}};
    return entered;
}

// A session with the bundled table and the solution described, or nullptr.
std::unique_ptr<Session> Described(const SolutionInput& entered, Precision precision) {
    auto session = std::make_unique<Session>();
    session->precision = precision;
    if (!session->LoadBundledConstants().Ran() || !session->Describe(entered).Ran()) return nullptr;
    if (!session->Run().Ran()) return nullptr;  // a solution the run refuses measures nothing
    return session;
}

Precision PrecisionOf(const benchmark::State& bench) {
    return bench.range(0) == 0 ? Precision::Described : Precision::Checked;
}

void BM_SolvePoint(benchmark::State& bench) {
    const auto session = Described(SixBySix(CalculationType::Free), PrecisionOf(bench));
    if (!session) return bench.SkipWithError("the bundled table is not found, or its run is refused");
    Calculation& calc = session->calc();
    for (auto _ : bench) {
        PrepareWork(calc.Solution, calc.WorkSolution);
        benchmark::DoNotOptimize(SolvePoint(calc, session->precision));
    }
}

// What the check of checked costs where the iteration's answer holds: the residual and one Newton
// step from a solved 6 x 6 answer, against the solve it checks (BM_SolvePoint/0).
void BM_CheckOnly(benchmark::State& bench) {
    const auto session = Described(SixBySix(CalculationType::Free), Precision::Described);
    if (!session) return bench.SkipWithError("the bundled table is not found, or its run is refused");
    Calculation& calc = session->calc();
    PrepareWork(calc.Solution, calc.WorkSolution);
    SolvePoint(calc, Precision::Described);
    for (auto _ : bench)
        benchmark::DoNotOptimize(IterationDeviation(calc.WorkSolution, calc.CalcType, calc.Results));
}

void BM_SessionQuiet(benchmark::State& bench) {
    const auto session = Described(SixBySix(CalculationType::Free), PrecisionOf(bench));
    if (!session) return bench.SkipWithError("the bundled table is not found, or its run is refused");
    MessageKeeper messages;
    Refusals refusals;
    for (auto _ : bench) {
        refusals.clear();
        CheckSolutionValues(session->Solution, session->CalcType, refusals);
        benchmark::DoNotOptimize(RunQuietly(session->calc(), session->precision, messages));
    }
}

void BM_RunSinglePoint(benchmark::State& bench) {
    const auto session = Described(SixBySix(CalculationType::Free), PrecisionOf(bench));
    if (!session) return bench.SkipWithError("the bundled table is not found, or its run is refused");
    MessageKeeper messages;
    for (auto _ : bench) {
        OutputText output;
        benchmark::DoNotOptimize(RunSinglePoint(session->calc(), session->ConstantsFileName.view(),
                                                ReportPlacement::Replace, output, messages,
                                                session->precision));
    }
}

void BM_SessionRun(benchmark::State& bench) {
    const auto session = Described(SixBySix(CalculationType::Free), PrecisionOf(bench));
    if (!session) return bench.SkipWithError("the bundled table is not found, or its run is refused");
    for (auto _ : bench) benchmark::DoNotOptimize(session->Run());
}

void BM_SessionSolveReadme(benchmark::State& bench) {
    Session table;
    if (!table.LoadBundledConstants().Ran())
        return bench.SkipWithError("the bundled table is not found, or its run is refused");
    const SolutionInput entered = ReadmeSolution();
    for (auto _ : bench) {
        auto session = std::make_unique<Session>();
        session->table() = table.table();
        session->precision = PrecisionOf(bench);
        session->Describe(entered);
        benchmark::DoNotOptimize(session->Run());
    }
}

}  // namespace

// Argument 0: the described precision; 1: checked.
BENCHMARK(BM_SolvePoint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SessionQuiet)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunSinglePoint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SessionRun)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SessionSolveReadme)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
