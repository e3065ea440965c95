// SPDX-License-Identifier: BSD-3-Clause
#include "engine/Refine.h"

#include "engine/Solver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace dedodiz {

namespace {

constexpr double kTargetResidual = 1e-14;  // the Newton loop aims this far below the tolerance
constexpr int kMaxIterations = 100;
constexpr double kMaxLogStep = 8;  // largest change of ln(free metal) in one Newton step
constexpr int kLineSearchSteps = 40;
constexpr int kBracketSteps = 200;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

using Vector = std::array<double, kSlots>;
using Matrix = std::array<Vector, kSlots>;

// 10^logK for a stored log10 constant; 0 means the constant is absent, never 10^0.
double Power10(double logK) {
    return logK != 0 ? std::pow(10.0, logK) : 0.0;
}

// The species constants of one solution at one [H+], in the order of operations of the solver, so
// that an answer which balanced there balances here to the last bit.
struct Species {
    OneBased<double, kSlots> poly;                        // 1 + cumulative protonation terms
    OneBased<OneBased<double, kSlots>, kSlots> affinity;  // [metal][chelator] K(ML) + K(MHL) K1 h
};

Species BuildSpecies(const TSolution& w, double h) {
    Species sp;
    const double h2 = h * h, h3 = h2 * h, h4 = h3 * h;
    for (int i = 1; i <= kSlots; ++i) {
        const auto& logH = w.LogKH[i];
        const double K1 = Power10(logH[1]), K2 = Power10(logH[2]), K3 = Power10(logH[3]),
                     K4 = Power10(logH[4]);
        const double c1 = K1 * h;
        sp.poly[i] = 1 + c1 + K1 * K2 * h2 + K1 * K2 * K3 * h3 + K1 * K2 * K3 * K4 * h4;
        for (int j = 1; j <= kSlots; ++j)
            sp.affinity[j][i] = Power10(w.LogKM[i][j][1]) + Power10(w.LogKM[i][j][2]) * c1;
    }
    return sp;
}

bool SpeciesFinite(const Species& sp) {
    for (int i = 1; i <= kSlots; ++i) {
        if (!std::isfinite(sp.poly[i])) return false;
        for (int j = 1; j <= kSlots; ++j)
            if (!std::isfinite(sp.affinity[j][i])) return false;
    }
    return true;
}

bool Given(double c) {
    return std::isfinite(c) && c >= 0;
}

// The concentrations a calculation type takes as given are finite and not negative.
bool Describable(const TSolution& w, int calcType) {
    for (int k = 1; k <= kSlots; ++k) {
        const bool metal = calcType == 0   ? Given(w.MetalFree[k])
                           : calcType == 1 ? Given(w.MetalTotal[k])
                                           : Given(w.MetalTotal[k]) && Given(w.MetalFree[k]);
        if (!metal || (calcType != 2 && !Given(w.ChelTotal[k]))) return false;
    }
    return true;
}

double Relative(double rebuilt, double total) {
    if (!std::isfinite(rebuilt) || !std::isfinite(total)) return kInfinity;
    const double scale = std::max(std::abs(rebuilt), std::abs(total));
    return scale > 0 ? std::abs(rebuilt - total) / scale : 0;
}

// Type Chelator balances only the chelators that have protonation constants; the others take no part.
bool TakesPart(const Species& sp, int calcType, int i) {
    return calcType != 2 || sp.poly[i] != 1;
}

double Residual(const TSolution& w, int calcType, const Species& sp) {
    OneBased<double, kSlots> ligand;  // [L], the fully deprotonated free chelator [mol/L]
    for (int i = 1; i <= kSlots; ++i) ligand[i] = TakesPart(sp, calcType, i) ? w.ChelFree[i] / sp.poly[i] : 0;
    double worst = 0;
    const int metals = calcType == 2 ? 1 : kSlots;
    for (int j = 1; j <= metals; ++j) {
        double bound = 0;
        for (int i = 1; i <= kSlots; ++i) bound += sp.affinity[j][i] * ligand[i];
        worst = std::max(worst, Relative(w.MetalFree[j] + w.MetalFree[j] * bound, w.MetalTotal[j]));
    }
    for (int i = 1; i <= kSlots; ++i) {
        if (!TakesPart(sp, calcType, i)) continue;
        double denom = sp.poly[i];
        for (int j = 1; j <= kSlots; ++j) denom += sp.affinity[j][i] * w.MetalFree[j];
        worst = std::max(worst, Relative(ligand[i] * denom, w.ChelTotal[i]));
    }
    return worst;
}

// Sum over metals of affinity * free metal / proton polynomial for chelator i, as the solver sums it.
double MetalBoundRatio(const TSolution& w, const Species& sp, int i) {
    double sum = 0;
    for (int j = 1; j <= kSlots; ++j) sum += sp.affinity[j][i] * w.MetalFree[j] / sp.poly[i];
    return sum;
}

// ---- Type Free ---------------------------------------------------------------------------------
//
// With x_k = ln(free metal k) and every chelator balance solved exactly, [L]_c = ChelTotal_c / D_c with
// D_c = P_c + sum_k A_kc M_k, the function
//     Phi(x) = sum_k (M_k - MetalTotal_k x_k) + sum_c ChelTotal_c ln D_c
// is strictly convex; its gradient is the metal balance (free + bound - total) and its Hessian is
// positive definite. Its one minimum is the answer. Newton steps with a line search that keeps Phi
// falling find it; where a Newton step cannot, a sweep of one-metal solves inside brackets that hold
// the answer whatever the other metals are lowers Phi instead.

struct FreeProblem {
    int metals = 0;     // metals whose free value is unknown
    int chelators = 0;  // chelators with a positive total
    std::array<int, kSlots> metalSlot{}, chelSlot{};
    Vector total{};        // metal totals [mol/L]
    Vector chelTotal{};    // [mol/L]
    Vector poly{};         // proton polynomial per chelator
    Matrix affinity{};     // [metal][chelator]
    Vector low{}, high{};  // ln(free metal) of the answer lies between them
};

struct Point {
    Vector x{};           // ln(free metal)
    Vector free{};        // [mol/L]
    Vector gap{};         // free + bound - total [mol/L], the gradient of Phi
    Vector denom{};       // D_c
    double residual = 0;  // largest |gap| / total
};

// The unknown metals: a positive total and some binding. A metal that no chelator binds is free. The
// brackets of the free metals are left out where only one Newton step is wanted.
FreeProblem BuildFreeProblem(const TSolution& w, const Species& sp, bool brackets = true) {
    FreeProblem p;
    for (int i = 1; i <= kSlots; ++i) {
        if (!(w.ChelTotal[i] > 0)) continue;
        p.chelSlot[p.chelators] = i;
        p.chelTotal[p.chelators] = w.ChelTotal[i];
        p.poly[p.chelators] = sp.poly[i];
        ++p.chelators;
    }
    for (int j = 1; j <= kSlots; ++j) {
        if (!(w.MetalTotal[j] > 0)) continue;
        // The bound share can never pass sum A ChelTotal / P, which brackets the free metal from below.
        double most = 0;
        for (int c = 0; c < p.chelators; ++c)
            most += sp.affinity[j][p.chelSlot[c]] * p.chelTotal[c] / p.poly[c];
        if (!(most > 0)) continue;
        const int k = p.metals++;
        p.metalSlot[k] = j;
        p.total[k] = w.MetalTotal[j];
        for (int c = 0; c < p.chelators; ++c) p.affinity[k][c] = sp.affinity[j][p.chelSlot[c]];
        if (!brackets) continue;
        p.high[k] = std::log(w.MetalTotal[j]);
        p.low[k] = p.high[k] - std::log1p(most);
    }
    return p;
}

void Evaluate(const FreeProblem& p, Point& pt) {
    for (int k = 0; k < p.metals; ++k) pt.free[k] = std::exp(pt.x[k]);
    for (int c = 0; c < p.chelators; ++c) {
        double d = p.poly[c];
        for (int k = 0; k < p.metals; ++k) d += p.affinity[k][c] * pt.free[k];
        pt.denom[c] = d;
    }
    pt.residual = 0;
    for (int k = 0; k < p.metals; ++k) {
        double bound = 0;
        for (int c = 0; c < p.chelators; ++c) bound += p.chelTotal[c] * p.affinity[k][c] / pt.denom[c];
        pt.gap[k] = pt.free[k] + pt.free[k] * bound - p.total[k];
        pt.residual = std::max(pt.residual, std::abs(pt.gap[k]) / p.total[k]);
    }
}

// The Hessian of Phi: d gap_k / d x_l. The diagonal uses D_c without metal k itself, so that a metal
// held almost entirely by an almost saturated chelator loses no digits to cancellation.
void Hessian(const FreeProblem& p, const Point& pt, Matrix& H) {
    for (int k = 0; k < p.metals; ++k) {
        H[k].fill(0);
        H[k][k] = pt.free[k];
    }
    for (int c = 0; c < p.chelators; ++c) {
        Vector complex{};
        for (int k = 0; k < p.metals; ++k)
            complex[k] = p.chelTotal[c] * p.affinity[k][c] * pt.free[k] / pt.denom[c];
        for (int k = 0; k < p.metals; ++k) {
            double rest = p.poly[c];
            for (int l = 0; l < p.metals; ++l)
                if (l != k) rest += p.affinity[l][c] * pt.free[l];
            H[k][k] += complex[k] * rest / pt.denom[c];
            for (int l = 0; l < p.metals; ++l)
                if (l != k) H[k][l] -= complex[k] * complex[l] / p.chelTotal[c];
        }
    }
}

// Solves H d = -gap by Cholesky on the matrix scaled to a unit diagonal. False when H is not
// numerically positive definite.
bool NewtonDirection(int n, const Matrix& H, const Vector& gap, Vector& d) {
    Vector scale{};
    for (int k = 0; k < n; ++k) {
        if (!(H[k][k] > 0)) return false;
        scale[k] = 1 / std::sqrt(H[k][k]);
    }
    Matrix L{};
    for (int k = 0; k < n; ++k) {
        for (int l = 0; l <= k; ++l) {
            double sum = H[k][l] * scale[k] * scale[l];
            for (int m = 0; m < l; ++m) sum -= L[k][m] * L[l][m];
            if (l < k) {
                L[k][l] = sum / L[l][l];
            } else {
                if (!(sum > 0)) return false;
                L[k][k] = std::sqrt(sum);
            }
        }
    }
    Vector y{};
    for (int k = 0; k < n; ++k) {
        double sum = -gap[k] * scale[k];
        for (int m = 0; m < k; ++m) sum -= L[k][m] * y[m];
        y[k] = sum / L[k][k];
    }
    for (int k = n - 1; k >= 0; --k) {
        double sum = y[k];
        for (int m = k + 1; m < n; ++m) sum -= L[m][k] * y[m];
        y[k] = sum / L[k][k];
    }
    double longest = 0;
    for (int k = 0; k < n; ++k) {
        d[k] = y[k] * scale[k];
        if (!std::isfinite(d[k])) return false;
        longest = std::max(longest, std::abs(d[k]));
    }
    if (longest > kMaxLogStep)
        for (int k = 0; k < n; ++k) d[k] *= kMaxLogStep / longest;
    return true;
}

// The slope of Phi along d at pt.
double Slope(int n, const Point& pt, const Vector& d) {
    double s = 0;
    for (int k = 0; k < n; ++k) s += pt.gap[k] * d[k];
    return s;
}

Point Along(const FreeProblem& p, const Point& from, const Vector& d, double alpha) {
    Point pt;
    for (int k = 0; k < p.metals; ++k) pt.x[k] = from.x[k] + alpha * d[k];
    Evaluate(p, pt);
    return pt;
}

// Outside its bracket a metal's own balance points back inside, whatever the other metals are, so
// moving it onto the bracket lowers Phi: accepted points are kept inside the brackets, where no free
// concentration can underflow.
void Accept(const FreeProblem& p, Point& pt, const Point& trial) {
    pt = trial;
    bool moved = false;
    for (int k = 0; k < p.metals; ++k) {
        const double x = std::clamp(pt.x[k], p.low[k], p.high[k]);
        moved = moved || x != pt.x[k];
        pt.x[k] = x;
    }
    if (moved) Evaluate(p, pt);
}

// Phi is convex, so along d its slope only grows: every point before the slope turns positive lies
// lower. The full step is taken when its slope is still downhill or it halves the best residual so far
// (near the answer, where Phi itself no longer resolves the change); otherwise regula falsi on the slope
// over [0, 1] looks for a point whose slope has at least halved without turning uphill.
bool NewtonStep(const FreeProblem& p, Point& pt, double best) {
    Matrix H{};
    Vector d{};
    Hessian(p, pt, H);
    if (!NewtonDirection(p.metals, H, pt.gap, d)) return false;
    const double s0 = Slope(p.metals, pt, d);
    if (!(s0 < 0)) return false;
    Point trial = Along(p, pt, d, 1);
    const double s1 = Slope(p.metals, trial, d);
    if (!std::isfinite(s1)) return false;
    if (s1 <= 0 || trial.residual <= 0.5 * best) {
        Accept(p, pt, trial);
        return true;
    }
    double lo = 0, hi = 1, sLo = s0, sHi = s1;
    Point below = pt;
    for (int step = 0; step < kLineSearchSteps; ++step) {
        const double alpha = lo + (hi - lo) * std::clamp(sLo / (sLo - sHi), 0.1, 0.9);
        trial = Along(p, pt, d, alpha);
        const double s = Slope(p.metals, trial, d);
        if (s <= 0 && s >= 0.5 * s0) {
            Accept(p, pt, trial);
            return true;
        }
        if (s > 0) {
            hi = alpha, sHi = s;
        } else {
            lo = alpha, sLo = s, below = trial;
        }
    }
    if (!(lo > 0)) return false;
    Accept(p, pt, below);
    return true;
}

// Metal k's own balance with the other free metals fixed. It grows with the free metal, is not above
// zero at p.low and not below it at p.high, so Newton steps that fall back to bisection inside the
// bracket always find its one root; that root is the minimum of Phi along x_k.
void SolveOneMetal(const FreeProblem& p, Point& pt, int k) {
    Vector rest{};  // D_c without metal k
    for (int c = 0; c < p.chelators; ++c) {
        rest[c] = p.poly[c];
        for (int l = 0; l < p.metals; ++l)
            if (l != k) rest[c] += p.affinity[l][c] * pt.free[l];
    }
    double lo = p.low[k], hi = p.high[k];
    double t = std::clamp(pt.x[k], lo, hi);
    for (int step = 0; step < kBracketSteps; ++step) {
        const double m = std::exp(t);
        double bound = 0, slope = 0;
        for (int c = 0; c < p.chelators; ++c) {
            const double den = rest[c] + p.affinity[k][c] * m;
            const double share = p.chelTotal[c] * p.affinity[k][c] / den;
            bound += share;
            slope += share * rest[c] / den;
        }
        const double f = m + m * bound - p.total[k];
        if (std::abs(f) <= 1e-16 * p.total[k]) break;
        if (f < 0) {
            lo = t;
        } else {
            hi = t;
        }
        const double df = m + m * slope;
        double next = df > 0 ? t - f / df : lo + 0.5 * (hi - lo);
        if (!(next > lo && next < hi)) next = lo + 0.5 * (hi - lo);
        if (next == t || next == lo || next == hi) break;
        t = next;
    }
    pt.x[k] = t;
    pt.free[k] = std::exp(t);
}

void SweepMetals(const FreeProblem& p, Point& pt) {
    for (int k = 0; k < p.metals; ++k) SolveOneMetal(p, pt, k);
    Evaluate(p, pt);
}

int SolveFree(TSolution& w, const Species& sp) {
    const FreeProblem p = BuildFreeProblem(w, sp);
    Point pt;
    for (int k = 0; k < p.metals; ++k) {
        const double start = w.MetalFree[p.metalSlot[k]];
        pt.x[k] =
            start > 0 && std::isfinite(start) ? std::clamp(std::log(start), p.low[k], p.high[k]) : p.high[k];
    }
    Evaluate(p, pt);
    Point best = pt;
    int iterations = 0;
    while (best.residual > kTargetResidual && iterations < kMaxIterations) {
        ++iterations;
        const double before = best.residual;
        if (NewtonStep(p, pt, before) && pt.residual < before) best = pt;
        // A Newton step that does not halve the residual is crossing a region where the balance of
        // some metal turns sharply (a titration step); solving each metal on its own gets across it.
        if (!(best.residual < 0.5 * before) && before >= kRefineTolerance) {
            SweepMetals(p, pt);
            if (pt.residual < best.residual) best = pt;
        }
        if (!(best.residual < before) && before < kRefineTolerance) break;  // rounding stops the progress
    }

    for (int j = 1; j <= kSlots; ++j) w.MetalFree[j] = w.MetalTotal[j] > 0 ? w.MetalTotal[j] : 0;
    for (int k = 0; k < p.metals; ++k) w.MetalFree[p.metalSlot[k]] = best.free[k];
    for (int i = 1; i <= kSlots; ++i)
        w.ChelFree[i] = w.ChelTotal[i] > 0 ? w.ChelTotal[i] / (1 + MetalBoundRatio(w, sp, i)) : 0;
    return iterations;
}

// ---- Types Chelator and Total --------------------------------------------------------------------

// The first metal's balance is linear in the adjusted chelator's free amount: one step solves it.
// False when it needs a negative amount or cannot be solved at all.
bool SolveChelator(TSolution& w, const Species& sp) {
    int adjusted = 0;
    for (int k = 1; k <= kSlots && adjusted == 0; ++k)
        if (sp.poly[k] != 1 && (k == 1 || w.ChelFree[k] > 0)) adjusted = k;
    if (adjusted == 0 || !(w.MetalFree[1] > 0) || !(sp.affinity[1][adjusted] > 0)) return false;

    double others = 0;
    for (int i = 1; i <= kSlots; ++i) {
        if (i == adjusted || !TakesPart(sp, 2, i)) continue;
        if (!Given(w.ChelFree[i])) return false;
        others += sp.affinity[1][i] * w.ChelFree[i] / sp.poly[i];
    }
    const double need = (w.MetalTotal[1] - w.MetalFree[1]) / w.MetalFree[1] - others;
    if (!(need >= 0)) return false;
    w.ChelFree[adjusted] = sp.poly[adjusted] / sp.affinity[1][adjusted] * need;
    for (int i = 1; i <= kSlots; ++i)
        if (TakesPart(sp, 2, i)) w.ChelTotal[i] = (1 + MetalBoundRatio(w, sp, i)) * w.ChelFree[i];
    return true;
}

// The direct formulas of type Total once more.
void SolveTotal(TSolution& w, const Species& sp) {
    OneBased<double, kSlots> denom;
    for (int i = 1; i <= kSlots; ++i) {
        denom[i] = sp.poly[i];
        for (int j = 1; j <= kSlots; ++j) denom[i] += sp.affinity[j][i] * w.MetalFree[j];
        w.ChelFree[i] = w.ChelTotal[i] != 0 ? w.ChelTotal[i] / (1 + MetalBoundRatio(w, sp, i)) : 0;
    }
    for (int j = 1; j <= kSlots; ++j) {
        double total = w.MetalFree[j];
        for (int i = 1; i <= kSlots; ++i)
            total += sp.affinity[j][i] * w.MetalFree[j] * w.ChelTotal[i] / denom[i];
        w.MetalTotal[j] = total;
    }
}

struct Concentrations {
    OneBased<double, kSlots> chelTotal, chelFree, metalTotal, metalFree;
};

Concentrations Save(const TSolution& w) {
    return {w.ChelTotal, w.ChelFree, w.MetalTotal, w.MetalFree};
}

void Restore(TSolution& w, const Concentrations& c) {
    w.ChelTotal = c.chelTotal;
    w.ChelFree = c.chelFree;
    w.MetalTotal = c.metalTotal;
    w.MetalFree = c.metalFree;
}

// The largest relative difference between two sets of concentrations, over the slots either holds.
double LargestChange(const Concentrations& a, const Concentrations& b) {
    double worst = 0;
    for (int k = 1; k <= kSlots; ++k) {
        worst =
            std::max({worst, Relative(a.chelTotal[k], b.chelTotal[k]), Relative(a.chelFree[k], b.chelFree[k]),
                      Relative(a.metalTotal[k], b.metalTotal[k]), Relative(a.metalFree[k], b.metalFree[k])});
    }
    return worst;
}

// Type Free: the free concentrations after one full Newton step from those of w (no line search: the
// size of the step is the measure), the chelators' free amounts following from their balances.
bool NewtonEstimate(const TSolution& w, const Species& sp, Concentrations& step) {
    const FreeProblem p = BuildFreeProblem(w, sp, false);
    Point pt;
    for (int k = 0; k < p.metals; ++k) {
        const double start = w.MetalFree[p.metalSlot[k]];
        if (!(start > 0) || !std::isfinite(start)) return false;
        pt.x[k] = std::log(start);
    }
    Evaluate(p, pt);
    Matrix H{};
    Vector d{};
    Hessian(p, pt, H);
    if (p.metals > 0 && !NewtonDirection(p.metals, H, pt.gap, d)) return false;
    step = Save(w);
    for (int j = 1; j <= kSlots; ++j) step.metalFree[j] = w.MetalTotal[j] > 0 ? w.MetalTotal[j] : 0;
    for (int k = 0; k < p.metals; ++k) step.metalFree[p.metalSlot[k]] = std::exp(pt.x[k] + d[k]);
    for (int i = 1; i <= kSlots; ++i) {
        double bound = 0;
        for (int j = 1; j <= kSlots; ++j) bound += sp.affinity[j][i] * step.metalFree[j] / sp.poly[i];
        step.chelFree[i] = w.ChelTotal[i] > 0 ? w.ChelTotal[i] / (1 + bound) : 0;
    }
    return true;
}

}  // namespace

double IterationDeviation(const TSolution& work, CalculationType type, const SolverResults& results,
                          double enough) {
    const int calcType = static_cast<int>(type);
    if (calcType < 0 || calcType > 2) return kInfinity;
    Species sp;
    for (int i = 1; i <= kSlots; ++i) {
        sp.poly[i] = results.ProtonPoly[i];
        for (int j = 1; j <= kSlots; ++j) sp.affinity[j][i] = results.MetalAffinity[j][i];
    }
    if (!SpeciesFinite(sp) || !Describable(work, calcType)) return kInfinity;
    const double residual = Residual(work, calcType, sp);
    if (!(residual < kInfinity)) return kInfinity;
    if (residual > enough) return residual;
    Concentrations step;
    if (calcType == 1) {
        if (!NewtonEstimate(work, sp, step)) return kInfinity;
    } else {
        TSolution direct = work;
        if (calcType == 0)
            SolveTotal(direct, sp);
        else if (!SolveChelator(direct, sp))
            return kInfinity;
        step = Save(direct);
    }
    return std::max(residual, LargestChange(Save(work), step));
}

RefineResult RefineEquilibrium(TSolution& work, CalculationType type, double h) {
    const int calcType = static_cast<int>(type);
    RefineResult result;
    if (calcType < 0 || calcType > 2) {
        result.residual = std::numeric_limits<double>::quiet_NaN();
        return result;
    }
    const Species sp = BuildSpecies(work, h);
    result.residual = Residual(work, calcType, sp);
    if (!SpeciesFinite(sp) || !Describable(work, calcType)) return result;
    if (result.residual < kRefineTolerance) {
        result.converged = true;
        return result;
    }

    const Concentrations found = Save(work);
    bool solved = true;
    switch (calcType) {
        case 0:
            SolveTotal(work, sp);
            result.iterations = 1;
            break;
        case 1:
            result.iterations = SolveFree(work, sp);
            break;
        default:
            solved = SolveChelator(work, sp);
            result.iterations = 1;
            break;
    }
    const double residual = solved ? Residual(work, calcType, sp) : kInfinity;
    if (residual < result.residual) {
        result.residual = residual;
    } else {
        Restore(work, found);
    }
    result.converged = result.residual < kRefineTolerance;
    return result;
}

double MassBalanceResidual(const TSolution& work, CalculationType type, double h) {
    const int calcType = static_cast<int>(type);
    if (calcType < 0 || calcType > 2) return std::numeric_limits<double>::quiet_NaN();
    return Residual(work, calcType, BuildSpecies(work, h));
}

RefineResult RefineSolve(CalculationType type, TSolution& work, SolverResults& results) {
    const RefineResult refined = RefineEquilibrium(work, type, results.HydrogenConc);
    if (refined.iterations > 0) FinishSolve(work, results);
    results.Converged = refined.converged;
    return refined;
}

}  // namespace dedodiz
