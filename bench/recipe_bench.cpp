// SPDX-License-Identifier: BSD-3-Clause
// What a user waits for after "Calculate" in the recipe window or `dedodiz32-cli recipe`: a force-pCa series
// of 20 solutions (pCa 9.0 to 4.25) of 7 mM EGTA, 5 mM ATP and 1 mM free Mg at pH 7.0, 22 C, with 20 mM
// HEPES, from the bundled table. With the KCl top-up every solution is solved once, at the target; without
// it the ionic strength is found by solving again until the strength solved at is the one the tube has;
// type Free searches the total of every level; the mixing method searches the fraction of every mix
// (pCa 9.0 to 5.2). "EveryOption" adds named forms, a contamination, the ionic strength target (found by
// counting again until it holds) and an osmolyte target; it should take under 5 ms.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "buffers/BufferFile.h"
#include "core/RecipeCalc.h"
#include "core/Session.h"

namespace {

using namespace dedodiz;

struct Setup {
    ConstantsTable table;
    Selection selection;
    Calculation calc;
    BufferTool buffers;
    RecipeRequest request;
};

Setup& Series(CalculationType type, bool topup, bool mixing, bool everything = false) {
    static Setup s;  // large: keep it off the benchmark's stack
    perf::NoMessages quiet;
    const std::string data = DEDODIZ_SOURCE_DIR "/data/";
    NewCalculation(s.table, s.selection, s.calc);
    if (!ReadBufferFile(s.buffers, data + "buffers.bcm", quiet).file.ok()) std::abort();
    Session session;
    if (!session.LoadConstants(data + "standard.TCM").Ran()) std::abort();
    SolutionInput entered;
    entered.type = type;
    entered.temperature = 22;
    entered.pH = 7.0;
    entered.ionic = 0.18;
    entered.chelators = {{"EGTA", 7e-3}, {"ATP", 5e-3}};
    entered.metals = {{"Ca2", 1e-3, 1e-7}, {"Mg2", 5e-3, 1e-3}};
    if (!session.Describe(entered).Ran()) std::abort();
    s.table = session.table();
    s.selection = session.selection();
    s.calc = session.calc();
    RecipeRequest& r = s.request;
    r = RecipeRequest{};
    r.volume = 10e-3;
    r.stocks = {{"EGTA", 0.1}, {"ATP", 0.1}, {"Ca2", 0.1}, {"Mg2", 1}, {"HEPES", 1}};
    r.buffer = "HEPES";
    r.bufferConc = 20e-3;
    if (topup) r.topup = NamedValue{"KCl", 3};
    r.seriesMetal = "Ca2";
    // Mixing reaches up to the loaded end's pCa of about 4.5: its series runs from 9.0 to 5.2.
    const double step = mixing ? 0.2 : 0.25;
    for (int k = 0; k < 20; ++k) r.seriesFree.push_back(std::pow(10.0, -(9.0 - step * k)));
    r.seriesAsPX = true;
    r.mixing = mixing;
    if (everything) {
        r.forms = {{"EGTA", "K2H2EGTA"}, {"ATP", "Na2ATP"}, {"Mg2", "MgCl2"}, {"HEPES", "NaHEPES"}};
        r.base = NamedValue{"KOH", 1};
        r.contamination = {{"Ca2", 1e-6}, {"Mg2", 1e-6}};
        r.ionicStrengthTarget = 0.2;
        r.osmolyte = NamedValue{"sucrose", 1};
        r.osmolarityTarget = 0.45;
        r.precision = Precision::Checked;
    }
    return s;
}

void MakeSeries(benchmark::State& bench, CalculationType type, bool topup, bool mixing,
                bool everything = false) {
    Setup& s = Series(type, topup, mixing, everything);
    perf::NoMessages quiet;
    for (auto _ : bench) {
        const Recipe recipe = MakeRecipe(s.calc, &s.buffers, s.request, quiet);
        if (!recipe.ok || recipe.solutions.size() != 20) bench.SkipWithError("the recipe was not made");
        benchmark::DoNotOptimize(recipe.solutions.back().volumes.data());
    }
}

void BM_Recipe20_TopUpToTarget(benchmark::State& bench) {
    MakeSeries(bench, CalculationType::Total, true, false);
}
void BM_Recipe20_IonicIteration(benchmark::State& bench) {
    MakeSeries(bench, CalculationType::Total, false, false);
}
void BM_Recipe20_TypeFreeSearch_IonicIteration(benchmark::State& bench) {
    MakeSeries(bench, CalculationType::Free, false, false);
}
void BM_Recipe20_Mixing(benchmark::State& bench) {
    MakeSeries(bench, CalculationType::Total, true, true);
}
void BM_Recipe20_EveryOption(benchmark::State& bench) {
    MakeSeries(bench, CalculationType::Total, true, false, true);
}

BENCHMARK(BM_Recipe20_TopUpToTarget)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recipe20_IonicIteration)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recipe20_TypeFreeSearch_IonicIteration)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recipe20_Mixing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recipe20_EveryOption)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
