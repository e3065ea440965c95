// SPDX-License-Identifier: BSD-3-Clause
// Any line taken apart value by value: every call shortens the line until nothing is left.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    for (std::size_t guard = 0; !line.empty(); ++guard) {
        const std::size_t before = line.size();
        dedodiz::ParseNextValue(line);
        if (line.size() >= before || guard > size) std::abort();
    }
    return 0;
}
