#include "Run.h"

#include <cmath>
#include <string>
#include <vector>

#include "Corrections.h"
#include "FloatGuard.h"
#include "Format.h"
#include "Solver.h"

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

std::vector<std::string> BuildReport(State& s) {
    TSolution& w = s.WorkSolution;
    std::vector<std::string> lines;
    const std::string separator(kLineWidth, '-');
    const auto add = [&](const TableLine& line) { lines.push_back(line.Text()); };

    add(TableLine()
            .Put(2, "pH " + FormatFixed(w.PH, 5, 2))
            .Put(13, "Temp. " + FormatFixed(w.Temperature, 5, 1) + " C")
            .Put(30, "(Ionic) " + FormatFixed(w.IonicEquiv, 5, 3) + " N")
            .Put(48, "CM-I " + FormatFixed(s.SolutionIonic, 5, 3) + " N")
            .Put(63, "CM-E " + FormatFixed(s.SolutionCharge, 5, 3) + " N"));
    lines.push_back(s.Converged ? separator
                                : ">>>>>>>>>>> CONVERGENCE NOT REACHED VALUES NOT VALID! <<<<<<<<<<<");

    // Values too small to print are zero, here and in Solution after the run.
    for (int k = 1; k <= kSlots; ++k) {
        for (double* v : {&w.ChelTotal[k], &w.ChelFree[k], &w.MetalTotal[k], &w.MetalFree[k]})
            if (*v < 1e-99) *v = 0;
    }

    const auto chelatorRow = [&](std::string_view label, auto entry) {
        TableLine line;
        line.Put(2, label);
        for (int i = 1; i <= kSlots; ++i)
            if (ChelatorPresent(w, i)) line.Slot(i, entry(i));
        add(line);
    };
    const auto metalRow = [&](std::string_view label, auto entry) {
        TableLine line;
        line.Put(2, label);
        for (int j = 1; j <= kSlots; ++j)
            if (MetalPresent(w, j)) line.Slot(j, entry(j));
        add(line);
    };
    const auto chelatorName = [&](int i) { return w.ChelName[i].str(); };
    const auto metalName = [&](int j) { return w.MetalName[j].str(); };

    chelatorRow("Chelator", chelatorName);
    chelatorRow("Total", [&](int i) { return Conc(w.ChelTotal[i]); });
    chelatorRow("Free", [&](int i) { return Conc(w.ChelFree[i]); });
    lines.push_back(separator);
    metalRow("Metal", metalName);
    metalRow("Total", [&](int j) { return Conc(w.MetalTotal[j]); });
    metalRow("Free", [&](int j) { return Conc(w.MetalFree[j]); });
    lines.push_back(separator);

    lines.emplace_back("CHELATOR METAL COMPLEXES:");
    chelatorRow("", chelatorName);
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
        add(mhl);
        add(ml);
    }
    lines.push_back(separator);

    lines.emplace_back("Final Mixed Constants adjusted for temp,(ionic)");
    chelatorRow("Chelator", chelatorName);
    for (int n = 1; n <= 4; ++n) {
        TableLine line;
        line.Put(2, "   H" + std::to_string(n));
        for (int c = 1; c <= kSlots; ++c)
            if (ChelatorPresent(w, c) && w.LogKH[c][n] != 0) line.Slot(c, FormatFixed(w.LogKH[c][n], 6, 2));
        add(line);
    }

    lines.emplace_back("Association Constants and Kd's adjusted for pH,temp,(ionic)");
    metalRow("Metal", metalName);
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
        add(ml);
        add(mhl);
        add(kd);
        add(word);
    }

    lines.emplace_back("Free metal concentration must be in \"GOOD\" range for buffering to occur.");
    lines.emplace_back("Range is Kd/sqrt(10) to Kd*sqrt(10)");
    lines.emplace_back("");
    lines.emplace_back(
        CutToChars("DEDODIZ32 v" + std::string(kVersion) + " using " + s.ConstantsFileName.str(), 80));
    lines.emplace_back("Help > Contents explains this report; quote it whole when you report a problem.");
    return lines;
}

}  // namespace

std::string_view BufferingRangeWord(double kd, double free) {
    return RangeWord(kd, free);
}

bool CheckRunInputs(const State& s, MessageSink& messages) {
    const TSolution& sol = s.Solution;
    if (s.CalcType == 2) {
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
    if (std::abs(sol.Temperature - kReferenceTemperature) > 0.01 &&
        ValuesMissing(
            sol, [&](int i) { return sol.DeltaHH[i][1]; },
            [&](int i, int j) { return sol.DeltaHM[i][j][1]; })) {
        messages.Message("RESULTS NOT VALID, delta-H VALUES MISSING\rReset Temperature to 20 C or add values",
                         "ERROR");
        return false;
    }
    return true;
}

bool BufferingInRange(const State& s) {
    const TSolution& w = s.WorkSolution;
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

void WriteSinglePointReport(State& s, OutputSink& output) {
    for (const std::string& line : BuildReport(s)) output.AddOutputLine(line);
}

void RunSinglePoint(State& s, OutputSink& output, MessageSink& messages) {
    if (!CheckRunInputs(s, messages)) return;

    std::vector<std::string> report;
    bool inRange = true;
    const bool solved = RunGuarded(messages, [&] {
        PrepareWork(s);
        SolveEquilibrium(s);
        inRange = BufferingInRange(s);
        report = BuildReport(s);
    });
    if (!solved) return;

    if (s.SolutionCharge > s.Solution.IonicEquiv)
        messages.Message("Calculated (ionic) contribution is greater than total (ionic)",
                         "RAISE IONIC STRENGTH");
    if (!inRange)
        messages.Message("BUFFERING OUT OF RANGE\rIt will be very hard to be accurate", "INFORMATION");
    if (!s.Converged)
        messages.Message(
            "CONVERGENCE NOT REACHED\rRun GRAPH and approximate result\rby averaging over incongruity",
            "DIFFICULTY");
    if (s.Solution.PH < 4.0 || s.Solution.PH > 10.0)
        messages.Message("pH out of range, results probably not valid", "WARNING");

    if (!s.AddNextRun) output.ClearOutput();
    for (const std::string& line : report) output.AddOutputLine(line);
    StoreResults(s);
    output.ShowOutput();
}

}  // namespace dedodiz
