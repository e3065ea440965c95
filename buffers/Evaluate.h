#pragma once
// The chelator evaluation: for every chosen metal and every chelator of the constants table that
// binds it, the apparent dissociation constant Kd [mol/L] at the solution's temperature, pH and ionic
// strength, and the free-metal range Kd/sqrt(10) .. Kd*sqrt(10) over which the chelator buffers.
// Needs only the constants table and the environment; no concentrations, no solve.

#include "Sinks.h"
#include "State.h"

namespace dedodiz {

// Writes the table after clearing the output unless AddNextRun is set, and stores the hydrogen-ion
// concentration in HydrogenConc. Runs under the caller's fault guard: a correction needs I > 0
// unless the conditions are the stored ones (20 C, 0.1 N), and after a fault the output and
// HydrogenConc stay as they were while the fault stays raised for the guard. The caller shows the
// output window.
void EvaluateChelators(State& s, OutputSink& output);

}  // namespace dedodiz
