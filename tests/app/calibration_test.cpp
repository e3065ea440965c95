// SPDX-License-Identifier: BSD-3-Clause
// The calibration from a titration: data made by the program's own model with known parameters is fitted
// back exactly, and with an electrode's noise its 95 % intervals hold the truth about 95 % of the time; the
// Scatchard estimate against one worked by hand; the written constants table gives the fitted Kd in a
// normal run; data that cannot give the numbers says what to measure.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

#include "Scratch.h"
#include "core/Calibration.h"
#include "core/CalibrationExport.h"
#include "core/CalibrationFit.h"
#include "core/Session.h"

namespace dedodiz {
namespace {

// EGTA with Ca2 at pH 7.2, 22 C, 0.15 N: five standards and fifteen buffer points at two chelator totals.
struct Truth {
    double slope = 29.2, e0 = 12.0, detection = 3e-8;  // [mV/decade], [mV], [M]
    double purity = 0.965, contamination = 4e-6;       // [fraction], [M]
    double kdFactor = 1.25;                            // the Kd as a multiple of the table's
};

CalibrationRequest Request(const Titration& t) {
    CalibrationRequest r;
    r.titration = t;
    r.chelator = "EGTA";
    r.metal = "Ca2";
    r.temperature = 22;
    r.pH = 7.2;
    r.ionic = 0.15;
    return r;
}

class CalibrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(session.LoadBundledConstants().Ran());
        for (double m : {1e-5, 3e-5, 1e-4, 3e-4, 1e-3}) rows.push_back({0, m, 0, 0});
        for (double m = 0.2e-3; m < 1.95e-3; m += 0.2e-3) rows.push_back({0, m, 2e-3, 0});
        for (double m : {0.1e-3, 0.3e-3, 0.5e-3, 0.7e-3, 0.85e-3, 0.95e-3}) rows.push_back({0, m, 1e-3, 0});
        for (std::size_t k = 0; k < rows.size(); ++k) rows[k].line = static_cast<int>(k) + 2;
    }

    // The readings the program's own model gives for truth, plus noise [mV] of this seed.
    Titration Made(const Truth& truth, double noise, unsigned seed,
                   TitrationReading kind = TitrationReading::Millivolts) {
        Titration t{kind, rows};
        TSolution base;
        Selection pair;
        pair.ChelatorChosen.fill(false);
        pair.MetalChosen.fill(false);
        pair.ChelatorChosen[FindChelator(session, "EGTA")] = true;
        pair.MetalChosen[FindMetal(session, "Ca2")] = true;
        MessageSinkNull sink;
        BuildSelection(session, pair, base, sink);
        base.Temperature = 22;
        base.PH = 7.2;
        base.IonicEquiv = 0.15;
        const calibration::Model model(base, t);
        tableKd = model.TableKd();
        Eigen::VectorXd theta(model.Parameters());
        const int c = model.Chem();
        if (model.Electrode()) theta.head(3) << truth.slope, truth.e0, truth.detection;
        theta.segment(c, 3) << truth.purity, truth.contamination, std::log10(truth.kdFactor * tableKd);
        Eigen::VectorXd y;
        EXPECT_TRUE(model.Predict(theta, y, nullptr));
        std::mt19937_64 random(seed);
        std::normal_distribution<double> normal(0, noise);
        for (std::size_t k = 0; k < t.rows.size(); ++k) {
            const double v = y[static_cast<Eigen::Index>(k)];
            t.rows[k].reading = model.Electrode() ? v + normal(random) : std::pow(10.0, v);
        }
        return t;
    }
    struct MessageSinkNull : MessageSink {
        void Message(std::string_view, std::string_view) override {}
    };

    Session session;
    std::vector<TitrationRow> rows;
    double tableKd = 0;
};

TEST_F(CalibrationTest, NoiseFreeDataGivesBackEveryParameter) {
    const Truth truth;
    for (const TitrationReading kind : {TitrationReading::Millivolts, TitrationReading::FreeLevel}) {
        const Outcome o = session.Calibrate(Request(Made(truth, 0, 1, kind)));
        ASSERT_TRUE(o.Ran()) << o.Message();
        const Calibration& fit = session.LastCalibration();
        EXPECT_NEAR(fit.purity.value, truth.purity, 1e-6 * truth.purity);
        EXPECT_NEAR(fit.contamination.value, truth.contamination, 1e-6 * truth.contamination);
        EXPECT_NEAR(fit.kd.value, truth.kdFactor * tableKd, 1e-6 * truth.kdFactor * tableKd);
        EXPECT_NEAR(fit.tableKd, tableKd, 1e-12 * tableKd);
        if (kind == TitrationReading::Millivolts) {
            EXPECT_NEAR(fit.slope.value, truth.slope, 1e-6 * truth.slope);
            EXPECT_NEAR(fit.e0.value, truth.e0, 1e-6 * truth.e0);
            EXPECT_NEAR(fit.detection.value, truth.detection, 1e-6 * truth.detection);
        }
        EXPECT_LT(fit.rms, 1e-6);
    }
}

// 0.3 mV of Gaussian noise, 200 titrations: the 95 % intervals hold the true purity, contamination
// and Kd in 90 to 99 % of the fits.
TEST_F(CalibrationTest, IntervalsCoverTheTruthAsOftenAsTheySay) {
    const Truth truth;
    int fitted = 0, purity = 0, contamination = 0, kd = 0;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const Outcome o = session.Calibrate(Request(Made(truth, 0.3, seed)));
        if (!o.Ran()) {
            ADD_FAILURE() << "seed " << seed << ": " << o.Message();
            continue;
        }
        const Calibration& f = session.LastCalibration();
        ++fitted;
        purity += f.purity.low <= truth.purity && truth.purity <= f.purity.high ? 1 : 0;
        contamination +=
            f.contamination.low <= truth.contamination && truth.contamination <= f.contamination.high;
        kd += f.kd.low <= truth.kdFactor * tableKd && truth.kdFactor * tableKd <= f.kd.high ? 1 : 0;
    }
    ASSERT_EQ(fitted, 200);
    for (const int covered : {purity, contamination, kd}) {
        EXPECT_GE(covered, 180);
        EXPECT_LE(covered, 198);
    }
}

// Four buffer points by hand: B = (total - free) / chelator, B/F against B; the least-squares line has
// slope -1/Kd and meets the axis at the purity. Worked out apart from the program.
TEST_F(CalibrationTest, ScatchardEstimateIsTheOneWorkedByHand) {
    const TitrationRead read = ParseTitration(
        "free_M;metal_total_M;chelator_total_M\n1e-5;10uM;0\n5e-5;50 uM;0\n4,0e-8;0,2mM;1mM\n"
        "1e-7;0.4mM;1mM\n2.2e-7;0.6mM;1mM\n6.1e-7;0.8mM;1mM\n");
    ASSERT_TRUE(read.ok()) << read.error;
    const Outcome o = session.Calibrate(Request(read.titration));
    ASSERT_TRUE(o.Ran()) << o.Message();
    const Calibration& fit = session.LastCalibration();
    ASSERT_TRUE(fit.scatchard);
    EXPECT_NEAR(fit.scatchardKd, 1.6195290476041267e-07, 1e-9 * 1.62e-7);
    EXPECT_NEAR(fit.scatchardPurity, 1.0275113309062867, 1e-9);
}

// The table written with the fit, loaded again, gives the fitted Kd in a run at the same conditions (to
// the three decimals a constants file keeps of a log K); the bundled table is never overwritten.
TEST_F(CalibrationTest, WrittenTableGivesTheFittedKdInARun) {
    ASSERT_TRUE(session.Calibrate(Request(Made(Truth{}, 0.3, 7))).Ran());
    const double kd = session.LastCalibration().kd.value;
    const test::TempDir dir;
    const std::string path = (dir.path() / "calibrated.TCM").string();
    ASSERT_TRUE(session.SaveCalibratedConstants(path).Ran());
    EXPECT_EQ(session.SaveCalibratedConstants(session.ConstantsFileName.str()).status, Status::FileError);

    Session run;
    ASSERT_TRUE(run.LoadConstants(path).Ran());
    SolutionInput in;
    in.type = CalculationType::Free;
    in.temperature = 22;
    in.pH = 7.2;
    in.ionic = 0.15;
    in.chelators = {{"EGTA", 2e-3}};
    in.metals = {{"Ca2", 1e-3, 0}};
    ASSERT_TRUE(run.Describe(in).Ran());
    ASSERT_TRUE(run.Run().Ran());
    EXPECT_NEAR(*run.Value("Kd_EGTA_Ca2_M") / kd, 1, 1.2e-3);  // 10^0.0005 - 1
}

// What the rows lack, said as what to measure.
TEST_F(CalibrationTest, DataThatCannotGiveTheNumbersSaysWhatToMeasure) {
    struct Case {
        const char* csv;
        const char* says;
    };
    const Case cases[] = {
        {"metal_total_M,chelator_total_M,mV\n1mM,0,3\n0.1mM,0,-26\n0.5mM,1mM,-40\n", "too few rows"},
        {"metal_total_M,chelator_total_M,mV\n1,2,1\n2,2,3\n3,2,5\n4,2,7\n5,2,9\n6,2,11\n7,2,13\n",
         "no standards"},
        {"metal_total_M,chelator_total_M,mV\n1mM,0,3\n0.1mM,0,-26\n0.5mM,1mM,-40\n0.5mM,1mM,-40\n"
         "0.5mM,1mM,-40\n0.5mM,1mM,-41\n0.5mM,1mM,-40\n",
         "at 1 level"},
        {"metal_total_M,chelator_total_M,mV\n1mM,0,3\n0.1mM,0,-26\n0.2mM,1mM,-60\n0.4mM,1mM,-50\n"
         "0.6mM,1mM,-55\n0.8mM,1mM,-30\n0.9mM,1mM,-20\n",
         "readings must rise"},
        {"metal_total_M,chelator_total_M,mV\n1mM,0,3\n0.1mM,0,-26\n1mM,1mM,-30\n1.5mM,1mM,-20\n"
         "2mM,1mM,-14\n3mM,1mM,-9\n4mM,1mM,-6\n",
         "as much metal as chelator or more"},
    };
    for (const Case& c : cases) {
        const TitrationRead read = ParseTitration(c.csv);
        ASSERT_TRUE(read.ok()) << read.error;
        const Outcome o = session.Calibrate(Request(read.titration));
        EXPECT_EQ(o.status, Status::Stopped);
        EXPECT_NE(o.reason.find(c.says), std::string::npos) << o.reason;
        EXPECT_TRUE(o.report.empty());
    }
    EXPECT_EQ(
        ParseTitration("metal_total_M,chelator_total_M,mV\n1mM,x,3\n").error,
        "line 2, column chelator_total_M: not a concentration \"x\"; give mol/L or a unit: M, mM, uM, nM");
}

// The rows as a lab's software writes them: copied from a spreadsheet (tabs, a decimal comma, an empty
// first column), quoted cells with a decimal comma in a comma file, a Mac's CR line ends, rows of empty
// cells at the end, commas padded with tabs and names typed with blanks, read alike.
TEST_F(CalibrationTest, SpreadsheetRowsReadAsTheCommaFile) {
    const std::string plain = "metal_total_M,chelator_total_M,mV\n1.5mM,0,-75.5\n0.25mM,1mM,-180\n";
    const std::string variants[] = {
        "note\tmetal_total_M\tchelator_total_M\tmV\n\t1,5mM\t0\t-75,5\n\t0,25mM\t1mM\t-180\n\t\t\t\n",
        "metal_total_M,chelator_total_M,mV\n\"1,5mM\",0,\"-75,5\"\n\"0,25mM\",1mM,-180\n,,\n",
        "metal_total_M,chelator_total_M,mV\r1.5mM,0,-75.5\r0.25mM,1mM,-180\r",
        "Metal total M,\tChelator total M,\tmV\n1.5mM,\t0,\t-75.5\n0.25mM,\t1mM,\t-180\n",
    };
    const TitrationRead want = ParseTitration(plain);
    ASSERT_TRUE(want.ok()) << want.error;
    for (const std::string& text : variants) {
        const TitrationRead read = ParseTitration(text);
        ASSERT_TRUE(read.ok()) << read.error << " in " << text;
        ASSERT_EQ(read.titration.rows.size(), 2U);
        for (std::size_t k = 0; k < 2; ++k) {
            const TitrationRow &a = read.titration.rows[k], &b = want.titration.rows[k];
            EXPECT_EQ(a.line, b.line);
            EXPECT_EQ(a.metalTotal, b.metalTotal) << text;
            EXPECT_EQ(a.chelatorTotal, b.chelatorTotal);
            EXPECT_EQ(a.reading, b.reading);
        }
    }
}

}  // namespace
}  // namespace dedodiz
