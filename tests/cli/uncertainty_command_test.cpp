// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli uncertainty: the JSON contract scripts rely on, checked against the run of the same
// work file, and the usage errors of its options. Run from the repository root.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "CliRunner.h"

namespace {

using dedodiz::test::RunCli;
using Json = nlohmann::ordered_json;

TEST(UncertaintyCommandTest, JsonKeepsTheContractAndTheRunsValues) {
    const auto run = RunCli("run examples/ca-egta-free.STG --format json");
    const auto u = RunCli(
        "uncertainty examples/ca-egta-free.STG --samples 300 --seed 7 --temp-sd 0 --purity egta=0.97:0.01 "
        "--format json --all-samples");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(u.status, 0) << u.err;
    const Json r = Json::parse(run.out);
    const Json j = Json::parse(u.out);
    EXPECT_EQ(j["result"], "uncertainty");
    EXPECT_EQ(j["samples"], 300);
    EXPECT_EQ(j["failed"], 0);
    ASSERT_EQ(j["results"].size(), 2U);
    const char* const keys[] = {"free_Ca2_M", "free_Mg2_M"};
    for (int m = 0; m < 2; ++m) {
        const Json& result = j["results"][m];
        EXPECT_EQ(result["key"], keys[m]);
        // The value is the single-point result, exactly as the run exports it.
        EXPECT_EQ(result["value"], r["metals"][m]["free_M"]);
        EXPECT_LE(result["q025"].get<double>(), result["median"].get<double>());
        EXPECT_LE(result["median"].get<double>(), result["q975"].get<double>());
        EXPECT_EQ(j["all_samples"][keys[m]].size(), 300U);

        const Json& shares = j["contributions"][keys[m]];
        double sum = 0, previous = 1;
        bool temperature = false, purity = false;
        for (const Json& s : shares) {
            EXPECT_LE(s["share"].get<double>(), previous);  // largest first
            previous = s["share"].get<double>();
            sum += previous;
            temperature = temperature || s["input"] == "temperature";
            purity = purity || s["input"] == "EGTA purity";
        }
        EXPECT_NEAR(sum, 1, 1e-12);
        EXPECT_FALSE(temperature);  // --temp-sd 0 switched it off
        EXPECT_TRUE(purity);
    }
    EXPECT_EQ(j["uncertainties"]["purity"][0]["fraction"], 0.97);
    // The 3 % impurity takes EGTA away: more calcium stays free than the single point says.
    EXPECT_GT(j["results"][0]["median"].get<double>(), j["results"][0]["value"].get<double>());
}

TEST(UncertaintyCommandTest, BadOptionsAreUsageErrors) {
    const char* const cases[] = {
        "--ph-sd -0.1",
        "--dh-rsd x",
        "--purity BAPTA=0.9:0.01",  // not in the work file's solution
        "--purity EGTA=1.2:0.01",
        "--purity EGTA=0.9",
        "--samples 0",
        "--all-samples",  // needs csv or json
        "--seed -1",      // never wrapped to 2^64 - 1
        "--seed 1e23",    // never rounded
        "--seed 18446744073709551616",
    };
    for (const char* options : cases) {
        const auto r = RunCli(std::string("uncertainty examples/ca-egta-free.STG ") + options);
        EXPECT_EQ(r.status, 2) << options;
        EXPECT_TRUE(r.out.empty()) << options;
        EXPECT_FALSE(r.err.empty()) << options;
    }
    EXPECT_EQ(RunCli("uncertainty no-such-file.STG").status, 1);
}

}  // namespace
