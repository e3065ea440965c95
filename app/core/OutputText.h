#pragma once
// The output text that every report writes to: an ordered list of lines. The command-line tool
// prints it; the desktop program's output window shows and edits it.

#include <string>
#include <vector>

#include "Sinks.h"

namespace dedodiz {

class OutputText : public OutputSink {
  public:
    void ClearOutput() override { lines_.clear(); }
    void AddOutputLine(std::string_view line) override { lines_.emplace_back(line); }
    void ShowOutput() override {}
    [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }

  private:
    std::vector<std::string> lines_;
};

}  // namespace dedodiz
