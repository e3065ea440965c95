// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The output text that every report writes to, kept in memory: an ordered list of lines, and whether a
// report asked for it to be shown. The command-line tool prints it once its command has finished; the
// desktop program's output window keeps its text in its own editable control.

#include <string>
#include <vector>

#include "engine/Sinks.h"

namespace dedodiz {

class OutputText : public OutputSink {
  public:
    void ClearOutput() override { lines_.clear(); }
    void AddOutputLine(std::string_view line) override { lines_.emplace_back(line); }
    void ShowOutput() override { shown_ = true; }
    [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }
    [[nodiscard]] bool Shown() const { return shown_; }

  private:
    std::vector<std::string> lines_;
    bool shown_ = false;
};

}  // namespace dedodiz
