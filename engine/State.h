// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The engine's parts of the program state: the constants table, the selection made from it, and the
// calculation (the solution as entered, its working copy and the solver's results). Each part is a
// plain record that a function takes when it reads or writes it, `const` when it only reads; the other
// layers define their own parts (the editor fields in files/, the buffer tool in buffers/, the sweep
// data in app/core, the dialog flags in app/gui).
//
// Units everywhere: concentrations in mol/L, temperature in degrees C, ionic strength in N
// (equivalents per litre, "Ionic Equiv." in the windows), binding and protonation constants as
// log10 values, enthalpies in kcal/mol. A stored constant of exactly 0 means "no such constant",
// never log K = 0. The constants table is stored for 20.0 C and 0.1 N.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/FixedArray.h"
#include "engine/ShortString.h"

namespace dedodiz {

inline constexpr std::string_view kVersion = "2.50";
inline constexpr std::string_view kEmptyChelator = "=======";  // marks an empty chelator record or slot
inline constexpr std::string_view kEmptyMetal = "===";         // marks an empty metal
inline constexpr int kSlots = 6;                               // chelator slots and metal slots of a run
inline constexpr int kTableChelators = 12;                     // chelators of the constants table
inline constexpr int kTableMetals = 9;                         // metals of the constants table
inline constexpr double kReferenceTemperature = 20.0;          // [C] of every stored constant
inline constexpr double kReferenceIonic = 0.1;                 // [N] of every stored constant

using ChelatorText = ShortString<7>;
using MetalText = ShortString<3>;
using CommentText = ShortString<20>;
using FileName = ShortString<80>;
using BufferName = ShortString<15>;

// One chelator of the constants table, with the same nine metals in every record.
struct TChelatorRec {
    ChelatorText Name;                 // "=======" when the record is empty
    OneBased<double, 4> H;             // log10 stepwise protonation constants H1..H4, 0 = absent
    OneBased<double, 4> dH;            // [kcal/mol] enthalpies of the protonation steps
    OneBased<MetalText, 9> MetalName;  // two letters and the valence digit; "===" when empty
    OneBased<double, 9> ML;            // log10 K of M + L = ML
    OneBased<double, 9> MHL;           // log10 K of M + HL = MHL
    OneBased<double, 9> dML;           // [kcal/mol] enthalpy of ML formation
    OneBased<double, 9> dMHL;          // [kcal/mol] enthalpy of MHL formation
    OneBased<CommentText, 9> Comment;  // free text per metal
};

// The constants table as loaded, and the name of the file it came from.
struct ConstantsTable {
    OneBased<TChelatorRec, 12> Constants;
    FileName ConstantsFileName;  // empty when no constants file is loaded
};

// Which chelators and metals of the table take part, and the slot each one has.
struct Selection {
    OneBased<bool, 12> ChelatorChosen;
    OneBased<bool, 9> MetalChosen;
    OneBased<std::int32_t, 6> ChosenChelator;  // table number 1..12 of slot i, 0 = empty slot
    OneBased<std::int32_t, 6> ChosenMetal;     // metal number 1..9 of slot j, 0 = empty slot
};

// One solution: six chelator slots and six metal slots with the constants of the chosen pairs.
struct TSolution {
    OneBased<double, 6> ChelTotal;                          // [mol/L]
    OneBased<double, 6> ChelFree;                           // [mol/L] all protonation forms together
    OneBased<ChelatorText, 6> ChelName;                     // "=======" if empty
    OneBased<OneBased<double, 4>, 6> LogKH;                 // log10 H1..H4 of the chelator in slot i
    OneBased<OneBased<double, 4>, 6> DeltaHH;               // [kcal/mol] their enthalpies
    OneBased<std::uint8_t, 6> ChelCharge;                   // n: count of H > 0.001; the free ligand is -n
    OneBased<bool, 6> PlusName;                             // name of 7 characters whose 7th is '+'
    OneBased<double, 6> MetalTotal;                         // [mol/L]
    OneBased<double, 6> MetalFree;                          // [mol/L]
    OneBased<MetalText, 6> MetalName;                       // "===" if empty
    OneBased<OneBased<OneBased<double, 2>, 6>, 6> LogKM;    // [chelator][metal][1 = ML, 2 = MHL], log10
    OneBased<OneBased<OneBased<double, 2>, 6>, 6> DeltaHM;  // [kcal/mol], same order as LogKM
    OneBased<std::uint8_t, 6> MetalValence;                 // charge of the free metal ion, 0 if empty
    double Temperature = 0;                                 // [C]
    double PH = 0;
    double IonicEquiv = 0;  // [N]
};

// What a calculation computes from what. The numbers are those of the work file and the sweeps.
enum class CalculationType : std::int16_t {
    Total = 0,     // total metal from the wanted free metal
    Free = 1,      // free metal from the total metal
    Chelator = 2,  // total chelator that holds the first metal at its wanted free concentration
};

// The results of the last solve.
struct SolverResults {
    double HydrogenConc = 0;                     // [mol/L]
    OneBased<OneBased<double, 16>, 6> SpeciesK;  // 1..4 cumulative protonation, 5..10 ML, 11..16 MHL*K1*h
    OneBased<FixedArray<double, 0, 4>, 6> ProtFraction;  // fraction of free chelator as L, HL, H2L, H3L, H4L
    OneBased<double, 6> ProtonPoly;                      // 1 + sum of cumulative protonation terms
    OneBased<double, 6> HLInvFraction;                   // 1 / fraction as HL, 0 when K1 is absent
    OneBased<OneBased<double, 6>, 6> MetalAffinity;      // [metal][chelator] K(ML) + K(MHL)*K1*h
    OneBased<double, 6> BindingDenom;                    // ProtonPoly + metal-bound terms
    OneBased<OneBased<double, 6>, 6> LogKcML;            // [chelator][metal] log10 conditional K of ML
    OneBased<OneBased<double, 6>, 6> LogKcMHL;           // [chelator][metal] log10 conditional K of MHL
    OneBased<OneBased<double, 6>, 6> KdCombined;         // [chelator][metal] apparent Kd [mol/L]
    OneBased<OneBased<double, 6>, 6> MLConc;             // [chelator][metal] [mol/L]
    OneBased<OneBased<double, 6>, 6> MHLConc;            // [chelator][metal] [mol/L]
    double SolutionIonic = 0;                            // [M] ionic strength of the solved solution
    double SolutionCharge = 0;                           // [N] ionic equivalents of the solved solution
    bool Converged = false;
};

// The calculation: the solution as entered, its working copy with corrected constants, the type and
// the solver's results.
struct Calculation {
    TSolution Solution;
    TSolution WorkSolution;
    CalculationType CalcType = CalculationType::Free;
    SolverResults Results;
};

class MessageSink;

// Empties every slot of the solution; temperature, pH and ionic strength stay.
void ClearSolution(TSolution& solution);

// Empties all twelve records of the constants table; ConstantsFileName becomes "EMPTY.CCM".
void ClearConstants(ConstantsTable& table);

// What File > New does to the engine's parts: an empty table, nothing chosen, an empty solution at the
// default conditions 20 C, pH 7, 0.1 N, calculation type Free.
void NewCalculation(ConstantsTable& table, Selection& selection, Calculation& calc);

// Turns ChelatorChosen and MetalChosen into the six chelator and six metal slots (lowest numbers
// first) and fills the solution from the constants table. Every concentration becomes 0. A chosen
// metal whose name carries no valence digit in third place gets no slot: it is reported through
// messages with caption "ERROR", and false is returned.
bool BuildSelection(const ConstantsTable& table, Selection& selection, TSolution& solution,
                    MessageSink& messages);

// Fills the slots of the solution from the constants table for the slots already chosen.
void LoadChosenConstants(const ConstantsTable& table, const Selection& selection, TSolution& solution);

// n copies of pattern, cut at 80 characters; empty for n <= 0.
std::string RepeatString(std::string_view pattern, int n);

// The valence digit in third place of a metal name, or -1 when there is none.
int MetalNameValence(std::string_view name);

// The rule of PlusName: a name of exactly 7 characters whose 7th is '+'.
bool IsPlusName(std::string_view name);

}  // namespace dedodiz
