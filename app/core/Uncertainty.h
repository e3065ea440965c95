// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// How far to trust a result: every input of a calculation that is known only to within some standard
// uncertainty (pH, temperature, ionic strength, every stored log K and enthalpy, each chelator's purity,
// the totals pipetted) is varied at random, the program's own correction and solver are run on each
// sample, and the spread of every result of the calculation type is reported with the share of it that
// each input causes. Free metals for type Free, total metals for type Total, the chelator totals for
// type Chelator.
//
// The numbers depend only on the input and the seed: every sample draws its deviates from a
// counter-based generator keyed by the seed, the sample's number and the input, and writes its values
// to its own place, so one thread or several give the same numbers. Threads are optional: a build
// without them (WebAssembly) runs every sample in the calling thread.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/Run.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

inline constexpr int kDefaultUncertaintySamples = 2000;
inline constexpr int kMaxUncertaintySamples = 1000000;

// A chelator's purity: the fraction of the weighed reagent that is chelator, and its standard
// uncertainty. A sample's purity never exceeds 1.
struct PurityInput {
    double fraction = 1;
    double sd = 0;
};

// A metal's contamination: what the water and the salts bring beyond the total added [mol/L], and its
// standard uncertainty [mol/L] (a calibration's fit gives both). A sample's contamination is never below 0.
struct ContaminationInput {
    double conc = 0;
    double sd = 0;
};

// The standard uncertainties of the inputs; 0 switches an input off. "Relative" ones are fractions of
// the value (0.05 = 5 %).
struct UncertaintyInputs {
    double pHSd = 0.02;
    double temperatureSd = 0.5;       // [C]
    double ionicRsd = 0.05;           // relative, of the ionic strength [N]
    double logKHSd = 0.05;            // [log10 units] every stored protonation constant
    double logKMLSd = 0.05;           // [log10 units] every stored ML constant
    double logKMHLSd = 0.1;           // [log10 units] every stored MHL constant, as a rule less well known
    double enthalpyRsd = 0.1;         // relative, every stored enthalpy
    double totalRsd = 0.01;           // relative, every total the user gives (pipetting)
    OneBased<PurityInput, 6> purity;  // by chelator slot
    OneBased<ContaminationInput, 6> contamination;  // by metal slot
};

// A chelator's purity given by its name; the Session checks the names and puts each into inputs.purity.
struct NamedPurity {
    std::string chelator;
    PurityInput purity;
};

// A metal's contamination given by its name; the Session checks the names and puts each into
// inputs.contamination.
struct NamedContamination {
    std::string metal;
    ContaminationInput contamination;
};

struct UncertaintyOptions {
    UncertaintyInputs inputs;
    std::vector<NamedPurity> purities;  // by chelator name, each named once; taken into inputs.purity
    std::vector<NamedContamination> contaminations;  // by metal name, each named once
    int samples = kDefaultUncertaintySamples;
    std::uint64_t seed = 1;
    int threads = 0;  // 0: as many as the machine has; 1: none besides the caller's; never more than it has
    Precision precision = Precision::Described;
    // Asked in the calling thread between blocks of samples (a few milliseconds apart at most); true
    // ends the computation early, without a result (UncertaintyOutcome::interrupted). A front end whose
    // user may stop a long computation (Ctrl-C in Python) answers it; empty: never stopped.
    std::function<bool()> stop;
};

// The share of one input in the spread of one result.
struct UncertaintyShare {
    std::string input;  // "pH", "temperature", "ionic strength", "EGTA purity", "log K H2 EGTA",
                        // "log K ML Ca2-EGTA", "log K MHL Mg2-EDTA", "dH ML Ca2-EGTA", ...
    double share = 0;   // 0..1; the shares of one result add up to 1 (or are all 0)
};

// One result of the calculation type.
struct UncertaintyResult {
    std::string key;    // as the exports name it: "free_Ca2_M", "total_Ca2_M", "total_EGTA_M"
    std::string name;   // the metal or chelator: "Ca2"
    std::string kind;   // "free" or "total"
    double value = 0;   // [mol/L] the single-point result
    double median = 0;  // [mol/L] of the samples that converged; NaN when none did
    double q025 = 0;
    double q975 = 0;
    std::vector<UncertaintyShare> shares;  // every input that is varied, largest share first
    std::vector<double> samples;           // [mol/L] every sample in order, NaN for one that failed
};

// What the computation did.
struct UncertaintyOutcome {
    RunStatus status = RunStatus::Refused;  // Ran, or the single point was refused or faulted
    bool converged = false;                 // the single point converged
    CalculationType type = CalculationType::Free;
    UncertaintyOptions options;
    int samples = 0;
    int notConverged = 0;          // samples whose solve did not converge
    int faulted = 0;               // samples stopped by a floating-point fault
    int inputs = 0;                // inputs varied
    bool enthalpyMissing = false;  // a constant without enthalpy where the temperature is varied
    bool interrupted = false;      // options.stop ended it: the samples are incomplete, nothing to report
    std::vector<std::pair<std::string, PurityInput>> purities;  // every chelator given a purity, by name
    std::vector<std::pair<std::string, ContaminationInput>> contaminations;  // every metal given one
    std::vector<UncertaintyResult> results;
    std::vector<bool> sampleConverged;  // by sample: its values count
    ShownMessages messages;
    [[nodiscard]] bool Ran() const { return status == RunStatus::Ran; }
    [[nodiscard]] int Failed() const { return notConverged + faulted; }
};

// The whole computation for the solution as entered in calc (calc is not changed): the input checks of
// a run and the single point under the fault guard (a refusal or a fault is shown and ends it), then the
// samples and, one input at a time, each input's share. A sample that does not converge or meets a
// floating-point fault is counted and left out; its fault never reaches the caller.
//
// The shares come from varying each input alone by plus and minus its standard uncertainty around
// the centre of the samples (every input at its mean): the effect on the result squared, over the sum
// of them all. It is the first-order variance split; it needs two solves per input where a Monte Carlo
// per input would need all the samples again.
UncertaintyOutcome RunUncertainty(const Calculation& calc, const UncertaintyOptions& options,
                                  MessageSink& messages);

// The number of threads a computation with these options uses.
int UncertaintyThreads(int requested);

// The text block for the output window, every line at most 80 characters:
// "Ca2 free 1.55E-07 M (95 %: 1.25E-07 .. 1.93E-07); 78 % of the spread from pH, 12 % from EGTA
// purity, ..." wrapped, under a head that names the samples and the uncertainties.
std::vector<std::string> UncertaintyReport(const UncertaintyOutcome& outcome);

// Writes the block to output (after clearing it unless placement is Append) and shows it.
void WriteUncertaintyReport(const UncertaintyOutcome& outcome, ReportPlacement placement, OutputSink& output);

}  // namespace dedodiz
