// SPDX-License-Identifier: BSD-3-Clause
#include "engine/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace dedodiz {

namespace fs = std::filesystem;

namespace {

constexpr long kNameMax = 255;  // bytes in one name of a folder entry on the usual file systems

// A file descriptor, closed when it goes out of scope unless closed (and checked) before.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    [[nodiscard]] int get() const { return fd_; }
    // Closes now; false (with errno set) when the close reports an error.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// The system's open and fcntl take their last argument as a C variadic one; these wrappers are their
// only callers here.
int OpenAt(int dirFd, const char* name, int flags, mode_t mode) {
    return ::openat(dirFd, name, flags, mode);  // NOLINT(cppcoreguidelines-pro-type-vararg)
}

int Open(const char* path, int flags) {
    return ::open(path, flags);  // NOLINT(cppcoreguidelines-pro-type-vararg)
}

// Reads on fd wait for data again (it was opened with O_NONBLOCK so that the open itself could not).
void ClearNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);                     // NOLINT(cppcoreguidelines-pro-type-vararg)
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);  // NOLINT(cppcoreguidelines-pro-type-vararg)
}

std::string NotRegular(mode_t mode, std::string_view path) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISFIFO(mode)                 ? "a pipe"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "not a file";
    return std::string("Not a regular file (") + kind + "): " + std::string(path);
}

// What a save replaces: the file the bytes go to and what the new file keeps of the old one.
struct Target {
    std::string path;  // the name given, or the file a symbolic link of that name points to
    bool exists = false;
    struct stat old {};
};

// Finds what path names and whether it may be replaced; the reason when it may not.
std::optional<std::string> ResolveTarget(const std::string& path, Target& target) {
    target.path = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        // A new file. A folder that does not exist shows when it is opened, with its own reason.
        if (errno == ENOENT) return std::nullopt;
        return SystemError(errno, path);
    }
    if (S_ISLNK(st.st_mode)) {
        // The link stays as it is; the file it points to gets the new text.
        const std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), &std::free);
        if (!real) {
            if (errno == ENOENT) return "Symbolic link to a file that does not exist: " + path;
            return SystemError(errno, path);
        }
        target.path = real.get();
        if (::stat(target.path.c_str(), &st) != 0) return SystemError(errno, path);
    }
    if (!S_ISREG(st.st_mode)) return NotRegular(st.st_mode, path);
    // A file nobody may write is kept as it is, even by a process whose rights would override that.
    if ((st.st_mode & 0222) == 0) return "Read-only file: " + path;
    if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) return SystemError(errno, path);
    // The rename gives the name a new file: other names of the old one would keep the old text.
    if (st.st_nlink > 1)
        return "File with " + std::to_string(st.st_nlink) +
               " hard links, which saving would separate (save under another name): " + path;
    target.exists = true;
    target.old = st;
    return std::nullopt;
}

// A name for the temporary beside name, never longer than the folder allows: the target's own name
// may already take all of it.
std::string TemporaryName(std::string_view name, long nameMax, unsigned count) {
    const std::string suffix = ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(count);
    const std::size_t room = static_cast<std::size_t>(nameMax) - 1 - suffix.size();
    return "." + std::string(name.substr(0, room)) + suffix;
}

// Opens a fresh temporary in the folder dirFd with the given permissions. O_EXCL makes sure an
// existing file of the same name is never reused; a clash simply tries the next name.
int CreateTemporary(int dirFd, std::string_view name, mode_t mode, std::string& tempName) {
    static std::atomic<unsigned> counter{0};
    long nameMax = ::fpathconf(dirFd, _PC_NAME_MAX);
    if (nameMax <= 0 || nameMax > kNameMax) nameMax = kNameMax;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = TemporaryName(name, nameMax, counter++);
        const int fd = OpenAt(dirFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The old file's owner, group and permissions for the new one, as far as the process may set them.
// The owner goes first: changing it clears the set-user-ID and set-group-ID bits.
void KeepOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    (void)::fchmod(fd, old.st_mode & 07777);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The folder that holds the target, opened for the temporary, the rename and the sync. A folder the
// process may enter and write but not list still takes the file; it is then not synced.
int OpenFolder(const std::string& folder, bool& canSync) {
    canSync = true;
    const int fd = Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
    if (fd < 0 && errno == EACCES) {
        canSync = false;
        return Open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
#endif
    return fd;
}

struct Outcome {
    WriteFailure failure = WriteFailure::None;
    std::string reason;
};

Outcome WriteThroughTemporary(const std::string& path, const Target& target, std::string_view bytes) {
    const fs::path where(target.path);
    const std::string name = where.filename().string();
    if (name.empty() || name == "." || name == "..")
        return {WriteFailure::NotCreated, SystemError(EISDIR, path)};
    const std::string folder = where.has_parent_path() ? where.parent_path().string() : ".";

    bool canSync = true;
    Descriptor dir(OpenFolder(folder, canSync));
    if (dir.get() < 0) return {WriteFailure::NotCreated, SystemError(errno, path)};

    // Created with the final permissions (less the umask), so that the new text is never readable by
    // anyone who may not read the old file.
    std::string tempName;
    const mode_t mode = target.exists ? (target.old.st_mode & 0777) : 0666;
    Descriptor file(CreateTemporary(dir.get(), name, mode, tempName));
    if (file.get() < 0) return {WriteFailure::NotCreated, SystemError(errno, path)};
    if (target.exists) KeepOwnerAndMode(file.get(), target.old);

    int savedErrno = 0;
    if (!WriteAll(file.get(), bytes) || ::fsync(file.get()) != 0) savedErrno = errno;
    if (!file.Close() && savedErrno == 0) savedErrno = errno;
    if (savedErrno == 0 && ::renameat(dir.get(), tempName.c_str(), dir.get(), name.c_str()) != 0)
        savedErrno = errno;
    if (savedErrno != 0) {
        ::unlinkat(dir.get(), tempName.c_str(), 0);
        return {WriteFailure::Failed, SystemError(savedErrno, path)};
    }
    // The rename reaches the disk with the folder. Should this sync fail, the new file is already in
    // place and the old one gone, so the save has not failed in the sense that matters to the caller.
    if (canSync) (void)::fsync(dir.get());
    return {};
}

std::string TooLarge(std::size_t limit, std::string_view path) {
    return "File too large (more than " + std::to_string(limit) + " bytes): " + std::string(path);
}

}  // namespace

std::string WithReason(std::string_view text, std::string_view reason) {
    std::string out(text);
    if (!reason.empty()) out.append("\r").append(reason);
    return out;
}

std::string SystemError(int error, std::string_view path) {
    return std::error_code(error, std::generic_category()).message() + ": " + std::string(path);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         WriteFailure* failure) {
    Outcome outcome;
    Target target;
    if (path.empty()) {
        outcome = {WriteFailure::NotCreated, "No file name given"};
    } else if (const auto refused = ResolveTarget(path, target)) {
        outcome = {WriteFailure::NotCreated, *refused};
    } else {
        outcome = WriteThroughTemporary(path, target, bytes);
    }
    if (failure != nullptr) *failure = outcome.failure;
    if (outcome.failure == WriteFailure::None) return true;
    if (error != nullptr) *error = outcome.reason;
    return false;
}

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

std::optional<std::uintmax_t> FreeSpace(const std::string& path) {
    std::error_code ec;
    fs::path probe = fs::path(FullPath(path));
    // The file itself usually does not exist yet; its drive is the one of its nearest existing folder.
    while (!probe.empty()) {
        const fs::space_info info = fs::space(probe, ec);
        if (!ec) return info.available;
        const fs::path parent = probe.parent_path();
        if (parent == probe) break;
        probe = parent;
    }
    return std::nullopt;
}

std::string FullPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    const fs::path full = fs::absolute(fs::path(path), ec);
    if (ec) return path;
    return full.lexically_normal().string();
}

FileBytes ReadFileBytes(const std::string& path, std::size_t limit) {
    FileBytes r;
    const auto fail = [&r](std::string reason, int error = 0) {
        r.result = {FileStatus::LoadFailed, std::move(reason), error};
        r.bytes.clear();
        return r;
    };
    const auto failSystem = [&](int error) { return fail(SystemError(error, path), error); };
    // Looked at before it is opened: opening a device can have effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        r.missing = true;
        return failSystem(errno);
    }
    if (!S_ISREG(st.st_mode)) return fail(NotRegular(st.st_mode, path), S_ISDIR(st.st_mode) ? EISDIR : 0);
    // Opened without waiting, should the name have become a pipe since; then checked again.
    Descriptor fd(Open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return failSystem(errno);
    if (::fstat(fd.get(), &st) != 0) return failSystem(errno);
    if (!S_ISREG(st.st_mode)) return fail(NotRegular(st.st_mode, path), S_ISDIR(st.st_mode) ? EISDIR : 0);
    if (static_cast<std::uintmax_t>(st.st_size) > limit) {
        r.tooLarge = true;
        return fail(TooLarge(limit, path), EFBIG);
    }
    ClearNonBlocking(fd.get());

    // A file that grows while it is read still stops at the limit.
    r.bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::array<char, 16384> chunk{};
    for (;;) {
        const std::size_t want = std::min(chunk.size(), limit + 1 - std::min(limit, r.bytes.size()));
        const ssize_t n = ::read(fd.get(), chunk.data(), want);
        if (n < 0) {
            if (errno == EINTR) continue;
            return failSystem(errno);
        }
        if (n == 0) break;
        r.bytes.append(chunk.data(), static_cast<std::size_t>(n));
        if (r.bytes.size() > limit) {
            r.tooLarge = true;
            return fail(TooLarge(limit, path));
        }
    }
    return r;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (text.substr(0, kMark.size()) == kMark) text.remove_prefix(kMark.size());
    return text;
}

std::string WithoutControlBytes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return out;
}

}  // namespace dedodiz
