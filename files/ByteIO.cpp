// SPDX-License-Identifier: BSD-3-Clause
#include "files/ByteIO.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dedodiz::fileio {

namespace {

// The bits of a double and back. std::bit_cast where the library has it; a copy of the bytes (what
// bit_cast does) where it does not, or where DEDODIZ_FORCE_FALLBACKS asks the tests to prove the copy.
#if defined(__cpp_lib_bit_cast) && !defined(DEDODIZ_FORCE_FALLBACKS)
std::uint64_t BitsOf(double value) {
    return std::bit_cast<std::uint64_t>(value);
}
double DoubleOf(std::uint64_t bits) {
    return std::bit_cast<double>(bits);
}
#else
static_assert(sizeof(double) == sizeof(std::uint64_t));
std::uint64_t BitsOf(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
double DoubleOf(std::uint64_t bits) {
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
#endif

unsigned Byte(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

bool IsContinuation(unsigned b) {
    return (b & 0xC0U) == 0x80U;
}

}  // namespace

std::string_view CutText(std::string_view text, std::size_t n) {
    if (text.size() <= n) return text;
    if (!IsContinuation(Byte(text, n))) return text.substr(0, n);
    // The first dropped byte continues a character: find where that character starts (at most three
    // bytes back) and drop it whole if its lead byte says it runs past the cut.
    for (std::size_t i = n; i > 0 && n - i < 3;) {
        --i;
        const unsigned b = Byte(text, i);
        if (IsContinuation(b)) continue;
        if (b >= 0xC0U) {
            const std::size_t length = b >= 0xF0U ? 4 : b >= 0xE0U ? 3 : 2;
            if (i + length > n) return text.substr(0, i);
        }
        break;
    }
    return text.substr(0, n);
}

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFFU));
    out.push_back(static_cast<char>(value >> 8U));
}

void PutDouble(std::string& out, double value) {
    auto bits = BitsOf(value);
    for (int i = 0; i < 8; ++i, bits >>= 8U) out.push_back(static_cast<char>(bits & 0xFFU));
}

void PutShortString(std::string& out, std::string_view text, std::size_t capacity) {
    const std::string_view cut = CutText(text, capacity);
    out.push_back(static_cast<char>(cut.size()));
    out.append(cut);
    out.append(capacity - cut.size(), '\0');
}

std::uint16_t GetU16(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(Byte(bytes, offset) | (Byte(bytes, offset + 1) << 8U));
}

double GetDouble(const std::string& bytes, std::size_t offset) {
    std::uint64_t bits = 0;
    for (std::size_t i = 8; i-- > 0;) bits = (bits << 8U) | Byte(bytes, offset + i);
    return DoubleOf(bits);
}

std::string GetShortString(const std::string& bytes, std::size_t offset, std::size_t capacity) {
    const std::size_t length = std::min<std::size_t>(Byte(bytes, offset), capacity);
    return bytes.substr(offset + 1, length);
}

}  // namespace dedodiz::fileio
