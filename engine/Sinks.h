#pragma once
// The two ways the computations reach the user. The desktop program implements them with the
// output window and message boxes, the command-line tool with stdout and stderr, the tests with
// recorders. No computation calls a toolkit directly.

#include <string_view>

namespace dedodiz {

// Modal messages: a fixed text, a caption ("ERROR", "WARNING", "INFORMATION", "DIFFICULTY",
// "RAISE IONIC STRENGTH") and one OK button. A '\r' inside the text breaks the line.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void Message(std::string_view text, std::string_view caption) = 0;
};

// The output text that every report writes to, line by line.
class OutputSink {
  public:
    virtual ~OutputSink() = default;
    virtual void ClearOutput() = 0;
    virtual void AddOutputLine(std::string_view line) = 0;
    virtual void ShowOutput() = 0;
};

}  // namespace dedodiz
