// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Reading and writing files so that bad input never hangs or floods the program, and a failure never
// costs the user the previous version of a file.
//
// Every writer of the program (constants, work, buffer, output text and bitmap files) goes through
// WriteFileAtomically. The bytes go to a temporary file in the target's own folder (so the final rename
// stays on one drive and is atomic), created with the final permissions; every write, the flush and the
// close are checked, only a complete file is renamed over the target, and the folder is synced after.
//
// Every reader of a file that a user names (constants, work and buffer files) takes its bytes through
// ReadFileBytes: only regular files, and only up to a size that no real file of its kind reaches.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dedodiz {

// What a file operation came to. The numbers of the first three are those that a constants file
// operation has always reported (0 success, 2 load failed, 3 save failed).
enum class FileStatus : std::int16_t {
    Success = 0,
    LoadFailed = 2,
    SaveFailed = 3,
    NotConstantsName = 4,  // a name of neither constants kind: nothing was read or written
};

// A file operation's status and, when it failed, why (the system's text where there is one).
struct FileResult {
    FileStatus status = FileStatus::Success;
    std::string reason;
    int error =
        0;  // the system's error number (errno) behind the reason; 0 when the file was read but refused
    [[nodiscard]] bool ok() const { return status == FileStatus::Success; }
};

// A message text followed by the reason on a line of its own ("\r" breaks the line in a message
// box), or the text alone when there is no reason.
std::string WithReason(std::string_view text, std::string_view reason);

// The system's text for an errno value, followed by ": " and the path.
std::string SystemError(int error, std::string_view path);

// ---- Writing ----

// Where a write failed, for callers whose rules tell a file that cannot be created apart from a disk
// that fails while writing.
enum class WriteFailure {
    None,
    NotCreated,  // nothing was written: no folder, no rights, a target that may not be replaced, ...
    Failed,      // writing, flushing, closing or the final rename failed
};

// Writes bytes to path through a temporary file in the same folder, then renames it over path.
//
// The target must be a regular file, a symbolic link to one (the file it points to is written, the
// link stays), or a name not yet taken. Refused, before anything is written: folders, devices, pipes
// and sockets, a link to anything else or to nothing, a read-only file (even when the process could
// override that), a file the process may not write, and a file with further hard links, which a
// rename would split from it.
//
// A replaced file keeps its permissions and, where the process may set them, its owner and group; a
// new file gets the usual permissions (0666 less the umask). The temporary never has more permissions
// than the final file.
//
// On failure returns false, removes the temporary, leaves an existing file at path untouched, and
// (when given) fills error with the reason, the system's text and the path, and failure with its stage.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         WriteFailure* failure = nullptr);

// A process limited in the size of its files (ulimit -f) is killed by SIGXFSZ when a write goes
// beyond the limit, leaving a partial temporary file behind and taking every unsaved result with it.
// With the signal ignored the write fails with "File too large" and the usual error path runs. The
// programs call this once at start-up.
void IgnoreFileSizeSignal();

// Free space [bytes] available to this program on the drive that holds path; the path itself need not
// exist yet (its nearest existing folder is asked). nullopt when it cannot be determined.
std::optional<std::uintmax_t> FreeSpace(const std::string& path);

// path made absolute against the current folder and tidied ("a/./b" becomes "a/b"); path unchanged
// when that fails.
std::string FullPath(const std::string& path);

// ---- Reading ----

// The bytes of a file, or why there are none.
struct FileBytes {
    FileResult result;      // LoadFailed with the reason when the file could not be read
    std::string bytes;      // the whole file when result.ok()
    bool missing = false;   // nothing could be found under the name (the lookup itself failed)
    bool tooLarge = false;  // a regular file, but larger than the limit
    [[nodiscard]] bool ok() const { return result.ok(); }
};

// The whole file at path, at most limit bytes of it. Refused with a reason: a name that cannot be
// looked up (missing), a folder, a device, a pipe or a socket (none is opened in a way that could
// wait for a writer), a file larger than limit, and any error of the system while reading.
FileBytes ReadFileBytes(const std::string& path, std::size_t limit);

// text without a leading UTF-8 byte-order mark, which some editors put in front of a text file.
std::string_view WithoutByteOrderMark(std::string_view text);

// text with every control byte (0x00..0x1F and 0x7F: NUL, line breaks, tabs, escapes) replaced by
// a blank. Names and comments read from files pass through it, so that no byte of a damaged or
// hand-made file can break the layout of a report; characters beyond ASCII stay as they are.
std::string WithoutControlBytes(std::string_view text);

}  // namespace dedodiz
