// SPDX-License-Identifier: BSD-3-Clause
#include "TestState.h"
#include "files/WorkFile.h"

#include <gtest/gtest.h>

#include "FileTestHelpers.h"
#include "Recorders.h"
#include "Tables.h"
#include "files/ByteIO.h"
#include "files/ConstantsFile.h"

namespace dedodiz {
using TestState = test::Parts<EditorState, test::FileTestPart>;
namespace {

using test::ReadBytes;
using test::WriteBytes;

using Message = std::pair<std::string, std::string>;

std::vector<Message> OneError(const char* text) {
    return {Message(text, "ERROR")};
}

class WorkFileTest : public ::testing::Test {
  protected:
    // A saved situation: the sample table in its own file, EGTA and EDTA with Ca2 and Zn2, type Total.
    void SetUp() override {
        NewState(s);
        test::FillSampleTable(s);
        s.status = WriteConstantsFile(s, dir / "table.TCM", messages).status;
        s.ChelatorChosen[1] = s.ChelatorChosen[3] = true;
        s.MetalChosen[1] = s.MetalChosen[3] = true;
        BuildSelection(s, s, s.Solution, messages);
        s.CalcType = CalculationType::Total;
        s.Solution.Temperature = 25.0;
        s.Solution.PH = 7.2;
        s.Solution.IonicEquiv = 0.15;
        s.Solution.ChelTotal[2] = 1e-3;
        s.Solution.ChelFree[1] = 3e-4;
        s.Solution.MetalTotal[2] = 5e-4;
        s.Solution.MetalFree[2] = 1e-9;
        s.WorkFileName = dir / "work.STG";
        ASSERT_TRUE(messages.messages.empty());
    }

    // Loads the work file into a state that holds something else; checks that a refused load changed
    // nothing.
    bool Load(std::vector<Message> expected = {}) {
        messages.messages.clear();
        NewState(r);
        r.ConstantsFileName = "other.TCM";
        r.Solution.PH = 6.0;
        r.ChelatorChosen[2] = true;
        r.WorkFileName = s.WorkFileName;
        const bool loaded = LoadWorkSettings(r.WorkFileName.str(), r, r, r, messages).Loaded();
        EXPECT_EQ(messages.Headlines(), expected);
        if (!loaded && expected != OneError("Cannot Load Constants File")) {
            EXPECT_EQ(r.ConstantsFileName, "other.TCM");
            EXPECT_EQ(r.Solution.PH, 6.0);
            EXPECT_TRUE(r.ChelatorChosen[2]);
        }
        return loaded;
    }

    test::TempDir dir;
    test::MessageRecorder messages;
    TestState s;
    TestState r;
};

TEST_F(WorkFileTest, RecordLayoutIsExact) {
    SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
    const std::string bytes = ReadBytes(dir / "work.STG");
    ASSERT_EQ(bytes.size(), 303U);
    const std::string name = s.ConstantsFileName.str();
    EXPECT_EQ(bytes.substr(0, 81),
              static_cast<char>(name.size()) + name + std::string(80 - name.size(), '\0'));
    EXPECT_EQ(fileio::GetU16(bytes, 81), 0);      // CalcType
    EXPECT_EQ(fileio::GetU16(bytes, 83), 0b101);  // chelators 1 and 3
    EXPECT_EQ(fileio::GetU16(bytes, 85), 0b101);  // metals 1 and 3
    EXPECT_EQ(fileio::GetDouble(bytes, 87), 25.0);
    EXPECT_EQ(fileio::GetDouble(bytes, 103), 0.15);
    EXPECT_EQ(fileio::GetDouble(bytes, 111 + 8), 1e-3);  // ChelTotal[2]
    EXPECT_EQ(fileio::GetDouble(bytes, 159), 3e-4);      // ChelFree[1]
    EXPECT_EQ(fileio::GetDouble(bytes, 207 + 8), 5e-4);  // MetalTotal[2]
    EXPECT_EQ(fileio::GetDouble(bytes, 255 + 8), 1e-9);  // MetalFree[2]
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(WorkFileTest, SaveThenLoadRestoresTheSituationWithTheConstantsOnDisk) {
    SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
    // An edit to the constants file after saving takes effect on loading.
    TestState edit;
    edit.status = ReadConstantsFile(edit, dir / "table.TCM", messages).status;
    edit.Constants[3].ML[3] = 15.0;
    edit.status = WriteConstantsFile(edit, dir / "table.TCM", messages).status;

    ASSERT_TRUE(Load());
    EXPECT_EQ(r.ConstantsFileName.str(), dir / "table.TCM");
    EXPECT_EQ(r.CalcType, CalculationType::Total);
    EXPECT_TRUE(r.ChelatorChosen == s.ChelatorChosen && r.MetalChosen == s.MetalChosen);
    EXPECT_EQ(r.Solution.Temperature, 25.0);
    EXPECT_EQ(r.Solution.PH, 7.2);
    EXPECT_EQ(r.Solution.IonicEquiv, 0.15);
    EXPECT_TRUE(r.Solution.ChelTotal == s.Solution.ChelTotal && r.Solution.ChelFree == s.Solution.ChelFree);
    EXPECT_TRUE(r.Solution.MetalTotal == s.Solution.MetalTotal &&
                r.Solution.MetalFree == s.Solution.MetalFree);
    EXPECT_EQ(r.Solution.ChelName[2], "EDTA");
    EXPECT_EQ(r.Solution.MetalName[2], "Zn2");
    EXPECT_EQ(r.Solution.LogKM[2][2][1], 15.0);
}

TEST_F(WorkFileTest, SelectionMasks) {
    for (int k : {1, 2, 3, 5, 8, 10, 12}) s.ChelatorChosen[k] = true;
    EXPECT_EQ(PackSelection(s).first, 0b1010'1001'0111);
    SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
    ASSERT_TRUE(Load());
    EXPECT_TRUE(r.ChelatorChosen[12]);  // all seven stay chosen, the six lowest take the slots
    EXPECT_EQ(r.ChosenChelator[6], 10);

    UnpackSelection(s, 0xFFFF, 0xFFFF);  // bits beyond the twelve chelators and nine metals are ignored
    EXPECT_EQ(PackSelection(s), std::make_pair(std::uint16_t{0x0FFF}, std::uint16_t{0x01FF}));
    UnpackSelection(s, 0x1000, 0x0200);
    EXPECT_EQ(PackSelection(s), std::make_pair(std::uint16_t{0}, std::uint16_t{0}));
}

TEST_F(WorkFileTest, OnlyFilesHoldingOneWholeRecordAreRead) {
    const std::string record = WorkRecordBytes(s.ConstantsFileName.view(), s, s);
    for (const std::size_t size : {0UL, 302UL, 303UL, 304UL, 605UL, 606UL, 1000UL}) {
        std::string bytes = record;
        bytes.resize(size, '\x55');
        WriteBytes(dir / "work.STG", bytes);
        const bool whole = size >= 303 && size < 606;
        EXPECT_EQ(Load(whole ? std::vector<Message>{} : OneError("Cannot Load Work Settings, File Error")),
                  whole)
            << size;
    }
    // Records this program never writes: a calculation type beyond Chelator, a pH that is no number.
    std::string badType = record;
    badType[81] = 7;
    std::string badValue = record;
    badValue.replace(95, 8, std::string("\0\0\0\0\0\0\xF8\x7F", 8));
    for (const std::string& bytes : {badType, badValue}) {
        WriteBytes(dir / "work.STG", bytes);
        EXPECT_FALSE(Load(OneError("Cannot Load Work Settings, File Error")));
    }
}

TEST_F(WorkFileTest, MissingFilesAndAMissingConstantsFile) {
    s.WorkFileName = dir / "absent.STG";
    EXPECT_FALSE(Load(OneError("File does not exist")));

    s.WorkFileName = dir / "work.STG";
    SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
    std::filesystem::remove(dir / "table.TCM");
    EXPECT_FALSE(Load(OneError("Cannot Load Constants File")));
    // Left as File > New leaves it: an empty table.
    EXPECT_EQ(r.ConstantsFileName, "EMPTY.CCM");
    EXPECT_EQ(r.Constants[1].Name, "=======");
    EXPECT_EQ(r.CalcType, CalculationType::Free);
}

TEST_F(WorkFileTest, FailedSavesKeepTheOldFile) {
    SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
    const std::string old = ReadBytes(dir / "work.STG");
    s.Solution.PH = 8.0;

    s.WorkFileName = dir / "missing/work.STG";
    SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
    s.WorkFileName = dir / "work.STG/inside.STG";
    SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
    EXPECT_EQ(messages.Headlines(),
              std::vector<Message>(2, Message("Cannot Save Work Settings, File Error", "ERROR")));

    s.WorkFileName = dir / "work.STG";
    const int status = test::RunWithFileSizeLimit(100, [&] {
        test::MessageRecorder childMessages;
        SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, childMessages);
        return childMessages.Headlines() == OneError("Cannot Save Work Settings, File Error") ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(dir / "work.STG"), old);
    EXPECT_EQ(dir.Entries().size(), 2U);  // table.TCM and work.STG, no temporary
}

}  // namespace
}  // namespace dedodiz
