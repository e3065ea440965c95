// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The pH buffer file (".bcm"): comment lines beginning with '%', then one record line per slot of
// 18 comma-separated fields (name, pKa1..3, dpKa1..3, ipKa1..3, dipKa1..3, temperature1..3, "T" or "F"
// for anionic, comments). Written with CR LF line ends; read with CR LF or LF. The window chooses the
// file name through its dialogs and then calls these.

#include <cstddef>
#include <string>
#include <string_view>

#include "buffers/BufferModel.h"
#include "engine/SafeFile.h"
#include "engine/Sinks.h"

namespace dedodiz {

// A record line as written takes about 150 bytes; longer lines are read as their first 255.
inline constexpr std::size_t kBufferLineLimit = 255;
// [bytes] the largest buffer file read. Twelve records and a few comments take about 2 KB; a larger
// file is no buffer file, and reading it would take the time and memory of its whole size.
inline constexpr std::size_t kBufferFileBytes = 1U << 20U;

inline constexpr std::string_view kBufferFileHeader1 = "%BROSSIVANTE pH BUFFER FILE";
inline constexpr std::string_view kBufferFileHeader2 =
    "%NAME,pKa1,pKa2,pKa3,dpKa1,dpKa2,dpKa3,ipKa1,ipKa2,ipKa3,dipKa1,dipKa2,dipKa3,temperature,"
    "T or F for anionic, comments";

// The whole file text for the twelve slots.
//
// A written file reads back as the same slots (values to 3 decimals, temperatures to 2), so the texts
// that the format cannot carry are adjusted rather than let the later fields shift: a comma in a
// name is written as ';', a line break in a name or a comment as a blank, and a first name that
// begins with '%' or '!' (which a reader takes for a comment or the end marker) gets a leading blank.
std::string BufferFileText(const BufferTool& tool);

// Writes the twelve slots to name, replacing the file only once the new one is complete. On failure
// shows "Cannot save buffer to file!" ("ERROR", the reason on a second line) and returns false; an
// existing file stays as it was. Changes nothing in the state.
bool WriteBufferFile(const BufferTool& tool, const std::string& name, MessageSink& messages);

// Reads the slots from name. Clears BufferLoaded, sets every slot to the pre-load defaults, then
// reads: "Could not open pH buffer file" ("ERROR", the reason on a second line) when the file cannot be
// opened, is no regular file or is larger than kBufferFileBytes (the slots stay reset).
// Otherwise BufferFileName becomes name (cut to 80); comment and empty lines are passed over; a first
// record line beginning with '!' or the end of the file means no records. Records fill slots 1..12 in
// order until an empty line or the end of the file; a record without any comma is a name alone, its
// values 0. A leading UTF-8 byte-order mark is skipped, lines are cut to kBufferLineLimit bytes, and
// control bytes in names and comments become blanks. Returns BufferLoaded: true when the reading got
// past the comment lines to a record.
//
// The window clears BufferLoaded itself when its open dialog is cancelled.
struct BufferReadResult {
    bool loaded = false;  // BufferLoaded
    FileResult file;      // LoadFailed with the reason when the file could not be opened or read
    explicit operator bool() const { return loaded; }
};
BufferReadResult ReadBufferFile(BufferTool& tool, const std::string& name, MessageSink& messages);

}  // namespace dedodiz
