#pragma once
// Correction of stored constants (20.0 C, 0.1 N) to the temperature and ionic strength of a run.

#include "State.h"

namespace dedodiz {

// The ionic term for temperature t [C] and ionic strength I [N]: the extended Debye-Hückel limiting
// law with the Davies-type linear term, A * (sqrt(I) / (1 + sqrt(I)) - 0.25 I), where
// A = 1.8246e6 / (T epsilon)^1.5 and epsilon(t) is the dielectric constant of water.
double DebyeHuckelTerm(double t, double I);

// A log10 constant logK0 known at T0 [C] and I0 [N], brought to T and I. The ionic term uses the
// charges z1 and z2 of the two reacting species (2 z1 z2 times the change of DebyeHuckelTerm, with
// the opposite sign when reverse is set, for positively charged ligands); the van 't Hoff term uses
// the reaction enthalpy dH [kcal/mol].
double CorrectConstant(int z1, int z2, bool reverse, double dH, double T, double I, double logK0, double T0,
                       double I0);

// Writes LogKH and LogKM of WorkSolution: the values of Solution corrected to WorkSolution's
// temperature and ionic strength. Charges, PlusName and enthalpies must already be in WorkSolution.
void CorrectAllConstants(State& s);

// Copies Solution into WorkSolution and corrects its constants.
void PrepareWork(State& s);

// Copies the four concentration arrays of WorkSolution back into Solution; nothing else.
void StoreResults(State& s);

}  // namespace dedodiz
