// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <cmath>

#include "Golden.h"
#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "engine/Run.h"
#include "engine/Solver.h"

namespace dedodiz {
using TestState = test::Parts<>;
namespace {

class RunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        s.ConstantsFileName = "/data/standard.TCM";
    }

    void Choose(std::initializer_list<int> chelators, std::initializer_list<int> metals) {
        for (int c : chelators) s.ChelatorChosen[c] = true;
        for (int m : metals) s.MetalChosen[m] = true;
        test::MessageRecorder selection;
        ASSERT_TRUE(BuildSelection(s, s, s.Solution, selection));
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const auto& m : messages.messages) captions.push_back(m.second);
        return captions;
    }

    RunOutcome Run(ReportPlacement placement = ReportPlacement::Replace) {
        return RunSinglePoint(s, s.ConstantsFileName.view(), placement, output, messages);
    }

    TestState s;
    test::OutputRecorder output;
    test::MessageRecorder messages;
};

TEST_F(RunTest, FreeCalciumInEgtaReport) {
    Choose({1, 3}, {1, 2});
    s.Solution.PH = 7.2;
    s.Solution.ChelTotal[1] = 2e-3;
    s.Solution.ChelTotal[2] = 1e-4;
    s.Solution.MetalTotal[1] = 1e-3;
    s.Solution.MetalTotal[2] = 1e-3;
    Run();
    // Calcium sits in EGTA's range; magnesium is buffered by neither chelator.
    EXPECT_EQ(Captions(), std::vector<std::string>{"INFORMATION"});
    EXPECT_EQ(output.clears, 1);
    EXPECT_EQ(output.shows, 1);
    test::ExpectGolden("report-free-egta/expected.txt", test::JoinLines(output.lines));
    for (const std::string& line : output.lines) EXPECT_LE(line.size(), 80u) << line;
    // The computed free values reach Solution; the entered constants do not change.
    EXPECT_EQ(s.Solution.MetalFree[1], s.WorkSolution.MetalFree[1]);
    EXPECT_GT(s.Solution.MetalFree[1], 0);
    EXPECT_EQ(s.Solution.LogKH[1][1], 9.47);
}

TEST_F(RunTest, TotalCalciumForBaptaAt37Degrees) {
    Choose({2}, {1, 2});
    s.CalcType = CalculationType::Total;
    s.Solution.Temperature = 37;
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-7;
    s.Solution.MetalFree[2] = 1e-3;
    // BAPTA carries no enthalpies in the sample table; give them so that 37 C may run.
    s.Solution.DeltaHH[1][1] = -1;
    s.Solution.DeltaHM[1][1][1] = -1;
    s.Solution.DeltaHM[1][2][1] = 1;
    Run();
    EXPECT_EQ(Captions(), std::vector<std::string>{"INFORMATION"});  // Mg far below BAPTA's range
    test::ExpectGolden("report-total-bapta/expected.txt", test::JoinLines(output.lines));
}

TEST_F(RunTest, ChelatorNeededAndNonConvergingCase) {
    Choose({1}, {1});
    s.CalcType = CalculationType::Chelator;
    s.Solution.MetalTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-7;
    Run();
    EXPECT_TRUE(s.Results.Converged);
    test::ExpectGolden("report-chelator-egta/expected.txt", test::JoinLines(output.lines));

    // Free equal to total: no chelator can be found; the report says so in its second line.
    s.Solution.MetalFree[1] = 1e-3;
    messages.messages.clear();
    const RunOutcome outcome = Run();
    EXPECT_TRUE(outcome.Ran());
    EXPECT_FALSE(outcome.converged);
    EXPECT_FALSE(s.Results.Converged);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"DIFFICULTY"}));
    EXPECT_EQ(output.lines.at(1), ">>>>>>>>>>> CONVERGENCE NOT REACHED VALUES NOT VALID! <<<<<<<<<<<");
}

TEST_F(RunTest, WarningsInOrderAndReportStillWritten) {
    Choose({3}, {1});
    s.Solution.PH = 3.5;
    s.Solution.IonicEquiv = 0.002;
    s.Solution.ChelTotal[1] = 0.1;
    s.Solution.MetalTotal[1] = 0.05;
    const RunOutcome outcome = Run();
    ASSERT_EQ(Captions(), (std::vector<std::string>{"RAISE IONIC STRENGTH", "WARNING"}));
    // The outcome carries the same messages in the same order, and the report it wrote.
    EXPECT_EQ(outcome.status, RunStatus::Ran);
    ASSERT_EQ(outcome.messages.size(), 2u);
    EXPECT_EQ(outcome.messages[1].caption, "WARNING");
    EXPECT_EQ(outcome.report, output.lines);
    EXPECT_EQ(messages.messages[0].first, "Calculated (ionic) contribution is greater than total (ionic)");
    EXPECT_EQ(messages.messages[1].first, "pH out of range, results probably not valid");
    test::ExpectGolden("report-warnings-edta/expected.txt", test::JoinLines(output.lines));
}

TEST_F(RunTest, PHLimitsThemselvesRaiseNoWarning) {
    Choose({1}, {1});
    s.Solution.ChelTotal[1] = 2e-3;
    s.Solution.MetalTotal[1] = 1e-3;
    for (double pH : {4.0, 10.0, 10.01, 3.99}) {
        s.Solution.PH = pH;
        messages.messages.clear();
        Run();
        const bool warned = !messages.messages.empty() && messages.messages.back().second == "WARNING";
        EXPECT_EQ(warned, pH > 10.0 || pH < 4.0) << pH;
    }
}

TEST_F(RunTest, AddNextRunAppendsASecondReport) {
    Choose({1}, {1});
    s.Solution.ChelTotal[1] = 2e-3;
    s.Solution.MetalTotal[1] = 1e-3;
    Run();
    const std::size_t one = output.lines.size();
    Run();
    EXPECT_EQ(output.lines.size(), one);
    Run(ReportPlacement::Append);
    EXPECT_EQ(output.lines.size(), 2 * one);
    EXPECT_EQ(output.clears, 2);
}

TEST_F(RunTest, InputChecksStopBeforeAnyChange) {
    Choose({1}, {1, 2});
    s.CalcType = CalculationType::Chelator;
    s.Solution.MetalTotal[2] = 1e-6;
    s.Solution.MetalFree[2] = 1e-5;
    s.Solution.MetalTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-7;
    const TSolution before = s.Solution;
    EXPECT_EQ(Run().status, RunStatus::Refused);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].first, "Total metal cannot be < free metal");
    EXPECT_EQ(output.clears, 0);
    EXPECT_TRUE(output.lines.empty());
    EXPECT_EQ(s.Solution.MetalFree, before.MetalFree);
    EXPECT_EQ(s.Solution.ChelTotal, before.ChelTotal);
}

TEST_F(RunTest, MissingConstantsRule) {
    Choose({1, 2}, {1, 2});
    test::MessageRecorder m;
    EXPECT_TRUE(CheckRunInputs(s.Solution, s.CalcType, m));
    s.Solution.LogKM[1][2][1] = 0;  // EGTA without a Mg constant
    EXPECT_FALSE(CheckRunInputs(s.Solution, s.CalcType, m));
    EXPECT_EQ(m.messages.back().first, "RESULTS NOT VALID, CONSTANTS MISSING");
    s.Solution.LogKH[2][1] = 0;  // a later chelator without H1 resets the finding
    EXPECT_TRUE(CheckRunInputs(s.Solution, s.CalcType, m));
    s.Solution.LogKM[2][1][1] = 0;  // ... unless it misses a metal constant itself
    EXPECT_FALSE(CheckRunInputs(s.Solution, s.CalcType, m));
}

TEST_F(RunTest, EnthalpyRuleOnlyAwayFromTwentyDegrees) {
    Choose({2}, {1});  // BAPTA has no enthalpies
    test::MessageRecorder m;
    for (double T : {20.0, 20.005, 19.995}) {
        s.Solution.Temperature = T;
        EXPECT_TRUE(CheckRunInputs(s.Solution, s.CalcType, m)) << T;
    }
    for (double T : {20.02, 20.01, 37.0}) {
        s.Solution.Temperature = T;
        EXPECT_FALSE(CheckRunInputs(s.Solution, s.CalcType, m)) << T;
    }
    EXPECT_EQ(m.messages.back().first,
              "RESULTS NOT VALID, delta-H VALUES MISSING\rReset Temperature to 20 C or add values");
}

TEST_F(RunTest, RangeWordsAroundKd) {
    Choose({1}, {1});
    s.CalcType = CalculationType::Total;
    s.Solution.ChelTotal[1] = 1e-3;
    const double kd = [&] {
        s.Solution.MetalFree[1] = 1e-7;
        Run();
        return s.Results.KdCombined[1][1];
    }();
    const auto wordFor = [&](double free) {
        s.Solution.MetalFree[1] = free;
        Run();
        for (std::size_t k = 0; k < output.lines.size(); ++k)
            if (output.lines[k].rfind(" buffer? ", 1) == 1) return output.lines[k].substr(12, 7);
        return std::string("?");
    };
    EXPECT_EQ(wordFor(3 * kd), "  GOOD ");
    EXPECT_EQ(wordFor(4 * kd), "> RANGE");
    EXPECT_EQ(wordFor(11 * kd), ">>RANGE");
    EXPECT_EQ(wordFor(kd / 4), "< RANGE");
    EXPECT_EQ(wordFor(kd / 11), "<<RANGE");
}

TEST_F(RunTest, TinyValuesPrintAsZeroAndAreStoredAsZero) {
    Choose({1}, {1});
    s.CalcType = CalculationType::Total;
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 2e-100;
    Run();
    EXPECT_EQ(s.Solution.MetalFree[1], 0);
    EXPECT_EQ(output.lines.at(8).substr(12, 10), " 0.00E+00M");
}

TEST_F(RunTest, FaultWritesNoReportAndStoresNothing) {
    Choose({1}, {1});
    s.Solution.ChelTotal[1] = 1e-3;
    s.Solution.MetalTotal[1] = 5e-4;
    s.Solution.MetalFree[1] = 7e-9;
    s.Solution.IonicEquiv = 0;
    output.lines = {"previous report"};
    const RunOutcome outcome = Run();
    EXPECT_EQ(outcome.status, RunStatus::Fault);
    EXPECT_TRUE(outcome.report.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].second, "ERROR");
    EXPECT_EQ(output.lines, std::vector<std::string>{"previous report"});
    EXPECT_EQ(s.Solution.MetalFree[1], 7e-9);
}

}  // namespace
}  // namespace dedodiz
