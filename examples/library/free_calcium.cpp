// SPDX-License-Identifier: BSD-3-Clause
// The free calcium of 2 mM EGTA with 1 mM calcium and 1 mM magnesium at pH 7.2, 20 C and 0.1 N, the
// example of the README, computed through the installed library. The constants table is the one given
// on the command line, else the bundled one of the installed data package.
#include <cstdio>
#include <memory>
#include <string>

#include "core/Session.h"
#include "engine/Release.h"

int main(int argc, char** argv) {
    using namespace dedodiz;
    auto session = std::make_unique<Session>();  // large: kept off the stack
    const Outcome loaded = argc > 1 ? session->LoadConstants(argv[1]) : session->LoadBundledConstants();
    if (!loaded.Ran()) {
        std::fprintf(stderr, "free-calcium: %s\n", loaded.Message().c_str());
        return 1;
    }

    SolutionInput entered;
    entered.type = CalculationType::Free;  // the totals are given, the free metals computed
    entered.pH = 7.2;
    entered.chelators = {{"EGTA", 2e-3}};                       // total [mol/L]
    entered.metals = {{"Ca2", 1e-3, 0.0}, {"Mg2", 1e-3, 0.0}};  // total, free [mol/L]
    Outcome outcome = session->Describe(entered);
    if (outcome.Ran()) outcome = session->Run();
    if (!outcome.Ran()) {
        std::fprintf(stderr, "free-calcium: %s\n", outcome.Message().c_str());
        return 1;
    }
    std::printf("free Ca2 %.4e M (DEDODIZ32 library %s)\n", *session->Value("free_Ca2_M"),
                std::string(kRelease).c_str());
    return 0;
}
