// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <cmath>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "engine/Corrections.h"
#include "engine/Solver.h"

namespace dedodiz {
using TestState = test::Parts<>;
namespace {

class SolverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
    }

    void Choose(std::initializer_list<int> chelators, std::initializer_list<int> metals) {
        for (int c : chelators) s.ChelatorChosen[c] = true;
        for (int m : metals) s.MetalChosen[m] = true;
        test::MessageRecorder messages;
        ASSERT_TRUE(BuildSelection(s, s, s.Solution, messages));
    }

    void Solve(int calcType) {
        s.CalcType = static_cast<CalculationType>(calcType);
        PrepareWork(s.Solution, s.WorkSolution);
        test::SolveWork(s);
    }

    // Totals rebuilt from the solved free values with the model's mass balances.
    double MetalTotalFromFree(int j) const {
        const TSolution& w = s.WorkSolution;
        double bound = 0;
        for (int i = 1; i <= kSlots; ++i) bound += s.Results.MLConc[i][j] + s.Results.MHLConc[i][j];
        return w.MetalFree[j] + bound;
    }
    double ChelTotalFromFree(int i) const {
        double bound = 0;
        for (int j = 1; j <= kSlots; ++j) bound += s.Results.MLConc[i][j] + s.Results.MHLConc[i][j];
        return s.WorkSolution.ChelFree[i] + bound;
    }

    TestState s;
};

TEST_F(SolverTest, HydrogenIonAtPH7) {
    EXPECT_NEAR(0.522932 * std::exp(0.0327016 * 20) + 4.015942, 5.021687, 1e-6);
    EXPECT_NEAR(HydrogenActivityFactor(20, 0.1), 0.784200, 1e-6);
    EXPECT_NEAR(HydrogenFromPH(7, 20, 0.1), 1.27519e-7, 1e-11);
    EXPECT_NEAR(HydrogenActivityFactor(20, 0), 0.904225, 1e-6);
    Choose({1}, {1});
    Solve(1);
    EXPECT_NEAR(s.Results.HydrogenConc, 1.27519e-7, 1e-11);
}

TEST_F(SolverTest, FreeMetalSatisfiesBothBalances) {
    Choose({1}, {1});
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.MetalTotal[1] = 5e-4;
    Solve(1);
    ASSERT_TRUE(s.Results.Converged);
    EXPECT_NEAR(MetalTotalFromFree(1), 5e-4, 5e-6);
    EXPECT_NEAR(ChelTotalFromFree(1), 1e-3, 1e-5);
    // Half the EGTA is bound: free calcium is about Kd, a few tenths of a micromolar at pH 7 and 20 C.
    EXPECT_GT(s.WorkSolution.MetalFree[1], 1e-7);
    EXPECT_LT(s.WorkSolution.MetalFree[1], 5e-7);
    EXPECT_NEAR(s.Results.KdCombined[1][1], s.WorkSolution.MetalFree[1], 0.1 * s.Results.KdCombined[1][1]);
}

TEST_F(SolverTest, FullMixtureBalancesAndTotalTypeRoundTrip) {
    Choose({1, 2, 3}, {1, 2, 3});
    s.Solution.PH = 7.2;
    s.Solution.Temperature = 37;
    s.Solution.IonicEquiv = 0.15;
    const double chel[] = {2e-3, 1e-3, 5e-4};
    const double metal[] = {1.5e-3, 1e-3, 2e-5};
    for (int k = 1; k <= 3; ++k) {
        s.Solution.ChelTotal[k] = chel[k - 1];
        s.Solution.MetalTotal[k] = metal[k - 1];
    }
    Solve(1);
    ASSERT_TRUE(s.Results.Converged);
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(MetalTotalFromFree(j) / metal[j - 1], 1, 0.01) << j;

    // Fed back the free metals that type 1 found, type 0 gives back the totals.
    for (int j = 1; j <= 3; ++j) s.Solution.MetalFree[j] = s.WorkSolution.MetalFree[j];
    Solve(0);
    EXPECT_TRUE(s.Results.Converged);
    for (int j = 1; j <= 3; ++j) EXPECT_NEAR(s.WorkSolution.MetalTotal[j] / metal[j - 1], 1, 0.01) << j;
}

TEST_F(SolverTest, ChelatorTypeGivesWantedFreeMetal) {
    Choose({2}, {1});
    s.Solution.MetalTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-7;
    Solve(2);
    ASSERT_TRUE(s.Results.Converged);
    const double chelator = s.WorkSolution.ChelTotal[1];
    EXPECT_GT(chelator, 1e-3);

    s.Solution.ChelTotal[1] = chelator;
    s.Solution.MetalFree[1] = 0;
    Solve(1);
    ASSERT_TRUE(s.Results.Converged);
    EXPECT_NEAR(s.WorkSolution.MetalFree[1] / 1e-7, 1, 0.03);
}

TEST_F(SolverTest, NoMetalAtAll) {
    Choose({1, 2}, {1});
    s.Solution.ChelTotal[1] = 1e-3;
    Solve(1);
    EXPECT_TRUE(s.Results.Converged);
    EXPECT_EQ(s.WorkSolution.MetalFree[1], 0);
    EXPECT_EQ(s.WorkSolution.ChelFree[1], 1e-3);
    EXPECT_EQ(s.WorkSolution.ChelFree[2], 0);  // zero total keeps its start value
}

TEST_F(SolverTest, ChelatorTypeWithFreeEqualTotalNeverConverges) {
    Choose({1, 2}, {1, 2});
    for (int j = 1; j <= 2; ++j) s.Solution.MetalTotal[j] = s.Solution.MetalFree[j] = 1e-4;
    Solve(2);
    EXPECT_FALSE(s.Results.Converged);
    EXPECT_EQ(s.WorkSolution.ChelTotal[1], 0);
    EXPECT_EQ(s.WorkSolution.ChelTotal[2], 0);
}

TEST_F(SolverTest, ZeroProtonationConstantRemovesHigherForms) {
    test::SetChelator(s.Constants[4], "HALF", 9.0, 0, 5.0, 3.0);
    Choose({4}, {});
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.PH = 2;
    Solve(1);
    const auto& F = s.Results.ProtFraction[1];
    EXPECT_GT(F[1], 0.99);
    EXPECT_EQ(F[2], 0);
    EXPECT_EQ(F[3], 0);
    EXPECT_EQ(F[4], 0);
    EXPECT_DOUBLE_EQ(s.Results.ProtonPoly[1], 1 + s.Results.SpeciesK[1][1]);
}

TEST_F(SolverTest, ConditionalConstantsOnlyForPresentPairs) {
    Choose({1, 2}, {1, 2});
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.MetalTotal[1] = 1e-4;
    Solve(1);
    EXPECT_GT(s.Results.KdCombined[1][1], 0);
    EXPECT_EQ(s.Results.KdCombined[1][2], 0);  // no Mg in the solution
    EXPECT_EQ(s.Results.KdCombined[2][1], 0);  // no BAPTA in the solution
    // log10 K'(ML) = log K(ML) - log10(ProtonPoly).
    EXPECT_NEAR(s.Results.LogKcML[1][1], 10.97 - std::log10(s.Results.ProtonPoly[1]), 1e-12);
    EXPECT_NEAR(s.Results.LogKcMHL[1][1], 5.30 - std::log10(s.Results.HLInvFraction[1]), 1e-12);
}

TEST_F(SolverTest, IonicSumsCountChargedSpeciesWithCounterIons) {
    // A diprotic ligand far above its pKs is all L(2-); with free Ca(2+) and no complex, each
    // species contributes c z (z + 1) / 2 to the ionic strength and c z to the equivalents.
    test::SetChelator(s.Constants[4], "DI", 4.0, 3.0, 0, 0);
    Choose({4}, {1});
    s.Solution.PH = 10;
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-3;
    Solve(0);
    EXPECT_NEAR(s.Results.SolutionIonic, 0.5 * (1e-3 * 6 + 1e-3 * 6), 1e-8);
    EXPECT_NEAR(s.Results.SolutionCharge, 0.5 * (1e-3 * 4 + 1e-3 * 4), 1e-8);
}

TEST_F(SolverTest, IonicSumsIgnoreFullyProtonatedForm) {
    test::SetChelator(s.Constants[4], "QUAD", 10, 9, 8, 7);
    Choose({4}, {});
    s.Solution.PH = 0;
    s.Solution.ChelTotal[1] = 1e-3;
    Solve(1);
    EXPECT_GT(s.Results.ProtFraction[1][4], 0.999);
    EXPECT_LT(s.Results.SolutionIonic, 1e-9);
    EXPECT_LT(s.Results.SolutionCharge, 1e-9);
}

}  // namespace
}  // namespace dedodiz
