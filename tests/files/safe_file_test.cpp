// SPDX-License-Identifier: BSD-3-Clause
// Half-way failures of WriteFileAtomically are tested through the constants and work file writers.
#include "engine/SafeFile.h"

#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>

#include "FileTestHelpers.h"

namespace dedodiz {
namespace {

TEST(SafeFile, ReplacesOldFilesKeepingTheirPermissions) {
    test::TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir / "a.txt", "first", nullptr));
    ASSERT_EQ(::chmod((dir / "a.txt").c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(dir / "a.txt", std::string("se\0cond", 7), nullptr));
    EXPECT_EQ(test::ReadBytes(dir / "a.txt"), std::string("se\0cond", 7));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640U);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.txt"});
}

TEST(SafeFile, FailuresTellTheirStageAndLeaveNothingBehind) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    const std::pair<std::string, WriteFailure> cases[] = {
        {dir / "no/such/folder/a.txt", WriteFailure::NotCreated},
        {"", WriteFailure::NotCreated},
        {dir / "folder", WriteFailure::NotCreated},  // a folder is no file to replace
    };
    for (const auto& [path, expected] : cases) {
        std::string error;
        WriteFailure failure = WriteFailure::None;
        EXPECT_FALSE(WriteFileAtomically(path, "bytes", &error, &failure)) << path;
        EXPECT_EQ(failure, expected) << path;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"folder"});
}

TEST(SafeFile, FreeSpaceAndFullPath) {
    test::TempDir dir;
    EXPECT_GT(FreeSpace(dir / "deeper/still/not-yet.txt").value_or(0), 0U);

    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string full = FullPath("sub/../a.TCM");
    std::filesystem::current_path(home);
    EXPECT_EQ(full, (dir.path() / "a.TCM").string());
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// What may not be replaced is refused before anything is written, with a reason that names it; what
// was there stays as it was, and no temporary is left.
TEST(SafeFile, RefusesTargetsThatAreNoRegularFile) {
    test::TempDir dir;
    namespace fs = std::filesystem;
    test::WriteBytes(dir / "old.txt", "old");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink("/dev/null", dir / "to-device");
    fs::create_symlink(dir / "nothing", dir / "dangling");
    fs::create_symlink(dir / "loop-b", dir / "loop-a");
    fs::create_symlink(dir / "loop-a", dir / "loop-b");
    test::WriteBytes(dir / "read-only.txt", "kept");
    ASSERT_EQ(::chmod((dir / "read-only.txt").c_str(), 0444), 0);
    fs::create_hard_link(dir / "old.txt", dir / "second-name.txt");
    const std::pair<std::string, std::string> cases[] = {
        {"pipe", "Not a regular file (a pipe)"},
        {"folder", "Not a regular file (a folder)"},
        {"to-device", "Not a regular file (a device)"},
        {"dangling", "Symbolic link to a file that does not exist"},
        {"loop-a", "Too many levels of symbolic links"},
        {"read-only.txt", "Read-only file"},  // refused even for a process that may override it
        {"old.txt", "File with 2 hard links"},
        {"missing/new.txt", "No such file or directory"},
    };
    for (const auto& [name, reason] : cases) {
        std::string error;
        WriteFailure failure = WriteFailure::None;
        EXPECT_FALSE(WriteFileAtomically(dir / name, "new", &error, &failure)) << name;
        EXPECT_EQ(failure, WriteFailure::NotCreated) << name;
        EXPECT_EQ(error.rfind(reason, 0), 0U) << error;
        EXPECT_NE(error.find(dir / name), std::string::npos) << error;
    }
    EXPECT_EQ(fs::status(dir / "pipe").type(), fs::file_type::fifo);
    EXPECT_TRUE(IsLink(dir / "to-device") && IsLink(dir / "loop-a"));
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
    EXPECT_EQ(test::ReadBytes(dir / "read-only.txt"), "kept");
    EXPECT_EQ(test::ReadBytes(dir / "second-name.txt"), "old");
    EXPECT_EQ(dir.Entries().size(), 9U);  // what the test made, no temporary
}

// A symbolic link is written through: the link stays, the file it points to gets the text and keeps
// its permissions and owner. A name as long as the folder allows still saves.
TEST(SafeFile, WritesThroughLinksAndKeepsOwnerModeAndLongNames) {
    test::TempDir dir;
    namespace fs = std::filesystem;
    test::WriteBytes(dir / "real.txt", "old");
    ASSERT_EQ(::chmod((dir / "real.txt").c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir / "real.txt").c_str(), 4242, 4343), 0);  // another user's file
    }
    fs::create_symlink("real.txt", dir / "link.txt");
    ASSERT_TRUE(WriteFileAtomically(dir / "link.txt", "new", nullptr));
    EXPECT_TRUE(IsLink(dir / "link.txt"));
    EXPECT_EQ(test::ReadBytes(dir / "real.txt"), "new");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "real.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U);
    if (root) {
        EXPECT_TRUE(st.st_uid == 4242 && st.st_gid == 4343);
    }

    const std::string longest = std::string(251, 'n') + ".TXT";  // 255 bytes
    std::string error;
    EXPECT_TRUE(WriteFileAtomically(dir / longest, "text", &error)) << error;
    EXPECT_EQ(test::ReadBytes(dir / longest), "text");
    EXPECT_EQ(dir.Entries().size(), 3U);
}

// The temporary is created with the old file's permissions, not given them afterwards: even when
// setting the mode after creation fails (here forbidden by a system call filter), and with a umask
// that takes nothing away, the new text of a private file is never in a file others may read.
TEST(SafeFile, TheTemporaryIsBornWithTheFinalPermissions) {
    test::TempDir dir;
    test::WriteBytes(dir / "private.txt", "secret");
    ASSERT_EQ(::chmod((dir / "private.txt").c_str(), 0600), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::umask(0);
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_fchmod, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            ::_exit(2);
        ::_exit(WriteFileAtomically(dir / "private.txt", "new secret", nullptr) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    struct stat st {};
    ASSERT_EQ(::stat((dir / "private.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600U);
    EXPECT_EQ(test::ReadBytes(dir / "private.txt"), "new secret");
}

}  // namespace
}  // namespace dedodiz
