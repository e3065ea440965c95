// buffers, evaluate and list: the pH buffer ranges of a buffer file, the chelator evaluation of a work
// file's chosen metals, and the listing of a constants file.

#include "BufferCalc.h"
#include "BufferFile.h"
#include "Commands.h"
#include "ConstantsFile.h"
#include "Evaluate.h"
#include "Export.h"
#include "FloatGuard.h"
#include "Listing.h"
#include "WorkFile.h"

namespace dedodiz::cli {

namespace {

struct BufferOptions {
    std::string file;
    double temperature = 20.0;  // [C]
    double pH = 7.0;
    double ionic = 0.1;  // [N]
};

// The result of a command that has run its computation under the guard: printed when it succeeded.
void Finish(Context& c, bool ok, const std::function<std::string()>& csv,
            const std::function<JsonValue()>& json) {
    if (!ok) {
        c.status = 1;
        return;
    }
    c.PrintResult(csv, json);
}

void Buffers(Context& c, const BufferOptions& o) {
    State& s = c.state;
    s.Solution.Temperature = o.temperature;
    s.Solution.PH = o.pH;
    s.Solution.IonicEquiv = o.ionic;
    // A file without records is reported as twelve empty slots. The reader's only message is the one
    // for a file that cannot be opened.
    const int messagesBefore = c.messages.Count();
    ReadBufferFile(s, o.file, c.messages);
    if (c.messages.Count() != messagesBefore) {
        c.status = 1;
        return;
    }
    BufferRanges ranges;
    const bool ok = RunGuarded(c.messages, [&] {
        ranges = ComputeBufferRanges(s);
        if (ranges.ok) WriteBufferRanges(s, ranges, c.report);
    });
    Finish(
        c, ok, [&] { return BufferRangesCsv(s, ranges); },
        [&] { return BufferRangesJson(s, ranges, c.messages.Shown()); });
}

void Evaluate(Context& c, const std::string& workFile) {
    State& s = c.state;
    s.WorkFileName = workFile;
    if (!LoadWorkSettings(s, c.messages)) {
        c.status = 1;
        return;
    }
    ChelatorEvaluation evaluation;
    const bool ok = RunGuarded(c.messages, [&] {
        evaluation = ComputeChelatorEvaluation(s);
        if (evaluation.ok) WriteChelatorEvaluation(s, evaluation, c.report);
    });
    Finish(
        c, ok, [&] { return EvaluationCsv(s, evaluation); },
        [&] { return EvaluationJson(s, evaluation, c.messages.Shown()); });
}

void List(Context& c, const std::string& constants) {
    State& s = c.state;
    if (ConstantsFileKind(constants) == ConstantsKind::None) {
        c.messages.Message("Not a constants file name (.TCM or .CCM): " + constants, "ERROR");
        c.status = 1;
        return;
    }
    s.ConstantsFileName = constants;
    ReadConstantsFile(s, constants, c.messages);
    if (s.FileStatus == 2) {
        c.messages.Message("Cannot Load Constants File", "ERROR");
        c.status = 1;
        return;
    }
    // An empty table lists nothing and says so; that is still the command's whole report.
    ListConstants(s, c.report, c.messages);
    c.PrintResult([&] { return ConstantsCsv(s); }, [&] { return ConstantsJson(s, c.messages.Shown()); });
}

}  // namespace

void AddBuffersCommand(CLI::App& app, Context& context) {
    static BufferOptions o;
    CLI::App* cmd = app.add_subcommand("buffers",
                                       "pH buffer ranges (pKa' +- 0.5) of every buffer in a buffer file, "
                                       "with the pKa corrected to the conditions given");
    cmd->add_option("FILE", o.file, "pH buffer file (.bcm)")->required();
    cmd->add_option("--temp", o.temperature, "temperature [C]")->capture_default_str();
    cmd->add_option("--ph", o.pH, "pH")->capture_default_str();
    cmd->add_option("--ionic", o.ionic, "ionic strength [N]")->capture_default_str();
    AddFormatOption(*cmd, context);
    cmd->callback([&context] { Buffers(context, o); });
}

void AddEvaluateCommand(CLI::App& app, Context& context) {
    static std::string workFile;
    CLI::App* cmd = app.add_subcommand(
        "evaluate",
        "Kd and buffering range of every chelator of the constants table for the metals chosen in a "
        "work file, at its temperature, pH and ionic strength");
    cmd->add_option("WORK", workFile,
                    "work settings file (.STG); its constants file is read relative to the "
                    "current folder")
        ->required();
    AddFormatOption(*cmd, context);
    cmd->callback([&context] { Evaluate(context, workFile); });
}

void AddListCommand(CLI::App& app, Context& context) {
    static std::string constants;
    CLI::App* cmd = app.add_subcommand("list", "The constants of a constants file as stored (20 C, 0.1 N)");
    cmd->add_option("CONSTANTS", constants, "constants file (.TCM or .CCM)")->required();
    AddFormatOption(*cmd, context);
    cmd->callback([&context] { List(context, constants); });
}

}  // namespace dedodiz::cli
