// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "Golden.h"
#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "buffers/Evaluate.h"
#include "engine/FloatGuard.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool>;
namespace {

class EvaluateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        s.ConstantsFileName = "SAMPLE.TCM";
    }
    std::vector<std::string> Evaluate() {
        test::OutputRecorder out;
        EvaluateChelators(s, s, s.Solution, s.Results, ReportPlacement::Replace, out);
        return out.lines;
    }
    TestState s;
};

TEST_F(EvaluateTest, NoChosenMetalGivesHeaderAndLastLineOnly) {
    const std::vector<std::string> expected = {
        "Kd is temperature, pH and ionic concentration dependent:",
        "  20.0 °C  pH  7.00   0.100 N",
        "Metal-chelator     LOW        HIGH       Kd      COMMENTS",
        "DEDODIZ32 v2.50 using SAMPLE.TCM",
    };
    EXPECT_EQ(Evaluate(), expected);

    test::OutputRecorder out;
    out.lines = {"kept"};
    EvaluateChelators(s, s, s.Solution, s.Results, ReportPlacement::Append, out);
    EXPECT_EQ(out.lines.size(), 5u);
    EXPECT_EQ(out.clears + out.shows, 0);
}

// Golden reports; their Kd values agree with an independent evaluation of the same formulas.
// Lines come grouped by metal, chelators in table order, LOW from column 17.
TEST_F(EvaluateTest, CalciumAndMagnesiumAtStoredAndBodyConditions) {
    s.MetalChosen[1] = s.MetalChosen[2] = true;
    s.Constants[3].Comment[1] = "M&S crit. 20C";
    test::ExpectGolden("buffers/evaluate-ca-mg-20C/expected.txt", test::JoinLines(Evaluate()));
    EXPECT_NEAR(s.Results.HydrogenConc, 1e-7 / 0.7842, 1e-10);

    s.Solution.Temperature = 37;
    s.Solution.IonicEquiv = 0.15;
    s.Solution.PH = 7.2;
    test::ExpectGolden("buffers/evaluate-ca-mg-37C/expected.txt", test::JoinLines(Evaluate()));
}

TEST_F(EvaluateTest, CorrectionWindowAroundStoredConditions) {
    // A test chelator whose constant moves visibly with the smallest correction: four tiny protonation
    // constants (charge 4, hardly any protonation), a nine-valent metal, a huge enthalpy.
    TChelatorRec& rec = s.Constants[2];
    rec.H.fill(0.0005);
    rec.ML[1] = 6.0;
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

// Kd of one pair under the corrections, against an independent evaluation of the same formulas.
TEST_F(EvaluateTest, ChargeAndEnthalpyOfEachConstant) {
    struct Case {
        const char* what;
        double H1, H2, ML, MHL, dML, T, I;
        const char* kd;
    };
    const Case cases[] = {
        // No protonation: n = 0, so no ionic term, and no HL form for MHL to come from.
        {"no protons", 0, 0, 6, 4, 0, 20.01, 0.3, " 1.00E-06"},
        {"van 't Hoff only", 0, 0, 6, 0, -10, 30, 0.1, " 1.76E-06"},
        // H1 = 0.0005 counts towards the charge here, though not in a run.
        {"tiny protonation", 0.0005, 0, 5, 0, 0, 20, 0.2, " 1.23E-05"},
        // MHL corrected with the free ligand's charge n = 2 (with n - 1 it would be 2.35E-06).
        {"MHL at 0.1 N", 7, 3, 1e-9, 6, 0, 20, 0.1, " 1.78E-06"},
        {"MHL at 0.2 N", 7, 3, 1e-9, 6, 0, 20, 0.2, " 2.89E-06"},
    };
    s.MetalChosen[1] = true;
    for (const Case& c : cases) {
        TChelatorRec& rec = s.Constants[2];
        test::SetChelator(rec, "TEST", c.H1, c.H2, 0, 0);
        test::SetMetal(rec, 1, c.ML, c.MHL, c.dML);
        s.Solution.Temperature = c.T;
        s.Solution.IonicEquiv = c.I;
        const std::string line = Evaluate()[4];
        EXPECT_EQ(line.substr(0, 16), "Ca2-TEST        ") << c.what;
        EXPECT_EQ(line.substr(38, 9), c.kd) << c.what;
    }
}

TEST_F(EvaluateTest, FaultWritesNothingAndAnOldFaultStopsNothing) {
    s.MetalChosen[1] = true;
    s.Solution.IonicEquiv = 0;
    s.Results.HydrogenConc = 42;
    test::OutputRecorder out;
    out.lines = {"kept"};
    test::MessageRecorder messages;
    EXPECT_FALSE(RunGuarded(
        messages, [&] { EvaluateChelators(s, s, s.Solution, s.Results, ReportPlacement::Replace, out); }));
    EXPECT_EQ(out.lines, std::vector<std::string>{"kept"});
    EXPECT_EQ(s.Results.HydrogenConc, 42.0);
    EXPECT_EQ(messages.messages.at(0).second, "ERROR");

    // The fault is still raised (the guard never clears after itself); a later report is not stopped.
    s.Solution.IonicEquiv = 0.1;
    EXPECT_EQ(Evaluate().size(), 3u + 3u + 1u);
    EXPECT_NE(std::fetestexcept(FE_DIVBYZERO), 0) << "the earlier fault is the guard's to clear";
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace dedodiz
