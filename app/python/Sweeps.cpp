// SPDX-License-Identifier: BSD-3-Clause
// dedodiz.sweep: the 2D (41 points) and 3D (11 x 11 points) sweeps of the Calculation menu, as the
// desktop program and dedodiz32-cli sweep run them, with their series as numpy arrays.

#include <pybind11/numpy.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Sweep.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

// A sweep that ran, with the messages it showed and its table.
struct SweepResult {
    SweepState state;
    ShownMessages messages;
    std::vector<std::string> report;

    [[nodiscard]] bool ThreeD() const { return Is3DSweep(state); }
    [[nodiscard]] int Points() const { return ThreeD() ? kSweepPoints3D : kSweepPoints2D; }
};

// An axis given as (variable, low, high): "temp", "ph", "ionic", "metal1" .. "metal6" or the name of a
// metal of the solution (the axis of its slot); a metal axis must name a slot that holds a metal.
TAxisRange ParseAxis(const py::handle& given, const std::string& option, const ConstantsTable& table,
                     const Selection& selection) {
    if (!(py::isinstance<py::tuple>(given) || py::isinstance<py::list>(given)) || py::len(given) != 3)
        throw py::type_error(option + " must be (variable, low, high)");
    const std::string name = KeyName(given[py::int_(0)], option);
    TAxisRange axis;
    axis.Low = ReadNumber(given[py::int_(1)], option + " low", "");
    axis.High = ReadNumber(given[py::int_(2)], option + " high", "");
    if (name == "temp") {
        axis.Variable = AxisVariable::Temperature;
    } else if (name == "ph") {
        axis.Variable = AxisVariable::PH;
    } else if (name == "ionic") {
        axis.Variable = AxisVariable::Ionic;
    } else if (name.size() == 6 && name.compare(0, 5, "metal") == 0 && name[5] >= '1' && name[5] <= '6') {
        axis.Variable = MetalAxis(name[5] - '0');
    } else {
        const int number = FindMetal(table, name);
        int slot = 0;
        for (int k = 1; k <= kSlots; ++k)
            if (number != 0 && selection.ChosenMetal[k] == number) slot = k;
        if (slot == 0)
            throw py::value_error(option + ": unknown variable \"" + name +
                                  "\" (temp, ph, ionic, metal1 .. metal6 or a metal of the solution)");
        axis.Variable = MetalAxis(slot);
    }
    return axis;
}

py::array_t<double> AxisValues(double start, double step, int points) {
    py::array_t<double> values(points);
    double* v = values.mutable_data();
    for (int i = 1; i <= points; ++i) v[i - 1] = start + (i - 1) * step;
    return values;
}

// The series of a slot: the chelators in type chelator, the metals otherwise.
bool SeriesPresent(const SweepState& s, int k) {
    return SweepCalcType(s) == CalculationType::Chelator ? !SweepChelatorName(s, k).empty()
                                                         : !SweepMetalName(s, k).empty();
}

py::dict Series(const SweepResult& r) {
    const SweepState& s = r.state;
    const int n = r.Points();
    py::dict series;
    for (int k = 1; k <= kSlots; ++k) {
        if (!SeriesPresent(s, k)) continue;
        const std::string_view name =
            SweepCalcType(s) == CalculationType::Chelator ? SweepChelatorName(s, k) : SweepMetalName(s, k);
        if (r.ThreeD()) {
            py::array_t<double> values({n, n});
            auto v = values.mutable_unchecked<2>();
            for (int i = 1; i <= n; ++i)
                for (int j = 1; j <= n; ++j) v(i - 1, j - 1) = s.Sweep3D[k][i][j];
            series[NameText(name)] = values;
        } else {
            py::array_t<double> values(n);
            double* v = values.mutable_data();
            for (int i = 1; i <= n; ++i) v[i - 1] = s.Sweep2D[k][i];
            series[NameText(name)] = values;
        }
    }
    return series;
}

py::array Converged(const SweepResult& r) {
    const SweepState& s = r.state;
    const int n = r.Points();
    if (r.ThreeD()) {
        py::array_t<bool> flags({n, n});
        auto f = flags.mutable_unchecked<2>();
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) f(i - 1, j - 1) = s.Converged3D[i][j];
        return flags;
    }
    py::array_t<bool> flags(n);
    bool* f = flags.mutable_data();
    for (int i = 1; i <= n; ++i) f[i - 1] = s.Converged2D[i];
    return flags;
}

std::unique_ptr<SweepResult> RunSweep(const Table* table, const py::object& chelators,
                                      const py::object& metals, const py::object& pH,
                                      const py::object& temperature, const py::object& ionic,
                                      const std::string& type, const py::object& x, const py::object& z,
                                      bool refine, const std::string& precision) {
    const ConstantsTable& t = TableOrStandard(table);
    const SolutionInput entered =
        InputFromArguments(chelators, metals, pH, temperature, ionic, ParseType(type));
    const std::unique_ptr<Session> session = DescribeOrRaise(t, entered, PrecisionOf(precision, refine));

    SweepRequest request;
    request.x = ParseAxis(x, "x", t, session->selection());
    if (!z.is_none()) request.z = ParseAxis(z, "z", t, session->selection());
    Outcome outcome;
    {
        const py::gil_scoped_release released;
        outcome = session->Sweep(request);
    }
    RaiseUnlessRan(outcome);
    auto result = std::make_unique<SweepResult>();
    result->state = session->sweep();
    result->messages = outcome.messages;
    result->report = outcome.report;
    return result;
}

// The axes of a sweep.
py::class_<SweepResult> BindSweepResult(py::module_& m) {
    return py::class_<SweepResult>(
               m, "Sweep",
               "The outcome of sweep(): the axis values and one series per slot as numpy arrays "
               "(41 points in 2D; 11 x 11 in 3D, indexed [x, z]).")
        .def_property_readonly(
            "type", [](const SweepResult& r) { return TypeWord(SweepCalcType(r.state)); },
            "The calculation type; it decides what the series hold: the total metal (\"total\"), the free "
            "metal (\"free\") or the total chelator (\"chelator\") [mol/L].")
        .def_property_readonly("three_d", &SweepResult::ThreeD, "True for a 3D sweep.")
        .def_property_readonly(
            "x", [](const SweepResult& r) { return AxisValues(r.state.XStart, r.state.XStep, r.Points()); },
            "The X values (temperature [C], pH, ionic strength [N] or a concentration [mol/L]).")
        .def_property_readonly(
            "z",
            [](const SweepResult& r) -> py::object {
                if (!r.ThreeD()) return py::none();
                return AxisValues(r.state.ZStart, r.state.ZStep, r.Points());
            },
            "The Z values of a 3D sweep; None in 2D.")
        .def_property_readonly(
            "x_key", [](const SweepResult& r) { return SweepVariableKey(r.state, r.state.XVariable); },
            "What X is, with its unit: \"temperature_C\", \"pH\", \"ionic_strength_N\", \"free_Ca2_M\", "
            "\"total_Ca2_M\", ...")
        .def_property_readonly(
            "z_key",
            [](const SweepResult& r) -> py::object {
                if (!r.ThreeD()) return py::none();
                return py::str(SweepVariableKey(r.state, r.state.ZVariable));
            },
            "What Z is; None in 2D.");
}

// What the points gave: the series, their convergence, the messages and the exports.
void BindSweepSeries(py::class_<SweepResult>& cls) {
    cls.def_property_readonly("series", &Series,
                              "{name: array} of every metal (chelator in type \"chelator\") [mol/L].")
        .def_property_readonly(
            "converged", &Converged,
            "Boolean array: the solve converged at that point (refined: the refinement converged; the table "
            "marks the points where it did not).")
        .def_property_readonly(
            "refined", [](const SweepResult& r) { return SweepShowsRefinement(r.state); },
            "True when points were refined: every point for precision=\"exact\", those the iteration "
            "left off by more than 1e-4 for \"checked\"; the table then marks the points not valid.")
        .def_property_readonly(
            "residual",
            [](const SweepResult& r) -> py::object {
                if (!SweepShowsRefinement(r.state)) return py::none();
                return py::float_(r.state.WorstResidual);
            },
            "The largest mass-balance residual of the refined points that converged; None when not "
            "refined.")
        .def_property_readonly(
            "validity_limit", [](const SweepResult& r) { return r.state.PeakComplexIonic; },
            "The largest ionic equivalents [N] (2D) or ionic strength [M] (3D) of the complexes met: "
            "results below it are not valid.")
        .def_property_readonly(
            "warnings", [](const SweepResult& r) { return MessageList(r.messages); },
            "The messages the sweep showed, as (caption, text).")
        .def_property_readonly(
            "report", [](const SweepResult& r) { return ReportText(r.report); },
            "The sweep table, exactly as dedodiz32-cli sweep prints it (with refine=True: sweep --refine).")
        .def(
            "to_dict", [](const SweepResult& r) { return ToPython(SweepJson(r.state, r.messages)); },
            "Everything as the JSON document of dedodiz32-cli sweep --format json.")
        .def("__repr__",
             [](const SweepResult& r) {
                 return "<dedodiz.Sweep " + std::string(r.ThreeD() ? "3D" : "2D") +
                        " type=" + std::string(TypeWord(SweepCalcType(r.state))) +
                        " x=" + SweepVariableKey(r.state, r.state.XVariable) + ">";
             })
        .def(py::pickle(
            [](const SweepResult& r) {
                Outcome shown;
                shown.messages = r.messages;
                shown.report = r.report;
                return py::make_tuple(RecordBytes(r.state), OutcomeState(shown));
            },
            [](const py::tuple& t) {
                StateOfLength(t, 2);
                auto r = std::make_unique<SweepResult>();
                RecordFromBytes(t[0].cast<py::bytes>(), r->state);
                Outcome shown = OutcomeFromState(t[1]);
                r->messages = std::move(shown.messages);
                r->report = std::move(shown.report);
                return r;
            }));
}

}  // namespace

void BindSweep(py::module_& m) {
    py::class_<SweepResult> cls = BindSweepResult(m);
    BindSweepSeries(cls);
    m.def("sweep", &RunSweep, py::arg("table") = py::none(), py::kw_only(), py::arg("chelators"),
          py::arg("metals"), py::arg("ph") = 7.0, py::arg("temp") = kReferenceTemperature,
          py::arg("ionic") = kReferenceIonic, py::arg("type") = "free", py::arg("x"),
          py::arg("z") = py::none(), py::arg("refine") = false, py::arg("precision") = "checked",
          R"(Sweeps a solution as the 2D and 3D commands do and returns the Sweep.

Takes the arguments of solve() for the starting solution, and
x          (variable, low, high): 41 points from low to high, or 11 with z
z          (variable, low, high) for a 3D sweep of 11 x 11 points; None for 2D
A variable is "temp" [C], "ph", "ionic" [N], "metal1" .. "metal6" or the name of a metal of the
solution: its free concentration in type "total", its total otherwise [mol/L].
precision  "checked" (the default): the iteration's answer checked against the mass balances and
           refined where any concentration would be off by more than 1e-4 (refined, residual);
           "described": the iteration alone, as the program has always computed it; "exact": always
           refined to a relative mass-balance residual below 1e-12
refine     True: the same as precision="exact"; a point that
           even the refinement cannot solve is not converged (converged is False there)

Each point starts from what the previous one left, as in the program; use solve_many() for
solutions computed each on its own. A floating-point fault raises FloatingPointError.)");
}

}  // namespace dedodiz::python
