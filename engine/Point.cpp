// SPDX-License-Identifier: BSD-3-Clause
#include "engine/Point.h"

#include "engine/Refine.h"
#include "engine/Solver.h"

namespace dedodiz {

PointOutcome SolvePoint(Calculation& calc, Precision precision) {
    SolveEquilibrium(calc.CalcType, calc.WorkSolution, calc.Results);
    PointOutcome outcome;
    outcome.converged = calc.Results.Converged;
    if (precision == Precision::Described) return outcome;
    if (precision == Precision::Checked && calc.Results.Converged) {
        // The iteration stops when its own steps become small, not when the equations hold: its
        // answer is kept only when it is within the tolerance of their solution.
        outcome.deviation =
            IterationDeviation(calc.WorkSolution, calc.CalcType, calc.Results, kCheckedTolerance);
        if (outcome.deviation <= kCheckedTolerance) return outcome;
    }
    const RefineResult refined = RefineSolve(calc.CalcType, calc.WorkSolution, calc.Results);
    outcome.refined = true;
    outcome.residual = refined.residual;
    outcome.converged = refined.converged;
    return outcome;
}

}  // namespace dedodiz
