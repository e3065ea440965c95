// SPDX-License-Identifier: BSD-3-Clause
// The single-point run and the sweeps as data.

#include <cmath>

#include "core/ExportSupport.h"
#include "core/Sweep.h"
#include "engine/Run.h"

namespace dedodiz {

using namespace exporting;

namespace {

// The series of the last sweep that belong to a slot: chelator slots in type Chelator, metal slots
// otherwise.
bool SeriesPresent(const SweepState& s, int series) {
    return SweepCalcType(s) == CalculationType::Chelator ? !SweepChelatorName(s, series).empty()
                                                         : !SweepMetalName(s, series).empty();
}

double SweepX(const SweepState& s, int i) {
    return s.XStart + (i - 1) * s.XStep;
}
double SweepZ(const SweepState& s, int j) {
    return s.ZStart + (j - 1) * s.ZStep;
}

json Axis(const SweepState& s, PointTarget code, int points, double start, double step) {
    json axis = {{"key", SweepVariableKey(s, code)}, {"start", start}, {"step", step}};
    const int slot = MetalSlotOfVariable(code);
    axis["metal_slot"] = slot != 0 ? json(slot) : json(nullptr);
    json values = json::array();
    for (int i = 1; i <= points; ++i) values.push_back(Number(start + (i - 1) * step));
    axis["values"] = std::move(values);
    return axis;
}

}  // namespace

std::string SweepVariableKey(const SweepState& s, PointTarget code) {
    switch (code) {
        case PointTarget::Temperature:
            return "temperature_C";
        case PointTarget::PH:
            return "pH";
        case PointTarget::Ionic:
            return "ionic_strength_N";
        default:
            break;
    }
    const int slot = MetalSlotOfVariable(code);
    if (slot == 0) return "variable_" + std::to_string(static_cast<int>(code));
    return Key(IsTotalMetalTarget(code) ? "total" : "free", SweepMetalName(s, slot), "M");
}

std::string SweepSeriesKey(const SweepState& s, int series) {
    switch (SweepCalcType(s)) {
        case CalculationType::Total:
            return Key("total", SweepMetalName(s, series), "M");
        case CalculationType::Free:
            return Key("free", SweepMetalName(s, series), "M");
        case CalculationType::Chelator:
            break;
    }
    return Key("total", SweepChelatorName(s, series), "M");
}

namespace {

json RunChelators(const TSolution& w) {
    json chelators = json::array();
    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorPresent(w, i)) continue;
        json c = {{"slot", i},
                  {"name", ExportText(w.ChelName[i].view())},
                  {"total_M", Number(w.ChelTotal[i])},
                  {"free_M", Number(w.ChelFree[i])}};
        for (int n = 1; n <= 4; ++n) c["log_K_H" + std::to_string(n)] = LogK(w.LogKH[i][n]);
        chelators.push_back(std::move(c));
    }
    return chelators;
}

json RunMetals(const TSolution& w) {
    json metals = json::array();
    for (int m = 1; m <= kSlots; ++m) {
        if (!MetalPresent(w, m)) continue;
        metals.push_back({{"slot", m},
                          {"name", ExportText(w.MetalName[m].view())},
                          {"valence", w.MetalValence[m]},
                          {"total_M", Number(w.MetalTotal[m])},
                          {"free_M", Number(w.MetalFree[m])}});
    }
    return metals;
}

json RunPairs(const TSolution& w, const SolverResults& s) {
    json pairs = json::array();
    for (int c = 1; c <= kSlots; ++c) {
        if (!ChelatorPresent(w, c)) continue;
        for (int m = 1; m <= kSlots; ++m) {
            if (!MetalPresent(w, m)) continue;
            const double kd = s.KdCombined[c][m];
            std::string_view word = kd != 0 ? BufferingRangeWord(kd, w.MetalFree[m]) : std::string_view();
            while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
            pairs.push_back({{"chelator_slot", c},
                             {"chelator", ExportText(w.ChelName[c].view())},
                             {"metal_slot", m},
                             {"metal", ExportText(w.MetalName[m].view())},
                             {"log_Kc_ML", LogK(s.LogKcML[c][m])},
                             {"log_Kc_MHL", LogK(s.LogKcMHL[c][m])},
                             {"Kd_M", kd != 0 ? Number(kd) : json(nullptr)},
                             {"ML_M", Number(s.MLConc[c][m])},
                             {"MHL_M", Number(s.MHLConc[c][m])},
                             {"range", kd != 0 ? json(std::string(word)) : json(nullptr)}});
        }
    }
    return pairs;
}

}  // namespace

json RunJson(const Calculation& calc, std::string_view constantsFileName, const ShownMessages& shown,
             std::optional<double> refinedResidual) {
    const TSolution& w = calc.WorkSolution;
    const SolverResults& s = calc.Results;
    json j = Header("single_point_run");
    j["calculation_type"] = TypeWord(calc.CalcType);
    j["constants_file"] = ExportText(constantsFileName);
    j["conditions"] = Conditions(w.Temperature, w.PH, w.IonicEquiv);
    j["converged"] = s.Converged;
    if (refinedResidual) {
        j["refined"] = true;
        j["residual"] = Number(*refinedResidual);
    }
    j["solution_ionic_strength_M"] = Number(s.SolutionIonic);
    j["solution_ionic_equivalents_N"] = Number(s.SolutionCharge);
    j["chelators"] = RunChelators(w);
    j["metals"] = RunMetals(w);
    j["pairs"] = RunPairs(w, s);
    j["warnings"] = Messages(shown);
    return j;
}

std::string RunCsv(const Calculation& calc, std::optional<double> refinedResidual) {
    const TSolution& w = calc.WorkSolution;
    const SolverResults& s = calc.Results;
    Csv header, values;
    header.Texts({"calculation_type", "temperature_C", "pH", "ionic_strength_N", "converged",
                  "solution_ionic_strength_M", "solution_ionic_equivalents_N"});
    values.Text(TypeWord(calc.CalcType))
        .Value(w.Temperature)
        .Value(w.PH)
        .Value(w.IonicEquiv)
        .Flag(s.Converged);
    values.Value(s.SolutionIonic).Value(s.SolutionCharge);
    if (refinedResidual) {
        header.Texts({"refined", "residual"});
        values.Flag(true).Value(*refinedResidual);
    }

    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorPresent(w, i)) continue;
        const std::string_view name = w.ChelName[i].view();
        header.Text(Key("total", name, "M")).Text(Key("free", name, "M"));
        values.Value(w.ChelTotal[i]).Value(w.ChelFree[i]);
        for (int n = 1; n <= 4; ++n) {
            header.Text(Key("log_K_H" + std::to_string(n), name, ""));
            values.Log(w.LogKH[i][n]);
        }
    }
    for (int m = 1; m <= kSlots; ++m) {
        if (!MetalPresent(w, m)) continue;
        const std::string_view name = w.MetalName[m].view();
        header.Text(Key("total", name, "M")).Text(Key("free", name, "M"));
        values.Value(w.MetalTotal[m]).Value(w.MetalFree[m]);
    }
    for (int c = 1; c <= kSlots; ++c) {
        if (!ChelatorPresent(w, c)) continue;
        for (int m = 1; m <= kSlots; ++m) {
            if (!MetalPresent(w, m)) continue;
            const std::string pair =
                ExportText(w.ChelName[c].view()) + "_" + ExportText(w.MetalName[m].view());
            header.Text(Key("log_Kc_ML", pair, ""))
                .Text(Key("log_Kc_MHL", pair, ""))
                .Text(Key("Kd", pair, "M"))
                .Text(Key("ML", pair, "M"))
                .Text(Key("MHL", pair, "M"))
                .Text(Key("range", pair, ""));
            const double kd = s.KdCombined[c][m];
            values.Log(s.LogKcML[c][m]).Log(s.LogKcMHL[c][m]);
            if (kd != 0)
                values.Value(kd);
            else
                values.Empty();
            values.Value(s.MLConc[c][m]).Value(s.MHLConc[c][m]);
            std::string_view word = kd != 0 ? BufferingRangeWord(kd, w.MetalFree[m]) : std::string_view();
            while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
            values.Text(word);
        }
    }
    header.EndRow();
    values.EndRow();
    return header.Str() + values.Str();
}

namespace {

// The conditions and the slots of the solution the sweep started from.
json SweepStart(const SweepState& s) {
    json start = Conditions(s.StartTemperature, s.StartPH, s.StartIonic);
    json chelators = json::array(), metals = json::array();
    for (int k = 1; k <= kSlots; ++k) {
        if (const std::string_view name = SweepChelatorName(s, k); !name.empty())
            chelators.push_back({{"slot", k},
                                 {"name", ExportText(name)},
                                 {"total_M", Number(s.StartChelTotal[k])},
                                 {"free_M", Number(s.StartChelFree[k])}});
        if (const std::string_view name = SweepMetalName(s, k); !name.empty())
            metals.push_back({{"slot", k},
                              {"name", ExportText(name)},
                              {"valence", ValenceOf(name)},
                              {"total_M", Number(s.StartMetalTotal[k])},
                              {"free_M", Number(s.StartMetalFree[k])}});
    }
    start["chelators"] = std::move(chelators);
    start["metals"] = std::move(metals);
    return start;
}

// One value per point: a list over X for a 2D sweep, a list over X of lists over Z for a 3D one.
template <typename Of2D, typename Of3D>
json PointValues(const SweepState& s, Of2D of2D, Of3D of3D) {
    json values = json::array();
    if (!Is3DSweep(s)) {
        for (int i = 1; i <= kSweepPoints2D; ++i) values.push_back(of2D(i));
        return values;
    }
    for (int i = 1; i <= kSweepPoints3D; ++i) {
        json row = json::array();
        for (int z = 1; z <= kSweepPoints3D; ++z) row.push_back(of3D(i, z));
        values.push_back(std::move(row));
    }
    return values;
}

}  // namespace

json SweepJson(const SweepState& s, const ShownMessages& shown) {
    const bool threeD = Is3DSweep(s);
    json j = Header(threeD ? "sweep_3d" : "sweep_2d");
    j["calculation_type"] = TypeWord(SweepCalcType(s));
    j["start"] = SweepStart(s);

    const int points = threeD ? kSweepPoints3D : kSweepPoints2D;
    j["x"] = Axis(s, s.XVariable, points, s.XStart, s.XStep);
    if (threeD) j["z"] = Axis(s, s.ZVariable, points, s.ZStart, s.ZStep);

    json series = json::array();
    for (int k = 1; k <= kSlots; ++k) {
        if (!SeriesPresent(s, k)) continue;
        json values = PointValues(
            s, [&](int i) { return Number(s.Sweep2D[k][i]); },
            [&](int i, int z) { return Number(s.Sweep3D[k][i][z]); });
        const std::string_view name =
            SweepCalcType(s) == CalculationType::Chelator ? SweepChelatorName(s, k) : SweepMetalName(s, k);
        series.push_back({{"slot", k},
                          {"name", ExportText(name)},
                          {"key", SweepSeriesKey(s, k)},
                          {"values", std::move(values)}});
    }
    j["series"] = std::move(series);
    j["converged"] = PointValues(
        s, [&](int i) { return json(s.Converged2D[i]); },
        [&](int i, int z) { return json(s.Converged3D[i][z]); });
    if (SweepShowsRefinement(s)) {
        j["refined"] = true;
        j["residual"] = Number(s.WorstResidual);
    }
    // 2D keeps the largest ionic equivalents of its points, 3D the largest ionic strength.
    j[threeD ? "validity_limit_M" : "validity_limit_N"] = Number(s.PeakComplexIonic);
    j["warnings"] = Messages(shown);
    return j;
}

std::string SweepCsv(const SweepState& s) {
    const bool threeD = Is3DSweep(s);
    Csv csv;
    std::string xKey = SweepVariableKey(s, s.XVariable);
    std::string zKey = threeD ? SweepVariableKey(s, s.ZVariable) : std::string();
    if (threeD && xKey == zKey) {  // nothing stops both axes sweeping the same quantity
        xKey = "x_" + xKey;
        zKey = "z_" + zKey;
    }
    csv.Text(xKey);
    if (threeD) csv.Text(zKey);
    for (int k = 1; k <= kSlots; ++k)
        if (SeriesPresent(s, k)) csv.Text(SweepSeriesKey(s, k));
    csv.Text("converged");
    csv.EndRow();

    if (!threeD) {
        for (int i = 1; i <= kSweepPoints2D; ++i) {
            csv.Value(SweepX(s, i));
            for (int k = 1; k <= kSlots; ++k)
                if (SeriesPresent(s, k)) csv.Value(s.Sweep2D[k][i]);
            csv.Flag(s.Converged2D[i]);
            csv.EndRow();
        }
        return csv.Str();
    }
    for (int z = 1; z <= kSweepPoints3D; ++z) {
        for (int i = 1; i <= kSweepPoints3D; ++i) {
            csv.Value(SweepX(s, i)).Value(SweepZ(s, z));
            for (int k = 1; k <= kSlots; ++k)
                if (SeriesPresent(s, k)) csv.Value(s.Sweep3D[k][i][z]);
            csv.Flag(s.Converged3D[i][z]);
            csv.EndRow();
        }
    }
    return csv.Str();
}

}  // namespace dedodiz
