// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"

namespace dedodiz {
using TestState = test::Parts<>;
namespace {

class SelectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        for (int k = 1; k <= kTableChelators; ++k) s.Constants[k].Name = "CHEL" + std::to_string(k);
        test::FillSampleTable(s);
    }
    TestState s;
    test::MessageRecorder messages;
};

TEST(NewStateTest, DefaultsAfterReset) {
    TestState s;
    s.CalcType = CalculationType::Total;
    s.Solution.ChelTotal[3] = 1;
    s.ChelatorChosen[4] = true;
    NewState(s);
    EXPECT_EQ(s.Solution.Temperature, 20.0);
    EXPECT_EQ(s.Solution.PH, 7.0);
    EXPECT_EQ(s.Solution.IonicEquiv, 0.1);
    EXPECT_EQ(s.CalcType, CalculationType::Free);
    EXPECT_EQ(s.Solution.ChelTotal[3], 0);
    EXPECT_FALSE(s.ChelatorChosen[4]);
    EXPECT_EQ(s.ConstantsFileName, "EMPTY.CCM");
    EXPECT_EQ(s.Constants[12].Name, "=======");
    EXPECT_EQ(s.Constants[5].MetalName[9], "===");
    EXPECT_EQ(s.Solution.ChelName[6], "=======");
    EXPECT_EQ(s.Solution.MetalName[1], "===");
}

TEST_F(SelectionTest, SevenChelatorsChosenLowestSixWin) {
    for (int k : {1, 2, 3, 5, 8, 10, 12}) s.ChelatorChosen[k] = true;
    ASSERT_TRUE(BuildSelection(s, s, s.Solution, messages));
    const int expected[] = {1, 2, 3, 5, 8, 10};
    for (int slot = 1; slot <= 6; ++slot) EXPECT_EQ(s.ChosenChelator[slot], expected[slot - 1]);
    EXPECT_EQ(s.Solution.ChelName[6], "CHEL10");
}

TEST_F(SelectionTest, ChargeCountsEveryConstantAboveThreshold) {
    test::SetChelator(s.Constants[4], "ODD", 0, 9.0, 0, 0.001);
    test::SetChelator(s.Constants[5], "GAPPY", 9.0, 0, 4.0, 0.0011);
    s.ChelatorChosen[1] = s.ChelatorChosen[4] = s.ChelatorChosen[5] = true;
    BuildSelection(s, s, s.Solution, messages);
    EXPECT_EQ(s.Solution.ChelCharge[1], 4);  // EGTA
    EXPECT_EQ(s.Solution.ChelCharge[2], 1);  // H1 0, H2 9.0; 0.001 is not above 0.001
    EXPECT_EQ(s.Solution.ChelCharge[3], 3);
}

TEST_F(SelectionTest, PlusNameNeedsSevenCharactersEndingInPlus) {
    s.Constants[4].Name = "TPEN  +";
    s.Constants[5].Name = "TPEN +";
    s.Constants[6].Name = "TP+EN  ";
    s.ChelatorChosen[4] = s.ChelatorChosen[5] = s.ChelatorChosen[6] = true;
    BuildSelection(s, s, s.Solution, messages);
    EXPECT_TRUE(s.Solution.PlusName[1]);
    EXPECT_FALSE(s.Solution.PlusName[2]);
    EXPECT_FALSE(s.Solution.PlusName[3]);
}

TEST_F(SelectionTest, MetalNamesComeFromRecordOneAndFillConstants) {
    s.Constants[3].MetalName[2] = "Xx5";  // never used: names come from record 1
    s.ChelatorChosen[3] = true;
    s.MetalChosen[2] = s.MetalChosen[3] = true;
    ASSERT_TRUE(BuildSelection(s, s, s.Solution, messages));
    EXPECT_EQ(s.Solution.MetalName[1], "Mg2");
    EXPECT_EQ(s.Solution.MetalValence[1], 2);
    EXPECT_EQ(s.Solution.LogKM[1][1][1], 8.69);
    EXPECT_EQ(s.Solution.LogKM[1][2][2], 9.20);
    EXPECT_EQ(s.Solution.DeltaHM[1][2][1], -4.6);
    // Empty metal slot and empty chelator slot: no constants.
    EXPECT_EQ(s.Solution.LogKM[1][3][1], 0);
    EXPECT_EQ(s.Solution.LogKM[2][1][1], 0);
    EXPECT_EQ(s.Solution.MetalName[3], "===");
    EXPECT_EQ(s.Solution.MetalValence[3], 0);
}

TEST_F(SelectionTest, MetalWithoutValenceDigitIsRejected) {
    s.Constants[1].MetalName[2] = "Mg";
    s.Constants[1].MetalName[4] = "Fe*";
    s.MetalChosen[1] = s.MetalChosen[2] = s.MetalChosen[3] = s.MetalChosen[4] = true;
    EXPECT_FALSE(BuildSelection(s, s, s.Solution, messages));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].second, "ERROR");
    EXPECT_EQ(s.ChosenMetal[1], 1);
    EXPECT_EQ(s.ChosenMetal[2], 3);
    EXPECT_EQ(s.ChosenMetal[3], 0);
    for (int j = 1; j <= 6; ++j) EXPECT_LE(s.Solution.MetalValence[j], 9);
}

TEST_F(SelectionTest, ChoosingAgainClearsConcentrations) {
    s.ChelatorChosen[1] = s.MetalChosen[1] = true;
    BuildSelection(s, s, s.Solution, messages);
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-7;
    s.Solution.Temperature = 37;
    BuildSelection(s, s, s.Solution, messages);
    EXPECT_EQ(s.Solution.ChelTotal[1], 0);
    EXPECT_EQ(s.Solution.MetalFree[1], 0);
    EXPECT_EQ(s.Solution.Temperature, 37);
}

TEST(RepeatStringTest, CopiesAndCut) {
    EXPECT_EQ(RepeatString("-", 78), std::string(78, '-'));
    EXPECT_EQ(RepeatString("-", 100).size(), 80u);
    EXPECT_EQ(RepeatString("ab", 3), "ababab");
    EXPECT_EQ(RepeatString("abc", 30).size(), 80u);
    EXPECT_EQ(RepeatString("x", 0), "");
    EXPECT_EQ(RepeatString("x", -4), "");
}

TEST(ShortStringTest, LongerTextIsCut) {
    ChelatorText name = "ABCDEFGHIJ";
    EXPECT_EQ(name, "ABCDEFG");
    MetalText metal = "Ca2+";
    EXPECT_EQ(metal.size(), 3u);
}

}  // namespace
}  // namespace dedodiz
