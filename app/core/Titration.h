// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A titration as a lab measures it, read from a CSV file with a header: one row per solution, its
// metal total and chelator total as weighed and either the electrode's reading or a free level measured
// some other way (an indicator). The rows with no chelator are the electrode's standards.
//
//   metal_total_M,chelator_total_M,mV
//   1mM,0,3.1
//   0.25mM,1mM,-48.2
//
// The columns may come in any order and other columns (notes) are passed over; the rows may come in any
// order. A concentration may carry its unit as a recipe's amounts do ("2mM", "150 uM"; a bare number is
// mol/L); a reading may carry "mV". The cells are separated by ',', by ';' or by tabs (rows copied from
// a spreadsheet); a decimal comma is read where ';' or tabs separate, and in a quoted cell ("1,5").

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dedodiz {

// What the rows' readings are.
enum class TitrationReading : std::uint8_t {
    Millivolts,  // the "mV" column: an ion-selective electrode's potential [mV]
    FreeLevel,   // the "free_M" column: the free metal [mol/L]
};

struct TitrationRow {
    int line = 0;              // its line in the file (the header is line 1 when nothing precedes it)
    double metalTotal = 0;     // [mol/L] nominal, as added
    double chelatorTotal = 0;  // [mol/L] nominal, as weighed; 0 for a standard
    double reading = 0;        // [mV], or the free level [mol/L]
    [[nodiscard]] bool Standard() const { return chelatorTotal == 0; }
};

struct Titration {
    TitrationReading reading = TitrationReading::Millivolts;
    std::vector<TitrationRow> rows;  // in the order of the file
};

// A titration read, or why not: "line 4, column chelator_total_M: not a concentration (\"1,5mM\")".
struct TitrationRead {
    Titration titration;
    std::string error;
    [[nodiscard]] bool ok() const { return error.empty(); }
};

// The titration of the text of a CSV file.
TitrationRead ParseTitration(std::string_view text);

// The same from a file; a file that cannot be read gives the system's reason.
TitrationRead ReadTitrationFile(const std::filesystem::path& path);

// The column names.
inline constexpr std::string_view kMetalTotalColumn = "metal_total_M";
inline constexpr std::string_view kChelatorTotalColumn = "chelator_total_M";
inline constexpr std::string_view kMillivoltColumn = "mV";
inline constexpr std::string_view kFreeColumn = "free_M";

}  // namespace dedodiz
