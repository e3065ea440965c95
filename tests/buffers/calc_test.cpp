// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <cmath>

#include "Recorders.h"
#include "TestState.h"
#include "buffers/BufferCalc.h"
#include "buffers/BufferModel.h"
#include "engine/FloatGuard.h"
#include "engine/Solver.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool>;
namespace {

using Messages = std::vector<std::pair<std::string, std::string>>;

class BufferCalcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        ResetBufferSlotsForWindow(s);  // every pKa measured at 20 C and 0.1 N: pKa' is the stored value
        s.BufferRecord = {20, 7, 0.1, 0, 0, {}, {}, {}, 0.01, 0};
    }
    BufferIonicResult Calc(double p1, double p2 = 0, double p3 = 0, bool anionic = true) {
        b.pKa[1] = p1, b.pKa[2] = p2, b.pKa[3] = p3;
        b.anionic = anionic;
        messages.messages.clear();
        return CalcBufferIonic(s, 1, messages);
    }
    TestState s;
    TBufferSlot& b = s.BufferSlots[1];
    test::MessageRecorder messages;
    test::OutputRecorder out;
};

TEST_F(BufferCalcTest, ContributionOfFullyAndHalfChargedBuffers) {
    // The calculator's pH is pH - log10 G; this entered pH lands it on the pKa 7.5.
    s.BufferRecord.PH = 7.5 + std::log10(HydrogenActivityFactor(20, 0.1));
    for (bool anionic : {true, false}) {
        const BufferIonicResult r = Calc(7.5, 0, 0, anionic);
        ASSERT_TRUE(r.ok);
        EXPECT_NEAR(r.contribution, 0.005, 1e-12) << anionic;
        EXPECT_EQ(BufferPKaText(r.pKa[1]) + BufferPKaText(r.pKa[2]), "  7.50  0.00");
        EXPECT_EQ(s.BufferRecord.BufferType, anionic ? 0 : 1);
    }
    s.BufferRecord.PH = 10;  // a diprotic anionic buffer far below pH: both steps charged, 1.5 B
    EXPECT_NEAR(Calc(5.0, 4.0).contribution, 0.015, 1e-6);
    s.BufferRecord.PH = 4;  // a diprotic cationic buffer far above pH: 2 B
    EXPECT_NEAR(Calc(9.5, 9.0, 0, false).contribution, 0.02, 1e-6);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferCalcTest, StopsChangeNothing) {
    struct Case {
        double pH, p1, p2, p3;
        const char* message;  // nullptr: passes
    };
    const Case cases[] = {
        {3.99, 7, 0, 0, "pH out of range 4 - 10"},
        {10.01, 7, 0, 0, "pH out of range 4 - 10"},
        {4.00, 7, 0, 0, nullptr},
        {10.00, 7, 0, 0, nullptr},
        {7, 6, 7, 0, "pKa[1] must be > pKa[2]"},
        {7, 7, 5, 6, "pKa[2] must be > pKa[3]"},
        {7, 0, 0, 0, "pKa[1] must be > 0"},
        {7, 7, 7, 0, nullptr},
    };
    for (const Case& c : cases) {
        s.BufferRecord.PH = c.pH;
        s.BufferRecord.BufferType = 0;
        s.BufferRecord.IonicContribution = 123;
        const BufferIonicResult r = Calc(c.p1, c.p2, c.p3, false);
        EXPECT_EQ(r.ok, c.message == nullptr) << c.pH << " " << c.p1;
        if (c.message == nullptr) continue;
        EXPECT_EQ(messages.messages, (Messages{{c.message, "ERROR"}}));
        EXPECT_EQ(s.BufferRecord.IonicContribution, 123.0);
        EXPECT_EQ(s.BufferRecord.BufferType, 0);
    }
}

TEST_F(BufferCalcTest, WarningsGoOnToTheResult) {
    s.BufferRecord.SaltForm = 2;  // beyond the valence 1: at least 2 B
    EXPECT_DOUBLE_EQ(Calc(7.0).contribution, 0.02);
    EXPECT_EQ(messages.messages, (Messages{{"Salt must be less than valence of buffer", "ERROR"}}));

    s.BufferRecord.SaltForm = 1;
    s.BufferRecord.BufferAmount = 0.15;  // the salt alone exceeds 0.1 N
    const BufferIonicResult r = Calc(7.0);
    EXPECT_EQ(messages.messages, (Messages{{"ionic contribution greater than total ions", "ERROR"}}));
    EXPECT_EQ(BufferIonicText(r.contribution), "  0.1500N");
    EXPECT_EQ(s.BufferRecord.IonicContribution, r.contribution);

    s.BufferRecord.SaltForm = 0;
    s.BufferRecord.BufferAmount = 0;
    EXPECT_EQ(BufferIonicText(Calc(7.0).contribution), "  0.0000N");
}

TEST_F(BufferCalcTest, FaultStoresAndWritesNothing) {
    b.ipKa[1] = 0.001;  // thermodynamic: needs log I
    s.BufferRecord.Ionic = 0;
    s.Solution.IonicEquiv = 0;
    s.Solution.Temperature = 30;
    out.lines = {"kept"};
    EXPECT_FALSE(RunGuarded(messages, [&] { EXPECT_FALSE(Calc(7.0).ok); }));
    EXPECT_FALSE(
        RunGuarded(messages, [&] { ReportBufferRanges(s, s.Solution, ReportPlacement::Replace, out); }));
    EXPECT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(s.BufferRecord.IonicContribution, 0.0);
    EXPECT_EQ(s.BufferRecord.Temperature, 20.0);
    EXPECT_EQ(out.lines, std::vector<std::string>{"kept"});
}

TEST_F(BufferCalcTest, RangesReportLayout) {
    s.Solution.PH = 7.3;
    b.Name = "ABCDEFGHIJKLMNO";
    b.pKa[1] = 7;
    b.comments = "twenty characters...";
    s.BufferSlots[2].Name = "";
    s.BufferSlots[2].pKa[1] = 9.25;
    s.BufferSlots[2].pKa[2] = 4.5;
    s.BufferFileName = "buffers.bcm";
    out.lines = {"old"};
    ReportBufferRanges(s, s.Solution, ReportPlacement::Replace, out);
    const std::vector<std::string> expected = {
        "pH Buffers are affected by temperature and ionic strength",
        "  20.0 °C   0.100 N",
        "BUFFER              LOW     HIGH    pKa   COMMENTS",
        "ABCDEFGHIJKLMNO     6.50    7.50    7.00  twenty characters...",
        "                    8.75    9.75    9.25  ",
        "                    4.00    5.00    4.50  ",
        "DEDODIZ32 v2.50 using Using buffers.bcm",
    };
    EXPECT_EQ(out.lines, expected);
    EXPECT_EQ(s.BufferRecord.PH, 7.3);

    ResetBufferSlotsForLoad(s);  // twelve empty slots, appended
    ReportBufferRanges(s, s.Solution, ReportPlacement::Append, out);
    ASSERT_EQ(out.lines.size(), 7u + 4u);
    EXPECT_EQ(out.lines[9], expected[2]);
    EXPECT_EQ(out.clears, 1);
    EXPECT_EQ(out.shows, 0);
}

TEST_F(BufferCalcTest, AddToOutputFromTheFieldTexts) {
    BufferFieldTexts f{"  20.0", " 7.200", " 0.150", "0.010",    "HEPES",
                       "  7.40", "  0.00", "  0.00", "  0.0032N"};
    out.lines = {"kept"};
    AddBufferToOutput(out, f);
    const std::vector<std::string> expected = {
        "kept",
        "",
        "  20.0 °C    pH  7.200   0.150N   0.010M  HEPES",
        "              1           2          3",
        "New pKa's =  7.40        0.00       0.00",
        "Ionic contribution (EMP)=    0.0032N",
        "",
    };
    EXPECT_EQ(out.lines, expected);

    f.name = std::string(300, 'x');
    AddBufferToOutput(out, f);
    EXPECT_EQ(out.lines[8].size(), 256u) << "255 characters, one of them the two-byte degree sign";
}

}  // namespace
}  // namespace dedodiz
