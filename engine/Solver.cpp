#include "Solver.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dedodiz {

namespace {

using SlotFlags = OneBased<bool, 6>;

// 10^logK for a stored log10 constant; 0 means the constant is absent, never 10^0.
double Power10(double logK) {
    return logK != 0 ? std::pow(10.0, logK) : 0.0;
}

void ComputeProtonTerms(State& s) {
    const TSolution& w = s.WorkSolution;
    s.HydrogenConc = HydrogenFromPH(w.PH, w.Temperature, w.IonicEquiv);
    const double h = s.HydrogenConc;

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
        F[0] = 1 / (1 + K1 * h + K1 * K2 * h2 + K1 * K2 * K3 * h3 + K1 * K2 * K3 * K4 * h4);
        F[1] = logH[1] != 0 ? 1 / (1 / (K1 * h) + 1 + K2 * h + K2 * K3 * h2 + K2 * K3 * K4 * h3) : 0;
        F[2] = logH[1] != 0 && logH[2] != 0
                   ? 1 / (1 / (K1 * K2 * h2) + 1 / (K2 * h) + 1 + K3 * h + K3 * K4 * h2)
                   : 0;
        F[3] = logH[1] != 0 && logH[2] != 0 && logH[3] != 0
                   ? 1 / (1 / (K1 * K2 * K3 * h3) + 1 / (K2 * K3 * h2) + 1 / (K3 * h) + 1 + K4 * h)
                   : 0;
        F[4] = logH[1] != 0 && logH[2] != 0 && logH[3] != 0 && logH[4] != 0
                   ? 1 / (1 / (K1 * K2 * K3 * K4 * h4) + 1 / (K2 * K3 * K4 * h3) + 1 / (K3 * K4 * h2) +
                          1 / (K4 * h) + 1)
                   : 0;
        s.HLInvFraction[i] = K1 != 0 ? 1 / (K1 * h) + 1 + K2 * h + K2 * K3 * h2 + K2 * K3 * K4 * h3 : 0;

        // Cumulative protonation terms, and MHL expressed against the free ligand L.
        K[1] = K1 * h;
        K[2] = K1 * K2 * h2;
        K[3] = K1 * K2 * K3 * h3;
        K[4] = K1 * K2 * K3 * K4 * h4;
        for (int j = 1; j <= kSlots; ++j) K[10 + j] *= K[1];
        for (int j = 1; j <= kSlots; ++j) s.MetalAffinity[j][i] = K[4 + j] + K[10 + j];
        s.ProtonPoly[i] = 1 + K[1] + K[2] + K[3] + K[4];
    }
}

// Sum over metals of MetalAffinity * MetalFree / ProtonPoly for chelator i.
double MetalBoundRatio(const State& s, int i) {
    double sum = 0;
    for (int j = 1; j <= kSlots; ++j)
        sum += s.MetalAffinity[j][i] * s.WorkSolution.MetalFree[j] / s.ProtonPoly[i];
    return sum;
}

void ComputeBindingDenominators(State& s) {
    for (int i = 1; i <= kSlots; ++i) {
        double sum = s.ProtonPoly[i];
        for (int j = 1; j <= kSlots; ++j) sum += s.MetalAffinity[j][i] * s.WorkSolution.MetalFree[j];
        s.BindingDenom[i] = sum;
    }
}

// Metal j bound to all chelators plus free, from the free metal and the binding denominators.
double TotalFromFree(const State& s, int j) {
    const TSolution& w = s.WorkSolution;
    double total = w.MetalFree[j];
    for (int i = 1; i <= kSlots; ++i)
        total += s.MetalAffinity[j][i] * w.MetalFree[j] * w.ChelTotal[i] / s.BindingDenom[i];
    return total;
}

void SolveForTotalMetal(State& s) {
    TSolution& w = s.WorkSolution;
    ComputeBindingDenominators(s);
    for (int i = 1; i <= kSlots; ++i)
        w.ChelFree[i] = w.ChelTotal[i] != 0 ? w.ChelTotal[i] / (1 + MetalBoundRatio(s, i)) : 0;
    for (int j = 1; j <= kSlots; ++j) w.MetalTotal[j] = TotalFromFree(s, j);
}

// Alternating successive substitution; a variable that has settled is frozen for good.
bool SolveForFreeMetal(State& s) {
    TSolution& w = s.WorkSolution;
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
            const double next = w.ChelTotal[i] / (1 + MetalBoundRatio(s, i));
            if (0.0005 * old > std::abs(next - old)) chelatorDone[i] = true;
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
            if (0.01 * old > std::abs(next - old) / old) metalDone[j] = true;
            w.MetalFree[j] = next;
        }
        const bool allDone =
            std::all_of(chelatorDone.begin(), chelatorDone.end(), [](bool b) { return b; }) &&
            std::all_of(metalDone.begin(), metalDone.end(), [](bool b) { return b; });
        if (allDone) return true;
    }
    return false;
}

// Every metal total rebuilt from the free values agrees within 1 %.
bool CheckMassBalance(State& s) {
    const TSolution& w = s.WorkSolution;
    ComputeBindingDenominators(s);
    bool ok = true;
    for (int j = 1; j <= kSlots; ++j) {
        const double total = TotalFromFree(s, j);
        const double error = w.MetalTotal[j] > 0 ? std::abs(total - w.MetalTotal[j]) / w.MetalTotal[j] : 0;
        if (error > 0.01) ok = false;
    }
    return ok;
}

// Total chelator amounts that hold metal slot 1 at its wanted free concentration.
bool SolveForChelator(State& s) {
    TSolution& w = s.WorkSolution;
    ComputeBindingDenominators(s);
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
            w.ChelFree[k] =
                (s.ProtonPoly[k] / s.MetalAffinity[1][k]) * (w.MetalTotal[1] / w.MetalFree[1] - others);
        }
        for (int i = 1; i <= kSlots; ++i) {
            if (chelatorDone[i]) continue;
            const double old = w.ChelTotal[i];
            double next = (1 + MetalBoundRatio(s, i)) * w.ChelFree[i];
            if (next < 0) next = 0;
            if (0.01 * old > std::abs(next - old)) chelatorDone[i] = true;
            w.ChelTotal[i] = next;
        }
        if (std::all_of(chelatorDone.begin(), chelatorDone.end(), [](bool b) { return b; })) return true;
    }
    return false;
}

void ComputeConditionalConstants(State& s) {
    const TSolution& w = s.WorkSolution;
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
            const double kcML = logML != 0 ? std::pow(10.0, logML) / s.ProtonPoly[i] : 0;
            const double kcMHL =
                s.HLInvFraction[i] != 0 && logMHL != 0 ? std::pow(10.0, logMHL) / s.HLInvFraction[i] : 0;
            if (kcML + kcMHL != 0) s.KdCombined[i][j] = 1 / (kcML + kcMHL);
            if (kcML != 0) s.LogKcML[i][j] = std::log10(kcML);
            if (kcMHL != 0 && logMHL != 0) s.LogKcMHL[i][j] = std::log10(kcMHL);
        }
    }
}

void ComputeComplexes(State& s) {
    const TSolution& w = s.WorkSolution;
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
double SumOverSpecies(const State& s, Weight weight) {
    const TSolution& w = s.WorkSolution;
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
    return sum;
}

}  // namespace

double HydrogenActivityFactor(double T, double I) {
    const double a = 0.522932 * std::exp(0.0327016 * T) + 4.015942;
    const double gamma = 0.145045 * std::exp(-a * I) + 0.063546 * std::exp(-43.97704 * I) + 0.695634;
    return gamma;
}

double HydrogenFromPH(double pH, double T, double I) {
    return std::exp(-pH * std::numbers::ln10) / HydrogenActivityFactor(T, I);
}

double ComputeSolutionIonic(const State& s) {
    const double sum = SumOverSpecies(s, [](int z) { return static_cast<double>(z * (z + 1)); });
    return sum < 0 ? 0 : sum / 2;
}

double ComputeSolutionCharge(const State& s) {
    const double sum = SumOverSpecies(s, [](int z) { return static_cast<double>(2 * z); });
    return sum < 0 ? 0 : sum / 2;
}

void SolveEquilibrium(State& s) {
    s.Converged = true;
    ComputeProtonTerms(s);
    switch (s.CalcType) {
        case 0:
            SolveForTotalMetal(s);
            break;
        case 1:
            s.Converged = SolveForFreeMetal(s);
            if (!CheckMassBalance(s)) s.Converged = false;
            break;
        case 2:
            if (!SolveForChelator(s)) s.Converged = false;
            break;
        default:
            break;
    }
    ComputeConditionalConstants(s);
    ComputeComplexes(s);
    s.SolutionIonic = ComputeSolutionIonic(s);
    s.SolutionCharge = ComputeSolutionCharge(s);
}

}  // namespace dedodiz
