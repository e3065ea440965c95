// SPDX-License-Identifier: BSD-3-Clause
// dedodiz.solve and its result: one single-point run as "Free Metal" performs it, with every number of
// its report.

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "engine/Format.h"
#include "engine/Run.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

// A run that wrote its report, with the session it ran in.
struct SolveResult {
    std::unique_ptr<Session> session;
    Outcome outcome;

    [[nodiscard]] const Calculation& Calc() const { return session->calc(); }
    [[nodiscard]] const TSolution& Work() const { return session->WorkSolution; }
    [[nodiscard]] const SolverResults& Results() const { return session->Results; }
    [[nodiscard]] std::string_view ConstantsFile() const { return session->ConstantsFileName.view(); }
};

bool ChelatorPresent(const TSolution& w, int i) {
    return w.ChelName[i] != kEmptyChelator;
}
bool MetalPresent(const TSolution& w, int j) {
    return w.MetalName[j] != kEmptyMetal;
}

// A log10 constant; 0 means the constant does not exist.
py::object LogK(double x) {
    return x != 0 ? py::object(py::float_(x)) : py::object(py::none());
}

// {name: value(i)} over the chelator slots in use, then the metal slots in use.
template <typename ChelatorValue, typename MetalValue>
py::dict BySlot(const TSolution& w, ChelatorValue chelator, MetalValue metal) {
    py::dict d;
    for (int i = 1; i <= kSlots; ++i)
        if (ChelatorPresent(w, i)) d[NameText(w.ChelName[i].view())] = chelator(i);
    for (int j = 1; j <= kSlots; ++j)
        if (MetalPresent(w, j)) d[NameText(w.MetalName[j].view())] = metal(j);
    return d;
}

// {(chelator, metal): value(c, m)} over every pair in use.
template <typename PairValue>
py::dict ByPair(const TSolution& w, PairValue value) {
    py::dict d;
    for (int c = 1; c <= kSlots; ++c) {
        if (!ChelatorPresent(w, c)) continue;
        for (int m = 1; m <= kSlots; ++m)
            if (MetalPresent(w, m))
                d[py::make_tuple(NameText(w.ChelName[c].view()), NameText(w.MetalName[m].view()))] =
                    value(c, m);
    }
    return d;
}

void WarnOfDoubtful(const SolveResult& r);

std::unique_ptr<SolveResult> SolveOne(const Table* table, const py::object& chelators,
                                      const py::object& metals, const py::object& pH,
                                      const py::object& temperature, const py::object& ionic,
                                      const std::string& type, bool refine, const std::string& precision) {
    const SolutionInput entered =
        InputFromArguments(chelators, metals, pH, temperature, ionic, ParseType(type));
    auto result = std::make_unique<SolveResult>();
    result->session = DescribeOrRaise(TableOrStandard(table), entered, PrecisionOf(precision, refine));
    result->outcome = result->session->Run();
    RaiseUnlessRan(result->outcome);
    WarnOfDoubtful(*result);
    return result;
}

// A result that is not valid, or that the program says is probably not valid, is never passed on
// silently: a RuntimeWarning with the program's message (the result keeps it in warnings).
void WarnOfDoubtful(const SolveResult& r) {
    std::string text;
    if (!r.Results().Converged)
        text = "the solution did not converge: its numbers are not valid (converged is False)";
    for (const ShownMessage& m : r.outcome.messages) {
        if (m.caption != "WARNING" && m.caption != "RAISE IONIC STRENGTH") continue;
        std::string line = MessageText(m.text);
        std::replace(line.begin(), line.end(), '\n', ' ');
        text += (text.empty() ? "" : "; ") + m.caption + ": " + line;
    }
    if (!text.empty() && PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), kCallerFrame) != 0)
        throw py::error_already_set();
}

std::string Repr(const SolveResult& r) {
    std::string text = "<dedodiz.Result type=" + std::string(TypeWord(r.Calc().CalcType));
    const TSolution& w = r.Work();
    for (int j = 1; j <= kSlots; ++j)
        if (MetalPresent(w, j))
            text += " free " + ExportText(w.MetalName[j].view()) + "=" + ShortestText(w.MetalFree[j]) + " M";
    if (r.outcome.refined && r.Results().Converged) text += " refined";
    return text + (r.Results().Converged ? ">" : " NOT CONVERGED>");
}

void BindConcentrations(py::class_<SolveResult>& cls) {
    cls.def_property_readonly(
           "free",
           [](const SolveResult& r) {
               const TSolution& w = r.Work();
               return BySlot(
                   w, [&](int i) { return w.ChelFree[i]; }, [&](int j) { return w.MetalFree[j]; });
           },
           "Free concentration [mol/L] of every chelator (all its protonation forms) and every metal, by "
           "name.")
        .def_property_readonly(
            "total",
            [](const SolveResult& r) {
                const TSolution& w = r.Work();
                return BySlot(
                    w, [&](int i) { return w.ChelTotal[i]; }, [&](int j) { return w.MetalTotal[j]; });
            },
            "Total concentration [mol/L] of every chelator and every metal, by name.")
        .def_property_readonly(
            "ml",
            [](const SolveResult& r) {
                return ByPair(r.Work(), [&](int c, int m) { return r.Results().MLConc[c][m]; });
            },
            "Concentration [mol/L] of the complex ML of every (chelator, metal) pair.")
        .def_property_readonly(
            "mhl",
            [](const SolveResult& r) {
                return ByPair(r.Work(), [&](int c, int m) { return r.Results().MHLConc[c][m]; });
            },
            "Concentration [mol/L] of the protonated complex MHL of every (chelator, metal) pair.");
}

void BindConstants(py::class_<SolveResult>& cls) {
    cls.def_property_readonly(
           "log_k_h",
           [](const SolveResult& r) {
               const TSolution& w = r.Work();
               py::dict d;
               for (int i = 1; i <= kSlots; ++i)
                   if (ChelatorPresent(w, i))
                       d[NameText(w.ChelName[i].view())] =
                           py::make_tuple(LogK(w.LogKH[i][1]), LogK(w.LogKH[i][2]), LogK(w.LogKH[i][3]),
                                          LogK(w.LogKH[i][4]));
               return d;
           },
           "The protonation constants log10 H1..H4 of every chelator corrected to the temperature and "
           "ionic strength, None where the table has none.")
        .def_property_readonly(
            "log_kc_ml",
            [](const SolveResult& r) {
                return ByPair(r.Work(), [&](int c, int m) { return LogK(r.Results().LogKcML[c][m]); });
            },
            "log10 of the conditional constant of ML (at the pH, temperature and ionic strength) of every "
            "(chelator, metal) pair, None when there is none.")
        .def_property_readonly(
            "log_kc_mhl",
            [](const SolveResult& r) {
                return ByPair(r.Work(), [&](int c, int m) { return LogK(r.Results().LogKcMHL[c][m]); });
            },
            "log10 of the conditional constant of MHL of every (chelator, metal) pair, None when there is "
            "none.")
        .def_property_readonly(
            "kd",
            [](const SolveResult& r) {
                return ByPair(r.Work(), [&](int c, int m) {
                    const double kd = r.Results().KdCombined[c][m];
                    return kd != 0 ? py::object(py::float_(kd)) : py::object(py::none());
                });
            },
            "Apparent dissociation constant Kd [mol/L] of every (chelator, metal) pair, None when no "
            "complex forms.")
        .def_property_readonly(
            "range",
            [](const SolveResult& r) {
                const TSolution& w = r.Work();
                return ByPair(w, [&](int c, int m) {
                    const double kd = r.Results().KdCombined[c][m];
                    if (kd == 0) return py::object(py::none());
                    std::string_view word = BufferingRangeWord(kd, w.MetalFree[m]);
                    while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
                    return py::object(py::str(std::string(word)));
                });
            },
            "Where the free metal lies against the buffering range Kd/sqrt(10) .. Kd*sqrt(10) of every "
            "(chelator, metal) pair: \"GOOD\", \"< RANGE\", \"<<RANGE\", \"> RANGE\" or \">>RANGE\"; None "
            "without a Kd.");
}

void BindRun(py::class_<SolveResult>& cls) {
    cls.def_property_readonly(
           "type", [](const SolveResult& r) { return TypeWord(r.Calc().CalcType); },
           "The calculation type: \"total\", \"free\" or \"chelator\".")
        .def_property_readonly(
            "temp", [](const SolveResult& r) { return r.Work().Temperature; }, "Temperature [C].")
        .def_property_readonly(
            "ph", [](const SolveResult& r) { return r.Work().PH; }, "pH.")
        .def_property_readonly(
            "ionic", [](const SolveResult& r) { return r.Work().IonicEquiv; }, "Ionic strength [N] as given.")
        .def_property_readonly(
            "converged", [](const SolveResult& r) { return r.Results().Converged; },
            "True when the solver reached its tolerance (with refine=True: the refinement); when False the "
            "report says so.")
        .def_property_readonly(
            "refined", [](const SolveResult& r) { return r.outcome.refined; },
            "True when the answer was refined (refine=True); converged then says whether the refinement "
            "reached its tolerance.")
        .def_property_readonly(
            "residual",
            [](const SolveResult& r) -> py::object {
                if (!r.outcome.refined) return py::none();
                return py::float_(r.outcome.residual);
            },
            "The largest relative mass-balance residual of the refined answer (below 1e-12 when it "
            "converged); None when it was not refined.")
        .def_property_readonly(
            "hydrogen", [](const SolveResult& r) { return r.Results().HydrogenConc; },
            "Hydrogen-ion concentration [mol/L] used for the pH.")
        .def_property_readonly(
            "ionic_strength", [](const SolveResult& r) { return r.Results().SolutionIonic; },
            "Ionic strength [M] of the chelator and metal species (the report's CM-I).")
        .def_property_readonly(
            "ionic_equivalents", [](const SolveResult& r) { return r.Results().SolutionCharge; },
            "Ionic equivalents [N] of the chelator and metal species (the report's CM-E).")
        .def_property_readonly(
            "warnings", [](const SolveResult& r) { return MessageList(r.outcome.messages); },
            "The messages the run showed, in order, as (caption, text): \"WARNING\", \"INFORMATION\", "
            "\"DIFFICULTY\", \"RAISE IONIC STRENGTH\".")
        .def_property_readonly(
            "report", [](const SolveResult& r) { return ReportText(r.outcome.report); },
            "The text report, exactly as dedodiz32-cli run prints it (every line ended by a line feed); with "
            "refine=True as run --refine prints it.")
        .def(
            "to_dict",
            [](const SolveResult& r) {
                const Outcome& o = r.outcome;
                return ToPython(RunJson(r.Calc(), r.ConstantsFile(), o.messages,
                                        o.refined ? std::optional(o.residual) : std::nullopt));
            },
            "Everything as the JSON document of dedodiz32-cli run --format json (with refine=True: run "
            "--refine --format json; see docs/export-formats.md): a dict of plain Python values.")
        .def("__repr__", &Repr)
        .def(py::pickle(
            [](const SolveResult& r) {
                return py::make_tuple(RecordBytes(r.Calc()), py::bytes(r.ConstantsFile()),
                                      OutcomeState(r.outcome));
            },
            [](const py::tuple& t) {
                if (py::len(t) != 3)
                    throw py::value_error("the pickled state is not one of this version of dedodiz");
                auto r = std::make_unique<SolveResult>();
                r->session = std::make_unique<Session>();
                RecordFromBytes(t[0].cast<py::bytes>(), r->session->calc());
                r->session->ConstantsFileName = t[1].cast<std::string>();
                r->outcome = OutcomeFromState(t[2]);
                return r;
            }));
}

}  // namespace

void BindSolve(py::module_& m) {
    py::class_<SolveResult> result(m, "Result",
                                   "The outcome of solve(): every number of the report. Concentrations in "
                                   "mol/L; names as the constants table spells them.");
    BindRun(result);
    BindConcentrations(result);
    BindConstants(result);

    m.def("solve", &SolveOne, py::arg("table") = py::none(), py::kw_only(), py::arg("chelators"),
          py::arg("metals"), py::arg("ph") = 7.0, py::arg("temp") = kReferenceTemperature,
          py::arg("ionic") = kReferenceIonic, py::arg("type") = "free", py::arg("refine") = false,
          py::arg("precision") = "checked",
          R"(Solves one solution as the single-point run does and returns its Result.

table      the constants table (Table.load, Table.standard); None for the bundled one
chelators  {name: total [mol/L]}; for type "chelator", which computes the totals, a list of names
metals     {name: value [mol/L]}: the free concentration for type "total", the total for type
           "free", a pair (total, free) for type "chelator"
ph         pH
temp       temperature [C]
ionic      ionic strength [N]
type       "free" (free metal from total), "total" (total metal for the wanted free metal) or
           "chelator" (total chelator that holds the first metal at its wanted free concentration)
precision  "checked" (the default): the iteration's answer checked against the mass balances and
           refined where any concentration would be off by more than 1e-4 (refined, residual);
           "described": the iteration alone, as the program has always computed it; "exact": always
           refined to a relative mass-balance residual below 1e-12
refine     True: the same as precision="exact"

Raises ValueError with the program's message for a name the table lacks or a solution the program
refuses ("RESULTS NOT VALID, CONSTANTS MISSING", ...), FloatingPointError for a floating-point fault.)");
}

}  // namespace dedodiz::python
