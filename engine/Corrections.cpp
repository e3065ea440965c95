// SPDX-License-Identifier: BSD-3-Clause
#include "engine/Corrections.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/FloatGuard.h"
#include "engine/Tolerances.h"

namespace dedodiz {

namespace {

double CorrectOne(double stored, int z1, int z2, bool reverse, double dH, double T, double I) {
    if (stored == 0) return 0;  // an absent constant stays absent
    if (std::abs(T - kReferenceTemperature) < kTemperatureWindow &&
        std::abs(I - kReferenceIonic) < kIonicWindow)
        return stored;
    return CorrectConstant(z1, z2, reverse, dH, T, I, stored, kReferenceTemperature, kReferenceIonic);
}

}  // namespace

double DebyeHuckelTerm(double t, double I) {
    // Dielectric constant of water as a quadratic in t [C].
    const double epsilon = 87.7251 - 0.3974762 * t + 0.0008253 * t * t;
    const double A = checked::Divide(1.8246e6, checked::Exp(1.5 * checked::Log((273.16 + t) * epsilon)));
    // sqrt(I) through the logarithm: an ionic strength of 0 or below is a floating-point fault.
    const double sqrtI = checked::Exp(0.5 * checked::Log(I));
    const double term = (sqrtI / (sqrtI + 1) - 0.25 * I) * A;
    return term;
}

double CorrectConstant(int z1, int z2, bool reverse, double dH, double T, double I, double logK0, double T0,
                       double I0) {
    const double delta = DebyeHuckelTerm(T0, I0) - DebyeHuckelTerm(T, I);
    const int chargeProduct = 2 * z1 * z2;
    const double x = reverse ? logK0 - chargeProduct * delta : logK0 + chargeProduct * delta;
    // van 't Hoff with R ln 10 = 0.00457652 kcal/(mol K); the Kelvin offset is 273 here.
    return checked::Finite(x +
                           dH * (checked::Divide(1, T0 + 273) - checked::Divide(1, T + 273)) / 0.00457652);
}

void CorrectAllConstants(const TSolution& in, TSolution& work) {
    const double T = work.Temperature;
    const double I = work.IonicEquiv;

    for (int i = 1; i <= kSlots; ++i) {
        const int n = work.ChelCharge[i];
        const bool reverse = work.PlusName[i];
        for (int k = 1; k <= 4; ++k) {
            // Step k protonates the ligand of charge -(n - k + 1).
            const int z1 = std::max(0, n - k + 1);
            work.LogKH[i][k] = CorrectOne(in.LogKH[i][k], z1, 1, reverse, work.DeltaHH[i][k], T, I);
        }
    }
    for (int i = 1; i <= kSlots; ++i) {
        const int n = work.ChelCharge[i];
        const bool reverse = work.PlusName[i];
        for (int j = 1; j <= kSlots; ++j) {
            work.LogKM[i][j][1] =
                CorrectOne(in.LogKM[i][j][1], n, work.MetalValence[j], reverse, work.DeltaHM[i][j][1], T, I);
        }
    }
    for (int i = 1; i <= kSlots; ++i) {
        const int n = work.ChelCharge[i];
        const bool reverse = work.PlusName[i];
        for (int j = 1; j <= kSlots; ++j) {
            // MHL forms from HL, whose charge is one less than the free ligand's.
            work.LogKM[i][j][2] = CorrectOne(in.LogKM[i][j][2], std::abs(n - 1), work.MetalValence[j],
                                             reverse, work.DeltaHM[i][j][2], T, I);
        }
    }
}

void PrepareWork(const TSolution& in, TSolution& work) {
    for (int i = 1; i <= kSlots; ++i) {
        work.ChelTotal[i] = in.ChelTotal[i];
        work.ChelFree[i] = in.ChelFree[i];
        work.ChelName[i] = in.ChelName[i];
        work.ChelCharge[i] = in.ChelCharge[i];
        work.PlusName[i] = in.PlusName[i];
        work.DeltaHH[i] = in.DeltaHH[i];
        work.MetalTotal[i] = in.MetalTotal[i];
        work.MetalFree[i] = in.MetalFree[i];
        work.MetalName[i] = in.MetalName[i];
        work.MetalValence[i] = in.MetalValence[i];
        work.DeltaHM[i] = in.DeltaHM[i];
    }
    work.Temperature = in.Temperature;
    work.PH = in.PH;
    work.IonicEquiv = in.IonicEquiv;
    CorrectAllConstants(in, work);
}

void StoreResults(const TSolution& work, TSolution& solution) {
    solution.ChelTotal = work.ChelTotal;
    solution.ChelFree = work.ChelFree;
    solution.MetalTotal = work.MetalTotal;
    solution.MetalFree = work.MetalFree;
}

}  // namespace dedodiz
