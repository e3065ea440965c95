#pragma once
// The one process-wide state of the calculator. Every window, report and computation reads and
// writes the names defined here; the program creates one State and passes it by reference, each
// test makes its own.
//
// Units everywhere: concentrations in mol/L, temperature in degrees C, ionic strength in N
// (equivalents per litre, "Ionic Equiv." in the windows), binding and protonation constants as
// log10 values, enthalpies in kcal/mol. A stored constant of exactly 0 means "no such constant",
// never log K = 0. The constants table is stored for 20.0 C and 0.1 N.

#include <cstdint>
#include <string_view>

#include "FixedArray.h"
#include "ShortString.h"

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

// pH buffer calculator: one stored buffer.
struct TBufferSlot {
    BufferName Name;
    OneBased<double, 3> pKa;          // highest first; a value <= 0 means the step does not exist
    OneBased<double, 3> dpKa;         // [pKa units per C]
    OneBased<double, 3> ipKa;         // [N] ionic strength at which each pKa was measured
    OneBased<double, 3> dipKa;        // [pKa units per N]
    OneBased<double, 3> temperature;  // [C] temperature at which each pKa was measured
    bool anionic = true;              // false: cationic buffer
    CommentText comments;
};

// pH buffer calculator: its single working record.
struct TBufferRecord {
    double Temperature = 0;  // [C]
    double PH = 0;
    double Ionic = 0;              // [N]
    std::uint16_t BufferType = 0;  // 0 anionic, 1 cationic
    std::uint16_t SaltForm = 0;    // 0 free, 1 mono, 2 di, 3 tri
    OneBased<double, 3> pKa;
    OneBased<double, 3> pKaTemperature;  // [C]
    OneBased<double, 3> dpKa;            // [pKa units per C]
    double BufferAmount = 0;             // [mol/L]
    double IonicContribution = 0;        // [N]
};

// The range of one sweep axis.
struct TAxisRange {
    std::uint16_t Variable = 0;  // 0 temperature, 1 pH, 2 ionic strength, 3..8 metal slot 1..6
    double Low = 0;
    double High = 0;
};

struct State {
    // Constants table and selection.
    OneBased<TChelatorRec, 12> Constants;
    OneBased<bool, 12> ChelatorChosen;
    OneBased<bool, 9> MetalChosen;
    OneBased<std::int32_t, 6> ChosenChelator;  // table number 1..12 of slot i, 0 = empty slot
    OneBased<std::int32_t, 6> ChosenMetal;     // metal number 1..9 of slot j, 0 = empty slot

    // The solution as entered and its working copy with corrected constants.
    TSolution Solution;
    TSolution WorkSolution;
    std::int16_t CalcType = 1;  // 0 Total, 1 Free, 2 Chelator

    // Results of the last solve.
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

    // Files.
    FileName ConstantsFileName;  // empty when no constants file is loaded
    FileName WorkFileName;
    std::int16_t FileStatus = 0;  // last constants file operation: 0 success, 2 load failed, 3 save failed

    // Dialog results and the output switch.
    bool EnvDialogOK = false;
    bool ArrayDialogOK = false;
    bool MetalDialogOK = false;
    bool ConcDialogOK = false;
    OneBased<double, 12> ConcDialogValues;  // last values read from the concentration dialog
    bool AddNextRun = false;                // the next report is appended instead of replacing the text

    // Constants editor and adjust dialog.
    std::uint8_t EditConChelator = 1;  // 1..12
    std::uint8_t EditConMetal = 1;     // 1..9
    std::int32_t EditConField = 0;     // 0 none, 1..4 H1..H4, 5 ML, 6 MHL
    double AdjConstant = 0;            // log10 K as found
    double AdjDH = 0;                  // [kcal/mol]
    double AdjResult = 0;              // log10 K at 20 C and 0.1 N
    double AdjSaved = 0;               // AdjResult when the dialog opened, restored by Cancel
    std::int32_t AdjChelatorValence = 1;
    std::int32_t AdjMetalValence = 1;
    bool AdjDirect = false;

    // pH buffer calculator.
    OneBased<TBufferSlot, 12> BufferSlots;
    TBufferRecord BufferRecord;
    bool BufferModified = false;
    FileName BufferFileName;
    bool BufferLoaded = false;

    // Sweeps.
    TAxisRange XAxis;
    TAxisRange ZAxis;
    std::uint16_t AxisChoice = 0;
    std::uint16_t SweepMode = 0;  // CalcType for 2D, CalcType + 3 for 3D
    std::uint16_t XVariable = 0;
    std::uint16_t ZVariable = 0;
    double XStart = 0;
    double ZStart = 0;
    double XStep = 0;
    double ZStep = 0;
    double StartTemperature = 0;
    double StartPH = 0;
    double StartIonic = 0;
    OneBased<ChelatorText, 6> StartChelName;
    OneBased<double, 6> StartChelTotal;
    OneBased<double, 6> StartChelFree;
    OneBased<MetalText, 6> StartMetalName;
    OneBased<double, 6> StartMetalTotal;
    OneBased<double, 6> StartMetalFree;
    double PeakComplexIonic = 0;
    OneBased<OneBased<double, 41>, 6> Sweep2D;  // [series][point]
    OneBased<bool, 41> Converged2D;
    OneBased<OneBased<OneBased<double, 11>, 11>, 6> Sweep3D;  // [series][x][z]
    OneBased<OneBased<bool, 11>, 11> Converged3D;             // [x][z]
};

class MessageSink;

// Resets the whole state: empty solution and constants table, default conditions 20 C, pH 7,
// 0.1 N, calculation type Free, nothing chosen, buffer record and editor at their defaults.
void NewState(State& s);

// Empties every slot of Solution; temperature, pH and ionic strength stay.
void ClearSolution(State& s);

// Empties all twelve records of the constants table; ConstantsFileName becomes "EMPTY.CCM".
void ClearConstants(State& s);

// Turns ChelatorChosen and MetalChosen into the six chelator and six metal slots (lowest numbers
// first) and fills Solution from the constants table. Every concentration becomes 0. A chosen metal
// whose name carries no valence digit in third place gets no slot: it is reported through messages
// with caption "ERROR", and false is returned.
bool BuildSelection(State& s, MessageSink& messages);

// Fills the slots of Solution from the constants table for the slots already chosen.
void LoadChosenConstants(State& s);

// n copies of pattern, cut at 80 characters; empty for n <= 0.
std::string RepeatString(std::string_view pattern, int n);

// The valence digit in third place of a metal name, or -1 when there is none.
int MetalNameValence(std::string_view name);

// The rule of PlusName: a name of exactly 7 characters whose 7th is '+'.
bool IsPlusName(std::string_view name);

}  // namespace dedodiz
