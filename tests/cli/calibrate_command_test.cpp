// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli calibrate: the JSON contract (every number with its interval), the plots it writes, the
// fit carried into a recipe, and the bundled table it never overwrites. Run from the repository root.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <string>

#include "CliRunner.h"

namespace {

using dedodiz::test::ReadWholeFile;
using dedodiz::test::RunCli;
using Json = nlohmann::ordered_json;

const std::string kFit =
    "calibrate examples/ca-egta-titration.csv --chelator EGTA --metal Ca2 --temp 22 --ph 7.2 --ionic 0.15 ";

TEST(CalibrateCommandTest, JsonGivesEveryValueWithItsIntervalAndARecipeTakesIt) {
    const std::string folder = testing::TempDir();
    const auto fit = RunCli(kFit + "--bootstrap 200 --format json --plot " + folder + "fit.svg");
    ASSERT_EQ(fit.status, 0) << fit.err;
    const Json j = Json::parse(fit.out);
    EXPECT_EQ(j["result"], "calibration");
    const auto bracketed = [](const Json& e) {
        const double v = e["value"].get<double>();
        return e["ci95"][0].get<double>() < v && v < e["ci95"][1].get<double>() &&
               e["bootstrap_ci95"][0].get<double>() < v && v < e["bootstrap_ci95"][1].get<double>();
    };
    for (const char* key : {"purity", "contamination_M", "kd_M"}) EXPECT_TRUE(bracketed(j[key])) << key;
    for (const char* key : {"slope_mV", "e0_mV", "detection_M"})
        EXPECT_TRUE(bracketed(j["electrode"][key])) << key;
    EXPECT_TRUE(j["scatchard"]["purity"].is_number() && j["scatchard"]["kd_M"].is_number());
    EXPECT_TRUE(j["table_kd_M"].is_number() && j["rms"].is_number());
    EXPECT_EQ(j["points"].size(), 20U);
    EXPECT_EQ(ReadWholeFile(folder + "fit.svg").rfind("<?xml", 0), 0U);

    // The fitted purity and contamination are the recipe's inputs.
    const std::string json = folder + "fit.json";
    ASSERT_EQ(RunCli(kFit + "--bootstrap 0 --format json > " + json).status, 0);
    const auto recipe = RunCli(
        "recipe --chelator EGTA=2e-3 --metal Ca2=1e-3 --ph 7.2 --volume 10mL --stock EGTA=100mM "
        "--stock Ca2=100mM --calibration " +
        json);
    ASSERT_EQ(recipe.status, 0) << recipe.err;
    EXPECT_NE(recipe.out.find("EGTA 100 mM x purity 0.9636"), std::string::npos) << recipe.out;
    EXPECT_NE(recipe.out.find("Contamination in every solution, part of its totals: Ca2 3.353 uM"),
              std::string::npos);
    // A purity fitted above 1 lies within its interval of pure: the recipe takes it as pure, not refuses it.
    Json above = Json::parse(ReadWholeFile(json));
    above["purity"]["value"] = 1.004;
    const std::string pure = folder + "pure.json";
    std::ofstream(pure) << above.dump();
    const auto asPure = RunCli(
        "recipe --chelator EGTA=2e-3 --metal Ca2=1e-3 --volume 10mL --stock EGTA=100mM "
        "--stock Ca2=100mM --calibration " +
        pure);
    EXPECT_EQ(asPure.status, 0) << asPure.err;
    EXPECT_EQ(asPure.out.find("x purity"), std::string::npos) << asPure.out;
    // And the uncertainty's, their intervals as the spread (half the 95 % width over 1.96).
    const auto spread = RunCli(
        "uncertainty --chelator EGTA=2e-3 --metal Ca2=1e-3 --ph 7.2 --samples 100 --calibration " + json);
    ASSERT_EQ(spread.status, 0) << spread.err;
    EXPECT_NE(spread.out.find("EGTA purity 0.963615 +- 0.001299, Ca2 contamination 3.35E-06 +- 6.96E-07 M"),
              std::string::npos)
        << spread.out;
}

TEST(CalibrateCommandTest, TheBundledTableIsNeverOverwritten) {
    const std::string before = ReadWholeFile("data/standard.TCM");
    const auto r = RunCli(kFit + "--bootstrap 0 --write-constants data/standard.TCM");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("ERROR: Did not save data/standard.TCM: it is a table that comes with the program"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadWholeFile("data/standard.TCM"), before);
    EXPECT_EQ(RunCli(kFit + "--plot fit.bmp").status, 2);
}

}  // namespace
