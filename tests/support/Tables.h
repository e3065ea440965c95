// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A small constants table with literature values (20 C, 0.1 N) for tests: EGTA, BAPTA and EDTA with
// Ca2 and Mg2, and Zn2 for EDTA.

#include "engine/State.h"

namespace dedodiz::test {

inline void SetChelator(TChelatorRec& rec, const char* name, double h1, double h2, double h3, double h4,
                        double dh1 = 0, double dh2 = 0, double dh3 = 0, double dh4 = 0) {
    rec.Name = name;
    rec.H[1] = h1, rec.H[2] = h2, rec.H[3] = h3, rec.H[4] = h4;
    rec.dH[1] = dh1, rec.dH[2] = dh2, rec.dH[3] = dh3, rec.dH[4] = dh4;
}

inline void SetMetal(TChelatorRec& rec, int m, double ml, double mhl, double dml = 0, double dmhl = 0) {
    rec.ML[m] = ml, rec.MHL[m] = mhl, rec.dML[m] = dml, rec.dMHL[m] = dmhl;
}

// Fills the table (after NewState) with records 1 EGTA, 2 BAPTA, 3 EDTA and metals 1 Ca2, 2 Mg2, 3 Zn2.
inline void FillSampleTable(ConstantsTable& s) {
    for (auto& rec : s.Constants) {
        rec.MetalName[1] = "Ca2";
        rec.MetalName[2] = "Mg2";
        rec.MetalName[3] = "Zn2";
    }
    SetChelator(s.Constants[1], "EGTA", 9.47, 8.85, 2.66, 2.00, -5.6, -5.5);
    SetMetal(s.Constants[1], 1, 10.97, 5.30, -8.1);
    SetMetal(s.Constants[1], 2, 5.21, 3.40, 5.4);
    SetMetal(s.Constants[1], 3, 12.60, 0);
    SetChelator(s.Constants[2], "BAPTA", 6.36, 5.47, 0, 0);
    SetMetal(s.Constants[2], 1, 6.97, 0);
    SetMetal(s.Constants[2], 2, 1.77, 0);
    SetMetal(s.Constants[2], 3, 8.10, 0);
    SetChelator(s.Constants[3], "EDTA", 10.24, 6.16, 2.66, 2.00, -5.6, -4.2, 1.3, 0.3);
    SetMetal(s.Constants[3], 1, 10.70, 3.60, -6.1);
    SetMetal(s.Constants[3], 2, 8.69, 2.50, 3.3);
    SetMetal(s.Constants[3], 3, 16.50, 9.20, -4.6, -1.2);
}

}  // namespace dedodiz::test
