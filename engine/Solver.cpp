// SPDX-License-Identifier: BSD-3-Clause
#include "engine/Solver.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/FloatGuard.h"

namespace dedodiz {

namespace {

using SlotFlags = OneBased<bool, 6>;

// 10^logK for a stored log10 constant; 0 means the constant is absent, never 10^0.
double Power10(double logK) {
    return logK != 0 ? checked::Pow10(logK) : 0.0;
}

void ComputeProtonTerms(const TSolution& w, SolverResults& s) {
    s.HydrogenConc = HydrogenFromPH(w.PH, w.Temperature, w.IonicEquiv);
    const double h = s.HydrogenConc;
    using checked::Divide;

    for (int i = 1; i <= kSlots; ++i) {
        auto& K = s.SpeciesK[i];
        const auto& logH = w.LogKH[i];
        for (int n = 1; n <= 4; ++n) K[n] = Power10(logH[n]);
        for (int j = 1; j <= kSlots; ++j) {
            K[4 + j] = Power10(w.LogKM[i][j][1]);
            K[10 + j] = Power10(w.LogKM[i][j][2]);
        }

        const double K1 = K[1], K2 = K[2], K3 = K[3], K4 = K[4];
        const double h2 = h * h, h3 = h2 * h, h4 = h3 * h;
        auto& F = s.ProtFraction[i];
        // A protonation step of a huge constant, or an [H+] that underflows, makes a divisor zero.
        F[0] = 1 / (1 + K1 * h + K1 * K2 * h2 + K1 * K2 * K3 * h3 + K1 * K2 * K3 * K4 * h4);
        F[1] = logH[1] != 0 ? 1 / (Divide(1, K1 * h) + 1 + K2 * h + K2 * K3 * h2 + K2 * K3 * K4 * h3) : 0;
        F[2] = logH[1] != 0 && logH[2] != 0
                   ? 1 / (Divide(1, K1 * K2 * h2) + Divide(1, K2 * h) + 1 + K3 * h + K3 * K4 * h2)
                   : 0;
        F[3] = logH[1] != 0 && logH[2] != 0 && logH[3] != 0
                   ? 1 / (Divide(1, K1 * K2 * K3 * h3) + Divide(1, K2 * K3 * h2) + Divide(1, K3 * h) + 1 +
                          K4 * h)
                   : 0;
        F[4] = logH[1] != 0 && logH[2] != 0 && logH[3] != 0 && logH[4] != 0
                   ? 1 / (Divide(1, K1 * K2 * K3 * K4 * h4) + Divide(1, K2 * K3 * K4 * h3) +
                          Divide(1, K3 * K4 * h2) + Divide(1, K4 * h) + 1)
                   : 0;
        s.HLInvFraction[i] = K1 != 0 ? Divide(1, K1 * h) + 1 + K2 * h + K2 * K3 * h2 + K2 * K3 * K4 * h3 : 0;

        // Cumulative protonation terms, and MHL expressed against the free ligand L.
        K[1] = K1 * h;
        K[2] = K1 * K2 * h2;
        K[3] = K1 * K2 * K3 * h3;
        K[4] = K1 * K2 * K3 * K4 * h4;
        for (int j = 1; j <= kSlots; ++j) K[10 + j] *= K[1];
        for (int j = 1; j <= kSlots; ++j) s.MetalAffinity[j][i] = checked::Finite(K[4 + j] + K[10 + j]);
        s.ProtonPoly[i] = checked::Finite(1 + K[1] + K[2] + K[3] + K[4]);
        checked::Finite(s.HLInvFraction[i]);
    }
}

// Sum over metals of MetalAffinity * MetalFree / ProtonPoly for chelator i.
double MetalBoundRatio(const TSolution& w, const SolverResults& s, int i) {
    double sum = 0;
    for (int j = 1; j <= kSlots; ++j) sum += s.MetalAffinity[j][i] * w.MetalFree[j] / s.ProtonPoly[i];
    return sum;
}

void ComputeBindingDenominators(const TSolution& w, SolverResults& s) {
    for (int i = 1; i <= kSlots; ++i) {
        double sum = s.ProtonPoly[i];
        for (int j = 1; j <= kSlots; ++j) sum += s.MetalAffinity[j][i] * w.MetalFree[j];
        s.BindingDenom[i] = checked::Finite(sum);
    }
}

// Metal j bound to all chelators plus free, from the free metal and the binding denominators.
double TotalFromFree(const TSolution& w, const SolverResults& s, int j) {
    double total = w.MetalFree[j];
    for (int i = 1; i <= kSlots; ++i)
        total += s.MetalAffinity[j][i] * w.MetalFree[j] * w.ChelTotal[i] / s.BindingDenom[i];
    return total;
}

void SolveForTotalMetal(TSolution& w, SolverResults& s) {
    ComputeBindingDenominators(w, s);
    for (int i = 1; i <= kSlots; ++i)
        w.ChelFree[i] = w.ChelTotal[i] != 0 ? w.ChelTotal[i] / (1 + MetalBoundRatio(w, s, i)) : 0;
    for (int j = 1; j <= kSlots; ++j) w.MetalTotal[j] = checked::Finite(TotalFromFree(w, s, j));
}

// Alternating successive substitution; a variable that has settled is frozen for good.
bool SolveForFreeMetal(TSolution& w, SolverResults& s) {
    SlotFlags chelatorDone;
    SlotFlags metalDone;
    for (int k = 1; k <= kSlots; ++k) {
        w.MetalFree[k] = w.MetalTotal[k] / 2;
        w.ChelFree[k] = w.ChelTotal[k] / s.ProtonPoly[k];
        chelatorDone[k] = w.ChelTotal[k] <= 0;
        metalDone[k] = w.MetalTotal[k] <= 0;
    }

    for (int pass = 1; pass <= kMaxPasses; ++pass) {
        for (int i = 1; i <= kSlots; ++i) {
            if (chelatorDone[i]) continue;
            const double old = w.ChelFree[i];
            const double next = w.ChelTotal[i] / (1 + MetalBoundRatio(w, s, i));
            if (kChelatorFreeSettle * old > std::abs(next - old)) chelatorDone[i] = true;
            w.ChelFree[i] = next;
        }
        for (int j = 1; j <= kSlots; ++j) {
            if (metalDone[j]) continue;
            const double old = w.MetalFree[j];
            double sum = 0;
            for (int i = 1; i <= kSlots; ++i) sum += s.MetalAffinity[j][i] * w.ChelFree[i] / s.ProtonPoly[i];
            const double next = w.MetalTotal[j] / (1 + sum);
            // The relative change is held against a hundredth of the old free concentration itself
            // [mol/L], not against 0.01: micromolar free metal must settle to about 1e-8 relative.
            if (kMetalFreeSettle * old > checked::Divide(std::abs(next - old), old)) metalDone[j] = true;
            w.MetalFree[j] = next;
        }
        const bool allDone =
            std::all_of(chelatorDone.begin(), chelatorDone.end(), [](bool b) { return b; }) &&
            std::all_of(metalDone.begin(), metalDone.end(), [](bool b) { return b; });
        if (allDone) return true;
    }
    return false;
}

// Every metal total rebuilt from the free values agrees within the tolerance.
bool CheckMassBalance(const TSolution& w, SolverResults& s) {
    ComputeBindingDenominators(w, s);
    bool ok = true;
    for (int j = 1; j <= kSlots; ++j) {
        const double total = TotalFromFree(w, s, j);
        const double error = w.MetalTotal[j] > 0 ? std::abs(total - w.MetalTotal[j]) / w.MetalTotal[j] : 0;
        if (error > kMassBalanceTolerance) ok = false;
    }
    return ok;
}

// Total chelator amounts that hold metal slot 1 at its wanted free concentration.
bool SolveForChelator(TSolution& w, SolverResults& s) {
    ComputeBindingDenominators(w, s);
    double sumTotal = 0;
    double sumFree = 0;
    for (int j = 1; j <= kSlots; ++j) {
        sumTotal += w.MetalTotal[j];
        sumFree += w.MetalFree[j];
    }

    SlotFlags chelatorDone;
    for (int i = 1; i <= kSlots; ++i) {
        // A slot without protonation constants (empty or incomplete) takes no part.
        if (s.ProtonPoly[i] == 1) {
            w.ChelFree[i] = 0;
            chelatorDone[i] = true;
        } else {
            w.ChelFree[i] = sumTotal - sumFree;
            chelatorDone[i] = false;
        }
    }

    for (int pass = 1; pass <= kMaxPasses; ++pass) {
        for (int k = 1; k <= kSlots; ++k) {
            if (chelatorDone[k] || !(k == 1 || w.ChelFree[k] > 0)) continue;
            double others = 1;
            for (int i = 1; i <= kSlots; ++i)
                if (i != k) others += s.MetalAffinity[1][i] * w.ChelFree[i] / s.ProtonPoly[i];
            // A chelator that does not bind metal 1, or a wanted free metal of 0, makes a divisor zero.
            w.ChelFree[k] = checked::Divide(s.ProtonPoly[k], s.MetalAffinity[1][k]) *
                            (checked::Divide(w.MetalTotal[1], w.MetalFree[1]) - others);
        }
        for (int i = 1; i <= kSlots; ++i) {
            if (chelatorDone[i]) continue;
            const double old = w.ChelTotal[i];
            double next = (1 + MetalBoundRatio(w, s, i)) * w.ChelFree[i];
            if (next < 0) next = 0;
            if (kChelatorTotalSettle * old > std::abs(next - old)) chelatorDone[i] = true;
            w.ChelTotal[i] = next;
        }
        if (std::all_of(chelatorDone.begin(), chelatorDone.end(), [](bool b) { return b; })) return true;
    }
    return false;
}

void ComputeConditionalConstants(const TSolution& w, SolverResults& s) {
    for (int i = 1; i <= kSlots; ++i) {
        s.LogKcML[i].fill(0);
        s.LogKcMHL[i].fill(0);
        s.KdCombined[i].fill(0);
    }
    for (int i = 1; i <= kSlots; ++i) {
        if (!(w.ChelTotal[i] > 0)) continue;
        for (int j = 1; j <= kSlots; ++j) {
            if (!(w.MetalTotal[j] > 0)) continue;
            const double logML = w.LogKM[i][j][1];
            const double logMHL = w.LogKM[i][j][2];
            const double kcML = logML != 0 ? checked::Pow10(logML) / s.ProtonPoly[i] : 0;
            const double kcMHL =
                s.HLInvFraction[i] != 0 && logMHL != 0 ? checked::Pow10(logMHL) / s.HLInvFraction[i] : 0;
            if (kcML + kcMHL != 0) s.KdCombined[i][j] = 1 / (kcML + kcMHL);
            if (kcML != 0) s.LogKcML[i][j] = checked::Log10(kcML);
            if (kcMHL != 0 && logMHL != 0) s.LogKcMHL[i][j] = checked::Log10(kcMHL);
        }
    }
}

void ComputeComplexes(const TSolution& w, SolverResults& s) {
    for (int i = 1; i <= kSlots; ++i) {
        s.MLConc[i].fill(0);
        s.MHLConc[i].fill(0);
    }
    for (int i = 1; i <= kSlots; ++i) {
        if (!(w.ChelTotal[i] > 0)) continue;
        for (int j = 1; j <= kSlots; ++j) {
            s.MHLConc[i][j] = s.SpeciesK[i][10 + j] * w.MetalFree[j] * w.ChelTotal[i] / s.BindingDenom[i];
            s.MLConc[i][j] = s.SpeciesK[i][4 + j] * w.MetalFree[j] * w.ChelTotal[i] / s.BindingDenom[i];
        }
    }
}

// Charges of HL, H2L and H3L of a ligand whose free form carries -n, clamped at 0.
struct LigandCharges {
    int n, z1, z2, z3;
    explicit LigandCharges(int charge)
        : n(charge), z1(std::max(n - 1, 0)), z2(std::max(z1 - 1, 0)), z3(std::max(z2 - 1, 0)) {}
};

// Sum over all species of c * weight(z); the ionic strength weighs z(z+1), the equivalents 2z.
template <typename Weight>
double SumOverSpecies(const TSolution& w, const SolverResults& s, Weight weight) {
    double sum = 0;
    for (int i = 1; i <= kSlots; ++i) {
        const LigandCharges q(w.ChelCharge[i]);
        const auto& F = s.ProtFraction[i];
        sum += w.ChelFree[i] *
               (F[0] * weight(q.n) + F[1] * weight(q.z1) + F[2] * weight(q.z2) + F[3] * weight(q.z3));
        sum += weight(w.MetalValence[i]) * w.MetalFree[i];
        for (int j = 1; j <= kSlots; ++j) {
            const int zj = w.MetalValence[j];
            const int a = std::abs(q.n - zj);
            const int b = std::abs(q.n - zj - 1);
            sum += weight(a) * s.MLConc[i][j] + weight(b) * s.MHLConc[i][j];
        }
    }
    return checked::Finite(sum);
}

}  // namespace

double HydrogenActivityFactor(double T, double I) {
    const double a = 0.522932 * checked::Exp(0.0327016 * T) + 4.015942;
    const double gamma = 0.145045 * checked::Exp(-a * I) + 0.063546 * checked::Exp(-43.97704 * I) + 0.695634;
    return gamma;
}

double HydrogenFromPH(double pH, double T, double I) {
    return checked::Exp(-pH * std::numbers::ln10) / HydrogenActivityFactor(T, I);
}

double ComputeSolutionIonic(const TSolution& work, const SolverResults& results) {
    const double sum = SumOverSpecies(work, results, [](int z) { return static_cast<double>(z * (z + 1)); });
    return sum < 0 ? 0 : sum / 2;
}

double ComputeSolutionCharge(const TSolution& work, const SolverResults& results) {
    const double sum = SumOverSpecies(work, results, [](int z) { return static_cast<double>(2 * z); });
    return sum < 0 ? 0 : sum / 2;
}

void FinishSolve(const TSolution& work, SolverResults& results) {
    ComputeBindingDenominators(work, results);
    ComputeConditionalConstants(work, results);
    ComputeComplexes(work, results);
    results.SolutionIonic = ComputeSolutionIonic(work, results);
    results.SolutionCharge = ComputeSolutionCharge(work, results);
}

void SolveEquilibrium(CalculationType type, TSolution& work, SolverResults& results) {
    results.Converged = true;
    ComputeProtonTerms(work, results);
    switch (type) {
        case CalculationType::Total:
            SolveForTotalMetal(work, results);
            break;
        case CalculationType::Free:
            results.Converged = SolveForFreeMetal(work, results);
            if (!CheckMassBalance(work, results)) results.Converged = false;
            break;
        case CalculationType::Chelator:
            if (!SolveForChelator(work, results)) results.Converged = false;
            break;
    }
    ComputeConditionalConstants(work, results);
    ComputeComplexes(work, results);
    results.SolutionIonic = ComputeSolutionIonic(work, results);
    results.SolutionCharge = ComputeSolutionCharge(work, results);
}

}  // namespace dedodiz
