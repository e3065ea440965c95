// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The chelator evaluation: for every chosen metal and every chelator of the constants table that
// binds it, the apparent dissociation constant Kd [mol/L] at the solution's temperature, pH and ionic
// strength, and the free-metal range Kd/sqrt(10) .. Kd*sqrt(10) over which the chelator buffers.
// Needs only the constants table and the environment; no concentrations, no solve.

#include <vector>

#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// One line of the evaluation: a chosen metal with a chelator of the table that binds it (ML not 0).
struct EvaluationRow {
    int metal = 0;     // metal number 1..9 of the constants table
    int chelator = 0;  // chelator number 1..12 of the constants table
    double kd = 0;     // [mol/L] apparent dissociation constant, 0 when neither ML nor MHL binds
    double low = 0;    // [mol/L] Kd/sqrt(10), the lower end of the buffering range
    double high = 0;   // [mol/L] Kd*sqrt(10), the upper end
};

// The numbers of one evaluation, which the text report and the data exports both print.
struct ChelatorEvaluation {
    bool ok = false;         // false: a floating-point fault stopped the computation
    double temperature = 0;  // [C]
    double pH = 0;
    double ionic = 0;                 // [N]
    double hydrogen = 0;              // [mol/L] hydrogen-ion concentration 10^-pH / G
    std::vector<EvaluationRow> rows;  // grouped by metal, chelators in table order
};

// Computes the evaluation for the chosen metals at the conditions of the environment (a solution's
// temperature, pH and ionic strength); changes nothing. Runs under the caller's fault guard; after a
// fault ok is false and the fault stays raised.
ChelatorEvaluation ComputeChelatorEvaluation(const ConstantsTable& table, const Selection& selection,
                                             const TSolution& environment);

// Writes the table of an evaluation that succeeded, after clearing the output unless placement is
// Append, and stores its hydrogen-ion concentration in results.HydrogenConc.
void WriteChelatorEvaluation(const ConstantsTable& table, const ChelatorEvaluation& evaluation,
                             SolverResults& results, ReportPlacement placement, OutputSink& output);

// Computes the evaluation and writes it when it succeeded. Runs under the caller's fault guard: a
// correction needs I > 0 unless the conditions are the stored ones (20 C, 0.1 N), and after a fault
// the output and HydrogenConc stay as they were while the fault stays raised for the guard. The
// caller shows the output window.
void EvaluateChelators(const ConstantsTable& table, const Selection& selection, const TSolution& environment,
                       SolverResults& results, ReportPlacement placement, OutputSink& output);

}  // namespace dedodiz
