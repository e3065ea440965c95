// SPDX-License-Identifier: BSD-3-Clause
// dedodiz.solve_many: many solutions of one composition at once, for titrations, fits and figures. The
// values of the conditions and concentrations are numpy arrays broadcast against each other; every
// solution is computed in C++ as solve() computes it (the same checks, the same guard, the same numbers),
// without the report and with the interpreter released, and the results come back as numpy arrays.

#include <pybind11/numpy.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "engine/Run.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;
using Flags = py::array_t<bool, py::array::c_style>;

// What the values of one argument are written to in the solution.
enum class Target { PH, Temperature, Ionic, ChelatorTotal, MetalTotal, MetalFree };

struct Column {
    Target target;
    int slot;          // 1..6 for a concentration
    std::string what;  // "ph", "temp [C]", "chelator EGTA [mol/L]", ... for the messages
    py::object given;  // the argument's value as given
    Doubles values;    // broadcast to the common shape
    const double* data = nullptr;
};

void Write(const Column& c, py::ssize_t i, TSolution& s) {
    const double v = c.data[i];
    switch (c.target) {
        case Target::PH:
            s.PH = v;
            break;
        case Target::Temperature:
            s.Temperature = v;
            break;
        case Target::Ionic:
            s.IonicEquiv = v;
            break;
        case Target::ChelatorTotal:
            s.ChelTotal[c.slot] = v;
            break;
        case Target::MetalTotal:
            s.MetalTotal[c.slot] = v;
            break;
        case Target::MetalFree:
            s.MetalFree[c.slot] = v;
            break;
    }
}

// The slot (1..6) that DescribeSolution gave a name of the table.
int SlotOf(const OneBased<std::int32_t, 6>& chosen, int number) {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (chosen[slot] == number) return slot;
    return 0;
}

// Keeps the first message of a solution that failed.
class FirstMessage : public MessageSink {
  public:
    void Message(std::string_view text, std::string_view caption) override {
        if (shown_.empty()) shown_.push_back({std::string(caption), std::string(text)});
    }
    [[nodiscard]] const ShownMessages& Shown() const { return shown_; }

  private:
    ShownMessages shown_;
};

// The composition, described once with the names; the columns say what each solution changes.
struct Composition {
    std::unique_ptr<Session> session;
    std::vector<Column> columns;
};

Composition Describe(const ConstantsTable& table, const py::handle& chelators, const py::handle& metals,
                     CalculationType type, Precision precision) {
    // The names first, described as solve() describes them; the values (arrays here) are read below.
    SolutionInput entered;
    entered.type = type;
    if (!py::isinstance<py::dict>(metals))
        throw py::type_error("metals must be a dict of names and concentrations [mol/L]");
    const bool chelatorList = py::isinstance<py::list>(chelators) || py::isinstance<py::tuple>(chelators);
    if (!py::isinstance<py::dict>(chelators) && !(type == CalculationType::Chelator && chelatorList))
        throw py::type_error("chelators must be a dict of names and totals [mol/L]");
    for (const py::handle& key : chelators) entered.chelators.push_back({KeyName(key, "chelator"), 0.0});
    for (const py::handle& key : metals) entered.metals.push_back({KeyName(key, "metal"), 0.0, 0.0});

    Composition c;
    c.session = DescribeOrRaise(table, entered, precision);
    const Selection& selection = c.session->selection();

    // Type chelator computes the chelator totals; what is given for them is not read.
    if (type != CalculationType::Chelator) {
        for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(chelators)) {
            const int slot = SlotOf(selection.ChosenChelator, FindChelator(table, key.cast<std::string>()));
            c.columns.push_back({Target::ChelatorTotal,
                                 slot,
                                 "chelator " + key.cast<std::string>() + " [mol/L]",
                                 py::reinterpret_borrow<py::object>(value),
                                 {}});
        }
    }
    for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(metals)) {
        const std::string name = key.cast<std::string>();
        const int slot = SlotOf(selection.ChosenMetal, FindMetal(table, name));
        const auto given = py::reinterpret_borrow<py::object>(value);
        if (type == CalculationType::Chelator) {
            if (!IsPair(value))
                throw py::type_error("type \"chelator\" needs (total, free) [mol/L] for metal " + name);
            c.columns.push_back(
                {Target::MetalTotal, slot, "metal " + name + " total [mol/L]", given[py::int_(0)], {}});
            c.columns.push_back(
                {Target::MetalFree, slot, "metal " + name + " free [mol/L]", given[py::int_(1)], {}});
        } else {
            c.columns.push_back({type == CalculationType::Total ? Target::MetalFree : Target::MetalTotal,
                                 slot,
                                 "metal " + name + " [mol/L]",
                                 given,
                                 {}});
        }
    }
    return c;
}

// "metal Ca2 [mol/L]" -> "metal Ca2", the argument as the messages name it.
std::string ArgumentName(const Column& c) {
    return c.what.substr(0, c.what.find(" ["));
}

// The values of one argument as an array of doubles. Masked arrays (whose mask would be lost), complex
// values (whose imaginary part would be) and anything that is no number, None included, raise TypeError
// naming the argument and, in an array, the first bad element.
py::object ValuesOf(const py::module_& np, const Column& c) {
    const std::string& w = c.what;
    const std::size_t unit = w.find(" [");
    const std::string name = ArgumentName(c);
    const std::string units = unit == std::string::npos ? "" : w.substr(unit);
    if (py::isinstance(c.given, np.attr("ma").attr("MaskedArray")))
        throw py::type_error(name +
                             ": a masked array is not taken, as its mask would be lost; fill or drop the "
                             "masked values first (numpy.ma.filled, .compressed())");
    py::object array;
    try {
        array = np.attr("asarray")(c.given);
    } catch (const py::error_already_set&) {
        array = py::none();
    }
    const std::string kind = array.is_none() ? "O" : array.attr("dtype").attr("kind").cast<std::string>();
    if (kind == "c") throw py::type_error(name + " needs real numbers" + units + ", not complex ones");
    if (kind == "b" || kind == "i" || kind == "u" || kind == "f")
        return np.attr("asarray")(array, py::arg("dtype") = "float64");
    // Objects, texts: the first element that is no number is named with its index.
    if (!array.is_none() && kind == "O" && py::len(array.attr("shape")) > 0) {
        py::ssize_t flat = 0;
        for (const py::handle& item : array.attr("flat")) {
            if (PyFloat_Check(item.ptr()) == 0 && PyLong_Check(item.ptr()) == 0 &&
                !py::isinstance(item, np.attr("number"))) {
                const py::tuple index = np.attr("unravel_index")(flat, array.attr("shape"));
                throw py::type_error(name + " needs numbers" + units + ", not " +
                                     py::type::of(item).attr("__name__").cast<std::string>() + " at index " +
                                     py::repr(index).cast<std::string>());
            }
            ++flat;
        }
        return np.attr("asarray")(array, py::arg("dtype") = "float64");
    }
    // "metal Ca2 [mol/L]" becomes "metal Ca2 needs a number [mol/L], not str", as solve() says it.
    throw py::type_error(name + " needs a number" + units + ", not " +
                         py::type::of(c.given).attr("__name__").cast<std::string>());
}

// Brings every column to the shape they broadcast to (numpy's rules) and returns that shape. Shapes that
// do not broadcast raise ValueError naming the first two arguments that disagree.
py::tuple Broadcast(std::vector<Column>& columns) {
    const py::module_ np = py::module_::import("numpy");
    py::list shapes;
    std::vector<py::object> arrays;
    for (const Column& c : columns) {
        arrays.push_back(ValuesOf(np, c));
        shapes.append(arrays.back().attr("shape"));
    }
    py::tuple shape;
    try {
        shape = np.attr("broadcast_shapes")(*shapes);
    } catch (const py::error_already_set&) {
        for (std::size_t k = 0; k < columns.size(); ++k) {
            for (std::size_t l = k + 1; l < columns.size(); ++l) {
                try {
                    np.attr("broadcast_shapes")(shapes[k], shapes[l]);
                } catch (const py::error_already_set&) {
                    throw py::value_error(
                        ArgumentName(columns[k]) + " of shape " + py::repr(shapes[k]).cast<std::string>() +
                        " and " + ArgumentName(columns[l]) + " of shape " +
                        py::repr(shapes[l]).cast<std::string>() +
                        " do not broadcast together (numpy's rules: each dimension equal, or 1)");
                }
            }
        }
        throw;
    }
    for (std::size_t k = 0; k < columns.size(); ++k) {
        columns[k].values =
            Doubles::ensure(np.attr("ascontiguousarray")(np.attr("broadcast_to")(arrays[k], shape)));
        columns[k].data = columns[k].values.data();
    }
    return shape;
}

std::vector<py::ssize_t> Dimensions(const py::tuple& shape) {
    std::vector<py::ssize_t> dims;
    for (const py::handle& d : shape) dims.push_back(d.cast<py::ssize_t>());
    return dims;
}

// The index of flat position i in the shape, as Python writes it.
std::string IndexText(py::ssize_t i, const std::vector<py::ssize_t>& dims) {
    std::vector<py::ssize_t> index(dims.size());
    for (std::size_t k = dims.size(); k-- > 0;) {
        index[k] = i % dims[k];
        i /= dims[k];
    }
    std::string text = "(";
    for (std::size_t k = 0; k < index.size(); ++k) text += (k > 0 ? ", " : "") + std::to_string(index[k]);
    return text + (index.size() == 1 ? ",)" : ")");
}

// The numbers of every solution, in arrays of the common shape; a solution that failed holds NaN.
struct Outputs {
    struct Slot {
        int slot;
        py::str name;
        Doubles total, free;
        double *totalData, *freeData;
    };
    struct Pair {
        int chelator, metal;
        py::tuple names;
        Doubles ml, mhl, kd;
        double *mlData, *mhlData, *kdData;
    };
    std::vector<Slot> chelators, metals;
    std::vector<Pair> pairs;
    Flags converged, ok, refined;
    Doubles ionicStrength, ionicEquivalents, residual;
    py::array_t<std::uint8_t, py::array::c_style> warnings;  // RunWarning bits per solution
    // Where the loop writes, taken while the interpreter is held.
    bool *convergedData, *okData, *refinedData;
    double *strengthData, *equivalentsData, *residualData;
    std::uint8_t* warningsData;

    Outputs(const TSolution& s, const std::vector<py::ssize_t>& dims)
        : converged(dims),
          ok(dims),
          refined(dims),
          ionicStrength(dims),
          ionicEquivalents(dims),
          residual(dims),
          warnings(dims),
          convergedData(converged.mutable_data()),
          okData(ok.mutable_data()),
          refinedData(refined.mutable_data()),
          strengthData(ionicStrength.mutable_data()),
          equivalentsData(ionicEquivalents.mutable_data()),
          residualData(residual.mutable_data()),
          warningsData(warnings.mutable_data()) {
        const auto slot = [&](int k, std::string_view name) {
            Slot out{k, NameText(name), Doubles(dims), Doubles(dims), nullptr, nullptr};
            out.totalData = out.total.mutable_data();
            out.freeData = out.free.mutable_data();
            return out;
        };
        for (int k = 1; k <= kSlots; ++k) {
            if (s.ChelName[k] != kEmptyChelator) chelators.push_back(slot(k, s.ChelName[k].view()));
            if (s.MetalName[k] != kEmptyMetal) metals.push_back(slot(k, s.MetalName[k].view()));
        }
        for (const Slot& c : chelators) {
            for (const Slot& m : metals) {
                Pair p{c.slot,        m.slot,        py::make_tuple(c.name, m.name),
                       Doubles(dims), Doubles(dims), Doubles(dims),
                       nullptr,       nullptr,       nullptr};
                p.mlData = p.ml.mutable_data();
                p.mhlData = p.mhl.mutable_data();
                p.kdData = p.kd.mutable_data();
                pairs.push_back(std::move(p));
            }
        }
    }

    // Solution i as the run left it in the working copy and the results.
    void Store(py::ssize_t i, const TSolution& w, const SolverResults& r, const QuietRun& run) const {
        for (const Slot& c : chelators) {
            c.totalData[i] = w.ChelTotal[c.slot];
            c.freeData[i] = w.ChelFree[c.slot];
        }
        for (const Slot& m : metals) {
            m.totalData[i] = w.MetalTotal[m.slot];
            m.freeData[i] = w.MetalFree[m.slot];
        }
        for (const Pair& p : pairs) {
            p.mlData[i] = r.MLConc[p.chelator][p.metal];
            p.mhlData[i] = r.MHLConc[p.chelator][p.metal];
            const double kd = r.KdCombined[p.chelator][p.metal];
            p.kdData[i] = kd != 0 ? kd : std::numeric_limits<double>::quiet_NaN();
        }
        convergedData[i] = r.Converged;
        strengthData[i] = r.SolutionIonic;
        equivalentsData[i] = r.SolutionCharge;
        refinedData[i] = run.refined;
        residualData[i] = run.refined ? run.residual : std::numeric_limits<double>::quiet_NaN();
        warningsData[i] = static_cast<std::uint8_t>(run.warnings);
    }

    void StoreFailed(py::ssize_t i) const {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (const Slot& s : chelators) s.totalData[i] = s.freeData[i] = nan;
        for (const Slot& s : metals) s.totalData[i] = s.freeData[i] = nan;
        for (const Pair& p : pairs) p.mlData[i] = p.mhlData[i] = p.kdData[i] = nan;
        convergedData[i] = refinedData[i] = false;
        strengthData[i] = equivalentsData[i] = residualData[i] = nan;
        warningsData[i] = 0;
    }
};

// The first solution that failed: where, and what the program said.
struct Failure {
    py::ssize_t index = -1;
    bool fault = false;
    std::string message;
};

// Every solution, without the interpreter, each by the rules, checks and solve of a run. With
// stopAtFailure the loop ends at the first failure; a signal (Ctrl-C) ends it at once, with
// interrupted set.
Failure SolveAll(Composition& c, py::ssize_t count, const Outputs& out, bool stopAtFailure,
                 bool& interrupted) {
    Failure failure;
    SignalCheck signals;
    Calculation& calc = c.session->calc();
    const Precision precision = c.session->precision;
    Refusals refusals;
    for (py::ssize_t i = 0; i < count; ++i) {
        if (signals.Interrupted()) {
            interrupted = true;
            break;
        }
        for (const Column& column : c.columns) Write(column, i, calc.Solution);
        refusals.clear();
        CheckSolutionValues(calc.Solution, calc.CalcType, refusals);
        FirstMessage messages;
        QuietRun run;
        if (refusals.empty()) run = RunQuietly(calc, precision, messages);
        const bool solved = refusals.empty() && run.status == RunStatus::Ran;
        out.okData[i] = solved;
        if (solved) {
            out.Store(i, calc.WorkSolution, calc.Results, run);
            continue;
        }
        out.StoreFailed(i);
        if (failure.index < 0) {
            failure.index = i;
            failure.fault = run.status == RunStatus::Fault;
            failure.message = !refusals.empty()          ? ExportText(refusals.front().Message())
                              : messages.Shown().empty() ? std::string("the solution was refused")
                                                         : MessageText(messages.Shown().front().text);
        }
        if (stopAtFailure) break;
    }
    return failure;
}

// The result of solve_many, as numpy arrays of the common shape.
struct ManyResult {
    std::string type;
    py::tuple shape;
    py::object ph, temp, ionic;
    py::dict free, total, ml, mhl, kd;
    py::object converged, ok, ionicStrength, ionicEquivalents, refined, residual, warnings;
    py::dict columns;  // to_dict(): the arrays under the column names of the CSV export
};

std::string Key(std::string_view prefix, const py::handle& name, std::string_view unit) {
    return std::string(prefix) + "_" + name.cast<std::string>() +
           (unit.empty() ? "" : "_" + std::string(unit));
}

ManyResult Collect(const Composition& c, const py::tuple& shape, Outputs& out) {
    ManyResult r;
    r.type = TypeWord(c.session->CalcType);
    r.shape = shape;
    const std::vector<Column>& columns = c.columns;
    r.temp = columns[1].values;
    r.ph = columns[0].values;
    r.ionic = columns[2].values;
    r.converged = out.converged;
    r.ok = out.ok;
    r.ionicStrength = out.ionicStrength;
    r.ionicEquivalents = out.ionicEquivalents;
    r.refined = out.refined;
    r.residual = out.residual;
    r.warnings = out.warnings;
    py::dict& d = r.columns;
    d["temperature_C"] = r.temp;
    d["pH"] = r.ph;
    d["ionic_strength_N"] = r.ionic;
    d["ok"] = r.ok;
    d["converged"] = r.converged;
    d["solution_ionic_strength_M"] = r.ionicStrength;
    d["solution_ionic_equivalents_N"] = r.ionicEquivalents;
    d["refined"] = r.refined;
    d["residual"] = r.residual;
    d["warnings"] = r.warnings;
    for (const std::vector<Outputs::Slot>* slots : {&out.chelators, &out.metals}) {
        for (const Outputs::Slot& s : *slots) {
            r.total[s.name] = s.total;
            r.free[s.name] = s.free;
            d[py::str(Key("total", s.name, "M"))] = s.total;
            d[py::str(Key("free", s.name, "M"))] = s.free;
        }
    }
    for (const Outputs::Pair& p : out.pairs) {
        r.ml[p.names] = p.ml;
        r.mhl[p.names] = p.mhl;
        r.kd[p.names] = p.kd;
        const py::str pair(p.names[0].cast<std::string>() + "_" + p.names[1].cast<std::string>());
        d[py::str(Key("Kd", pair, "M"))] = p.kd;
        d[py::str(Key("ML", pair, "M"))] = p.ml;
        d[py::str(Key("MHL", pair, "M"))] = p.mhl;
    }
    return r;
}

// A number that is not valid is never passed on silently: one RuntimeWarning counts the solutions that
// did not converge and those whose run warned that its results are probably not valid (the pH outside
// 4 .. 10, the solution's own ionic equivalents above the ionic strength given).
void WarnOfDoubtful(const Outputs& out, py::ssize_t count) {
    py::ssize_t notConverged = 0, pH = 0, ionic = 0;
    for (py::ssize_t i = 0; i < count; ++i) {
        if (!out.okData[i]) continue;
        notConverged += out.convergedData[i] ? 0 : 1;
        pH += (out.warningsData[i] & kWarnPH) != 0 ? 1 : 0;
        ionic += (out.warningsData[i] & kWarnRaiseIonic) != 0 ? 1 : 0;
    }
    std::vector<std::string> parts;
    const auto of = [&](py::ssize_t n) {
        return std::to_string(n) + " of " + std::to_string(count) + " solutions ";
    };
    if (notConverged > 0)
        parts.push_back(of(notConverged) +
                        "did not converge: their numbers are not valid (converged is False)");
    if (pH > 0)
        parts.push_back(of(pH) + "have a pH outside 4 .. 10: results probably not valid (warnings & 8)");
    if (ionic > 0)
        parts.push_back(
            of(ionic) +
            "bring more ionic equivalents than the ionic strength given: raise it (warnings & 1)");
    if (parts.empty()) return;
    std::string text = parts.front();
    for (std::size_t k = 1; k < parts.size(); ++k) text += "; " + parts[k];
    if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), kCallerFrame) != 0) throw py::error_already_set();
}

ManyResult SolveMany(const Table* table, const py::object& chelators, const py::object& metals,
                     const py::object& pH, const py::object& temperature, const py::object& ionic,
                     const std::string& type, const std::string& errors, bool refine,
                     const std::string& precision) {
    if (errors != "raise" && errors != "nan") throw py::value_error("errors must be \"raise\" or \"nan\"");
    const ConstantsTable& t = TableOrStandard(table);
    Composition c = Describe(t, chelators, metals, ParseType(type), PrecisionOf(precision, refine));
    // The conditions come first: Collect reads them from there.
    c.columns.insert(c.columns.begin(), {{Target::PH, 0, "ph", pH, {}},
                                         {Target::Temperature, 0, "temp [C]", temperature, {}},
                                         {Target::Ionic, 0, "ionic [N]", ionic, {}}});
    const py::tuple shape = Broadcast(c.columns);
    const std::vector<py::ssize_t> dims = Dimensions(shape);
    py::ssize_t count = 1;
    for (const py::ssize_t d : dims) count *= d;

    Outputs out(c.session->Solution, dims);
    Failure failure;
    bool interrupted = false;
    {
        const py::gil_scoped_release released;
        failure = SolveAll(c, count, out, errors == "raise", interrupted);
    }
    if (interrupted) throw py::error_already_set();
    if (failure.index >= 0 && errors == "raise") {
        const std::string where = " [solution at index " + IndexText(failure.index, dims) + "]";
        if (failure.fault) throw FaultError(failure.message + where);
        throw py::value_error(failure.message + where);
    }
    WarnOfDoubtful(out, count);
    return Collect(c, shape, out);
}

}  // namespace

void BindSolveMany(py::module_& m) {
    py::class_<ManyResult>(m, "Solutions",
                           "The outcome of solve_many(): numpy arrays of the shape the arguments broadcast "
                           "to, one element per solution. Concentrations in mol/L.")
        .def_readonly("type", &ManyResult::type, "The calculation type: \"total\", \"free\" or \"chelator\".")
        .def_readonly("shape", &ManyResult::shape, "The common shape of the arrays.")
        .def_readonly("ph", &ManyResult::ph, "pH of every solution.")
        .def_readonly("temp", &ManyResult::temp, "Temperature [C] of every solution.")
        .def_readonly("ionic", &ManyResult::ionic, "Ionic strength [N] of every solution, as given.")
        .def_readonly(
            "free", &ManyResult::free,
            "{name: array}: free concentration [mol/L] of every chelator (all protonation forms) and "
            "every metal.")
        .def_readonly("total", &ManyResult::total,
                      "{name: array}: total concentration [mol/L] of every chelator and every metal.")
        .def_readonly("ml", &ManyResult::ml, "{(chelator, metal): array}: complex ML [mol/L].")
        .def_readonly("mhl", &ManyResult::mhl, "{(chelator, metal): array}: protonated complex MHL [mol/L].")
        .def_readonly("kd", &ManyResult::kd,
                      "{(chelator, metal): array}: apparent dissociation constant Kd [mol/L], NaN where no "
                      "complex forms.")
        .def_readonly("converged", &ManyResult::converged,
                      "Boolean array: the numbers hold (the iteration's answer checked, or the refinement "
                      "reached its tolerance); where False they are not valid and a RuntimeWarning said so.")
        .def_readonly(
            "refined", &ManyResult::refined,
            "Boolean array: the refinement solved the solution again (always for precision=\"exact\", "
            "where the iteration fell short for \"checked\").")
        .def_readonly("residual", &ManyResult::residual,
                      "Array of the largest relative mass-balance residual of every refined solution (below "
                      "1e-12 where it converged); NaN where it was not refined.")
        .def_readonly("warnings", &ManyResult::warnings,
                      "Array of the run's warnings of every solution as bits: 1 the solution's own ionic "
                      "equivalents exceed the ionic strength given (RAISE IONIC STRENGTH), 2 some metal is "
                      "buffered by no chelator (BUFFERING OUT OF RANGE), 4 not converged, 8 pH outside "
                      "4 .. 10; 0 for none.")
        .def_readonly("ok", &ManyResult::ok,
                      "Boolean array: the solution was computed (False where it was refused or met a "
                      "floating-point fault, with errors=\"nan\"; its numbers are NaN).")
        .def_readonly("ionic_strength", &ManyResult::ionicStrength,
                      "Ionic strength [M] of the chelator and metal species (CM-I).")
        .def_readonly("ionic_equivalents", &ManyResult::ionicEquivalents,
                      "Ionic equivalents [N] of the chelator and metal species (CM-E).")
        .def(
            "to_dict", [](const ManyResult& r) { return py::dict(r.columns); },
            "Every array under the column names of the CSV export (\"pH\", \"free_Ca2_M\", "
            "\"Kd_EGTA_Ca2_M\", ..., \"refined\", \"residual\", \"warnings\"), ready for pandas.DataFrame.")
        .def("__repr__",
             [](const ManyResult& r) -> std::string {
                 return "<dedodiz.Solutions type=" + r.type +
                        " shape=" + py::repr(r.shape).cast<std::string>() + ">";
             })
        .def(py::pickle(
            [](const ManyResult& r) {
                return py::make_tuple(r.type, r.shape, r.ph, r.temp, r.ionic, r.free, r.total, r.ml, r.mhl,
                                      r.kd, r.converged, r.ok, r.ionicStrength, r.ionicEquivalents, r.refined,
                                      r.residual, r.warnings, r.columns);
            },
            [](const py::tuple& t) {
                if (py::len(t) != 18)
                    throw py::value_error("the pickled state is not one of this version of dedodiz");
                ManyResult r;
                r.type = t[0].cast<std::string>();
                r.shape = t[1];
                r.ph = t[2], r.temp = t[3], r.ionic = t[4];
                r.free = t[5], r.total = t[6], r.ml = t[7], r.mhl = t[8], r.kd = t[9];
                r.converged = t[10], r.ok = t[11], r.ionicStrength = t[12], r.ionicEquivalents = t[13];
                r.refined = t[14], r.residual = t[15], r.warnings = t[16];
                r.columns = t[17];
                return r;
            }));

    m.def("solve_many", &SolveMany, py::arg("table") = py::none(), py::kw_only(), py::arg("chelators"),
          py::arg("metals"), py::arg("ph") = 7.0, py::arg("temp") = kReferenceTemperature,
          py::arg("ionic") = kReferenceIonic, py::arg("type") = "free", py::arg("errors") = "raise",
          py::arg("refine") = false, py::arg("precision") = "checked",
          R"(Solves many solutions of one composition and returns their Solutions as numpy arrays.

Takes the arguments of solve(), but ph, temp [C], ionic [N] and every concentration [mol/L] may be
numbers or arrays; they are broadcast against each other as numpy broadcasts, and every element of
the common shape is one solution, computed exactly as solve() computes it (without the report).
For type "chelator" a metal's value is (total, free), each a number or an array.

errors     "raise": the first solution that the program refuses raises ValueError, a floating-point
           fault raises FloatingPointError, each with the program's message and the solution's index;
           "nan": such solutions hold NaN and ok is False there.
precision  "checked" (the default): the iteration's answer checked against the mass balances and
           refined where any concentration would be off by more than 1e-4 (refined, residual);
           "described": the iteration alone, as the program has always computed it; "exact": always
           refined to a relative mass-balance residual below 1e-12
refine     True: the same as precision="exact"

Every solution has its own converged, refined, residual and warnings; when any solution did not
converge a RuntimeWarning says how many.)");
}

}  // namespace dedodiz::python
