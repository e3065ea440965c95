// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Sweeps: the equilibrium repeated while one condition (2D, 41 points) or two conditions (3D, an
// 11 x 11 grid) run over a range. One value per slot and point is kept in the sweep data; the graph
// and the sweep table read it from there.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Run.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

inline constexpr int kSweepPoints2D = 41;
inline constexpr int kSweepPoints3D = 11;  // per axis

// What an axis runs over (TAxisRange::Variable and AxisChoice); the numbers are those of the axis
// dialog's radio buttons.
enum class AxisVariable : std::uint16_t {
    Temperature = 0,
    PH = 1,
    Ionic = 2,
    Metal1 = 3,  // the concentration of metal slot 1; Metal1 + k - 1 for slot k, up to slot 6 (8)
};

// What one sweep point writes to in the working copy (XVariable and ZVariable): 0 Temperature [C],
// 1 PH, 2 IonicEquiv [N], 3..8 MetalFree of slot 1..6, 9..14 MetalTotal of slot 1..6.
enum class PointTarget : std::uint16_t {
    Temperature = 0,
    PH = 1,
    Ionic = 2,
    FreeMetal1 = 3,
    TotalMetal1 = 9,
    LastTotalMetal = 14,
};

// The kind of the last sweep (SweepMode): the calculation type for 2D, the type + 3 for 3D.
enum class SweepKind : std::uint16_t { Total2D = 0, Free2D, Chelator2D, Total3D, Free3D, Chelator3D };

// The axis of metal slot k (1..6), and the slot 1..6 of a metal axis (0 for the others).
AxisVariable MetalAxis(int slot);
int MetalSlotOfAxis(AxisVariable axis);

// The metal slot 1..6 a point target writes to, or 0 for temperature, pH, ionic strength and codes
// outside the table; and whether it writes a total metal.
int MetalSlotOfVariable(PointTarget target);
bool IsTotalMetalTarget(PointTarget target);

// The range of one sweep axis.
struct TAxisRange {
    AxisVariable Variable = AxisVariable::Temperature;
    double Low = 0;
    double High = 0;
};

// The sweep data: the axes the user set, and the snapshot and results of the last sweep.
struct SweepState {
    TAxisRange XAxis;
    TAxisRange ZAxis;
    AxisVariable AxisChoice = AxisVariable::Temperature;
    SweepKind SweepMode = SweepKind::Total2D;
    PointTarget XVariable = PointTarget::Temperature;
    PointTarget ZVariable = PointTarget::Temperature;
    double XStart = 0;
    double ZStart = 0;
    double XStep = 0;
    double ZStep = 0;
    double StartTemperature = 0;  // [C]
    double StartPH = 0;
    double StartIonic = 0;  // [N]
    // The solution's names when the sweep started; an empty slot has an empty name.
    OneBased<ChelatorText, 6> StartChelName;
    OneBased<double, 6> StartChelTotal;  // [mol/L]
    OneBased<double, 6> StartChelFree;
    OneBased<MetalText, 6> StartMetalName;
    OneBased<double, 6> StartMetalTotal;
    OneBased<double, 6> StartMetalFree;
    double PeakComplexIonic = 0;                // [N] 2D, [M] 3D: the largest ionic sum over the points
    OneBased<OneBased<double, 41>, 6> Sweep2D;  // [series][point]
    OneBased<bool, 41> Converged2D;
    OneBased<OneBased<OneBased<double, 11>, 11>, 6> Sweep3D;  // [series][x][z]
    OneBased<OneBased<bool, 11>, 11> Converged3D;             // [x][z]
    Precision SolvedAs = Precision::Described;                // how the points of the last sweep were solved
    int PointsRefined = 0;     // points the refinement solved (all of them for Exact)
    double WorstResidual = 0;  // the largest refined residual of the points that converged
};

// Whether the last sweep's table marks points that are not valid (" *") and ends with the refinement's
// footer: a checked or exact sweep does, where some point was refined or is not converged; a described
// sweep never does, so its table stays as it always was.
bool SweepMarksPoints(const SweepState& s);
bool SweepShowsRefinement(const SweepState& s);

// The calculation type of the last sweep and whether it was a 3D one.
CalculationType SweepCalcType(const SweepState& s);
bool Is3DSweep(const SweepState& s);

// The snapshot's names, an empty-slot marker ("=======", "===") read as an empty name.
std::string_view SweepChelatorName(const SweepState& s, int k);
std::string_view SweepMetalName(const SweepState& s, int k);

// Clears every sweep result, snapshot and step; the axes start as temperature from 0 to 0.
void ResetSweepData(SweepState& s);

// Start values, point targets, first values, steps and the snapshot of the solution for the sweep
// that SweepMode, XAxis, ZAxis and the calculation's type describe.
void PrepareSweep(SweepState& s, const Calculation& calc);

// Puts the snapshot taken by PrepareSweep back into the solution: temperature, pH, ionic strength and
// the four concentration arrays.
void RestoreSweepStart(const SweepState& s, TSolution& solution);

// The whole sweep: PrepareSweep, the solves, RestoreSweepStart. The solution is restored even when the
// sweep is left by an exception; the working copy and the solver's results keep the state of the last
// point. Allocates nothing. Floating-point faults are not checked here: run it under RunGuarded, or use
// RunSweepCommand.
void RunSweep(SweepState& s, Calculation& calc, Precision precision = Precision::Described);

// The sweep of the 2D command (SweepMode := the type's 2D kind) or the 3D command, under the fault
// guard, as the desktop program and the command-line tool run it. On a floating-point fault the "ERROR"
// message is shown, the solution is as before and everything of the previous sweep, its mode included,
// is put back, so the graph and the table never show a failed sweep; returns false then.
bool RunSweepCommand(SweepState& s, Calculation& calc, bool threeD, MessageSink& messages,
                     Precision precision = Precision::Described);

// The axis dialog's logic, free of the toolkit.

// The text an axis value is offered in: the 11-character scientific form.
std::string AxisValueText(double value);

// Whether the radio button of metal slot k (1..6) is shown: the slot holds a metal.
bool AxisMetalShown(const TSolution& solution, int k);

// Closing the dialog: the variable becomes choice; Low and High take the texts that parse
// completely as numbers and keep their values otherwise. No range is tested.
void ApplyAxisDialog(TAxisRange& axis, AxisVariable choice, std::string_view lowText,
                     std::string_view highText);

}  // namespace dedodiz
