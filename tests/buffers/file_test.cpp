#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BufferFile.h"
#include "BufferModel.h"
#include "Recorders.h"

namespace dedodiz {
namespace {

namespace fs = std::filesystem;

const std::string kHeader =
    "%BROSSIVANTE pH BUFFER FILE\r\n"
    "%NAME,pKa1,pKa2,pKa3,dpKa1,dpKa2,dpKa3,ipKa1,ipKa2,ipKa3,dipKa1,dipKa2,dipKa3,temperature,"
    "T or F for anionic, comments\r\n";

std::string Record(const std::string& name, double pKa, const std::string& type = "T",
                   const std::string& comments = "c") {
    std::ostringstream line;
    line << name << "," << pKa << ",0,0,-0.01,0,0,0.1,0.001,0.001,0,0,0,25,20,20," << type << "," << comments;
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
    std::string WriteRaw(const std::string& bytes, const char* name = "test.bcm") const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    std::string ReadRaw(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Read(const std::string& bytes) { return ReadBufferFile(s, WriteRaw(bytes), messages); }

    void ExpectPreLoadDefaults(int from) {
        for (int k = from; k <= kBufferSlots; ++k) {
            const TBufferSlot& b = s.BufferSlots[k];
            EXPECT_TRUE(b.Name.empty()) << k;
            EXPECT_EQ(b.pKa[1], 0.0) << k;
            EXPECT_EQ(b.ipKa[3], 0.001) << k;
            EXPECT_EQ(b.temperature[2], 20.0) << k;
            EXPECT_TRUE(b.anionic) << k;
        }
    }

    fs::path dir;
    State s;
    test::MessageRecorder messages;
};

TEST_F(BufferFileTest, WrittenLayout) {
    TBufferSlot& b = s.BufferSlots[1];
    b.Name = "Tris";
    b.pKa[1] = 8.072;
    b.dpKa[1] = -0.0279;
    b.ipKa = {};
    b.temperature[1] = 25;
    b.anionic = false;
    b.comments = "cationic, Goldberg";
    s.BufferSlots[2].temperature[1] = 100;
    const std::string text = BufferFileText(s);
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "%BROSSIVANTE pH BUFFER FILE\r");
    std::getline(lines, line);
    std::getline(lines, line);
    EXPECT_EQ(line, "Tris, 8.072, 0.000, 0.000,-0.028, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.000,"
                    "25.00,20.00,20.00,F,cationic, Goldberg\r");
    std::getline(lines, line);
    EXPECT_EQ(line, " , 0.000, 0.000, 0.000, 0.000, 0.000, 0.000, 0.100, 0.100, 0.100, 0.000, 0.000, 0.000,"
                    "100.00,20.00,20.00,T,\r");
    EXPECT_EQ(text.substr(0, kHeader.size()), kHeader);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 14);
}

TEST_F(BufferFileTest, RoundTripKeepsTheSlotsToTheWrittenDecimals) {
    for (int k = 1; k <= kBufferSlots; ++k) {
        TBufferSlot& b = s.BufferSlots[k];
        b.Name = "Buffer " + std::to_string(k);
        b.pKa[1] = 6 + k / 7.0;
        b.pKa[2] = k % 3 == 0 ? 2.5 : 0;
        b.dpKa[1] = -0.0123;
        b.ipKa[2] = 0.0005;
        b.dipKa[3] = 0.25;
        b.temperature[1] = 37.126;
        b.anionic = k % 2 == 0;
        b.comments = "comment, with comma";
    }
    ASSERT_TRUE(WriteBufferFile(s, Path(), messages));
    State before = s;
    ASSERT_TRUE(ReadBufferFile(s, Path(), messages));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(s.BufferLoaded);
    EXPECT_EQ(s.BufferFileName.str(), Path());
    for (int k = 1; k <= kBufferSlots; ++k) {
        const TBufferSlot& a = s.BufferSlots[k];
        const TBufferSlot& b = before.BufferSlots[k];
        EXPECT_EQ(a.Name, b.Name);
        EXPECT_NEAR(a.pKa[1], b.pKa[1], 0.0005);
        EXPECT_EQ(a.pKa[2], b.pKa[2]);
        EXPECT_EQ(a.dpKa[1], -0.012);
        EXPECT_EQ(a.ipKa[2], 0.001);
        EXPECT_EQ(a.ipKa[1], 0.1);
        EXPECT_EQ(a.dipKa[3], 0.25);
        EXPECT_EQ(a.temperature[1], 37.13);
        EXPECT_EQ(a.anionic, b.anionic);
        EXPECT_EQ(a.comments, "comment, with comma");
    }
    // A second write of what was read gives the same bytes.
    EXPECT_EQ(BufferFileText(s), ReadRaw(Path()));
}

TEST_F(BufferFileTest, NamesThatWouldShiftTheFieldsAreAdjusted) {
    s.BufferSlots[1].Name = "%first";
    s.BufferSlots[2].Name = "Tris,HCl";
    s.BufferSlots[2].pKa[1] = 8.1;
    s.BufferSlots[3].Name = "!bang";
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

TEST_F(BufferFileTest, CommentLinesOnlyOrEndMarkerLoadsNothing) {
    for (const std::string& text : {kHeader, kHeader + "\r\n\r\n", kHeader + "!\r\n" + Record("A", 7) + "\r\n",
                                    std::string()}) {
        s.BufferSlots[1].pKa[1] = 9;
        s.BufferLoaded = true;
        EXPECT_FALSE(Read(text));
        EXPECT_FALSE(s.BufferLoaded);
        ExpectPreLoadDefaults(1);
        EXPECT_EQ(s.BufferFileName.str(), Path());
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferFileTest, FiveRecordsFillFiveSlots) {
    std::string text = kHeader;
    for (int k = 1; k <= 5; ++k) text += Record("B" + std::to_string(k), 5 + k) + "\r\n";
    ASSERT_TRUE(Read(text));
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(s.BufferSlots[k].Name.str(), "B" + std::to_string(k));
        EXPECT_EQ(s.BufferSlots[k].pKa[1], 5 + k);
        EXPECT_EQ(s.BufferSlots[k].dpKa[1], -0.01);
        EXPECT_EQ(s.BufferSlots[k].ipKa[1], 0.1);
        EXPECT_EQ(s.BufferSlots[k].temperature[1], 25.0);
        EXPECT_EQ(s.BufferSlots[k].comments, "c");
    }
    ExpectPreLoadDefaults(6);
}

TEST_F(BufferFileTest, EmptyLineEndsTheRecordsButNotTheComments) {
    const std::string text = kHeader + "\r\n%more\r\n" + Record("A", 7) + "\r\n" + Record("B", 7) + "\r\n" +
                             Record("C", 7) + "\r\n\r\n" + Record("D", 7) + "\r\n";
    ASSERT_TRUE(Read(text));
    EXPECT_EQ(s.BufferSlots[3].Name, "C");
    ExpectPreLoadDefaults(4);
}

TEST_F(BufferFileTest, FieldRules) {
    const std::string text = kHeader +
                             Record("t is cationic", 7, "t") + "\r\n" +                 // lower case
                             Record("Comma", 7, "T", "a,b,c,d,e,f,g,h,i,j,k,l,m") + "\n" +  // LF only
                             Record("ABCDEFGHIJKLMNOPQRST", 6.5) + "\r\n" +             // 20-character name
                             "%not a comment,7.5\r\n" +
                             "No comma at all\r\n" +
                             "Short,7.25,0\r\n" +
                             Record("x", 1.0) + "garbage" + "\r\n";
    ASSERT_TRUE(Read(text));
    EXPECT_FALSE(s.BufferSlots[1].anionic);
    EXPECT_EQ(s.BufferSlots[2].comments, "a,b,c,d,e,f,g,h,i,j,");
    EXPECT_TRUE(s.BufferSlots[2].anionic);
    EXPECT_EQ(s.BufferSlots[3].Name, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(s.BufferSlots[3].pKa[1], 6.5);
    EXPECT_EQ(s.BufferSlots[3].temperature[1], 25.0);
    EXPECT_EQ(s.BufferSlots[4].Name, "%not a comment");
    EXPECT_EQ(s.BufferSlots[4].pKa[1], 7.5);
    EXPECT_EQ(s.BufferSlots[5].Name, "No comma at all");
    EXPECT_EQ(s.BufferSlots[5].pKa[1], 0.0);
    EXPECT_EQ(s.BufferSlots[5].ipKa[1], 0.0);
    EXPECT_EQ(s.BufferSlots[5].temperature[1], 0.0);
    EXPECT_EQ(s.BufferSlots[6].pKa[1], 7.25);
    EXPECT_EQ(s.BufferSlots[6].ipKa[1], 0.0);  // missing values at the end of a short line read 0
    EXPECT_FALSE(s.BufferSlots[6].anionic);
    EXPECT_EQ(s.BufferSlots[7].comments, "cgarbage");
}

TEST_F(BufferFileTest, OnlyTwelveRecordsAreRead) {
    std::string text = kHeader;
    for (int k = 1; k <= 14; ++k) text += Record("R" + std::to_string(k), 7) + "\r\n";
    ASSERT_TRUE(Read(text));
    EXPECT_EQ(s.BufferSlots[12].Name, "R12");
}

TEST_F(BufferFileTest, HostileBytesNeverCrash) {
    std::string garbage;
    for (int k = 0; k < 4096; ++k) garbage += static_cast<char>((k * 7919 + 13) % 256);
    Read(garbage);
    Read(kHeader + std::string(10000, 'x') + "\r\n" + std::string(10000, ',') + "\r\n" + std::string(3, '\0'));
    EXPECT_EQ(s.BufferSlots[1].Name.str(), std::string(15, 'x'));
    EXPECT_EQ(s.BufferSlots[1].pKa[1], 0.0);
    EXPECT_TRUE(s.BufferSlots[2].Name.empty());
    EXPECT_EQ(s.BufferSlots[2].comments.str(), std::string(20, ','));
    EXPECT_EQ(s.BufferSlots[3].Name.str(), std::string(3, '\0'));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferFileTest, OpenAndSaveFailures) {
    s.BufferSlots[1].pKa[1] = 9;
    EXPECT_FALSE(ReadBufferFile(s, Path("missing.bcm"), messages));
    EXPECT_FALSE(ReadBufferFile(s, dir.string(), messages));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0], (std::pair<std::string, std::string>{"Could not open pH buffer file", "ERROR"}));
    EXPECT_EQ(s.BufferSlots[1].pKa[1], 0.0);  // the slots were reset before the open
    EXPECT_TRUE(s.BufferFileName.empty());

    messages.messages.clear();
    const std::string old = WriteRaw("old contents", "old.bcm");
    EXPECT_FALSE(WriteBufferFile(s, (dir / "no-such-folder" / "x.bcm").string(), messages));
    EXPECT_FALSE(WriteBufferFile(s, dir.string(), messages));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1], (std::pair<std::string, std::string>{"Cannot save buffer to file!", "ERROR"}));
    EXPECT_EQ(ReadRaw(old), "old contents");
}

TEST(ShippedBufferFileTest, HoldsTwelveCommonBuffers) {
    State s;
    NewState(s);
    test::MessageRecorder messages;
    ASSERT_TRUE(ReadBufferFile(s, std::string(DEDODIZ_SOURCE_DIR) + "/data/buffers.bcm", messages));
    EXPECT_EQ(s.BufferSlots[1].Name, "HEPES");
    EXPECT_EQ(s.BufferSlots[8].Name, "Tris");
    EXPECT_FALSE(s.BufferSlots[8].anionic);
    EXPECT_EQ(s.BufferSlots[10].pKa[3], 2.148);
    for (const TBufferSlot& b : s.BufferSlots) {
        EXPECT_FALSE(b.Name.empty());
        EXPECT_GT(b.pKa[1], 6.0) << b.Name.str();
        EXPECT_GE(b.pKa[1], b.pKa[2]) << b.Name.str();
        EXPECT_EQ(b.ipKa[1], 0.0) << b.Name.str();  // thermodynamic values
        EXPECT_EQ(b.temperature[1], 25.0) << b.Name.str();
    }
}

}  // namespace
}  // namespace dedodiz
