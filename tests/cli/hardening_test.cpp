// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32-cli given what a careless or hostile caller gives it: numbers of every odd form, negative
// concentrations, repeated options, pipes in place of files, a work file naming no constants file, and
// a file-size limit that stops a save half-way. Every one ends with a clear message and the exit status
// the contract gives; nothing hangs and no file is lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <string>

#include "CliRunner.h"
#include "Scratch.h"

namespace {

using Result = dedodiz::test::CliResult;
using dedodiz::test::ReadWholeFile;
using dedodiz::test::RunCli;

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A copy of an example work file that names another constants file.
std::string WorkNaming(const dedodiz::test::TempDir& dir, const std::string& name, std::size_t length) {
    std::string record = ReadWholeFile("examples/ca-egta-free.STG");
    record.replace(0, 81, std::string(81, '\0'));
    record[0] = static_cast<char>(length);
    record.replace(1, name.size(), name);
    Write(dir / "work.STG", record);
    return dir / "work.STG";
}

TEST(CliHardening, EveryNumberIsReadOneWayAndOddInputIsAUsageError) {
    const std::string solution = " --chelator EGTA=2e-3 --metal Ca2=1e-3";
    const std::string sweep = "sweep examples/ca-egta-free.STG --x ph:6:8";
    const std::string cases[] = {
        "run --ph nan" + solution,
        "run --ph inf" + solution,
        "run --ph 0x1p3" + solution,
        "run --ph ''" + solution,
        "run --temp 1e999" + solution,
        "run --ionic ' 0.1 '" + solution,
        "run --metal Ca2=-1e-3 --chelator EGTA=2e-3",
        "run --type total --chelator EGTA=2e-3 --metal Ca2=-1e-9",
        "run --type chelator --chelator EGTA --metal Ca2=1e-3:-1e-7",
        "run --chelator EGTA= --metal Ca2=1e-3",
        "run --chelator EGTA=2e-3 --metal Ca2=",
        "run --ph 7 --ph 8" + solution,
        "run --type free --type total" + solution,
        "buffers data/buffers.bcm --temp nan",
        "buffers data/buffers.bcm --ionic ''",
        "buffers data/buffers.bcm --temp 20 --temp 37",
        sweep + " --bmp ''",
        sweep + " --x ph:7:8",
        "sweep examples/ca-egta-free.STG --x metal1:-1e-3:1e-3",
        "sweep examples/ca-egta-free.STG --x ph:6:nan",
    };
    for (const std::string& arguments : cases) {
        const Result r = RunCli(arguments);
        EXPECT_EQ(r.status, 2) << arguments << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << arguments;
        EXPECT_NE(r.err.find("usage: dedodiz32-cli"), std::string::npos) << arguments;
    }
    const Result point = RunCli("run --ph 7.20 --temp 22.5" + solution);
    EXPECT_EQ(point.status, 0);
    // A decimal comma reads as the point it stands for, as in the windows and the page.
    EXPECT_EQ(RunCli("run --ph 7,20 --temp 22,5" + solution).out, point.out);
    EXPECT_EQ(RunCli("run --ph 7,2,0" + solution).status, 2);
    EXPECT_NE(RunCli("buffers --help").out.find("do not depend on it"), std::string::npos);
}

// A pipe in place of a work or buffer file is refused at once (the timeout would end a hang with 124).
TEST(CliHardening, PipesInPlaceOfFilesAreRefused) {
    dedodiz::test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.STG").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.bcm").c_str(), 0644), 0);
    const std::string work =
        "ERROR: Cannot Load Work Settings, File Error Not a regular file (a pipe): " + dir / "pipe.STG" +
        "\n";
    const std::pair<std::string, std::string> cases[] = {
        {"run " + dir / "pipe.STG", work},
        {"evaluate " + dir / "pipe.STG", work},
        {"sweep " + dir / "pipe.STG --x ph:6:8", work},
        {"buffers " + dir / "pipe.bcm",
         "ERROR: Could not open pH buffer file Not a regular file (a pipe): " + dir / "pipe.bcm" + "\n"},
    };
    for (const auto& [arguments, err] : cases) {
        const Result r = RunCli(arguments, "timeout 20 ");
        EXPECT_EQ(r.status, 1) << arguments;
        EXPECT_EQ(r.err, err);
        EXPECT_TRUE(r.out.empty());
    }
}

// A command that showed an ERROR never exits 0 and prints no report: a work file whose constants name is
// padded with NUL bytes, or that chooses a metal the table gives no valence.
TEST(CliHardening, AnErrorIsNeverReportedAsSuccess) {
    dedodiz::test::TempDir dir;
    const std::string table = std::string(DEDODIZ_SOURCE_DIR) + "/data/standard.TCM";
    Result r = RunCli("run " + WorkNaming(dir, table, 80));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err.rfind("ERROR: Cannot Load Constants File the constants file name in the work file holds "
                          "control bytes: \"" +
                              table + "???",
                          0),
              0U)
        << r.err;

    std::string text = ReadWholeFile(table);
    text.replace(text.find("#Ca2,"), 5, "#CaX,");  // metal 1, chosen in the example, loses its valence
    Write(dir / "valence.TCM", text);
    r = RunCli("run " + WorkNaming(dir, dir / "valence.TCM", (dir / "valence.TCM").size()));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("ERROR: Metal 1 \"CaX\" has no valence digit"), std::string::npos) << r.err;
}

// Under a file-size limit the save fails with its reason instead of killing the tool; the old file stays
// and no temporary is left (dash counts ulimit -f in blocks of 512 bytes).
TEST(CliHardening, AFileSizeLimitFailsTheSaveAndKeepsTheOldFile) {
    dedodiz::test::TempDir dir;
    Write(dir / "out.TCM", "old table");
    const Result r = RunCli("convert data/standard.TCM " + dir / "out.TCM", "ulimit -f 4; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File too large: " + dir / "out.TCM"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("ERROR: Cannot save constants file " + dir / "out.TCM" + " File too large"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadWholeFile(dir / "out.TCM"), "old table");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.TCM"});
}

// The tool run with its stdout on fd (closed when fd < 0) and SIGPIPE ignored or not: the raw wait
// status, and stderr.
std::pair<int, std::string> RunWithStdout(int fd, bool ignorePipe, const std::string& errPath,
                                          std::vector<std::string> args) {
    args.insert(args.begin(), DEDODIZ_CLI);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        if (fd < 0) {
            ::close(1);
        } else {
            ::dup2(fd, 1);
        }
        std::signal(SIGPIPE, ignorePipe ? SIG_IGN : SIG_DFL);  // kept across exec
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {status, ReadWholeFile(errPath)};
}

// Exit status 0 means that the report was written. A full disk, a closed stdout and a reader that went
// away with SIGPIPE ignored each fail with the reason; with SIGPIPE as the shell leaves it the signal
// ends the tool, which is what `... | head` expects.
TEST(CliHardening, AnOutputThatCannotBeWrittenIsAFailure) {
    dedodiz::test::TempDir dir;
    const std::vector<std::string> commands[] = {
        {"run", "examples/ca-egta-free.STG"},
        {"list", "data/standard.TCM", "--format", "csv"},
        {"--help"},
    };
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // no reader
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    const std::pair<int, const char*> outputs[] = {
        {full, "No space left on device"}, {-1, "Bad file descriptor"}, {pipeEnds[1], "Broken pipe"}};
    for (const auto& args : commands) {
        for (const auto& [fd, reason] : outputs) {
            const auto [status, err] = RunWithStdout(fd, true, dir / "err.txt", args);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << args[0] << " " << reason;
            EXPECT_NE(err.find(std::string("dedodiz32-cli: cannot write the output to stdout: ") + reason),
                      std::string::npos)
                << err;
        }
        const int status = RunWithStdout(pipeEnds[1], false, dir / "err.txt", args).first;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << args[0];
    }
    ::close(full);
    ::close(pipeEnds[1]);
}

}  // namespace
