// SPDX-License-Identifier: BSD-3-Clause
// The live calculator's answer to one keystroke: a digit typed into (or taken from) the pH field of a
// 6 x 6 solution, up to the results shown and the plot of 41 solves drawn, on Qt's offscreen platform.
// The goal is one frame, 16 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "BenchSupport.h"
#include "core/Session.h"
#include "files/DataPaths.h"
#include "gui/Foutput.h"
#include "gui/IOForm.h"
#include "gui/Live.h"
#include "gui/LiveForm.h"
#include "gui/LiveResults.h"
#include "gui/MessageBoxes.h"
#include "gui/ProgramState.h"

namespace {

using namespace dedodiz;

// Six chelators and six metals of the bundled table, every pair with its constants, at 20 C, pH 7.2
// and 0.15 N; free metals a thousandth of the totals where the type takes them.
SolutionInput SixBySix(int type) {
    SolutionInput entered;
    entered.type = static_cast<CalculationType>(type);
    entered.pH = 7.2;
    entered.ionic = 0.15;
    entered.chelators = {{"EGTA", 2e-3},  {"DTPA", 1e-3}, {"EDTA", 5e-4},
                         {"HEDTA", 2e-4}, {"NTA", 1e-3},  {"CDTA", 1e-4}};
    const std::pair<const char*, double> metals[] = {{"Ca2", 1.5e-3}, {"Mg2", 1e-3}, {"Sr2", 1e-4},
                                                     {"Ba2", 5e-5},   {"Mn2", 1e-5}, {"Zn2", 2e-5}};
    for (const auto& [name, total] : metals) entered.metals.push_back({name, total, total / 1000});
    return entered;
}

void BM_LiveKeystroke6x6(benchmark::State& bench) {
    ProgramState s;
    NewState(s);
    perf::NoMessages quiet;
    if (!s.LoadBundledConstants().Ran() || !s.Describe(SixBySix(static_cast<int>(bench.range(0)))).Ran()) {
        bench.SkipWithError("the bundled constants table is not found");
        return;
    }
    MessageBoxes messages;
    TOutput output(s, messages);
    TIOForm files(nullptr);
    TLive live(s, output, files, {});
    live.ShowFromState();
    live.show();
    QApplication::processEvents();
    QLineEdit* pH = live.Form->PH;
    pH->setFocus();
    pH->end(false);
    bool typed = false;
    for (auto _ : bench) {
        // Alternately "7.25" and back to "7.2": every keystroke is a new solution.
        QTest::keyClick(pH, typed ? Qt::Key_Backspace : Qt::Key_5);
        typed = !typed;
        QApplication::processEvents();  // the layout and the painting of the results and the plot
    }
    if (live.Results->Stale()) bench.SkipWithError("the solution did not run");
}

}  // namespace

BENCHMARK(BM_LiveKeystroke6x6)->ArgName("type")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
