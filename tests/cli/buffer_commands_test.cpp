// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli buffers, evaluate and list end to end, run from the repository root.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "CliRunner.h"
#include "Golden.h"

namespace {

using Result = dedodiz::test::CliResult;

Result Cli(const std::string& arguments) {
    return dedodiz::test::RunCli(arguments);
}

TEST(BufferCommandsTest, ReportsMatchGolden) {
    const char* cases[][2] = {
        {"buffers data/buffers.bcm", "buffers/cli-buffers-default.txt"},
        {"buffers data/buffers.bcm --temp 37 --ph 7.4 --ionic 0.15", "buffers/cli-buffers-37C.txt"},
        {"evaluate examples/ca-egta-free.STG", "buffers/cli-evaluate-ca-egta.txt"},
    };
    for (const auto& c : cases) {
        const Result r = Cli(c[0]);
        EXPECT_EQ(r.status, 0) << c[0] << ": " << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        dedodiz::test::ExpectGolden(c[1], r.out);
    }
}

TEST(BufferCommandsTest, ListsTheStoredConstants) {
    const Result r = Cli("list data/standard.TCM");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 15), "Chelator: EGTA\n");
    EXPECT_NE(r.out.find("Ca2    10.970    -8.100     5.300     0.000    M&S crit. 20C\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("Chelator: TPEN  +\n"), std::string::npos);
}

TEST(BufferCommandsTest, ErrorsAndUsage) {
    const struct {
        const char* arguments;
        int status;
        const char* err;  // nullptr: not checked
    } cases[] = {
        {"buffers data/buffers.bcm --ionic 0", 1, nullptr},  // the thermodynamic pKa take log I
        {"buffers no-such.bcm", 1,
         "ERROR: Could not open pH buffer file No such file or directory: no-such.bcm\n"},
        {"evaluate examples/no-such.STG", 1,
         "ERROR: File does not exist No such file or directory: examples/no-such.STG\n"},
        {"list no-such.TCM", 1, "ERROR: Cannot Load Constants File No such file or directory: no-such.TCM\n"},
        {"list data/buffers.bcm", 1, "ERROR: Not a constants file name (.TCM or .CCM): data/buffers.bcm\n"},
        {"buffers", 2, nullptr},
        {"buffers data/buffers.bcm --ph seven", 2, nullptr},
        {"evaluate", 2, nullptr},
        {"list", 2, nullptr},
    };
    for (const auto& c : cases) {
        const Result r = Cli(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << c.arguments;
        if (c.err != nullptr) {
            EXPECT_EQ(r.err, c.err) << c.arguments;
        } else if (c.status == 1) {
            EXPECT_EQ(r.err.rfind("ERROR: FLOATING POINT ERROR", 0), 0u) << r.err;
        }
    }
    for (const char* command : {"buffers --help", "evaluate --help", "list --help"})
        EXPECT_EQ(Cli(command).status, 0) << command;
}

}  // namespace
