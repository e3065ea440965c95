// SPDX-License-Identifier: BSD-3-Clause
// The writers that sit above the files library keep the user's previous file when a save fails: a
// folder that does not exist, and a disk that fills half-way through the write.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "Recorders.h"
#include "Scratch.h"
#include "TestState.h"
#include "buffers/BufferFile.h"
#include "buffers/BufferModel.h"
#include "core/Bmp.h"
#include "core/Canvas.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool, SweepState>;
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(NoDataLost, BufferFile) {
    test::TempDir dir;
    auto s = std::make_unique<TestState>();
    NewState(*s);
    ResetBufferSlotsForWindow(*s);
    s->BufferSlots[1].Name = "HEPES";
    s->BufferSlots[1].pKa[1] = 7.55;
    const std::string target = dir / "lab.bcm";
    WriteAll(target, "%the previous file\r\n");

    test::MessageRecorder messages;
    EXPECT_FALSE(WriteBufferFile(*s, dir / "missing/lab.bcm", messages));
    EXPECT_EQ(messages.Headlines().at(0).first, "Cannot save buffer to file!");

    const int status = test::RunWithFileSizeLimit(100, [&] {
        test::MessageRecorder child;
        const bool written = WriteBufferFile(*s, target, child);
        return !written && child.messages.size() == 1 ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(target), "%the previous file\r\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"lab.bcm"});  // no temporary left behind

    EXPECT_TRUE(WriteBufferFile(*s, target, messages));
    EXPECT_NE(ReadAll(target).find("HEPES,"), std::string::npos);
}

TEST(NoDataLost, Bitmap) {
    test::TempDir dir;
    std::vector<std::uint32_t> pixels(633 * 433, 0xFFFFFFu);
    const ImageView image{633, 433, pixels.data(), 633};
    const std::string target = dir / "graph.BMP";
    WriteAll(target, "old picture");

    std::string error;
    EXPECT_FALSE(SaveBmp(dir / "missing/graph.BMP", image, error));
    EXPECT_FALSE(error.empty());

    const int status = test::RunWithFileSizeLimit(4096, [&] {
        std::string childError;
        return !SaveBmp(target, image, childError) && !childError.empty() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(target), "old picture");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"graph.BMP"});
}

}  // namespace
}  // namespace dedodiz
