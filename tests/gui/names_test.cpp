// SPDX-License-Identifier: BSD-3-Clause
// File-name and command-line rules of the desktop program.

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "gui/CommandLine.h"
#include "gui/FileNames.h"
#include "gui/ProgramState.h"

namespace dedodiz {
namespace {

// File > New resets every part it owns, and leaves the buffer record's conditions and the sweep data.
TEST(ProgramStateTest, NewStateResetsTheOtherLayersParts) {
    ProgramState s;
    s.EditConChelator = 7;
    s.BufferRecord.Temperature = 37;
    s.BufferRecord.pKa[1] = 3;
    s.AddNextRun = true;
    s.XAxis.High = 9;
    NewState(s);
    EXPECT_EQ(s.EditConChelator, 1);
    EXPECT_EQ(s.BufferRecord.pKa[1], 7);
    EXPECT_EQ(s.BufferRecord.Temperature, 37);
    EXPECT_FALSE(s.AddNextRun);
    EXPECT_EQ(s.XAxis.High, 9);
    EXPECT_EQ(s.CalcType, CalculationType::Free);
}

TEST(FileNames, ExtensionsAreFoundAfterTheLastSlashOnly) {
    struct Case {
        const char* name;
        const char* ext;
        const char* changed;  // ChangeFileExt(name, ".TXT")
        const char* forced;   // ForceFileExt(name, ".TXT")
    };
    const Case cases[] = {
        {"report.dat", ".dat", "report.TXT", "report.TXT"},
        {"report", "", "report.TXT", "report.TXT"},
        {"report.txt", ".txt", "report.TXT", "report.txt"},  // already the right file
        {"a.b/report", "", "a.b/report.TXT", "a.b/report.TXT"},
        {"/home/u/x.y.z", ".z", "/home/u/x.y.TXT", "/home/u/x.y.TXT"},
        {"dir/.hidden", ".hidden", "dir/.TXT", "dir/.TXT"},
        {"", "", ".TXT", ".TXT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExtractFileExt(c.name), c.ext);
        EXPECT_EQ(ChangeFileExt(c.name, ".TXT"), c.changed);
        EXPECT_EQ(ForceFileExt(c.name, ".TXT"), c.forced);
    }
    EXPECT_EQ(AsciiUpper("work.stg/Ä"), "WORK.STG/Ä");
}

TEST(FileNames, LongPathsAreMadeRelativeOrRefusedButNeverCut) {
    const std::string shortName = "/tmp/" + std::string(70, 'a') + ".TCM";  // 79 bytes
    EXPECT_EQ(FitFileName(shortName), shortName);

    const std::filesystem::path current = std::filesystem::current_path();
    const std::string inside =
        (current / std::string(60, 'b')).string() + "/" + std::string(10, 'c') + ".STG";
    if (inside.size() > 80) {
        EXPECT_EQ(FitFileName(inside), std::string(60, 'b') + "/" + std::string(10, 'c') + ".STG");
    }

    const std::string tooLong = "/" + std::string(200, 'd') + ".STG";
    EXPECT_EQ(FitFileName(tooLong), std::nullopt);
}

TEST(CommandLine, TheFileArgumentIsPickedPastOneSwitch) {
    QTemporaryDir dir;
    const std::string existing = dir.filePath(QStringLiteral("work.STG")).toStdString();
    std::ofstream(existing) << "x";

    struct Case {
        std::vector<std::string> args;
        std::optional<std::string> picked;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{"work.STG"}, "work.STG"},
        {{"work.STG", "other"}, "work.STG"},
        {{"/x"}, std::nullopt},
        {{"/x", "work"}, "work"},
        {{"/x", "/y"}, std::nullopt},
        {{"/x", "a", "b"}, std::nullopt},  // three arguments after a switch: nothing is taken
        {{existing}, existing},            // an absolute path is no switch
        {{"/p", existing}, existing},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PickCommandLineArgument(c.args), c.picked) << ::testing::PrintToString(c.args);
    }
}

TEST(CommandLine, TheExtensionDecidesWhatIsLoadedWhateverItsCase) {
    EXPECT_EQ(ClassifyCommandLineFile("work.STG"), CommandLineFile::Work);
    EXPECT_EQ(ClassifyCommandLineFile("dir/work.stg"), CommandLineFile::Work);
    EXPECT_EQ(ClassifyCommandLineFile("table.ccm"), CommandLineFile::Constants);
    EXPECT_EQ(ClassifyCommandLineFile("dir.x/work"), CommandLineFile::NoExtension);
    EXPECT_EQ(ClassifyCommandLineFile("table.tcm"), CommandLineFile::Ignored);
    EXPECT_EQ(ClassifyCommandLineFile("work.STG.bak"), CommandLineFile::Ignored);
}

}  // namespace
}  // namespace dedodiz
