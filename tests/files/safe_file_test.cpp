// Half-way failures of WriteFileAtomically are tested through the constants and work file writers.
#include "SafeFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
        {dir / "folder", WriteFailure::Failed},  // the rename cannot replace a folder
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

}  // namespace
}  // namespace dedodiz
