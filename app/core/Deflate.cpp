// SPDX-License-Identifier: BSD-3-Clause
#include "core/Deflate.h"

#include <array>
#include <cstddef>

namespace dedodiz {

namespace {

// Bits in the order deflate reads them: the first bit is the lowest of the first byte.
class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Bits(std::uint32_t value, int count) {
        for (int k = 0; k < count; ++k) Bit((value >> static_cast<unsigned>(k)) & 1U);
    }

    // A Huffman code goes out from its highest bit.
    void Code(std::uint32_t code, int length) {
        for (int k = length - 1; k >= 0; --k) Bit((code >> static_cast<unsigned>(k)) & 1U);
    }

    void Flush() {
        if (filled_ > 0) out_.push_back(byte_);
        byte_ = 0;
        filled_ = 0;
    }

  private:
    void Bit(std::uint32_t bit) {
        byte_ = static_cast<std::uint8_t>(byte_ | (bit << static_cast<unsigned>(filled_)));
        if (++filled_ == 8) Flush();
    }

    std::vector<std::uint8_t>& out_;
    std::uint8_t byte_ = 0;
    int filled_ = 0;
};

// The fixed code of a literal (0..255), the end of the block (256) or a length code (257..285).
void Symbol(BitWriter& bits, int symbol) {
    const auto s = static_cast<std::uint32_t>(symbol);
    if (symbol < 144)
        bits.Code(0x30U + s, 8);
    else if (symbol < 256)
        bits.Code(0x190U + s - 144U, 9);
    else if (symbol < 280)
        bits.Code(s - 256U, 7);
    else
        bits.Code(0xC0U + s - 280U, 8);
}

// A match of length 3..258 at distance 1.
void Match(BitWriter& bits, int length) {
    static constexpr std::array<int, 29> kBase{3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                               15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                               67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr std::array<int, 29> kExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    std::size_t code = kBase.size() - 1;
    while (kBase.at(code) > length) --code;
    Symbol(bits, 257 + static_cast<int>(code));
    bits.Bits(static_cast<std::uint32_t>(length - kBase.at(code)), kExtra.at(code));
    bits.Code(0, 5);  // distance code 0: distance 1
}

}  // namespace

std::vector<std::uint8_t> ZlibOfRuns(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out{0x78, 0x01};
    BitWriter bits(out);
    bits.Bits(1, 1);  // the last block
    bits.Bits(1, 2);  // of the fixed codes
    const std::size_t n = data.size();
    for (std::size_t at = 0; at < n;) {
        std::size_t run = 0;
        if (at > 0)
            while (at + run < n && run < 258 && data[at + run] == data[at - 1]) ++run;
        if (run >= 3) {
            Match(bits, static_cast<int>(run));
            at += run;
        } else {
            Symbol(bits, data[at]);
            ++at;
        }
    }
    Symbol(bits, 256);
    bits.Flush();
    std::uint32_t s1 = 1, s2 = 0;
    for (const std::uint8_t b : data) {
        s1 = (s1 + b) % 65521U;
        s2 = (s2 + s1) % 65521U;
    }
    const std::uint32_t adler = (s2 << 16U) | s1;
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(adler >> shift));
    return out;
}

}  // namespace dedodiz
