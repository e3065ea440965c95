// SPDX-License-Identifier: BSD-3-Clause
#include "core/Sweep.h"

#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "engine/Point.h"
#include "engine/Solver.h"

namespace dedodiz {

namespace {

// Puts back what a sweep writes (all of the sweep data but the axes the user set), so that a failed
// sweep leaves the last good one in place.
void PutBack(SweepState& s, const SweepState& previous) {
    const TAxisRange x = s.XAxis, z = s.ZAxis;
    const AxisVariable choice = s.AxisChoice;
    s = previous;
    s.XAxis = x;
    s.ZAxis = z;
    s.AxisChoice = choice;
}

// Puts the solution back however the sweep is left.
class SolutionRestorer {
  public:
    SolutionRestorer(const SweepState& s, TSolution& solution) : s_(s), solution_(solution) {}
    SolutionRestorer(const SolutionRestorer&) = delete;
    SolutionRestorer& operator=(const SolutionRestorer&) = delete;
    ~SolutionRestorer() { RestoreSweepStart(s_, solution_); }

  private:
    const SweepState& s_;
    TSolution& solution_;
};

std::uint16_t Code(PointTarget target) {
    return static_cast<std::uint16_t>(target);
}

// A metal axis sweeps the free concentration in type Total, where free metal is the given
// quantity, and the total concentration in types Free and Chelator.
PointTarget TargetOf(AxisVariable axis, CalculationType type) {
    const auto code = static_cast<std::uint16_t>(axis);
    if (MetalSlotOfAxis(axis) != 0 && type != CalculationType::Total)
        return static_cast<PointTarget>(code + Code(PointTarget::TotalMetal1) -
                                        Code(PointTarget::FreeMetal1));
    return static_cast<PointTarget>(code);
}

// An ionic strength of exactly 0 cannot be corrected to (the ionic term takes its square root
// through a logarithm), so an ionic axis entered from 0 starts just above it.
double FirstValue(PointTarget target, double low) {
    return target == PointTarget::Ionic && low == 0 ? 0.0001 : low;
}

void WritePointValue(const TSolution& stored, TSolution& w, PointTarget target, double v) {
    if (target == PointTarget::Temperature) {
        w.Temperature = v;
        CorrectAllConstants(stored, w);
    } else if (target == PointTarget::PH) {
        w.PH = v;  // the solver derives its pH terms itself
    } else if (target == PointTarget::Ionic) {
        w.IonicEquiv = v;
        CorrectAllConstants(stored, w);
    } else if (const int slot = MetalSlotOfVariable(target); slot != 0) {
        (IsTotalMetalTarget(target) ? w.MetalTotal : w.MetalFree)[slot] = v;
    }
}

// What each calculation type computes is what its series hold.
double SeriesValue(const TSolution& w, CalculationType type, int slot) {
    switch (type) {
        case CalculationType::Total:
            return w.MetalTotal[slot];
        case CalculationType::Free:
            return w.MetalFree[slot];
        case CalculationType::Chelator:
            return w.ChelTotal[slot];
    }
    return 0;
}

// One point's solve at the sweep's precision.
void SolveSweepPoint(SweepState& s, Calculation& calc) {
    const PointOutcome point = SolvePoint(calc, s.SolvedAs);
    if (!point.refined) return;
    ++s.PointsRefined;
    if (point.converged && point.residual > s.WorstResidual) s.WorstResidual = point.residual;
}

void Sweep3DPoints(SweepState& s, Calculation& calc) {
    TSolution& w = calc.WorkSolution;
    for (int i = 1; i <= kSweepPoints3D; ++i) {
        WritePointValue(calc.Solution, w, s.XVariable, (i - 1) * s.XStep + s.XStart);
        for (int j = 1; j <= kSweepPoints3D; ++j) {
            WritePointValue(calc.Solution, w, s.ZVariable, (j - 1) * s.ZStep + s.ZStart);
            SolveSweepPoint(s, calc);
            s.Converged3D[i][j] = calc.Results.Converged;
            const double v = ComputeSolutionIonic(w, calc.Results);
            if (v > s.PeakComplexIonic) s.PeakComplexIonic = v;
            for (int k = 1; k <= kSlots; ++k) s.Sweep3D[k][i][j] = SeriesValue(w, calc.CalcType, k);
        }
    }
}

void Sweep2DPoints(SweepState& s, Calculation& calc) {
    TSolution& w = calc.WorkSolution;
    for (int i = 1; i <= kSweepPoints2D; ++i) {
        WritePointValue(calc.Solution, w, s.XVariable, (i - 1) * s.XStep + s.XStart);
        SolveSweepPoint(s, calc);
        s.Converged2D[i] = calc.Results.Converged;
        const double v = ComputeSolutionCharge(w, calc.Results);
        if (v > s.PeakComplexIonic) s.PeakComplexIonic = v;
        for (int k = 1; k <= kSlots; ++k) s.Sweep2D[k][i] = SeriesValue(w, calc.CalcType, k);
    }
}

}  // namespace

AxisVariable MetalAxis(int slot) {
    return static_cast<AxisVariable>(static_cast<int>(AxisVariable::Metal1) + slot - 1);
}

int MetalSlotOfAxis(AxisVariable axis) {
    const int code = static_cast<int>(axis);
    const int first = static_cast<int>(AxisVariable::Metal1);
    return code >= first && code < first + kSlots ? code - first + 1 : 0;
}

int MetalSlotOfVariable(PointTarget target) {
    const int code = Code(target);
    if (code >= Code(PointTarget::FreeMetal1) && code < Code(PointTarget::TotalMetal1))
        return code - Code(PointTarget::FreeMetal1) + 1;
    if (code >= Code(PointTarget::TotalMetal1) && code <= Code(PointTarget::LastTotalMetal))
        return code - Code(PointTarget::TotalMetal1) + 1;
    return 0;
}

bool IsTotalMetalTarget(PointTarget target) {
    return Code(target) >= Code(PointTarget::TotalMetal1) &&
           Code(target) <= Code(PointTarget::LastTotalMetal);
}

CalculationType SweepCalcType(const SweepState& s) {
    return static_cast<CalculationType>(static_cast<int>(s.SweepMode) % 3);
}

bool Is3DSweep(const SweepState& s) {
    return static_cast<int>(s.SweepMode) >= 3;
}

std::string_view SweepChelatorName(const SweepState& s, int k) {
    const std::string_view name = s.StartChelName[k];
    return name == kEmptyChelator ? std::string_view() : name;
}

std::string_view SweepMetalName(const SweepState& s, int k) {
    const std::string_view name = s.StartMetalName[k];
    return name == kEmptyMetal ? std::string_view() : name;
}

void ResetSweepData(SweepState& s) {
    s.XAxis = {};
    s.ZAxis = {};
    s.AxisChoice = AxisVariable::Temperature;
    s.SweepMode = SweepKind::Total2D;
    s.XVariable = PointTarget::Temperature;
    s.ZVariable = PointTarget::Temperature;
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
    s.SolvedAs = Precision::Described;
    s.PointsRefined = 0;
    s.WorstResidual = 0;
    for (auto& series : s.Sweep2D) series.fill(0);
    for (auto& series : s.Sweep3D)
        for (auto& row : series) row.fill(0);
    s.Converged2D.fill(false);
    for (auto& row : s.Converged3D) row.fill(false);
}

void PrepareSweep(SweepState& s, const Calculation& calc) {
    const TSolution& in = calc.Solution;
    s.StartTemperature = in.Temperature;
    s.StartPH = in.PH;
    s.StartIonic = in.IonicEquiv;

    s.XVariable = TargetOf(s.XAxis.Variable, calc.CalcType);
    s.ZVariable = TargetOf(s.ZAxis.Variable, calc.CalcType);
    s.XStart = FirstValue(s.XVariable, s.XAxis.Low);
    s.ZStart = FirstValue(s.ZVariable, s.ZAxis.Low);
    // The steps run from the entered low value, not from a raised first value.
    // A range that spans more than the doubles do has no step.
    if (Is3DSweep(s)) {
        s.XStep = checked::Finite((s.XAxis.High - s.XAxis.Low) / (kSweepPoints3D - 1));
        s.ZStep = checked::Finite((s.ZAxis.High - s.ZAxis.Low) / (kSweepPoints3D - 1));
    } else {
        s.XStep = checked::Finite((s.XAxis.High - s.XAxis.Low) / (kSweepPoints2D - 1));
    }

    // The snapshot keeps the names of the present slots; an empty slot gets an empty name, which the
    // graph and the sweep table print as nothing.
    for (int k = 1; k <= kSlots; ++k) {
        s.StartChelName[k] = in.ChelName[k] == kEmptyChelator ? std::string_view() : in.ChelName[k].view();
        s.StartChelTotal[k] = in.ChelTotal[k];
        s.StartChelFree[k] = in.ChelFree[k];
        s.StartMetalName[k] = in.MetalName[k] == kEmptyMetal ? std::string_view() : in.MetalName[k].view();
        s.StartMetalTotal[k] = in.MetalTotal[k];
        s.StartMetalFree[k] = in.MetalFree[k];
    }
}

void RestoreSweepStart(const SweepState& s, TSolution& out) {
    out.Temperature = s.StartTemperature;
    out.PH = s.StartPH;
    out.IonicEquiv = s.StartIonic;
    out.ChelTotal = s.StartChelTotal;
    out.ChelFree = s.StartChelFree;
    out.MetalTotal = s.StartMetalTotal;
    out.MetalFree = s.StartMetalFree;
}

void RunSweep(SweepState& s, Calculation& calc, Precision precision) {
    PrepareSweep(s, calc);
    s.SolvedAs = precision;
    s.PointsRefined = 0;
    s.WorstResidual = 0;
    const SolutionRestorer restorer(s, calc.Solution);
    PrepareWork(calc.Solution, calc.WorkSolution);
    s.PeakComplexIonic = 0;
    CorrectAllConstants(calc.Solution, calc.WorkSolution);
    // Each point starts from what the previous one left in the working copy; nothing is reset between
    // points, and a point that does not converge counts like any other, its flag records it.
    if (Is3DSweep(s))
        Sweep3DPoints(s, calc);
    else
        Sweep2DPoints(s, calc);
}

bool RunSweepCommand(SweepState& s, Calculation& calc, bool threeD, MessageSink& messages,
                     Precision precision) {
    const SweepState previous = s;
    s.SweepMode = static_cast<SweepKind>(static_cast<int>(calc.CalcType) + (threeD ? 3 : 0));
    // RunSweep itself puts the solution back, also when the sweep is left early.
    const bool done = RunGuarded(messages, [&] { RunSweep(s, calc, precision); });
    if (!done) PutBack(s, previous);
    return done;
}

bool SweepMarksPoints(const SweepState& s) {
    return s.SolvedAs != Precision::Described;
}

bool SweepShowsRefinement(const SweepState& s) {
    if (s.SolvedAs == Precision::Exact) return true;
    if (s.SolvedAs == Precision::Described) return false;
    if (s.PointsRefined > 0) return true;
    if (Is3DSweep(s)) {
        for (const auto& row : s.Converged3D)
            for (const bool converged : row)
                if (!converged) return true;
        return false;
    }
    for (const bool converged : s.Converged2D)
        if (!converged) return true;
    return false;
}

std::string AxisValueText(double value) {
    return FormatSciLong(value);
}

bool AxisMetalShown(const TSolution& solution, int k) {
    return solution.MetalName[k] != kEmptyMetal;
}

void ApplyAxisDialog(TAxisRange& axis, AxisVariable choice, std::string_view lowText,
                     std::string_view highText) {
    axis.Variable = choice;
    if (const auto low = ParseReal(lowText)) axis.Low = *low;
    if (const auto high = ParseReal(highText)) axis.High = *high;
}

}  // namespace dedodiz
