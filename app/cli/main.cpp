// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli: the calculator's computations without a window, for scripts and batch work.
// It links no Qt library, so that it starts at once.

#include <CLI/CLI.hpp>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <map>

#include "cli/Commands.h"
#include "engine/Format.h"
#include "engine/Release.h"
#include "engine/SafeFile.h"

namespace dedodiz::cli {

void StderrMessages::Message(std::string_view text, std::string_view caption) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(caption.size()), caption.data(), line.c_str());
    shown_.push_back({std::string(caption), std::string(text)});
}

int StderrMessages::Errors() const {
    int errors = 0;
    for (const ShownMessage& shown : shown_)
        if (shown.caption == "ERROR") ++errors;
    return errors;
}

namespace {
// errno of the first write to stdout that failed; 0 while every write succeeded.
int& WriteError() {
    static int error = 0;
    return error;
}

void NoteWriteError() {
    if (WriteError() == 0) WriteError() = errno != 0 ? errno : EIO;
}

void FlushOut() {
    errno = 0;
    if (std::fflush(stdout) != 0) NoteWriteError();
}
}  // namespace

void WriteOut(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) NoteWriteError();
}

int OutputWritten(int status) {
    FlushOut();
    if (std::ferror(stdout) != 0) NoteWriteError();
    if (WriteError() == 0) return status;
    std::fprintf(stderr, "dedodiz32-cli: cannot write the output to stdout: %s\n",
                 std::strerror(WriteError()));
    return status == 0 ? 1 : status;
}

void StdoutReport::Print() const {
    for (const std::string& line : Lines()) {
        WriteOut(line);
        WriteOut("\n");
    }
    FlushOut();
}

void Context::PrintResult(const std::function<std::string()>& csv, const std::function<JsonValue()>& json) {
    if (messages.Errors() > 0) {
        status = 1;
        return;
    }
    if (format == "text") {
        report.Print();
        return;
    }
    WriteOut(format == "csv" ? csv() : JsonText(json()));
    FlushOut();
}

void AddFormatOption(CLI::App& command, Context& context) {
    command
        .add_option(
            "--format", context.format,
            "text: the report; csv: one table with a header row; json: every number at full precision "
            "(see " DEDODIZ_CLI_DOC_DIR "/export-formats.md)")
        ->check(CLI::IsMember({"text", "csv", "json"}))
        ->capture_default_str();
}

void AddPrecisionOptions(CLI::App& command, Context& context, const std::string& what) {
    static const std::map<std::string, Precision> kPrecisions{
        {"described", Precision::Described}, {"checked", Precision::Checked}, {"exact", Precision::Exact}};
    command
        .add_option("--precision", context.session.precision,
                    "described: the iteration alone, as the program has always computed; checked: its "
                    "answer checked against the equations and refined where it is off by more than 1e-4; "
                    "exact: " +
                        what)
        ->transform(CLI::CheckedTransformer(kPrecisions, CLI::ignore_case))
        ->default_str("checked");
    command.add_flag_callback(
        "--refine", [&context] { context.session.precision = Precision::Exact; },
        "the same as --precision exact");
}

bool Context::Ran(const Outcome& outcome) {
    if (outcome.Ran()) return true;
    if (outcome.status == Status::Refused) UsageError(outcome.Message());
    status = 1;
    return false;
}

namespace {
struct UsageFailure {
    std::string message;
};
}  // namespace

void UsageError(const std::string& message) {
    throw UsageFailure{message};
}

double NumberOrUsage(std::string_view text, const std::string& what) {
    // A decimal comma, as the windows and the page take it: "7,2" where no point is written.
    if (const auto value = ParseReal(DecimalPoint(text))) return *value;
    std::string word(text);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "nan") return std::numeric_limits<double>::quiet_NaN();
    if (word == "inf" || word == "+inf" || word == "infinity") return std::numeric_limits<double>::infinity();
    if (word == "-inf" || word == "-infinity") return -std::numeric_limits<double>::infinity();
    if (BeyondRange(text))
        UsageError(what + ": \"" + std::string(text) + "\" lies beyond the range of numbers (about 1.8e308)");
    UsageError("not a number in " + what + ": \"" + std::string(text) + "\"");
}

}  // namespace dedodiz::cli

namespace {

int Main(int argc, char** argv) {
    using namespace dedodiz::cli;
    CLI::App app{"DEDODIZ32 " + std::string(dedodiz::kVersion) +
                 " - free metal, total metal and chelator in metal buffer solutions"};
    app.name("dedodiz32-cli");
    app.require_subcommand(1);
    app.set_version_flag(
        "--version",
        "dedodiz32-cli " + std::string(dedodiz::kRelease) + "\n" + std::string(dedodiz::kCopyrightNotice),
        "Print the program's name, release and licence and exit");
    app.set_help_all_flag("--help-all", "Print the help of every command and exit");
    // An option given twice is a usage error, never silently the last one (--chelator and --metal
    // take one value each time they are given).
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    // Under a file-size limit a save fails with "File too large" instead of killing the tool.
    dedodiz::IgnoreFileSizeSignal();
    static Context context;  // the parts are large: keep them off the stack
    AddRunCommand(app, context);
    AddConvertCommand(app, context);
    AddBuffersCommand(app, context);
    AddEvaluateCommand(app, context);
    AddListCommand(app, context);
    AddSweepCommand(app, context);
    AddRecipeCommand(app, context);
    AddUncertaintyCommand(app, context);
    AddCalibrateCommand(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        WriteOut(app.help());
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        WriteOut(app.help("", CLI::AppFormatMode::All));
        return 0;
    } catch (const CLI::CallForVersion& e) {
        WriteOut(std::string(e.what()) + "\n");
        return 0;
    } catch (const CLI::ParseError& e) {
        std::cerr
            << "dedodiz32-cli: " << e.what() << "\n"
            << "usage: dedodiz32-cli COMMAND ...   (dedodiz32-cli --help, dedodiz32-cli COMMAND --help)\n";
        return 2;
    } catch (const UsageFailure& e) {
        std::cerr << "dedodiz32-cli: " << e.message << "\n"
                  << "usage: dedodiz32-cli COMMAND ...   (dedodiz32-cli COMMAND --help)\n";
        return 2;
    }
    // A command that showed an error has failed, whatever it went on to do.
    if (context.status == 0 && context.messages.Errors() > 0) return 1;
    return context.status;
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever escapes a command (memory running out, a library's own exception) still ends it with
    // a message and the status of an error, never with an abort.
    int status = 1;
    try {
        status = Main(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "dedodiz32-cli: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "dedodiz32-cli: unexpected failure\n";
    }
    // Exit status 0 says that the report was written: a full disk, a closed stdout or a reader that went
    // away (a broken pipe, with SIGPIPE ignored; by default the signal ends the tool, as the shell
    // expects of `... | head`) make it a failure with the system's reason.
    return dedodiz::cli::OutputWritten(status);
}
