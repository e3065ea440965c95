// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The one solve of a point. The single-point run, every point of a sweep, every solution of a recipe,
// every sample of the uncertainty and every solution of the Python module's solve_many come here, so a
// result means the same thing wherever it is shown.

#include "engine/Run.h"
#include "engine/State.h"

namespace dedodiz {

// The largest relative deviation from the exact solution that an answer of Precision::Checked may have
// before the refinement takes over.
inline constexpr double kCheckedTolerance = 1e-4;

// What one solve of a point gave.
struct PointOutcome {
    bool converged = false;  // the answer holds: the iteration's flag, or the refinement's where it ran
    bool refined = false;    // the refinement ran: always for Exact, where the check asked for it for Checked
    double residual = 0;     // where refined: the final relative mass-balance residual
    double deviation = 0;    // Checked: how far the iteration's answer lay from the exact one (0 otherwise)
};

// Solves the working copy of calc as it stands (its constants corrected by PrepareWork or by a sweep
// point) by calc.CalcType at the given precision, leaving the answer and everything that depends on it in
// the working copy and calc.Results, with Results.Converged set as the outcome says. Allocates nothing;
// floating-point faults are the caller's guard's.
PointOutcome SolvePoint(Calculation& calc, Precision precision);

}  // namespace dedodiz
