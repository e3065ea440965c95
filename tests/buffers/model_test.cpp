#include <gtest/gtest.h>

#include <cfenv>

#include "BufferModel.h"
#include "Corrections.h"

namespace dedodiz {
namespace {

// Debye-Hückel term at 20 C (the engine's tests pin these): 0.001 N and 0.1 N.
constexpr double kDH0001 = 0.0154148;
constexpr double kDH01 = 0.1091352;

class BufferModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewState(s);
        ResetBufferSlotsForWindow(s);
    }
    TBufferSlot& Slot(int k) { return s.BufferSlots[k]; }
    State s;
};

TEST_F(BufferModelTest, ResetsGiveTheTwoSetsOfDefaults) {
    Slot(3).pKa[1] = 7;
    Slot(3).anionic = false;
    Slot(3).comments = "x";
    ResetBufferSlotsForWindow(s);
    for (const TBufferSlot& b : s.BufferSlots) {
        EXPECT_EQ(b.Name, " ");
        EXPECT_EQ(b.ipKa[2], 0.1);
        EXPECT_EQ(b.temperature[3], 20.0);
        EXPECT_EQ(b.pKa[1], 0.0);
        EXPECT_TRUE(b.anionic);
        EXPECT_TRUE(b.comments.empty());
    }
    ResetBufferSlotsForLoad(s);
    for (const TBufferSlot& b : s.BufferSlots) {
        EXPECT_TRUE(b.Name.empty());
        EXPECT_EQ(b.ipKa[1], 0.001);
        EXPECT_EQ(b.temperature[1], 20.0);
    }
}

TEST_F(BufferModelTest, ValenceIsTheLastPositivePKa) {
    struct Case {
        double p1, p2, p3;
        int valence;
    };
    for (const Case& c : {Case{0, 0, 0, 0}, Case{7, 0, 0, 1}, Case{7, 3, 0, 2}, Case{12, 7, 2, 3}, Case{8, 0, 3, 3},
                          Case{-1, 0, 0, 0}}) {
        Slot(1).pKa[1] = c.p1, Slot(1).pKa[2] = c.p2, Slot(1).pKa[3] = c.p3;
        EXPECT_EQ(SlotValence(s, 1), c.valence) << c.p1 << " " << c.p2 << " " << c.p3;
    }
}

TEST_F(BufferModelTest, EmptySlotGivesZerosWhateverTheConditions) {
    for (double I : {0.1, 0.5, 0.0, -1.0}) {
        const auto pKa = CorrectBufferPKa(s, 5, 0, 37, I);
        EXPECT_EQ(pKa[1], 0.0);
        EXPECT_EQ(pKa[2], 0.0);
        EXPECT_EQ(pKa[3], 0.0);
    }
}

TEST_F(BufferModelTest, MeasuringConditionsGiveTheStoredValueBack) {
    Slot(1).pKa[1] = 7.5;
    Slot(1).dpKa[1] = -0.02;
    Slot(1).dipKa[1] = 0.3;
    EXPECT_DOUBLE_EQ(CorrectBufferPKa(s, 1, 0, 20, 0.1)[1], 7.5);
}

TEST_F(BufferModelTest, TemperatureGoesThroughTwentyDegrees) {
    // Measured at 25 C with -0.028 per C: 7.94 at 25 C is 8.08 at 20 C and 7.604 at 37 C.
    Slot(1).pKa[1] = 7.94;
    Slot(1).temperature[1] = 25;
    Slot(1).dpKa[1] = -0.028;
    EXPECT_NEAR(CorrectBufferPKa(s, 1, 1, 20, 0.1)[1], 8.08, 1e-12);
    EXPECT_NEAR(CorrectBufferPKa(s, 1, 1, 37, 0.1)[1], 7.604, 1e-12);
}

TEST_F(BufferModelTest, ThermodynamicAndLinearRoutesSplitAtOneMillinormal) {
    Slot(1).pKa[1] = 7.0;
    Slot(1).ipKa[1] = 0.001;
    Slot(1).dipKa[1] = 0.5;  // ignored on the thermodynamic route
    const double shift = 2 * (kDH0001 - kDH01);
    EXPECT_NEAR(CorrectBufferPKa(s, 1, 0, 20, 0.1)[1], 7.0 + shift, 1e-6);

    Slot(1).ipKa[1] = 0.0011;
    Slot(1).dipKa[1] = 0;
    EXPECT_DOUBLE_EQ(CorrectBufferPKa(s, 1, 0, 20, 0.1)[1], 7.0);
    Slot(1).dipKa[1] = 0.5;
    EXPECT_NEAR(CorrectBufferPKa(s, 1, 0, 20, 0.1)[1], 7.0 + (0.1 - 0.0011) * 0.5, 1e-12);
}

TEST_F(BufferModelTest, AnionicAndCationicMoveApartByTheSameAmount) {
    Slot(1).pKa[1] = 7.0;
    Slot(1).ipKa[1] = 0;
    double lastAnionic = 7.0 + 1e-9;
    for (double I : {0.01, 0.05, 0.1, 0.2}) {
        const double anionic = CorrectBufferPKa(s, 1, 0, 20, I)[1];
        const double cationic = CorrectBufferPKa(s, 1, 1, 20, I)[1];
        EXPECT_LT(anionic, lastAnionic) << I;
        EXPECT_NEAR(anionic - 7.0, 7.0 - cationic, 1e-12) << I;
        lastAnionic = anionic;
    }
}

TEST_F(BufferModelTest, NegativeAndNonexistentStepsReadZero) {
    Slot(1).pKa[1] = 0.5;
    Slot(1).dpKa[1] = 0.1;      // 20 C lower: 0.5 - 2 = below 0
    Slot(1).pKa[2] = 0;
    Slot(1).dpKa[2] = -0.1;     // would turn positive at 0 C
    Slot(1).ipKa[2] = 0.1;
    const auto pKa = CorrectBufferPKa(s, 1, 0, 0, 0.1);
    EXPECT_EQ(pKa[1], 0.0);
    EXPECT_EQ(pKa[2], 0.0);
}

TEST_F(BufferModelTest, MissingStepsNeedNoIonicStrength) {
    // A slot read from a file keeps ipKa 0.001 on its missing steps; they must not take log 0.
    ResetBufferSlotsForLoad(s);
    Slot(1).pKa[1] = 7;
    Slot(1).ipKa[1] = 0.1;
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_DOUBLE_EQ(CorrectBufferPKa(s, 1, 0, 20, 0.0)[1], 7.0);
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID), 0);
}

TEST_F(BufferModelTest, TypeChoiceGoesIntoTheEditedSlotOnly) {
    StoreSlotType(s, 4, false);
    EXPECT_FALSE(Slot(4).anionic);
    EXPECT_EQ(s.BufferRecord.BufferType, 1);
    for (int k : {1, 3, 5, 12}) EXPECT_TRUE(Slot(k).anionic) << k;
    StoreSlotType(s, 4, true);
    EXPECT_TRUE(Slot(4).anionic);
    EXPECT_EQ(s.BufferRecord.BufferType, 0);
}

}  // namespace
}  // namespace dedodiz
