// SPDX-License-Identifier: BSD-3-Clause
// The bitmap writer byte by byte, and the Qt image canvas plugin drawing a whole graph into a file
// that decodes to the expected picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "TestState.h"
#include "core/Bmp.h"
#include "core/Graph.h"
#include "core/Sweep.h"
#include "qtcanvas/CanvasLoader.h"

namespace dedodiz {
using TestState = test::Parts<BufferTool, SweepState>;
namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t Read16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}

// A minimal reader of 24-bit bottom-up BMP files, independent of the writer.
struct DecodedBmp {
    std::vector<std::uint8_t> bytes;
    int width = 0;
    int height = 0;

    explicit DecodedBmp(std::vector<std::uint8_t> file) : bytes(std::move(file)) {
        width = static_cast<int>(Read32(bytes, 18));
        height = static_cast<int>(Read32(bytes, 22));
    }
    [[nodiscard]] Rgb At(int x, int y) const {
        const std::size_t row = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
        const std::size_t at = Read32(bytes, 10) + row * static_cast<std::size_t>(height - 1 - y) + 3 * x;
        return {bytes[at + 2], bytes[at + 1], bytes[at]};
    }
};

[[maybe_unused]] std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Bmp, HeaderAndRowsOfASmallImage) {
    const std::uint32_t pixels[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,   // top row: red, green, blue
                                    0xFFFFFFFF, 0xFF000000, 0x00123456};  // bottom row
    const std::vector<std::uint8_t> file = EncodeBmp({3, 2, pixels, 3});
    ASSERT_EQ(file.size(), 54U + 2 * 12);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Read32(file, 2), 78U);   // file size
    EXPECT_EQ(Read32(file, 10), 54U);  // pixel data offset
    EXPECT_EQ(Read32(file, 14), 40U);  // BITMAPINFOHEADER
    EXPECT_EQ(Read32(file, 18), 3U);
    EXPECT_EQ(Read32(file, 22), 2U);  // positive: bottom-up
    EXPECT_EQ(Read16(file, 26), 1U);
    EXPECT_EQ(Read16(file, 28), 24U);
    EXPECT_EQ(Read32(file, 30), 0U);
    EXPECT_EQ(Read32(file, 34), 24U);
    const std::vector<std::uint8_t> data(file.begin() + 54, file.end());
    const std::vector<std::uint8_t> expected = {
        0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x56, 0x34, 0x12, 0, 0, 0,  // bottom row first, blue green red
        0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,  // then the top row
    };
    EXPECT_EQ(data, expected);
}

TEST(Bmp, GraphSizeAndSaving) {
    std::vector<std::uint32_t> white(static_cast<std::size_t>(kGraphWidth) * kGraphHeight, 0xFFFFFFFF);
    const ImageView image{kGraphWidth, kGraphHeight, white.data(), kGraphWidth};
    EXPECT_EQ(BmpRowSize(kGraphWidth), 1900U);
    EXPECT_EQ(EncodeBmp(image).size(), 822754U);

    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "dedodiz_bmp_test";
    std::filesystem::create_directories(dir);
    std::string error;
    ASSERT_TRUE(SaveBmp((dir / "graph.BMP").string(), image, error)) << error;
    EXPECT_EQ(std::filesystem::file_size(dir / "graph.BMP"), 822754U);

    EXPECT_FALSE(SaveBmp((dir / "missing" / "graph.BMP").string(), image, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    std::filesystem::remove_all(dir);
}

TEST(QtCanvasPlugin, MissingPluginIsReported) {
    std::string error;
    EXPECT_EQ(LoadImageCanvasFrom("/nonexistent/libdedodiz_qtcanvas.so", error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(QtCanvasPlugin, DrawsAGraphThatDecodes) {
#ifndef DEDODIZ_QTCANVAS_PATH
    GTEST_SKIP() << "built without Qt";
#else
    std::string error;
    std::unique_ptr<ImageCanvas> canvas = LoadImageCanvasFrom(DEDODIZ_QTCANVAS_PATH, error);
    ASSERT_NE(canvas, nullptr) << error;

    // Type Free over temperature: free Ca rising to the top, free Mg flat at 100 %.
    auto s = std::make_unique<TestState>();
    NewState(*s);
    ResetSweepData(*s);
    s->SweepMode = SweepKind::Free2D;
    s->XStart = 10;
    s->XStep = 0.5;
    s->StartChelName[1] = "EGTA";
    s->StartChelTotal[1] = 2e-3;
    s->StartMetalName[1] = "Ca2";
    s->StartMetalName[2] = "Mg2";
    s->StartMetalTotal[1] = 1e-3;
    s->StartMetalTotal[2] = 5e-4;
    for (int i = 1; i <= kSweepPoints2D; ++i) {
        s->Sweep2D[1][i] = 1e-7 * i;
        s->Sweep2D[2][i] = 2e-4;
        s->Converged2D[i] = i != 41;
    }
    DrawGraph(*s, *canvas);

    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "dedodiz_plugin_test";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(SaveBmp((dir / "graph.BMP").string(), canvas->Pixels(), error)) << error;
    const DecodedBmp bmp(ReadFile(dir / "graph.BMP"));
    std::filesystem::remove_all(dir);
    ASSERT_EQ(bmp.bytes.size(), 822754U);
    EXPECT_EQ(bmp.width, 633);
    EXPECT_EQ(bmp.height, 433);

    constexpr Rgb red{255, 0, 0}, lime{0, 255, 0};
    EXPECT_EQ(bmp.At(15, 315), red);    // first point of the Ca curve
    EXPECT_EQ(bmp.At(22, 310), red);    // second point
    EXPECT_EQ(bmp.At(150, 120), lime);  // the flat Mg curve over the top of the frame
    EXPECT_EQ(bmp.At(357, 212), red);   // swatches
    EXPECT_EQ(bmp.At(357, 232), lime);
    EXPECT_EQ(bmp.At(295, 250), kBlack);  // right side of the frame
    EXPECT_EQ(bmp.At(14, 140), kBlack);   // a tick
    EXPECT_EQ(bmp.At(620, 10), kWhite);
    EXPECT_EQ(bmp.At(200, 250), kWhite);  // inside the plot, away from the curves

    const auto blackIn = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += bmp.At(x, y) == kBlack ? 1 : 0;
        return n;
    };
    EXPECT_GT(blackIn(10, 380, 300, 396), 50);  // the validity line is written
    EXPECT_GT(blackIn(291, 316, 299, 328), 0);  // the "*" of the failed last point
    EXPECT_EQ(blackIn(400, 0, 633, 29), 0);     // nothing above the conditions line
#endif
}

}  // namespace
}  // namespace dedodiz
