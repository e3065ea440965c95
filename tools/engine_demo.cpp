// A small look at the engine until the command-line tool reads work files: free calcium and
// magnesium in 2 mM EGTA with 1 mM Ca and 1 mM Mg at pH 7.2, 20 C and 0.1 N.
#include <cstdio>

#include "Corrections.h"
#include "FloatGuard.h"
#include "Format.h"
#include "Sinks.h"
#include "Solver.h"
#include "State.h"

namespace {
struct StderrMessages : dedodiz::MessageSink {
    void Message(std::string_view text, std::string_view caption) override {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
};
}  // namespace

int main() {
    using namespace dedodiz;
    State s;
    NewState(s);
    TChelatorRec& egta = s.Constants[1];
    egta.Name = "EGTA";
    egta.H[1] = 9.47, egta.H[2] = 8.85, egta.H[3] = 2.66, egta.H[4] = 2.00;
    egta.dH[1] = -5.6, egta.dH[2] = -5.5;
    egta.MetalName[1] = "Ca2", egta.ML[1] = 10.97, egta.MHL[1] = 5.30, egta.dML[1] = -8.1;
    egta.MetalName[2] = "Mg2", egta.ML[2] = 5.21, egta.MHL[2] = 3.40, egta.dML[2] = 5.4;
    s.ChelatorChosen[1] = true;
    s.MetalChosen[1] = s.MetalChosen[2] = true;
    StderrMessages messages;
    BuildSelection(s, messages);
    s.Solution.PH = 7.2;
    s.Solution.ChelTotal[1] = 2e-3;
    s.Solution.MetalTotal[1] = 1e-3;
    s.Solution.MetalTotal[2] = 1e-3;

    if (!RunGuarded(messages, [&] {
            PrepareWork(s);
            SolveEquilibrium(s);
        }))
        return 1;
    std::printf("2 mM EGTA, 1 mM Ca, 1 mM Mg, pH 7.20, 20.0 C, 0.100 N (converged: %s)\n",
                s.Converged ? "yes" : "no");
    for (int j = 1; j <= 2; ++j)
        std::printf("  free %s %sM   Kd %sM\n", s.WorkSolution.MetalName[j].c_str(),
                    FormatSci(s.WorkSolution.MetalFree[j]).c_str(), FormatSci(s.KdCombined[1][j]).c_str());
    std::printf("  free EGTA %sM   ionic strength of the solution %s M\n",
                FormatSci(s.WorkSolution.ChelFree[1]).c_str(), FormatFixed(s.SolutionIonic, 6, 4).c_str());
    return 0;
}
