// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Every tolerance of the calculation in one place: the windows within which a stored constant is used
// as it stands, and the tests by which the iteration of the solver decides that a variable has settled.
// These numbers decide the printed results; changing one changes reports.

namespace dedodiz {

// A constant is used exactly as stored (no correction at all) within these windows of the reference
// conditions 20.0 C and 0.1 N; the run, the chelator evaluation and the sweeps all use them.
inline constexpr double kTemperatureWindow = 0.01;  // [C]
inline constexpr double kIonicWindow = 0.0001;      // [N]

// At most this many passes of the iteration; a solve that has not settled by then has not converged.
inline constexpr int kMaxPasses = 1000;

// Type Free: a free chelator has settled when a pass changes it by less than this fraction of itself.
inline constexpr double kChelatorFreeSettle = 0.0005;

// Type Free: a free metal has settled when its relative change is below this fraction of its old
// value [mol/L] itself (not of 1): micromolar free metal thus settles to about 1e-8 relative.
inline constexpr double kMetalFreeSettle = 0.01;

// Type Chelator: a chelator total has settled when a pass changes it by less than this fraction.
inline constexpr double kChelatorTotalSettle = 0.01;

// Type Free: after the iteration every metal total rebuilt from the free values must agree with the
// given total within this fraction, or the solve counts as not converged.
inline constexpr double kMassBalanceTolerance = 0.01;

// A protonation constant counts towards the ligand's charge when it is above this value (log10).
inline constexpr double kChargeThreshold = 0.001;

}  // namespace dedodiz
