// SPDX-License-Identifier: BSD-3-Clause
// uncertainty: how far the results of a work file can be trusted. Every uncertain input is varied at
// random around the solution of the work file, and the spread of each result is printed with the
// share of it that each input causes.

#include <charconv>

#include "cli/Commands.h"
#include "core/RecipeInput.h"
#include "core/Session.h"
#include "core/Uncertainty.h"
#include "core/UncertaintyExport.h"

namespace dedodiz::cli {

namespace {

struct UncertaintyCommandOptions {
    SolutionOptions solution;
    int samples = kDefaultUncertaintySamples;
    std::string seed = "1";
    int threads = 0;
    std::string pH, temperature, ionic, logK, enthalpy, total;
    std::vector<std::string> purity;         // NAME=FRACTION:SD
    std::vector<std::string> contamination;  // METAL=CONC:SD
    bool allSamples = false;
    std::string calibration;  // a calibration document: its purity and spread
};

// The seed as written: a whole number that 64 bits without a sign hold, never wrapped or rounded.
std::uint64_t SeedOrUsage(const std::string& text) {
    std::uint64_t seed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seed);
    if (text.empty() || error != std::errc() || stop != end)
        UsageError("--seed must be a whole number from 0 to 18446744073709551615, got \"" + text + "\"");
    return seed;
}

// A standard uncertainty given on the command line, as a number; its rule (0 or more) is the Session's.
void ReadSd(const std::string& text, const std::string& option, double& into) {
    if (!text.empty()) into = NumberOrUsage(text, option);
}

// --purity NAME=FRACTION:SD.
NamedPurity ReadPurity(const std::string& text) {
    const std::size_t eq = text.find('=');
    const std::size_t colon = text.find(':', eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || colon == std::string::npos)
        UsageError("--purity needs NAME=FRACTION:SD, got \"" + text + "\"");
    const std::string name = text.substr(0, eq);
    return {name,
            {NumberOrUsage(text.substr(eq + 1, colon - eq - 1), "--purity " + name),
             NumberOrUsage(text.substr(colon + 1), "--purity " + name)}};
}

// --contamination METAL=CONC:SD, both with units as a recipe's amounts ("3uM:1uM").
NamedContamination ReadContamination(const std::string& text) {
    const std::size_t eq = text.find('=');
    const std::size_t colon = text.find(':', eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || colon == std::string::npos)
        UsageError("--contamination needs METAL=CONC:SD, got \"" + text + "\"");
    const std::string name = text.substr(0, eq);
    const auto amount = [&](const std::string& part) {
        const std::optional<double> v = ParseAmount(part, AmountKind::Concentration);
        if (!v)
            UsageError("--contamination " + name + ": not a concentration in M, mM, uM, nM: \"" + part +
                       "\"");
        return *v;
    };
    return {name, {amount(text.substr(eq + 1, colon - eq - 1)), amount(text.substr(colon + 1))}};
}

UncertaintyOptions ReadOptions(const UncertaintyCommandOptions& o) {
    UncertaintyOptions options;
    options.samples = o.samples;
    options.seed = SeedOrUsage(o.seed);
    options.threads = o.threads;
    UncertaintyInputs& u = options.inputs;
    ReadSd(o.pH, "--ph-sd", u.pHSd);
    ReadSd(o.temperature, "--temp-sd", u.temperatureSd);
    ReadSd(o.ionic, "--ionic-rsd", u.ionicRsd);
    if (!o.logK.empty()) {
        ReadSd(o.logK, "--logk-sd", u.logKHSd);
        u.logKMLSd = u.logKMHLSd = u.logKHSd;
    }
    ReadSd(o.enthalpy, "--dh-rsd", u.enthalpyRsd);
    ReadSd(o.total, "--total-rsd", u.totalRsd);
    for (const std::string& p : o.purity) options.purities.push_back(ReadPurity(p));
    for (const std::string& c : o.contamination) options.contaminations.push_back(ReadContamination(c));
    return options;
}

void Uncertainty(Context& c, const UncertaintyCommandOptions& o) {
    if (o.allSamples && c.format == "text") UsageError("--all-samples needs --format csv or --format json");
    UncertaintyOptions options = ReadOptions(o);
    if (!o.calibration.empty()) {
        const std::optional<CalibrationUse> use = ReadCalibration(c, o.calibration);
        if (!use) return;
        options.purities.push_back({use->chelator, {use->purity, use->puritySd}});
        options.contaminations.push_back({use->metal, {use->contamination, use->contaminationSd}});
    }
    if (!LoadSolution(c, o.solution)) return;
    if (!c.Ran(c.session.Uncertainty(options))) return;
    const Session& s = c.session;
    const UncertaintyOutcome& outcome = s.LastUncertainty();
    c.PrintResult([&] { return o.allSamples ? UncertaintySamplesCsv(outcome) : UncertaintyCsv(outcome); },
                  [&] {
                      return UncertaintyJson(s.calc(), s.ConstantsFileName.view(), outcome,
                                             c.messages.Shown(), o.allSamples);
                  });
}

}  // namespace

void AddUncertaintyCommand(CLI::App& app, Context& context) {
    static UncertaintyCommandOptions o;
    CLI::App* cmd = app.add_subcommand(
        "uncertainty",
        "How far to trust the results of a work file (or of a solution given here): the inputs varied at "
        "random within their standard "
        "uncertainties, the 95 % range of every result and the share of its spread that each input causes");
    AddSolutionOptions(*cmd, o.solution);
    cmd->add_option("--samples", o.samples, "number of random samples (1 to 1000000)")->capture_default_str();
    cmd->add_option("--seed", o.seed, "seed of the random numbers: the same seed gives the same numbers")
        ->type_name("N")
        ->capture_default_str();
    cmd->add_option("--threads", o.threads, "threads to use, at most the machine's (0: all of them)")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    const auto sd = [&](const char* name, std::string& into, const char* what) {
        cmd->add_option(name, into, std::string(what) + "; 0 switches it off")->type_name("X");
    };
    sd("--ph-sd", o.pH, "standard uncertainty of the pH (default 0.02)");
    sd("--temp-sd", o.temperature, "of the temperature [C] (default 0.5)");
    sd("--ionic-rsd", o.ionic, "relative one of the ionic strength (default 0.05, that is 5 %)");
    sd("--logk-sd", o.logK,
       "of every stored log K [log10 units] (default 0.05 for protonation and ML, 0.1 for MHL constants)");
    sd("--dh-rsd", o.enthalpy, "relative one of every stored enthalpy (default 0.1)");
    sd("--total-rsd", o.total, "relative one of every total given, for pipetting (default 0.01)");
    cmd->add_option("--purity", o.purity,
                    "NAME=FRACTION:SD: the fraction of the weighed reagent that is the chelator NAME, and "
                    "its standard uncertainty (default 1:0, pure)")
        ->type_name("NAME=FRACTION:SD")
        ->allow_extra_args(false);
    cmd->add_option(
           "--contamination", o.contamination,
           "METAL=CONC:SD: the metal that water and salts bring beyond the total given, and its standard "
           "uncertainty (units as 3uM:1uM; a bare number is mol/L)")
        ->type_name("METAL=CONC:SD")
        ->allow_extra_args(false);
    cmd->add_option(
           "--calibration", o.calibration,
           "FIT.json written by calibrate --format json: the chelator's fitted purity and the metal's "
           "contamination, their "
           "intervals as their spreads (a purity above 1 counts as 1, a contamination below 0 as none)")
        ->type_name("FIT.json");
    cmd->add_flag("--all-samples", o.allSamples, "also print every sample (with --format csv or json)");
    AddFormatOption(*cmd, context);
    AddPrecisionOptions(*cmd, context, "every sample refined to machine precision");
    cmd->callback([&context] { Uncertainty(context, o); });
}

}  // namespace dedodiz::cli
