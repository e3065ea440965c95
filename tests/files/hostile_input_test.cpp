// SPDX-License-Identifier: BSD-3-Clause
// The constants and work file readers given files no user meant to give them: a pipe, a file far too
// large, a work file whose constants name is padded with NUL bytes, names holding control bytes, a
// text saved with a byte-order mark. None hangs, none reads for long, and every refusal says why.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FileTestHelpers.h"
#include "Recorders.h"
#include "Tables.h"
#include "TestState.h"
#include "files/ConstantsFile.h"
#include "files/WorkFile.h"

namespace dedodiz {
namespace {

using test::ReadBytes;
using test::WriteBytes;
using Message = std::pair<std::string, std::string>;

std::vector<Message> OneError(const std::string& text) {
    return {Message(text, "ERROR")};
}

class HostileInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        ASSERT_TRUE(WriteConstantsFile(s, dir / "table.TCM", messages).ok());
        s.ChelatorChosen[1] = s.MetalChosen[1] = true;
        BuildSelection(s, s, s.Solution, messages);
    }

    // A work file of the sample situation whose record names constantsName.
    std::string WorkFileNaming(const std::string& constantsName) {
        WriteBytes(dir / "work.STG", WorkRecordBytes(constantsName, s, s));
        return dir / "work.STG";
    }

    WorkLoadResult Load(const std::string& work) {
        messages.messages.clear();
        TestState r;
        NewState(r);
        return LoadWorkSettings(work, r, r, r, messages);
    }

    test::TempDir dir;
    test::MessageRecorder messages;
    TestState s;
};

TEST_F(HostileInputTest, PipesAndHugeFilesAreRefusedAtOnceWithTheReason) {
    ASSERT_EQ(::mkfifo((dir / "pipe.TCM").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.STG").c_str(), 0644), 0);
    // 2 GB that take no room on the disk: the size alone refuses them.
    WriteBytes(dir / "huge.TCM", "");
    std::filesystem::resize_file(dir / "huge.TCM", std::uintmax_t{2} << 30U);

    TestState r;
    NewState(r);
    const FileResult pipe = ReadConstantsFile(r, dir / "pipe.TCM", messages);
    EXPECT_EQ(pipe.reason, "Not a regular file (a pipe): " + dir / "pipe.TCM");
    const FileResult huge = ReadConstantsFile(r, dir / "huge.TCM", messages);
    EXPECT_EQ(huge.status, FileStatus::LoadFailed);
    EXPECT_EQ(huge.reason, "File too large (more than 1048576 bytes): " + dir / "huge.TCM");

    EXPECT_EQ(Load(dir / "pipe.STG").status, WorkLoadStatus::WorkFileRefused);
    EXPECT_EQ(
        messages.messages,
        OneError("Cannot Load Work Settings, File Error\rNot a regular file (a pipe): " + dir / "pipe.STG"));
    EXPECT_EQ(Load(WorkFileNaming(dir / "huge.TCM")).status, WorkLoadStatus::ConstantsFailed);
    EXPECT_EQ(messages.messages, OneError("Cannot Load Constants File\r" + huge.reason));
}

// A constants name of neither kind, or one padded with NUL bytes, ends the load with an error instead
// of going on with an empty table; the name is shown without its control bytes.
TEST_F(HostileInputTest, AWorkFileNamingNoConstantsFileFails) {
    std::string padded = WorkRecordBytes(dir / "table.TCM", s, s);
    padded[0] = 80;  // the length byte takes in the NUL bytes after the name
    WriteBytes(dir / "padded.STG", padded);
    const std::string shownName = dir / "table.TCM" + std::string(80 - (dir / "table.TCM").size(), '?');
    const std::pair<std::string, std::string> cases[] = {
        {dir / "padded.STG",
         "the constants file name in the work file holds control bytes: \"" + shownName + "\""},
        {WorkFileNaming(dir / "table.DAT"),
         "the work file names no constants file (.TCM or .CCM): " + dir / "table.DAT"},
    };
    for (const auto& [work, reason] : cases) {
        EXPECT_EQ(Load(work).status, WorkLoadStatus::ConstantsFailed) << work;
        EXPECT_EQ(messages.messages, OneError("Cannot Load Constants File\r" + reason));
    }
    EXPECT_TRUE(Load(WorkFileNaming(dir / "table.TCM")).Loaded());
}

// No byte of a file reaches a report as a control byte: NUL, CR, LF, tabs and escapes in names and
// comments become blanks. A text file saved with a byte-order mark reads as without it.
TEST_F(HostileInputTest, NamesLoseTheirControlBytesAndAByteOrderMarkIsSkipped) {
    std::string binary = ConstantsBinary(s);
    binary.replace(0, 8,
                   std::string("\x07"
                               "EG\r\nT\0A",
                               8));  // record 1's name
    binary.replace(396, 6,
                   std::string("\x05"
                               "a\tb\x1b"
                               "c",
                               6));  // its first comment
    WriteBytes(dir / "table.CCM", binary);
    TestState r;
    NewState(r);
    ASSERT_TRUE(ReadConstantsFile(r, dir / "table.CCM", messages).ok());
    EXPECT_EQ(r.Constants[1].Name, "EG  T A");
    EXPECT_EQ(r.Constants[1].Comment[1], "a b c");

    std::string text = ReadBytes(dir / "table.TCM");
    text.replace(text.find("!EGTA,"), 6, std::string("!EG\0TA,", 7));
    WriteBytes(dir / "marked.TCM", "\xEF\xBB\xBF" + text);
    NewState(r);
    ASSERT_TRUE(ReadConstantsFile(r, dir / "marked.TCM", messages).ok());
    EXPECT_EQ(r.Constants[1].Name, "EG TA");
    EXPECT_EQ(r.Constants[1].H[1], 9.47);
    EXPECT_EQ(r.Constants[3].Name, "EDTA");
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace dedodiz
