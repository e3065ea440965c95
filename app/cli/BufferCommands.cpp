// SPDX-License-Identifier: BSD-3-Clause
// buffers, evaluate and list: the pH buffer ranges of a buffer file, the chelator evaluation of a work
// file's chosen metals, and the listing of a constants file.

#include "buffers/BufferCalc.h"
#include "buffers/BufferFile.h"
#include "buffers/Evaluate.h"
#include "cli/Commands.h"
#include "core/Export.h"
#include "core/Listing.h"
#include "engine/FloatGuard.h"
#include "engine/SafeFile.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"
#include "files/WorkFile.h"

namespace dedodiz::cli {

namespace {

struct BufferOptions {
    std::string file;
    std::string temperature = "20";  // [C]
    std::string pH = "7";
    std::string ionic = "0.1";  // [N]
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
    BufferTool& s = c.buffers;
    TSolution& environment = c.calc.Solution;
    environment.Temperature = NumberOrUsage(o.temperature, "--temp");
    environment.PH = NumberOrUsage(o.pH, "--ph");
    environment.IonicEquiv = NumberOrUsage(o.ionic, "--ionic");
    // A file without records is reported as twelve empty slots; only a file that cannot be read fails.
    if (!ReadBufferFile(s, FindDataFile(o.file), c.messages).file.ok()) {
        c.status = 1;
        return;
    }
    BufferRanges ranges;
    const bool ok = RunGuarded(c.messages, [&] {
        ranges = ComputeBufferRanges(s, environment);
        if (ranges.ok) WriteBufferRanges(s, ranges, ReportPlacement::Replace, c.report);
    });
    Finish(
        c, ok, [&] { return BufferRangesCsv(s, ranges); },
        [&] { return BufferRangesJson(s, ranges, c.messages.Shown()); });
}

void Evaluate(Context& c, const std::string& workFile) {
    if (!LoadWorkSettings(workFile, c.table, c.selection, c.calc, c.messages).Loaded()) {
        c.status = 1;
        return;
    }
    ChelatorEvaluation evaluation;
    const bool ok = RunGuarded(c.messages, [&] {
        evaluation = ComputeChelatorEvaluation(c.table, c.selection, c.calc.Solution);
        if (evaluation.ok)
            WriteChelatorEvaluation(c.table, evaluation, c.calc.Results, ReportPlacement::Replace, c.report);
    });
    Finish(
        c, ok, [&] { return EvaluationCsv(c.table, evaluation); },
        [&] { return EvaluationJson(c.table, evaluation, c.messages.Shown()); });
}

void List(Context& c, const std::string& constants) {
    ConstantsTable& s = c.table;
    if (ConstantsFileKind(constants) == ConstantsKind::None) {
        c.messages.Message("Not a constants file name (.TCM or .CCM): " + constants, "ERROR");
        c.status = 1;
        return;
    }
    s.ConstantsFileName = constants;
    const FileResult read = ReadConstantsFile(s, FindDataFile(constants), c.messages);
    if (!read.ok()) {
        c.messages.Message(WithReason("Cannot Load Constants File", read.reason), "ERROR");
        c.status = 1;
        return;
    }
    // An empty table lists nothing and says so; that is still the command's whole report.
    ListConstants(s, ReportPlacement::Replace, c.report, c.messages);
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
    cmd->add_option("--ph", o.pH,
                    "pH, kept with the conditions of --format json; the ranges (pKa' +- 0.5) do not "
                    "depend on it")
        ->capture_default_str();
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
                    "work settings file (.STG); the constants file it names is found as given, beside "
                    "the work file, or in the bundled data folder")
        ->required();
    AddFormatOption(*cmd, context);
    AddRefineOption(*cmd, context,
                    "accepted for symmetry with run and sweep: each Kd is computed directly, without an "
                    "iteration, so it is exact already");
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
