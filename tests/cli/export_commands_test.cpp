// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli --format: the text reports unchanged, CSV and JSON against golden files, and the
// exit statuses and stderr lines the same in every format. Run from the repository root.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "Golden.h"
#include "engine/Format.h"

namespace {

using Result = dedodiz::test::CliResult;

Result Cli(const std::string& arguments) {
    return dedodiz::test::RunCli(arguments);
}

// The golden files hold the numbers of the described iteration, which --precision described reproduces.
const char* const kRun =
    "run --constants data/standard.TCM --temp 25 --ph 7.2 --ionic 0.15 --chelator EGTA=2e-3 "
    "--chelator EDTA=1e-4 --metal Ca2=1e-3 --metal Mg2=2e-3 --precision described";
const char* const kSweep2D = "sweep examples/ca-egta-free.STG --x ph:6:8 --precision described";
const char* const kSweep3D =
    "sweep examples/ca-egta-free.STG --x ph:6:8 --z metal2:1e-4:2e-3 --precision described";
const char* const kSweepTotal = "sweep examples/bapta-total.STG --x metal1:1e-8:1e-6 --precision described";
const char* const kEvaluate = "evaluate examples/ca-egta-free.STG";
const char* const kBuffers = "buffers data/buffers.bcm --temp 37 --ionic 0.15";
const char* const kList = "list data/standard.TCM";

bool Close(double a, double b) {
    return a == b || std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b));
}

// Numbers are compared to nine significant digits, so that the golden files do not hang on the last
// bit of a library function; keys, their order, texts and flags exactly.
void ExpectSameJson(const nlohmann::ordered_json& expected, const nlohmann::ordered_json& actual,
                    const std::string& where) {
    if (expected.is_number() && actual.is_number()) {
        EXPECT_TRUE(Close(expected.get<double>(), actual.get<double>()))
            << where << ": " << expected << " != " << actual;
        return;
    }
    ASSERT_EQ(expected.type(), actual.type()) << where;
    if (expected.is_object()) {
        ASSERT_EQ(expected.size(), actual.size()) << where;
        auto e = expected.begin();
        for (auto a = actual.begin(); a != actual.end(); ++a, ++e) {
            ASSERT_EQ(e.key(), a.key()) << where;
            ExpectSameJson(e.value(), a.value(), where + "." + a.key());
        }
    } else if (expected.is_array()) {
        ASSERT_EQ(expected.size(), actual.size()) << where;
        for (std::size_t k = 0; k < expected.size(); ++k)
            ExpectSameJson(expected[k], actual[k], where + "[" + std::to_string(k) + "]");
    } else {
        EXPECT_EQ(expected, actual) << where;
    }
}

std::vector<std::vector<std::string>> SplitCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        rows.emplace_back();
        std::string cell;
        bool quoted = false;
        for (const char c : line) {
            if (c == '"') quoted = !quoted;
            if (c == ',' && !quoted) {
                rows.back().push_back(cell);
                cell.clear();
            } else {
                cell += c;
            }
        }
        rows.back().push_back(cell);
    }
    return rows;
}

void ExpectSameCsv(const std::string& expected, const std::string& actual, const std::string& name) {
    const auto e = SplitCsv(expected), a = SplitCsv(actual);
    ASSERT_EQ(e.size(), a.size()) << name;
    for (std::size_t r = 0; r < e.size(); ++r) {
        ASSERT_EQ(e[r].size(), a[r].size()) << name << " row " << r;
        for (std::size_t k = 0; k < e[r].size(); ++k) {
            char* endE = nullptr;
            char* endA = nullptr;
            const double x = std::strtod(e[r][k].c_str(), &endE);
            const double y = std::strtod(a[r][k].c_str(), &endA);
            if (!e[r][k].empty() && *endE == '\0' && !a[r][k].empty() && *endA == '\0')
                EXPECT_TRUE(Close(x, y))
                    << name << " row " << r << " column " << k << ": " << e[r][k] << " != " << a[r][k];
            else
                EXPECT_EQ(e[r][k], a[r][k]) << name << " row " << r << " column " << k;
        }
    }
}

void ExpectGoldenData(const std::string& relativePath, const std::string& actual) {
    const std::string path = std::string(DEDODIZ_TEST_DATA) + "/" + relativePath;
    if (const char* bless = std::getenv("DEDODIZ_BLESS"); bless != nullptr && std::string(bless) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    const std::string expected = dedodiz::test::ReadWholeFile(path);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << path;
    if (relativePath.ends_with(".json"))
        ExpectSameJson(nlohmann::ordered_json::parse(expected), nlohmann::ordered_json::parse(actual),
                       relativePath);
    else
        ExpectSameCsv(expected, actual, relativePath);
}

// The default is text, and --format text changes no byte of any report.
TEST(ExportCommandsTest, TextIsTheReportOfEveryCommand) {
    for (const char* command : {kRun, kSweep2D, kSweep3D, kSweepTotal, kEvaluate, kBuffers, kList}) {
        const Result plain = Cli(command);
        const Result text = Cli(std::string(command) + " --format text");
        EXPECT_EQ(plain.status, 0) << command << ": " << plain.err;
        EXPECT_FALSE(plain.out.empty()) << command;
        EXPECT_EQ(text.out, plain.out) << command;
        EXPECT_EQ(text.err, plain.err) << command;
    }
    dedodiz::test::ExpectGolden("cli/sweep-2d-ph.txt", Cli(kSweep2D).out);
    dedodiz::test::ExpectGolden("cli/sweep-3d-ph-mg.txt", Cli(kSweep3D).out);
    dedodiz::test::ExpectGolden("cli/sweep-2d-bapta-free-ca.txt", Cli(kSweepTotal).out);
}

TEST(ExportCommandsTest, DataFormatsMatchGolden) {
    const struct {
        const char* command;
        const char* format;
        const char* golden;
    } cases[] = {
        {kRun, "json", "export/run.json"},
        {kRun, "csv", "export/run.csv"},
        {kSweep2D, "csv", "export/sweep-2d.csv"},
        {kSweep2D, "json", "export/sweep-2d.json"},
        {kSweep3D, "csv", "export/sweep-3d.csv"},
        {kSweep3D, "json", "export/sweep-3d.json"},
        {kSweepTotal, "csv", "export/sweep-2d-total.csv"},
        {kEvaluate, "csv", "export/evaluate.csv"},
        {kEvaluate, "json", "export/evaluate.json"},
        {kBuffers, "csv", "export/buffers.csv"},
        {kBuffers, "json", "export/buffers.json"},
        {kList, "csv", "export/list.csv"},
        {kList, "json", "export/list.json"},
    };
    for (const auto& c : cases) {
        const Result r = Cli(std::string(c.command) + " --format " + c.format);
        EXPECT_EQ(r.status, 0) << c.command << ": " << r.err;
        ExpectGoldenData(c.golden, r.out);
    }
}

// The JSON lists the warnings that stderr showed, and the report's numbers.
TEST(ExportCommandsTest, RunJsonAgreesWithTheReport) {
    const std::string command =
        "run --constants data/standard.TCM --temp 25 --ph 3.5 --chelator EGTA=2e-3 --chelator EDTA=1e-4 "
        "--metal Ca2=1e-3 --metal Mg2=2e-3";
    const Result text = Cli(command);
    const Result json = Cli(command + " --format json");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.err, text.err);
    EXPECT_NE(json.err.find("WARNING: pH out of range"), std::string::npos);
    const auto j = nlohmann::json::parse(json.out);
    std::string stderrLines;
    for (const auto& w : j["warnings"]) {
        std::string textOfBox = w["text"];
        for (char& c : textOfBox)
            if (c == '\n') c = ' ';
        stderrLines += w["caption"].get<std::string>() + ": " + textOfBox + "\n";
    }
    EXPECT_EQ(stderrLines, json.err);
    for (const auto& p : j["pairs"])
        EXPECT_NE(text.out.find(dedodiz::FormatSci(p["Kd_M"].get<double>())), std::string::npos) << p;
}

// A command that fails prints nothing in any format, with the status and stderr of the text form.
TEST(ExportCommandsTest, FailuresPrintNothingInEveryFormat) {
    const char* failing[] = {
        "run examples/no-such-file.STG",
        "run --constants data/standard.TCM --ionic 0 --chelator EGTA=2e-3 --metal Ca2=1e-3",
        "evaluate examples/no-such.STG",
        "buffers data/buffers.bcm --ionic 0",
        "list no-such.TCM",
        "sweep examples/no-such.STG --x ph:6:8",
    };
    for (const char* command : failing) {
        const Result text = Cli(command);
        EXPECT_EQ(text.status, 1) << command;
        for (const char* format : {"csv", "json"}) {
            const Result r = Cli(std::string(command) + " --format " + format);
            EXPECT_EQ(r.status, 1) << command << " " << format;
            EXPECT_TRUE(r.out.empty()) << command << " " << format;
            EXPECT_EQ(r.err, text.err) << command << " " << format;
        }
    }
    const Result bad = Cli(std::string(kList) + " --format xml");
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.out.empty());
    EXPECT_NE(bad.err.find("--format"), std::string::npos) << bad.err;
}

// --refine: the same solution solved exactly. The README example moves by less than 1e-3 and balances to
// machine precision; the case the iteration gives up on converges, with free Mg well below its total;
// a refined sweep has no unsolved point there.
TEST(ExportCommandsTest, RefineGivesExactAnswersWhereTheIterationGivesUp) {
    const auto freeOf = [](const nlohmann::json& run, const std::string& metal) {
        for (const auto& m : run["metals"])
            if (m["name"] == metal) return m["free_M"].get<double>();
        return -1.0;
    };
    const Result plain = Cli("run examples/ca-egta-free.STG --format json --precision described");
    const Result exact = Cli("run examples/ca-egta-free.STG --format json --refine");
    ASSERT_EQ(exact.status, 0) << exact.err;
    const auto a = nlohmann::json::parse(plain.out), b = nlohmann::json::parse(exact.out);
    EXPECT_FALSE(a.contains("refined"));
    EXPECT_TRUE(b["refined"].get<bool>());
    EXPECT_LT(b["residual"].get<double>(), 1e-12);
    EXPECT_NEAR(freeOf(b, "Ca2"), 1.55084e-7, 1e-11);
    EXPECT_LT(std::abs(freeOf(a, "Ca2") / freeOf(b, "Ca2") - 1), 1e-3);

    const std::string hard =
        "run --constants data/standard.TCM --ph 8 --temp 10 --chelator EGTA=2e-3 --metal Ca2=1e-3 --metal "
        "Mg2=1e-3";
    const Result given = Cli(hard + " --precision described");
    EXPECT_NE(given.err.find("DIFFICULTY: CONVERGENCE NOT REACHED"), std::string::npos);
    const Result solved = Cli(hard + " --refine --format json");
    ASSERT_EQ(solved.status, 0);
    EXPECT_EQ(solved.err.find("DIFFICULTY"), std::string::npos) << solved.err;
    const auto c = nlohmann::json::parse(solved.out);
    EXPECT_TRUE(c["converged"].get<bool>());
    EXPECT_LT(freeOf(c, "Mg2"), 0.9e-3);

    const Result text = Cli(hard + " --refine");
    EXPECT_EQ(text.out.substr(text.out.find('\n') + 1, 12), "----------- ");
    EXPECT_NE(text.out.find("EXACT: REFINED TO A MASS-BALANCE RESIDUAL OF"), std::string::npos);

    const Result sweep = Cli("sweep examples/ca-egta-free.STG --x ph:6:9 --refine");
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    EXPECT_EQ(sweep.out.find(" *\n"), std::string::npos);  // every point solved
    EXPECT_NE(sweep.out.find("EXACT: points refined to a mass-balance residual of at most"),
              std::string::npos);
}

}  // namespace
