// SPDX-License-Identifier: BSD-3-Clause
#include "gui/FileNames.h"

#include <filesystem>
#include <system_error>

#include "gui/ProgramState.h"

namespace dedodiz {

namespace {

std::size_t ExtensionStart(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return name.size();
    const std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos && slash > dot) return name.size();
    return dot;
}

}  // namespace

std::string ExtractFileExt(std::string_view name) {
    return std::string(name.substr(ExtensionStart(name)));
}

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
    std::string result(name.substr(0, ExtensionStart(name)));
    result += ext;
    return result;
}

std::string ForceFileExt(std::string_view name, std::string_view ext) {
    if (AsciiUpper(ExtractFileExt(name)) == AsciiUpper(ext)) return std::string(name);
    return ChangeFileExt(name, ext);
}

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

std::optional<std::string> FitFileName(std::string_view path) {
    if (path.size() <= FileName::max_length) return std::string(path);
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) return std::nullopt;
    const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error) return std::nullopt;
    const std::string relative = full.lexically_normal().lexically_relative(current).string();
    if (relative.empty() || relative.size() > FileName::max_length) return std::nullopt;
    return relative;
}

}  // namespace dedodiz
