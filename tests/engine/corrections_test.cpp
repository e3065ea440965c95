// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "engine/Corrections.h"

namespace dedodiz {
using TestState = test::Parts<>;
namespace {

TEST(DebyeHuckelTest, ValuesAtTwentyDegrees) {
    EXPECT_NEAR(DebyeHuckelTerm(20, 0.1), 0.1091352, 5e-8);
    EXPECT_NEAR(DebyeHuckelTerm(20, 0.2), 0.1313240, 2e-7);
    // A = 0.5070088 at 20 C: the limiting slope for very dilute solutions.
    EXPECT_NEAR(DebyeHuckelTerm(20, 1e-12) / 1e-6, 0.5070088, 1e-6);
}

struct CorrectionCase {
    int z1, z2;
    bool reverse;
    double dH, T, I, logK0, expected;
};

class CorrectConstantTest : public ::testing::TestWithParam<CorrectionCase> {};

TEST_P(CorrectConstantTest, MatchesWorkedExamples) {
    const CorrectionCase& c = GetParam();
    EXPECT_NEAR(CorrectConstant(c.z1, c.z2, c.reverse, c.dH, c.T, c.I, c.logK0, 20.0, 0.1), c.expected, 5e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CorrectConstantTest,
    ::testing::Values(CorrectionCase{4, 2, false, 0, 20, 0.2, 10.0, 9.64498},  // ionic only
                      CorrectionCase{4, 1, false, -5, 37, 0.15, 9.5, 9.15712},
                      CorrectionCase{4, 1, true, -5, 37, 0.15, 9.5, 9.43392},
                      CorrectionCase{0, 1, false, -10, 30, 0.1, 5.0, 4.75388},  // van 't Hoff only
                      CorrectionCase{3, 2, true, 7, 20, 0.1, 6.5, 6.5}));

TEST(CorrectConstantTest, BackAndForthIsIdentity) {
    const double at37 = CorrectConstant(3, 2, false, -6.1, 37, 0.15, 10.7, 20, 0.1);
    EXPECT_NEAR(CorrectConstant(3, 2, false, -6.1, 20, 0.1, at37, 37, 0.15), 10.7, 1e-12);
}

class CorrectAllTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        s.ChelatorChosen[1] = s.ChelatorChosen[3] = true;  // EGTA, EDTA
        s.MetalChosen[1] = s.MetalChosen[2] = true;        // Ca2, Mg2
        test::MessageRecorder messages;
        BuildSelection(s, s, s.Solution, messages);
    }
    TestState s;
};

TEST_F(CorrectAllTest, SkipWindowsAroundReferenceConditions) {
    for (double T : {20.0, 20.005, 19.995}) {
        s.Solution.Temperature = T;
        s.Solution.IonicEquiv = 0.10005;
        PrepareWork(s.Solution, s.WorkSolution);
        EXPECT_EQ(s.WorkSolution.LogKH[1][1], 9.47) << T;
        EXPECT_EQ(s.WorkSolution.LogKM[2][1][2], 3.60) << T;
    }
    s.Solution.Temperature = 20.01;
    PrepareWork(s.Solution, s.WorkSolution);
    EXPECT_NE(s.WorkSolution.LogKH[1][1], 9.47);
    s.Solution.Temperature = 20;
    s.Solution.IonicEquiv = 0.1002;
    PrepareWork(s.Solution, s.WorkSolution);
    EXPECT_NE(s.WorkSolution.LogKH[1][1], 9.47);
}

TEST_F(CorrectAllTest, ChargesAndEnthalpiesPerKindOfConstant) {
    s.Solution.Temperature = 37;
    s.Solution.IonicEquiv = 0.15;
    s.Solution.ChelCharge[1] = 2;  // pretend EGTA had two protons: H3, H4 get z1 = 0
    PrepareWork(s.Solution, s.WorkSolution);
    const TSolution& w = s.WorkSolution;
    EXPECT_DOUBLE_EQ(w.LogKH[1][1], CorrectConstant(2, 1, false, -5.6, 37, 0.15, 9.47, 20, 0.1));
    EXPECT_DOUBLE_EQ(w.LogKH[1][3], CorrectConstant(0, 1, false, 0, 37, 0.15, 2.66, 20, 0.1));
    EXPECT_DOUBLE_EQ(w.LogKH[1][3], 2.66);  // no enthalpy, no charge: unchanged
    EXPECT_DOUBLE_EQ(w.LogKM[1][2][1], CorrectConstant(2, 2, false, 5.4, 37, 0.15, 5.21, 20, 0.1));
    EXPECT_DOUBLE_EQ(w.LogKM[1][1][2], CorrectConstant(1, 2, false, 0, 37, 0.15, 5.30, 20, 0.1));
    EXPECT_DOUBLE_EQ(w.LogKM[2][1][2],
                     CorrectConstant(3, 2, false, 0, 37, 0.15, 3.60, 20, 0.1));  // EDTA n = 4
}

TEST_F(CorrectAllTest, ZeroChargeMhlUsesOne) {
    s.Solution.Temperature = 30;
    s.Solution.ChelCharge[2] = 0;
    PrepareWork(s.Solution, s.WorkSolution);
    EXPECT_DOUBLE_EQ(s.WorkSolution.LogKM[2][1][2], CorrectConstant(1, 2, false, 0, 30, 0.1, 3.60, 20, 0.1));
}

TEST_F(CorrectAllTest, PlusNameReversesIonicTerm) {
    s.Solution.IonicEquiv = 0.3;
    s.Solution.PlusName[1] = true;
    PrepareWork(s.Solution, s.WorkSolution);
    EXPECT_DOUBLE_EQ(s.WorkSolution.LogKH[1][1], CorrectConstant(4, 1, true, -5.6, 20, 0.3, 9.47, 20, 0.1));
    EXPECT_GT(s.WorkSolution.LogKH[1][1], 9.47);
    EXPECT_LT(s.WorkSolution.LogKH[2][1], 10.24);
}

TEST_F(CorrectAllTest, AbsentConstantsStayAbsentAndSolutionIsKept) {
    s.Solution.Temperature = 5;
    s.Solution.IonicEquiv = 0.5;
    s.Solution.LogKM[1][2][2] = 0;
    s.Solution.LogKH[2][4] = 0;
    const TSolution before = s.Solution;
    PrepareWork(s.Solution, s.WorkSolution);
    EXPECT_EQ(s.WorkSolution.LogKM[1][2][2], 0);
    EXPECT_EQ(s.WorkSolution.LogKH[2][4], 0);
    EXPECT_EQ(s.WorkSolution.LogKM[3][1][1], 0);  // empty chelator slot
    EXPECT_EQ(s.WorkSolution.LogKM[1][4][1], 0);  // empty metal slot
    EXPECT_EQ(s.Solution.LogKH, before.LogKH);
    EXPECT_EQ(s.Solution.LogKM, before.LogKM);
}

TEST_F(CorrectAllTest, StoreResultsCopiesOnlyConcentrations) {
    PrepareWork(s.Solution, s.WorkSolution);
    s.WorkSolution.MetalFree[1] = 1e-7;
    s.WorkSolution.ChelTotal[2] = 2e-3;
    s.WorkSolution.LogKH[1][1] = 1;
    s.WorkSolution.Temperature = 99;
    StoreResults(s.WorkSolution, s.Solution);
    EXPECT_EQ(s.Solution.MetalFree[1], 1e-7);
    EXPECT_EQ(s.Solution.ChelTotal[2], 2e-3);
    EXPECT_EQ(s.Solution.LogKH[1][1], 9.47);
    EXPECT_EQ(s.Solution.Temperature, 20);
}

}  // namespace
}  // namespace dedodiz
