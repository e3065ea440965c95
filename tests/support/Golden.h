// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Golden-file comparison for reports: the expected text lives in tests/data/<case>/expected.txt and is
// compared exactly; a failure prints a line-by-line diff. Set DEDODIZ_BLESS=1 to write the file from
// the current output (then read the diff in git before committing it).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace dedodiz::test {

inline std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

inline void ExpectGolden(const std::string& relativePath, const std::string& actual) {
    const std::string path = std::string(DEDODIZ_TEST_DATA) + "/" + relativePath;
    if (const char* bless = std::getenv("DEDODIZ_BLESS"); bless != nullptr && std::string(bless) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing golden file " << path << " (run with DEDODIZ_BLESS=1 to create it)";
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string expected = buffer.str();
    if (expected == actual) return;

    const auto split = [](const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream stream(text);
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    };
    const std::vector<std::string> e = split(expected), a = split(actual);
    std::string diff;
    for (std::size_t n = 0; n < std::max(e.size(), a.size()); ++n) {
        const std::string el = n < e.size() ? e[n] : "<end of text>";
        const std::string al = n < a.size() ? a[n] : "<end of text>";
        if (el != al)
            diff +=
                "line " + std::to_string(n + 1) + "\n  expected: [" + el + "]\n  actual:   [" + al + "]\n";
    }
    ADD_FAILURE() << "report differs from " << path << "\n" << diff;
}

}  // namespace dedodiz::test
