// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli recipe: the JSON layout scripts rely on, and the exit statuses. Run from the repository root.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

#include "CliRunner.h"

namespace {

const char* const kPCaSeries =
    "recipe examples/pca-egta-atp-total.STG --volume 10mL --stock EGTA=100mM --stock ATP=100mM "
    "--stock Ca2=100mM --stock Mg2=1M --purity EGTA=97% --buffer HEPES=20mM --stock HEPES=1M --topup KCl=3M "
    "--series Ca2=pX:9:4.5:0.5";

TEST(RecipeCommand, JsonHasOneSolutionPerLevelWithTotalsFreeLevelsVolumesAndIonicStrength) {
    const auto r = dedodiz::test::RunCli(std::string(kPCaSeries) + " --format json");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["result"], "recipe");
    EXPECT_EQ(doc["volume_L"], 0.01);
    const auto& solutions = doc["solutions"];
    ASSERT_EQ(solutions.size(), 10U);
    const double stock[] = {0.1 * 0.97, 0.1, 0.1, 1.0, 1.0, 3.0, 1.0};
    const char* const names[] = {"EGTA", "ATP", "Ca2", "Mg2", "HEPES", "KCl", "KOH"};
    for (std::size_t k = 0; k < solutions.size(); ++k) {
        const auto& s = solutions[k];
        EXPECT_NEAR(-std::log10(s["free_M"]["Ca2"].get<double>()), 9.0 - 0.5 * static_cast<double>(k), 1e-9);
        EXPECT_NEAR(s["free_M"]["Mg2"].get<double>(), 1e-3, 1e-15);
        EXPECT_EQ(s["total_M"]["EGTA"], 0.007);
        EXPECT_NEAR(s["ionic_strength_N"].get<double>(), 0.18, 1e-15);
        double pipetted = s["volumes_uL"]["water"].get<double>();
        for (int n = 0; n < 7; ++n) {
            const double uL = s["volumes_uL"][names[n]].get<double>();
            EXPECT_NEAR(stock[n] * uL / 10e3, s["total_M"][names[n]].get<double>(), 1e-15) << names[n];
            pipetted += uL;
        }
        EXPECT_NEAR(pipetted, 10e3, 1e-8);
    }
    // Every species with its charge: the tube is neutral and its ionic strength is 1/2 sum c z^2.
    for (const auto& s : solutions) {
        double charge = 0, strength = 0;
        for (const auto& ion : s["species"]) {
            const double c = ion["conc_M"].get<double>();
            const int z = ion["charge"].get<int>();
            charge += c * z;
            strength += 0.5 * c * z * z;
        }
        EXPECT_NEAR(charge, 0, 1e-9);
        EXPECT_NEAR(strength, s["true_ionic_strength_M"].get<double>(), 1e-15);
    }
    // More Ca2 for every step up in free Ca2.
    EXPECT_LT(solutions[0]["total_M"]["Ca2"].get<double>(), solutions[9]["total_M"]["Ca2"].get<double>());
}

// The README's worked example is what the tool prints.
TEST(RecipeCommand, TheReadmeShowsTheSeriesAsPrinted) {
    const auto r = dedodiz::test::RunCli(kPCaSeries);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(dedodiz::test::ReadWholeFile("README.md").find(r.out), std::string::npos);
}

TEST(RecipeCommand, ExitStatusesAndMessages) {
    const std::string base =
        "recipe examples/pca-egta-atp-total.STG --volume 10mL --stock EGTA=100mM --stock ATP=100mM "
        "--stock Ca2=100mM --stock Mg2=1M";
    const auto made = dedodiz::test::RunCli(base + " --topup 3M");  // KCl without a name
    const auto bare =
        dedodiz::test::RunCli("recipe examples/pca-egta-atp-total.STG --volume 10 --stock EGTA=100mM");
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("a volume needs its unit (L, mL, uL), as in \"10mL\""), std::string::npos)
        << bare.err;
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out.rfind("RECIPE: 10.000 mL of each solution", 0), 0U);

    const auto exceeded = dedodiz::test::RunCli(base + " --topup 3M --ionic-target 0.01");
    EXPECT_EQ(exceeded.status, 1);
    EXPECT_TRUE(exceeded.out.empty());
    EXPECT_EQ(exceeded.err.rfind(
                  "ERROR: CANNOT BE MADE The ionic strength target 0.0100 N is already exceeded:", 0),
              0U)
        << exceeded.err;

    for (const char* usage : {" --volume 10mg", " --stock XYZ=1M", " --series Ca2=pX:9:4.5",
                              " --purity EGTA=2", " --mix-volume 1mL", " --topup KCl=3", " --base NaCl=1M",
                              " --osmolyte urea=1M --osmolarity-target 300", " --form EGTA=K5EGTA"}) {
        const auto r = dedodiz::test::RunCli(base + usage);
        EXPECT_EQ(r.status, 2) << usage << ": " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(dedodiz::test::RunCli("recipe --help").status, 0);
}

}  // namespace
