// SPDX-License-Identifier: BSD-3-Clause
// The solution of a solving command: a work file, or the type, conditions, chelators and metals given on
// the command line. The names and values are the Session's to check; here they are only read as text.

#include "cli/Commands.h"

namespace dedodiz::cli {

namespace {

// NAME=VALUE split at the first '='. NAME alone is taken when nameAlone (a chelator of type chelator,
// whose total the run computes) and gives an empty value; "NAME=" with nothing after it never is.
std::pair<std::string, std::string> SplitAssignment(const std::string& text, bool nameAlone) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) {
        if (nameAlone) return {text, ""};
        UsageError("expected NAME=VALUE, got \"" + text + "\"");
    }
    if (eq + 1 == text.size()) UsageError("no value after '=' in \"" + text + "\"");
    return {text.substr(0, eq), text.substr(eq + 1)};
}

// The solution of the command line as given.
SolutionInput InputFromCommandLine(const SolutionOptions& o, CalculationType type) {
    SolutionInput entered;
    entered.type = type;
    if (o.temperature) entered.temperature = NumberOrUsage(*o.temperature, "--temp");
    if (o.pH) entered.pH = NumberOrUsage(*o.pH, "--ph");
    if (o.ionic) entered.ionic = NumberOrUsage(*o.ionic, "--ionic");
    for (const std::string& arg : o.chelators) {
        const auto [name, value] = SplitAssignment(arg, type == CalculationType::Chelator);
        entered.chelators.push_back({name, value.empty() ? 0.0 : NumberOrUsage(value, "--chelator " + name)});
    }
    for (const std::string& arg : o.metals) {
        const auto [name, value] = SplitAssignment(arg, false);
        const std::string what = "--metal " + name;
        SolutionInput::Metal metal{name, 0.0, 0.0};
        if (type == CalculationType::Chelator) {
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) UsageError("type chelator needs TOTAL:FREE in " + what);
            metal.total = NumberOrUsage(value.substr(0, colon), what);
            metal.free = NumberOrUsage(value.substr(colon + 1), what);
        } else if (type == CalculationType::Total) {
            metal.free = NumberOrUsage(value, what);
        } else {
            metal.total = NumberOrUsage(value, what);
        }
        entered.metals.push_back(metal);
    }
    return entered;
}

}  // namespace

void AddSolutionOptions(CLI::App& command, SolutionOptions& o) {
    command.add_option(
        "WORK", o.workFile,
        "work settings file (.STG); the constants file it names is found as given, beside the "
        "work file, or in the bundled data folder. Or give the solution with the options below");
    command.add_option("--constants", o.constants,
                       "constants file (.TCM or .CCM); the bundled table of twelve chelators and nine metals "
                       "when left out");
    command
        .add_option("--type", o.type,
                    "total (total metal from free), free (free metal from total), chelator "
                    "(chelator for wanted free metal)")
        ->capture_default_str();
    command.add_option("--temp", o.temperature, "temperature [C] (default 20)");
    command.add_option("--ph", o.pH, "pH (default 7)");
    command.add_option("--ionic", o.ionic, "ionic strength [N] (default 0.1)");
    command
        .add_option("--chelator", o.chelators,
                    "NAME=TOTAL [mol/L]; NAME alone for type chelator. Numbers are decimal (2e-3, 0.002); "
                    "concentrations are not negative; every option but --chelator and --metal is given once")
        ->allow_extra_args(false);
    command
        .add_option(
            "--metal", o.metals,
            "NAME=VALUE [mol/L]: free for type total, total for type free, TOTAL:FREE for type chelator")
        ->allow_extra_args(false);
}

bool LoadSolution(Context& c, const SolutionOptions& o) {
    const bool fromWorkFile = !o.workFile.empty();
    if (fromWorkFile && !o.constants.empty())
        UsageError("give either a work file or --constants with --chelator and --metal");
    if (!fromWorkFile && o.chelators.empty() && o.metals.empty())
        UsageError(
            "give either a work file or --chelator and --metal (with --constants, or the bundled table)");
    if (fromWorkFile) {
        if (!o.chelators.empty() || !o.metals.empty() || o.temperature || o.pH || o.ionic)
            UsageError(
                "a work file brings its own solution; leave out --chelator, --metal, --temp, --ph, --ionic");
        return c.Ran(c.session.LoadWork(o.workFile));
    }
    Refusals refusals;
    const std::optional<CalculationType> type = TypeOrRefuse(o.type, refusals);
    if (!type) UsageError(refusals.front().Message());
    // The table first: the names are checked against it. Without --constants it is the bundled one.
    const Outcome loaded =
        o.constants.empty() ? c.session.LoadBundledConstants() : c.session.LoadConstants(o.constants);
    if (!c.Ran(loaded)) return false;
    return c.Ran(c.session.Describe(InputFromCommandLine(o, *type)));
}

}  // namespace dedodiz::cli
