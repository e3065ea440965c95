// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The constants file: the whole constants table (twelve chelators, the same nine metals in each) in one
// of two kinds, told apart by the name alone. The third-last character of the name, the first letter of
// a three-letter extension, decides: 'T'/'t' is the text kind (".TCM", the kind written after editing),
// 'C'/'c' the binary kind (".CCM"). Any other letter selects no kind.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/SafeFile.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

enum class ConstantsKind { None, Text, Binary };

inline constexpr std::size_t kConstantsRecordBytes = 585;                         // one binary record
inline constexpr std::size_t kConstantsBinaryBytes = 12 * kConstantsRecordBytes;  // 7020, the whole table
inline constexpr std::size_t kConstantsLineLimit = 255;  // longer lines are read as their first 255 bytes
// [bytes] the largest text constants file read. One as written takes about 10 KB; even with long
// comments and lines a real one stays far below this, so a larger file is no constants file (and reading
// it would take the time and memory of its whole size).
inline constexpr std::size_t kConstantsTextBytes = 1U << 20U;

ConstantsKind ConstantsFileKind(std::string_view name);

// Reads the table from the file name into table.Constants. The result is LoadFailed when the file is
// missing, not a regular file, larger than a constants file of its kind can be, not a constants file of
// its kind, or cannot be read (the table is then unchanged), and NotConstantsName for a name of neither
// kind (nothing is read). A text file may begin with a UTF-8 byte-order mark. Control bytes in names and
// comments become blanks. The text kind leaves ConstantsFileName to the caller; the binary kind sets it
// to name. A file that exists but cannot be read (an error of the system, or no regular file) is also
// shown with caption "ERROR"; every other failure is silent, as the callers decide what to tell the user.
//
// The text kind is read block by block, each a chelator line ("!") and nine metal lines ("#"). A file
// whose lines do not keep that order (a metal line where a chelator line is due or the reverse, any other
// line among the blocks) or that ends inside a block, or inside its last line, or that holds a value
// beyond the range of a number, is refused whole: the reason names the line and what was expected there.
// A value that is no number is 0, silently. A file may end after any whole block; the records it does not
// reach are left empty. A metal line whose name differs from the first block's at its place loads (its
// values are taken as those of the first block's metal) and is shown with caption "WARNING", naming the
// line and both names.
FileResult ReadConstantsFile(ConstantsTable& table, std::string_view name, MessageSink& messages);

// Writes table.Constants in the kind that name selects; on success sets ConstantsFileName := name,
// otherwise the result is SaveFailed with the reason, and any previous file of that name is left
// untouched. A name of neither kind only shows "Did not save file" (caption "INFORMATION") and gives
// NotConstantsName.
FileResult WriteConstantsFile(ConstantsTable& table, std::string_view name, MessageSink& messages);

// The exact bytes of the two kinds, as WriteConstantsFile puts them on disk.
std::string ConstantsText(const ConstantsTable& table);
std::string ConstantsBinary(const ConstantsTable& table);

}  // namespace dedodiz
