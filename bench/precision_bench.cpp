// SPDX-License-Identifier: BSD-3-Clause
// The precisions over 100,000 random laboratory solutions (tests/support/LabSolutions.h): the time per
// solution of each, and for checked, the default, the share refined, the share not converged and the
// worst relative difference of a result shown as valid from the exact one (the goal: none above 1e-4).
// Each solution is solved as the Python module's solve_many solves it: the Session's rules, the run's
// checks and the one solve of a point, without a report.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "LabSolutions.h"
#include "core/Session.h"

namespace {

using namespace dedodiz;

constexpr int kSolutions = 100000;

// The solutions described once, each as the calculation a run starts from.
const std::vector<Calculation>& Solutions() {
    static const std::vector<Calculation> solutions = [] {
        std::vector<Calculation> all;
        auto session = std::make_unique<Session>();
        if (!session->LoadBundledConstants().Ran()) return all;
        test::LabSolutions lab(2026);
        all.reserve(kSolutions);
        for (int n = 0; n < kSolutions; ++n)
            if (session->Describe(lab.Next()).Ran()) all.push_back(session->calc());
        return all;
    }();
    return solutions;
}

QuietRun Solve(Calculation& calc, Precision precision, MessageSink& messages) {
    Refusals refusals;
    CheckSolutionValues(calc.Solution, calc.CalcType, refusals);
    return refusals.empty() ? RunQuietly(calc, precision, messages) : QuietRun{};
}

void BM_LabSolutions(benchmark::State& bench) {
    const auto precision = static_cast<Precision>(bench.range(0));
    std::vector<Calculation> solutions = Solutions();
    if (solutions.empty()) return bench.SkipWithError("the bundled constants table is not found");
    MessageKeeper messages;
    for (auto _ : bench)
        for (Calculation& calc : solutions) benchmark::DoNotOptimize(Solve(calc, precision, messages));
    bench.SetItemsProcessed(bench.iterations() * static_cast<std::int64_t>(solutions.size()));
    if (precision == Precision::Exact) return;

    // What the precision shows as valid, against the exact solution of the same equations.
    std::vector<Calculation> exact = Solutions();
    double refined = 0, notConverged = 0, worst = 0, above1e4 = 0, above1e2 = 0;
    for (std::size_t n = 0; n < solutions.size(); ++n) {
        const QuietRun run = Solve(solutions[n], precision, messages);
        Solve(exact[n], Precision::Exact, messages);
        refined += run.refined ? 1 : 0;
        if (!run.converged) {
            ++notConverged;
            continue;
        }
        const double error = test::Difference(solutions[n].WorkSolution, exact[n].WorkSolution);
        worst = std::max(worst, error);
        above1e4 += error > 1e-4 ? 1 : 0;
        above1e2 += error > 1e-2 ? 1 : 0;
    }
    const double count = static_cast<double>(solutions.size());
    bench.counters["refined_share"] = refined / count;
    bench.counters["not_converged_share"] = notConverged / count;
    bench.counters["share_off_1e-4"] = above1e4 / count;
    bench.counters["share_off_1e-2"] = above1e2 / count;
    bench.counters["worst_error"] = worst;
}

}  // namespace

// Argument: the precision (0 described, 1 checked, 2 exact). The time is that of all 100,000.
BENCHMARK(BM_LabSolutions)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
