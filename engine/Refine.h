// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Refinement of a solved equilibrium: the same species (L, HL..H4L, ML, MHL) and the same mass balances
// of the calculation type as the iterative solver, solved again to machine precision. The iteration stops
// on step size and freezes variables that have settled, so its answers are good to a few parts in ten
// thousand and it gives up on some ordinary solutions; the refinement starts from its result and either
// reaches a relative residual below kRefineTolerance or says that it did not.
//
// It works on the working copy alone, with the constants as PrepareWork corrected them, and computes
// the protonation polynomials and metal affinities itself (exactly as the solver does). It writes only
// the concentrations: ChelFree and MetalFree (type Free), ChelFree and ChelTotal (type Chelator),
// ChelFree and MetalTotal (type Total, only when the direct result did not already balance). Afterwards
// the caller recomputes what depends on them: the binding denominators from the refined free metals,
// the conditional constants, the complexes and the two ionic sums. Nothing is allocated.

#include <limits>

#include "engine/State.h"

namespace dedodiz {

// Largest relative mass-balance residual of a refined answer.
inline constexpr double kRefineTolerance = 1e-12;

struct RefineResult {
    bool converged = false;  // the final residual is below kRefineTolerance
    double residual = 0;     // final largest relative mass-balance residual (NaN or inf when undefined)
    int iterations = 0;      // passes: type Free a Newton step each, with a sweep of one-metal solves where
                             // it falls short; 1 for the direct types; 0 when nothing needed doing
};

// Refines the solved working copy for the calculation type at the hydrogen-ion
// concentration h [mol/L] of the solve (HydrogenFromPH of the work's pH, temperature and ionic strength).
// A solution the model cannot describe (a given concentration negative or not finite, a constant that
// overflowed, or type Chelator needing a negative amount of its adjusted chelator) is left as it is and
// reported as not converged. Otherwise a work whose residual is already below kRefineTolerance is left
// exactly as it is, and refined values are written only when they balance better than the ones found.
//
// Type Free: every metal total and every chelator total is fixed; the unknowns are the free metals and
// the free chelators. Type Chelator: only the first metal's balance is solved; all free metals are
// given, the other metals take part through their free concentrations only, and of the chelators that
// have protonation constants the first one (slot 1 if it has them, else the first with free chelator
// left) is adjusted while the others keep the free amounts the iteration gave them; every such
// chelator's total then follows from its balance. Type Total is direct: its balances are confirmed.
RefineResult RefineEquilibrium(TSolution& work, CalculationType type, double h);

// The largest relative mass-balance residual |rebuilt - total| / max(|rebuilt|, |total|) of a solved
// working copy, the totals rebuilt from the free concentrations through the species of the model.
// Types Free and Total: every metal and every chelator. Type Chelator: the first metal and every
// chelator that has protonation constants.
double MassBalanceResidual(const TSolution& work, CalculationType type, double h);

// How far the iteration's answer in work may lie from the exact solution of its equations: the larger of
// the relative mass-balance residual (MassBalanceResidual) and the largest relative change that one
// Newton step from the answer would make to any free or total concentration (for types Total and
// Chelator, whose unknowns enter linearly, that step is the exact solution itself). A balance of a
// buffered metal can hold to a few parts in a million while its free level is off by per cent; the
// step sees that. Infinity where the model cannot describe the solution. Changes nothing. Reads the
// protonation polynomials and metal affinities the solve left in results, which it computes as they are
// computed here, so that a check costs no powers of ten.
// Beyond enough the exact size does not matter: a residual above it is returned without the step.
double IterationDeviation(const TSolution& work, CalculationType type, const SolverResults& results,
                          double enough = std::numeric_limits<double>::infinity());

// A whole refined solve: the iteration's answer in work and results (SolveEquilibrium has run) refined,
// then everything that depends on the concentrations recomputed (binding denominators, conditional
// constants, complexes, ionic sums), and results.Converged set to whether the refinement converged.
RefineResult RefineSolve(CalculationType type, TSolution& work, SolverResults& results);

}  // namespace dedodiz
