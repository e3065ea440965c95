// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The two ways the computations reach the user. The desktop program implements them with the
// output window and message boxes, the command-line tool with stdout and stderr, the tests with
// recorders. No computation calls a toolkit directly.

#include <string>
#include <string_view>
#include <vector>

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

// How a report meets the text already in the output: it replaces it, or (the output window's
// "&Add Output" switch) it is appended below it.
enum class ReportPlacement { Replace, Append };

// Clears the output for a report that replaces it.
inline void BeginReport(OutputSink& output, ReportPlacement placement) {
    if (placement == ReportPlacement::Replace) output.ClearOutput();
}

// A message that was shown while a result was computed (the warnings of a run, for example).
struct ShownMessage {
    std::string caption;  // "WARNING", "INFORMATION", ...
    std::string text;     // a line break inside the text is '\r', as the message box takes it
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};
using ShownMessages = std::vector<ShownMessage>;

// A message sink that keeps every message and passes it on to another sink, so that a result can list
// the messages the user saw.
class MessageLog : public MessageSink {
  public:
    explicit MessageLog(MessageSink& next) : next_(next) {}
    void Message(std::string_view text, std::string_view caption) override {
        shown_.push_back({std::string(caption), std::string(text)});
        next_.Message(text, caption);
    }
    [[nodiscard]] const ShownMessages& Messages() const { return shown_; }
    void Clear() { shown_.clear(); }

  private:
    MessageSink& next_;
    ShownMessages shown_;
};

// A message sink that only keeps the messages, for front ends that show them their own way.
class MessageKeeper : public MessageSink {
  public:
    void Message(std::string_view text, std::string_view caption) override {
        shown_.push_back({std::string(caption), std::string(text)});
    }
    [[nodiscard]] const ShownMessages& Messages() const { return shown_; }

  private:
    ShownMessages shown_;
};

}  // namespace dedodiz
