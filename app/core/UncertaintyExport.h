// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The uncertainty computation as data: a JSON document and CSV tables with every number at full
// precision, named as the other exports name their results ("free_Ca2_M"). The layout is described in
// docs/export-formats.md.

#include <string>
#include <string_view>

#include "core/Export.h"
#include "core/Uncertainty.h"

namespace dedodiz {

// The document of a computation that ran: "samples", "failed", "results" (key, value, median, q025,
// q975), "contributions" (by key, every input varied with its share, largest first), then the
// conditions and uncertainties used; allSamples adds "all_samples", every sample's values (null for a
// sample left out) and whether it converged. calc is the calculation it was computed for.
JsonValue UncertaintyJson(const Calculation& calc, std::string_view constantsFileName,
                          const UncertaintyOutcome& outcome, const ShownMessages& shown, bool allSamples);

// One row per result and input: key, value, median, q025, q975, input, share (a result without inputs
// varied has one row with the last two cells empty).
std::string UncertaintyCsv(const UncertaintyOutcome& outcome);

// One row per sample: its number (1..N), converged, and every result's value (empty when left out).
std::string UncertaintySamplesCsv(const UncertaintyOutcome& outcome);

}  // namespace dedodiz
