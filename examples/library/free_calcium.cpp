// SPDX-License-Identifier: BSD-3-Clause
// The free calcium of 2 mM EGTA with 1 mM calcium and 1 mM magnesium at pH 7.2, 20 C and 0.1 N, the
// example of the README, computed through the installed library. The constants table is the one given
// on the command line, else the bundled one of the installed data package.
#include <cstdio>
#include <string>

#include "core/Calculator.h"
#include "engine/Release.h"
#include "files/DataPaths.h"

int main(int argc, char** argv) {
    using namespace dedodiz;
    const std::string tablePath = argc > 1 ? argv[1] : BundledConstantsFile();
    MessageKeeper messages;
    ConstantsTable table;
    if (tablePath.empty() || !LoadTable(tablePath, table, messages).ok()) {
        std::fprintf(stderr, "free-calcium: cannot read the constants table \"%s\"\n", tablePath.c_str());
        return 1;
    }

    SolutionInput entered;
    entered.type = CalculationType::Free;  // the totals are given, the free metals computed
    entered.pH = 7.2;
    entered.chelators = {{"EGTA", 2e-3}};                   // total [mol/L]
    entered.metals = {{"Ca2", 1e-3, 0}, {"Mg2", 1e-3, 0}};  // total, free [mol/L]
    const Solved solved = Solve(table, entered);
    if (!solved.Ran()) {
        std::fprintf(stderr, "free-calcium: the calculation did not run\n");
        return 1;
    }
    const int slot = SolutionMetalSlot(solved.calc.Solution, "Ca2");
    std::printf("free Ca2 %.4e M (DEDODIZ32 library %s)\n", solved.calc.WorkSolution.MetalFree[slot],
                std::string(kRelease).c_str());
    return 0;
}
