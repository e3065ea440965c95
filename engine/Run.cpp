// SPDX-License-Identifier: BSD-3-Clause
#include "engine/Run.h"

#include <cmath>
#include <string>
#include <vector>

#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "engine/Point.h"
#include "engine/Tolerances.h"

namespace dedodiz {

namespace {

constexpr int kLineWidth = 78;
const double kSqrt10 = std::sqrt(10.0);

bool ChelatorPresent(const TSolution& sol, int i) {
    return sol.ChelName[i] != kEmptyChelator;
}
bool MetalPresent(const TSolution& sol, int j) {
    return sol.MetalName[j] != kEmptyMetal;
}

// A report line of 78 blanks into which texts are written at 1-based columns; text that would pass
// column 78 is cut.
class TableLine {
  public:
    TableLine() : text_(kLineWidth, ' ') {}
    TableLine& Put(int column, std::string_view s) {
        for (std::size_t k = 0; k < s.size(); ++k) {
            const std::size_t at = static_cast<std::size_t>(column - 1) + k;
            if (at >= text_.size()) break;
            text_[at] = s[k];
        }
        return *this;
    }
    // The entry of slot s (1..6) starts at column 11 s + 2: 13, 24, 35, 46, 57, 68.
    TableLine& Slot(int s, std::string_view entry) { return Put(11 * s + 2, entry); }
    [[nodiscard]] const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

std::string Conc(double x) {
    return FormatSci(x) + "M";
}

// Where the free metal lies against the buffering range Kd/sqrt(10) .. Kd*sqrt(10).
std::string_view RangeWord(double kd, double free) {
    if (10 * kd < free) return ">>RANGE";
    if (kSqrt10 * kd < free) return "> RANGE";
    if (kd / 10 > free) return "<<RANGE";
    if (kd / kSqrt10 > free) return "< RANGE";
    return "  GOOD";
}

// The finding of the missing-constant rule: a later chelator whose first protonation value is
// absent resets what the earlier ones found.
template <typename ChelatorValue, typename PairValue>
bool ValuesMissing(const TSolution& sol, ChelatorValue chelatorValue, PairValue pairValue) {
    bool missing = false;
    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorPresent(sol, i)) continue;
        if (chelatorValue(i) == 0) missing = false;
        for (int j = 1; j <= kSlots; ++j)
            if (MetalPresent(sol, j) && pairValue(i, j) == 0) missing = true;
    }
    return missing;
}

std::string ConditionsLine(const TSolution& w, const SolverResults& s) {
    return TableLine()
        .Put(2, "pH " + FormatFixed(w.PH, 5, 2))
        .Put(13, "Temp. " + FormatFixed(w.Temperature, 5, 1) + " C")
        .Put(30, "(Ionic) " + FormatFixed(w.IonicEquiv, 5, 3) + " N")
        .Put(48, "CM-I " + FormatFixed(s.SolutionIonic, 5, 3) + " N")
        .Put(63, "CM-E " + FormatFixed(s.SolutionCharge, 5, 3) + " N")
        .Text();
}

// The rows of one slot kind: a label, then an entry in the column of every present slot.
class SlotRows {
  public:
    SlotRows(const TSolution& w, std::vector<std::string>& lines) : w_(w), lines_(lines) {}

    template <typename Entry>
    void Chelators(std::string_view label, Entry entry) const {
        TableLine line;
        line.Put(2, label);
        for (int i = 1; i <= kSlots; ++i)
            if (ChelatorPresent(w_, i)) line.Slot(i, entry(i));
        lines_.push_back(line.Text());
    }
    template <typename Entry>
    void Metals(std::string_view label, Entry entry) const {
        TableLine line;
        line.Put(2, label);
        for (int j = 1; j <= kSlots; ++j)
            if (MetalPresent(w_, j)) line.Slot(j, entry(j));
        lines_.push_back(line.Text());
    }
    [[nodiscard]] std::string ChelatorName(int i) const { return w_.ChelName[i].str(); }
    [[nodiscard]] std::string MetalName(int j) const { return w_.MetalName[j].str(); }

  private:
    const TSolution& w_;
    std::vector<std::string>& lines_;
};

void AddConcentrations(const TSolution& w, const SlotRows& rows, std::vector<std::string>& lines) {
    const std::string separator(kLineWidth, '-');
    const auto chelatorName = [&](int i) { return rows.ChelatorName(i); };
    const auto metalName = [&](int j) { return rows.MetalName(j); };
    rows.Chelators("Chelator", chelatorName);
    rows.Chelators("Total", [&](int i) { return Conc(w.ChelTotal[i]); });
    rows.Chelators("Free", [&](int i) { return Conc(w.ChelFree[i]); });
    lines.push_back(separator);
    rows.Metals("Metal", metalName);
    rows.Metals("Total", [&](int j) { return Conc(w.MetalTotal[j]); });
    rows.Metals("Free", [&](int j) { return Conc(w.MetalFree[j]); });
    lines.push_back(separator);
}

void AddComplexes(const TSolution& w, const SolverResults& s, const SlotRows& rows,
                  std::vector<std::string>& lines) {
    lines.emplace_back("CHELATOR METAL COMPLEXES:");
    rows.Chelators("", [&](int i) { return rows.ChelatorName(i); });
    for (int m = 1; m <= kSlots; ++m) {
        if (!MetalPresent(w, m)) continue;
        TableLine mhl;
        mhl.Put(2, w.MetalName[m].view()).Put(5, "H");
        TableLine ml;
        ml.Put(2, w.MetalName[m].view());
        for (int c = 1; c <= kSlots; ++c) {
            if (!ChelatorPresent(w, c)) continue;
            mhl.Slot(c, Conc(s.MHLConc[c][m]));
            ml.Slot(c, Conc(s.MLConc[c][m]));
        }
        lines.push_back(mhl.Text());
        lines.push_back(ml.Text());
    }
    lines.emplace_back(kLineWidth, '-');
}

void AddConstants(const TSolution& w, const SolverResults& s, const SlotRows& rows,
                  std::vector<std::string>& lines) {
    lines.emplace_back("Final Mixed Constants adjusted for temp,(ionic)");
    rows.Chelators("Chelator", [&](int i) { return rows.ChelatorName(i); });
    for (int n = 1; n <= 4; ++n) {
        TableLine line;
        line.Put(2, "   H" + std::to_string(n));
        for (int c = 1; c <= kSlots; ++c)
            if (ChelatorPresent(w, c) && w.LogKH[c][n] != 0) line.Slot(c, FormatFixed(w.LogKH[c][n], 6, 2));
        lines.push_back(line.Text());
    }

    lines.emplace_back("Association Constants and Kd's adjusted for pH,temp,(ionic)");
    rows.Metals("Metal", [&](int j) { return rows.MetalName(j); });
    for (int c = 1; c <= kSlots; ++c) {
        if (!ChelatorPresent(w, c)) continue;
        TableLine ml, mhl, kd, word;
        ml.Put(2, w.ChelName[c].str() + "-ML");
        mhl.Put(2, "   -MHL ");
        kd.Put(2, "  -Kd(M)");
        word.Put(2, " buffer? ");
        for (int m = 1; m <= kSlots; ++m) {
            if (!MetalPresent(w, m)) continue;
            if (s.LogKcML[c][m] != 0) ml.Slot(m, FormatFixed(s.LogKcML[c][m], 6, 2));
            if (s.LogKcMHL[c][m] != 0) mhl.Slot(m, FormatFixed(s.LogKcMHL[c][m], 6, 2));
            if (s.KdCombined[c][m] != 0) {
                kd.Slot(m, FormatSci(s.KdCombined[c][m]));
                word.Slot(m, RangeWord(s.KdCombined[c][m], w.MetalFree[m]));
            }
        }
        for (const TableLine* line : {&ml, &mhl, &kd, &word}) lines.push_back(line->Text());
    }
}

}  // namespace

void ZeroUnprintableConcentrations(TSolution& w) {
    for (int k = 1; k <= kSlots; ++k) {
        for (double* v : {&w.ChelTotal[k], &w.ChelFree[k], &w.MetalTotal[k], &w.MetalFree[k]})
            if (*v < 1e-99) *v = 0;
    }
}

std::string RefinedLine(double residual) {
    const std::string sci = FormatSciTrimmed(residual);
    const std::string text = " EXACT: REFINED TO A MASS-BALANCE RESIDUAL OF " + sci + " ";
    const std::size_t left = (static_cast<std::size_t>(kLineWidth) - text.size()) / 2;
    std::string line(left, '-');
    line += text;
    line.append(static_cast<std::size_t>(kLineWidth) - line.size(), '-');
    return line;
}

std::vector<std::string> SinglePointReport(const TSolution& w, const SolverResults& s,
                                           std::string_view constantsFileName,
                                           const double* refinedResidual) {
    std::vector<std::string> lines;
    lines.push_back(ConditionsLine(w, s));
    if (!s.Converged)
        lines.emplace_back(">>>>>>>>>>> CONVERGENCE NOT REACHED VALUES NOT VALID! <<<<<<<<<<<");
    else
        lines.push_back(refinedResidual != nullptr ? RefinedLine(*refinedResidual)
                                                   : std::string(kLineWidth, '-'));
    const SlotRows rows(w, lines);
    AddConcentrations(w, rows, lines);
    AddComplexes(w, s, rows, lines);
    AddConstants(w, s, rows, lines);
    lines.emplace_back("Free metal concentration must be in \"GOOD\" range for buffering to occur.");
    lines.emplace_back("Range is Kd/sqrt(10) to Kd*sqrt(10)");
    lines.emplace_back("");
    lines.emplace_back(
        CutToChars("DEDODIZ32 v" + std::string(kVersion) + " using " + std::string(constantsFileName), 80));
    lines.emplace_back("Help > Contents explains this report; quote it whole when you report a problem.");
    return lines;
}

std::string_view BufferingRangeWord(double kd, double free) {
    return RangeWord(kd, free);
}

bool CheckRunInputs(const TSolution& sol, CalculationType type, MessageSink& messages) {
    if (type == CalculationType::Chelator) {
        for (int j = 1; j <= kSlots; ++j) {
            if (sol.MetalTotal[j] < sol.MetalFree[j]) {
                messages.Message("Total metal cannot be < free metal", "ERROR");
                return false;
            }
        }
    }
    if (ValuesMissing(
            sol, [&](int i) { return sol.LogKH[i][1]; }, [&](int i, int j) { return sol.LogKM[i][j][1]; })) {
        messages.Message("RESULTS NOT VALID, CONSTANTS MISSING", "ERROR");
        return false;
    }
    if (std::abs(sol.Temperature - kReferenceTemperature) > kTemperatureWindow &&
        ValuesMissing(
            sol, [&](int i) { return sol.DeltaHH[i][1]; },
            [&](int i, int j) { return sol.DeltaHM[i][j][1]; })) {
        messages.Message("RESULTS NOT VALID, delta-H VALUES MISSING\rReset Temperature to 20 C or add values",
                         "ERROR");
        return false;
    }
    return true;
}

bool BufferingInRange(const TSolution& w, const SolverResults& s) {
    for (int j = 1; j <= kSlots; ++j) {
        if (s.KdCombined[1][j] == 0) continue;
        bool buffered = false;
        for (int i = 1; i <= kSlots; ++i) {
            const double kd = s.KdCombined[i][j];
            if (kd != 0 && kd / kSqrt10 < w.MetalFree[j] && w.MetalFree[j] < kd * kSqrt10) buffered = true;
        }
        if (!buffered) return false;
    }
    return true;
}

namespace {

unsigned WarningsOf(const Calculation& calc, bool inRange) {
    const SolverResults& results = calc.Results;
    unsigned warnings = 0;
    if (results.SolutionCharge > calc.Solution.IonicEquiv) warnings |= kWarnRaiseIonic;
    if (!inRange) warnings |= kWarnOutOfRange;
    if (!results.Converged) warnings |= kWarnNotConverged;
    if (calc.Solution.PH < 4.0 || calc.Solution.PH > 10.0) warnings |= kWarnPH;
    return warnings;
}

}  // namespace

void ShowRunWarnings(unsigned warnings, MessageSink& messages) {
    if ((warnings & kWarnRaiseIonic) != 0)
        messages.Message("Calculated (ionic) contribution is greater than total (ionic)",
                         "RAISE IONIC STRENGTH");
    if ((warnings & kWarnOutOfRange) != 0)
        messages.Message("BUFFERING OUT OF RANGE\rIt will be very hard to be accurate", "INFORMATION");
    if ((warnings & kWarnNotConverged) != 0)
        messages.Message(
            "CONVERGENCE NOT REACHED\rRun GRAPH and approximate result\rby averaging over incongruity",
            "DIFFICULTY");
    if ((warnings & kWarnPH) != 0) messages.Message("pH out of range, results probably not valid", "WARNING");
}

QuietRun RunQuietly(Calculation& calc, Precision precision, MessageSink& messages) {
    QuietRun run;
    if (!CheckRunInputs(calc.Solution, calc.CalcType, messages)) return run;
    bool inRange = true;
    PointOutcome point;
    const bool solved = RunGuarded(messages, [&] {
        PrepareWork(calc.Solution, calc.WorkSolution);
        point = SolvePoint(calc, precision);
        inRange = BufferingInRange(calc.WorkSolution, calc.Results);
        ZeroUnprintableConcentrations(calc.WorkSolution);
    });
    if (!solved) {
        run.status = RunStatus::Fault;
        return run;
    }
    run.status = RunStatus::Ran;
    run.converged = calc.Results.Converged;
    run.refined = point.refined;
    run.residual = point.residual;
    run.warnings = WarningsOf(calc, inRange);
    return run;
}

RunOutcome RunSinglePoint(Calculation& calc, std::string_view constantsFileName, ReportPlacement placement,
                          OutputSink& output, MessageSink& shown, Precision precision) {
    MessageLog messages(shown);
    RunOutcome outcome;
    const auto finish = [&](RunStatus status) {
        outcome.status = status;
        outcome.messages = messages.Messages();
        return outcome;
    };
    if (!CheckRunInputs(calc.Solution, calc.CalcType, messages)) return finish(RunStatus::Refused);

    TSolution& work = calc.WorkSolution;
    const SolverResults& results = calc.Results;
    bool inRange = true;
    const bool solved = RunGuarded(messages, [&] {
        PrepareWork(calc.Solution, work);
        const PointOutcome point = SolvePoint(calc, precision);
        outcome.refined = point.refined;
        outcome.residual = point.residual;
        inRange = BufferingInRange(work, results);
        ZeroUnprintableConcentrations(work);
        outcome.report = SinglePointReport(work, results, constantsFileName,
                                           outcome.refined ? &outcome.residual : nullptr);
    });
    if (!solved) {
        outcome.report.clear();
        return finish(RunStatus::Fault);
    }
    outcome.converged = results.Converged;
    ShowRunWarnings(WarningsOf(calc, inRange), messages);

    BeginReport(output, placement);
    for (const std::string& line : outcome.report) output.AddOutputLine(line);
    StoreResults(work, calc.Solution);
    output.ShowOutput();
    return finish(RunStatus::Ran);
}

}  // namespace dedodiz
