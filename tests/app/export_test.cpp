// SPDX-License-Identifier: BSD-3-Clause
// The data exports read back as a script would read them: JSON parsed, CSV split by an independent
// reader, every number compared with the state it came from and with the text report's rounding.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "core/Export.h"
#include "core/Sweep.h"
#include "core/SweepTable.h"
#include "engine/Format.h"
#include "engine/Run.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool, SweepState>;
namespace {

using Rows = std::vector<std::vector<std::string>>;

// RFC 4180 reading: quoted cells may hold commas, doubled quotes and line breaks.
Rows ParseCsv(const std::string& text) {
    Rows rows(1);
    std::string cell;
    bool quoted = false, wasQuoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            EXPECT_TRUE(cell.empty() && !wasQuoted) << "quote inside an unquoted cell";
            quoted = wasQuoted = true;
        } else if (c == ',' || c == '\n') {
            rows.back().push_back(cell);
            cell.clear();
            wasQuoted = false;
            if (c == '\n') rows.emplace_back();
        } else {
            cell += c;
        }
    }
    EXPECT_FALSE(quoted) << "unterminated quoted cell";
    EXPECT_TRUE(rows.back().empty() && cell.empty()) << "last row not ended by a line feed";
    rows.pop_back();
    return rows;
}

double Number(const std::string& cell) {
    double x = std::numeric_limits<double>::quiet_NaN();
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), x);
    EXPECT_TRUE(error == std::errc() && end == cell.data() + cell.size()) << "not a number: [" << cell << "]";
    return x;
}

std::size_t Column(const Rows& rows, const std::string& name) {
    for (std::size_t k = 0; k < rows.at(0).size(); ++k)
        if (rows[0][k] == name) return k;
    ADD_FAILURE() << "no column " << name;
    return 0;
}

TEST(ExportTextTest, CellsAndTextsForSpreadsheetsAndScripts) {
    const struct {
        std::string bytes, utf8, cell;
    } cases[] = {
        {"EGTA", "EGTA", "EGTA"},
        {"", "", ""},
        {"TPEN  +", "TPEN  +", "TPEN  +"},
        {"a,b", "a,b", "\"a,b\""},
        {"say \"hi\"", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "two\nlines", "\"two\nlines\""},
        {" padded ", " padded ", "\" padded \""},
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},  // UTF-8 stays
        {"caf\xE9", "caf\xC3\xA9", "caf\xC3\xA9"},                     // Windows-1252 e acute
        {"\x80 5", "\xE2\x82\xAC 5", "\xE2\x82\xAC 5"},                // Windows-1252 euro sign
        {"\x81", "\xC2\x81", "\xC2\x81"},                              // undefined in the code page
        {"\xC0\x80", "\xC3\x80\xE2\x82\xAC", "\xC3\x80\xE2\x82\xAC"},  // overlong NUL is not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // surrogate
        {"ab\xE2\x82", "ab\xC3\xA2\xE2\x80\x9A", "ab\xC3\xA2\xE2\x80\x9A"},  // cut sequence at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExportText(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(CsvCell(c.bytes), c.cell) << c.bytes;
    }

    for (const double x : {0.0, 0.1, 1.0 / 3.0, -2.5e-7, 1e-300, 6.02214076e23, 20.0}) {
        const std::string text = CsvNumber(x);
        EXPECT_EQ(Number(text), x) << text;
        EXPECT_EQ(text.find_first_of(", "), std::string::npos) << text;
    }
    EXPECT_EQ(CsvNumber(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(CsvNumber(std::numeric_limits<double>::infinity()), "");
}

class RunExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        s.ConstantsFileName = "SAMPLE.TCM";
    }

    // EGTA and EDTA with Ca2, Mg2 and Zn2, free metal from total.
    void RunSample(double pH) {
        s.ChelatorChosen[1] = s.ChelatorChosen[3] = true;
        s.MetalChosen[1] = s.MetalChosen[2] = s.MetalChosen[3] = true;
        ASSERT_TRUE(BuildSelection(s, s, s.Solution, recorder));
        s.Solution.PH = pH;
        s.Solution.Temperature = 25;
        s.Solution.IonicEquiv = 0.15;
        s.Solution.ChelTotal[1] = 2e-3;
        s.Solution.ChelTotal[2] = 1e-4;
        s.Solution.MetalTotal[1] = 1e-3;
        s.Solution.MetalTotal[2] = 2e-3;
        s.Solution.MetalTotal[3] = 1e-6;
        s.Solution.DeltaHM[1][3][1] = -5.0;  // the sample table leaves EGTA-Zn without an enthalpy
        RunSinglePoint(s, s.ConstantsFileName.view(), ReportPlacement::Replace, out, log);
        ASSERT_EQ(out.shows, 1);
    }

    TestState s;
    test::MessageRecorder recorder;
    MessageLog log{recorder};
    test::OutputRecorder out;
};

// Every number of the JSON is the TestState's double itself, and prints as the report printed it.
TEST_F(RunExportTest, JsonHoldsTheReportsNumbersAtFullPrecision) {
    RunSample(3.5);
    const nlohmann::json j =
        nlohmann::json::parse(JsonText(RunJson(s, s.ConstantsFileName.view(), log.Messages())));
    const TSolution& w = s.WorkSolution;
    const auto reportHas = [&](const std::string& text) {
        for (const std::string& line : out.lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    };

    EXPECT_EQ(j["result"], "single_point_run");
    EXPECT_EQ(j["calculation_type"], "free");
    EXPECT_EQ(j["conditions"]["pH"].get<double>(), 3.5);
    EXPECT_EQ(j["conditions"]["temperature_C"].get<double>(), 25.0);
    EXPECT_EQ(j["conditions"]["ionic_strength_N"].get<double>(), 0.15);
    EXPECT_EQ(j["converged"].get<bool>(), s.Results.Converged);
    EXPECT_EQ(j["solution_ionic_strength_M"].get<double>(), s.Results.SolutionIonic);
    EXPECT_TRUE(reportHas("CM-I " + FormatFixed(j["solution_ionic_strength_M"].get<double>(), 5, 3) + " N"));
    EXPECT_TRUE(
        reportHas("CM-E " + FormatFixed(j["solution_ionic_equivalents_N"].get<double>(), 5, 3) + " N"));

    ASSERT_EQ(j["chelators"].size(), 2u);
    ASSERT_EQ(j["metals"].size(), 3u);
    ASSERT_EQ(j["pairs"].size(), 6u);
    for (const auto& c : j["chelators"]) {
        const int i = c["slot"];
        EXPECT_EQ(c["total_M"].get<double>(), w.ChelTotal[i]);
        EXPECT_EQ(c["free_M"].get<double>(), w.ChelFree[i]);
        EXPECT_TRUE(reportHas(FormatSci(c["free_M"].get<double>()) + "M"));
        for (int n = 1; n <= 4; ++n) {
            const auto& h = c["log_K_H" + std::to_string(n)];
            if (w.LogKH[i][n] == 0) {
                EXPECT_TRUE(h.is_null());
            } else {
                EXPECT_EQ(h.get<double>(), w.LogKH[i][n]);
                EXPECT_TRUE(reportHas(FormatFixed(h.get<double>(), 6, 2)));
            }
        }
    }
    for (const auto& m : j["metals"]) {
        const int k = m["slot"];
        EXPECT_EQ(m["valence"], 2);
        EXPECT_EQ(m["free_M"].get<double>(), w.MetalFree[k]);
        EXPECT_TRUE(reportHas(FormatSci(m["free_M"].get<double>()) + "M"));
    }
    int good = 0;
    for (const auto& p : j["pairs"]) {
        const int c = p["chelator_slot"], m = p["metal_slot"];
        EXPECT_EQ(p["chelator"], w.ChelName[c].str());
        EXPECT_EQ(p["metal"], w.MetalName[m].str());
        EXPECT_EQ(p["ML_M"].get<double>(), s.Results.MLConc[c][m]);
        EXPECT_EQ(p["MHL_M"].get<double>(), s.Results.MHLConc[c][m]);
        EXPECT_TRUE(reportHas(FormatSci(p["ML_M"].get<double>()) + "M"));
        EXPECT_EQ(p["Kd_M"].get<double>(), s.Results.KdCombined[c][m]);
        EXPECT_TRUE(reportHas(FormatSci(p["Kd_M"].get<double>())));
        EXPECT_EQ(p["log_Kc_ML"].get<double>(), s.Results.LogKcML[c][m]);
        // EGTA has no MHL with zinc: absent, as the report leaves the place blank.
        EXPECT_EQ(p["log_Kc_MHL"].is_null(), s.Results.LogKcMHL[c][m] == 0);
        const std::string word = p["range"];
        EXPECT_TRUE(word == "GOOD" || word.find("RANGE") != std::string::npos) << word;
        good += word == "GOOD";
    }
    EXPECT_LT(good, 6);  // at pH 3.5 the buffering is off for some pair

    // The warnings the user saw, in order, with their line breaks.
    ASSERT_EQ(j["warnings"].size(), recorder.messages.size());
    ASSERT_GE(recorder.messages.size(), 2u);
    EXPECT_EQ(j["warnings"].back()["caption"], "WARNING");
    EXPECT_EQ(j["warnings"].back()["text"], "pH out of range, results probably not valid");
    EXPECT_EQ(j["warnings"][0]["text"], "BUFFERING OUT OF RANGE\nIt will be very hard to be accurate");
}

TEST_F(RunExportTest, CsvIsOneRowUnderItsHeader) {
    RunSample(7.2);
    const Rows rows = ParseCsv(RunCsv(s));
    ASSERT_EQ(rows.size(), 2u);
    // Conditions and sums (7), per chelator 6, per metal 2, per pair 6.
    EXPECT_EQ(rows[0].size(), 7u + 2 * 6 + 3 * 2 + 6 * 6);
    EXPECT_EQ(rows[1].size(), rows[0].size());
    EXPECT_EQ(Number(rows[1][Column(rows, "free_Ca2_M")]), s.WorkSolution.MetalFree[1]);
    EXPECT_EQ(Number(rows[1][Column(rows, "free_EDTA_M")]), s.WorkSolution.ChelFree[2]);
    EXPECT_EQ(Number(rows[1][Column(rows, "Kd_EGTA_Mg2_M")]), s.Results.KdCombined[1][2]);
    EXPECT_EQ(rows[1][Column(rows, "log_Kc_MHL_EGTA_Zn2")], "");
    EXPECT_EQ(rows[1][Column(rows, "converged")], "1");
    EXPECT_EQ(rows[1][Column(rows, "calculation_type")], "free");
}

// Names come from files: commas, quotes and bytes of the old code page survive both formats.
TEST_F(RunExportTest, AwkwardNamesAreEscaped) {
    s.Constants[1].Name = "E,\"G\xE9";
    for (auto& rec : s.Constants) rec.MetalName[1] = "C,2";
    RunSample(7.2);

    const nlohmann::json j = nlohmann::json::parse(JsonText(RunJson(s, s.ConstantsFileName.view(), {})));
    EXPECT_EQ(j["chelators"][0]["name"], "E,\"G\xC3\xA9");
    EXPECT_EQ(j["metals"][0]["name"], "C,2");
    EXPECT_EQ(j["metals"][0]["valence"], 2);

    const Rows rows = ParseCsv(RunCsv(s));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].size(), rows[0].size());
    EXPECT_EQ(Number(rows[1][Column(rows, "free_E,\"G\xC3\xA9_M")]), s.WorkSolution.ChelFree[1]);
    EXPECT_EQ(Number(rows[1][Column(rows, "Kd_E,\"G\xC3\xA9_C,2_M")]), s.Results.KdCombined[1][1]);
}

class SweepExportTest : public RunExportTest {
  protected:
    void Sweep(bool threeD) {
        s.ChelatorChosen[1] = true;
        s.MetalChosen[1] = s.MetalChosen[2] = true;
        ASSERT_TRUE(BuildSelection(s, s, s.Solution, recorder));
        s.Solution.ChelTotal[1] = 2e-3;
        s.Solution.MetalTotal[1] = 1e-3;
        s.Solution.MetalTotal[2] = 1e-3;
        s.XAxis = {AxisVariable::PH, 6.0, 8.0};
        s.ZAxis = {MetalAxis(2), 1e-4, 2e-3};  // the total of metal slot 2 in type Free
        ASSERT_TRUE(RunSweepCommand(s, s, threeD, recorder));
    }
};

TEST_F(SweepExportTest, TwoDimensionsOneRowPerPoint) {
    Sweep(false);
    const Rows rows = ParseCsv(SweepCsv(s));
    ASSERT_EQ(rows.size(), 1u + kSweepPoints2D);
    const std::vector<std::string> header = {"pH", "free_Ca2_M", "free_Mg2_M", "converged"};
    EXPECT_EQ(rows[0], header);
    for (int i = 1; i <= kSweepPoints2D; ++i) {
        ASSERT_EQ(rows[i].size(), 4u);
        EXPECT_EQ(Number(rows[i][0]), s.XStart + (i - 1) * s.XStep);
        EXPECT_EQ(Number(rows[i][1]), s.Sweep2D[1][i]);
        EXPECT_EQ(Number(rows[i][2]), s.Sweep2D[2][i]);
        EXPECT_EQ(rows[i][3], s.Converged2D[i] ? "1" : "0");
    }
    EXPECT_EQ(Number(rows.back()[0]), 8.0);

    const nlohmann::json j = nlohmann::json::parse(JsonText(SweepJson(s, {})));
    EXPECT_EQ(j["result"], "sweep_2d");
    EXPECT_EQ(j["x"]["key"], "pH");
    EXPECT_EQ(j["x"]["values"].size(), 41u);
    EXPECT_TRUE(j["x"]["metal_slot"].is_null());
    ASSERT_EQ(j["series"].size(), 2u);
    EXPECT_EQ(j["series"][1]["key"], "free_Mg2_M");
    EXPECT_EQ(j["series"][1]["values"][40].get<double>(), s.Sweep2D[2][41]);
    EXPECT_EQ(j["validity_limit_N"].get<double>(), s.PeakComplexIonic);
    EXPECT_EQ(j["start"]["metals"][1]["total_M"].get<double>(), 1e-3);
}

TEST_F(SweepExportTest, ThreeDimensionsInLongForm) {
    Sweep(true);
    const Rows rows = ParseCsv(SweepCsv(s));
    ASSERT_EQ(rows.size(), 1u + kSweepPoints3D * kSweepPoints3D);
    const std::vector<std::string> header = {"pH", "total_Mg2_M", "free_Ca2_M", "free_Mg2_M", "converged"};
    EXPECT_EQ(rows[0], header);
    // Z outer, X inner, as the sweep table runs.
    std::size_t r = 1;
    for (int z = 1; z <= kSweepPoints3D; ++z) {
        for (int x = 1; x <= kSweepPoints3D; ++x, ++r) {
            ASSERT_EQ(rows[r].size(), 5u);
            EXPECT_EQ(Number(rows[r][0]), s.XStart + (x - 1) * s.XStep);
            EXPECT_EQ(Number(rows[r][1]), s.ZStart + (z - 1) * s.ZStep);
            EXPECT_EQ(Number(rows[r][2]), s.Sweep3D[1][x][z]);
            EXPECT_EQ(Number(rows[r][3]), s.Sweep3D[2][x][z]);
        }
    }

    const nlohmann::json j = nlohmann::json::parse(JsonText(SweepJson(s, {})));
    EXPECT_EQ(j["result"], "sweep_3d");
    EXPECT_EQ(j["z"]["key"], "total_Mg2_M");
    EXPECT_EQ(j["z"]["metal_slot"], 2);
    EXPECT_EQ(j["series"][0]["values"][3][7].get<double>(), s.Sweep3D[1][4][8]);
    EXPECT_EQ(j["converged"][3][7].get<bool>(), s.Converged3D[4][8]);
    EXPECT_EQ(j["validity_limit_M"].get<double>(), s.PeakComplexIonic);

    // Both axes on one quantity: the two columns are told apart.
    s.ZVariable = s.XVariable;
    const Rows same = ParseCsv(SweepCsv(s));
    EXPECT_EQ(same[0][0], "x_pH");
    EXPECT_EQ(same[0][1], "z_pH");
}

// Type Chelator sweeps the chelator totals: the series are named after the chelators.
TEST_F(SweepExportTest, ChelatorTypeSeriesAreChelators) {
    s.CalcType = CalculationType::Chelator;
    s.ChelatorChosen[1] = s.ChelatorChosen[2] = true;
    s.MetalChosen[1] = true;
    ASSERT_TRUE(BuildSelection(s, s, s.Solution, recorder));
    s.Solution.MetalTotal[1] = 1e-3;
    s.Solution.MetalFree[1] = 1e-7;
    s.XAxis = {AxisVariable::Temperature, 10.0, 30.0};
    ASSERT_TRUE(RunSweepCommand(s, s, false, recorder));
    const Rows rows = ParseCsv(SweepCsv(s));
    const std::vector<std::string> header = {"temperature_C", "total_EGTA_M", "total_BAPTA_M", "converged"};
    EXPECT_EQ(rows[0], header);
    EXPECT_EQ(Number(rows[5][1]), s.Sweep2D[1][5]);
}

// The evaluation and the buffer ranges print the rows that the text report prints.
TEST_F(RunExportTest, EvaluationRowsAreTheReportsRows) {
    s.MetalChosen[1] = true;
    s.Constants[2].Comment[1] = "Tsien, \"1980\"";
    const ChelatorEvaluation e = ComputeChelatorEvaluation(s, s, s.Solution);
    ASSERT_TRUE(e.ok);
    WriteChelatorEvaluation(s, e, s.Results, ReportPlacement::Replace, out);
    ASSERT_EQ(e.rows.size(), 3u);

    const Rows rows = ParseCsv(EvaluationCsv(s, e));
    ASSERT_EQ(rows.size(), 4u);
    const nlohmann::json j = nlohmann::json::parse(JsonText(EvaluationJson(s, e, {})));
    ASSERT_EQ(j["rows"].size(), 3u);
    for (std::size_t r = 0; r < 3; ++r) {
        const double kd = Number(rows[r + 1][Column(rows, "Kd_M")]);
        EXPECT_EQ(kd, j["rows"][r]["Kd_M"].get<double>());
        // Report line r + 3: metal-chelator, LOW, HIGH, Kd, comment.
        const std::string& line = out.lines.at(r + 3);
        EXPECT_NE(line.find(FormatSci(kd)), std::string::npos) << line;
        EXPECT_NE(line.find(FormatSci(Number(rows[r + 1][Column(rows, "low_M")]))), std::string::npos)
            << line;
        EXPECT_EQ(
            line.rfind(rows[r + 1][Column(rows, "metal")] + "-" + rows[r + 1][Column(rows, "chelator")], 0),
            0u);
    }
    EXPECT_EQ(rows[2][Column(rows, "comment")], "Tsien, \"1980\"");
    EXPECT_EQ(j["hydrogen_M"].get<double>(), s.Results.HydrogenConc);
}

TEST_F(RunExportTest, ConstantsTableKeepsChelatorsWithoutMetals) {
    test::SetChelator(s.Constants[4], "NOMETAL", 7.5, 0, 0, 0);
    const Rows rows = ParseCsv(ConstantsCsv(s));
    // EGTA 3 metals, BAPTA 3, EDTA 3, NOMETAL one row of its own.
    ASSERT_EQ(rows.size(), 1u + 3 + 3 + 3 + 1);
    for (const auto& row : rows) EXPECT_EQ(row.size(), 15u);
    EXPECT_EQ(rows.back()[0], "NOMETAL");
    EXPECT_EQ(rows.back()[Column(rows, "metal")], "");
    EXPECT_EQ(rows.back()[Column(rows, "log_K_H2")], "");  // absent, not log K = 0
    EXPECT_EQ(Number(rows[1][Column(rows, "log_K_ML")]), 10.97);

    const nlohmann::json j = nlohmann::json::parse(JsonText(ConstantsJson(s, {})));
    ASSERT_EQ(j["chelators"].size(), 4u);
    EXPECT_EQ(j["chelators"][0]["metals"][2]["name"], "Zn2");
    EXPECT_TRUE(j["chelators"][0]["metals"][2]["log_K_MHL"].is_null());
    EXPECT_TRUE(j["chelators"][3]["metals"].empty());
}

}  // namespace
}  // namespace dedodiz
