// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The pH buffer calculator's model: the twelve stored buffers, the calculator's working record, and the
// correction of a buffer's pKa values to the present temperature and ionic strength.
//
// Each pKa is stored with its own measuring conditions (temperature[k] [C], ipKa[k] [N]) and two
// coefficients, dpKa[k] [pKa units per C] and dipKa[k] [pKa units per N]. A pKa measured at
// ipKa <= 0.001 N is taken as thermodynamic and brought to the ionic strength by the Debye-Hückel
// term of the constants table; any other one by its linear coefficient.

#include <cstdint>

#include "engine/FixedArray.h"
#include "engine/State.h"

namespace dedodiz {

// pH buffer calculator: one stored buffer.
struct TBufferSlot {
    BufferName Name;
    OneBased<double, 3> pKa;          // highest first; a value <= 0 means the step does not exist
    OneBased<double, 3> dpKa;         // [pKa units per C]
    OneBased<double, 3> ipKa;         // [N] ionic strength at which each pKa was measured
    OneBased<double, 3> dipKa;        // [pKa units per N]
    OneBased<double, 3> temperature;  // [C] temperature at which each pKa was measured
    bool anionic = true;              // false: cationic buffer
    CommentText comments;
};

// pH buffer calculator: its single working record.
struct TBufferRecord {
    double Temperature = 0;  // [C]
    double PH = 0;
    double Ionic = 0;              // [N]
    std::uint16_t BufferType = 0;  // 0 anionic, 1 cationic
    std::uint16_t SaltForm = 0;    // 0 free, 1 mono, 2 di, 3 tri
    OneBased<double, 3> pKa;
    OneBased<double, 3> pKaTemperature;  // [C]
    OneBased<double, 3> dpKa;            // [pKa units per C]
    double BufferAmount = 0;             // [mol/L]
    double IonicContribution = 0;        // [N]
};

// The buffer tool's part of the program state: the stored buffers, the working record and the file.
struct BufferTool {
    OneBased<TBufferSlot, 12> BufferSlots;
    TBufferRecord BufferRecord;
    bool BufferModified = false;
    FileName BufferFileName;
    bool BufferLoaded = false;
};

inline constexpr int kBufferSlots = 12;
inline constexpr double kThermodynamicIonic = 0.001;  // [N] a pKa measured at or below this is thermodynamic

// The slots as the calculator window starts: name one blank, pKa 0, measured at 20 C and 0.1 N,
// no coefficients, anionic, no comments.
void ResetBufferSlotsForWindow(BufferTool& tool);

// The slots just before a buffer file is read: as above, but the name is empty and every pKa counts as
// measured at 0.001 N, so a pKa that a file gives without its ionic strength is thermodynamic.
void ResetBufferSlotsForLoad(BufferTool& tool);

// The working record as File > New leaves it: a neutral monoprotic buffer (pKa 7 at 20 C, anionic, free
// acid, no amount); its conditions and last result stay.
void ResetBufferRecord(TBufferRecord& record);

// A slot number brought into 1..12.
int ClampBufferSlot(int slot);

// The number of the last positive pKa of the slot (0..3). A gap (pKa 8, 0, 3) still gives 3; the
// ionic calculation refuses such a slot by its order checks.
int SlotValence(const BufferTool& tool, int slot);

// The pKa values of the slot at T [C] and I [N] for bufferType 0 (anionic) or 1 (cationic). A step whose
// stored pKa is 0 or below, or whose corrected value is 0 or below, gives 0. A step that exists and
// is thermodynamic needs I > 0: the Debye-Hückel term takes log I, and I <= 0 raises a floating-point
// fault for the caller's guard. Steps that do not exist are not computed at all.
OneBased<double, 3> CorrectBufferPKa(const BufferTool& tool, int slot, int bufferType, double T, double I);

// Stores the window's Anionic/Cationic choice into the slot being edited, and into BufferType.
//
// The calculation and the buffer file read the type from the slot, while the window's radios show it.
// The window calls this from the radios' click handlers with the selected slot, so the slot always
// holds what the user sees: selecting another slot, calculating and saving all use that choice,
// and no type is ever carried over into a slot that is merely being shown.
// BufferModified is left to the window (its radios set it).
void StoreSlotType(BufferTool& tool, int slot, bool anionic);

}  // namespace dedodiz
