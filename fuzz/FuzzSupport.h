// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// What the file-reader fuzz targets share: the parts of the state that live across runs, a silent message
// sink, and a scratch file in memory-backed storage that holds the bytes under test.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz::fuzz {

struct SilentMessages : MessageSink {
    void Message(std::string_view, std::string_view) override {}
};

// A scratch file whose name ends in the given extension; the extension selects the reader's kind.
inline std::string ScratchFile(const char* extension, const std::uint8_t* data, std::size_t size) {
    const std::string name = "/dev/shm/dedodiz-fuzz-" + std::to_string(getpid()) + extension;
    if (FILE* f = std::fopen(name.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return name;
}

// True when text holds a byte that would break a report's layout (0x00..0x1F, 0x7F).
inline bool HasControlBytes(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// True when a name or comment of the table holds such a byte.
inline bool TableHasControlBytes(const ConstantsTable& table) {
    for (const TChelatorRec& rec : table.Constants) {
        if (HasControlBytes(rec.Name.view())) return true;
        for (int m = 1; m <= kTableMetals; ++m)
            if (HasControlBytes(rec.MetalName[m].view()) || HasControlBytes(rec.Comment[m].view()))
                return true;
    }
    return false;
}

// The table, selection and calculation that the readers fill, reset as File > New leaves them.
struct Parts {
    ConstantsTable table;
    Selection selection;
    Calculation calc;
};

inline Parts& FreshState() {
    static Parts s;
    NewCalculation(s.table, s.selection, s.calc);
    return s;
}

}  // namespace dedodiz::fuzz
