// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Correction of stored constants (20.0 C, 0.1 N) to the temperature and ionic strength of a run.

#include "engine/State.h"

namespace dedodiz {

// The ionic term for temperature t [C] and ionic strength I [N]: the extended Debye-Hückel limiting
// law with the Davies-type linear term, A * (sqrt(I) / (1 + sqrt(I)) - 0.25 I).
//
// A = 1.8246e6 / (T epsilon)^1.5 with T = t + 273.16 [K] is the Debye-Hückel limiting slope for log10
// activity coefficients (the textbook constant is 1.8248e6); it gives A = 0.507 at 20 C and 0.511 at
// 25 C, the tabulated values for water.
// epsilon(t) = 87.7251 - 0.3974762 t + 0.0008253 t^2 is a quadratic fit of the dielectric constant of
// water: 80.1 at 20 C and 78.3 at 25 C, within about 0.1 of the measured values (Malmberg and Maryott,
// 1956) from 0 to 60 C; outside that range it is an extrapolation.
// The -0.25 I term is a Davies-type linear term (Davies used 0.2, later 0.3); the whole expression is
// meant for ionic strengths up to about 0.5 N.
double DebyeHuckelTerm(double t, double I);

// A log10 constant logK0 known at T0 [C] and I0 [N], brought to T and I. The ionic term uses the
// charges z1 and z2 of the two reacting species (2 z1 z2 times the change of DebyeHuckelTerm, with
// the opposite sign when reverse is set, for positively charged ligands); the van 't Hoff term uses
// the reaction enthalpy dH [kcal/mol]:
//   log K(T) = log K(T0) + dH / (R ln 10) * (1/T0 - 1/T), temperatures in K as t + 273,
// with R ln 10 = 0.00457652 kcal/(mol K), that is R = 1.98753 cal/(mol K) (the thermochemical value is
// 1.98720; the difference is 0.02 %). The enthalpy is taken as constant over the range, which holds to
// a few hundredths of a log unit between 0 and 40 C for the chelators of the table.
double CorrectConstant(int z1, int z2, bool reverse, double dH, double T, double I, double logK0, double T0,
                       double I0);

// Writes LogKH and LogKM of work: the values of the stored solution corrected to work's temperature and
// ionic strength. Charges, PlusName and enthalpies must already be in work.
void CorrectAllConstants(const TSolution& stored, TSolution& work);

// Copies the solution into work and corrects its constants.
void PrepareWork(const TSolution& solution, TSolution& work);

// Copies the four concentration arrays of work back into the solution; nothing else.
void StoreResults(const TSolution& work, TSolution& solution);

}  // namespace dedodiz
