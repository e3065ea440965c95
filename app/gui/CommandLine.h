// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The file argument of the program's command line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dedodiz {

// A switch such as "/p" begins with '/'. On this system every absolute path begins with '/' too, so
// an argument that holds a second '/' or names an existing file is taken as a path, not a switch.
bool IsCommandLineSwitch(std::string_view arg);

// The argument that names a file, from args without the program's own name: argument 1 unless it is
// a switch; after a switch, argument 2 when exactly two arguments were given and it is no switch.
// Anything else on the command line is ignored.
std::optional<std::string> PickCommandLineArgument(const std::vector<std::string>& args);

// What the program does with the file argument, decided by its extension (upper-cased for the test
// only).
enum class CommandLineFile {
    Work,         // ".STG": load the work settings and run them
    Constants,    // ".CCM": load the constants file
    NoExtension,  // try the name with ".STG", then with ".CCM"
    Ignored,      // any other extension, ".TCM" included
};
CommandLineFile ClassifyCommandLineFile(std::string_view name);

}  // namespace dedodiz
