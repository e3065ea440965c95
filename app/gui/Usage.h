// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The desktop program's answers to --help and --version, given before any window or display exists
// (the manual page is made from them at build time).

#include <optional>

namespace dedodiz {

// When the only argument is --help or --version: prints the usage text or "dedodiz32 " + version to
// stdout and returns the exit status 0. Otherwise nullopt: the program starts as usual.
std::optional<int> AnswerInfoRequest(int argc, const char* const* argv);

}  // namespace dedodiz
