// SPDX-License-Identifier: BSD-3-Clause
#include "TestState.h"
#include "files/ConstantsFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "FileTestHelpers.h"
#include "Recorders.h"
#include "Tables.h"
#include "files/ByteIO.h"

namespace dedodiz {
using TestState = test::Parts<EditorState, test::FileTestPart>;
namespace {

using test::ReadBytes;
using test::SplitCrLf;
using test::WriteBytes;

class ConstantsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        const char* more[] = {"Sr2", "Ba2", "Mn2", "Cd2", "Cu2", "Ni2"};
        for (TChelatorRec& rec : s.Constants)
            for (int m = 4; m <= 9; ++m) rec.MetalName[m] = more[m - 4];
        s.Constants[1].Comment[1] = "Schwarzenbach, 1957";  // commas belong to the comment
        s.Constants[3].Comment[3] = "  leading blanks";
        NewState(empty);
    }

    // Writes the sample table as text and returns the file's lines.
    std::vector<std::string> SampleLines() {
        s.status = WriteConstantsFile(s, dir / "sample.TCM", messages).status;
        return SplitCrLf(ReadBytes(dir / "sample.TCM"));
    }

    // Reads text into a state that holds the sample table, so that what is left over shows.
    TestState ReadText(const std::string& text) {
        WriteBytes(dir / "in.TCM", text);
        TestState r;
        NewState(r);
        test::FillSampleTable(r);
        r.status = ReadConstantsFile(r, dir / "in.TCM", messages).status;
        return r;
    }

    test::TempDir dir;
    test::MessageRecorder messages;
    TestState s;
    TestState empty;  // its table is all empty records
};

TEST_F(ConstantsFileTest, EmptyTableIs127FixedLines) {
    empty.status = WriteConstantsFile(empty, dir / "new.TCM", messages).status;
    const std::string bytes = ReadBytes(dir / "new.TCM");
    const auto lines = SplitCrLf(bytes);
    ASSERT_EQ(lines.size(), 127U);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 127);  // every line ends in CR LF
    EXPECT_EQ(lines[0], "%THE NEW FORMAT FOR THE FILES OF CONSTANTS IN BROSSIVANTE");
    EXPECT_EQ(lines[6], "%The same metals in the same order are required for each chelator");
    const std::string zero = "   0.000,";
    std::string chelator = "!=======,";
    for (int k = 0; k < 8; ++k) chelator += zero;
    const std::string metal = "#===," + zero + zero + zero + zero;
    for (int block = 0; block < 12; ++block) {
        EXPECT_EQ(lines[7 + 10 * block], chelator);
        for (int m = 1; m <= 9; ++m) EXPECT_EQ(lines[7 + 10 * block + m], metal);
    }
    EXPECT_EQ(empty.status, FileStatus::Success);
    EXPECT_EQ(empty.ConstantsFileName.str(), dir / "new.TCM");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ConstantsFileTest, TextRoundTripKeepsTheTableToThreeDecimals) {
    s.Constants[2].H[3] = 1.23456;
    s.Constants[2].MetalName[1] = "Xx1";  // never written: every block gets record 1's names
    s.Constants[4].H[1] = 123456.789;     // six digits: two decimals left
    s.Constants[4].H[2] = -12345.678;     // negative with five digits: loses the last decimal
    const auto lines = SampleLines();
    EXPECT_EQ(lines[8], "#Ca2,  10.970,   5.300,  -8.100,   0.000,Schwarzenbach, 1957");
    EXPECT_EQ(lines[18].substr(0, 5), "#Ca2,");
    EXPECT_EQ(lines[37].substr(0, 29), "!=======,123456.78,-12345.67,");

    TestState r;
    NewState(r);
    r.ConstantsFileName = "before";
    r.status = ReadConstantsFile(r, dir / "sample.TCM", messages).status;
    EXPECT_EQ(r.status, FileStatus::Success);
    EXPECT_EQ(r.ConstantsFileName, "before");  // the text kind leaves the name to the caller
    s.Constants[2].MetalName[1] = "Ca2";
    s.Constants[4].H[1] = 123456.78;
    s.Constants[4].H[2] = -12345.67;
    for (int c = 1; c <= 12; ++c) {
        const TChelatorRec& a = s.Constants[c];
        const TChelatorRec& b = r.Constants[c];
        EXPECT_EQ(a.Name, b.Name);
        for (int k = 1; k <= 4; ++k) {
            EXPECT_NEAR(a.H[k], b.H[k], 5e-4);
            EXPECT_NEAR(a.dH[k], b.dH[k], 5e-4);
        }
        for (int m = 1; m <= 9; ++m) {
            EXPECT_EQ(a.MetalName[m], b.MetalName[m]);
            for (const auto field :
                 {&TChelatorRec::ML, &TChelatorRec::MHL, &TChelatorRec::dML, &TChelatorRec::dMHL})
                EXPECT_NEAR((a.*field)[m], (b.*field)[m], 5e-4);
            EXPECT_EQ(a.Comment[m], b.Comment[m]);
        }
    }
    EXPECT_DOUBLE_EQ(r.Constants[2].H[3], 1.235);
}

TEST_F(ConstantsFileTest, HeaderLinesAndLineEndsAreFlexible) {
    auto lines = SampleLines();
    lines.erase(lines.begin(), lines.begin() + 7);
    const std::string bodyLf = test::JoinLines(lines, "\n");
    for (const std::string& text :
         {"\r\n%only\r\n\r\n%a header\r\n" + test::JoinLines(lines, "\r\n"), "\n\n%x\n" + bodyLf, bodyLf}) {
        TestState r = ReadText(text);
        EXPECT_EQ(r.status, FileStatus::Success);
        EXPECT_EQ(r.Constants[1].Comment[1], "Schwarzenbach, 1957");
        EXPECT_DOUBLE_EQ(r.Constants[3].ML[3], 16.5);
        EXPECT_EQ(r.Constants[12].Name, "=======");
    }
}

TEST_F(ConstantsFileTest, FilesWithoutAChelatorLineAreRefused) {
    for (const std::string& text :
         {std::string(), std::string("%a\r\n\r\n%b\r\n"), std::string("%a\r\n#Ca2,  10.970,\r\n!EGTA,\r\n"),
          std::string("\0\0\0", 3)}) {
        TestState r = ReadText(text);
        EXPECT_EQ(r.status, FileStatus::LoadFailed);
        TestState sample;
        NewState(sample);
        test::FillSampleTable(sample);
        EXPECT_TRUE(test::SameTable(r.Constants, sample.Constants));
    }
    s.status = ReadConstantsFile(s, dir / "missing.TCM", messages).status;
    EXPECT_EQ(s.status, FileStatus::LoadFailed);
    EXPECT_TRUE(messages.messages.empty());
    std::filesystem::create_directory(dir / "folder.TCM");  // exists, but is nothing to read
    s.status = ReadConstantsFile(s, dir / "folder.TCM", messages).status;
    EXPECT_EQ(s.status, FileStatus::LoadFailed);
    ASSERT_EQ(messages.messages.size(), 1U);
    EXPECT_EQ(messages.messages[0].second, "ERROR");
}

// Blocks are counted in lines, so a line too many or too few would shift every later chelator and metal
// onto the wrong constants: such a file is refused whole, with the line and what was due there.
TEST_F(ConstantsFileTest, ABrokenBlockStructureRefusesTheWholeFile) {
    const auto lines = SampleLines();
    const std::string whole = test::JoinLines(lines, "\r\n");
    const auto edited = [&](auto change) {
        auto copy = lines;
        change(copy);
        return test::JoinLines(copy, "\r\n");
    };
    const std::pair<std::string, std::string> cases[] = {
        {edited([](auto& l) { l.insert(l.begin() + 17, "#Zz9,   1.000,   2.000,   3.000,   4.000,extra"); }),
         "line 18 of IN: a chelator line (beginning with \"!\") is expected, block 2 of 12, not a metal "
         "line"},
        {edited([](auto& l) { l.erase(l.begin() + 9); }),
         "line 17 of IN: a metal line (beginning with \"#\") is expected, the ninth of EGTA, not a chelator "
         "line"},
        {edited([](auto& l) { l.insert(l.begin() + 27, ""); }),
         "line 28 of IN: a chelator line (beginning with \"!\") is expected, block 3 of 12, not an empty "
         "line"},
        {edited([](auto& l) { l.resize(7 + 10 + 5); }),
         "line 18 of IN: the file ends inside the block of BAPTA: nine metal lines (beginning with \"#\") "
         "are "
         "expected after it, the file has 4"},
        {whole.substr(0, whole.size() - 24),  // the last line cut inside its second value
         "line 127 of IN: the file ends inside this line"},
        {edited([](auto& l) { l[8].replace(5, 8, "   1e999"); }),
         "line 9 of IN: ML \"   1e999\" lies beyond the range of a number"},
    };
    for (const auto& [text, reason] : cases) {
        TestState r = ReadText(text);
        EXPECT_EQ(r.status, FileStatus::LoadFailed) << reason;
        WriteBytes(dir / "in.TCM", text);
        const FileResult read = ReadConstantsFile(r, dir / "in.TCM", messages);
        std::string expected = reason;
        expected.replace(expected.find("IN"), 2, dir / "in.TCM");
        EXPECT_EQ(read.reason, expected);
        TestState sample;
        NewState(sample);
        test::FillSampleTable(sample);
        EXPECT_TRUE(test::SameTable(r.Constants, sample.Constants)) << reason;  // nothing of it loaded
    }
    EXPECT_TRUE(messages.messages.empty());
}

// A metal line whose name is not the first block's at its place loads as the line count has it, and
// says so: two swapped lines show as two warnings in one message.
TEST_F(ConstantsFileTest, AMetalNameOutOfPlaceIsWarnedAbout) {
    auto lines = SampleLines();
    std::swap(lines[18], lines[19]);  // BAPTA's Ca2 and Mg2
    TestState r = ReadText(test::JoinLines(lines, "\r\n"));
    EXPECT_EQ(r.status, FileStatus::Success);
    EXPECT_DOUBLE_EQ(r.Constants[2].ML[1], 1.77);  // the values go by their place, as they always did
    ASSERT_EQ(messages.messages.size(), 1U);
    EXPECT_EQ(messages.messages[0].second, "WARNING");
    EXPECT_EQ(messages.messages[0].first,
              "Metal names differ from those of the first block in " + dir / "in.TCM" +
                  ":\rline 19 has Mg2 where the first block has Ca2,\rline 20 has Ca2 where the first block "
                  "has Mg2\rEach line's values are read as those of the first block's metal at its place");
}

TEST_F(ConstantsFileTest, LinesWithoutCommasAndOverlongLines) {
    auto lines = SampleLines();
    lines[2] = "%" + std::string(10000, '%');
    lines[7] = "!NOCOMMASATALL";
    lines[8] = "#Ca2";
    lines[9] = "#Mg2," + std::string(240, ' ') + ",2,3,4,COMMENT";  // the comment starts at byte 252
    lines[10] = "#Sr2,   1.000,   2.000,   3.000,   4.000," + std::string(10000, 'x');
    const TChelatorRec rec = ReadText(test::JoinLines(lines, "\r\n")).Constants[1];
    EXPECT_EQ(rec.Name, "NOCOMMA");
    EXPECT_TRUE(rec.H == empty.Constants[1].H);
    EXPECT_EQ(rec.MetalName[1], "Ca2");
    EXPECT_EQ(rec.ML[1], 0.0);
    EXPECT_TRUE(rec.Comment[1].empty());
    EXPECT_EQ(rec.ML[2], 0.0);  // a token of blanks only is no number
    EXPECT_EQ(rec.dMHL[2], 4.0);
    EXPECT_EQ(rec.Comment[2], "COM");  // the line was read as its first 255 bytes
    EXPECT_EQ(rec.Comment[3].str(), std::string(20, 'x'));
    EXPECT_EQ(ReadText(test::JoinLines(lines, "\r\n")).Constants[3].Name, "EDTA");  // line count intact
}

TEST_F(ConstantsFileTest, AFileEndingAfterAWholeBlockLeavesTheRestEmpty) {
    auto lines = SampleLines();
    lines.resize(7 + 10 + 10);              // blocks 1 and 2
    lines.insert(lines.end(), {"", "  "});  // blank lines at the end are no block
    TestState r = ReadText(test::JoinLines(lines, "\r\n"));
    EXPECT_EQ(r.status, FileStatus::Success);
    EXPECT_DOUBLE_EQ(r.Constants[2].ML[1], 6.97);
    EXPECT_EQ(r.Constants[2].MetalName[9], "Ni2");
    for (int c = 3; c <= 12; ++c) EXPECT_TRUE(test::SameRecord(r.Constants[c], empty.Constants[1])) << c;
}

TEST_F(ConstantsFileTest, NamesAndCommentsKeepTheirBytesButNeverBreakTheFile) {
    s.Constants[1].Name =
        "Ca\xE9"
        "EGTA";  // single-byte code page, kept byte for byte
    s.Constants[1].Comment[2] =
        "\xC2\xB5M Kd 37\xC2\xB0"
        "C";                                     // UTF-8 "µM Kd 37°C"
    s.Constants[2].Name = "A,B";                 // would shift the values after it
    s.Constants[2].Comment[1] = "two\r\nlines";  // would shift every later block
    ASSERT_EQ(SampleLines().size(), 127U);
    // A UTF-8 name cut at seven bytes would end in half a character; the whole character goes instead.
    std::string text = ReadBytes(dir / "sample.TCM");
    text.replace(text.find("!EDTA,"), 6, "!\xC3\x84\xC3\x96\xC3\x9C\xC3\x89,");  // "ÄÖÜÉ", 8 bytes
    TestState r = ReadText(text);
    EXPECT_EQ(r.Constants[1].Name,
              "Ca\xE9"
              "EGTA");
    EXPECT_EQ(r.Constants[1].Comment[2],
              "\xC2\xB5M Kd 37\xC2\xB0"
              "C");
    EXPECT_EQ(r.Constants[2].Name, "A B");
    EXPECT_DOUBLE_EQ(r.Constants[2].H[1], 6.36);
    EXPECT_EQ(r.Constants[2].Comment[1], "two  lines");
    EXPECT_EQ(r.Constants[3].Name, "\xC3\x84\xC3\x96\xC3\x9C");
}

TEST_F(ConstantsFileTest, GarbageNeverCrashesEitherReader) {
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        const bool binary = round % 3 == 0;
        std::string bytes(binary ? kConstantsBinaryBytes : random() % 4000, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        if (round % 3 == 1 && !bytes.empty()) bytes[0] = '!';
        const std::string name = dir / (binary ? "junk.CCM" : "junk.TCM");
        WriteBytes(name, bytes);
        TestState r = s;
        r.status = ReadConstantsFile(r, name, messages).status;
        EXPECT_TRUE(r.status == FileStatus::Success || r.status == FileStatus::LoadFailed);
        for (const TChelatorRec& rec : r.Constants)
            for (int m = 1; m <= 9; ++m) EXPECT_TRUE(std::isfinite(rec.ML[m]) && rec.Comment[m].size() <= 20);
    }
}

TEST_F(ConstantsFileTest, BinaryRoundTripIsExactAndMarksEmptyNames) {
    s.Constants[4].Name = "";
    s.status = WriteConstantsFile(s, dir / "table.CCM", messages).status;
    EXPECT_EQ(s.status, FileStatus::Success);
    std::string bytes = ReadBytes(dir / "table.CCM");
    ASSERT_EQ(bytes.size(), 7020U);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x04"
                                              "EGTA\0\0\0",
                                              8));
    EXPECT_DOUBLE_EQ(fileio::GetDouble(bytes, 8), 9.47);  // H1
    EXPECT_EQ(bytes.substr(72, 4),
              "\x03"
              "Ca2");                                        // metal name 1
    EXPECT_DOUBLE_EQ(fileio::GetDouble(bytes, 108), 10.97);  // ML of metal 1
    EXPECT_EQ(bytes.substr(396, 21), std::string("\x13Schwarzenbach, 1957\0", 21));
    EXPECT_EQ(bytes.substr(585, 6),
              "\x05"
              "BAPTA");  // record 2

    TestState r;
    NewState(r);
    r.status = ReadConstantsFile(r, dir / "table.CCM", messages).status;
    EXPECT_EQ(r.status, FileStatus::Success);
    EXPECT_EQ(r.ConstantsFileName.str(), dir / "table.CCM");
    s.Constants[4].Name = "=======";
    EXPECT_TRUE(test::SameTable(r.Constants, s.Constants));

    // Names of 0xF0 bytes mark empty entries too; a value that is no number becomes 0.
    bytes.replace(0, 8, std::string(8, '\xF0'));
    bytes.replace(76, 4, "\x03\xF0\xF0\xF0");
    bytes.replace(8, 8, std::string("\0\0\0\0\0\0\xF8\x7F", 8));
    WriteBytes(dir / "table.CCM", bytes);
    r.status = ReadConstantsFile(r, dir / "table.CCM", messages).status;
    EXPECT_EQ(r.Constants[1].Name, "=======");
    EXPECT_EQ(r.Constants[1].MetalName[2], "===");
    EXPECT_EQ(r.Constants[1].H[1], 0.0);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ConstantsFileTest, BinaryFilesOfOtherSizesAreRefused) {
    const std::string bytes = ConstantsBinary(s);
    empty.ConstantsFileName = "kept";
    for (const std::size_t size : {0UL, 4473UL, 5964UL, 7019UL, 7021UL}) {
        std::string content = bytes;
        content.resize(size, '\xF0');
        WriteBytes(dir / "old.CCM", content);
        TestState r = empty;
        r.status = ReadConstantsFile(r, dir / "old.CCM", messages).status;
        EXPECT_EQ(r.status, FileStatus::LoadFailed) << size;
        EXPECT_TRUE(test::SameTable(r.Constants, empty.Constants)) << size;
        EXPECT_EQ(r.ConstantsFileName, "kept");
    }
}

TEST_F(ConstantsFileTest, TheKindComesFromTheThirdLastCharacter) {
    EXPECT_EQ(ConstantsFileKind("notes.txt"), ConstantsKind::Text);
    EXPECT_EQ(ConstantsFileKind("a.ccm"), ConstantsKind::Binary);
    EXPECT_EQ(ConstantsFileKind("TC"), ConstantsKind::None);

    WriteBytes(dir / "table.DAT", "!EGTA,1,\r\n");
    // A name of neither kind reads nothing, and says so in its status.
    empty.status = ReadConstantsFile(empty, dir / "table.DAT", messages).status;
    EXPECT_EQ(empty.status, FileStatus::NotConstantsName);
    EXPECT_EQ(empty.Constants[1].Name, "=======");

    s.status = WriteConstantsFile(s, dir / "out.DAT", messages).status;
    EXPECT_EQ(s.status, FileStatus::NotConstantsName);
    ASSERT_EQ(messages.messages.size(), 1U);
    EXPECT_EQ(messages.messages[0],
              std::make_pair(std::string("Did not save file"), std::string("INFORMATION")));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.DAT"));
}

TEST_F(ConstantsFileTest, AFailedWriteKeepsTheOldFileAndName) {
    s.status = WriteConstantsFile(s, dir / "keep.TCM", messages).status;
    const std::string old = ReadBytes(dir / "keep.TCM");
    s.Constants[1].H[1] = 1.0;
    s.ConstantsFileName = "current";

    // A folder that does not exist, and a "folder" that is a file: nothing can be created, quietly.
    for (const std::string& name : {dir / "no/such/folder/x.TCM", dir / "keep.TCM/x.CCM"}) {
        s.status = WriteConstantsFile(s, name, messages).status;
        EXPECT_EQ(s.status, FileStatus::SaveFailed) << name;
        EXPECT_EQ(s.ConstantsFileName, "current");
    }
    EXPECT_TRUE(messages.messages.empty());

    // The disk fills half-way: the system's error is shown, the old file stays whole.
    const int status = test::RunWithFileSizeLimit(3000, [&] {
        test::MessageRecorder childMessages;
        s.status = WriteConstantsFile(s, dir / "keep.TCM", childMessages).status;
        const bool shown = childMessages.messages.size() == 1 && childMessages.messages[0].second == "ERROR";
        return s.status == FileStatus::SaveFailed && shown && s.ConstantsFileName == "current" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "keep.TCM"), old);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.TCM"});  // no temporary left behind
}

TEST(CutText, NeverLeavesHalfACharacter) {
    const std::tuple<const char*, std::size_t, const char*> cases[] = {
        {"ABCDEFGHIJ", 7, "ABCDEFG"},
        {"ABCDE\xC3\x84", 6, "ABCDE"},  // 2-byte character split after its lead byte
        {"ABCDE\xC3\x84", 7, "ABCDE\xC3\x84"},
        {"AB\xE2\x82\xAC"
         "CD",
         4, "AB"},  // 3-byte character split in its middle
        {"\xF0\x9F\x98\x80"
         "x",
         3, ""},  // 4-byte character
        {"Ca\xE9"
         "EGTA",
         3, "Ca\xE9"},                        // single-byte code page: bytes as they are
        {"AB\x80\x80\x80\x80", 3, "AB\x80"},  // stray continuation bytes: a plain byte cut
    };
    for (const auto& [text, n, expected] : cases) EXPECT_EQ(fileio::CutText(text, n), expected) << text;
}

}  // namespace
}  // namespace dedodiz
