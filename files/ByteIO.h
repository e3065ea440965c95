// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Small pieces shared by the file readers and writers of this folder: little-endian fields of the
// binary records, length-prefixed strings and cutting texts to their field length.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dedodiz::fileio {

// text cut to at most n bytes. When the cut would split a UTF-8 character, the whole character goes,
// so a name typed with accents never ends in half a character. Text in a single-byte code page (bytes
// that do not form UTF-8) is cut at exactly n bytes.
std::string_view CutText(std::string_view text, std::size_t n);

// Binary fields, little-endian, doubles as IEEE 754 binary64.
void PutU16(std::string& out, std::uint16_t value);
void PutDouble(std::string& out, double value);
// A length byte (at most capacity) followed by capacity character bytes, zeros after the text.
void PutShortString(std::string& out, std::string_view text, std::size_t capacity);

std::uint16_t GetU16(const std::string& bytes, std::size_t offset);
double GetDouble(const std::string& bytes, std::size_t offset);
// The text of a length-prefixed string; a length byte beyond capacity (a damaged file) is taken as capacity.
std::string GetShortString(const std::string& bytes, std::size_t offset, std::size_t capacity);

}  // namespace dedodiz::fileio
