// SPDX-License-Identifier: BSD-3-Clause
// Writes the bundled constants table, data/standard.TCM, through the program's own writer so that the
// file is exactly what the program writes. Run from the repository root (or give the output name):
//   build/tools/make-standard-table [data/standard.TCM]
// Values: literature constants at 20 C and 0.1 N (log10 K, enthalpies in kcal/mol, 0 = absent), from
// Martell & Smith's critical tables and NIST SRD 46 (25 C values brought to 20 C with the program's van 't
// Hoff term where the enthalpy is known), Tsien 1980 for the BAPTAs (22 C values brought to 20 C the same
// way), Alberty's enthalpies of formation for the protonation of ATP and ADP, and Anderegg 1977 for TPEN.
// The comment of each complex names its source in at most 20 characters and says where an enthalpy is an
// estimate: "dH est." (reasoned from related complexes), "EDTA-anal" (the EDTA complex of the same metal,
// same donor set, taken as analogue); the first metal line of a chelator says so for its dH1..dH4 too.
// H3 and H4 of the BAPTAs and of ATP are estimates that only make the ligand's charge right (-4): the
// ionic-strength correction takes the charge from the number of stored protonation constants.
// A pair whose enthalpy has no chemical basis keeps 0, so that a run away from 20 C refuses it.
#include <cstdio>
#include <string>

#include "engine/State.h"
#include "files/ConstantsFile.h"

namespace {

struct Chelator {
    const char* name;
    double h[4];   // log10 H1..H4
    double dh[4];  // [kcal/mol]
};

struct Complex {
    double ml, mhl;    // log10 K of M + L = ML and M + HL = MHL
    double dml, dmhl;  // [kcal/mol]
    const char* comment;
};

// TPEN is neutral and its protonated forms are cations; the '+' in 7th place of its name reverses the
// ionic-strength correction of its constants.
constexpr Chelator kChelators[12] = {
    {"EGTA", {9.47, 8.85, 2.66, 2.00}, {-5.6, -5.5, 0, 0}},
    {"BAPTA", {6.39, 5.50, 2.70, 2.00}, {-5.0, -5.0, 0, 0}},
    {"DBBAPTA", {5.63, 4.03, 2.60, 1.90}, {-5.0, -5.0, 0, 0}},
    {"EDTA", {10.24, 6.16, 2.66, 2.00}, {-5.6, -4.2, 1.3, 0.3}},
    {"HEDTA", {9.87, 5.40, 2.60, 0}, {-5.0, -2.0, 0, 0}},
    {"NTA", {9.73, 2.49, 1.89, 0}, {-4.5, 0.2, 0.4, 0}},
    {"CDTA", {11.70, 6.12, 3.52, 2.43}, {-6.0, -1.5, 0, 0}},
    {"DTPA", {10.57, 8.66, 4.28, 2.64}, {-6.0, -4.5, 0, 0}},
    {"ATP", {6.94, 4.11, 1.00, 0.50}, {0.9, -4.0, 0, 0}},
    {"ADP", {6.67, 4.05, 1.80, 0}, {0.9, -4.5, 0, 0}},
    {"Citrate", {5.68, 4.36, 2.88, 0}, {0.8, -0.5, -1.0, 0}},
    {"TPEN  +", {7.19, 4.85, 3.32, 2.85}, {0, 0, 0, 0}},
};

constexpr const char* kMetals[9] = {"Ca2", "Mg2", "Sr2", "Ba2", "Mn2", "Zn2", "Cd2", "Cu2", "Ni2"};

// Nine complexes per chelator, metals in the order of kMetals.
constexpr Complex kComplexes[12 * 9] = {
    // EGTA
    {10.97, 5.30, -8.1, 0, "M&S crit. 20C"},   // Ca2
    {5.21, 3.40, 5.4, 0, "M&S crit. 20C"},     // Mg2
    {8.50, 0, -4.1, 0, "M&S dH EDTA-anal"},    // Sr2
    {8.41, 0, -4.9, 0, "M&S dH EDTA-anal"},    // Ba2
    {12.28, 0, -4.6, 0, "M&S dH EDTA-anal"},   // Mn2
    {12.66, 0, -4.6, 0, "NIST dH EDTA-anal"},  // Zn2
    {16.61, 0, -9.1, 0, "NIST dH EDTA-anal"},  // Cd2
    {17.71, 0, -8.3, 0, "M&S dH EDTA-anal"},   // Cu2
    {13.55, 0, -7.4, 0, "M&S dH EDTA-anal"},   // Ni2
    // BAPTA
    {6.96, 0, 2.0, 0, "Tsien80 dH est."},  // Ca2
    {1.75, 0, 4.0, 0, "Tsien80 dH est."},  // Mg2
    {0, 0, 0, 0, "n.d."},                  // Sr2
    {0, 0, 0, 0, "n.d."},                  // Ba2
    {0, 0, 0, 0, "n.d."},                  // Mn2
    {8.10, 0, 0, 0, "lit. estimate"},      // Zn2
    {0, 0, 0, 0, "n.d."},                  // Cd2
    {0, 0, 0, 0, "n.d."},                  // Cu2
    {0, 0, 0, 0, "n.d."},                  // Ni2
    // DBBAPTA
    {5.79, 0, 2.5, 0, "Tsien80 dH est."},  // Ca2
    {1.48, 0, 4.0, 0, "estimate"},         // Mg2
    {0, 0, 0, 0, "n.d."},                  // Sr2
    {0, 0, 0, 0, "n.d."},                  // Ba2
    {0, 0, 0, 0, "n.d."},                  // Mn2
    {0, 0, 0, 0, "n.d."},                  // Zn2
    {0, 0, 0, 0, "n.d."},                  // Cd2
    {0, 0, 0, 0, "n.d."},                  // Cu2
    {0, 0, 0, 0, "n.d."},                  // Ni2
    // EDTA
    {10.70, 3.60, -6.1, 0, "M&S crit. 20C"},      // Ca2
    {8.69, 2.50, 3.3, 0, "M&S crit. 20C"},        // Mg2
    {8.63, 2.60, -4.1, 0, "M&S crit. 20C"},       // Sr2
    {7.76, 2.10, -4.9, 0, "M&S crit. 20C"},       // Ba2
    {13.87, 6.80, -4.6, -0.2, "M&S crit. 20C"},   // Mn2
    {16.50, 9.20, -4.6, -1.2, "M&S crit. 20C"},   // Zn2
    {16.46, 9.20, -9.1, -3.9, "M&S crit. 20C"},   // Cd2
    {18.80, 11.70, -8.3, -4.7, "M&S crit. 20C"},  // Cu2
    {18.62, 11.50, -7.4, -3.6, "M&S crit. 20C"},  // Ni2
    // HEDTA
    {8.16, 0, -4.5, 0, "NIST46 dH est."},  // Ca2
    {6.96, 0, 3.0, 0, "NIST46 dH est."},   // Mg2
    {6.80, 0, 0, 0, "NIST46 25C 0.1M"},    // Sr2
    {6.20, 0, 0, 0, "NIST46 25C 0.1M"},    // Ba2
    {11.10, 0, 0, 0, "NIST46 25C 0.1M"},   // Mn2
    {14.60, 0, 0, 0, "NIST46 25C 0.1M"},   // Zn2
    {13.70, 0, 0, 0, "NIST46 25C 0.1M"},   // Cd2
    {17.40, 0, 0, 0, "NIST46 25C 0.1M"},   // Cu2
    {17.10, 0, 0, 0, "NIST46 25C 0.1M"},   // Ni2
    // NTA
    {6.46, 0, -1.4, 0, "NIST46 25C->20C"},      // Ca2
    {5.45, 0, 4.3, 0, "NIST46 25C->20C"},       // Mg2
    {5.00, 0, -0.5, 0, "NIST46 25C->20C"},      // Sr2
    {4.83, 0, -1.4, 0, "NIST46 25C->20C"},      // Ba2
    {7.44, 0, 1.4, 0, "NIST46 25C->20C"},       // Mn2
    {10.67, 0, -0.9, 0, "NIST46 25C->20C"},     // Zn2
    {9.81, 0, -4.0, 0, "NIST46 25C->20C"},      // Cd2
    {13.02, 5.10, -1.9, 0, "NIST46 25C->20C"},  // Cu2
    {11.54, 0, -2.4, 0, "NIST46 25C->20C"},     // Ni2
    // CDTA
    {12.50, 0, -2.0, 0, "M&S dH est."},  // Ca2
    {10.32, 0, 3.5, 0, "M&S dH est."},   // Mg2
    {10.00, 0, 0, 0, "M&S crit. 20C"},   // Sr2
    {8.00, 0, 0, 0, "M&S crit. 20C"},    // Ba2
    {16.78, 0, 0, 0, "M&S crit. 20C"},   // Mn2
    {18.67, 0, 0, 0, "M&S crit. 20C"},   // Zn2
    {19.23, 0, 0, 0, "M&S crit. 20C"},   // Cd2
    {21.30, 0, 0, 0, "M&S crit. 20C"},   // Cu2
    {19.40, 0, 0, 0, "M&S crit. 20C"},   // Ni2
    // DTPA
    {10.82, 0, -5.5, 0, "NIST46 dH est."},  // Ca2
    {9.23, 0, 3.0, 0, "NIST46 dH est."},    // Mg2
    {9.79, 0, 0, 0, "NIST46 25C 0.1M"},     // Sr2
    {8.74, 0, 0, 0, "NIST46 25C 0.1M"},     // Ba2
    {15.20, 0, 0, 0, "NIST46 25C 0.1M"},    // Mn2
    {18.20, 0, 0, 0, "NIST46 25C 0.1M"},    // Zn2
    {19.00, 0, 0, 0, "NIST46 25C 0.1M"},    // Cd2
    {21.20, 0, 0, 0, "NIST46 25C 0.1M"},    // Cu2
    {20.10, 0, 0, 0, "NIST46 25C 0.1M"},    // Ni2
    // ATP
    {3.85, 1.90, 0.5, 0, "NIST46 dH est."},    // Ca2
    {4.14, 2.31, 4.0, 3.2, "NIST46+Alberty"},  // Mg2
    {3.43, 0, 0, 0, "NIST46 25C 0.1M"},        // Sr2
    {3.18, 0, 0, 0, "NIST46 25C 0.1M"},        // Ba2
    {4.81, 0, 0, 0, "NIST46 25C 0.1M"},        // Mn2
    {5.21, 0, 0, 0, "NIST46 25C 0.1M"},        // Zn2
    {5.68, 0, 0, 0, "NIST46 25C 0.1M"},        // Cd2
    {6.43, 0, 0, 0, "NIST46 25C 0.1M"},        // Cu2
    {4.92, 0, 0, 0, "NIST46 25C 0.1M"},        // Ni2
    // ADP
    {2.85, 1.50, 0.5, 0, "NIST46 dH est."},  // Ca2
    {3.21, 1.60, 3.5, 0, "NIST46 dH est."},  // Mg2
    {2.76, 0, 0, 0, "NIST46 25C 0.1M"},      // Sr2
    {2.36, 0, 0, 0, "NIST46 25C 0.1M"},      // Ba2
    {4.09, 0, 0, 0, "NIST46 25C 0.1M"},      // Mn2
    {4.41, 0, 0, 0, "NIST46 25C 0.1M"},      // Zn2
    {0, 0, 0, 0, "n.d."},                    // Cd2
    {6.03, 0, 0, 0, "NIST46 25C 0.1M"},      // Cu2
    {4.42, 0, 0, 0, "NIST46 25C 0.1M"},      // Ni2
    // Citrate
    {3.54, 2.01, -2.0, -1.0, "NIST46 25C->20C"},  // Ca2
    {3.48, 1.65, 2.0, 0, "NIST46 25C->20C"},      // Mg2
    {3.05, 1.70, 0, 0, "NIST46 25C 0.1M"},        // Sr2
    {2.95, 1.50, 0, 0, "NIST46 25C 0.1M"},        // Ba2
    {3.81, 2.30, 0, 0, "NIST46 25C 0.1M"},        // Mn2
    {4.93, 2.90, 2.0, 0, "NIST46 25C->20C"},      // Zn2
    {3.66, 2.20, 2.0, 0, "NIST46 25C->20C"},      // Cd2
    {5.90, 3.57, 0, 2.0, "M&S 25C, low"},         // Cu2
    {5.25, 3.16, 4.0, 3.0, "NIST46 25C->20C"},    // Ni2
    // TPEN  +
    {4.40, 0, 0, 0, "Anderegg 1977"},   // Ca2
    {1.70, 0, 0, 0, "Anderegg 1977"},   // Mg2
    {0, 0, 0, 0, "n.d."},               // Sr2
    {0, 0, 0, 0, "n.d."},               // Ba2
    {10.27, 0, 0, 0, "Anderegg 1977"},  // Mn2
    {15.58, 0, 0, 0, "Anderegg 1977"},  // Zn2
    {16.00, 0, 0, 0, "estimate"},       // Cd2
    {20.60, 0, 0, 0, "Anderegg 1977"},  // Cu2
    {17.00, 0, 0, 0, "estimate"},       // Ni2
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
    const std::string out = argc > 1 ? argv[1] : "data/standard.TCM";
    ConstantsTable s;
    Selection selection;
    Calculation calc;
    NewCalculation(s, selection, calc);
    for (int c = 1; c <= kTableChelators; ++c) {
        const Chelator& chel = kChelators[c - 1];
        TChelatorRec& rec = s.Constants[c];
        rec.Name = chel.name;
        for (int k = 1; k <= 4; ++k) {
            rec.H[k] = chel.h[k - 1];
            rec.dH[k] = chel.dh[k - 1];
        }
        for (int m = 1; m <= kTableMetals; ++m) {
            const Complex& cx = kComplexes[(c - 1) * kTableMetals + (m - 1)];
            rec.MetalName[m] = kMetals[m - 1];
            rec.ML[m] = cx.ml;
            rec.MHL[m] = cx.mhl;
            rec.dML[m] = cx.dml;
            rec.dMHL[m] = cx.dmhl;
            rec.Comment[m] = cx.comment;
        }
    }
    StderrMessages messages;
    if (!WriteConstantsFile(s, out, messages).ok()) {
        std::fprintf(stderr, "could not write %s\n", out.c_str());
        return 1;
    }
    std::printf("wrote %s\n", out.c_str());
    return 0;
}
