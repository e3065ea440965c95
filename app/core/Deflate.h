// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A zlib stream small enough for the program's plots without a compression library: one block of the
// fixed Huffman codes in which every run of a repeated byte is a match at distance 1. A plot's rows,
// filtered as a PNG filters them, are mostly such runs (a 1 MB picture becomes a few kB).

#include <cstdint>
#include <vector>

namespace dedodiz {

// The zlib stream (header, deflate data, Adler-32) that inflates to data.
std::vector<std::uint8_t> ZlibOfRuns(const std::vector<std::uint8_t>& data);

}  // namespace dedodiz
