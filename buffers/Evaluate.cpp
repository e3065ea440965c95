// SPDX-License-Identifier: BSD-3-Clause
#include "buffers/Evaluate.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "engine/Solver.h"
#include "engine/Tolerances.h"

namespace dedodiz {

namespace {

constexpr std::size_t kChelatorField = 12;

struct Conditions {
    double T;         // [C]
    double I;         // [N]
    bool correct;     // false at the reference conditions
    double hydrogen;  // [H+] [mol/L]
};

// A stored constant at the present conditions; 0 stays 0 (the constant does not exist).
double Corrected(const Conditions& c, double stored, int z1, int z2, bool reverse, double dH) {
    if (stored == 0) return 0;
    if (!c.correct) return stored;
    return CorrectConstant(z1, z2, reverse, dH, c.T, c.I, stored, kReferenceTemperature, kReferenceIonic);
}

// Kd [mol/L] of metal m (charge zM) with chelator rec, 0 when neither ML nor MHL binds.
double ApparentKd(const Conditions& c, const TChelatorRec& rec, int m, int zM) {
    const bool reverse = IsPlusName(rec.Name);
    const double h = c.hydrogen;

    // Every positive protonation constant counts towards the ligand's charge here, however small.
    int n = 0;
    for (int k = 1; k <= 4; ++k)
        if (rec.H[k] > 0) ++n;

    OneBased<double, 4> Q;
    for (int k = 1; k <= 4; ++k) {
        const double P = Corrected(c, rec.H[k], std::max(0, n - k + 1), 1, reverse, rec.dH[k]);
        Q[k] = P != 0 ? checked::Pow10(P) : 0;
    }
    const double logML = Corrected(c, rec.ML[m], n, zM, reverse, rec.dML[m]);
    // MHL is corrected with the charge of the free ligand, as ML is.
    const double logMHL = Corrected(c, rec.MHL[m], n, zM, reverse, rec.dMHL[m]);

    // All ligand forms relative to the singly protonated form HL, which MHL is made from.
    const double D = Q[1] == 0 ? 0
                               : checked::Divide(1, Q[1] * h) + 1 + Q[2] * h + Q[2] * Q[3] * h * h +
                                     Q[2] * Q[3] * Q[4] * h * h * h;

    // All ligand forms relative to the free ligand L.
    Q[1] = Q[1] * h;
    Q[2] = Q[2] * Q[1] * h;
    Q[3] = Q[3] * Q[2] * h;
    Q[4] = Q[4] * Q[3] * h;
    const double S = 1 + Q[1] + Q[2] + Q[3] + Q[4];

    const double kML = (S != 0 && logML != 0) ? checked::Pow10(logML) / checked::Finite(S) : 0;
    const double kMHL = (D != 0 && logMHL != 0) ? checked::Pow10(logMHL) / checked::Finite(D) : 0;
    const double sum = kML + kMHL;
    return sum != 0 ? 1 / sum : 0;
}

}  // namespace

ChelatorEvaluation ComputeChelatorEvaluation(const ConstantsTable& table, const Selection& selection,
                                             const TSolution& environment) {
    ChelatorEvaluation e;
    e.temperature = environment.Temperature;
    e.pH = environment.PH;
    e.ionic = environment.IonicEquiv;
    const FaultScope faults;
    const Conditions c{e.temperature, e.ionic,
                       std::abs(e.temperature - kReferenceTemperature) >= kTemperatureWindow ||
                           std::abs(e.ionic - kReferenceIonic) >= kIonicWindow,
                       checked::Pow10(-e.pH) / HydrogenActivityFactor(e.temperature, e.ionic)};
    e.hydrogen = c.hydrogen;
    const double sqrt10 = std::sqrt(10.0);

    // Grouped by metal, chelators in table order. Whether a chelator is chosen for a run plays no part.
    for (int m = 1; m <= kTableMetals; ++m) {
        if (!selection.MetalChosen[m]) continue;
        // A name without a valence digit carries no charge, as in a run.
        const int zM = std::max(0, MetalNameValence(table.Constants[1].MetalName[m]));
        for (int ch = 1; ch <= kTableChelators; ++ch) {
            const TChelatorRec& rec = table.Constants[ch];
            if (rec.ML[m] == 0) continue;
            const double kd = ApparentKd(c, rec, m, zM);
            e.rows.push_back({m, ch, kd, kd / sqrt10, kd * sqrt10});
        }
    }
    e.ok = !faults.Faulted();
    return e;
}

void WriteChelatorEvaluation(const ConstantsTable& s, const ChelatorEvaluation& e, SolverResults& results,
                             ReportPlacement placement, OutputSink& output) {
    std::vector<std::string> lines;
    lines.emplace_back("Kd is temperature, pH and ionic concentration dependent:");
    lines.push_back(FormatFixed(e.temperature, 6, 1) + " °C  pH " + FormatFixed(e.pH, 5, 2) + "  " +
                    FormatFixed(e.ionic, 6, 3) + " N");
    lines.emplace_back("Metal-chelator     LOW        HIGH       Kd      COMMENTS");
    for (const EvaluationRow& row : e.rows) {
        const TChelatorRec& rec = s.Constants[row.chelator];
        std::string line = s.Constants[1].MetalName[row.metal].str() + "-" + rec.Name.str();
        line.append(kChelatorField > rec.Name.size() ? kChelatorField - rec.Name.size() : 0, ' ');
        line += FormatSci(row.low) + "  " + FormatSci(row.high) + "  " + FormatSci(row.kd) + "  " +
                rec.Comment[row.metal].str();
        lines.push_back(std::move(line));
    }
    lines.push_back("DEDODIZ32 v" + std::string(kVersion) + " using " + s.ConstantsFileName.str());

    results.HydrogenConc = e.hydrogen;
    BeginReport(output, placement);
    for (const std::string& line : lines) output.AddOutputLine(line);
}

void EvaluateChelators(const ConstantsTable& table, const Selection& selection, const TSolution& environment,
                       SolverResults& results, ReportPlacement placement, OutputSink& output) {
    const ChelatorEvaluation e = ComputeChelatorEvaluation(table, selection, environment);
    if (e.ok) WriteChelatorEvaluation(table, e, results, placement, output);
}

}  // namespace dedodiz
