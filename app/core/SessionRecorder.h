// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The Session's recorder, shared by the sources of the Session's commands only.

#include "core/Session.h"

namespace dedodiz {

// Keeps every message and report line of one command in its outcome, and passes them on to the
// session's sinks as they arise.
class Session::Recorder : public MessageSink, public OutputSink {
  public:
    Recorder(const Session& session, Outcome& outcome)
        : messages_(session.messages_), output_(session.output_), outcome_(outcome) {}
    void Message(std::string_view text, std::string_view caption) override {
        outcome_.messages.push_back({std::string(caption), std::string(text)});
        if (messages_ != nullptr) messages_->Message(text, caption);
    }
    void ClearOutput() override {
        outcome_.report.clear();
        if (output_ != nullptr) output_->ClearOutput();
    }
    void AddOutputLine(std::string_view line) override {
        outcome_.report.emplace_back(line);
        if (output_ != nullptr) output_->AddOutputLine(line);
    }
    void ShowOutput() override {
        if (output_ != nullptr) output_->ShowOutput();
    }

  private:
    MessageSink* messages_;
    OutputSink* output_;
    Outcome& outcome_;
};

}  // namespace dedodiz
