// SPDX-License-Identifier: BSD-3-Clause
// The calibration's report and the constants table that carries its Kd.

#include <cmath>

#include "core/Calibration.h"
#include "engine/Corrections.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

std::string Pad(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// A value by its kind: a fraction with four decimals, mV with two, a concentration in 3 digits.
enum class Kind : std::uint8_t { Fraction, Millivolts, Molar };

std::string Text(double x, Kind kind) {
    switch (kind) {
        case Kind::Fraction:
            return FixedText(x, 4);
        case Kind::Millivolts:
            return FixedText(x, 2);
        case Kind::Molar:
            break;
    }
    return FormatSciTrimmed(x);
}

std::string Row(std::string_view name, const Estimate& e, Kind kind) {
    std::string line = Pad(std::string(name), 22) + Pad(Text(e.value, kind), 11) +
                       Pad(Text(e.low, kind) + " .. " + Text(e.high, kind), 24);
    if (std::isfinite(e.bootLow)) line += Text(e.bootLow, kind) + " .. " + Text(e.bootHigh, kind);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

// The ML or MHL constant of the table moved by shift at the conditions: corrected to them, shifted and
// corrected back to 20 C and 0.1 N.
double Shifted(double logK, int z1, int z2, bool reverse, double dH, const Calibration& fit) {
    if (logK == 0) return 0;  // absent stays absent
    const double atConditions = CorrectConstant(z1, z2, reverse, dH, fit.temperature, fit.ionic, logK,
                                                kReferenceTemperature, kReferenceIonic) +
                                fit.logKShift;
    return CorrectConstant(z1, z2, reverse, dH, kReferenceTemperature, kReferenceIonic, atConditions,
                           fit.temperature, fit.ionic);
}

}  // namespace

ConstantsTable CalibratedTable(const ConstantsTable& table, const Calibration& fit) {
    ConstantsTable out = table;
    if (fit.chelatorNumber < 1 || fit.metalNumber < 1) return out;
    TChelatorRec& rec = out.Constants[fit.chelatorNumber];
    const int m = fit.metalNumber;
    // The charges as the run's correction takes them: the ligand's from its protonation constants, the
    // metal's valence from its name (the names of record 1 serve every record).
    int n = 0;
    for (int k = 1; k <= 4; ++k)
        if (rec.H[k] > 0.001) ++n;
    const int valence = std::max(0, MetalNameValence(table.Constants[1].MetalName[m].view()));
    const bool reverse = IsPlusName(rec.Name.view());
    rec.ML[m] = Shifted(rec.ML[m], n, valence, reverse, rec.dML[m], fit);
    rec.MHL[m] = Shifted(rec.MHL[m], std::abs(n - 1), valence, reverse, rec.dMHL[m], fit);
    rec.Comment[m] = CommentText("calibrated");
    return out;
}

std::vector<std::string> CalibrationReport(const Calibration& fit) {
    std::vector<std::string> out;
    const bool mV = fit.reading == TitrationReading::Millivolts;
    int standards = 0;
    for (const CalibrationPoint& p : fit.points) standards += p.standard ? 1 : 0;
    out.push_back("Calibration of " + fit.chelator + " with " + fit.metal + " from " +
                  std::to_string(fit.points.size()) + " rows (" + std::to_string(standards) +
                  " standards), " + (mV ? "electrode readings" : "free levels measured"));
    out.push_back("at " + FixedText(fit.temperature, 1) +
                  " \xC2\xB0"
                  "C, pH " +
                  FixedText(fit.pH, 2) + ", ionic strength " + FixedText(fit.ionic, 3) + " N");
    out.emplace_back();
    out.push_back(Pad("", 22) + Pad("value", 11) + Pad("95 % interval", 24) +
                  (fit.bootstrapDraws > 0 ? "bootstrap 95 %" : ""));
    while (out.back().back() == ' ') out.back().pop_back();
    out.push_back(Row("Purity", fit.purity, Kind::Fraction));
    out.push_back(Row("Contamination [M]", fit.contamination, Kind::Molar));
    out.push_back(Row("Kd [M]", fit.kd, Kind::Molar));
    if (mV) {
        out.push_back(Row("Slope [mV/decade]", fit.slope, Kind::Millivolts));
        out.push_back(Row("E0 [mV]", fit.e0, Kind::Millivolts));
        out.push_back(Row("Detection term [M]", fit.detection, Kind::Molar));
    }
    if (fit.bootstrapDraws > 0)
        out.push_back("Bootstrap: " + std::to_string(fit.bootstrapDraws) + " draws, " +
                      std::to_string(fit.bootstrapFailed) + " did not converge");
    out.push_back(fit.scatchard ? "Scatchard estimate: purity " + FixedText(fit.scatchardPurity, 4) +
                                      ", Kd " + FormatSciTrimmed(fit.scatchardKd) + " M"
                                : "Scatchard estimate: none (the points give no falling line)");
    out.push_back("Kd of the table at these conditions " + FormatSciTrimmed(fit.tableKd) + " M; the fit is " +
                  FixedText(fit.kd.value / fit.tableKd, 3) + " times it (log K " +
                  (fit.logKShift >= 0 ? "+" : "") + FixedText(fit.logKShift, 3) + ")");
    out.push_back("RMS " + (mV ? FixedText(fit.rms, 2) + " mV" : FixedText(fit.rms, 2) + " %") + ", " +
                  std::to_string(static_cast<int>(fit.points.size()) - fit.parameters) +
                  " degrees of freedom");
    out.emplace_back();
    out.push_back(std::string(" line  metal total  chel. total") +
                  (mV ? "   reading      model   residual" : "  free read  free model   residual"));
    out.push_back(std::string("           [M]          [M]") +
                  (mV ? "        [mV]       [mV]       [mV]" : "        [M]        [M]        [%]"));
    for (const CalibrationPoint& p : fit.points) {
        const auto reading = [&](double x) { return mV ? FormatFixed(x, 11, 2) : FormatSci(x) + "  "; };
        out.push_back(FormatFixed(p.line, 5, 0) + "  " + FormatSci(p.metalTotal) + "    " +
                      FormatSci(p.chelatorTotal) + reading(p.reading) + reading(p.model) +
                      FormatFixed(p.residual, 11, 2));
    }
    return out;
}

}  // namespace dedodiz
