// dedodiz32-cli: the calculator's computations without a window, for scripts and batch work.
// It links no Qt library, so that it starts at once.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>

#include "Commands.h"

namespace dedodiz::cli {

void StderrMessages::Message(std::string_view text, std::string_view caption) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r') c = ' ';
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(caption.size()), caption.data(), line.c_str());
    shown_.push_back({std::string(caption), std::string(text)});
}

void StdoutReport::Print() const {
    for (const std::string& line : Lines()) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

void Context::PrintResult(const std::function<std::string()>& csv,
                          const std::function<JsonValue()>& json) const {
    if (format == "text") {
        report.Print();
        return;
    }
    const std::string text = format == "csv" ? csv() : JsonText(json());
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void AddFormatOption(CLI::App& command, Context& context) {
    command
        .add_option(
            "--format", context.format,
            "text: the report; csv: one table with a header row; json: every number at full precision "
            "(see docs/export-formats.md)")
        ->check(CLI::IsMember({"text", "csv", "json"}))
        ->capture_default_str();
}

void AddRefineOption(CLI::App& command, Context& context, const std::string& what) {
    command.add_flag("--refine", context.refine, what);
}

Precision RunPrecision(const Context& context) {
    return context.refine ? Precision::Refined : Precision::Iteration;
}

namespace {
struct UsageFailure {
    std::string message;
};
}  // namespace

void UsageError(const std::string& message) {
    throw UsageFailure{message};
}

}  // namespace dedodiz::cli

int main(int argc, char** argv) {
    using namespace dedodiz::cli;
    CLI::App app{"DEDODIZ32 " + std::string(dedodiz::kVersion) +
                 " - free metal, total metal and chelator in metal buffer solutions"};
    app.name("dedodiz32-cli");
    app.require_subcommand(1);
    app.set_version_flag("--version", "dedodiz32-cli " + std::string(dedodiz::kVersion),
                         "Print the program's name and version and exit");
    app.set_help_all_flag("--help-all", "Print the help of every command and exit");
    static Context context;  // the parts are large: keep them off the stack
    dedodiz::NewCalculation(context.table, context.selection, context.calc);
    dedodiz::ResetBufferRecord(context.buffers.BufferRecord);
    AddRunCommand(app, context);
    AddConvertCommand(app, context);
    AddBuffersCommand(app, context);
    AddEvaluateCommand(app, context);
    AddListCommand(app, context);
    AddSweepCommand(app, context);
    AddUncertaintyCommand(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        std::cout << app.help("", CLI::AppFormatMode::All);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
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
    return context.status;
}
