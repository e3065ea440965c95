// SPDX-License-Identifier: BSD-3-Clause
// The bundled constants table at work, through dedodiz32-cli from the repository root: the charges its
// protonation constants give, the temperatures it allows, and the example work files built on it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <set>
#include <string>
#include <utility>

#include "CliRunner.h"

namespace {

using dedodiz::test::CliResult;
using dedodiz::test::ReadWholeFile;

CliResult Cli(const std::string& arguments) {
    return dedodiz::test::RunCli(arguments);
}

const std::string kRefusedAwayFrom20 =
    "ERROR: RESULTS NOT VALID, delta-H VALUES MISSING Reset Temperature to 20 C or add values\n";

// The ionic term of the correction worked by hand at 20 C, where A = 0.5070088:
// A (sqrt I / (1 + sqrt I) - 0.25 I) is 0.1091352 at 0.1 N and 0.1225311 at 0.15 N.
double IonicTerm20(double ionic) {
    const double s = std::sqrt(ionic);
    return 0.5070088 * (s / (1 + s) - 0.25 * ionic);
}

// With four stored protonation constants BAPTA is L4-: the k-th protonation joins H+ to a species of
// charge 5 - k, and Ca2+ meets L4-, so log K moves by 2 z1 z2 (term at 0.1 N - term at 0.15 N).
// Charged as L2- its ML constant would come out 0.107 higher. At pH 10 the conditional ML constant
// is within 2e-4 of the corrected one (the protonated forms are a ten-thousandth of the ligand).
TEST(BundledTableTest, BaptaIsChargedMinusFourInTheIonicCorrection) {
    const CliResult r =
        Cli("run --constants data/standard.TCM --ionic 0.15 --ph 10 --chelator BAPTA=1e-3 --metal Ca2=1e-4 "
            "--format json");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    const double delta = IonicTerm20(0.1) - IonicTerm20(0.15);
    EXPECT_NEAR(delta, 0.1091352 - 0.1225311, 1e-7);
    const auto& bapta = j["chelators"][0];
    EXPECT_NEAR(bapta["log_K_H1"].get<double>(), 6.39 + 2 * 4 * 1 * delta, 1e-6);
    EXPECT_NEAR(bapta["log_K_H2"].get<double>(), 5.50 + 2 * 3 * 1 * delta, 1e-6);
    EXPECT_NEAR(bapta["log_K_H3"].get<double>(), 2.70 + 2 * 2 * 1 * delta, 1e-6);
    EXPECT_NEAR(bapta["log_K_H4"].get<double>(), 2.00 + 2 * 1 * 1 * delta, 1e-6);
    EXPECT_NEAR(j["pairs"][0]["log_Kc_ML"].get<double>(), 6.96 + 2 * 4 * 2 * delta, 2e-4);
}

// Every pair of the table is run alone at bench and body temperatures. The pairs that still have no
// complex enthalpy (none is known, and none is invented to let a run pass) are refused there, all
// others run; TPEN has no protonation enthalpies, so all of its pairs are refused.
TEST(BundledTableTest, EveryPairWithItsEnthalpiesRunsAt22To37Degrees) {
    const std::set<std::pair<std::string, std::string>> stillRefused = [] {
        std::set<std::pair<std::string, std::string>> pairs = {{"BAPTA", "Zn2"}};
        for (const char* c : {"HEDTA", "CDTA", "DTPA", "ATP", "ADP"})
            for (const char* m : {"Sr2", "Ba2", "Mn2", "Zn2", "Cd2", "Cu2", "Ni2"}) pairs.insert({c, m});
        for (const char* m : {"Sr2", "Ba2", "Mn2", "Cu2"}) pairs.insert({"Citrate", m});
        for (const char* m : {"Ca2", "Mg2", "Mn2", "Zn2", "Cd2", "Cu2", "Ni2"}) pairs.insert({"TPEN  +", m});
        return pairs;
    }();
    const CliResult list = Cli("list data/standard.TCM --format json");
    ASSERT_EQ(list.status, 0) << list.err;
    const auto table = nlohmann::json::parse(list.out);
    int pairs = 0, refused = 0;
    for (const auto& chelator : table["chelators"])
        for (const auto& metal : chelator["metals"]) {
            if (metal["log_K_ML"].is_null()) continue;  // absent: not a pair
            const std::pair<std::string, std::string> pair = {chelator["name"], metal["name"]};
            const bool expectRefused = stillRefused.contains(pair);
            ++pairs;
            refused += expectRefused ? 1 : 0;
            for (const char* temperature : {"22", "25", "37"}) {
                const CliResult r = Cli("run --constants data/standard.TCM --temp " +
                                        std::string(temperature) + " --ionic 0.15 --chelator '" + pair.first +
                                        "=1e-3' --metal " + pair.second + "=1e-4");
                const std::string where = pair.first + "-" + pair.second + " at " + temperature + " C";
                EXPECT_EQ(r.status, expectRefused ? 1 : 0) << where << ": " << r.err;
                EXPECT_EQ(r.err.find(kRefusedAwayFrom20) != std::string::npos, expectRefused) << where;
            }
        }
    EXPECT_EQ(pairs, 92);
    EXPECT_EQ(refused, 46);

    // Calcium and magnesium together with ATP, at body conditions.
    const CliResult r =
        Cli("run --constants data/standard.TCM --temp 37 --ionic 0.15 --chelator ATP=5e-3 --metal Ca2=1e-4 "
            "--metal Mg2=5e-3");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("delta-H"), std::string::npos) << r.err;
}

// The reports that examples/README.md shows are what the tool prints for the example work files, and
// the evaluation at 37 C names the estimated enthalpy it rests on.
TEST(BundledTableTest, ExampleReportsAtBodyAndBenchTemperatureAreTheReadmes) {
    const std::string readme = ReadWholeFile("examples/README.md");
    for (const char* name : {"bapta-37c-total", "mg-atp-total"}) {
        const CliResult r = Cli(std::string("run examples/") + name + ".STG");
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_TRUE(r.err.empty()) << name << ": " << r.err;
        EXPECT_NE(readme.find(r.out), std::string::npos) << name << " report not in examples/README.md";
    }
    const CliResult evaluation = Cli("evaluate examples/bapta-37c-total.STG");
    EXPECT_NE(evaluation.out.find("  37.0 \xC2\xB0"
                                  "C  pH  7.20   0.150 N\n"),
              std::string::npos);
    EXPECT_NE(evaluation.out.find("Ca2-BAPTA        5.94E-08   5.94E-07   1.88E-07  Tsien80 dH est.\n"),
              std::string::npos)
        << evaluation.out;
}

}  // namespace
