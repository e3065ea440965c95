// SPDX-License-Identifier: BSD-3-Clause
#include "core/Bmp.h"

#include <string_view>

#include "engine/SafeFile.h"

namespace dedodiz {

namespace {

constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dots per inch

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::uint32_t BmpRowSize(int width) {
    return (3 * static_cast<std::uint32_t>(width) + 3) & ~3U;
}

std::vector<std::uint8_t> EncodeBmp(const ImageView& image) {
    const std::uint32_t width = static_cast<std::uint32_t>(image.width);
    const std::uint32_t height = static_cast<std::uint32_t>(image.height);
    const std::uint32_t rowSize = BmpRowSize(image.width);
    const std::uint32_t dataSize = rowSize * height;

    std::vector<std::uint8_t> out;
    out.reserve(kBmpHeaderSize + dataSize);
    // File header.
    out.push_back('B');
    out.push_back('M');
    Put32(out, kBmpHeaderSize + dataSize);
    Put32(out, 0);  // reserved
    Put32(out, kBmpHeaderSize);
    // BITMAPINFOHEADER; a positive height means bottom-up rows.
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits per pixel
    Put32(out, 0);   // no compression
    Put32(out, dataSize);
    Put32(out, kPixelsPerMetre);
    Put32(out, kPixelsPerMetre);
    Put32(out, 0);  // colours in a palette: none
    Put32(out, 0);  // important colours: all

    const std::uint32_t padding = rowSize - 3 * width;
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t argb = image.At(x, y);
            out.push_back(static_cast<std::uint8_t>(argb & 0xFF));          // blue
            out.push_back(static_cast<std::uint8_t>((argb >> 8) & 0xFF));   // green
            out.push_back(static_cast<std::uint8_t>((argb >> 16) & 0xFF));  // red
        }
        out.insert(out.end(), padding, 0);
    }
    return out;
}

bool SaveBmp(const std::string& path, const ImageView& image, std::string& error) {
    const std::vector<std::uint8_t> bytes = EncodeBmp(image);
    // The bytes as the writer takes them: the same storage seen as char, which the language allows.
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());  // NOLINT
    return WriteFileAtomically(path, text, &error);
}

}  // namespace dedodiz
