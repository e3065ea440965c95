// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli end to end, run from the repository root as a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "CliRunner.h"
#include "Golden.h"

namespace {

using Result = dedodiz::test::CliResult;
using dedodiz::test::ReadWholeFile;

Result Cli(const std::string& arguments) {
    return dedodiz::test::RunCli(arguments);
}

TEST(CliTest, UsageErrors) {
    EXPECT_EQ(Cli("").status, 2);
    EXPECT_EQ(Cli("frobnicate").status, 2);
    EXPECT_EQ(Cli("run").status, 2);
    EXPECT_EQ(Cli("run --constants data/standard.TCM --chelator NOSUCH=1e-3 --metal Ca2=1e-3").status, 2);
    EXPECT_EQ(Cli("run --constants data/standard.TCM --chelator EGTA=abc --metal Ca2=1e-3").status, 2);
    const Result r =
        Cli("run --constants data/standard.TCM --type chelator --chelator EGTA --metal Ca2=1e-3");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("TOTAL:FREE"), std::string::npos);
}

TEST(CliTest, HelpOnEveryCommand) {
    for (const char* command : {"--help", "run --help", "convert --help"}) {
        const Result r = Cli(command);
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << command;
    }
}

TEST(CliTest, RunFromCommandLineMatchesGolden) {
    const Result r =
        Cli("run --constants data/standard.TCM --type free --ph 7.2 --chelator EGTA=2e-3 --metal Ca2=1e-3 "
            "--metal Mg2=1e-3 --precision described");
    EXPECT_EQ(r.status, 0) << r.err;
    dedodiz::test::ExpectGolden("cli/run-egta-ca-mg.txt", r.out);
}

TEST(CliTest, RunWorkFilesOfEveryType) {
    for (const char* name : {"ca-egta-free", "bapta-total", "egta-chelator"}) {
        const Result r = Cli(std::string("run examples/") + name + ".STG --precision described");
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
        dedodiz::test::ExpectGolden(std::string("cli/") + name + ".txt", r.out);
    }
}

TEST(CliTest, WarningsGoToStderrAndStillReport) {
    const Result r = Cli("run --constants data/standard.TCM --ph 3 --chelator EGTA=2e-3 --metal Ca2=1e-3");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("WARNING: pH out of range, results probably not valid\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("DEDODIZ32 v2.50 using data/standard.TCM"), std::string::npos);
}

TEST(CliTest, ErrorsWriteNoReport) {
    Result r = Cli("run examples/no-such-file.STG");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: File does not exist No such file or directory: examples/no-such-file.STG\n");
    EXPECT_TRUE(r.out.empty());

    r = Cli("run --constants data/standard.TCM --ionic 0 --chelator EGTA=2e-3 --metal Ca2=1e-3");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;
    EXPECT_TRUE(r.out.empty());

    r = Cli("run --constants no-such.TCM --chelator EGTA=2e-3 --metal Ca2=1e-3");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Cannot Load Constants File No such file or directory: no-such.TCM\n");

    r = Cli("run --constants data/standard.TCM --type chelator --chelator EGTA --metal Ca2=1e-6:1e-3");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Total metal cannot be < free metal\n");
}

TEST(CliTest, ConvertRoundTrip) {
    const std::string dir = testing::TempDir();
    const std::string binary = dir + "converted.CCM", text = dir + "converted.TCM";
    ASSERT_EQ(Cli("convert data/standard.TCM " + binary).status, 0);
    EXPECT_EQ(std::filesystem::file_size(binary), 12u * 585u);
    ASSERT_EQ(Cli("convert " + binary + " " + text).status, 0);
    EXPECT_EQ(ReadWholeFile(text), ReadWholeFile("data/standard.TCM"));

    const Result r = Cli("convert data/standard.TCM " + dir + "converted.XYZ");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "INFORMATION: Did not save file\ndedodiz32-cli: the name must end in .TCM or .CCM: " +
                         dir + "converted.XYZ\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "converted.XYZ"));
}

// From a folder that holds no data, a work file still finds the constants file it names (beside the
// work file or in the bundled data folder), and a run without --constants uses the bundled table.
TEST(CliTest, DataFilesAreFoundFromAnyFolder) {
    const std::string elsewhere = testing::TempDir();
    const std::string source = DEDODIZ_SOURCE_DIR;
    const Result fromElsewhere =
        Cli("run " + source + "/examples/ca-egta-free.STG --format csv && cd " + elsewhere + " && " +
            DEDODIZ_CLI + " run " + source + "/examples/ca-egta-free.STG --format csv");
    EXPECT_EQ(fromElsewhere.status, 0) << fromElsewhere.err;
    // The same numbers twice: once from the source tree, once from the temporary folder.
    const std::string csv = fromElsewhere.out;
    ASSERT_EQ(csv.size() % 2, 0u);
    EXPECT_EQ(csv.substr(0, csv.size() / 2), csv.substr(csv.size() / 2));

    const std::string solution = " --ph 7.2 --chelator EGTA=2e-3 --metal Ca2=1e-3 --format csv";
    const Result bundled = Cli("run" + solution);
    const Result given = Cli("run --constants data/standard.TCM" + solution);
    EXPECT_EQ(bundled.status, 0) << bundled.err;
    EXPECT_EQ(bundled.out, given.out);
    EXPECT_EQ(Cli("run").status, 2);  // nothing to run
}

}  // namespace
