// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Windows BMP files of the graph: 24 bits per pixel, uncompressed, rows stored bottom-up and
// padded to a multiple of 4 bytes, as every image viewer reads them.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Canvas.h"

namespace dedodiz {

inline constexpr std::uint32_t kBmpHeaderSize = 14 + 40;  // file header and BITMAPINFOHEADER

// Bytes of one stored row of a 24-bit image of the given width.
std::uint32_t BmpRowSize(int width);

// The whole file for image.
std::vector<std::uint8_t> EncodeBmp(const ImageView& image);

// Writes image to path as a BMP file; a file already there is replaced only by a complete new one.
// On failure returns false with the system's text in error.
bool SaveBmp(const std::string& path, const ImageView& image, std::string& error);

}  // namespace dedodiz
