#include "SafeFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FileTestHelpers.h"

namespace dedodiz {
namespace {

using test::ReadBytes;

TEST(SafeFile, WritesNewFilesAndReplacesOldOnesKeepingTheirPermissions) {
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir / "a.txt", "first", &error));
    EXPECT_EQ(ReadBytes(dir / "a.txt"), "first");
    ASSERT_EQ(::chmod((dir / "a.txt").c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(dir / "a.txt", std::string("se\0cond", 7), &error));
    EXPECT_EQ(ReadBytes(dir / "a.txt"), std::string("se\0cond", 7));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640U);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.txt"});
}

TEST(SafeFile, FailuresTellTheirStageAndLeaveNothingBehind) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    struct Case {
        std::string path;
        WriteFailure expected;
    };
    const Case cases[] = {
        {dir / "no/such/folder/a.txt", WriteFailure::NotCreated},
        {"", WriteFailure::NotCreated},
        {dir / "folder", WriteFailure::Failed},  // the rename cannot replace a folder
    };
    for (const Case& c : cases) {
        std::string error;
        WriteFailure failure = WriteFailure::None;
        EXPECT_FALSE(WriteFileAtomically(c.path, "bytes", &error, &failure)) << c.path;
        EXPECT_EQ(failure, c.expected) << c.path;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"folder"});
}

TEST(SafeFile, AWriteFailingHalfWayKeepsTheOldFile) {
    test::TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir / "a.txt", "old", nullptr));
    const int status = test::RunWithFileSizeLimit(1000, [&] {
        std::string error;
        WriteFailure failure = WriteFailure::None;
        const bool ok = WriteFileAtomically(dir / "a.txt", std::string(5000, 'n'), &error, &failure);
        return !ok && failure == WriteFailure::Failed && error.find("a.txt") != std::string::npos ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "a.txt"), "old");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.txt"});
}

TEST(SafeFile, FreeSpaceAndFullPath) {
    test::TempDir dir;
    EXPECT_TRUE(FreeSpace(dir / "not-yet.txt").has_value());
    EXPECT_TRUE(FreeSpace(dir / "deeper/still/not-yet.txt").has_value());
    EXPECT_GT(*FreeSpace(dir.path().string()), 0U);

    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string full = FullPath("sub/../a.TCM");
    std::filesystem::current_path(home);
    EXPECT_EQ(full, (dir.path() / "a.TCM").string());
    EXPECT_EQ(FullPath("/x/./y"), "/x/y");
}

}  // namespace
}  // namespace dedodiz
