// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/Corrections.h"
#include "engine/Refine.h"
#include "engine/Solver.h"

namespace dedodiz {
namespace {

constexpr CalculationType kTotal = CalculationType::Total, kFree = CalculationType::Free,
                          kChelator = CalculationType::Chelator;

// Chelators of the bundled constants table (20 C, 0.1 N) against Ca2, Mg2, Sr2, Ba2, Mn2, Zn2.
struct Chel {
    const char* name;
    double h[4], dh[4], ml[6], mhl[6], dml[6];
};
const Chel kTable[] = {
    {"EGTA",
     {9.47, 8.85, 2.66, 2.00},
     {-5.6, -5.5, 0, 0},
     {10.97, 5.21, 8.50, 8.41, 12.28, 12.60},
     {5.30, 3.40, 0, 0, 0, 0},
     {-8.1, 5.4, 0, 0, 0, 0}},
    {"BAPTA", {6.36, 5.47, 0, 0}, {0, 0, 0, 0}, {6.97, 1.77, 0, 0, 0, 8.10}, {}, {}},
    {"EDTA",
     {10.24, 6.16, 2.66, 2.00},
     {-5.6, -4.2, 1.3, 0.3},
     {10.70, 8.69, 8.63, 7.76, 13.87, 16.50},
     {3.60, 2.50, 2.60, 2.10, 6.80, 9.20},
     {-6.1, 3.3, -4.1, -4.9, -4.6, -4.6}},
    {"HEDTA", {9.87, 5.40, 2.60, 0}, {-5.0, -2.0, 0, 0}, {8.10, 7.00, 6.80, 6.20, 11.10, 14.60}, {}, {}},
    {"NTA",
     {9.73, 2.49, 1.89, 0},
     {-4.5, 0.2, 0.4, 0},
     {6.46, 5.45, 5.00, 4.83, 7.44, 10.67},
     {},
     {-1.4, 4.3, -0.5, -1.4, 1.4, -0.9}},
    {"CDTA",
     {11.70, 6.12, 3.52, 2.43},
     {-6.0, -1.5, 0, 0},
     {12.50, 10.32, 10.00, 8.00, 16.78, 18.67},
     {},
     {}},
};
const char* const kMetals[] = {"Ca2", "Mg2", "Sr2", "Ba2", "Mn2", "Zn2"};

// A solution as entered, with the first `chelators` chelators of kTable and the first `metals` metals.
TSolution Entered(int chelators, int metals, double pH, double T, double ionic) {
    TSolution sol;
    for (int i = 1; i <= kSlots; ++i) {
        sol.ChelName[i] = kEmptyChelator;
        sol.MetalName[i] = kEmptyMetal;
    }
    for (int i = 1; i <= chelators; ++i) {
        const Chel& c = kTable[i - 1];
        sol.ChelName[i] = c.name;
        for (int n = 1; n <= 4; ++n) {
            sol.LogKH[i][n] = c.h[n - 1];
            sol.DeltaHH[i][n] = c.dh[n - 1];
            if (c.h[n - 1] > 0.001) ++sol.ChelCharge[i];
        }
        for (int j = 1; j <= metals; ++j) {
            sol.LogKM[i][j][1] = c.ml[j - 1];
            sol.LogKM[i][j][2] = c.mhl[j - 1];
            sol.DeltaHM[i][j][1] = c.dml[j - 1];
        }
    }
    for (int j = 1; j <= metals; ++j) {
        sol.MetalName[j] = kMetals[j - 1];
        sol.MetalValence[j] = 2;
    }
    sol.PH = pH, sol.Temperature = T, sol.IonicEquiv = ionic;
    return sol;
}

// 2 mM EGTA with 1 mM Ca and 1 mM Mg, the solution of the README example.
TSolution EgtaCaMg(double pH, double T) {
    TSolution sol = Entered(1, 2, pH, T, 0.1);
    sol.ChelTotal[1] = 2e-3;
    sol.MetalTotal[1] = sol.MetalTotal[2] = 1e-3;
    return sol;
}

struct Iterated {
    TSolution work;
    bool converged;
    double h;
};

// The described iteration on a solution as entered.
Iterated Iterate(const TSolution& entered, CalculationType calcType) {
    auto s = std::make_unique<Calculation>();
    s->Solution = entered;
    s->CalcType = calcType;
    PrepareWork(s->Solution, s->WorkSolution);
    SolveEquilibrium(s->CalcType, s->WorkSolution, s->Results);
    return {s->WorkSolution, s->Results.Converged, s->Results.HydrogenConc};
}

// The worst relative mass balance, rebuilt species by species: [HnL] = K1..Kn h^n [L],
// [ML] = K(ML) [M] [L], [MHL] = K(MHL) [M] [HL]. Type Chelator balances the first metal and the
// chelators with protonation constants.
double WorstBalance(const TSolution& w, double h, CalculationType calcType) {
    OneBased<double, 6> metalTotal, chelTotal;
    for (int j = 1; j <= kSlots; ++j) metalTotal[j] = w.MetalFree[j];
    double worst = 0;
    const auto check = [&worst](double rebuilt, double total) {
        if (rebuilt != 0 || total != 0) worst = std::max(worst, std::abs(rebuilt - total) / total);
    };
    for (int i = 1; i <= kSlots; ++i) {
        double forms[5] = {1, 0, 0, 0, 0}, poly = 1;
        for (int n = 1; n <= 4; ++n) {
            const double K = w.LogKH[i][n] != 0 ? std::pow(10.0, w.LogKH[i][n]) : 0;
            forms[n] = forms[n - 1] * K * h;
            poly += forms[n];
        }
        if (calcType == kChelator && poly == 1) continue;
        const double L = w.ChelFree[i] / poly;
        chelTotal[i] = L * poly;
        for (int j = 1; j <= kSlots; ++j) {
            const auto& logK = w.LogKM[i][j];
            const double ml = logK[1] != 0 ? std::pow(10.0, logK[1]) * w.MetalFree[j] * L : 0;
            const double mhl = logK[2] != 0 ? std::pow(10.0, logK[2]) * w.MetalFree[j] * forms[1] * L : 0;
            chelTotal[i] += ml + mhl;
            metalTotal[j] += ml + mhl;
        }
        check(chelTotal[i], w.ChelTotal[i]);
    }
    for (int j = 1; j <= (calcType == kChelator ? 1 : kSlots); ++j) check(metalTotal[j], w.MetalTotal[j]);
    return worst;
}

void ExpectExact(const TSolution& work, const RefineResult& r, double h, CalculationType calcType) {
    EXPECT_TRUE(r.converged);
    EXPECT_LT(r.residual, kRefineTolerance);
    EXPECT_LT(WorstBalance(work, h, calcType), kRefineTolerance);
}

double Change(double refined, double iterated) {
    return std::abs(refined / iterated - 1);
}

TEST(Refine, ReadmeExampleBalancesExactlyNearTheIteration) {
    const Iterated it = Iterate(EgtaCaMg(7.2, 20), kFree);
    ASSERT_TRUE(it.converged);
    EXPECT_GT(MassBalanceResidual(it.work, kFree, it.h), 1e-5);  // the iteration's few parts in 1e4

    TSolution work = it.work;
    const RefineResult r = RefineEquilibrium(work, kFree, it.h);
    ExpectExact(work, r, it.h, kFree);
    EXPECT_GT(r.iterations, 0);
    EXPECT_NEAR(work.MetalFree[1] / 1.55084e-7, 1, 1e-5);
    EXPECT_NEAR(it.work.MetalFree[1] / 1.55124e-7, 1, 1e-5);
    EXPECT_GT(Change(work.MetalFree[1], it.work.MetalFree[1]), 1e-4);
    EXPECT_LT(Change(work.MetalFree[1], it.work.MetalFree[1]), 1e-3);
    EXPECT_LT(Change(work.MetalFree[2], it.work.MetalFree[2]), 1e-3);
    EXPECT_LT(Change(work.ChelFree[1], it.work.ChelFree[1]), 1e-3);
}

// pH 8.0 and 10 C: the iteration freezes free Mg at its total and gives up. The refinement finds the
// answer from there and from the worst start there is, every metal free and no chelator free.
TEST(Refine, SolvesWhereTheIterationGivesUp) {
    const Iterated it = Iterate(EgtaCaMg(8.0, 10), kFree);
    ASSERT_FALSE(it.converged);
    EXPECT_GT(it.work.MetalFree[2], 0.99e-3);

    TSolution work = it.work;
    ExpectExact(work, RefineEquilibrium(work, kFree, it.h), it.h, kFree);
    EXPECT_LT(work.MetalFree[2], 0.9e-3);

    TSolution fromTotals = it.work;
    fromTotals.MetalFree = fromTotals.MetalTotal;
    fromTotals.ChelFree.fill(0);
    ExpectExact(fromTotals, RefineEquilibrium(fromTotals, kFree, it.h), it.h, kFree);
    for (int j = 1; j <= 2; ++j) EXPECT_LT(Change(fromTotals.MetalFree[j], work.MetalFree[j]), 1e-11) << j;
}

TEST(Refine, ExactAnswersAreLeftAsTheyAre) {
    TSolution total = EgtaCaMg(7.2, 20);
    total.MetalFree[1] = 1.5e-7, total.MetalFree[2] = 9.5e-4;
    Iterated direct = Iterate(total, kTotal);
    Iterated refined = Iterate(EgtaCaMg(7.2, 20), kFree);
    ASSERT_TRUE(RefineEquilibrium(refined.work, kFree, refined.h).converged);

    for (auto [it, type] : {std::pair{&direct, kTotal}, std::pair{&refined, kFree}}) {
        TSolution work = it->work;
        const RefineResult r = RefineEquilibrium(work, type, it->h);
        ExpectExact(work, r, it->h, type);
        EXPECT_EQ(r.iterations, 0) << static_cast<int>(type);
        EXPECT_TRUE(work.ChelTotal == it->work.ChelTotal && work.ChelFree == it->work.ChelFree &&
                    work.MetalTotal == it->work.MetalTotal && work.MetalFree == it->work.MetalFree)
            << static_cast<int>(type);
    }
}

// Type Chelator: EGTA for 100 nM free Ca with 1 mM total, Mg 1 mM total of which 0.4 mM is free;
// every metal free (no chelator needed, which the iteration reports as not converged); and EGTA beside
// BAPTA, where the iteration's share of BAPTA alone already binds more Ca than there is.
TEST(Refine, ChelatorTypeBalancesTheFirstMetal) {
    TSolution sol = Entered(1, 2, 7.2, 20, 0.1);
    sol.MetalTotal[1] = sol.MetalTotal[2] = 1e-3;
    sol.MetalFree[1] = 1e-7, sol.MetalFree[2] = 4e-4;
    Iterated it = Iterate(sol, kChelator);
    ASSERT_TRUE(it.converged);
    RefineResult r = RefineEquilibrium(it.work, kChelator, it.h);
    ExpectExact(it.work, r, it.h, kChelator);
    EXPECT_GT(it.work.ChelTotal[1], 1e-3);

    sol.MetalFree = sol.MetalTotal;
    it = Iterate(sol, kChelator);
    EXPECT_FALSE(it.converged);
    r = RefineEquilibrium(it.work, kChelator, it.h);
    ExpectExact(it.work, r, it.h, kChelator);
    EXPECT_EQ(it.work.ChelTotal[1], 0);

    sol = Entered(2, 1, 7.2, 20, 0.1);
    sol.MetalTotal[1] = 1e-3, sol.MetalFree[1] = 1e-6;
    it = Iterate(sol, kChelator);
    EXPECT_FALSE(it.converged);
    const TSolution before = it.work;
    r = RefineEquilibrium(it.work, kChelator, it.h);
    EXPECT_FALSE(r.converged);
    EXPECT_GT(r.residual, 1e-3);
    EXPECT_TRUE(it.work.ChelTotal == before.ChelTotal && it.work.ChelFree == before.ChelFree);
}

// A negative total is no solution of the model, and an unknown calculation type has no balances.
TEST(Refine, UndescribableSolutionsAreLeftAlone) {
    Iterated it = Iterate(EgtaCaMg(7.2, 20), kFree);
    it.work.MetalTotal[2] = -1e-3;
    const TSolution before = it.work;
    const RefineResult r = RefineEquilibrium(it.work, kFree, it.h);
    EXPECT_FALSE(r.converged);
    EXPECT_EQ(r.iterations, 0);
    EXPECT_TRUE(it.work.MetalFree == before.MetalFree && it.work.ChelFree == before.ChelFree);
    EXPECT_FALSE(RefineEquilibrium(it.work, static_cast<CalculationType>(3), it.h).converged);
    EXPECT_TRUE(std::isnan(MassBalanceResidual(it.work, static_cast<CalculationType>(3), it.h)));
}

// Six chelators and six metals at 37 C over the whole pH range, from the iteration's answer and from
// the totals: always exact, and the same answer from both starts.
TEST(Refine, SixBySixConvergesFromAnyStart) {
    const double chel[] = {2e-3, 1e-3, 5e-4, 2e-4, 1e-3, 1e-4};
    const double metal[] = {1.5e-3, 1e-3, 1e-4, 5e-5, 1e-5, 2e-5};
    for (const double pH : {4.0, 5.5, 7.2, 8.5, 10.0}) {
        TSolution sol = Entered(6, 6, pH, 37, 0.15);
        for (int k = 1; k <= kSlots; ++k) sol.ChelTotal[k] = chel[k - 1], sol.MetalTotal[k] = metal[k - 1];
        const Iterated it = Iterate(sol, kFree);
        TSolution work = it.work;
        const RefineResult r = RefineEquilibrium(work, kFree, it.h);
        ExpectExact(work, r, it.h, kFree);
        EXPECT_LT(r.iterations, 20) << pH;

        TSolution fromTotals = it.work;
        fromTotals.MetalFree = fromTotals.MetalTotal;
        ExpectExact(fromTotals, RefineEquilibrium(fromTotals, kFree, it.h), it.h, kFree);
        for (int j = 1; j <= kSlots; ++j)
            EXPECT_LT(Change(fromTotals.MetalFree[j], work.MetalFree[j]), 1e-10) << pH << " metal " << j;
    }
}

}  // namespace
}  // namespace dedodiz
