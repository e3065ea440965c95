// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The texts a person types for a recipe: amounts with their units ("10 mL", "100mM", "0.18"), purities
// ("0.97", "97 %") and series of wanted free levels ("Ca2=pX:9:4.5:0.5", "Ca2=100nM,1uM"). The
// command-line tool and the recipe window read them the same way; the window also takes a decimal comma.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dedodiz {

// What an amount measures, and so which units it may carry.
enum class AmountKind {
    Concentration,  // M, mM, uM (or µM), nM; a bare number is mol/L
    Volume,         // L, mL, uL (or µL); a bare number is litres
    Ionic,          // N, mN; a bare number is N
};

// A number, optionally followed by blanks and a unit of its kind (in either case: "10 ml" is 10 mL),
// in the unit of the kind's bare number. With decimalComma a ',' counts as the decimal point. nullopt
// for anything else, a number beyond the double range included.
std::optional<double> ParseAmount(std::string_view text, AmountKind kind, bool decimalComma = false);

// A volume or a stock typed as a bare number is refused: "10" could be litres or microlitres. nullopt for
// an amount with its unit; else the refusal's reason, with the form expected: a volume as in "10mL".
std::optional<std::string> MissingUnit(std::string_view text, AmountKind kind);

// An osmolarity as typed: "290", "290 mOsm", "290mOsm/L", "0.29 Osm" [Osm/L]; a bare number is mOsm/L,
// as osmolarities are spoken of.
std::optional<double> ParseOsmolarity(std::string_view text, bool decimalComma = false);

// Why text is not an amount of kind, for a refusal: its number lies beyond the double range ("\"1e999mM\"
// lies beyond the range of numbers"), or it is no amount ("not an amount in M, mM, uM, nM: \"abc\"").
std::string AmountProblem(std::string_view text, AmountKind kind);

// The units an amount of kind may carry, for messages: "M, mM, uM, nM".
const char* AmountUnits(AmountKind kind);

// A fraction as typed: "0.97" or a percentage "97%" / "97 %"; nullopt when it is no number. That it lies
// in (0, 1] is the Session's rule.
std::optional<double> ParseFraction(std::string_view text, bool decimalComma = false);

// The most solutions one series may hold.
inline constexpr std::size_t kMaxSeries = 1000;

// The pX values of a series from `from` to `to` in steps of |step| (the direction is that from `from` to
// `to`; `to` is included when a step lands on it within 1e-9). Empty, with the reason in error, for a zero
// step or more than kMaxSeries values. Their range (0 .. 30) is the Session's rule.
std::vector<double> PXRange(double from, double to, double step, std::string& error);

// The free level [mol/L] of a pX.
double PXLevel(double pX);

// A series as typed: METAL=pX:FROM:TO:STEP, METAL=pX:V1,V2,... (pX values) or METAL=C1,C2,...
// (concentrations with units).
struct SeriesInput {
    std::string metal;         // the name before '='
    std::vector<double> free;  // [mol/L] the wanted free levels, in the order given (concentrations)
    std::vector<double> px;    // the pX values, in the order given (asPX)
    bool asPX = false;         // given as pX values
    std::string error;         // why the text is not a series; empty when it is
    [[nodiscard]] bool ok() const { return error.empty(); }
};
SeriesInput ParseSeries(std::string_view text);

// Two names the same but for case and blanks around them ("egta" names EGTA).
bool SameName(std::string_view a, std::string_view b);

// The pX name of a metal: "p" and the element of its name, "pCa" for "Ca2".
std::string PXName(std::string_view metalName);

}  // namespace dedodiz
