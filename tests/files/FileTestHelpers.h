// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A fresh folder per test and small file helpers for the file-layer tests.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Scratch.h"
#include "TestState.h"

namespace dedodiz {
using TestState = test::Parts<EditorState, test::FileTestPart>;
}

namespace dedodiz::test {

// Field by field, values compared exactly.
inline bool SameRecord(const TChelatorRec& a, const TChelatorRec& b) {
    return a.Name == b.Name && a.H == b.H && a.dH == b.dH && a.MetalName == b.MetalName && a.ML == b.ML &&
           a.MHL == b.MHL && a.dML == b.dML && a.dMHL == b.dMHL && a.Comment == b.Comment;
}

inline bool SameTable(const OneBased<TChelatorRec, 12>& a, const OneBased<TChelatorRec, 12>& b) {
    for (int c = 1; c <= 12; ++c)
        if (!SameRecord(a[c], b[c])) return false;
    return true;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The lines of a text, split at "\r\n".
inline std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

}  // namespace dedodiz::test
