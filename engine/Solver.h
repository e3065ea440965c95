#pragma once
// The equilibrium of up to six chelators and six metals. Each chelator L binds up to four protons
// (L, HL, H2L, H3L, H4L) and forms ML and MHL with every metal. Works on WorkSolution after
// PrepareWork has corrected its constants; writes the result arrays of State.

#include "State.h"

namespace dedodiz {

inline constexpr int kMaxPasses = 1000;

// By CalcType: 0 total metal from free metal, 1 free metal from total metal (iterative),
// 2 total chelator for the wanted free metal of slot 1 (iterative). Then the conditional
// constants, the complexes and the two ionic sums. Sets Converged. Allocates nothing.
void SolveEquilibrium(State& s);

// [H+] in mol/L from pH through the empirical activity factor of the hydrogen ion:
// gamma(T, I) = 0.145045 e^(-a I) + 0.063546 e^(-43.97704 I) + 0.695634, a = 0.522932 e^(0.0327016 T)
// + 4.015942.
double HydrogenActivityFactor(double T, double I);
double HydrogenFromPH(double pH, double T, double I);

// Ionic strength [M] and ionic equivalents [N] of the solved solution, each charged species
// counted with monovalent counter-ions; H4L is not counted.
double ComputeSolutionIonic(const State& s);
double ComputeSolutionCharge(const State& s);

}  // namespace dedodiz
