// SPDX-License-Identifier: BSD-3-Clause
// Writes data/buffers.bcm, the twelve common laboratory pH buffers shipped with the program
// (run from the repository root). Thermodynamic pKa values (I = 0) at 25 C with their temperature
// coefficients, from Goldberg, Kishore & Lennen, J. Phys. Chem. Ref. Data 31 (2002) 231.
#include <cstdio>

#include "buffers/BufferFile.h"
#include "buffers/BufferModel.h"

namespace {

struct Buffer {
    const char* name;
    double pKa[3];
    double dpKa[3];  // [pKa units per C]
    bool anionic;
    const char* comments;
};

// Anionic: the deprotonated forms carry the charge (Good buffers, phosphate, glycylglycine);
// cationic: the protonated forms do (the amines Tris, imidazole, Bis-Tris). The file carries three
// decimals, so a coefficient below 0.0005 is written as 0.
constexpr Buffer kBuffers[] = {
    {"HEPES", {7.564, 0, 0}, {-0.0120, 0, 0}, true, "Goldberg 2002"},
    {"MOPS", {7.184, 0, 0}, {-0.0124, 0, 0}, true, "Goldberg 2002"},
    {"PIPES", {7.141, 0, 0}, {-0.0066, 0, 0}, true, "pKa 2.7 left out"},
    {"MES", {6.270, 0, 0}, {-0.0087, 0, 0}, true, "Goldberg 2002"},
    {"TES", {7.550, 0, 0}, {-0.0189, 0, 0}, true, "Goldberg 2002"},
    {"BES", {7.187, 0, 0}, {-0.0148, 0, 0}, true, "Goldberg 2002"},
    {"Tricine", {8.135, 2.023, 0}, {-0.0184, -0.0014, 0}, true, "pKa2 uncertain"},
    {"Tris", {8.072, 0, 0}, {-0.0279, 0, 0}, false, "Goldberg 2002"},
    {"Imidazole", {6.993, 0, 0}, {-0.0215, 0, 0}, false, "Goldberg 2002"},
    {"Phosphate", {12.350, 7.198, 2.148}, {-0.0094, -0.0021, 0.0047}, true, "Goldberg 2002"},
    {"Bis-Tris", {6.484, 0, 0}, {-0.0167, 0, 0}, false, "Goldberg 2002"},
    {"Glycylglycine", {8.265, 3.140, 0}, {-0.0255, 0, 0}, true, "Goldberg 2002"},  // dpKa2 -0.0001
};

struct StderrMessages : dedodiz::MessageSink {
    void Message(std::string_view text, std::string_view caption) override {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace dedodiz;
    BufferTool s;
    ResetBufferSlotsForLoad(s);
    int slot = 1;
    for (const Buffer& b : kBuffers) {
        TBufferSlot& out = s.BufferSlots[slot++];
        out.Name = b.name;
        for (int k = 1; k <= 3; ++k) {
            out.pKa[k] = b.pKa[k - 1];
            out.dpKa[k] = b.dpKa[k - 1];
            out.ipKa[k] = 0;  // thermodynamic
            out.temperature[k] = 25;
        }
        out.anionic = b.anionic;
        out.comments = b.comments;
    }
    StderrMessages messages;
    return WriteBufferFile(s, argc > 1 ? argv[1] : "data/buffers.bcm", messages) ? 0 : 1;
}
