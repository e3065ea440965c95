// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Recorders.h"
#include "TestState.h"
#include "buffers/BufferFile.h"
#include "buffers/BufferModel.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool>;
namespace {

namespace fs = std::filesystem;

const std::string kHeader =
    std::string(kBufferFileHeader1) + "\r\n" + std::string(kBufferFileHeader2) + "\r\n";

// A record line: pKa1 = pKa, dpKa1 -0.01, ipKa 0.1, 0.001, 0.001, temperatures 25, 20, 20.
std::string Record(const std::string& name, double pKa = 7, const std::string& tail = "T,c") {
    std::ostringstream line;
    line << name << "," << pKa << ",0,0,-0.01,0,0,0.1,0.001,0.001,0,0,0,25,20,20," << tail << "\r\n";
    return line.str();
}

class BufferFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("bcm-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        NewState(s);
        ResetBufferSlotsForWindow(s);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const char* name = "test.bcm") const { return (dir / name).string(); }
    std::string ReadRaw(const std::string& path) const {
        std::stringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }
    bool Read(const std::string& bytes) {
        std::ofstream(Path(), std::ios::binary) << bytes;
        return ReadBufferFile(s, Path(), messages).loaded;
    }
    // Slots from..12 at the pre-load defaults.
    void ExpectDefaultsFrom(int from) {
        for (int k = from; k <= kBufferSlots; ++k) {
            const TBufferSlot& b = s.BufferSlots[k];
            EXPECT_TRUE(b.Name.empty() && b.pKa[1] == 0 && b.ipKa[3] == 0.001 && b.temperature[2] == 20 &&
                        b.anionic)
                << "slot " << k;
        }
    }

    fs::path dir;
    TestState s;
    test::MessageRecorder messages;
};

TEST_F(BufferFileTest, WrittenLayoutAndRoundTrip) {
    TBufferSlot& b = s.BufferSlots[1];
    b.Name = "Tris";
    b.pKa[1] = 8.0716;
    b.dpKa[1] = -0.0279;
    b.ipKa[2] = 0.0005;
    b.temperature[1] = 37.126;
    b.anionic = false;
    b.comments = "cationic, Goldberg";
    s.BufferSlots[2].temperature[1] = 100;
    const std::string text = BufferFileText(s);
    EXPECT_EQ(text.substr(0, kHeader.size()), kHeader);
    const std::string records =
        "Tris, 8.072, 0.000, 0.000,-0.028, 0.000, 0.000, 0.100, 0.001, 0.100, 0.000, 0.000, 0.000,"
        "37.13,20.00,20.00,F,cationic, Goldberg\r\n"
        " , 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.100, 0.100, 0.100, 0.000, 0.000, 0.000,"
        "100.00,20.00,20.00,T,\r\n";
    EXPECT_EQ(text.substr(kHeader.size(), records.size()), records);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 14);

    ASSERT_TRUE(WriteBufferFile(s, Path(), messages));
    ASSERT_TRUE(ReadBufferFile(s, Path(), messages));
    EXPECT_TRUE(s.BufferLoaded);
    EXPECT_EQ(s.BufferFileName.str(), Path());
    EXPECT_EQ(b.Name, "Tris");
    EXPECT_EQ(b.pKa[1], 8.072);
    EXPECT_EQ(b.dpKa[1], -0.028);
    EXPECT_EQ(b.ipKa[2], 0.001);
    EXPECT_EQ(b.temperature[1], 37.13);
    EXPECT_FALSE(b.anionic);
    EXPECT_EQ(b.comments, "cationic, Goldberg");
    EXPECT_EQ(s.BufferSlots[12].Name, " ");
    EXPECT_EQ(BufferFileText(s), ReadRaw(Path()));  // a second write gives the same bytes
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferFileTest, NamesThatWouldShiftTheFieldsAreAdjusted) {
    s.BufferSlots[1].Name = "%first";  // would read as a comment line
    s.BufferSlots[2].Name = "Tris,HCl";
    s.BufferSlots[2].pKa[1] = 8.1;
    s.BufferSlots[3].Name = "!bang";  // an end marker only in place of the first record
    s.BufferSlots[4].comments = "two\r\nlines";
    ASSERT_TRUE(WriteBufferFile(s, Path(), messages));
    ASSERT_TRUE(ReadBufferFile(s, Path(), messages));
    EXPECT_EQ(s.BufferSlots[1].Name, " %first");
    EXPECT_EQ(s.BufferSlots[2].Name, "Tris;HCl");
    EXPECT_EQ(s.BufferSlots[2].pKa[1], 8.1);
    EXPECT_EQ(s.BufferSlots[3].Name, "!bang");
    EXPECT_EQ(s.BufferSlots[4].comments, "two  lines");
    EXPECT_EQ(s.BufferSlots[12].ipKa[1], 0.1);  // all twelve records came back
}

TEST_F(BufferFileTest, HowManyRecordsAreRead) {
    std::string five, fourteen;
    for (int k = 1; k <= 14; ++k) (k <= 5 ? five : fourteen) += Record("R" + std::to_string(k));
    struct Case {
        std::string text;
        int records;  // 0: nothing loaded
    };
    const Case cases[] = {
        {kHeader, 0},
        {"", 0},
        {kHeader + "\r\n\r\n", 0},
        {kHeader + "!\r\n" + Record("A"), 0},
        {kHeader + five, 5},
        {kHeader + "\r\n%more\n" + Record("A") + Record("B") + Record("C") + "\r\n" + Record("D"), 3},
        {kHeader + five + fourteen, 12},
    };
    for (const Case& c : cases) {
        s.BufferSlots[1].pKa[1] = 9;
        EXPECT_EQ(Read(c.text), c.records > 0) << c.text;
        EXPECT_EQ(s.BufferLoaded, c.records > 0);
        if (c.records > 0) {
            EXPECT_EQ(s.BufferSlots[c.records].pKa[1], 7.0) << c.text;
        }
        ExpectDefaultsFrom(c.records + 1);
    }
    EXPECT_EQ(s.BufferSlots[12].Name, "R12");  // records after the twelfth are not read
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferFileTest, FieldRules) {
    ASSERT_TRUE(Read(kHeader + Record("lower t", 7, "t,") +                 //
                     Record("Comma", 7, "T,a,b,c,d,e,f,g,h,i,j,k,l") +      //
                     "LF only,6.0,0,0,0,0,0,0,0,0,0,0,0,25,20,20,T,lf\n" +  //
                     Record("ABCDEFGHIJKLMNOPQRST", 6.5) +                  //
                     "%not a comment,7.5\r\n" +                             //
                     "No comma at all\r\n" +                                //
                     "Short,7.25,0\r\n"));
    const auto& slot = s.BufferSlots;
    EXPECT_FALSE(slot[1].anionic);
    EXPECT_EQ(slot[2].comments, "a,b,c,d,e,f,g,h,i,j,");
    EXPECT_EQ(slot[3].comments, "lf");
    EXPECT_EQ(slot[4].Name, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(slot[4].temperature[1], 25.0);  // the rest still parses from the comma on
    EXPECT_EQ(slot[5].Name, "%not a comment");
    EXPECT_EQ(slot[5].pKa[1], 7.5);
    EXPECT_EQ(slot[6].Name, "No comma at all");
    EXPECT_TRUE(slot[6].pKa[1] == 0 && slot[6].ipKa[1] == 0 && slot[6].temperature[1] == 0 &&
                !slot[6].anionic);
    EXPECT_EQ(slot[7].pKa[1], 7.25);
    EXPECT_EQ(slot[7].ipKa[1], 0.0);  // missing values at the end of a short line read 0

    // A value beyond any double would read as 0 and lose its buffer's range silently: the file is refused.
    EXPECT_FALSE(Read(kHeader + Record("MOPS", 7.2) + "HEPES,1e999,0,0,0,0,0,0,0,0,0,0,0,25,25,25,T,x\r\n"));
    EXPECT_TRUE(s.BufferSlots[1].Name.empty());
    EXPECT_EQ(
        messages.messages.back().first,
        "Could not open pH buffer file\rrecord 2: the value \"1e999\" lies beyond the range of a number");
}

TEST_F(BufferFileTest, HostileBytesNeverCrash) {
    std::string garbage;
    for (int k = 0; k < 4096; ++k) garbage += static_cast<char>((k * 7919 + 13) % 256);
    Read(garbage);
    ASSERT_TRUE(Read(kHeader + std::string(10000, 'x') + "\r\n" + std::string(10000, ',') + "\r\n" +
                     std::string(3, '\0')));
    EXPECT_EQ(s.BufferSlots[1].Name.str(), std::string(15, 'x'));
    EXPECT_EQ(s.BufferSlots[2].comments.str(), std::string(20, ','));
    EXPECT_EQ(s.BufferSlots[3].Name.str(), std::string(3, ' '));  // control bytes become blanks
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferFileTest, OpenAndSaveFailures) {
    s.BufferSlots[1].pKa[1] = 9;
    EXPECT_FALSE(ReadBufferFile(s, Path("missing.bcm"), messages));
    EXPECT_FALSE(ReadBufferFile(s, dir.string(), messages));
    EXPECT_EQ(messages.Headlines(), (std::vector<std::pair<std::string, std::string>>(
                                        2, {"Could not open pH buffer file", "ERROR"})));
    ExpectDefaultsFrom(1);  // the slots were reset before the open
    EXPECT_TRUE(s.BufferFileName.empty());

    messages.messages.clear();
    std::ofstream(Path("old.bcm")) << "old contents";
    EXPECT_FALSE(WriteBufferFile(s, (dir / "no-such-folder" / "x.bcm").string(), messages));
    EXPECT_FALSE(WriteBufferFile(s, dir.string(), messages));
    EXPECT_EQ(messages.Headlines(), (std::vector<std::pair<std::string, std::string>>(
                                        2, {"Cannot save buffer to file!", "ERROR"})));
    EXPECT_EQ(ReadRaw(Path("old.bcm")), "old contents");
}

// Nothing a user can name as a buffer file hangs the reader or fills memory: a pipe and a device are
// no files, a file far larger than any buffer file is refused by its size, and each says why. A line
// is read as its first 255 bytes; a byte-order mark in front of the text is skipped.
TEST_F(BufferFileTest, PipesDevicesAndHugeFilesAreRefusedWithTheReason) {
    ASSERT_EQ(::mkfifo(Path("pipe.bcm").c_str(), 0644), 0);
    std::ofstream(Path("huge.bcm")) << kHeader;
    fs::resize_file(Path("huge.bcm"), std::uintmax_t{2} << 30U);  // sparse: no room taken on the disk
    const std::pair<std::string, std::string> cases[] = {
        {Path("pipe.bcm"), "Not a regular file (a pipe): " + Path("pipe.bcm")},
        {"/dev/zero", "Not a regular file (a device): /dev/zero"},
        {Path("huge.bcm"), "File too large (more than 1048576 bytes): " + Path("huge.bcm")},
    };
    for (const auto& [name, reason] : cases) {
        messages.messages.clear();
        const BufferReadResult read = ReadBufferFile(s, name, messages);
        EXPECT_FALSE(read.loaded);
        EXPECT_EQ(read.file.reason, reason);
        EXPECT_EQ(messages.messages, (std::vector<std::pair<std::string, std::string>>{
                                         {"Could not open pH buffer file\r" + reason, "ERROR"}}));
    }

    // The value after the long name lies beyond byte 255: it is not read.
    ASSERT_TRUE(Read("\xEF\xBB\xBF" + kHeader + std::string(260, 'M') + ",7.2\r\n" + Record("HEPES", 7.5)));
    EXPECT_EQ(s.BufferSlots[1].Name.str(), std::string(15, 'M'));
    EXPECT_EQ(s.BufferSlots[1].pKa[1], 0.0);
    EXPECT_EQ(s.BufferSlots[2].Name, "HEPES");
    EXPECT_EQ(s.BufferSlots[2].pKa[1], 7.5);
}

TEST(ShippedBufferFileTest, HoldsTwelveCommonBuffers) {
    TestState s;
    NewState(s);
    test::MessageRecorder messages;
    ASSERT_TRUE(ReadBufferFile(s, std::string(DEDODIZ_SOURCE_DIR) + "/data/buffers.bcm", messages));
    EXPECT_EQ(s.BufferSlots[1].Name, "HEPES");
    EXPECT_FALSE(s.BufferSlots[8].anionic);  // Tris
    EXPECT_EQ(s.BufferSlots[10].pKa[3], 2.148);
    for (const TBufferSlot& b : s.BufferSlots) {
        EXPECT_TRUE(!b.Name.empty() && b.pKa[1] > 6 && b.pKa[1] >= b.pKa[2] && b.ipKa[1] == 0)
            << b.Name.str();
    }
}

}  // namespace
}  // namespace dedodiz
