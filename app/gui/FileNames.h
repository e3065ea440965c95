// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// File-name rules of the desktop program. The names the user chooses are kept as typed: on a
// case-sensitive file system upper-casing a path, or replacing ".stg" by ".STG", would name another
// file.

#include <optional>
#include <string>
#include <string_view>

namespace dedodiz {

// The extension of name: from the last '.' after the last '/', the dot included; empty when none.
std::string ExtractFileExt(std::string_view name);

// name with its extension replaced by ext, or with ext appended when it has none.
std::string ChangeFileExt(std::string_view name, std::string_view ext);

// name with the extension ext; an extension that differs from ext only in case is kept as it is,
// so that "work.stg" still names the file the user chose.
std::string ForceFileExt(std::string_view name, std::string_view ext);

// text with the ASCII letters a..z in upper case; other bytes (UTF-8 included) unchanged.
std::string AsciiUpper(std::string_view text);

// The stored file names hold at most 80 bytes. A longer path is given relative to the current folder
// when that fits; otherwise there is no name that reaches the file (cutting it would name another
// file), and nullopt is returned.
std::optional<std::string> FitFileName(std::string_view path);

}  // namespace dedodiz
