// SPDX-License-Identifier: BSD-3-Clause
// The constants table and the example work files that ship with the program.
#include <gtest/gtest.h>

#include "FileTestHelpers.h"
#include "Recorders.h"
#include "TestState.h"
#include "files/ConstantsFile.h"
#include "files/Editor.h"
#include "files/WorkFile.h"

namespace dedodiz {
using TestState = test::Parts<EditorState, test::FileTestPart>;
namespace {

const std::string kSource = DEDODIZ_SOURCE_DIR;

TEST(BundledData, StandardTableHoldsTheLiteratureTableInTheWritersFormat) {
    test::MessageRecorder messages;
    TestState s;
    NewState(s);
    const std::string path = kSource + "/data/standard.TCM";
    s.status = ReadConstantsFile(s, path, messages).status;
    ASSERT_EQ(s.status, FileStatus::Success);

    const char* chelators[] = {"EGTA", "BAPTA", "DBBAPTA", "EDTA", "HEDTA",   "NTA",
                               "CDTA", "DTPA",  "ATP",     "ADP",  "Citrate", "TPEN  +"};
    const char* metals[] = {"Ca2", "Mg2", "Sr2", "Ba2", "Mn2", "Zn2", "Cd2", "Cu2", "Ni2"};
    for (int c = 1; c <= 12; ++c) EXPECT_EQ(s.Constants[c].Name, chelators[c - 1]);
    for (int m = 1; m <= 9; ++m) EXPECT_EQ(s.Constants[1].MetalName[m], metals[m - 1]);

    // A few values checked against the literature table they were taken from.
    EXPECT_DOUBLE_EQ(s.Constants[1].H[1], 9.47);
    EXPECT_DOUBLE_EQ(s.Constants[1].ML[1], 10.97);
    EXPECT_DOUBLE_EQ(s.Constants[1].dML[1], -8.1);
    EXPECT_DOUBLE_EQ(s.Constants[2].ML[1], 6.96);  // Tsien's 6.97 at 22 C brought to 20 C
    EXPECT_DOUBLE_EQ(s.Constants[4].dH[3], 1.3);
    EXPECT_DOUBLE_EQ(s.Constants[4].MHL[8], 11.70);
    EXPECT_DOUBLE_EQ(s.Constants[11].dMHL[9], 3.0);
    EXPECT_DOUBLE_EQ(s.Constants[12].ML[6], 15.58);
    EXPECT_EQ(s.Constants[10].ML[7], 0.0);  // Cd-ADP is not known
    EXPECT_EQ(s.Constants[11].Comment[8], "M&S 25C, low");
    // The second edition: the BAPTAs and ATP store four protonation constants and ADP three, so that the
    // charge taken from their number is the ligand's own; ATP's protonation is endothermic.
    for (const int c : {2, 3, 9}) EXPECT_GT(s.Constants[c].H[4], 0) << s.Constants[c].Name.str();
    EXPECT_GT(s.Constants[10].H[3], 0);
    EXPECT_EQ(s.Constants[10].H[4], 0);
    EXPECT_DOUBLE_EQ(s.Constants[9].dH[1], 0.9);
    EXPECT_DOUBLE_EQ(s.Constants[1].ML[7], 16.61);  // Cd-EGTA, 16.50 at 25 C converted with its dH
    EXPECT_DOUBLE_EQ(s.Constants[9].dMHL[2], 3.2);
    EXPECT_EQ(s.Constants[1].Comment[4], "M&S dH EDTA-anal");
    EXPECT_EQ(s.Constants[2].Comment[1], "Tsien80 dH est.");

    // Writing the table again gives the file byte for byte.
    EXPECT_EQ(ConstantsText(s), test::ReadBytes(path));
}

// Every table that really exists loads as it is and without a word of warning: the tables shipped
// (data/ and the examples), a table after an edit in the constants editor, and the table written by
// convert in either kind and read back. The reader's checks of the block structure refuse none of them.
TEST(BundledData, EveryRealTableLoadsUnchangedAndWithoutAWarning) {
    test::TempDir dir;
    std::vector<std::string> tables;
    for (const char* folder : {"/data", "/examples"})
        for (const auto& entry : std::filesystem::recursive_directory_iterator(kSource + folder))
            if (entry.path().extension() == ".TCM" || entry.path().extension() == ".CCM")
                tables.push_back(entry.path().string());
    ASSERT_FALSE(tables.empty());

    test::MessageRecorder messages;
    TestState edited;
    NewState(edited);
    ASSERT_TRUE(ReadConstantsFile(edited, tables.front(), messages).ok());
    edited.EditConChelator = 5;
    edited.EditConMetal = 3;
    EditorFields fields;
    ShowChelator(edited, edited, fields);
    ShowMetal(edited, edited, fields);
    fields.metalName = "Sr3";  // a metal renamed: every block is written with the new name
    fields.mlLogK = "7.125";
    ASSERT_TRUE(EditorOK(edited, edited, fields, messages));
    for (TChelatorRec& rec : edited.Constants) rec.MetalName = edited.Constants[1].MetalName;  // as written
    ASSERT_TRUE(WriteConstantsFile(edited, dir / "edited.TCM", messages).ok());
    tables.push_back(dir / "edited.TCM");
    // convert: text to binary to text.
    ASSERT_TRUE(WriteConstantsFile(edited, dir / "converted.CCM", messages).ok());
    TestState binary;
    NewState(binary);
    ASSERT_TRUE(ReadConstantsFile(binary, dir / "converted.CCM", messages).ok());
    ASSERT_TRUE(WriteConstantsFile(binary, dir / "converted.TCM", messages).ok());
    tables.insert(tables.end(), {dir / "converted.CCM", dir / "converted.TCM"});

    const std::size_t shipped = tables.size() - 3;
    for (std::size_t k = 0; k < tables.size(); ++k) {
        TestState s;
        NewState(s);
        ASSERT_TRUE(ReadConstantsFile(s, tables[k], messages).ok()) << tables[k];
        if (k < shipped) {
            EXPECT_EQ(ConstantsText(s), test::ReadBytes(tables[k]))
                << tables[k];  // as this program writes it
        } else {
            EXPECT_TRUE(test::SameTable(s.Constants, edited.Constants)) << tables[k];
            EXPECT_EQ(s.Constants[1].MetalName[3], "Sr3");
        }
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST(BundledData, ExampleWorkFilesLoadFromTheRepositoryRoot) {
    struct Example {
        const char* file;
        std::int16_t calcType;
        const char* chelator;
        double chelTotal;
        const char* metal;  // slot 1
        double metalTotal;
        double metalFree;
        double temperature;
        double ionic;
    };
    const Example examples[] = {
        {"examples/ca-egta-free.STG", 1, "EGTA", 2e-3, "Ca2", 1e-3, 0, 20.0, 0.1},
        {"examples/bapta-total.STG", 0, "BAPTA", 1e-3, "Ca2", 0, 100e-9, 20.0, 0.1},
        {"examples/egta-chelator.STG", 2, "EGTA", 0, "Ca2", 1e-3, 100e-9, 20.0, 0.1},
        {"examples/bapta-37c-total.STG", 0, "BAPTA", 10e-3, "Ca2", 0, 100e-9, 37.0, 0.15},
        {"examples/mg-atp-total.STG", 0, "ATP", 5e-3, "Mg2", 0, 0.5e-3, 25.0, 0.15},
    };
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(kSource);
    for (const Example& ex : examples) {
        test::MessageRecorder messages;
        TestState s;
        NewState(s);
        s.WorkFileName = ex.file;
        if (!LoadWorkSettings(s.WorkFileName.str(), s, s, s, messages).Loaded()) {
            ADD_FAILURE() << ex.file << " does not load";
            continue;
        }
        EXPECT_TRUE(messages.messages.empty());
        EXPECT_EQ(s.ConstantsFileName, "data/standard.TCM");
        EXPECT_EQ(static_cast<int>(s.CalcType), ex.calcType);
        EXPECT_EQ(s.Solution.ChelName[1], ex.chelator);
        EXPECT_EQ(s.Solution.ChelName[2], "=======");
        EXPECT_EQ(s.Solution.MetalName[2], ex.calcType == 1 ? "Mg2" : "===");
        EXPECT_EQ(s.Solution.ChelTotal[1], ex.chelTotal);
        EXPECT_EQ(s.Solution.MetalName[1], ex.metal);
        EXPECT_EQ(s.Solution.MetalTotal[1], ex.metalTotal);
        EXPECT_EQ(s.Solution.MetalFree[1], ex.metalFree);
        EXPECT_EQ(s.Solution.PH, 7.2);
        EXPECT_EQ(s.Solution.Temperature, ex.temperature);
        EXPECT_EQ(s.Solution.IonicEquiv, ex.ionic);
    }
    std::filesystem::current_path(home);
}

}  // namespace
}  // namespace dedodiz
