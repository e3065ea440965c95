// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The calculator as a front end uses it, without the windows' chains: describe a solution by the
// names of the constants table, solve it, and get back what happened, the report text and the numbers.
// The web page, the Python module, the live window and the command-line tool all start here; the
// lower-level functions it calls (RunSinglePoint, RunSweepCommand, EvaluateChelators, ...) stay
// available for callers that keep their own state.

#include <string>
#include <string_view>
#include <vector>

#include "engine/Run.h"
#include "engine/SafeFile.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// A solution described by names and numbers. A metal's numbers are read by the type: the free
// concentration for type Total, the total for type Free, both for type Chelator. Concentrations in
// mol/L, temperature in C, ionic strength in N.
struct SolutionInput {
    struct Chelator {
        std::string name;
        double total = 0;  // [mol/L]; not read in type Chelator, which computes it
    };
    struct Metal {
        std::string name;
        double total = 0;  // [mol/L]
        double free = 0;   // [mol/L]
    };
    CalculationType type = CalculationType::Free;
    double temperature = kReferenceTemperature;
    double pH = 7.0;
    double ionic = kReferenceIonic;
    std::vector<Chelator> chelators;  // at most six; a name given twice counts once, the last values win
    std::vector<Metal> metals;        // at most six
};

// The table number (1..12, 1..9) of a chelator or metal name: the exact name first, then the name
// ignoring case; 0 when the table has no such entry. The empty-slot markers name nothing.
int FindChelator(const ConstantsTable& table, std::string_view name);
int FindMetal(const ConstantsTable& table, std::string_view name);

// The slot (1..6) of a solution's chelator or metal of this name, ignoring case and blanks around it;
// 0 when the solution holds none.
int SolutionChelatorSlot(const TSolution& solution, std::string_view name);
int SolutionMetalSlot(const TSolution& solution, std::string_view name);

// What was wrong with a description: empty when it could be set up.
struct DescribeResult {
    std::string error;  // "no chelator \"XYZ\" in the constants table", "at most six chelators ...", ...
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Sets the selection and the calculation from entered as the windows would: the type and conditions, the
// named entries chosen (their slots in table order) and their concentrations. An unknown name or more
// than six entries is refused before anything changes. A chosen metal whose name has no valence digit
// is reported through messages ("ERROR") by the selection and refused too.
DescribeResult DescribeSolution(const ConstantsTable& table, const SolutionInput& entered,
                                Selection& selection, Calculation& calc, MessageSink& messages);

// Reads a constants file as File > Open does: the table and its name, or the table unchanged and the
// reason. A name of neither kind (.TCM, .CCM) is refused.
FileResult LoadTable(const std::string& path, ConstantsTable& table, MessageSink& messages);

// One whole single-point calculation: the run's outcome (with its report lines and messages) and the
// calculation it leaves, whose working copy and results hold every number of the report.
struct Solved {
    DescribeResult described;  // when not ok, nothing ran
    RunOutcome outcome;
    Selection selection;
    Calculation calc;
    [[nodiscard]] bool Ran() const { return described.ok() && outcome.Ran(); }
};

// Describes entered and runs it, as "Free Metal" would with the same values (refined on request). The
// messages are kept in the outcome; messages also receives them when given.
Solved Solve(const ConstantsTable& table, const SolutionInput& entered, MessageSink* messages = nullptr,
             Precision precision = Precision::Iteration);

}  // namespace dedodiz
