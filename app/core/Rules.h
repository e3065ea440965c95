// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Every rule about what input the calculator takes, written once. The Session applies them to every
// request of every front end, so the desktop windows, the command-line tool, the web page and the
// Python module refuse the same values with the same words. A refusal names the field and the reason:
// "chelator EGTA total: a concentration cannot be negative (-0.001 M)".
//
// The rules beyond what the windows always checked guard against plainly wrong results: a negative or
// non-finite concentration, a temperature at or below absolute zero, a name given twice (the last value
// would silently win), a pX that is no free level of any solution.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Run.h"
#include "engine/State.h"

namespace dedodiz {

// Which input a refusal is about.
enum class FieldKind : std::uint8_t {
    Type,           // the calculation type
    Temperature,    // [C]
    PH,             //
    Ionic,          // [N]
    Chelators,      // the list of chelators (its length)
    Metals,         // the list of metals
    Chelator,       // a chelator's name
    ChelatorTotal,  // [mol/L]
    Metal,          // a metal's name
    MetalTotal,     // [mol/L]
    MetalFree,      // [mol/L]
    Option,         // any other input, named by its text ("volume", "stock EGTA", "seed", "x axis")
};

struct Field {
    FieldKind kind = FieldKind::Option;
    std::string name;  // the chelator or metal as given, or the option's text
    int entry = -1;    // its position (0-based) in the list it was given in; -1 for a single field
    // "temperature", "pH", "ionic strength", "chelator EGTA total", "metal Ca2 free", "volume", ...
    [[nodiscard]] std::string Text() const;
    friend bool operator==(const Field&, const Field&) = default;
};

struct Refusal {
    Field field;
    std::string reason;  // "a concentration cannot be negative (-0.001 M)"
    [[nodiscard]] std::string Message() const { return field.Text() + ": " + reason; }
};
using Refusals = std::vector<Refusal>;

// The limits of a value the calculator takes. They lie far outside any laboratory solution and keep
// every number that a report shows printable.
inline constexpr double kAbsoluteZero = -273.15;  // [C]
inline constexpr double kMaxTemperature = 1000;   // [C]
inline constexpr double kMinPH = -5;              //
inline constexpr double kMaxPH = 20;              //
inline constexpr double kMaxIonic = 100;          // [N]
inline constexpr double kMaxConcentration = 100;  // [mol/L]; water itself is 55 M
inline constexpr double kMaxPX = 30;              // a free level of 1e-30 M
inline constexpr int kMaxEntries = kSlots;        // chelators, and metals, of one solution

// A number for a message: its shortest text that reads back as the same double ("nan", "inf" for those).
std::string ValueText(double x);

// The conditions: finite, the temperature above absolute zero, the ionic strength not negative, each
// within the limits above.
void CheckTemperature(double temperature, Refusals& refusals);
void CheckPH(double pH, Refusals& refusals);
void CheckIonic(double ionic, Refusals& refusals);
void CheckConditions(double temperature, double pH, double ionic, Refusals& refusals);

// A concentration [mol/L]: finite, not negative, at most kMaxConcentration.
void CheckConcentration(const Field& field, double value, Refusals& refusals);

// The units a concentration is typed in, and the pX of a free level (its negative decimal logarithm).
enum class ConcUnit : std::uint8_t { M, mM, uM, nM, pX };
inline constexpr ConcUnit kConcUnits[] = {ConcUnit::M, ConcUnit::mM, ConcUnit::uM, ConcUnit::nM,
                                          ConcUnit::pX};

// "M", "mM", "uM", "nM", "pX" (the ASCII forms; windows may show "µM").
std::string_view UnitText(ConcUnit unit);
// A unit as typed: the texts above in any case, "µM" and "umol/L"-free forms are not taken; nullopt else.
std::optional<ConcUnit> UnitOfText(std::string_view text);
// "M, mM, uM, nM or pX", for messages.
std::string_view UnitTexts();

// A concentration as given, in its unit.
struct Amount {
    double value = 0;
    ConcUnit unit = ConcUnit::M;
    Amount() = default;
    Amount(double v, ConcUnit u = ConcUnit::M) : value(v), unit(u) {}  // NOLINT: a bare number is molar
};

// The amount in mol/L, checked: a pX only for a free level (freeLevel) and only from 0 to kMaxPX; the
// molar value then as CheckConcentration checks it. 0 when refused.
double Molar(const Field& field, const Amount& amount, bool freeLevel, Refusals& refusals);

// The table number (1..12, 1..9) of a chelator or metal name: the exact name; else the name ignoring
// case; else ignoring case, blanks and the '+' that marks a cationic chelator ("TPEN" names "TPEN  +"),
// where that names one entry only. 0 when the table has none. The empty-slot markers name nothing.
int FindChelator(const ConstantsTable& table, std::string_view name);
int FindMetal(const ConstantsTable& table, std::string_view name);

// The slot (1..6) of a solution's chelator or metal of this name, ignoring case and blanks around it;
// 0 when the solution holds none.
int SolutionChelatorSlot(const TSolution& solution, std::string_view name);
int SolutionMetalSlot(const TSolution& solution, std::string_view name);

// No constants file is loaded, or the one loaded names no chelator.
bool TableIsEmpty(const ConstantsTable& table);

// The names the table holds, for a message: "EGTA, BAPTA, ..." ("none" for an empty table).
std::string ChelatorNames(const ConstantsTable& table);
std::string MetalNames(const ConstantsTable& table);

// The refusal of a name the table does not hold: "not in standard.TCM, which has EGTA, BAPTA, ...".
Refusal UnknownName(const Field& field, const ConstantsTable& table);

// The calculation type of a word; a refusal naming the words it takes otherwise.
std::optional<CalculationType> TypeOrRefuse(std::string_view word, Refusals& refusals);

// The precision of a word ("described", "checked", "exact", ignoring case); a refusal otherwise.
std::optional<Precision> PrecisionOrRefuse(std::string_view word, Refusals& refusals);
std::string_view PrecisionWord(Precision precision);

// The values of a solution that is about to be solved (entered, or loaded from a work file): the
// conditions, and every concentration the type reads, as the rules above take them. The first problem
// names the slot's chelator or metal.
void CheckSolutionValues(const TSolution& solution, CalculationType type, Refusals& refusals);

}  // namespace dedodiz
