// SPDX-License-Identifier: BSD-3-Clause
#include "Case.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dedodiz::conformance {

namespace {

std::string RightTrimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
    return text;
}

ExpectedValue ReadValue(const std::string& text) {
    std::istringstream in(text);
    ExpectedValue v;
    if (!(in >> v.key >> v.value >> v.tolerance)) throw std::runtime_error("expected KEY VALUE TOLERANCE");
    return v;
}

void ReadLine(Case& c, const std::string& key, const std::string& value) {
    if (key == "command") {
        c.command = value;
    } else if (key == "status") {
        c.status = value;
    } else if (key == "refusal") {
        c.refusal = value;
    } else if (key == "message") {
        c.messages.push_back(value);
    } else if (key == "value") {
        c.values.push_back(ReadValue(value));
    } else if (key == "line") {
        const std::size_t blank = value.find(' ');
        c.lines.emplace_back(std::stoi(value.substr(0, blank)),
                             blank == std::string::npos ? std::string() : value.substr(blank + 1));
    } else if (key == "not-in") {
        const std::size_t colon = value.find(": ");
        if (colon == std::string::npos) throw std::runtime_error("expected FACE: WHY");
        c.notIn[value.substr(0, colon)] = value.substr(colon + 2);
    } else {
        c.inputs.emplace_back(key, value);
    }
}

Case ReadCase(const std::filesystem::path& file) {
    Case c;
    c.name = file.stem().string();
    std::ifstream in(file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        if (line[0] == '#') {
            c.comment += (c.comment.empty() ? "" : " ") + line.substr(line.find_first_not_of("# "));
            continue;
        }
        const std::size_t colon = line.find(": ");
        try {
            if (colon == std::string::npos) throw std::runtime_error("expected KEY: VALUE");
            ReadLine(c, line.substr(0, colon), line.substr(colon + 2));
        } catch (const std::exception& e) {
            throw std::runtime_error(file.string() + ":" + std::to_string(number) + ": " + e.what());
        }
    }
    if (c.command.empty() || c.status.empty())
        throw std::runtime_error(file.string() + ": needs a command and a status");
    return c;
}

}  // namespace

std::vector<std::string> Case::All(const std::string& key) const {
    std::vector<std::string> all;
    for (const auto& [k, v] : inputs)
        if (k == key) all.push_back(v);
    return all;
}

std::optional<std::string> Case::One(const std::string& key) const {
    for (const auto& [k, v] : inputs)
        if (k == key) return v;
    return std::nullopt;
}

std::vector<Case> LoadCases(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".case") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Case> cases;
    for (const auto& file : files) cases.push_back(ReadCase(file));
    return cases;
}

std::vector<std::string> Differences(const Case& c, const Answer& a) {
    std::vector<std::string> d;
    if (a.status != c.status) d.push_back("status " + a.status + ", expected " + c.status);
    if (c.status == "refused" && a.refusal != c.refusal)
        d.push_back("refusal \"" + a.refusal + "\", expected \"" + c.refusal + "\"");
    if (c.status != "refused" && a.messages != c.messages) {
        std::string shown;
        for (const std::string& m : a.messages) shown += "\n    " + m;
        d.push_back("messages:" + (shown.empty() ? std::string(" none") : shown));
    }
    for (const ExpectedValue& v : c.values) {
        const auto found = a.values.find(v.key);
        if (found == a.values.end()) {
            d.push_back("no value " + v.key);
        } else if (!(std::abs(found->second - v.value) <= v.tolerance * std::abs(v.value))) {
            std::ostringstream text;
            text.precision(9);
            text << v.key << " " << found->second << ", expected " << v.value << " within " << v.tolerance;
            d.push_back(text.str());
        }
    }
    for (const auto& [number, text] : c.lines) {
        const auto at = static_cast<std::size_t>(number - 1);
        const std::string got = at < a.report.size() ? RightTrimmed(a.report[at]) : "(no such line)";
        if (got != RightTrimmed(text))
            d.push_back("report line " + std::to_string(number) + " \"" + got + "\", expected \"" + text +
                        "\"");
    }
    return d;
}

}  // namespace dedodiz::conformance
