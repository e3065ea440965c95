// SPDX-License-Identifier: BSD-3-Clause
// Recipes: volumes worked by hand, the computed totals solved again (free levels and ionic strength must
// come back), the mixing fractions, every refusal, and the texts a person types.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "Recorders.h"
#include "Sessions.h"
#include "Tables.h"
#include "buffers/BufferCalc.h"
#include "core/RecipeCalc.h"
#include "core/RecipeInput.h"
#include "core/RecipeReport.h"
#include "core/Session.h"
#include "engine/Corrections.h"
#include "engine/Refine.h"
#include "engine/Solver.h"

namespace dedodiz {
namespace {

// The sample table (EGTA, BAPTA, EDTA; Ca2, Mg2, Zn2) and one solution described on it.
struct Setup {
    ConstantsTable table;
    Selection selection;
    Calculation calc;
    BufferTool buffers;
};

std::unique_ptr<Setup> Describe(const SolutionInput& entered) {
    auto s = std::make_unique<Setup>();
    NewCalculation(s->table, s->selection, s->calc);
    test::FillSampleTable(s->table);
    EXPECT_TRUE(test::DescribeInto(s->table, entered, s->selection, s->calc));
    // One pH buffer: an anionic HEPES-like buffer, pKa 7.5 at 20 C, thermodynamic.
    ResetBufferSlotsForLoad(s->buffers);
    TBufferSlot& hepes = s->buffers.BufferSlots[1];
    hepes.Name = "HEPES";
    hepes.pKa[1] = 7.5;
    return s;
}

// 2 mM EGTA and 1 mM BAPTA with 1 mM free Mg2; the Ca2 free level is the series'.
SolutionInput TwoChelators(CalculationType type) {
    SolutionInput entered;
    entered.type = type;
    entered.pH = 7.2;
    entered.ionic = 0.15;
    entered.chelators = {{"EGTA", 2e-3}, {"BAPTA", 1e-3}};
    entered.metals = {{"Ca2", 1e-3, 1e-7}, {"Mg2", 1e-3, 1e-3}};
    return entered;
}

RecipeRequest Stocks() {
    RecipeRequest r;
    r.volume = 10e-3;
    r.stocks = {{"EGTA", 0.1}, {"BAPTA", 0.05}, {"Ca2", 0.1}, {"Mg2", 1.0}, {"HEPES", 1.0}};
    r.purity = {{"EGTA", 0.97}};
    r.buffer = "HEPES";
    r.bufferConc = 20e-3;
    r.topup = NamedValue{"KCl", 3.0};
    r.precision = Precision::Exact;
    return r;
}

// The solution with these totals solved exactly (type Free) at I; its ionic equivalents in charge.
TSolution SolveTotals(const Setup& s, const RecipeSolution& row, double I, double& charge) {
    Calculation c = s.calc;
    c.CalcType = CalculationType::Free;
    c.Solution.ChelTotal = row.chelTotal;
    c.Solution.MetalTotal = row.metalTotal;
    c.Solution.IonicEquiv = I;
    PrepareWork(c.Solution, c.WorkSolution);
    SolveEquilibrium(c.CalcType, c.WorkSolution, c.Results);
    RefineSolve(c.CalcType, c.WorkSolution, c.Results);
    EXPECT_TRUE(c.Results.Converged);
    charge = c.Results.SolutionCharge;
    return c.WorkSolution;
}

// The sums over the species a row reports: 1/2 sum c |z| [N], 1/2 sum c z^2 [M], sum c z [M].
struct IonSums {
    double equivalents = 0, strength = 0, charge = 0;
};
IonSums Sums(const RecipeSolution& row) {
    IonSums sums;
    for (const RecipeIon& ion : row.ions) {
        sums.equivalents += 0.5 * ion.conc * std::abs(ion.charge);
        sums.strength += 0.5 * ion.conc * ion.charge * ion.charge;
        sums.charge += ion.conc * ion.charge;
    }
    return sums;
}
double Ion(const RecipeSolution& row, const std::string& name) {
    for (const RecipeIon& ion : row.ions)
        if (ion.name == name) return ion.conc;
    return 0;
}

TEST(Recipe, OneChelatorVolumesAreTheTotalsTimesTheVolumeOverTheStocks) {
    SolutionInput entered;
    entered.type = CalculationType::Total;
    entered.chelators = {{"EGTA", 2e-3}};
    entered.metals = {{"Ca2", 0, 1e-7}};
    auto s = Describe(entered);
    RecipeRequest r;
    r.volume = 10e-3;
    r.stocks = {{"EGTA", 0.1}, {"Ca2", 0.05}};
    r.purity = {{"egta", 0.97}};  // names ignore case
    r.topup = NamedValue{"KCl", 2.0};
    test::MessageRecorder messages;
    const Recipe recipe = MakeRecipe(s->calc, nullptr, r, messages);
    ASSERT_TRUE(recipe.ok);
    ASSERT_EQ(recipe.ingredients.size(), 4U);  // EGTA, Ca2, KCl, KOH
    const RecipeSolution& row = recipe.solutions.at(0);
    // By hand: 2 mM x 10 mL / (100 mM x 0.97) = 206.1856 uL of the EGTA stock.
    EXPECT_NEAR(row.volumes[0], 206.18556701, 1e-8);
    // Every total is stock x purity x volume / final volume, and the water makes up the rest.
    EXPECT_NEAR(0.05 * row.volumes[1] / 10e3, row.metalTotal[1], 1e-15);
    EXPECT_NEAR(2.0 * row.volumes[2] / 10e3, row.saltConc, 1e-15);
    EXPECT_NEAR(1.0 * row.volumes[3] / 10e3, row.base, 1e-15);  // KOH 1 M unless named
    EXPECT_NEAR(row.volumes[0] + row.volumes[1] + row.volumes[2] + row.volumes[3] + row.water, 10e3, 1e-9);
    // The same total as the single-point run gives at the target (0.1 N, the solution's own).
    const test::Solved run = test::Solve(s->table, entered);
    EXPECT_DOUBLE_EQ(row.metalTotal[1], run.calc.WorkSolution.MetalTotal[1]);
    EXPECT_DOUBLE_EQ(row.ionic, 0.1);
    // The ions counted by hand: CaCl2 and KCl bring the chloride, KOH and KCl the potassium, every EGTA
    // form and complex adds up to the EGTA total, and the tube is neutral.
    EXPECT_NEAR(Ion(row, "Cl-"), 2 * row.metalTotal[1] + row.saltConc, 1e-15);
    EXPECT_NEAR(Ion(row, "K+"), row.base + row.saltConc, 1e-15);
    EXPECT_DOUBLE_EQ(Ion(row, "Ca2+"), 1e-7);
    const double egta = Ion(row, "EGTA4-") + Ion(row, "HEGTA3-") + Ion(row, "H2EGTA2-") +
                        Ion(row, "H3EGTA-") + Ion(row, "H4EGTA") + Ion(row, "CaEGTA2-") +
                        Ion(row, "CaHEGTA-");
    EXPECT_NEAR(egta, 2e-3, 1e-15);
    const IonSums sums = Sums(row);
    EXPECT_NEAR(sums.charge, 0, 1e-12);
    EXPECT_NEAR(sums.equivalents, 0.1, 1e-15);
    EXPECT_NEAR(sums.strength, row.ionicStrength, 1e-15);
    EXPECT_GT(row.ionicStrength, row.ionic);  // H2EGTA2- counts twice more in 1/2 sum c z^2
}

// A top-up whose anion carries a digit (KMeSO3, KNO3) is a 1:1 salt like KCl: the same volumes, and its
// anion counted where the chloride was.
TEST(Recipe, ATopUpSaltWithADigitInItsAnionActsAsKCl) {
    auto s = Describe(TwoChelators(CalculationType::Total));
    RecipeRequest r = Stocks();
    test::MessageRecorder messages;
    const Recipe chloride = MakeRecipe(s->calc, &s->buffers, r, messages);
    r.topup->name = "KMeSO3";
    const Recipe mesylate = MakeRecipe(s->calc, &s->buffers, r, messages);
    ASSERT_TRUE(chloride.ok && mesylate.ok);
    const RecipeSolution& a = chloride.solutions.at(0);
    const RecipeSolution& b = mesylate.solutions.at(0);
    EXPECT_EQ(a.volumes, b.volumes);
    EXPECT_DOUBLE_EQ(Ion(b, "MeSO3-"), b.saltConc);
    EXPECT_NEAR(Ion(b, "Cl-") + Ion(b, "MeSO3-"), Ion(a, "Cl-"), 1e-15);
}

// EGTA free acid and CaCl2 at pH 7.0, 20 C, 0.1 N (the constants as stored) with 1 uM free Ca2: the base,
// worked by hand. [H+] = 10^-7 / 0.7841996 = 1.2751855e-7 M; the free EGTA's protonation polynomial
// P = 1 + 10^9.47 h + 10^18.32 h^2 + ... = 34353.32 with 1.9890446 protons bound on average; free L
// = 10 mM / (P + 10^10.97 x 1e-6 + 10^5.30 x 10^9.47 h x 1e-6) = 7.8275536e-8 M, so CaEGTA 7.3050980 mM,
// CaHEGTA 5.8775917 uM; [OH-] = 10^(log Kw + 7) / 0.7841996 = 8.7174766e-8 M (log Kw -14.165183 at 20 C).
// Base = 4 x 10 mM - (protons on free EGTA + CaHEGTA + [H+] - [OH-]) = 34.645493 mM: 346.455 uL of 1 M KOH.
TEST(Recipe, TheBaseForEgtaFreeAcidAndCalciumChlorideIsTheHandWorkedOne) {
    SolutionInput entered;
    entered.type = CalculationType::Total;
    entered.chelators = {{"EGTA", 10e-3}};
    entered.metals = {{"Ca2", 0, 1e-6}};
    auto s = Describe(entered);
    RecipeRequest r;
    r.volume = 10e-3;
    r.stocks = {{"EGTA", 0.1}, {"Ca2", 0.1}};
    r.topup = NamedValue{"KCl", 3.0};
    r.precision = Precision::Exact;
    test::MessageRecorder messages;
    const Recipe recipe = MakeRecipe(s->calc, nullptr, r, messages);
    ASSERT_TRUE(recipe.ok);
    const RecipeSolution& row = recipe.solutions.at(0);
    EXPECT_NEAR(row.metalTotal[1], 7.31197561288707e-3, 1e-12);
    EXPECT_NEAR(row.base, 34.6454925715786e-3, 1e-11);
    ASSERT_EQ(recipe.ingredients.back().kind, IngredientKind::Base);
    EXPECT_EQ(recipe.ingredients.back().name, "KOH");
    EXPECT_NEAR(row.volumes.back(), 346.454925715786, 1e-7);
    EXPECT_NEAR(Sums(row).charge, 0, 1e-12);
}

// Along a pCa series each step's CaCl2 binds EGTA and frees two protons that the KOH takes: the tube
// gains two chloride and two potassium per calcium, 2 N per M, and the top-up falls by as much.
TEST(Recipe, TheTopUpFallsAlongAPCaSeriesByWhatTheBoundCalciumBrings) {
    SolutionInput entered;
    entered.type = CalculationType::Total;
    entered.ionic = 0.18;
    entered.chelators = {{"EGTA", 7e-3}};
    entered.metals = {{"Ca2", 0, 1e-7}};
    auto s = Describe(entered);
    RecipeRequest r;
    r.volume = 10e-3;
    r.stocks = {{"EGTA", 0.1}, {"Ca2", 0.1}};
    r.topup = NamedValue{"KCl", 3.0};
    r.seriesMetal = "Ca2";
    r.seriesFree = {1e-9, 1e-8, 1e-7, 1e-6, 1e-5};
    test::MessageRecorder messages;
    const Recipe recipe = MakeRecipe(s->calc, nullptr, r, messages);
    ASSERT_TRUE(recipe.ok);
    const std::vector<RecipeSolution>& rows = recipe.solutions;
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const double fall = rows[k - 1].saltConc - rows[k].saltConc;
        const double calcium = rows[k].metalTotal[1] - rows[k - 1].metalTotal[1];
        EXPECT_GT(fall, 0);
        EXPECT_NEAR(fall / (2 * calcium), 1, 0.03) << k;
    }
    EXPECT_GT(rows.front().saltConc - rows.back().saltConc, 2 * 6.5e-3);
}

// Type Total and type Free (whose series total is searched): the totals pipetted, solved again, give the
// wanted free levels, and their ionic strength recomputed is the target.
TEST(Recipe, TheTotalsSolvedAgainGiveTheWantedFreeLevelsAtTheTargetIonicStrength) {
    for (CalculationType type : {CalculationType::Total, CalculationType::Free}) {
        auto s = Describe(TwoChelators(type));
        RecipeRequest r = Stocks();
        r.ionicTarget = 0.18;
        r.seriesMetal = "Ca2";
        r.seriesFree = {1e-9, 1e-7, 1e-5};
        test::MessageRecorder messages;
        const Recipe recipe = MakeRecipe(s->calc, &s->buffers, r, messages);
        ASSERT_TRUE(recipe.ok) << static_cast<int>(type);
        for (const RecipeSolution& row : recipe.solutions) {
            double charge = 0;
            const TSolution made = SolveTotals(*s, row, 0.18, charge);
            EXPECT_NEAR(made.MetalFree[1] / row.wanted, 1, 1e-9);
            if (type == CalculationType::Total) {
                EXPECT_NEAR(made.MetalFree[2] / 1e-3, 1, 1e-9);
            }
            EXPECT_NEAR(made.MetalFree[2], row.metalFree[2], 1e-12);
            // Every tube is neutral, and both ionic figures are the sums over the species it reports.
            const IonSums sums = Sums(row);
            EXPECT_NEAR(sums.charge, 0, 1e-9);
            EXPECT_NEAR(sums.equivalents, 0.18, 1e-12);
            EXPECT_NEAR(sums.strength, row.ionicStrength, 1e-15);
            EXPECT_NEAR(row.ionic, 0.18, 1e-15);
            EXPECT_GT(row.base, 0);  // the free acids take base to reach pH 7.2
        }
    }
}

// Without a top-up salt the tube's strength is what it brings: solved there, it gives that strength back.
TEST(Recipe, WithoutTopUpTheStrengthIsFoundWhereTheSolveGivesItBack) {
    auto s = Describe(TwoChelators(CalculationType::Total));
    RecipeRequest r = Stocks();
    r.topup.reset();
    r.seriesMetal = "Ca2";
    r.seriesFree = {1e-8, 1e-6};
    test::MessageRecorder messages;
    const Recipe recipe = MakeRecipe(s->calc, &s->buffers, r, messages);
    ASSERT_TRUE(recipe.ok);
    for (const RecipeSolution& row : recipe.solutions) {
        EXPECT_GT(row.ionicPasses, 1);
        EXPECT_LT(row.ionic, 0.05);  // far below the 0.15 N the work file assumed
        double charge = 0;
        const TSolution made = SolveTotals(*s, row, row.ionic, charge);
        EXPECT_NEAR(made.MetalFree[1] / row.wanted, 1, 1e-9);
        EXPECT_NEAR(Sums(row).equivalents, row.ionic, 1e-7 * row.ionic);
        EXPECT_NEAR(Sums(row).charge, 0, 1e-9);
        EXPECT_EQ(row.saltConc, 0);
    }
}

TEST(Recipe, EveryMixHasTheWantedFreeLevelWhenSolved) {
    for (CalculationType type : {CalculationType::Total, CalculationType::Free}) {
        auto s = Describe(TwoChelators(type));
        RecipeRequest r = Stocks();
        r.seriesMetal = "Ca2";
        r.seriesFree = {1e-8, 3e-8, 1e-7};  // the loaded end has about 3e-7 M free
        r.seriesAsPX = true;
        r.mixing = true;
        test::MessageRecorder messages;
        const Recipe recipe = MakeRecipe(s->calc, &s->buffers, r, messages);
        ASSERT_TRUE(recipe.ok) << static_cast<int>(type);
        ASSERT_EQ(recipe.ends.size(), 2U);
        const RecipeSolution& a = recipe.ends[0];
        const RecipeSolution& b = recipe.ends[1];
        EXPECT_EQ(a.metalTotal[1], 0);
        EXPECT_NEAR(b.metalTotal[1], 2e-3, 1e-15);  // loaded: Ca2 total = EGTA total
        EXPECT_NEAR(a.ionic, 0.15, 1e-15);
        EXPECT_DOUBLE_EQ(recipe.mixVolume, 10e-3 / 3);
        for (const RecipeSolution& mix : recipe.solutions) {
            // The mix is the two ends in its part of the volume and the base it is given for its pH.
            const double f = mix.fraction;
            double given = 0;  // [uL]
            for (const double v : mix.volumes) given += v;
            EXPECT_NEAR(mix.loadedVolume + mix.unloadedVolume + given, recipe.mixVolume * 1e6, 1e-9);
            const double share = (mix.loadedVolume + mix.unloadedVolume) / (recipe.mixVolume * 1e6);
            RecipeSolution mixed = mix;
            for (int k = 1; k <= kSlots; ++k) {
                mixed.chelTotal[k] = share * ((1 - f) * a.chelTotal[k] + f * b.chelTotal[k]);
                mixed.metalTotal[k] = share * ((1 - f) * a.metalTotal[k] + f * b.metalTotal[k]);
            }
            double charge = 0;
            const TSolution made = SolveTotals(*s, mixed, mix.ionic, charge);
            EXPECT_NEAR(made.MetalFree[1] / mix.wanted, 1, 1e-9);
            EXPECT_NEAR(mix.saltConc, share * ((1 - f) * a.saltConc + f * b.saltConc), 1e-15);
            EXPECT_NEAR(Sums(mix).equivalents, mix.ionic, 1e-7 * mix.ionic);
        }
    }
}

TEST(Recipe, WhatCannotBeMadeIsRefusedWithItsReason) {
    using Change = std::function<void(RecipeRequest&, Calculation&)>;
    const struct {
        Change change;
        const char* text;
    } cases[] = {
        {[](RecipeRequest& r, Calculation&) { r.ionicTarget = 0.01; },
         "CANNOT BE MADE\rThe ionic strength target 0.0100 N is already exceeded:\rthe solution brings 0.0"},
        {[](RecipeRequest& r, Calculation&) {
             r.contamination = {{"Ca2", 50e-3}};
         },
         "CANNOT BE MADE\rThe contamination alone exceeds what the solution holds:\r5.00e-02 M Ca2"},
        {[](RecipeRequest& r, Calculation&) {
             r.osmolyte = NamedValue{"sucrose", 1}, r.osmolarityTarget = 0.1;
         },
         "CANNOT BE MADE\rThe osmolarity target 100.0 mOsm/L is already exceeded:\rthe solution brings"},
        {[](RecipeRequest& r, Calculation&) {
             r.base = NamedValue{"KOH", 1e-6};
         },
         "CANNOT BE MADE\rThe KOH that sets the pH exceeds the volume:\rthe solution needs"},
        {[](RecipeRequest& r, Calculation&) { r.stocks[0].value = 1e-3; },
         "CANNOT BE MADE\rThe stocks are too dilute for 10.000 mL:\rthe solution needs"},
        {[](RecipeRequest& r, Calculation&) { r.stocks.erase(r.stocks.begin() + 2); },
         "CANNOT BE MADE\rNo stock is given for Ca2"},
        {[](RecipeRequest& r, Calculation&) { r.stocks.pop_back(); },
         "CANNOT BE MADE\rNo stock is given for the pH buffer HEPES"},
        {[](RecipeRequest& r, Calculation&) {
             r.stocks.push_back({"Zn2", 1});
         },
         "CANNOT BE MADE\rA stock is given for Zn2, which is neither"},
        {[](RecipeRequest& r, Calculation&) { r.buffer = "Tris"; },
         "CANNOT BE MADE\rNo pH buffer named Tris"},
        {[](RecipeRequest& r, Calculation&) { r.purity[0].value = 1.5; },
         "CANNOT BE MADE\rThe purity of EGTA"},
        {[](RecipeRequest& r, Calculation&) { r.topup.reset(), r.ionicTarget = 0.2; },
         "CANNOT BE MADE\rNo top-up salt stock is given"},
        {[](RecipeRequest& r, Calculation&) { r.topup->name = "MgCl2"; },
         "CANNOT BE MADE\rThe top-up salt must be a 1:1 salt such as KCl, NaCl or KMeSO3: MgCl2 is none of a "
         "known cation (K, Na"},
        {[](RecipeRequest& r, Calculation&) { r.volume = 0; }, "CANNOT BE MADE\rThe volume must be above 0"},
        {[](RecipeRequest& r, Calculation&) { r.seriesMetal = "Zn2", r.seriesFree = {1e-7}; },
         "CANNOT BE MADE\rThe series metal Zn2 is not in this solution"},
        {[](RecipeRequest& r, Calculation& c) {
             c.CalcType = CalculationType::Chelator, r.seriesMetal = "Mg2", r.seriesFree = {1e-4};
         },
         "CANNOT BE MADE\rIn type Chelator only the first metal (Ca2)"},
        {[](RecipeRequest& r, Calculation& c) {
             c.CalcType = CalculationType::Chelator, r.seriesMetal = "Ca2", r.seriesFree = {1e-7},
             r.mixing = true;
         },
         "CANNOT BE MADE\rThe mixing method mixes two solutions of the same chelator"},
        {[](RecipeRequest& r, Calculation&) {
             r.seriesMetal = "Ca2", r.seriesFree = {1e-3}, r.mixing = true;
         },
         "CANNOT BE MADE\rsolution 1 (1.00e-03 M free Ca2) is more than mixing gives"},
        {[](RecipeRequest& r, Calculation&) {
             r.seriesMetal = "Ca2", r.seriesFree = {1e-8, 1e-7}, r.mixing = true, r.mixVolume = 8e-3;
         },
         "CANNOT BE MADE\rThe mixes of 8.000 mL need"},
        {[](RecipeRequest&, Calculation& c) { c.Solution.LogKM[1][1][1] = 0; },
         "RESULTS NOT VALID, CONSTANTS MISSING"},
    };
    for (const auto& c : cases) {
        auto s = Describe(TwoChelators(CalculationType::Total));
        RecipeRequest r = Stocks();
        c.change(r, s->calc);
        test::MessageRecorder messages;
        const Recipe recipe = MakeRecipe(s->calc, &s->buffers, r, messages);
        EXPECT_FALSE(recipe.ok) << c.text;
        EXPECT_TRUE(recipe.solutions.empty() && recipe.ingredients.empty());
        ASSERT_FALSE(messages.messages.empty()) << c.text;
        EXPECT_EQ(messages.messages.back().second, "ERROR");
        EXPECT_EQ(messages.messages.back().first.rfind(c.text, 0), 0U) << messages.messages.back().first;
        EXPECT_TRUE(PipettingTable(recipe).rows.empty());
    }
}

TEST(RecipeInput, AmountsPuritiesAndSeriesAsTyped) {
    const struct {
        const char* text;
        AmountKind kind;
        bool comma;
        std::optional<double> value;
    } amounts[] = {
        {"10mL", AmountKind::Volume, false, 10e-3},
        {" 500 uL ", AmountKind::Volume, false, 500e-6},
        {"0.01", AmountKind::Volume, false, 0.01},
        {"2 l", AmountKind::Volume, false, 2},
        {"100mM", AmountKind::Concentration, false, 0.1},
        {"1e-3 M", AmountKind::Concentration, false, 1e-3},
        {"50 \xc2\xb5M", AmountKind::Concentration, false, 50e-6},
        {"7nM", AmountKind::Concentration, false, 7e-9},
        {"0,15 mmol/L", AmountKind::Concentration, true, 0.15e-3},
        {"2 \xc2\xb5mol/l", AmountKind::Concentration, false, 2e-6},
        {"1 mol/L", AmountKind::Concentration, false, 1},
        {"mol/L", AmountKind::Concentration, false, {}},
        {"0,18", AmountKind::Ionic, true, 0.18},
        {"180 mN", AmountKind::Ionic, false, 0.18},
        {"0,18", AmountKind::Ionic, false, {}},
        {"10 mg", AmountKind::Concentration, false, {}},
        {"mL", AmountKind::Volume, false, {}},
        {"", AmountKind::Volume, false, {}},
        {"1e999 M", AmountKind::Concentration, false, {}},
    };
    for (const auto& a : amounts) {
        const std::optional<double> v = ParseAmount(a.text, a.kind, a.comma);
        ASSERT_EQ(v.has_value(), a.value.has_value()) << a.text;
        if (v) {
            EXPECT_NEAR(*v, *a.value, 1e-15 * *a.value) << a.text;
        }
    }
    // A volume or stock typed without its unit is refused by the faces that read text.
    EXPECT_TRUE(MissingUnit("10", AmountKind::Volume));
    EXPECT_TRUE(MissingUnit(" 100 ", AmountKind::Concentration));
    EXPECT_FALSE(MissingUnit("10mL", AmountKind::Volume));
    EXPECT_FALSE(MissingUnit("0.18", AmountKind::Ionic));
    EXPECT_NEAR(*ParseOsmolarity("290"), 0.29, 1e-15);
    EXPECT_NEAR(*ParseOsmolarity("0,3 Osm/L", true), 0.3, 1e-15);
    EXPECT_EQ(ParseFraction("97%"), 0.97);
    EXPECT_EQ(ParseFraction("0,5", true), 0.5);
    EXPECT_FALSE(ParseFraction("97 %%"));

    const SeriesInput pca = ParseSeries("Ca2=pX:9:4.5:0.5");
    ASSERT_TRUE(pca.ok());
    EXPECT_EQ(pca.metal, "Ca2");
    EXPECT_TRUE(pca.asPX);
    ASSERT_EQ(pca.px.size(), 10U);
    EXPECT_EQ(pca.px.front(), 9.0);
    EXPECT_NEAR(pca.px.back(), 4.5, 1e-12);
    EXPECT_EQ(ParseSeries("Ca2=pX:6,7").px, (std::vector<double>{6, 7}));
    const SeriesInput list = ParseSeries("Mg2=1mM,500uM");
    ASSERT_TRUE(list.ok());
    EXPECT_EQ(list.free, (std::vector<double>{1e-3, 500e-6}));
    for (const char* bad :
         {"Ca2", "=1mM", "Ca2=pX:9:4.5", "Ca2=pX:9:4.5:0", "Ca2=1mM,x", "Ca2=pX:9:4.5:0.0001"})
        EXPECT_FALSE(ParseSeries(bad).ok()) << bad;
    EXPECT_EQ(PXName("Ca2"), "pCa");
}

}  // namespace
}  // namespace dedodiz
