// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Every result as data: the single-point run, the sweeps, the chelator evaluation, the buffer ranges
// and the constants table as JSON values and as CSV tables, for spreadsheets and scripts. The text
// reports are for the eye and round to three digits; these keep every number at full double
// precision, with its unit in the key or column name ("free_Ca2_M", "temperature_C"). The layout of
// both forms is described in docs/export-formats.md.
//
// The builders only read the parts of the state they name (and the rows the buffer layer computed):
// call them after the computation has succeeded. Names and comments come from files and may hold any bytes:
// text that is not valid UTF-8 is read as Windows-1252, so that every export is valid UTF-8 and nothing is
// lost.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "buffers/BufferCalc.h"
#include "buffers/Evaluate.h"
#include "core/Sweep.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// JSON objects keep their keys in the order written, so that a document reads as the report does.
using JsonValue = nlohmann::ordered_json;

// Bytes from a file or a report as UTF-8: valid UTF-8 stays as it is, anything else is decoded as
// Windows-1252 (the code page of the constants files' origin).
std::string ExportText(std::string_view bytes);

// One CSV cell: the text as UTF-8, quoted when it holds a comma, a double quote, a line break or
// leading or trailing blanks; quotes inside are doubled.
std::string CsvCell(std::string_view text);

// A number as the shortest text that reads back as the same double; empty for NaN and infinities.
std::string CsvNumber(double x);

// The JSON text of a value: two-blank indentation, UTF-8, ended by a line feed.
std::string JsonText(const JsonValue& value);

// Column and key names: the swept quantity of an axis point target (0 "temperature_C", 1 "pH",
// 2 "ionic_strength_N", 3..8 "free_<metal>_M", 9..14 "total_<metal>_M", names from the snapshot)
// and of series s of the last sweep ("total_<metal>_M", "free_<metal>_M" or, in type Chelator,
// "total_<chelator>_M").
std::string SweepVariableKey(const SweepState& s, PointTarget code);
std::string SweepSeriesKey(const SweepState& s, int series);

// The last single-point run: conditions, every non-empty chelator and metal slot, every pair, the
// solver's convergence flag and ionic sums, and the messages shown. Reads the working copy and the
// solver's results as the run left them. CSV: one header row and one row of values.
// A refined run (refinedResidual given) also carries "refined": true and its residual; a run that was
// not refined carries neither, so that its export stays as it always was.
JsonValue RunJson(const Calculation& calc, std::string_view constantsFileName, const ShownMessages& shown,
                  std::optional<double> refinedResidual = std::nullopt);
std::string RunCsv(const Calculation& calc, std::optional<double> refinedResidual = std::nullopt);

// The last sweep (2D or 3D by SweepMode). CSV: 2D one row per point (x, series..., converged);
// 3D in long form, one row per grid point (x, z, series..., converged), Z outer as in the table.
JsonValue SweepJson(const SweepState& s, const ShownMessages& shown);
std::string SweepCsv(const SweepState& s);

// A chelator evaluation that succeeded, with the names and comments of the constants table.
JsonValue EvaluationJson(const ConstantsTable& table, const ChelatorEvaluation& evaluation,
                         const ShownMessages& shown);
std::string EvaluationCsv(const ConstantsTable& table, const ChelatorEvaluation& evaluation);

// Buffer ranges that were computed, with the names and comments of the buffer slots.
JsonValue BufferRangesJson(const BufferTool& tool, const BufferRanges& ranges, const ShownMessages& shown);
std::string BufferRangesCsv(const BufferTool& tool, const BufferRanges& ranges);

// The constants table as stored (20 C, 0.1 N): every named chelator with the metals it binds
// (ML not 0), as the listing shows them. CSV: one row per chelator and metal, or one row with empty
// metal columns for a chelator that binds none.
JsonValue ConstantsJson(const ConstantsTable& table, const ShownMessages& shown);
std::string ConstantsCsv(const ConstantsTable& table);

}  // namespace dedodiz
