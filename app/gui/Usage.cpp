// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Usage.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/Release.h"

namespace dedodiz {

namespace {

constexpr std::string_view kUsage =
    "Usage: dedodiz32 [FILE]\n"
    "The DEDODIZ32 desktop program: free metal, total metal and chelator in metal buffer solutions of\n"
    "chelators such as EGTA, EDTA and BAPTA, in windows. The same computations without a window are\n"
    "done by dedodiz32-cli.\n"
    "\n"
    "FILE is read at start-up. A work file (.STG) is loaded and its single-point report is shown in the\n"
    "output window at once; a binary constants file (.CCM) is loaded as the constants table; for a\n"
    "name without an extension the name with .STG, then with .CCM is tried. Files of other kinds are\n"
    "not loaded. A first argument such as \"/p\" (one \"/\" at its start, naming no file) is a switch:\n"
    "then FILE is the second argument, when there are exactly two.\n"
    "\n"
    "Options:\n"
    "  --help     print this text and exit\n"
    "  --version  print the program's name, release and licence and exit\n";

}  // namespace

std::optional<int> AnswerInfoRequest(int argc, const char* const* argv) {
    if (argc != 2) return std::nullopt;
    const std::string_view arg = argv[1];
    if (arg == "--help") {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
    } else if (arg == "--version") {
        const std::string line =
            "dedodiz32 " + std::string(kRelease) + "\n" + std::string(kCopyrightNotice) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    } else {
        return std::nullopt;
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace dedodiz
