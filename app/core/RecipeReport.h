// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A recipe for the eye and for other programs: the text report (the output window, the command line,
// printing), the pipetting table (the recipe window, and tab-separated for a spreadsheet), CSV and JSON.
// All of them read a recipe that was made (ok); the layouts are described in docs/export-formats.md.

#include <string>
#include <string_view>
#include <vector>

#include "core/Export.h"
#include "core/RecipeCalc.h"
#include "engine/Sinks.h"

namespace dedodiz {

// The report: the conditions and stocks, the pipetting table, the solutions as made with their ionic
// strength; for the mixing method the two end solutions and the mixes. A row whose solve did not
// converge is marked "*".
std::vector<std::string> RecipeReport(const Recipe& recipe, std::string_view constantsFileName);

// Writes the report to output, after clearing it unless placement is Append. The caller shows it.
void WriteRecipeReport(const Recipe& recipe, std::string_view constantsFileName, ReportPlacement placement,
                       OutputSink& output);

// The pipetting table as the window shows it: a header and one row of texts per solution (the end
// solutions "A" and "B" first when mixing): the volumes [uL] to two decimals, the free levels [M] to
// three digits, the ionic strength [N] to four decimals.
struct RecipeTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};
RecipeTable PipettingTable(const Recipe& recipe);

// The table as tab-separated lines (header first), each ended by a line feed: pasted into a spreadsheet
// it fills one cell per value.
std::string TabSeparated(const RecipeTable& table);

// Every number at full precision: one CSV row per solution under one header, and the JSON document
// {"volume_L": ..., "solutions": [{"total_M": {...}, "free_M": {...}, "volumes_uL": {..., "water": ...},
// "ionic_strength_N": ...}, ...], ...}.
std::string RecipeCsv(const Recipe& recipe);
JsonValue RecipeJson(const Recipe& recipe, std::string_view constantsFileName, const ShownMessages& shown);

}  // namespace dedodiz
