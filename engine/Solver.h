// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The equilibrium of up to six chelators and six metals. Each chelator L binds up to four protons
// (L, HL, H2L, H3L, H4L) and forms ML and MHL with every metal. Works on the working copy of the
// solution after PrepareWork has corrected its constants; its tolerances are in Tolerances.h.

#include "engine/State.h"
#include "engine/Tolerances.h"

namespace dedodiz {

// By type: Total computes the total metal from the free metal; Free the free metal from the total
// metal (iterative); Chelator the total chelator for the wanted free metal of slot 1 (iterative).
// Writes the computed concentrations into work, then the conditional constants, the complexes and the
// two ionic sums into results, and sets results.Converged. Allocates nothing.
void SolveEquilibrium(CalculationType type, TSolution& work, SolverResults& results);

// The last steps of a solve, for concentrations found another way (a refinement): the binding
// denominators, conditional constants, complexes and ionic sums from work's free concentrations and
// the proton terms already in results.
void FinishSolve(const TSolution& work, SolverResults& results);

// [H+] in mol/L from pH through an empirical activity factor of the hydrogen ion:
// gamma(T, I) = 0.145045 e^(-a I) + 0.063546 e^(-43.97704 I) + 0.695634, a = 0.522932 e^(0.0327016 T)
// + 4.015942, so [H+] = 10^-pH / gamma; pH 7, 20 C and 0.1 N give gamma = 0.784200 and [H+] =
// 1.27519e-7 mol/L. The fit is meant for the working range of 0.05 to 0.5 N, where it follows Davies'
// equation for a singly charged ion within 0.5 % up to 0.2 N (0.816, 0.784, 0.749 at 0.05, 0.1, 0.2 N and
// 20 C) and 4 % at 0.5 N. Below about 0.02 N it is no activity coefficient: it tends to 0.904, not 1,
// as I goes to 0. It is used at every T and I without clamping.
double HydrogenActivityFactor(double T, double I);
double HydrogenFromPH(double pH, double T, double I);

// Ionic strength [M] and ionic equivalents [N] of the solved solution, each charged species
// counted with monovalent counter-ions; H4L is not counted.
double ComputeSolutionIonic(const TSolution& work, const SolverResults& results);
double ComputeSolutionCharge(const TSolution& work, const SolverResults& results);

}  // namespace dedodiz
