// SPDX-License-Identifier: BSD-3-Clause
#include "engine/State.h"

#include <string>

#include "engine/Sinks.h"
#include "engine/Tolerances.h"

namespace dedodiz {

int MetalNameValence(std::string_view name) {
    if (name.size() < 3 || name[2] < '0' || name[2] > '9') return -1;
    return name[2] - '0';
}

bool IsPlusName(std::string_view name) {
    return name.size() == 7 && name[6] == '+';
}

void ClearSolution(TSolution& sol) {
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

void ClearConstants(ConstantsTable& table) {
    for (TChelatorRec& rec : table.Constants) {
        rec = TChelatorRec{};
        rec.Name = kEmptyChelator;
        rec.MetalName.fill(MetalText(kEmptyMetal));
    }
    table.ConstantsFileName = "EMPTY.CCM";
}

void NewCalculation(ConstantsTable& table, Selection& selection, Calculation& calc) {
    ClearSolution(calc.Solution);
    ClearConstants(table);
    calc.Solution.Temperature = kReferenceTemperature;
    calc.Solution.PH = 7.0;
    calc.Solution.IonicEquiv = kReferenceIonic;
    calc.CalcType = CalculationType::Free;
    selection.MetalChosen.fill(false);
    selection.ChelatorChosen.fill(false);
}

bool BuildSelection(const ConstantsTable& table, Selection& selection, TSolution& solution,
                    MessageSink& messages) {
    ClearSolution(solution);
    selection.ChosenChelator.fill(0);
    selection.ChosenMetal.fill(0);

    int slot = 0;
    for (int k = 1; k <= kTableChelators && slot < kSlots; ++k) {
        if (selection.ChelatorChosen[k]) selection.ChosenChelator[++slot] = k;
    }

    // The third character of a metal name is the only source of its charge. A name without a digit
    // there would give a meaningless (even negative) charge, so such a metal takes no slot.
    bool ok = true;
    slot = 0;
    for (int k = 1; k <= kTableMetals && slot < kSlots; ++k) {
        if (!selection.MetalChosen[k]) continue;
        const MetalText& name = table.Constants[1].MetalName[k];
        if (MetalNameValence(name) < 0) {
            messages.Message("Metal " + std::to_string(k) + " \"" + name.str() +
                                 "\" has no valence digit in 3rd place\rIt is left out of the calculation",
                             "ERROR");
            ok = false;
            continue;
        }
        selection.ChosenMetal[++slot] = k;
    }

    LoadChosenConstants(table, selection, solution);
    return ok;
}

void LoadChosenConstants(const ConstantsTable& table, const Selection& selection, TSolution& sol) {
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int c = selection.ChosenChelator[slot];
        if (c != 0) {
            const TChelatorRec& rec = table.Constants[c];
            sol.ChelName[slot] = rec.Name;
            sol.PlusName[slot] = IsPlusName(rec.Name);
            int charge = 0;
            for (int k = 1; k <= 4; ++k) {
                sol.LogKH[slot][k] = rec.H[k];
                sol.DeltaHH[slot][k] = rec.dH[k];
                // Counted wherever they stand, not only as a leading run.
                if (rec.H[k] > kChargeThreshold) ++charge;
            }
            sol.ChelCharge[slot] = static_cast<std::uint8_t>(charge);
        } else {
            sol.ChelName[slot] = kEmptyChelator;
            sol.ChelCharge[slot] = 0;
            sol.PlusName[slot] = false;
            sol.LogKH[slot].fill(0);
            sol.DeltaHH[slot].fill(0);
        }

        const int m = selection.ChosenMetal[slot];
        if (m != 0) {
            // Metal names come from record 1, whatever chelator is chosen.
            sol.MetalName[slot] = table.Constants[1].MetalName[m];
            const int valence = MetalNameValence(sol.MetalName[slot]);
            sol.MetalValence[slot] = static_cast<std::uint8_t>(valence < 0 ? 0 : valence);
        } else {
            sol.MetalName[slot] = kEmptyMetal;
            sol.MetalValence[slot] = 0;
        }

        for (int t = 1; t <= kSlots; ++t) {
            const int metal = selection.ChosenMetal[t];
            if (metal == 0 || c == 0) {
                sol.LogKM[slot][t].fill(0);
                sol.DeltaHM[slot][t].fill(0);
            } else {
                const TChelatorRec& rec = table.Constants[c];
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
