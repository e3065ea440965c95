#pragma once
// Sweeps: the equilibrium repeated while one condition (2D, 41 points) or two conditions (3D, an
// 11 x 11 grid) run over a range. One value per slot and point is kept in the sweep data of State;
// the graph and the sweep table read it from there.
//
// Axis variables (TAxisRange::Variable and AxisChoice): 0 temperature, 1 pH, 2 ionic strength,
// 3..8 the concentration of metal slot 1..6.
// Point targets (XVariable and ZVariable), always written to WorkSolution:
//   0 Temperature [C], 1 PH, 2 IonicEquiv [N], 3..8 MetalFree[code - 2], 9..14 MetalTotal[code - 8].

#include <cstdint>
#include <string>
#include <string_view>

#include "Sinks.h"
#include "State.h"

namespace dedodiz {

inline constexpr int kSweepPoints2D = 41;
inline constexpr int kSweepPoints3D = 11;  // per axis
inline constexpr std::uint16_t kVarTemperature = 0;
inline constexpr std::uint16_t kVarPH = 1;
inline constexpr std::uint16_t kVarIonic = 2;
inline constexpr std::uint16_t kVarFirstMetal = 3;       // axis code of metal slot 1, target "free metal 1"
inline constexpr std::uint16_t kVarFirstMetalTotal = 9;  // target "total metal 1"
inline constexpr std::uint16_t kVarLastMetalTotal = 14;

// True when SweepMode names a 3D sweep (CalcType + 3).
inline bool Is3DSweep(const State& s) {
    return s.SweepMode >= 3;
}

// The metal slot 1..6 a point target writes to, or 0 for temperature, pH, ionic strength and
// codes outside the table.
int MetalSlotOfVariable(std::uint16_t code);

// The snapshot's names, an empty-slot marker ("=======", "===") read as an empty name.
std::string_view SweepChelatorName(const State& s, int k);
std::string_view SweepMetalName(const State& s, int k);

// Clears every sweep result, snapshot and step; the axes start as temperature from 0 to 0.
void ResetSweepData(State& s);

// Start values, point targets, first values, steps and the snapshot of Solution for the sweep
// that SweepMode, XAxis, ZAxis and CalcType describe.
void PrepareSweep(State& s);

// Puts the snapshot taken by PrepareSweep back into Solution: temperature, pH, ionic strength and
// the four concentration arrays.
void RestoreSweepStart(State& s);

// The whole sweep: PrepareSweep, the solves, RestoreSweepStart. Solution is restored even when the
// sweep is left by an exception; WorkSolution keeps the state of the last point. Allocates nothing.
// Floating-point faults are not checked here: run it under RunGuarded, or use RunSweepCommand.
void RunSweep(State& s);

// The sweep of the 2D command (SweepMode := CalcType) or the 3D command (CalcType + 3), under the
// fault guard, as the desktop program and the command-line tool run it. On a floating-point fault
// the "ERROR" message is shown, Solution is as before and everything of the previous sweep, its
// mode included, is put back, so the graph and the table never show a failed sweep; returns false
// then.
bool RunSweepCommand(State& s, bool threeD, MessageSink& messages);

// The axis dialog's logic, free of the toolkit.

// The text an axis value is offered in: the 11-character scientific form.
std::string AxisValueText(double value);

// Whether the radio button of metal slot k (1..6) is shown: the slot holds a metal.
bool AxisMetalShown(const State& s, int k);

// Closing the dialog: the variable becomes choice; Low and High take the texts that parse
// completely as numbers and keep their values otherwise. No range is tested.
void ApplyAxisDialog(TAxisRange& axis, std::uint16_t choice, std::string_view lowText,
                     std::string_view highText);

}  // namespace dedodiz
