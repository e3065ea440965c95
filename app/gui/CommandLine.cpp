// SPDX-License-Identifier: BSD-3-Clause
#include "gui/CommandLine.h"

#include <filesystem>
#include <system_error>

#include "gui/FileNames.h"

namespace dedodiz {

bool IsCommandLineSwitch(std::string_view arg) {
    if (arg.empty() || arg.front() != '/') return false;
    if (arg.find('/', 1) != std::string_view::npos) return false;
    std::error_code error;
    return !std::filesystem::exists(std::filesystem::path(arg), error);
}

std::optional<std::string> PickCommandLineArgument(const std::vector<std::string>& args) {
    if (args.empty()) return std::nullopt;
    if (!IsCommandLineSwitch(args[0])) return args[0];
    if (args.size() == 2 && !IsCommandLineSwitch(args[1])) return args[1];
    return std::nullopt;
}

CommandLineFile ClassifyCommandLineFile(std::string_view name) {
    const std::string ext = AsciiUpper(ExtractFileExt(name));
    if (ext == ".STG") return CommandLineFile::Work;
    if (ext == ".CCM") return CommandLineFile::Constants;
    if (ext.empty()) return CommandLineFile::NoExtension;
    return CommandLineFile::Ignored;
}

}  // namespace dedodiz
