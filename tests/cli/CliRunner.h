// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Runs dedodiz32-cli as a user would, from the repository root, and keeps its exit status, stdout and
// stderr. Every call gets a stderr file of its own, so test processes that ctest runs side by side
// never read each other's messages.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace dedodiz::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// before, when given, is shell text in front of the tool's name ("ulimit -f 4; ").
inline CliResult RunCli(const std::string& arguments, const std::string& before = "") {
    static std::atomic<int> calls{0};
    const std::string errPath = testing::TempDir() + "cli-stderr-" + std::to_string(getpid()) + "-" +
                                std::to_string(++calls) + ".txt";
    const std::string command = before + std::string(DEDODIZ_CLI) + " " + arguments + " 2>" + errPath;
    CliResult r;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = ReadWholeFile(errPath);
    std::remove(errPath.c_str());
    return r;
}

}  // namespace dedodiz::test
