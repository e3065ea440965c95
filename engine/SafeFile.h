#pragma once
// Writing files so that a failure never costs the user the previous version: every writer of the
// program (constants, work, buffer, output text and bitmap files) goes through WriteFileAtomically.
// The bytes go to a temporary file in the target's own folder (so the final rename stays on one
// drive and is atomic), every write and the close are checked, and only a complete file is renamed
// over the target.

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
    [[nodiscard]] bool ok() const { return status == FileStatus::Success; }
};

// Where a write failed, for callers whose rules tell a file that cannot be created apart from a disk
// that fails while writing.
enum class WriteFailure {
    None,
    NotCreated,  // the temporary file could not be created (missing folder, no rights, ...)
    Failed,      // writing, flushing, closing or the final rename failed
};

// Writes bytes to path through a temporary file in the same folder, then renames it over path.
// On failure returns false, removes the temporary, leaves an existing file at path untouched, and
// (when given) fills error with the system's text for the failure and failure with its stage.
// A new file gets the usual permissions (0666 less the umask); a replaced file keeps its own.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         WriteFailure* failure = nullptr);

// Free space [bytes] available to this program on the drive that holds path; the path itself need not
// exist yet (its nearest existing folder is asked). nullopt when it cannot be determined.
std::optional<std::uintmax_t> FreeSpace(const std::string& path);

// path made absolute against the current folder and tidied ("a/./b" becomes "a/b"); path unchanged
// when that fails.
std::string FullPath(const std::string& path);

}  // namespace dedodiz
