#pragma once
// A fresh folder per test and small file helpers for the file-layer tests.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "State.h"

namespace dedodiz::test {

// Field by field, values compared exactly.
inline bool SameRecord(const TChelatorRec& a, const TChelatorRec& b) {
    return a.Name == b.Name && a.H == b.H && a.dH == b.dH && a.MetalName == b.MetalName && a.ML == b.ML &&
           a.MHL == b.MHL && a.dML == b.dML && a.dMHL == b.dMHL && a.Comment == b.Comment;
}

inline bool SameTable(const OneBased<TChelatorRec, 12>& a, const OneBased<TChelatorRec, 12>& b) {
    for (int c = 1; c <= 12; ++c)
        if (!SameRecord(a[c], b[c])) return false;
    return true;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "dedodiz-files-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

    // Names of the files now in the folder.
    [[nodiscard]] std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The lines of a text, split at "\r\n".
inline std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

// Runs body in a forked child whose files may grow to at most limitBytes, with SIGXFSZ ignored so that
// an oversized write fails with an error instead of killing the process. Returns the child's exit
// status (body's result), or -1 when it did not exit normally.
template <typename Body>
int RunWithFileSizeLimit(rlim_t limitBytes, Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace dedodiz::test
