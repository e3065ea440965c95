// SPDX-License-Identifier: BSD-3-Clause
// The lookup of data files: as given, beside the work file, in the bundled data folders.
#include <gtest/gtest.h>

#include "FileTestHelpers.h"
#include "files/DataPaths.h"

namespace dedodiz {
namespace {

namespace fs = std::filesystem;

TEST(DataPaths, LookupOrderAsGivenThenWorkFolderThenDataFolders) {
    test::TempDir root;
    const fs::path here = root.path() / "here", work = root.path() / "work";
    const fs::path share1 = root.path() / "share1", share2 = root.path() / "share2";
    for (const fs::path& dir : {here / "data", here / "dir.TCM", work / "data", share1, share2})
        fs::create_directories(dir);
    for (const fs::path& file :
         {here / "data/t.TCM", work / "data/t.TCM", work / "data/w.TCM", work / "b.TCM", share1 / "c.TCM",
          share1 / "dir.TCM", share2 / "c.TCM", share2 / "e.TCM"})
        test::WriteBytes(file.string(), "x");
    fs::create_symlink(share2 / "e.TCM", work / "link.TCM");

    const fs::path home = fs::current_path();
    fs::current_path(here);
    const std::vector<fs::path> shares{share1, share2};
    const std::string absolute = (work / "b.TCM").string();
    const struct {
        std::string name;
        fs::path workFolder;
        std::string expected;
    } cases[] = {
        {"data/t.TCM", work, "data/t.TCM"},                    // the current folder comes first
        {absolute, work, absolute},                            // an absolute name as it is
        {"data/w.TCM", work, (work / "data/w.TCM").string()},  // relative to the work file's folder
        {"data/b.TCM", work, (work / "b.TCM").string()},       // beside the work file
        {"C:\\OLD\\b.TCM", work, (work / "b.TCM").string()},   // a name written on another system
        {"/gone/b.TCM", work, (work / "b.TCM").string()},      // an absolute name that is gone
        {"link.TCM", work, (work / "link.TCM").string()},      // a link to a file counts
        {"x/c.TCM", work, (share1 / "c.TCM").string()},        // the first data folder that holds it
        {"e.TCM", {}, (share2 / "e.TCM").string()},            // no work file
        {"dir.TCM", work, (share1 / "dir.TCM").string()},      // a folder of that name is no file
        {"b.TCM", {}, "b.TCM"},                                // found nowhere: the name as given
        {"data/", work, "data/"},                              // no file name at all
        {"", work, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FindDataFile(c.name, c.workFolder, shares), c.expected) << c.name;
    fs::current_path(home);
}

TEST(DataPaths, TheBuildFolderNamesItsSourceTree) {
    // build/dedodiz32-source-tree names the source; a program up to three folders below the build folder
    // finds it, an installed one (outside any build) finds nothing, and a marker naming no folder counts
    // as none.
    test::TempDir root;
    const fs::path source = root.path() / "source", build = root.path() / "build";
    fs::create_directories(source);
    fs::create_directories(build / "a/b/c/d");
    fs::create_directories(root.path() / "usr/bin");
    test::WriteBytes((build / kBuildTreeMarker).string(), source.string() + "\n");
    EXPECT_TRUE(fs::equivalent(SourceTreeOfBuild(build / "a/b"), source));
    EXPECT_TRUE(fs::equivalent(SourceTreeOfBuild(build / "a/b/c"), source));
    EXPECT_EQ(SourceTreeOfBuild(build / "a/b/c/d"), fs::path());
    EXPECT_EQ(SourceTreeOfBuild(root.path() / "usr/bin"), fs::path());
    test::WriteBytes((build / kBuildTreeMarker).string(), (root.path() / "gone").string() + "\n");
    EXPECT_EQ(SourceTreeOfBuild(build / "a"), fs::path());
}

TEST(DataPaths, ProgramsOfTheBuildUseTheSourceTreesData) {
    // The test program runs from the build folder, so the source tree's data/ comes first.
    const fs::path data = fs::path(DEDODIZ_SOURCE_DIR) / "data";
    ASSERT_FALSE(BundledDataFolders().empty());
    EXPECT_TRUE(fs::equivalent(BundledDataFolder(), data));
    EXPECT_TRUE(fs::equivalent(BundledConstantsFile(), data / "standard.TCM"));
    EXPECT_TRUE(fs::equivalent(FindDataFile("/nowhere/data/buffers.bcm"), data / "buffers.bcm"));
}

}  // namespace
}  // namespace dedodiz
