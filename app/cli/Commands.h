#pragma once
// The commands of dedodiz32-cli. Each adds a CLI11 subcommand whose callback leaves its exit status
// in the context: 0 report written (warnings included), 1 error and no report, 2 usage error.

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "Sinks.h"
#include "State.h"

namespace dedodiz::cli {

// Every message box the command would show, as one line "CAPTION: TEXT" on stderr; a carriage
// return inside the text becomes one blank.
class StderrMessages : public MessageSink {
public:
    void Message(std::string_view text, std::string_view caption) override;
    [[nodiscard]] int Count() const { return count_; }

private:
    int count_ = 0;
};

// The output text of the command: kept in memory (a report may clear it) and printed to stdout once
// the command has finished.
class StdoutReport : public OutputSink {
public:
    void ClearOutput() override { lines_.clear(); }
    void AddOutputLine(std::string_view line) override { lines_.emplace_back(line); }
    void ShowOutput() override { shown_ = true; }
    [[nodiscard]] bool Shown() const { return shown_; }
    [[nodiscard]] bool Empty() const { return lines_.empty(); }
    void Print() const;

private:
    std::vector<std::string> lines_;
    bool shown_ = false;
};

// What every command shares: the one State, the two sinks and the exit status.
struct Context {
    State state;
    StderrMessages messages;
    StdoutReport report;
    int status = 0;
};

// A usage error found after parsing (an unknown chelator name, a malformed VALUE): the message and a
// short usage text on stderr, exit status 2.
[[noreturn]] void UsageError(const std::string& message);

void AddRunCommand(CLI::App& app, Context& context);
void AddConvertCommand(CLI::App& app, Context& context);
void AddBuffersCommand(CLI::App& app, Context& context);
void AddEvaluateCommand(CLI::App& app, Context& context);
void AddListCommand(CLI::App& app, Context& context);
void AddSweepCommand(CLI::App& app, Context& context);

}  // namespace dedodiz::cli
