#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "Corrections.h"
#include "Evaluate.h"
#include "FloatGuard.h"
#include "Format.h"
#include "Golden.h"
#include "Recorders.h"
#include "Tables.h"

namespace dedodiz {
namespace {

// Debye-Hückel term at 20 C (the engine's tests pin these): 0.1 N and 0.2 N.
constexpr double kDH01 = 0.1091352;
constexpr double kDH02 = 0.1313240;

class EvaluateTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        s.ConstantsFileName = "SAMPLE.TCM";
    }
    std::vector<std::string> Evaluate() {
        test::OutputRecorder out;
        EvaluateChelators(s, out);
        return out.lines;
    }
    // Kd [mol/L] read back from the Kd column of a report line.
    static double Kd(const std::string& line) { return std::stod(line.substr(38, 9)); }

    State s;
};

TEST_F(EvaluateTest, NoChosenMetalGivesHeaderAndLastLineOnly) {
    const std::vector<std::string> expected = {
        "Kd is temperature, pH and ionic concentration dependent:",
        "  20.0 °C  pH  7.00   0.100 N",
        "Metal-chelator     LOW        HIGH       Kd      COMMENTS",
        "DEDODIZ32 v2.50 using SAMPLE.TCM",
    };
    EXPECT_EQ(Evaluate(), expected);
}

TEST_F(EvaluateTest, CalciumAndMagnesiumAtStoredAndBodyConditions) {
    s.MetalChosen[1] = s.MetalChosen[2] = true;
    s.Constants[3].Comment[1] = "M&S crit. 20C";
    test::ExpectGolden("buffers/evaluate-ca-mg-20C/expected.txt", test::JoinLines(Evaluate()));
    EXPECT_NEAR(s.HydrogenConc, 1e-7 / 0.7842, 1e-10);

    s.Solution.Temperature = 37;
    s.Solution.IonicEquiv = 0.15;
    s.Solution.PH = 7.2;
    test::ExpectGolden("buffers/evaluate-ca-mg-37C/expected.txt", test::JoinLines(Evaluate()));
}

TEST_F(EvaluateTest, LinesGroupedByMetalWithLowInColumnSeventeen) {
    s.MetalChosen[3] = s.MetalChosen[1] = true;
    const std::vector<std::string> lines = Evaluate();
    ASSERT_EQ(lines.size(), 3u + 6u + 1u);
    const char* starts[] = {"Ca2-EGTA        ", "Ca2-BAPTA       ", "Ca2-EDTA        ",
                            "Zn2-EGTA        ", "Zn2-BAPTA       ", "Zn2-EDTA        "};
    for (int k = 0; k < 6; ++k) {
        const std::string& line = lines[static_cast<std::size_t>(3 + k)];
        EXPECT_EQ(line.substr(0, 16), starts[k]);
        // LOW, HIGH and Kd in 9 characters each, two blanks apart.
        const double kd = Kd(line);
        EXPECT_NEAR(std::stod(line.substr(16, 9)) * std::sqrt(10.0) / kd, 1.0, 0.01) << line;
        EXPECT_NEAR(std::stod(line.substr(27, 9)) / std::sqrt(10.0) / kd, 1.0, 0.01) << line;
        EXPECT_EQ(line.substr(25, 2) + line.substr(36, 2) + line.substr(47, 2), "      ") << line;
    }
}

TEST_F(EvaluateTest, CorrectionWindowAroundStoredConditions) {
    // A test chelator whose constants move visibly with the smallest correction: four tiny protonation
    // constants (charge 4, hardly any protonation), a nine-valent metal, a huge enthalpy.
    TChelatorRec& rec = s.Constants[2];
    rec.H.fill(0.0005);
    rec.ML[1] = 6.0;
    rec.MHL[1] = 0;
    rec.dML[1] = -10000;
    s.Constants[1].MetalName[1] = "Xx9";
    s.MetalChosen[1] = true;
    const auto line = [&](double T, double I) {
        s.Solution.Temperature = T;
        s.Solution.IonicEquiv = I;
        return Evaluate()[4];
    };
    const std::string stored = line(20.0, 0.1);
    EXPECT_EQ(stored.substr(38, 9), " 1.00E-06");
    EXPECT_EQ(line(20.009, 0.10009), stored);
    EXPECT_EQ(line(19.991, 0.09991), stored);
    EXPECT_NE(line(20.01, 0.1), stored);
    EXPECT_NE(line(20.0, 0.1002), stored);
}

TEST_F(EvaluateTest, ChelatorWithoutProtonsKeepsOnlyTheVanTHoffTerm) {
    TChelatorRec& rec = s.Constants[2];
    rec.H.fill(0);
    rec.ML[1] = 6.0;
    rec.MHL[1] = 4.0;  // no HL form without a first protonation: plays no part
    s.MetalChosen[1] = true;
    s.Solution.IonicEquiv = 0.3;  // n = 0: the ionic term vanishes
    s.Solution.Temperature = 20.01;
    const double expectedWithoutDH = 1e-6;
    EXPECT_NEAR(Kd(Evaluate()[4]), expectedWithoutDH, 1e-9);

    rec.dML[1] = -10;
    s.Solution.Temperature = 30;
    const double logK = 6.0 - 10 * (1.0 / 293 - 1.0 / 303) / 0.00457652;
    EXPECT_NEAR(Kd(Evaluate()[4]) / std::pow(10.0, -logK), 1.0, 0.006);
}

TEST_F(EvaluateTest, ChargeCountsEveryPositiveProtonationConstant) {
    // H1 = 0.0005 makes the ligand singly charged here (it would not count in a run), so ML gets the
    // ionic term 2 x 1 x 2 x (DH(0.1) - DH(0.2)).
    TChelatorRec& rec = s.Constants[2];
    rec.H.fill(0);
    rec.H[1] = 0.0005;
    rec.ML[1] = 5.0;
    s.MetalChosen[1] = true;
    s.Solution.IonicEquiv = 0.2;
    const double logK = 5.0 + 4 * (kDH01 - kDH02);
    EXPECT_NEAR(Kd(Evaluate()[4]) / std::pow(10.0, -logK), 1.0, 0.006);
}

TEST_F(EvaluateTest, MHLUsesTheChargeOfTheFreeLigand) {
    // A chelator whose ML binding is negligible against MHL: Kd ~ D / 10^MHL. With two protons,
    // MHL moves with 2 x 2 x 2 (n = 2), not 2 x 1 x 2.
    TChelatorRec& rec = s.Constants[2];
    rec.H.fill(0);
    rec.H[1] = 7.0;
    rec.H[2] = 3.0;
    rec.ML[1] = 1e-9;
    rec.MHL[1] = 6.0;
    s.MetalChosen[1] = true;
    const double kdStored = Kd(Evaluate()[4]);
    s.Solution.IonicEquiv = 0.2;
    const double kdCorrected = Kd(Evaluate()[4]);
    // D moves too, through the corrected protonation constants. An independent evaluation gives a
    // shift of log Kd of 0.209 with the charge n = 2, and 0.120 with n - 1 = 1.
    EXPECT_NEAR(std::log10(kdCorrected / kdStored), 0.209, 0.005);
}

TEST_F(EvaluateTest, FaultWritesNothing) {
    s.MetalChosen[1] = true;
    s.Solution.IonicEquiv = 0;
    s.HydrogenConc = 42;
    test::OutputRecorder out;
    out.lines = {"kept"};
    test::MessageRecorder messages;
    EXPECT_FALSE(RunGuarded(messages, [&] { EvaluateChelators(s, out); }));
    EXPECT_EQ(out.lines, std::vector<std::string>{"kept"});
    EXPECT_EQ(s.HydrogenConc, 42.0);
    EXPECT_EQ(messages.messages.at(0).second, "ERROR");
}

TEST_F(EvaluateTest, FaultLeftFromEarlierCommandDoesNotStopTheReport) {
    std::feraiseexcept(FE_DIVBYZERO);
    s.MetalChosen[1] = true;
    EXPECT_EQ(Evaluate().size(), 3u + 3u + 1u);
    EXPECT_NE(std::fetestexcept(FE_DIVBYZERO), 0) << "the earlier fault is the guard's to clear";
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST_F(EvaluateTest, AppendsWhenAsked) {
    s.AddNextRun = true;
    test::OutputRecorder out;
    out.lines = {"kept"};
    EvaluateChelators(s, out);
    EXPECT_EQ(out.lines.front(), "kept");
    EXPECT_EQ(out.clears, 0);
    EXPECT_EQ(out.shows, 0);
}

}  // namespace
}  // namespace dedodiz
