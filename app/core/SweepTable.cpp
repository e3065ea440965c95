// SPDX-License-Identifier: BSD-3-Clause
#include "core/SweepTable.h"

#include <string_view>

#include "core/Sweep.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

constexpr std::size_t kLineLength = 80;
constexpr std::size_t kRowLength = 78;
constexpr std::size_t kColumnWidth = 13;

void Emit(OutputSink& output, std::string_view line) {
    output.AddOutputLine(CutToChars(line, kLineLength));
}

// A line of blanks into which texts are written at fixed columns 1..6, 13 characters apart.
class BlankRow {
  public:
    void Put(int column, std::string_view text) {
        const std::size_t start = kColumnWidth * static_cast<std::size_t>(column - 1);
        for (std::size_t i = 0; i < text.size() && start + i < text_.size(); ++i) text_[start + i] = text[i];
    }
    [[nodiscard]] const std::string& Text() const { return text_; }

  private:
    std::string text_ = std::string(kRowLength, ' ');
};

// Type Total computes total metal from free metal; the other two start from total metal.
bool TotalType(const SweepState& s) {
    return SweepCalcType(s) == CalculationType::Total;
}
bool ChelatorType(const SweepState& s) {
    return SweepCalcType(s) == CalculationType::Chelator;
}

std::string ConditionsLine(const SweepState& s) {
    return FormatFixed(s.StartTemperature, 5, 1) + " C   " + "pH" + FormatFixed(s.StartPH, 6, 2) + "    " +
           FormatFixed(s.StartIonic, 6, 3) + "N";
}

std::string_view QuantitiesLine(const SweepState& s) {
    switch (SweepCalcType(s)) {
        case CalculationType::Total:
            return "CHELATOR TOTAL[M] and METAL FREE[M]";
        case CalculationType::Free:
            return "CHELATOR TOTAL[M] and METAL TOTAL[M]";
        case CalculationType::Chelator:
            break;
    }
    return "METAL FREE[M] and METAL TOTAL[M]";
}

void WriteStartingConditions(const SweepState& s, OutputSink& output) {
    Emit(output, "STARTING CONDITIONS");
    Emit(output, ConditionsLine(s));
    Emit(output, QuantitiesLine(s));

    BlankRow names, values, metals, metalValues;
    for (int c = 1; c <= kSlots; ++c) {
        const std::string_view chelator = SweepChelatorName(s, c);
        const std::string_view metal = SweepMetalName(s, c);
        if (ChelatorType(s)) {
            names.Put(c, metal);
            if (!metal.empty() && s.StartMetalFree[c] != 0) values.Put(c, FormatSci(s.StartMetalFree[c]));
        } else {
            names.Put(c, chelator);
            if (!chelator.empty() && s.StartChelTotal[c] != 0) values.Put(c, FormatSci(s.StartChelTotal[c]));
        }
        metals.Put(c, metal);
        if (!metal.empty())
            metalValues.Put(c, FormatSci(TotalType(s) ? s.StartMetalFree[c] : s.StartMetalTotal[c]));
    }
    Emit(output, names.Text());
    Emit(output, values.Text());
    Emit(output, metals.Text());
    Emit(output, metalValues.Text());
    Emit(output, " ");
}

void WriteHeader(const SweepState& s, OutputSink& output) {
    std::string line = CutToChars(SweepTableLabel(s, s.XVariable) + "        ", 12);
    for (int k = 1; k <= kSlots; ++k) {
        const std::string_view metal = SweepMetalName(s, k);
        if (metal.empty()) continue;
        line += TotalType(s) ? " T" : " F";
        line += metal;
        line += "      ";
    }
    Emit(output, line);
}

// One table line: the axis value, then one 11-character column per series; a series value that
// is not positive leaves its column blank.
template <typename ValueOf>
std::string PointLine(double x, std::string_view afterValue, ValueOf valueOf) {
    std::string line = FormatSci(x) + "  ";
    for (int k = 1; k <= kSlots; ++k) {
        const double v = valueOf(k);
        if (v > 0)
            line.append(FormatSci(v)).append(afterValue);
        else
            line.append(11, ' ');
    }
    return line;
}

// A refined sweep marks the rows of points that even the refinement could not solve.
std::string Marked(const SweepState& s, std::string line, bool converged) {
    if (SweepMarksPoints(s) && !converged)
        line.append(std::string(kRowLength > line.size() ? kRowLength - line.size() : 0, ' ') + " *");
    return line;
}

void Write2DRows(const SweepState& s, OutputSink& output) {
    for (int i = 1; i <= kSweepPoints2D; ++i)
        Emit(output,
             Marked(s, PointLine(s.XStart + (i - 1) * s.XStep, "  ", [&](int k) { return s.Sweep2D[k][i]; }),
                    s.Converged2D[i]));
}

void Write3DRows(const SweepState& s, OutputSink& output) {
    for (int j = 1; j <= kSweepPoints3D; ++j) {
        Emit(output, SweepTableLabel(s, s.ZVariable) + "   " + FormatSci(s.ZStart + (j - 1) * s.ZStep));
        for (int i = 1; i <= kSweepPoints3D; ++i)
            Emit(output, Marked(s,
                                PointLine(s.XStart + (i - 1) * s.XStep, " ",
                                          [&](int k) { return s.Sweep3D[k][i][j]; }),
                                s.Converged3D[i][j]));
    }
}

}  // namespace

std::string SweepTableLabel(const SweepState& s, PointTarget code) {
    switch (code) {
        case PointTarget::Temperature:
            return "TEMP.";
        case PointTarget::PH:
            return " pH  ";
        case PointTarget::Ionic:
            return "[ion]";
        default:
            break;
    }
    const int slot = MetalSlotOfVariable(code);
    if (slot == 0) return {};
    return std::string(IsTotalMetalTarget(code) ? " T" : " F") + std::string(SweepMetalName(s, slot));
}

void WriteSweepTable(const SweepState& s, ReportPlacement placement, OutputSink& output) {
    BeginReport(output, placement);
    Emit(output, "Output from the Graph Environmental Effects ");
    Emit(output, std::string("      function of DedOdiz32 v") + std::string(kVersion));
    WriteStartingConditions(s, output);
    WriteHeader(s, output);
    if (Is3DSweep(s))
        Write3DRows(s, output);
    else
        Write2DRows(s, output);
    Emit(output, " ");
    Emit(output, " ");
    Emit(output, "NOT VALID BELOW IONIC CONCENTRATION OF CHELATOR/METAL COMPLEX [" +
                     FormatFixed(s.PeakComplexIonic, 6, 3) + " N]");
    if (SweepShowsRefinement(s)) {
        Emit(output, "EXACT: points refined to a mass-balance residual of at most " +
                         FormatSciTrimmed(s.WorstResidual));
        Emit(output, "* = not solved even by the refinement, not valid data");
    }
}

}  // namespace dedodiz
