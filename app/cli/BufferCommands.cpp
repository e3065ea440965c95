// SPDX-License-Identifier: BSD-3-Clause
// buffers, evaluate and list: the pH buffer ranges of a buffer file, the chelator evaluation of a work
// file's chosen metals, and the listing of a constants file.

#include "buffers/BufferCalc.h"
#include "buffers/Evaluate.h"
#include "cli/Commands.h"
#include "core/Export.h"

namespace dedodiz::cli {

namespace {

struct BufferOptions {
    std::string file;
    std::string temperature = "20";  // [C]
    std::string pH = "7";
    std::string ionic = "0.1";  // [N]
};

void Buffers(Context& c, const BufferOptions& o) {
    Conditions conditions;
    conditions.temperature = NumberOrUsage(o.temperature, "--temp");
    conditions.pH = NumberOrUsage(o.pH, "--ph");
    conditions.ionic = NumberOrUsage(o.ionic, "--ionic");
    // A file without records is reported as twelve empty slots; only a file that cannot be read fails.
    if (!c.Ran(c.session.LoadBuffers(o.file))) return;
    if (!c.Ran(c.session.BufferRanges(conditions))) return;
    const BufferTool& s = c.session.buffers();
    const BufferRanges& ranges = c.session.LastBufferRanges();
    c.PrintResult([&] { return BufferRangesCsv(s, ranges); },
                  [&] { return BufferRangesJson(s, ranges, c.messages.Shown()); });
}

void Evaluate(Context& c, const SolutionOptions& o) {
    if (!LoadSolution(c, o)) return;
    if (!c.Ran(c.session.Evaluate())) return;
    const Session& s = c.session;
    const ChelatorEvaluation& evaluation = s.LastEvaluation();
    c.PrintResult([&] { return EvaluationCsv(s.table(), evaluation); },
                  [&] { return EvaluationJson(s.table(), evaluation, c.messages.Shown()); });
}

void List(Context& c, const std::string& constants) {
    if (!c.Ran(c.session.LoadConstants(constants))) return;
    // An empty table lists nothing and says so; that is still the command's whole report.
    if (!c.Ran(c.session.List())) return;
    const ConstantsTable& s = c.session.table();
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
    static SolutionOptions o;
    CLI::App* cmd = app.add_subcommand(
        "evaluate",
        "Kd and buffering range of every chelator of the constants table for the metals chosen in a "
        "work file (or given here), at its temperature, pH and ionic strength");
    AddSolutionOptions(*cmd, o);
    AddFormatOption(*cmd, context);
    AddPrecisionOptions(*cmd, context,
                        "accepted for symmetry with run and sweep: each Kd is computed directly, without an "
                        "iteration, so it is exact already");
    cmd->callback([&context] { Evaluate(context, o); });
}

void AddListCommand(CLI::App& app, Context& context) {
    static std::string constants;
    CLI::App* cmd = app.add_subcommand("list", "The constants of a constants file as stored (20 C, 0.1 N)");
    cmd->add_option("CONSTANTS", constants, "constants file (.TCM or .CCM)")->required();
    AddFormatOption(*cmd, context);
    cmd->callback([&context] { List(context, constants); });
}

}  // namespace dedodiz::cli
