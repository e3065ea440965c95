// SPDX-License-Identifier: BSD-3-Clause
// What a lab waits for after calibrate: the fit of the example titration (20 rows, an electrode, six
// parameters), alone and with the 1000-draw bootstrap that checks its intervals.

#include <benchmark/benchmark.h>

#include "core/Session.h"
#include "core/Titration.h"

namespace {

using namespace dedodiz;

void Calibration20Rows(benchmark::State& bench) {
    static Session session;  // large: keep it off the benchmark's stack
    if (!session.LoadBundledConstants().Ran()) {
        bench.SkipWithError("the bundled table is not found");
        return;
    }
    const TitrationRead read =
        ReadTitrationFile(std::string(DEDODIZ_SOURCE_DIR) + "/examples/ca-egta-titration.csv");
    if (!read.ok()) {
        bench.SkipWithError(read.error.c_str());
        return;
    }
    CalibrationRequest request;
    request.titration = read.titration;
    request.chelator = "EGTA";
    request.metal = "Ca2";
    request.temperature = 22;
    request.pH = 7.2;
    request.ionic = 0.15;
    request.bootstrap = static_cast<int>(bench.range(0));
    bool ran = false;
    for (auto _ : bench) {
        ran = session.Calibrate(request).Ran();
        benchmark::DoNotOptimize(session.LastCalibration().kd.value);
    }
    if (!ran) bench.SkipWithError("the fit did not run");
    bench.counters["iterations"] = session.LastCalibration().iterations;
}

// Goals: the fit under 50 ms, with the bootstrap under 2 s.
BENCHMARK(Calibration20Rows)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(Calibration20Rows)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
