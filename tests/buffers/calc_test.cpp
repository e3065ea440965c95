#include <gtest/gtest.h>

#include <cmath>

#include "BufferCalc.h"
#include "BufferModel.h"
#include "FloatGuard.h"
#include "Recorders.h"
#include "Solver.h"

namespace dedodiz {
namespace {

class BufferIonicTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewState(s);
        ResetBufferSlotsForWindow(s);
        s.BufferRecord.Temperature = 20;
        s.BufferRecord.PH = 7;
        s.BufferRecord.Ionic = 0.1;
        s.BufferRecord.BufferAmount = 0.01;
    }
    // pKa measured at the present 20 C and 0.1 N, so pKa' is the stored value.
    void SetPKa(double p1, double p2 = 0, double p3 = 0, bool anionic = true) {
        TBufferSlot& b = s.BufferSlots[1];
        b.pKa[1] = p1, b.pKa[2] = p2, b.pKa[3] = p3;
        b.anionic = anionic;
    }
    BufferIonicResult Calc() { return CalcBufferIonic(s, 1, messages); }
    State s;
    test::MessageRecorder messages;
};

TEST_F(BufferIonicTest, MonoproticAtItsPKaGivesHalfTheAmount) {
    // The calculator's pH is pH - log10 G; choose the entered pH so that it lands on the pKa.
    const double G = HydrogenActivityFactor(20, 0.1);
    s.BufferRecord.PH = 7.5 + std::log10(G);
    for (bool anionic : {true, false}) {
        SetPKa(7.5, 0, 0, anionic);
        const BufferIonicResult r = Calc();
        ASSERT_TRUE(r.ok);
        EXPECT_NEAR(r.contribution, 0.005, 1e-12) << anionic;
        EXPECT_DOUBLE_EQ(r.pKa[1], 7.5);
        EXPECT_EQ(s.BufferRecord.BufferType, anionic ? 0 : 1);
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferIonicTest, DiproticFullyChargedForms) {
    SetPKa(5.0, 4.0, 0, true);  // far below pH 10: both steps deprotonated
    s.BufferRecord.PH = 10;
    EXPECT_NEAR(Calc().contribution, 1.5 * 0.01, 1e-6);

    SetPKa(9.5, 9.0, 0, false);  // far above pH 4: both steps protonated
    s.BufferRecord.PH = 4;
    EXPECT_NEAR(Calc().contribution, 2 * 0.01, 1e-6);
}

TEST_F(BufferIonicTest, StopsLeaveTheRecordAlone) {
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
        SetUp();
        messages.messages.clear();
        s.BufferRecord.PH = c.pH;
        s.BufferRecord.IonicContribution = 123;
        SetPKa(c.p1, c.p2, c.p3, false);
        const BufferIonicResult r = Calc();
        if (c.message == nullptr) {
            EXPECT_TRUE(r.ok) << c.pH << " " << c.p1;
            EXPECT_TRUE(messages.messages.empty());
            continue;
        }
        EXPECT_FALSE(r.ok);
        ASSERT_EQ(messages.messages.size(), 1u) << c.message;
        EXPECT_EQ(messages.messages[0].first, c.message);
        EXPECT_EQ(messages.messages[0].second, "ERROR");
        EXPECT_EQ(s.BufferRecord.IonicContribution, 123.0);
        EXPECT_EQ(s.BufferRecord.BufferType, 0) << "type taken before the checks passed";
    }
}

TEST_F(BufferIonicTest, SaltBeyondValenceWarnsAndSetsTheFloor) {
    SetPKa(7.0);
    s.BufferRecord.SaltForm = 2;
    const BufferIonicResult r = Calc();
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].first, "Salt must be less than valence of buffer");
    EXPECT_DOUBLE_EQ(r.contribution, 0.02);
    EXPECT_DOUBLE_EQ(s.BufferRecord.IonicContribution, 0.02);

    messages.messages.clear();
    s.BufferRecord.SaltForm = 1;  // equal to the valence: no message
    EXPECT_DOUBLE_EQ(Calc().contribution, 0.01);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferIonicTest, ContributionAboveTotalWarnsButIsShown) {
    SetPKa(7.0);
    s.BufferRecord.SaltForm = 1;
    s.BufferRecord.BufferAmount = 0.15;
    const BufferIonicResult r = Calc();
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].first, "ionic contribution greater than total ions");
    EXPECT_EQ(BufferIonicText(r.contribution), "  0.1500N");
}

TEST_F(BufferIonicTest, LabelTexts) {
    SetPKa(7.0);
    s.BufferRecord.BufferAmount = 0;
    const BufferIonicResult r = Calc();
    EXPECT_EQ(BufferIonicText(r.contribution), "  0.0000N");
    EXPECT_EQ(BufferPKaText(r.pKa[1]), "  7.00");
    EXPECT_EQ(BufferPKaText(r.pKa[2]), "  0.00");
}

TEST_F(BufferIonicTest, FaultStoresNothing) {
    SetPKa(7.0);
    s.BufferSlots[1].ipKa[1] = 0.001;  // thermodynamic: needs log I
    s.BufferRecord.Ionic = 0;
    s.BufferRecord.IonicContribution = 5;
    const bool ok = RunGuarded(messages, [&] { Calc(); });
    EXPECT_FALSE(ok);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].second, "ERROR");
    EXPECT_EQ(s.BufferRecord.IonicContribution, 5.0);
}

class BufferRangesTest : public BufferIonicTest {};

TEST_F(BufferRangesTest, LayoutOfNamesAndLines) {
    s.Solution.Temperature = 20;
    s.Solution.IonicEquiv = 0.1;
    s.Solution.PH = 7.3;
    s.BufferSlots[1].Name = "ABCDEFGHIJKLMNO";
    s.BufferSlots[1].pKa[1] = 7;
    s.BufferSlots[1].comments = "twenty characters...";
    s.BufferSlots[2].Name = "";
    s.BufferSlots[2].pKa[1] = 9.25;
    s.BufferSlots[2].pKa[2] = 4.5;
    s.BufferFileName = "buffers.bcm";
    test::OutputRecorder out;
    out.lines = {"old"};
    ReportBufferRanges(s, out);
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
    EXPECT_EQ(out.shows, 0);
    EXPECT_EQ(s.BufferRecord.PH, 7.3);
}

TEST_F(BufferRangesTest, EmptySlotsAndAppending) {
    ResetBufferSlotsForLoad(s);
    s.AddNextRun = true;
    test::OutputRecorder out;
    out.lines = {"kept"};
    ReportBufferRanges(s, out);
    ASSERT_EQ(out.lines.size(), 5u);
    EXPECT_EQ(out.lines[0], "kept");
    EXPECT_EQ(out.lines[3], "BUFFER              LOW     HIGH    pKa   COMMENTS");
    EXPECT_EQ(out.lines[4], "DEDODIZ32 v2.50 using Using ");
    EXPECT_EQ(out.clears, 0);
}

TEST_F(BufferRangesTest, ZeroIonicStrengthWithThermodynamicPKaWritesNothing) {
    ResetBufferSlotsForLoad(s);
    s.BufferSlots[7].pKa[1] = 8;
    s.Solution.IonicEquiv = 0;
    test::OutputRecorder out;
    out.lines = {"kept"};
    EXPECT_FALSE(RunGuarded(messages, [&] { ReportBufferRanges(s, out); }));
    EXPECT_EQ(out.lines, std::vector<std::string>{"kept"});
    EXPECT_EQ(s.BufferRecord.Ionic, 0.1);
}

TEST(AddBufferToOutputTest, SixLinesFromTheFieldTexts) {
    BufferFieldTexts f{"  20.0", " 7.200", " 0.150", "0.010", "HEPES", "  7.40", "  0.00", "  0.00", "  0.0032N"};
    test::OutputRecorder out;
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
    // 255 characters, one of them the two-byte degree sign.
    EXPECT_EQ(out.lines[8].size(), 256u);
    EXPECT_EQ(out.lines[8].back(), 'x');
}

}  // namespace
}  // namespace dedodiz
