// run and convert: the single-point run from a work file or from the command line, and the
// conversion of a constants file between its text and binary kinds.

#include <map>

#include "Commands.h"
#include "ConstantsFile.h"
#include "Format.h"
#include "Run.h"
#include "WorkFile.h"

namespace dedodiz::cli {

namespace {

struct RunOptions {
    std::string workFile;
    std::string constants;
    std::string type = "free";
    std::optional<double> temperature, pH, ionic;
    std::vector<std::string> chelators;  // NAME=TOTAL
    std::vector<std::string> metals;     // NAME=VALUE, NAME=TOTAL:FREE for type chelator
};

double NumberOrUsage(std::string_view text, const std::string& what) {
    const auto value = ParseReal(text);
    if (!value) UsageError("not a number in " + what + ": \"" + std::string(text) + "\"");
    return *value;
}

// NAME=VALUE split at the first '='; the value may be empty when allowEmpty.
std::pair<std::string, std::string> SplitAssignment(const std::string& text, bool allowEmpty) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) {
        if (allowEmpty) return {text, ""};
        UsageError("expected NAME=VALUE, got \"" + text + "\"");
    }
    return {text.substr(0, eq), text.substr(eq + 1)};
}

bool LoadConstants(Context& c, const std::string& name) {
    c.state.ConstantsFileName = name;
    ReadConstantsFile(c.state, name, c.messages);
    if (c.state.FileStatus == 2) {
        c.messages.Message("Cannot Load Constants File", "ERROR");
        return false;
    }
    return true;
}

// Table number (1..count) of a chelator or metal name; names compare exactly, then ignoring case.
template <typename NameOf>
int FindName(const std::string& wanted, int count, NameOf nameOf) {
    for (int k = 1; k <= count; ++k)
        if (nameOf(k) == wanted) return k;
    const auto lower = [](std::string_view s) {
        std::string t(s);
        for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return t;
    };
    for (int k = 1; k <= count; ++k)
        if (lower(nameOf(k)) == lower(wanted)) return k;
    return 0;
}

void RunFromCommandLine(Context& c, const RunOptions& o) {
    State& s = c.state;
    const std::map<std::string, std::int16_t> types{{"total", 0}, {"free", 1}, {"chelator", 2}};
    const auto type = types.find(o.type);
    if (type == types.end()) UsageError("--type must be total, free or chelator");
    if (o.chelators.size() > kSlots || o.metals.size() > kSlots)
        UsageError("at most six chelators and six metals");

    // Names first: a usage error must not wait for a file to be read.
    if (!LoadConstants(c, o.constants)) {
        c.status = 1;
        return;
    }
    std::map<int, std::string> chelatorValue, metalValue;  // table number -> VALUE text
    for (const std::string& arg : o.chelators) {
        const auto [name, value] = SplitAssignment(arg, type->second == 2);
        const int k = FindName(name, kTableChelators, [&](int n) { return s.Constants[n].Name.view(); });
        if (k == 0 || name == kEmptyChelator) UsageError("no chelator \"" + name + "\" in " + o.constants);
        chelatorValue[k] = value;
    }
    for (const std::string& arg : o.metals) {
        const auto [name, value] = SplitAssignment(arg, false);
        const int k = FindName(name, kTableMetals, [&](int n) { return s.Constants[1].MetalName[n].view(); });
        if (k == 0 || name == kEmptyMetal) UsageError("no metal \"" + name + "\" in " + o.constants);
        metalValue[k] = value;
    }

    s.CalcType = type->second;
    if (o.temperature) s.Solution.Temperature = *o.temperature;
    if (o.pH) s.Solution.PH = *o.pH;
    if (o.ionic) s.Solution.IonicEquiv = *o.ionic;
    for (const auto& [k, value] : chelatorValue) s.ChelatorChosen[k] = true;
    for (const auto& [k, value] : metalValue) s.MetalChosen[k] = true;
    if (!BuildSelection(s, c.messages)) {
        c.status = 1;
        return;
    }

    // The slots hold the chosen entries in table order.
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (const int k = s.ChosenChelator[slot]; k != 0 && !chelatorValue[k].empty())
            s.Solution.ChelTotal[slot] =
                NumberOrUsage(chelatorValue[k], "--chelator " + s.Constants[k].Name.str());
        const int m = s.ChosenMetal[slot];
        if (m == 0) continue;
        const std::string& value = metalValue[m];
        const std::string what = "--metal " + s.Constants[1].MetalName[m].str();
        if (s.CalcType == 2) {
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) UsageError("type chelator needs TOTAL:FREE in " + what);
            s.Solution.MetalTotal[slot] = NumberOrUsage(value.substr(0, colon), what);
            s.Solution.MetalFree[slot] = NumberOrUsage(value.substr(colon + 1), what);
        } else if (s.CalcType == 0) {
            s.Solution.MetalFree[slot] = NumberOrUsage(value, what);
        } else {
            s.Solution.MetalTotal[slot] = NumberOrUsage(value, what);
        }
    }
    RunSinglePoint(s, c.report, c.messages);
}

void Run(Context& c, const RunOptions& o) {
    const bool fromWorkFile = !o.workFile.empty();
    if (fromWorkFile == !o.constants.empty())
        UsageError("give either a work file or --constants with --chelator and --metal");
    if (fromWorkFile) {
        if (!o.chelators.empty() || !o.metals.empty() || o.temperature || o.pH || o.ionic)
            UsageError(
                "a work file brings its own solution; leave out --chelator, --metal, --temp, --ph, --ionic");
        c.state.WorkFileName = o.workFile;
        if (!LoadWorkSettings(c.state, c.messages)) {
            c.status = 1;
            return;
        }
        RunSinglePoint(c.state, c.report, c.messages);
    } else {
        RunFromCommandLine(c, o);
        if (c.status != 0) return;
    }
    if (!c.report.Shown()) {
        c.status = 1;
        return;
    }
    c.PrintResult([&] { return RunCsv(c.state); }, [&] { return RunJson(c.state, c.messages.Shown()); });
}

}  // namespace

void AddRunCommand(CLI::App& app, Context& context) {
    static RunOptions o;
    CLI::App* run = app.add_subcommand("run", "Single-point run of a work file, or of a solution given here");
    run->add_option("WORK", o.workFile,
                    "work settings file (.STG); its constants file is read relative to "
                    "the current folder");
    run->add_option("--constants", o.constants, "constants file (.TCM or .CCM)");
    run->add_option("--type", o.type,
                    "total (total metal from free), free (free metal from total), chelator "
                    "(chelator for wanted free metal)")
        ->capture_default_str();
    run->add_option("--temp", o.temperature, "temperature [C] (default 20)");
    run->add_option("--ph", o.pH, "pH (default 7)");
    run->add_option("--ionic", o.ionic, "ionic strength [N] (default 0.1)");
    run->add_option("--chelator", o.chelators, "NAME=TOTAL [mol/L]; NAME alone for type chelator")
        ->allow_extra_args(false);
    run->add_option("--metal", o.metals,
                    "NAME=VALUE [mol/L]: free for type total, total for type free, "
                    "TOTAL:FREE for type chelator")
        ->allow_extra_args(false);
    AddFormatOption(*run, context);
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
        State& s = context.state;
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
        WriteConstantsFile(s, out, context.messages);
        if (kind(out) != 'T' && kind(out) != 'C') {
            context.status = 1;  // the writer has said "Did not save file"
        } else if (s.FileStatus != 0) {
            context.messages.Message("Cannot save constants file " + out, "ERROR");
            context.status = 1;
        }
    });
}

}  // namespace dedodiz::cli
