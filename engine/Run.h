#pragma once
// The single-point run: check the inputs, correct the constants, solve, warn about doubtful
// results, write the report, and copy the computed concentrations back into Solution.

#include <string_view>

#include "Sinks.h"
#include "State.h"

namespace dedodiz {

// The whole run. A run stopped by the input checks or by a floating-point fault changes nothing but
// the working copy; no report is written and Solution keeps its concentrations.
void RunSinglePoint(State& s, OutputSink& output, MessageSink& messages);

// True when the run may proceed; otherwise one "ERROR" message has been shown.
bool CheckRunInputs(const State& s, MessageSink& messages);

// False when some metal with a Kd against chelator slot 1 is buffered by no chelator
// (free metal outside Kd/sqrt(10) .. Kd*sqrt(10) of every pair).
bool BufferingInRange(const State& s);

// Where a free metal concentration F [mol/L] lies against the buffering range of a pair with
// apparent Kd [mol/L], as the report's "buffer?" row words it: ">>RANGE", "> RANGE", "  GOOD",
// "< RANGE" or "<<RANGE".
std::string_view BufferingRangeWord(double kd, double free);

// The fixed-layout report of the last solve, appended line by line.
void WriteSinglePointReport(State& s, OutputSink& output);

}  // namespace dedodiz
