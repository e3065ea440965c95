// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The sweep table: the results of the last sweep as text for the output window, with the
// starting conditions above and the validity limit below.

#include <cstdint>
#include <string>

#include "core/Sweep.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// Appends the table of the last sweep to the output text, which is cleared first unless placement is
// Append. Showing the output window is left to the caller.
void WriteSweepTable(const SweepState& s, ReportPlacement placement, OutputSink& output);

// The table's label of a point target: "TEMP.", " pH  ", "[ion]", " F" or " T" + metal name.
std::string SweepTableLabel(const SweepState& s, PointTarget code);

}  // namespace dedodiz
