// SPDX-License-Identifier: BSD-3-Clause
// Writes the example work files of examples/ through the program's own SaveWorkSettings. Run from the
// repository root, after data/standard.TCM exists:
//   build/tools/make-examples
// Each work file names its constants file as the relative path "data/standard.TCM", so the examples
// load when the program is started from the repository root.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Session.h"
#include "engine/State.h"
#include "files/WorkFile.h"

namespace {

using namespace dedodiz;

constexpr std::string_view kConstants = "data/standard.TCM";

struct StderrMessages : MessageSink {
    int count = 0;
    void Message(std::string_view text, std::string_view caption) override {
        ++count;
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
};

struct Conditions {
    double temperature;  // [C]
    double ph;
    double ionic;  // [N]
};

// The bench conditions of the first examples.
constexpr Conditions kBench20 = {20.0, 7.2, 0.1};

struct Example {
    const char* file;
    CalculationType calcType;
    std::vector<std::pair<const char*, double>> chelators;                  // name, total [mol/L]
    std::vector<std::pair<const char*, std::pair<double, double>>> metals;  // name, (total, free) [mol/L]
    Conditions conditions;
};

// The example as a solution: the named chelators and metals (their slots follow table order, as the
// choice dialog gives them) with their concentrations.
SolutionInput InputOf(const Example& ex) {
    SolutionInput entered;
    entered.type = ex.calcType;
    entered.temperature = ex.conditions.temperature;
    entered.pH = ex.conditions.ph;
    entered.ionic = ex.conditions.ionic;
    for (const auto& [name, total] : ex.chelators) entered.chelators.push_back({name, total});
    for (const auto& [name, values] : ex.metals)
        entered.metals.push_back({name, values.first, values.second});
    return entered;
}

}  // namespace

int main() {
    const std::vector<Example> examples = {
        // Free: what is free of 1 mM Ca and 1 mM Mg in 2 mM EGTA.
        {"examples/ca-egta-free.STG",
         CalculationType::Free,
         {{"EGTA", 2e-3}},
         {{"Ca2", {1e-3, 0}}, {"Mg2", {1e-3, 0}}},
         kBench20},
        // Total: how much Ca gives 100 nM free in 1 mM BAPTA.
        {"examples/bapta-total.STG",
         CalculationType::Total,
         {{"BAPTA", 1e-3}},
         {{"Ca2", {0, 100e-9}}},
         kBench20},
        // Chelator: how much EGTA brings 1 mM total Ca down to 100 nM free.
        {"examples/egta-chelator.STG",
         CalculationType::Chelator,
         {{"EGTA", 0}},
         {{"Ca2", {1e-3, 100e-9}}},
         kBench20},
        // Total, at body temperature and ionic strength: how much Ca gives 100 nM free in 10 mM BAPTA.
        {"examples/bapta-37c-total.STG",
         CalculationType::Total,
         {{"BAPTA", 10e-3}},
         {{"Ca2", {0, 100e-9}}},
         {37.0, 7.2, 0.15}},
        // Total, at bench temperature: how much Mg gives 0.5 mM free beside 5 mM ATP.
        {"examples/mg-atp-total.STG",
         CalculationType::Total,
         {{"ATP", 5e-3}},
         {{"Mg2", {0, 0.5e-3}}},
         {25.0, 7.2, 0.15}},
        // Total, for a force-pCa series (dedodiz32-cli recipe --series Ca2=pX:...): 7 mM EGTA and 5 mM ATP
        // with 1 mM free Mg; the free Ca given here is one level of the series.
        {"examples/pca-egta-atp-total.STG",
         CalculationType::Total,
         {{"EGTA", 7e-3}, {"ATP", 5e-3}},
         {{"Ca2", {0, 1e-7}}, {"Mg2", {0, 1e-3}}},
         {22.0, 7.0, 0.18}},
    };

    StderrMessages messages;
    for (const Example& ex : examples) {
        auto session = std::make_unique<Session>();
        session->SetSinks(&messages, nullptr);
        if (!session->LoadConstants(std::string(kConstants)).Ran()) {
            std::fprintf(stderr, "cannot read %.*s (run from the repository root)\n",
                         static_cast<int>(kConstants.size()), kConstants.data());
            return 1;
        }
        if (const Outcome described = session->Describe(InputOf(ex)); !described.Ran()) {
            std::fprintf(stderr, "%s: %s\n", ex.file, described.Message().c_str());
            return 1;
        }
        if (!session->SaveWork(ex.file).Ran()) return 1;
        std::printf("wrote %s\n", ex.file);
    }
    return 0;
}
