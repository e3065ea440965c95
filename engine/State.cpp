#include "State.h"

#include <string>

#include "Sinks.h"

namespace dedodiz {

int MetalNameValence(std::string_view name) {
    if (name.size() < 3 || name[2] < '0' || name[2] > '9') return -1;
    return name[2] - '0';
}

bool IsPlusName(std::string_view name) {
    return name.size() == 7 && name[6] == '+';
}

void ClearSolution(State& s) {
    TSolution& sol = s.Solution;
    for (int i = 1; i <= kSlots; ++i) {
        sol.ChelTotal[i] = 0;
        sol.ChelFree[i] = 0;
        sol.MetalTotal[i] = 0;
        sol.MetalFree[i] = 0;
        sol.LogKH[i].fill(0);
        sol.DeltaHH[i].fill(0);
        for (int j = 1; j <= kSlots; ++j) {
            sol.LogKM[i][j].fill(0);
            sol.DeltaHM[i][j].fill(0);
        }
        sol.ChelName[i] = kEmptyChelator;
        sol.MetalName[i] = kEmptyMetal;
        sol.ChelCharge[i] = 0;
        sol.PlusName[i] = false;
        sol.MetalValence[i] = 0;
    }
}

void ClearConstants(State& s) {
    for (TChelatorRec& rec : s.Constants) {
        rec = TChelatorRec{};
        rec.Name = kEmptyChelator;
        rec.MetalName.fill(MetalText(kEmptyMetal));
    }
    s.ConstantsFileName = "EMPTY.CCM";
}

void NewState(State& s) {
    ClearSolution(s);
    ClearConstants(s);
    s.AddNextRun = false;
    s.Solution.Temperature = 20.0;
    s.Solution.PH = 7.0;
    s.Solution.IonicEquiv = 0.1;
    s.CalcType = 1;
    s.MetalChosen.fill(false);
    s.ChelatorChosen.fill(false);

    // The buffer record returns to a neutral monoprotic buffer; its conditions and last result stay.
    TBufferRecord& buf = s.BufferRecord;
    buf.BufferType = 0;
    buf.SaltForm = 0;
    buf.pKa[1] = 7;
    buf.pKa[2] = 0;
    buf.pKa[3] = 0;
    buf.pKaTemperature.fill(20);
    buf.dpKa.fill(0);
    buf.BufferAmount = 0;

    s.EditConChelator = 1;
    s.EditConMetal = 1;
    s.EditConField = 0;
    s.AdjChelatorValence = 1;
    s.AdjMetalValence = 1;
    s.AdjDirect = false;
    s.AdjConstant = 0;
    s.AdjDH = 0;
    s.AdjResult = 0;
}

bool BuildSelection(State& s, MessageSink& messages) {
    ClearSolution(s);
    s.ChosenChelator.fill(0);
    s.ChosenMetal.fill(0);

    int slot = 0;
    for (int k = 1; k <= kTableChelators && slot < kSlots; ++k) {
        if (s.ChelatorChosen[k]) s.ChosenChelator[++slot] = k;
    }

    // The third character of a metal name is the only source of its charge. A name without a digit
    // there would give a meaningless (even negative) charge, so such a metal takes no slot.
    bool ok = true;
    slot = 0;
    for (int k = 1; k <= kTableMetals && slot < kSlots; ++k) {
        if (!s.MetalChosen[k]) continue;
        const MetalText& name = s.Constants[1].MetalName[k];
        if (MetalNameValence(name) < 0) {
            messages.Message("Metal " + std::to_string(k) + " \"" + name.str() +
                                 "\" has no valence digit in 3rd place\rIt is left out of the calculation",
                             "ERROR");
            ok = false;
            continue;
        }
        s.ChosenMetal[++slot] = k;
    }

    LoadChosenConstants(s);
    return ok;
}

void LoadChosenConstants(State& s) {
    TSolution& sol = s.Solution;
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int c = s.ChosenChelator[slot];
        if (c != 0) {
            const TChelatorRec& rec = s.Constants[c];
            sol.ChelName[slot] = rec.Name;
            sol.PlusName[slot] = IsPlusName(rec.Name);
            int charge = 0;
            for (int k = 1; k <= 4; ++k) {
                sol.LogKH[slot][k] = rec.H[k];
                sol.DeltaHH[slot][k] = rec.dH[k];
                // Counted wherever they stand, not only as a leading run.
                if (rec.H[k] > 0.001) ++charge;
            }
            sol.ChelCharge[slot] = static_cast<std::uint8_t>(charge);
        } else {
            sol.ChelName[slot] = kEmptyChelator;
            sol.ChelCharge[slot] = 0;
            sol.PlusName[slot] = false;
            sol.LogKH[slot].fill(0);
            sol.DeltaHH[slot].fill(0);
        }

        const int m = s.ChosenMetal[slot];
        if (m != 0) {
            // Metal names come from record 1, whatever chelator is chosen.
            sol.MetalName[slot] = s.Constants[1].MetalName[m];
            const int valence = MetalNameValence(sol.MetalName[slot]);
            sol.MetalValence[slot] = static_cast<std::uint8_t>(valence < 0 ? 0 : valence);
        } else {
            sol.MetalName[slot] = kEmptyMetal;
            sol.MetalValence[slot] = 0;
        }

        for (int t = 1; t <= kSlots; ++t) {
            const int metal = s.ChosenMetal[t];
            if (metal == 0 || c == 0) {
                sol.LogKM[slot][t].fill(0);
                sol.DeltaHM[slot][t].fill(0);
            } else {
                const TChelatorRec& rec = s.Constants[c];
                sol.LogKM[slot][t][1] = rec.ML[metal];
                sol.LogKM[slot][t][2] = rec.MHL[metal];
                sol.DeltaHM[slot][t][1] = rec.dML[metal];
                sol.DeltaHM[slot][t][2] = rec.dMHL[metal];
            }
        }
    }
}

std::string RepeatString(std::string_view pattern, int n) {
    std::string text;
    for (int i = 0; i < n && text.size() < 80; ++i) text += pattern;
    if (text.size() > 80) text.resize(80);
    return text;
}

}  // namespace dedodiz
