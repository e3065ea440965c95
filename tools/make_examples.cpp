// Writes the example work files of examples/ through the program's own SaveWorkSettings. Run from the
// repository root, after data/standard.TCM exists:
//   build/tools/make-examples
// Each work file names its constants file as the relative path "data/standard.TCM", so the examples
// load when the program is started from the repository root.
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ConstantsFile.h"
#include "State.h"
#include "WorkFile.h"

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
    std::int16_t calcType;                                                  // 0 Total, 1 Free, 2 Chelator
    std::vector<std::pair<const char*, double>> chelators;                  // name, total [mol/L]
    std::vector<std::pair<const char*, std::pair<double, double>>> metals;  // name, (total, free) [mol/L]
    Conditions conditions;
};

int FindChelator(const State& s, std::string_view name) {
    for (int c = 1; c <= kTableChelators; ++c)
        if (s.Constants[c].Name == name) return c;
    return 0;
}

int FindMetal(const State& s, std::string_view name) {
    for (int m = 1; m <= kTableMetals; ++m)
        if (s.Constants[1].MetalName[m] == name) return m;
    return 0;
}

// Chooses the named chelators and metals (slots follow table order, as the choice dialog gives them)
// and sets their concentrations.
bool Prepare(State& s, const Example& ex, MessageSink& messages) {
    s.CalcType = ex.calcType;
    s.ChelatorChosen.fill(false);
    s.MetalChosen.fill(false);
    for (const auto& [name, total] : ex.chelators) {
        const int c = FindChelator(s, name);
        if (c == 0) return false;
        s.ChelatorChosen[c] = true;
    }
    for (const auto& [name, values] : ex.metals) {
        const int m = FindMetal(s, name);
        if (m == 0) return false;
        s.MetalChosen[m] = true;
    }
    if (!BuildSelection(s, messages)) return false;
    s.Solution.Temperature = ex.conditions.temperature;
    s.Solution.PH = ex.conditions.ph;
    s.Solution.IonicEquiv = ex.conditions.ionic;
    for (const auto& [name, total] : ex.chelators)
        for (int i = 1; i <= kSlots; ++i)
            if (s.Solution.ChelName[i] == name) s.Solution.ChelTotal[i] = total;
    for (const auto& [name, values] : ex.metals)
        for (int j = 1; j <= kSlots; ++j)
            if (s.Solution.MetalName[j] == name) {
                s.Solution.MetalTotal[j] = values.first;
                s.Solution.MetalFree[j] = values.second;
            }
    return true;
}

}  // namespace

int main() {
    const std::vector<Example> examples = {
        // Free: what is free of 1 mM Ca and 1 mM Mg in 2 mM EGTA.
        {"examples/ca-egta-free.STG",
         1,
         {{"EGTA", 2e-3}},
         {{"Ca2", {1e-3, 0}}, {"Mg2", {1e-3, 0}}},
         kBench20},
        // Total: how much Ca gives 100 nM free in 1 mM BAPTA.
        {"examples/bapta-total.STG", 0, {{"BAPTA", 1e-3}}, {{"Ca2", {0, 100e-9}}}, kBench20},
        // Chelator: how much EGTA brings 1 mM total Ca down to 100 nM free.
        {"examples/egta-chelator.STG", 2, {{"EGTA", 0}}, {{"Ca2", {1e-3, 100e-9}}}, kBench20},
        // Total, at body temperature and ionic strength: how much Ca gives 100 nM free in 10 mM BAPTA.
        {"examples/bapta-37c-total.STG", 0, {{"BAPTA", 10e-3}}, {{"Ca2", {0, 100e-9}}}, {37.0, 7.2, 0.15}},
        // Total, at bench temperature: how much Mg gives 0.5 mM free beside 5 mM ATP.
        {"examples/mg-atp-total.STG", 0, {{"ATP", 5e-3}}, {{"Mg2", {0, 0.5e-3}}}, {25.0, 7.2, 0.15}},
    };

    StderrMessages messages;
    for (const Example& ex : examples) {
        State s;
        NewState(s);
        ReadConstantsFile(s, kConstants, messages);
        if (s.FileStatus != 0) {
            std::fprintf(stderr, "cannot read %.*s (run from the repository root)\n",
                         static_cast<int>(kConstants.size()), kConstants.data());
            return 1;
        }
        s.ConstantsFileName = kConstants;
        if (!Prepare(s, ex, messages)) {
            std::fprintf(stderr, "%s: a chelator or metal is not in the table\n", ex.file);
            return 1;
        }
        s.WorkFileName = ex.file;
        const int before = messages.count;
        SaveWorkSettings(s, messages);
        if (messages.count != before) return 1;
        std::printf("wrote %s\n", ex.file);
    }
    return 0;
}
