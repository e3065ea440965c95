// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// One conformance case (README.md beside this file gives the format) and the comparison of what a face
// answered with what the case expects. Every face's runner reads the same files.

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace dedodiz::conformance {

struct ExpectedValue {
    std::string key;  // a column of the run's CSV export: "free_Ca2_M"
    double value = 0;
    double tolerance = 0;  // relative
};

struct Case {
    std::string name;  // the file's name without ".case"
    std::string comment;
    std::string command;
    std::vector<std::pair<std::string, std::string>> inputs;  // in the order written
    std::string status;
    std::string refusal;
    std::vector<std::string> messages;  // "CAPTION: TEXT"
    std::vector<ExpectedValue> values;
    std::vector<std::pair<int, std::string>> lines;  // report line number (1-based), its text
    std::map<std::string, std::string> notIn;        // face, why it cannot express the case

    // Every value of one input key, in order ("chelator" may come several times).
    [[nodiscard]] std::vector<std::string> All(const std::string& key) const;
    // The one value of a key, or none.
    [[nodiscard]] std::optional<std::string> One(const std::string& key) const;
    [[nodiscard]] bool In(const std::string& face) const { return notIn.count(face) == 0; }
};

// A case is named by its file in test output.
inline void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// Every case of the folder, by name; a file that does not parse fails with its name and line.
std::vector<Case> LoadCases(const std::string& folder);

// What one face gave back for a case.
struct Answer {
    std::string status;                 // as the case words it: "ran", "refused", ...
    std::string refusal;                // the one-line refusal when refused
    std::vector<std::string> messages;  // "CAPTION: TEXT", a line break inside a text as a blank
    std::map<std::string, double> values;
    std::vector<std::string> report;
};

// Each way the answer differs from the case, one line each; empty when it conforms. Messages are
// compared when the case ran or stopped (a refusal is one line, already compared).
std::vector<std::string> Differences(const Case& c, const Answer& a);

}  // namespace dedodiz::conformance
