// SPDX-License-Identifier: BSD-3-Clause
#include "buffers/BufferModel.h"

#include <algorithm>

#include "engine/Corrections.h"
#include "engine/FloatGuard.h"

namespace dedodiz {

namespace {

void ResetSlots(BufferTool& s, std::string_view name, double ipKa) {
    for (TBufferSlot& slot : s.BufferSlots) {
        slot.Name = name;
        slot.pKa.fill(0);
        slot.dpKa.fill(0);
        slot.ipKa.fill(ipKa);
        slot.dipKa.fill(0);
        slot.temperature.fill(kReferenceTemperature);
        slot.anionic = true;
        slot.comments.clear();
    }
}

}  // namespace

void ResetBufferSlotsForWindow(BufferTool& s) {
    ResetSlots(s, " ", 0.1);
}

void ResetBufferSlotsForLoad(BufferTool& s) {
    ResetSlots(s, "", kThermodynamicIonic);
}

void ResetBufferRecord(TBufferRecord& buf) {
    buf.BufferType = 0;
    buf.SaltForm = 0;
    buf.pKa[1] = 7;
    buf.pKa[2] = 0;
    buf.pKa[3] = 0;
    buf.pKaTemperature.fill(kReferenceTemperature);
    buf.dpKa.fill(0);
    buf.BufferAmount = 0;
}

int ClampBufferSlot(int slot) {
    return std::clamp(slot, 1, kBufferSlots);
}

int SlotValence(const BufferTool& s, int slot) {
    const TBufferSlot& b = s.BufferSlots[ClampBufferSlot(slot)];
    int valence = 0;
    for (int k = 1; k <= 3; ++k)
        if (b.pKa[k] > 0) valence = k;
    return valence;
}

OneBased<double, 3> CorrectBufferPKa(const BufferTool& s, int slot, int bufferType, double T, double I) {
    const TBufferSlot& b = s.BufferSlots[ClampBufferSlot(slot)];
    const bool cationic = bufferType == 1;
    OneBased<double, 3> corrected;
    for (int k = 1; k <= 3; ++k) {
        if (b.pKa[k] <= 0) continue;  // the step does not exist

        // The whole pipeline works through 20 C: first back to it, then to the ionic strength, then out
        // to the wanted temperature.
        const double pKa20 = b.temperature[k] == kReferenceTemperature
                                 ? b.pKa[k]
                                 : b.pKa[k] + (kReferenceTemperature - b.temperature[k]) * b.dpKa[k];

        // A thermodynamic pKa moves with the Debye-Hückel term of two singly charged species: the
        // anionic buffer's pKa falls as I grows, the cationic one's rises by the same amount.
        const double pKaI = b.ipKa[k] <= kThermodynamicIonic
                                ? CorrectConstant(1, 1, cationic, 0, kReferenceTemperature, I, pKa20,
                                                  kReferenceTemperature, kThermodynamicIonic)
                                : pKa20 + (I - b.ipKa[k]) * b.dipKa[k];

        const double pKaT = checked::Finite(pKaI + (T - kReferenceTemperature) * b.dpKa[k]);
        corrected[k] = pKaT > 0 ? pKaT : 0;
    }
    return corrected;
}

void StoreSlotType(BufferTool& s, int slot, bool anionic) {
    s.BufferSlots[ClampBufferSlot(slot)].anionic = anionic;
    s.BufferRecord.BufferType = anionic ? 0 : 1;
}

}  // namespace dedodiz
