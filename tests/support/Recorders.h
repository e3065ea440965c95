// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Message and output sinks that keep what they were given, for tests.

#include <string>
#include <utility>
#include <vector>

#include "engine/Sinks.h"

namespace dedodiz::test {

struct MessageRecorder : MessageSink {
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    void Message(std::string_view text, std::string_view caption) override {
        messages.emplace_back(std::string(text), std::string(caption));
    }
    // The messages with each text cut at its first line break: the described text, without the reason
    // that a failed file operation adds on a second line.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> Headlines() const {
        std::vector<std::pair<std::string, std::string>> cut;
        for (const auto& [text, caption] : messages)
            cut.emplace_back(text.substr(0, text.find('\r')), caption);
        return cut;
    }
};

struct OutputRecorder : OutputSink {
    std::vector<std::string> lines;
    int clears = 0;
    int shows = 0;
    void ClearOutput() override {
        lines.clear();
        ++clears;
    }
    void AddOutputLine(std::string_view line) override { lines.emplace_back(line); }
    void ShowOutput() override { ++shows; }
};

}  // namespace dedodiz::test
