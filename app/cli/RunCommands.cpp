// SPDX-License-Identifier: BSD-3-Clause
// run and convert: the single-point run from a work file or from the command line, and the
// conversion of a constants file between its text and binary kinds.

#include <optional>

#include "cli/Commands.h"
#include "core/Export.h"
#include "core/Session.h"

namespace dedodiz::cli {

namespace {

struct RunOptions {
    std::string workFile;
    std::string constants;
    std::string type = "free";
    std::optional<std::string> temperature, pH, ionic;
    std::vector<std::string> chelators;  // NAME=TOTAL
    std::vector<std::string> metals;     // NAME=VALUE, NAME=TOTAL:FREE for type chelator
};

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

// Loads the table; the Session has shown why when it could not.
bool LoadConstants(Context& c, const std::string& name) {
    return c.Ran(name.empty() ? c.session.LoadBundledConstants() : c.session.LoadConstants(name));
}

// A concentration VALUE of the command line, read as a number; the rules (not negative, finite) are the
// Session's.
double Concentration(std::string_view text, const std::string& what) {
    return NumberOrUsage(text, what);
}

// The solution of the command line as given: names and values, checked by the Session.
SolutionInput InputFromCommandLine(const RunOptions& o, CalculationType type) {
    SolutionInput entered;
    entered.type = type;
    if (o.temperature) entered.temperature = NumberOrUsage(*o.temperature, "--temp");
    if (o.pH) entered.pH = NumberOrUsage(*o.pH, "--ph");
    if (o.ionic) entered.ionic = NumberOrUsage(*o.ionic, "--ionic");
    for (const std::string& arg : o.chelators) {
        const auto [name, value] = SplitAssignment(arg, type == CalculationType::Chelator);
        const std::string what = "--chelator " + name;
        entered.chelators.push_back({name, value.empty() ? 0.0 : Concentration(value, what)});
    }
    for (const std::string& arg : o.metals) {
        const auto [name, value] = SplitAssignment(arg, false);
        const std::string what = "--metal " + name;
        SolutionInput::Metal metal{name, 0.0, 0.0};
        if (type == CalculationType::Chelator) {
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) UsageError("type chelator needs TOTAL:FREE in " + what);
            metal.total = Concentration(value.substr(0, colon), what);
            metal.free = Concentration(value.substr(colon + 1), what);
        } else if (type == CalculationType::Total) {
            metal.free = Concentration(value, what);
        } else {
            metal.total = Concentration(value, what);
        }
        entered.metals.push_back(metal);
    }
    return entered;
}

void Run(Context& c, const RunOptions& o) {
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
        if (!c.Ran(c.session.LoadWork(o.workFile))) return;
    } else {
        Refusals refusals;
        const std::optional<CalculationType> type = TypeOrRefuse(o.type, refusals);
        if (!type) UsageError(refusals.front().Message());
        // The table first: the names are checked against it. Without --constants it is the bundled one.
        if (!LoadConstants(c, o.constants)) return;
        if (!c.Ran(c.session.Describe(InputFromCommandLine(o, *type)))) return;
    }
    const Outcome outcome = c.session.Run();
    if (!c.Ran(outcome)) return;
    const std::optional<double> refined = outcome.refined ? std::optional(outcome.residual) : std::nullopt;
    const Session& s = c.session;
    c.PrintResult([&] { return RunCsv(s.calc(), refined); },
                  [&] { return RunJson(s.calc(), s.ConstantsFileName.view(), c.messages.Shown(), refined); });
}

}  // namespace

void AddRunCommand(CLI::App& app, Context& context) {
    static RunOptions o;
    CLI::App* run = app.add_subcommand("run", "Single-point run of a work file, or of a solution given here");
    run->add_option("WORK", o.workFile,
                    "work settings file (.STG); the constants file it names is found as given, beside the "
                    "work file, or in the bundled data folder");
    run->add_option("--constants", o.constants,
                    "constants file (.TCM or .CCM); the bundled table of twelve chelators and nine metals "
                    "when left out");
    run->add_option("--type", o.type,
                    "total (total metal from free), free (free metal from total), chelator "
                    "(chelator for wanted free metal)")
        ->capture_default_str();
    run->add_option("--temp", o.temperature, "temperature [C] (default 20)");
    run->add_option("--ph", o.pH, "pH (default 7)");
    run->add_option("--ionic", o.ionic, "ionic strength [N] (default 0.1)");
    run->add_option("--chelator", o.chelators,
                    "NAME=TOTAL [mol/L]; NAME alone for type chelator. Numbers are decimal (2e-3, 0.002); "
                    "concentrations are not negative; every option but --chelator and --metal is given once")
        ->allow_extra_args(false);
    run->add_option("--metal", o.metals,
                    "NAME=VALUE [mol/L]: free for type total, total for type free, "
                    "TOTAL:FREE for type chelator")
        ->allow_extra_args(false);
    AddFormatOption(*run, context);
    AddPrecisionOptions(*run, context,
                        "the answer always refined to machine precision; the report says so in its second "
                        "line");
    run->callback([&context] { Run(context, o); });
}

void AddConvertCommand(CLI::App& app, Context& context) {
    static std::string in, out;
    CLI::App* convert = app.add_subcommand(
        "convert",
        "Read a constants file and write it in the kind OUT's name selects (.TCM text, .CCM binary)");
    convert->add_option("IN", in, "constants file to read")->required();
    convert->add_option("OUT", out, "constants file to write")->required();
    convert->callback([&context] {
        if (!LoadConstants(context, in)) return;
        context.Ran(context.session.SaveConstants(out));
    });
}

}  // namespace dedodiz::cli
