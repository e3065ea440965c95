// SPDX-License-Identifier: BSD-3-Clause
// run and convert: the single-point run from a work file or from the command line, and the
// conversion of a constants file between its text and binary kinds.

#include <map>

#include "cli/Commands.h"
#include "core/Calculator.h"
#include "engine/Run.h"
#include "engine/SafeFile.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"
#include "files/WorkFile.h"

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

// Reads the constants file name (found as data files are); a failure says why on its second line.
bool LoadConstants(Context& c, const std::string& name) {
    c.table.ConstantsFileName = name;
    const FileResult read = ReadConstantsFile(c.table, FindDataFile(name), c.messages);
    if (!read.ok()) {
        c.messages.Message(WithReason("Cannot Load Constants File", read.reason), "ERROR");
        return false;
    }
    return true;
}

// The solution of the command line: names checked against the table, values read by the type.
SolutionInput InputFromCommandLine(const Context& c, const RunOptions& o, CalculationType type) {
    SolutionInput entered;
    entered.type = type;
    if (o.temperature) entered.temperature = NumberOrUsage(*o.temperature, "--temp");
    if (o.pH) entered.pH = NumberOrUsage(*o.pH, "--ph");
    if (o.ionic) entered.ionic = NumberOrUsage(*o.ionic, "--ionic");
    for (const std::string& arg : o.chelators) {
        const auto [name, value] = SplitAssignment(arg, type == CalculationType::Chelator);
        const int k = FindChelator(c.table, name);
        if (k == 0) UsageError("no chelator \"" + name + "\" in " + o.constants);
        const std::string what = "--chelator " + c.table.Constants[k].Name.str();
        entered.chelators.push_back({name, value.empty() ? 0.0 : ConcentrationOrUsage(value, what)});
    }
    for (const std::string& arg : o.metals) {
        const auto [name, value] = SplitAssignment(arg, false);
        const int k = FindMetal(c.table, name);
        if (k == 0) UsageError("no metal \"" + name + "\" in " + o.constants);
        const std::string what = "--metal " + c.table.Constants[1].MetalName[k].str();
        SolutionInput::Metal metal{name, 0, 0};
        if (type == CalculationType::Chelator) {
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) UsageError("type chelator needs TOTAL:FREE in " + what);
            metal.total = ConcentrationOrUsage(value.substr(0, colon), what);
            metal.free = ConcentrationOrUsage(value.substr(colon + 1), what);
        } else if (type == CalculationType::Total) {
            metal.free = ConcentrationOrUsage(value, what);
        } else {
            metal.total = ConcentrationOrUsage(value, what);
        }
        entered.metals.push_back(metal);
    }
    return entered;
}

// The run of a solution given on the command line; false when it stopped before running.
bool RunFromCommandLine(Context& c, const RunOptions& o, RunOutcome& outcome) {
    const std::map<std::string, CalculationType> types{{"total", CalculationType::Total},
                                                       {"free", CalculationType::Free},
                                                       {"chelator", CalculationType::Chelator}};
    const auto type = types.find(o.type);
    if (type == types.end()) UsageError("--type must be total, free or chelator");
    if (o.chelators.size() > kSlots || o.metals.size() > kSlots)
        UsageError("at most six chelators and six metals");

    // The table first: the names are checked against it. Without --constants it is the bundled one.
    const std::string constants = o.constants.empty() ? BundledConstantsFile() : o.constants;
    if (constants.empty()) {
        c.messages.Message(WithReason("Cannot Load Constants File",
                                      "The bundled constants table is not installed; give --constants"),
                           "ERROR");
        return false;
    }
    if (!LoadConstants(c, constants)) return false;
    const SolutionInput entered = InputFromCommandLine(c, o, type->second);
    if (!DescribeSolution(c.table, entered, c.selection, c.calc, c.messages).ok()) return false;
    outcome = RunSinglePoint(c.calc, c.table.ConstantsFileName.view(), ReportPlacement::Replace, c.report,
                             c.messages, RunPrecision(c));
    return true;
}

void Run(Context& c, const RunOptions& o) {
    const bool fromWorkFile = !o.workFile.empty();
    if (fromWorkFile && !o.constants.empty())
        UsageError("give either a work file or --constants with --chelator and --metal");
    if (!fromWorkFile && o.chelators.empty() && o.metals.empty())
        UsageError(
            "give either a work file or --chelator and --metal (with --constants, or the bundled table)");
    RunOutcome outcome;
    if (fromWorkFile) {
        if (!o.chelators.empty() || !o.metals.empty() || o.temperature || o.pH || o.ionic)
            UsageError(
                "a work file brings its own solution; leave out --chelator, --metal, --temp, --ph, --ionic");
        if (!LoadWorkSettings(o.workFile, c.table, c.selection, c.calc, c.messages).Loaded()) {
            c.status = 1;
            return;
        }
        outcome = RunSinglePoint(c.calc, c.table.ConstantsFileName.view(), ReportPlacement::Replace, c.report,
                                 c.messages, RunPrecision(c));
    } else if (!RunFromCommandLine(c, o, outcome)) {
        c.status = 1;
        return;
    }
    if (!outcome.Ran()) {
        c.status = 1;
        return;
    }
    const std::optional<double> refined = outcome.refined ? std::optional(outcome.residual) : std::nullopt;
    c.PrintResult(
        [&] { return RunCsv(c.calc, refined); },
        [&] { return RunJson(c.calc, c.table.ConstantsFileName.view(), c.messages.Shown(), refined); });
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
    AddRefineOption(
        *run, context,
        "solve the same equations to machine precision after the iteration; the report says so in "
        "its second line");
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
        ConstantsTable& s = context.table;
        const auto kind = [](const std::string& name) {
            return name.size() >= 3
                       ? static_cast<char>(std::toupper(static_cast<unsigned char>(name[name.size() - 3])))
                       : ' ';
        };
        if (kind(in) != 'T' && kind(in) != 'C') {
            context.messages.Message("Not a constants file name (.TCM or .CCM): " + in, "ERROR");
            context.status = 1;
            return;
        }
        if (!LoadConstants(context, in)) {
            context.status = 1;
            return;
        }
        const FileResult written = WriteConstantsFile(s, out, context.messages);
        if (written.status == FileStatus::NotConstantsName) {
            context.status = 1;  // the writer has said "Did not save file"
        } else if (!written.ok()) {
            context.messages.Message(WithReason("Cannot save constants file " + out, written.reason),
                                     "ERROR");
            context.status = 1;
        }
    });
}

}  // namespace dedodiz::cli
