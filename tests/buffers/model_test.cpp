// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <cfenv>

#include "TestState.h"
#include "buffers/BufferModel.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool>;
namespace {

// Debye-Hückel term at 20 C (the engine's tests pin these): 0.001 N and 0.1 N.
constexpr double kDH0001 = 0.0154148;
constexpr double kDH01 = 0.1091352;

class BufferModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        ResetBufferSlotsForWindow(s);  // every pKa measured at 20 C and 0.1 N
    }
    double Corrected(int type, double T, double I, int k = 1) {
        return CorrectBufferPKa(s, 1, type, T, I)[k];
    }
    TestState s;
    TBufferSlot& b = s.BufferSlots[1];
};

TEST_F(BufferModelTest, ValenceIsTheLastPositivePKa) {
    const double cases[][4] = {{0, 0, 0, 0}, {7, 0, 0, 1}, {7, 3, 0, 2}, {12, 7, 2, 3}, {8, 0, 3, 3}};
    for (const auto& c : cases) {
        b.pKa[1] = c[0], b.pKa[2] = c[1], b.pKa[3] = c[2];
        EXPECT_EQ(SlotValence(s, 1), c[3]) << c[0] << " " << c[1] << " " << c[2];
    }
}

TEST_F(BufferModelTest, TemperatureGoesThroughTwentyDegrees) {
    b.pKa[1] = 7.94;
    b.dipKa[1] = 0.3;
    b.dpKa[1] = -0.028;
    EXPECT_DOUBLE_EQ(Corrected(0, 20, 0.1), 7.94);  // at its measuring conditions
    b.temperature[1] = 25;                          // 7.94 at 25 C is 8.08 at 20 C and 7.604 at 37 C
    EXPECT_NEAR(Corrected(1, 20, 0.1), 8.08, 1e-12);
    EXPECT_NEAR(Corrected(1, 37, 0.1), 7.604, 1e-12);
}

TEST_F(BufferModelTest, ThermodynamicAndLinearRoutesSplitAtOneMillinormal) {
    b.pKa[1] = 7.0;
    b.ipKa[1] = 0.001;
    b.dipKa[1] = 0.5;  // not used on the thermodynamic route
    EXPECT_NEAR(Corrected(0, 20, 0.1), 7.0 + 2 * (kDH0001 - kDH01), 1e-6);
    b.ipKa[1] = 0.0011;
    EXPECT_NEAR(Corrected(0, 20, 0.1), 7.0 + (0.1 - 0.0011) * 0.5, 1e-12);
    b.dipKa[1] = 0;
    EXPECT_DOUBLE_EQ(Corrected(0, 20, 0.1), 7.0);
}

TEST_F(BufferModelTest, AnionicFallsAndCationicRisesByTheSameAmount) {
    b.pKa[1] = 7.0;
    b.ipKa[1] = 0;
    double lastAnionic = 7.0;
    for (double I : {0.01, 0.05, 0.1, 0.2}) {
        const double anionic = Corrected(0, 20, I);
        EXPECT_LT(anionic, lastAnionic) << I;
        EXPECT_NEAR(anionic - 7.0, 7.0 - Corrected(1, 20, I), 1e-12) << I;
        lastAnionic = anionic;
    }
}

TEST_F(BufferModelTest, NegativeAndMissingStepsReadZeroAndNeedNoIonicStrength) {
    b.pKa[1] = 0.5;
    b.dpKa[1] = 0.1;   // 0.5 - 2 at 0 C
    b.dpKa[2] = -0.1;  // a missing step would turn positive at 0 C
    b.pKa[3] = 6;
    b.ipKa[2] = b.ipKa[3] = 0.001;
    EXPECT_EQ(Corrected(0, 0, 0.1, 1), 0.0);
    EXPECT_EQ(Corrected(0, 0, 0.1, 2), 0.0);

    // A slot read from a file keeps ipKa 0.001 on its missing steps: they must not take log 0.
    b.pKa[3] = 0;
    std::feclearexcept(FE_ALL_EXCEPT);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(Corrected(0, 20, 0.0, k), k == 1 ? 0.5 : 0.0);
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID), 0);
}

}  // namespace
}  // namespace dedodiz
