#pragma once
// What the file-reader fuzz targets share: the parts of the state that live across runs, a silent message
// sink, and a scratch file in memory-backed storage that holds the bytes under test.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Sinks.h"
#include "State.h"

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
