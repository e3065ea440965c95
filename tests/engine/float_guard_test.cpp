// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Solver.h"

namespace dedodiz {
using TestState = test::Parts<>;
namespace {

class FloatGuardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        s.ChelatorChosen[1] = true;
        s.MetalChosen[1] = true;
        BuildSelection(s, s, s.Solution, messages);
        s.Solution.ChelTotal[1] = 1e-3;
        s.Solution.MetalTotal[1] = 5e-4;
    }

    bool Run() {
        return RunGuarded(messages, [&] {
            PrepareWork(s.Solution, s.WorkSolution);
            test::SolveWork(s);
        });
    }

    TestState s;
    test::MessageRecorder messages;
};

TEST_F(FloatGuardTest, OrdinaryRunPasses) {
    EXPECT_TRUE(Run());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(FloatGuardTest, ZeroIonicStrengthWithConstantToCorrect) {
    s.Solution.IonicEquiv = 0;
    EXPECT_FALSE(Run());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].second, "ERROR");
}

TEST_F(FloatGuardTest, ZeroIonicStrengthWithoutConstantsIsFine) {
    NewState(s);
    s.Solution.IonicEquiv = 0;
    EXPECT_TRUE(Run());
}

TEST_F(FloatGuardTest, TemperatureMinus273) {
    s.Solution.Temperature = -273;
    EXPECT_FALSE(Run());
    EXPECT_EQ(messages.messages.at(0).second, "ERROR");
}

TEST_F(FloatGuardTest, ChelatorTypeWithZeroFreeMetalInSlotOne) {
    s.CalcType = CalculationType::Chelator;
    s.Solution.MetalFree[1] = 0;
    EXPECT_FALSE(Run());
}

TEST_F(FloatGuardTest, OverflowingConstant) {
    s.Solution.LogKM[1][1][1] = 400;
    EXPECT_FALSE(Run());
}

TEST_F(FloatGuardTest, UnderflowIsNotAFault) {
    s.Solution.PH = 300;  // [H+] underflows towards zero
    s.Solution.LogKH[1] = {};
    s.Solution.LogKH[1][1] = 1;
    EXPECT_TRUE(Run());
}

}  // namespace
}  // namespace dedodiz
