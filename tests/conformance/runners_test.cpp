// SPDX-License-Identifier: BSD-3-Clause
// Every conformance case played on the library and on the command-line tool: each face must give the
// status, the refusal, the messages, the numbers and the report lines the case expects.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "Case.h"
#include "CliRunner.h"
#include "Library.h"

namespace dedodiz::conformance {
namespace {

const std::string kCases = std::string(DEDODIZ_SOURCE_DIR) + "/tests/conformance/cases";

std::string Scratch() {
    const std::string folder = testing::TempDir() + "conformance-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    return folder;
}

std::string Report(const std::vector<std::string>& differences) {
    std::string text;
    for (const std::string& d : differences) text += "\n  " + d;
    return text;
}

// --- The command-line tool ---

std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (const char ch : text) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

std::string Arguments(const Case& c, const std::string& tmp) {
    std::string args = c.command;
    for (auto [key, value] : c.inputs) {
        if (const std::size_t at = value.find("{tmp}"); at != std::string::npos) value.replace(at, 5, tmp);
        if (key == "work" || key == "file" || key == "out") {
            args += " " + Quoted(value);
        } else if (key == "mix") {
            args += " --mix";
        } else {
            args += " --" + key + " " + Quoted(value);
        }
    }
    return args;
}

// The status as the tool's exit and its last "ERROR" line tell it.
std::string CliStatus(const test::CliResult& r) {
    if (r.status == 0) return "ran";
    if (r.status == 2) return "refused";
    if (r.err.find("ERROR: FLOATING POINT ERROR") != std::string::npos) return "fault";
    if (r.err.find("ERROR: CANNOT BE MADE") != std::string::npos) return "cannot be made";
    for (const char* file : {"File does not exist", "Cannot Load", "Not a constants", "Could not open",
                             "Did not save", "Cannot save"})
        if (r.err.find(file) != std::string::npos) return "file error";
    return "stopped";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

Answer PlayOnCli(const Case& c, const std::string& tmp) {
    const test::CliResult r = test::RunCli(Arguments(c, tmp));
    Answer a;
    a.status = CliStatus(r);
    for (const std::string& line : Lines(r.err)) {
        const std::string prefix = "dedodiz32-cli: ";
        if (line.rfind(prefix, 0) == 0) {
            // The tool's own line: the refusal, or the reason it adds to a failure's message.
            if (a.status == "refused" && a.refusal.empty()) a.refusal = line.substr(prefix.size());
        } else {
            a.messages.push_back(line);
        }
    }
    a.report = Lines(r.out);
    if (!c.values.empty()) {
        const std::vector<std::string> csv = Lines(test::RunCli(Arguments(c, tmp) + " --format csv").out);
        if (csv.size() >= 2) {
            std::istringstream header(csv[0]), row(csv[1]);
            for (std::string key, value; std::getline(header, key, ',') && std::getline(row, value, ',');)
                a.values[key] = std::strtod(value.c_str(), nullptr);
        }
    }
    return a;
}

class Conformance : public testing::TestWithParam<Case> {};

TEST_P(Conformance, LibraryGivesWhatTheCaseExpects) {
    const Case& c = GetParam();
    if (!c.In("library")) GTEST_SKIP() << c.notIn.at("library");
    const Answer a = PlayOnLibrary(c, std::string(DEDODIZ_SOURCE_DIR) + "/data", Scratch());
    const std::vector<std::string> d = Differences(c, a);
    EXPECT_TRUE(d.empty()) << c.name << " (" << c.comment << "):" << Report(d);
}

TEST_P(Conformance, CommandLineToolGivesWhatTheCaseExpects) {
    const Case& c = GetParam();
    if (!c.In("cli")) GTEST_SKIP() << c.notIn.at("cli");
    const std::vector<std::string> d = Differences(c, PlayOnCli(c, Scratch()));
    EXPECT_TRUE(d.empty()) << c.name << " (" << c.comment << "):" << Report(d);
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Conformance, testing::ValuesIn(LoadCases(kCases)), CaseName);

TEST(ConformanceCases, EveryCommandAndEveryFaceIsCovered) {
    const std::vector<Case> cases = LoadCases(kCases);
    EXPECT_GE(cases.size(), 60U);
    for (const char* command :
         {"run", "sweep", "evaluate", "buffers", "list", "convert", "recipe", "uncertainty", "calibrate"})
        EXPECT_TRUE(std::any_of(cases.begin(), cases.end(), [&](const Case& c) {
            return c.command == command;
        })) << command;
    for (const Case& c : cases)
        for (const auto& [face, why] : c.notIn) {
            EXPECT_FALSE(why.empty()) << c.name << ": " << face << " says not why";
            EXPECT_TRUE(face == "library" || face == "cli" || face == "python" || face == "web" ||
                        face == "live")
                << c.name << ": no face " << face;
        }
}

}  // namespace
}  // namespace dedodiz::conformance
