#include "Sweep.h"

#include "Corrections.h"
#include "FloatGuard.h"
#include "Format.h"
#include "Solver.h"

namespace dedodiz {

namespace {

// Everything a sweep writes, kept aside by RunSweepCommand so that a failed sweep leaves the last
// good one in place.
struct SweepResults {
    std::uint16_t SweepMode, XVariable, ZVariable;
    double XStart, ZStart, XStep, ZStep;
    double StartTemperature, StartPH, StartIonic;
    OneBased<ChelatorText, 6> StartChelName;
    OneBased<double, 6> StartChelTotal, StartChelFree;
    OneBased<MetalText, 6> StartMetalName;
    OneBased<double, 6> StartMetalTotal, StartMetalFree;
    double PeakComplexIonic;
    OneBased<OneBased<double, 41>, 6> Sweep2D;
    OneBased<bool, 41> Converged2D;
    OneBased<OneBased<OneBased<double, 11>, 11>, 6> Sweep3D;
    OneBased<OneBased<bool, 11>, 11> Converged3D;
};

SweepResults SaveResults(const State& s) {
    return {s.SweepMode,        s.XVariable,      s.ZVariable,       s.XStart,
            s.ZStart,           s.XStep,          s.ZStep,           s.StartTemperature,
            s.StartPH,          s.StartIonic,     s.StartChelName,   s.StartChelTotal,
            s.StartChelFree,    s.StartMetalName, s.StartMetalTotal, s.StartMetalFree,
            s.PeakComplexIonic, s.Sweep2D,        s.Converged2D,     s.Sweep3D,
            s.Converged3D};
}

void PutBack(State& s, const SweepResults& r) {
    s.SweepMode = r.SweepMode;
    s.XVariable = r.XVariable;
    s.ZVariable = r.ZVariable;
    s.XStart = r.XStart;
    s.ZStart = r.ZStart;
    s.XStep = r.XStep;
    s.ZStep = r.ZStep;
    s.StartTemperature = r.StartTemperature;
    s.StartPH = r.StartPH;
    s.StartIonic = r.StartIonic;
    s.StartChelName = r.StartChelName;
    s.StartChelTotal = r.StartChelTotal;
    s.StartChelFree = r.StartChelFree;
    s.StartMetalName = r.StartMetalName;
    s.StartMetalTotal = r.StartMetalTotal;
    s.StartMetalFree = r.StartMetalFree;
    s.PeakComplexIonic = r.PeakComplexIonic;
    s.Sweep2D = r.Sweep2D;
    s.Converged2D = r.Converged2D;
    s.Sweep3D = r.Sweep3D;
    s.Converged3D = r.Converged3D;
}

// Puts Solution back however the sweep is left.
class SolutionRestorer {
  public:
    explicit SolutionRestorer(State& s) : s_(s) {}
    SolutionRestorer(const SolutionRestorer&) = delete;
    SolutionRestorer& operator=(const SolutionRestorer&) = delete;
    ~SolutionRestorer() { RestoreSweepStart(s_); }

  private:
    State& s_;
};

// A metal axis sweeps the free concentration in type Total, where free metal is the given
// quantity, and the total concentration in types Free and Chelator.
std::uint16_t PointTarget(std::uint16_t axisVariable, std::int16_t calcType) {
    if (axisVariable > kVarIonic && calcType != 0) return static_cast<std::uint16_t>(axisVariable + 6);
    return axisVariable;
}

// An ionic strength of exactly 0 cannot be corrected to (the ionic term takes its square root
// through a logarithm), so an ionic axis entered from 0 starts just above it.
double FirstValue(std::uint16_t target, double low) {
    return target == kVarIonic && low == 0 ? 0.0001 : low;
}

void WritePointValue(State& s, std::uint16_t target, double v) {
    TSolution& w = s.WorkSolution;
    if (target == kVarTemperature) {
        w.Temperature = v;
        CorrectAllConstants(s);
    } else if (target == kVarPH) {
        w.PH = v;  // the solver derives its pH terms itself
    } else if (target == kVarIonic) {
        w.IonicEquiv = v;
        CorrectAllConstants(s);
    } else if (target < kVarFirstMetalTotal) {
        w.MetalFree[target - 2] = v;
    } else if (target <= kVarLastMetalTotal) {
        w.MetalTotal[target - 8] = v;
    }
}

// What each calculation type computes is what its series hold.
double SeriesValue(const State& s, int slot) {
    const TSolution& w = s.WorkSolution;
    switch (s.CalcType) {
        case 0:
            return w.MetalTotal[slot];
        case 1:
            return w.MetalFree[slot];
        case 2:
            return w.ChelTotal[slot];
        default:
            return 0;
    }
}

void Sweep3DPoints(State& s) {
    for (int i = 1; i <= kSweepPoints3D; ++i) {
        WritePointValue(s, s.XVariable, (i - 1) * s.XStep + s.XStart);
        for (int j = 1; j <= kSweepPoints3D; ++j) {
            WritePointValue(s, s.ZVariable, (j - 1) * s.ZStep + s.ZStart);
            SolveEquilibrium(s);
            s.Converged3D[i][j] = s.Converged;
            const double v = ComputeSolutionIonic(s);
            if (v > s.PeakComplexIonic) s.PeakComplexIonic = v;
            for (int k = 1; k <= kSlots; ++k) s.Sweep3D[k][i][j] = SeriesValue(s, k);
        }
    }
}

void Sweep2DPoints(State& s) {
    for (int i = 1; i <= kSweepPoints2D; ++i) {
        WritePointValue(s, s.XVariable, (i - 1) * s.XStep + s.XStart);
        SolveEquilibrium(s);
        s.Converged2D[i] = s.Converged;
        const double v = ComputeSolutionCharge(s);
        if (v > s.PeakComplexIonic) s.PeakComplexIonic = v;
        for (int k = 1; k <= kSlots; ++k) s.Sweep2D[k][i] = SeriesValue(s, k);
    }
}

}  // namespace

int MetalSlotOfVariable(std::uint16_t code) {
    if (code >= kVarFirstMetal && code < kVarFirstMetalTotal) return code - 2;
    if (code >= kVarFirstMetalTotal && code <= kVarLastMetalTotal) return code - 8;
    return 0;
}

std::string_view SweepChelatorName(const State& s, int k) {
    const std::string_view name = s.StartChelName[k];
    return name == kEmptyChelator ? std::string_view() : name;
}

std::string_view SweepMetalName(const State& s, int k) {
    const std::string_view name = s.StartMetalName[k];
    return name == kEmptyMetal ? std::string_view() : name;
}

void ResetSweepData(State& s) {
    s.XAxis = {};
    s.ZAxis = {};
    s.AxisChoice = 0;
    s.SweepMode = 0;
    s.XVariable = 0;
    s.ZVariable = 0;
    s.XStart = s.ZStart = 0;
    s.XStep = s.ZStep = 0;
    s.StartTemperature = s.StartPH = s.StartIonic = 0;
    for (int k = 1; k <= kSlots; ++k) {
        s.StartChelName[k].clear();
        s.StartMetalName[k].clear();
        s.StartChelTotal[k] = s.StartChelFree[k] = 0;
        s.StartMetalTotal[k] = s.StartMetalFree[k] = 0;
    }
    s.PeakComplexIonic = 0;
    for (auto& series : s.Sweep2D) series.fill(0);
    for (auto& series : s.Sweep3D)
        for (auto& row : series) row.fill(0);
    s.Converged2D.fill(false);
    for (auto& row : s.Converged3D) row.fill(false);
}

void PrepareSweep(State& s) {
    const TSolution& in = s.Solution;
    s.StartTemperature = in.Temperature;
    s.StartPH = in.PH;
    s.StartIonic = in.IonicEquiv;

    s.XVariable = PointTarget(s.XAxis.Variable, s.CalcType);
    s.ZVariable = PointTarget(s.ZAxis.Variable, s.CalcType);
    s.XStart = FirstValue(s.XVariable, s.XAxis.Low);
    s.ZStart = FirstValue(s.ZVariable, s.ZAxis.Low);
    // The steps run from the entered low value, not from a raised first value.
    if (Is3DSweep(s)) {
        s.XStep = (s.XAxis.High - s.XAxis.Low) / (kSweepPoints3D - 1);
        s.ZStep = (s.ZAxis.High - s.ZAxis.Low) / (kSweepPoints3D - 1);
    } else {
        s.XStep = (s.XAxis.High - s.XAxis.Low) / (kSweepPoints2D - 1);
    }

    for (int k = 1; k <= kSlots; ++k) {
        s.StartChelName[k] = in.ChelName[k];
        s.StartChelTotal[k] = in.ChelTotal[k];
        s.StartChelFree[k] = in.ChelFree[k];
        s.StartMetalName[k] = in.MetalName[k];
        s.StartMetalTotal[k] = in.MetalTotal[k];
        s.StartMetalFree[k] = in.MetalFree[k];
    }
}

void RestoreSweepStart(State& s) {
    TSolution& out = s.Solution;
    out.Temperature = s.StartTemperature;
    out.PH = s.StartPH;
    out.IonicEquiv = s.StartIonic;
    out.ChelTotal = s.StartChelTotal;
    out.ChelFree = s.StartChelFree;
    out.MetalTotal = s.StartMetalTotal;
    out.MetalFree = s.StartMetalFree;
}

void RunSweep(State& s) {
    PrepareSweep(s);
    const SolutionRestorer restorer(s);
    PrepareWork(s);
    s.PeakComplexIonic = 0;
    CorrectAllConstants(s);
    // Each point starts from what the previous one left in WorkSolution; nothing is reset between
    // points, and a point that does not converge counts like any other, its flag records it.
    if (Is3DSweep(s))
        Sweep3DPoints(s);
    else
        Sweep2DPoints(s);
}

bool RunSweepCommand(State& s, bool threeD, MessageSink& messages) {
    const SweepResults previous = SaveResults(s);
    s.SweepMode = static_cast<std::uint16_t>(s.CalcType + (threeD ? 3 : 0));
    // RunSweep itself puts Solution back, also when the sweep is left early.
    const bool done = RunGuarded(messages, [&] { RunSweep(s); });
    if (!done) PutBack(s, previous);
    return done;
}

std::string AxisValueText(double value) {
    return FormatSciLong(value);
}

bool AxisMetalShown(const State& s, int k) {
    return s.Solution.MetalName[k] != kEmptyMetal;
}

void ApplyAxisDialog(TAxisRange& axis, std::uint16_t choice, std::string_view lowText,
                     std::string_view highText) {
    axis.Variable = choice;
    if (const auto low = ParseReal(lowText)) axis.Low = *low;
    if (const auto high = ParseReal(highText)) axis.High = *high;
}

}  // namespace dedodiz
