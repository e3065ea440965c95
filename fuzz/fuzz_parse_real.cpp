// SPDX-License-Identifier: BSD-3-Clause
// Any text typed into a numeric field: a value comes back only for a complete decimal number, and
// that value survives the fixed and scientific texts the dialogs show.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/Format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = dedodiz::ParseReal(text);
    if (!value) return 0;
    if (std::isnan(*value) || std::isinf(*value)) std::abort();
    if (text.find_first_of("0123456789") == std::string_view::npos) std::abort();
    const auto again = dedodiz::ParseReal(dedodiz::FormatSciLong(*value));
    if (!again) std::abort();
    (void)dedodiz::FormatFixed(*value, 6, 3);
    return 0;
}
