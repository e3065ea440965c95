// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The single-point run: check the inputs, correct the constants, solve, warn about doubtful
// results, write the report, and copy the computed concentrations back into the solution.

#include <string>
#include <string_view>
#include <vector>

#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// How a run ended.
enum class RunStatus {
    Ran,      // the report was written (warnings included) and the results stored
    Refused,  // the input checks stopped it with an "ERROR" message; nothing changed
    Fault,    // a floating-point fault stopped it with an "ERROR" message; only the working copy changed
};

// How the equilibrium of a point is solved (SolvePoint in engine/Point.h).
enum class Precision {
    Described,  // the iteration alone, as the program has always computed: for comparisons with old results
    Checked,    // the iteration, its answer checked against the equations and refined where it falls short
    Exact,      // the iteration's answer always refined to machine precision
};

// What a run did, for its caller to act on.
struct RunOutcome {
    RunStatus status = RunStatus::Refused;
    bool converged = false;           // the solver's flag (only meaningful when the run ran)
    bool refined = false;             // the answer was refined (Precision::Exact)
    double residual = 0;              // the refinement's final relative mass-balance residual
    ShownMessages messages;           // every message the run showed, in order
    std::vector<std::string> report;  // the report lines it wrote (empty unless it ran)
    [[nodiscard]] bool Ran() const { return status == RunStatus::Ran; }
};

// The whole run of the calculation, whose report names the constants file constantsFileName. The
// messages go to messages as they arise, the report to output (after clearing it unless placement
// is Append), then the output is shown. A run stopped by the input checks or by a floating-point
// fault changes nothing but the working copy; no report is written and the solution keeps its
// concentrations.
// With Precision::Exact the report carries the refined values and its second line says so, or that even
// the refinement did not converge.
RunOutcome RunSinglePoint(Calculation& calc, std::string_view constantsFileName, ReportPlacement placement,
                          OutputSink& output, MessageSink& messages,
                          Precision precision = Precision::Described);

// What a run warns of, as bits of a mask: the messages it shows after solving, in this order.
enum RunWarning : unsigned {
    kWarnRaiseIonic = 1,    // "RAISE IONIC STRENGTH": the solution's own ionic equivalents exceed the given
    kWarnOutOfRange = 2,    // "INFORMATION": some metal is buffered by no chelator
    kWarnNotConverged = 4,  // "DIFFICULTY": convergence not reached
    kWarnPH = 8,            // "WARNING": pH outside 4 .. 10
};

// A run without its report or messages, for callers that solve many solutions: the input checks, the
// correction and the solve at the precision under the fault guard (an "ERROR" of a check or a fault goes
// to messages), and the warnings it would show. The working copy and results hold the answer; the
// solution keeps its concentrations.
struct QuietRun {
    RunStatus status = RunStatus::Refused;
    bool converged = false;
    bool refined = false;
    double residual = 0;
    unsigned warnings = 0;  // RunWarning bits
};
QuietRun RunQuietly(Calculation& calc, Precision precision, MessageSink& messages);

// Shows the messages of the warning bits, in the order a run shows them.
void ShowRunWarnings(unsigned warnings, MessageSink& messages);

// True when the run may proceed; otherwise one "ERROR" message has been shown.
bool CheckRunInputs(const TSolution& solution, CalculationType type, MessageSink& messages);

// False when some metal with a Kd against chelator slot 1 is buffered by no chelator
// (free metal outside Kd/sqrt(10) .. Kd*sqrt(10) of every pair).
bool BufferingInRange(const TSolution& work, const SolverResults& results);

// Where a free metal concentration F [mol/L] lies against the buffering range of a pair with
// apparent Kd [mol/L], as the report's "buffer?" row words it: ">>RANGE", "> RANGE", "  GOOD",
// "< RANGE" or "<<RANGE".
std::string_view BufferingRangeWord(double kd, double free);

// Sets the concentrations of work below 1e-99 [mol/L] to 0: too small to print, they are zero in the
// report and in the solution after the run.
void ZeroUnprintableConcentrations(TSolution& work);

// The fixed-layout report of a solved working copy; refinedResidual, when given, is the residual of a
// refinement that converged, which the second line then names.
std::vector<std::string> SinglePointReport(const TSolution& work, const SolverResults& results,
                                           std::string_view constantsFileName,
                                           const double* refinedResidual = nullptr);

// The second line of a report whose answer was refined: the residual reached, centred in dashes.
std::string RefinedLine(double residual);

}  // namespace dedodiz
