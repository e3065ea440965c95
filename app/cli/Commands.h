// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The commands of dedodiz32-cli. Each adds a CLI11 subcommand whose callback leaves its exit status
// in the context: 0 report written (warnings included), 1 error and no report, 2 usage error.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/CalibrationExport.h"
#include "core/Export.h"
#include "core/OutputText.h"
#include "core/Session.h"
#include "engine/Sinks.h"

namespace dedodiz::cli {

// Every message box the command would show, as one line "CAPTION: TEXT" on stderr; a carriage
// return inside the text becomes one blank. The messages are kept too, for the "warnings" of JSON.
class StderrMessages : public MessageSink {
  public:
    void Message(std::string_view text, std::string_view caption) override;
    [[nodiscard]] int Count() const { return static_cast<int>(shown_.size()); }
    // How many of them had the caption "ERROR": a command that showed one has failed.
    [[nodiscard]] int Errors() const;
    [[nodiscard]] const ShownMessages& Shown() const { return shown_; }

  private:
    ShownMessages shown_;
};

// The output text of the command: kept in memory (a report may clear it) and printed to stdout once
// the command has finished.
class StdoutReport : public OutputText {
  public:
    void Print() const;
};

// What every command shares: the session that owns the parts and applies the rules, the two sinks,
// the output format and the exit status.
struct Context {
    Session session;
    StderrMessages messages;
    StdoutReport report;
    std::string format = "text";  // what a command prints on success: "text" (the report), "csv" or "json"
    int status = 0;

    Context() { session.SetSinks(&messages, &report); }

    // The command's result on stdout in the chosen format: the report, csv() or json(). Call it only
    // when the command succeeded; a command that failed prints nothing in any format. A command that
    // has shown an "ERROR" message on the way has failed too: then nothing is printed and the exit
    // status becomes 1.
    void PrintResult(const std::function<std::string()>& csv, const std::function<JsonValue()>& json);

    // Whether the outcome ran. Otherwise its exit status: refused input is a usage error (the Session's
    // message and a short usage text on stderr, status 2); anything else has shown its "ERROR" message
    // already (status 1).
    bool Ran(const Outcome& outcome);
};

// The option --format text|csv|json of a command.
void AddFormatOption(CLI::App& command, Context& context);

// The options --precision described|checked|exact and --refine (the same as exact) of a command that
// solves, with what the exact precision does for that command.
void AddPrecisionOptions(CLI::App& command, Context& context, const std::string& what);

// A usage error found after parsing (a malformed VALUE): the message and a short usage text on stderr,
// exit status 2.
[[noreturn]] void UsageError(const std::string& message);

// Every number of the command line is read as the dialogs and files read them (ParseReal): a decimal
// number, with an optional exponent. "nan" and "inf" are taken as what they say, for the rules to refuse
// with the same words as in every other front end; anything else (an empty text, "0x1p3", a number
// beyond the double range) is a usage error naming what: the option and, where one is, the name.
double NumberOrUsage(std::string_view text, const std::string& what);

// The solution of a solving command: a work file (WORK), or the table and solution given as options.
struct SolutionOptions {
    std::string workFile;
    std::string constants;
    std::string type = "free";
    std::optional<std::string> temperature, pH, ionic;
    std::vector<std::string> chelators;  // NAME=TOTAL
    std::vector<std::string> metals;     // NAME=VALUE, NAME=TOTAL:FREE for type chelator
};
void AddSolutionOptions(CLI::App& command, SolutionOptions& options);
// Loads the work file, or the table and the solution of the options, through the Session: false (the
// status set) when it could not; a usage error for options that contradict each other.
bool LoadSolution(Context& c, const SolutionOptions& options);

// Everything a command prints on stdout goes through WriteOut, which notes the first write that fails.
void WriteOut(std::string_view text);

// The exit status once stdout is flushed: status, or 1 (with the system's reason on stderr) when any
// write to stdout failed.
int OutputWritten(int status);

void AddRunCommand(CLI::App& app, Context& context);
void AddConvertCommand(CLI::App& app, Context& context);
void AddBuffersCommand(CLI::App& app, Context& context);
void AddEvaluateCommand(CLI::App& app, Context& context);
void AddListCommand(CLI::App& app, Context& context);
void AddSweepCommand(CLI::App& app, Context& context);
void AddRecipeCommand(CLI::App& app, Context& context);
void AddUncertaintyCommand(CLI::App& app, Context& context);
void AddCalibrateCommand(CLI::App& app, Context& context);

// The purity and contamination of a calibration document (calibrate --format json) for --calibration;
// nullopt, with an "ERROR" message and exit status 1, when it cannot be read.
std::optional<CalibrationUse> ReadCalibration(Context& c, const std::string& path);

}  // namespace dedodiz::cli
