// SPDX-License-Identifier: BSD-3-Clause
// The uncertainty computation: no spread without uncertainty, the spread of a one-chelator buffer
// against first-order propagation worked by hand, the same numbers on one thread or two, the input
// made to dominate found first, and faulting samples counted without reaching the caller.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "core/Uncertainty.h"
#include "core/UncertaintyExport.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "engine/Run.h"

namespace dedodiz {
namespace {

using Parts = test::Parts<>;

// EGTA and BAPTA (EGTA alone for type Chelator, which adjusts one chelator) with Ca2 and Mg2 at
// pH 7.2, 20 C, 0.1 N.
std::unique_ptr<Parts> MakeSolution(CalculationType type) {
    auto s = std::make_unique<Parts>();
    test::NewState(*s);
    test::FillSampleTable(*s);
    s->ChelatorChosen[1] = true;
    s->ChelatorChosen[2] = type != CalculationType::Chelator;
    s->MetalChosen[1] = s->MetalChosen[2] = true;
    test::MessageRecorder messages;
    BuildSelection(*s, *s, s->Solution, messages);
    s->CalcType = type;
    TSolution& sol = s->Solution;
    sol.PH = 7.2;
    sol.ChelTotal[1] = 2e-3;
    sol.ChelTotal[2] = 1e-3;
    sol.MetalTotal[1] = 1e-3;
    sol.MetalTotal[2] = 5e-4;
    sol.MetalFree[1] = 1e-7;
    sol.MetalFree[2] = 1e-4;
    return s;
}

UncertaintyOptions NoUncertainty(int samples) {
    UncertaintyOptions o;
    o.samples = samples;
    o.inputs = {0, 0, 0, 0, 0, 0, 0, 0, {}, {}};
    return o;
}

const UncertaintyShare& Largest(const UncertaintyOutcome& o, std::string_view key) {
    const auto r =
        std::find_if(o.results.begin(), o.results.end(), [&](const auto& x) { return x.key == key; });
    EXPECT_NE(r, o.results.end()) << key;
    EXPECT_FALSE(r->shares.empty());
    return r->shares.front();
}

TEST(UncertaintyTest, WithoutUncertaintyEverySampleIsTheSinglePointResult) {
    struct Case {
        CalculationType type;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {CalculationType::Free, {"free_Ca2_M", "free_Mg2_M"}},
        {CalculationType::Total, {"total_Ca2_M", "total_Mg2_M"}},
        {CalculationType::Chelator, {"total_EGTA_M"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        auto s = MakeSolution(c.type);
        test::MessageRecorder messages;
        const UncertaintyOutcome o = RunUncertainty(*s, NoUncertainty(40), messages);
        ASSERT_TRUE(o.Ran());
        EXPECT_EQ(o.inputs, 0);
        EXPECT_EQ(o.Failed(), 0);
        // The single point is the run's: its report shows the same numbers.
        auto run = std::make_unique<Parts>(*s);
        test::OutputRecorder output;
        ASSERT_TRUE(RunSinglePoint(*run, "", ReportPlacement::Replace, output, messages).Ran());
        ASSERT_EQ(o.results.size(), c.keys.size());
        for (std::size_t r = 0; r < c.keys.size(); ++r) {
            const UncertaintyResult& result = o.results[r];
            EXPECT_EQ(result.key, c.keys[r]);
            const int slot = static_cast<int>(r) + 1;
            const TSolution& w = run->WorkSolution;
            const double reported = c.type == CalculationType::Free    ? w.MetalFree[slot]
                                    : c.type == CalculationType::Total ? w.MetalTotal[slot]
                                                                       : w.ChelTotal[slot];
            EXPECT_EQ(result.value, reported);
            EXPECT_TRUE(std::all_of(result.samples.begin(), result.samples.end(),
                                    [&](double v) { return v == result.value; }));
            EXPECT_EQ(result.median, result.value);
            EXPECT_EQ(result.q025, result.value);
            EXPECT_EQ(result.q975, result.value);
            EXPECT_TRUE(result.shares.empty());
        }
    }
    // The block says so in its fixed layout.
    const UncertaintyOutcome o = [] {
        test::MessageRecorder messages;
        return RunUncertainty(*MakeSolution(CalculationType::Free), NoUncertainty(40), messages);
    }();
    const auto sci = [&](std::size_t r) { return FormatSci(o.results[r].value).substr(1); };
    const std::vector<std::string> expected = {
        "UNCERTAINTY: 40 samples, seed 1",
        "Standard uncertainties: none",
        std::string(78, '-'),
        "Ca2 free " + sci(0) + " M (95 %: " + sci(0) + " .. " + sci(0) + "); no input varied",
        "Mg2 free " + sci(1) + " M (95 %: " + sci(1) + " .. " + sci(1) + "); no input varied",
        std::string(78, '-'),
        "All 40 samples converged.",
        "Each solve is the iteration's alone (precision described), not checked",
    };
    EXPECT_EQ(UncertaintyReport(o), expected);
}

// One chelator with one protonation step (log K1 7.0) and one complex (log K 6.0) at 20 C and 0.1 N,
// where no constant is corrected: the free metal F, the free chelator L' and the complex ML solve
// ML = Kc F L' with Kc = K / (1 + K1 h), F = M - ML and L' = C - ML. Differentiating the logarithms,
// d ln F / d ln Kc = -x / F with x = 1 / (1/ML + 1/F + 1/L'), and d ln Kc / d pH = ln 10 K1 h / (1 + K1 h).
TEST(UncertaintyTest, SpreadFromThePHAloneAgreesWithFirstOrderPropagation) {
    auto s = std::make_unique<Parts>();
    test::NewState(*s);
    TChelatorRec& rec = s->Constants[1];
    rec.Name = "LIG";
    rec.MetalName[1] = "Ca2";
    rec.H[1] = 7.0;
    rec.ML[1] = 6.0;
    s->ChelatorChosen[1] = true;
    s->MetalChosen[1] = true;
    test::MessageRecorder messages;
    ASSERT_TRUE(BuildSelection(*s, *s, s->Solution, messages));
    s->CalcType = CalculationType::Free;
    const double pH = 7.0, C = 1e-3, M = 5e-4, pHSd = 0.02;
    s->Solution.PH = pH;
    s->Solution.ChelTotal[1] = C;
    s->Solution.MetalTotal[1] = M;

    const double h = std::pow(10.0, -pH) / 0.784200;  // the hydrogen-ion activity factor at 20 C, 0.1 N
    const double K1h = 1e7 * h;
    const double Kc = 1e6 / (1 + K1h);
    const double b = Kc * (M + C) + 1;
    const double ML = 2 * Kc * M * C / (b + std::sqrt(b * b - 4 * Kc * Kc * M * C));
    const double F = M - ML, L = C - ML;
    const double x = 1 / (1 / ML + 1 / F + 1 / L);
    const double expectedSd = x / F * std::log(10.0) * K1h / (1 + K1h) * pHSd;

    UncertaintyOptions o = NoUncertainty(20000);
    o.inputs.pHSd = pHSd;
    o.precision = Precision::Exact;
    const UncertaintyOutcome u = RunUncertainty(*s, o, messages);
    ASSERT_TRUE(u.Ran());
    ASSERT_EQ(u.Failed(), 0);
    const UncertaintyResult& r = u.results.at(0);
    EXPECT_NEAR(r.value, F, 1e-6 * F);  // the activity factor is given to six digits
    // The 95 % range of a normal spread is 2 x 1.96 standard deviations wide.
    const double sdFromRange = (std::log(r.q975) - std::log(r.q025)) / (2 * 1.959964);
    EXPECT_NEAR(sdFromRange, expectedSd, 0.05 * expectedSd);
    ASSERT_EQ(r.shares.size(), 1U);
    EXPECT_EQ(r.shares[0].input, "pH");
    EXPECT_EQ(r.shares[0].share, 1);
}

TEST(UncertaintyTest, SameSeedGivesTheSameNumbersOnOneThreadOrTwo) {
    auto s = MakeSolution(CalculationType::Free);
    test::MessageRecorder messages;
    UncertaintyOptions o;
    o.samples = 600;
    o.seed = 42;
    o.inputs.purity[1] = {0.97, 0.01};
    o.threads = 1;
    const UncertaintyOutcome one = RunUncertainty(*s, o, messages);
    o.threads = 2;
    const UncertaintyOutcome two = RunUncertainty(*s, o, messages);
    o.seed = 43;
    const UncertaintyOutcome other = RunUncertainty(*s, o, messages);
    ASSERT_TRUE(one.Ran() && two.Ran() && other.Ran());
    EXPECT_GT(one.inputs, 20);
    ASSERT_EQ(one.results.size(), two.results.size());
    for (std::size_t r = 0; r < one.results.size(); ++r) {
        EXPECT_EQ(one.results[r].samples, two.results[r].samples);
        EXPECT_EQ(one.results[r].q975, two.results[r].q975);
        ASSERT_EQ(one.results[r].shares.size(), two.results[r].shares.size());
        for (std::size_t k = 0; k < one.results[r].shares.size(); ++k) {
            EXPECT_EQ(one.results[r].shares[k].input, two.results[r].shares[k].input);
            EXPECT_EQ(one.results[r].shares[k].share, two.results[r].shares[k].share);
        }
        EXPECT_NE(one.results[r].samples, other.results[r].samples);
    }
}

TEST(UncertaintyTest, TheInputMadeLargestComesFirst) {
    struct Case {
        const char* input;
        const char* key;
        std::function<void(UncertaintyInputs&)> enlarge;
    };
    const Case cases[] = {
        {"pH", "free_Ca2_M", [](UncertaintyInputs& u) { u.pHSd = 0.3; }},
        {"EGTA purity", "free_Ca2_M",
         [](UncertaintyInputs& u) {
             u.purity[1] = {0.7, 0.2};
         }},
        {"log K ML Ca2-EGTA", "free_Ca2_M", [](UncertaintyInputs& u) { u.logKMLSd = 0.5; }},
        {"Mg2 total", "free_Mg2_M", [](UncertaintyInputs& u) { u.totalRsd = 0.3; }},
        {"ionic strength", "free_Ca2_M", [](UncertaintyInputs& u) { u.ionicRsd = 0.8; }},
    };
    auto s = MakeSolution(CalculationType::Free);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        UncertaintyOptions o;
        o.samples = 20;
        c.enlarge(o.inputs);
        test::MessageRecorder messages;
        const UncertaintyOutcome u = RunUncertainty(*s, o, messages);
        ASSERT_TRUE(u.Ran());
        EXPECT_EQ(Largest(u, c.key).input, c.input);
        EXPECT_GT(Largest(u, c.key).share, 0.5);
    }
}

// Six chelators and six metals, EDTA beside HEDTA: each constant varied is one input with a name of its
// own, its kind and its pair ("log K MHL Mg2-EDTA" beside "log K ML Mg2-HEDTA"), in the shares and so in
// the JSON a script keys on.
TEST(UncertaintyTest, SixBySixNamesEveryInputOnce) {
    auto s = std::make_unique<Parts>();
    test::NewState(*s);
    const char* const chelators[] = {"EGTA", "BAPTA", "EDTA", "HEDTA", "NTA", "CDTA"};
    const char* const metals[] = {"Ca2", "Mg2", "Sr2", "Ba2", "Mn2", "Zn2"};
    for (int i = 1; i <= 6; ++i) {
        TChelatorRec& rec = s->Constants[i];
        test::SetChelator(rec, chelators[i - 1], 9.5, 6.0, 2.6, 0, -5.5, -4.0);
        for (int m = 1; m <= 6; ++m) {
            rec.MetalName[m] = metals[m - 1];
            test::SetMetal(rec, m, 4.0 + i + 0.3 * m, 2.0 + 0.2 * m, -4.0, 1.0);
        }
        s->ChelatorChosen[i] = s->MetalChosen[i] = true;
    }
    test::MessageRecorder messages;
    ASSERT_TRUE(BuildSelection(*s, *s, s->Solution, messages));
    s->CalcType = CalculationType::Free;
    for (int k = 1; k <= 6; ++k) s->Solution.ChelTotal[k] = s->Solution.MetalTotal[k] = 1e-4;
    UncertaintyOptions o;
    o.samples = 10;
    const UncertaintyOutcome u = RunUncertainty(*s, o, messages);
    ASSERT_TRUE(u.Ran());
    const nlohmann::json j = nlohmann::json::parse(JsonText(UncertaintyJson(*s, "", u, {}, false)));
    ASSERT_EQ(j["contributions"].size(), 6U);
    for (const auto& [key, shares] : j["contributions"].items()) {
        std::set<std::string> names;
        for (const auto& share : shares)
            EXPECT_TRUE(names.insert(share["input"].get<std::string>()).second) << key << share["input"];
        for (const char* name : {"log K ML Mg2-HEDTA", "log K MHL Mg2-EDTA", "log K H2 EGTA",
                                 "dH ML Ca2-EGTA", "dH MHL Ba2-EDTA", "dH H1 CDTA"})
            EXPECT_EQ(names.count(name), 1U) << key << ": " << name;
    }
}

// An ionic strength drawn at or below 0 makes the ionic term's logarithm fault: those samples are
// counted and left out, and the fault never reaches the command's guard.
TEST(UncertaintyTest, FaultingSamplesAreCountedAndLeftOut) {
    auto s = MakeSolution(CalculationType::Free);
    UncertaintyOptions o = NoUncertainty(400);
    o.inputs.ionicRsd = 1.0;
    o.threads = 2;
    test::MessageRecorder messages;
    UncertaintyOutcome u;
    EXPECT_TRUE(RunGuarded(messages, [&] { u = RunUncertainty(*s, o, messages); }));
    EXPECT_TRUE(messages.messages.empty());
    ASSERT_TRUE(u.Ran());
    EXPECT_GT(u.faulted, 400 * 0.10);  // a normal deviate below -1 has a chance of 16 %
    EXPECT_LT(u.faulted, 400 * 0.22);
    const UncertaintyResult& r = u.results.at(0);
    for (int k = 0; k < u.samples; ++k)
        EXPECT_EQ(std::isnan(r.samples[static_cast<std::size_t>(k)]),
                  !u.sampleConverged[static_cast<std::size_t>(k)]);
    EXPECT_TRUE(std::isfinite(r.q025) && r.q025 <= r.median && r.median <= r.q975);
    const std::vector<std::string> lines = UncertaintyReport(u);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Samples stopped by a floating-point fault: " + std::to_string(u.faulted) +
                            " of 400, left out"),
              lines.end());
    for (const std::string& line : lines) EXPECT_LE(line.size(), 80U) << line;
}

}  // namespace
}  // namespace dedodiz
