#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace dedodiz {

namespace fs = std::filesystem;

namespace {

std::string SystemText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

void Fail(std::string* error, WriteFailure* failure, WriteFailure stage, const std::string& text) {
    if (error != nullptr) *error = text;
    if (failure != nullptr) *failure = stage;
}

// Opens a fresh temporary file beside path. O_EXCL makes sure an existing file of the same name is never
// reused; the name carries the process id and a counter, and a clash simply tries the next name.
int CreateTemporary(const std::string& path, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
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

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         WriteFailure* failure) {
    if (failure != nullptr) *failure = WriteFailure::None;
    if (path.empty()) {
        Fail(error, failure, WriteFailure::NotCreated, "No file name given");
        return false;
    }

    std::string tempPath;
    const int fd = CreateTemporary(path, tempPath);
    if (fd < 0) {
        Fail(error, failure, WriteFailure::NotCreated, SystemText(errno) + ": " + path);
        return false;
    }

    // A replaced file keeps its permissions; a new one has what open() gave under the umask.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) (void)::fchmod(fd, old.st_mode & 07777);

    int savedErrno = 0;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) savedErrno = errno;
    if (::close(fd) != 0 && savedErrno == 0) savedErrno = errno;
    if (savedErrno == 0 && ::rename(tempPath.c_str(), path.c_str()) != 0) savedErrno = errno;
    if (savedErrno != 0) {
        ::unlink(tempPath.c_str());
        Fail(error, failure, WriteFailure::Failed, SystemText(savedErrno) + ": " + path);
        return false;
    }
    return true;
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

}  // namespace dedodiz
