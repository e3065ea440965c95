// SPDX-License-Identifier: BSD-3-Clause
// dedodiz.evaluate and dedodiz.buffer_ranges: the chelator evaluation (Kd and buffering range of every
// chelator of the table for chosen metals) and the useful range of every pH buffer of a buffer file.

#include <memory>
#include <string>
#include <vector>

#include "buffers/BufferCalc.h"
#include "buffers/Evaluate.h"
#include "engine/Format.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

struct EvaluationEntry {
    std::string metal, chelator, comment;
    double kd, low, high;  // [mol/L]
};

struct EvaluationResult {
    ChelatorEvaluation evaluation;
    std::vector<EvaluationEntry> rows;
    std::vector<std::string> report;
    std::shared_ptr<const JsonValue> json;  // to_dict(), made while the table is at hand
};

struct BufferRangeEntry {
    std::string buffer, comment;
    int slot, step;
    double pKa, low, high;
    bool anionic;
};

struct BufferRangesResult {
    BufferRanges ranges;
    std::vector<BufferRangeEntry> rows;
    std::vector<std::string> report;
    std::shared_ptr<const JsonValue> json;  // to_dict(), made while the table is at hand
};

EvaluationResult Evaluate(const Table* table, const py::object& metals, const py::object& pH,
                          const py::object& temperature, const py::object& ionic) {
    const ConstantsTable& t = TableOrStandard(table);
    // The metals and conditions as a solution: the Session checks the names and the conditions.
    SolutionInput entered;
    const Conditions conditions = ConditionsFromArguments(pH, temperature, ionic);
    entered.pH = conditions.pH;
    entered.temperature = conditions.temperature;
    entered.ionic = conditions.ionic;
    for (const py::handle& key : metals) entered.metals.push_back({KeyName(key, "metal"), 0.0, 0.0});
    const std::unique_ptr<Session> session = DescribeOrRaise(t, entered, kDefaultPrecision);
    const Outcome outcome = session->Evaluate();
    RaiseUnlessRan(outcome);

    EvaluationResult r;
    r.evaluation = session->LastEvaluation();
    r.report = outcome.report;
    for (const EvaluationRow& row : r.evaluation.rows)
        r.rows.push_back({ExportText(t.Constants[1].MetalName[row.metal].view()),
                          ExportText(t.Constants[row.chelator].Name.view()),
                          ExportText(t.Constants[row.chelator].Comment[row.metal].view()), row.kd, row.low,
                          row.high});
    r.json = std::make_shared<const JsonValue>(EvaluationJson(t, r.evaluation, outcome.messages));
    return r;
}

BufferRangesResult Ranges(const BufferTable* buffers, const py::object& pH, const py::object& temperature,
                          const py::object& ionic) {
    const BufferTable tool = buffers != nullptr ? *buffers : StandardBufferTable();
    Session session;
    session.buffers() = *tool.data;
    const Outcome outcome = session.BufferRanges(ConditionsFromArguments(pH, temperature, ionic));
    RaiseUnlessRan(outcome);

    BufferRangesResult r;
    r.ranges = session.LastBufferRanges();
    r.report = outcome.report;
    for (const BufferRangeRow& row : r.ranges.rows) {
        const TBufferSlot& slot = tool.data->BufferSlots[row.slot];
        r.rows.push_back({ExportText(slot.Name.view()), ExportText(slot.comments.view()), row.slot, row.step,
                          row.pKa, row.low, row.high, slot.anionic});
    }
    r.json = std::make_shared<const JsonValue>(BufferRangesJson(*tool.data, r.ranges, outcome.messages));
    return r;
}

void BindEvaluation(py::module_& m) {
    py::class_<EvaluationEntry>(m, "EvaluationRow",
                                "One chosen metal with one chelator of the table that binds it.")
        .def_readonly("metal", &EvaluationEntry::metal)
        .def_readonly("chelator", &EvaluationEntry::chelator)
        .def_readonly("kd", &EvaluationEntry::kd,
                      "Apparent dissociation constant Kd [mol/L] (0 when neither ML nor MHL binds).")
        .def_readonly("low", &EvaluationEntry::low, "Kd/sqrt(10) [mol/L], the lowest free metal it buffers.")
        .def_readonly("high", &EvaluationEntry::high,
                      "Kd*sqrt(10) [mol/L], the highest free metal it buffers.")
        .def_readonly("comment", &EvaluationEntry::comment, "The table's comment on the pair (its source).")
        .def("__repr__",
             [](const EvaluationEntry& e) {
                 return "<dedodiz.EvaluationRow " + e.metal + "-" + e.chelator + " Kd=" + ShortestText(e.kd) +
                        " M>";
             })
        .def(py::pickle(
            [](const EvaluationEntry& e) {
                return py::make_tuple(e.metal, e.chelator, e.comment, e.kd, e.low, e.high);
            },
            [](const py::tuple& t) {
                StateOfLength(t, 6);
                return EvaluationEntry{t[0].cast<std::string>(), t[1].cast<std::string>(),
                                       t[2].cast<std::string>(), t[3].cast<double>(),
                                       t[4].cast<double>(),      t[5].cast<double>()};
            }));

    py::class_<EvaluationResult>(m, "Evaluation", "The outcome of evaluate().")
        .def_property_readonly(
            "temp", [](const EvaluationResult& r) { return r.evaluation.temperature; }, "Temperature [C].")
        .def_property_readonly(
            "ph", [](const EvaluationResult& r) { return r.evaluation.pH; }, "pH.")
        .def_property_readonly(
            "ionic", [](const EvaluationResult& r) { return r.evaluation.ionic; }, "Ionic strength [N].")
        .def_property_readonly(
            "hydrogen", [](const EvaluationResult& r) { return r.evaluation.hydrogen; },
            "Hydrogen-ion concentration [mol/L] used for the pH.")
        .def_readonly("rows", &EvaluationResult::rows,
                      "The rows, grouped by metal, chelators in table order.")
        .def_property_readonly(
            "kd",
            [](const EvaluationResult& r) {
                py::dict d;
                for (const EvaluationEntry& e : r.rows) d[py::make_tuple(e.chelator, e.metal)] = e.kd;
                return d;
            },
            "{(chelator, metal): Kd [mol/L]} of every row.")
        .def_property_readonly(
            "report", [](const EvaluationResult& r) { return ReportText(r.report); },
            "The text, exactly as dedodiz32-cli evaluate prints it.")
        .def(
            "to_dict", [](const EvaluationResult& r) { return ToPython(*r.json); },
            "Everything as the JSON document of dedodiz32-cli evaluate --format json.")
        .def("__repr__",
             [](const EvaluationResult& r) {
                 return "<dedodiz.Evaluation pH " + ShortestText(r.evaluation.pH) + " " +
                        ShortestText(r.evaluation.temperature) + " C " + std::to_string(r.rows.size()) +
                        " rows>";
             })
        .def(py::pickle(
            [](const EvaluationResult& r) {
                const ChelatorEvaluation& e = r.evaluation;
                Outcome shown;
                shown.report = r.report;
                return py::make_tuple(e.temperature, e.pH, e.ionic, e.hydrogen, r.rows, OutcomeState(shown),
                                      JsonState(r.json));
            },
            [](const py::tuple& t) {
                StateOfLength(t, 7);
                EvaluationResult r;
                r.evaluation.ok = true;
                r.evaluation.temperature = t[0].cast<double>();
                r.evaluation.pH = t[1].cast<double>();
                r.evaluation.ionic = t[2].cast<double>();
                r.evaluation.hydrogen = t[3].cast<double>();
                r.rows = t[4].cast<std::vector<EvaluationEntry>>();
                r.report = OutcomeFromState(t[5]).report;
                r.json = JsonFromState(t[6]);
                return r;
            }));
}

void BindBufferRanges(py::module_& m) {
    py::class_<BufferRangeEntry>(m, "BufferRange", "One pKa of one buffer and the pH range it holds.")
        .def_readonly("buffer", &BufferRangeEntry::buffer)
        .def_readonly("slot", &BufferRangeEntry::slot, "The buffer's slot 1..12 in the file.")
        .def_readonly("step", &BufferRangeEntry::step, "The protonation step 1..3.")
        .def_readonly("pka", &BufferRangeEntry::pKa, "pKa' corrected to the temperature and ionic strength.")
        .def_readonly("low", &BufferRangeEntry::low, "pKa' - 0.5, the lowest pH it holds.")
        .def_readonly("high", &BufferRangeEntry::high, "pKa' + 0.5, the highest pH it holds.")
        .def_readonly("anionic", &BufferRangeEntry::anionic, "False for a cationic buffer.")
        .def_readonly("comment", &BufferRangeEntry::comment)
        .def("__repr__",
             [](const BufferRangeEntry& e) {
                 return "<dedodiz.BufferRange " + e.buffer + " step " + std::to_string(e.step) +
                        " pKa'=" + ShortestText(e.pKa) + ">";
             })
        .def(py::pickle(
            [](const BufferRangeEntry& e) {
                return py::make_tuple(e.buffer, e.comment, e.slot, e.step, e.pKa, e.low, e.high, e.anionic);
            },
            [](const py::tuple& t) {
                StateOfLength(t, 8);
                return BufferRangeEntry{t[0].cast<std::string>(), t[1].cast<std::string>(),
                                        t[2].cast<int>(),         t[3].cast<int>(),
                                        t[4].cast<double>(),      t[5].cast<double>(),
                                        t[6].cast<double>(),      t[7].cast<bool>()};
            }));

    py::class_<BufferRangesResult>(m, "BufferRanges", "The outcome of buffer_ranges().")
        .def_property_readonly(
            "temp", [](const BufferRangesResult& r) { return r.ranges.temperature; }, "Temperature [C].")
        .def_property_readonly(
            "ph", [](const BufferRangesResult& r) { return r.ranges.pH; }, "pH.")
        .def_property_readonly(
            "ionic", [](const BufferRangesResult& r) { return r.ranges.ionic; }, "Ionic strength [N].")
        .def_readonly("rows", &BufferRangesResult::rows, "One row per existing pKa of every buffer.")
        .def_property_readonly(
            "report", [](const BufferRangesResult& r) { return ReportText(r.report); },
            "The text, exactly as dedodiz32-cli buffers prints it.")
        .def(
            "to_dict", [](const BufferRangesResult& r) { return ToPython(*r.json); },
            "Everything as the JSON document of dedodiz32-cli buffers --format json.")
        .def("__repr__",
             [](const BufferRangesResult& r) {
                 return "<dedodiz.BufferRanges " + ShortestText(r.ranges.temperature) + " C " +
                        ShortestText(r.ranges.ionic) + " N " + std::to_string(r.rows.size()) + " rows>";
             })
        .def(py::pickle(
            [](const BufferRangesResult& r) {
                Outcome shown;
                shown.report = r.report;
                return py::make_tuple(r.ranges.temperature, r.ranges.pH, r.ranges.ionic, r.rows,
                                      OutcomeState(shown), JsonState(r.json));
            },
            [](const py::tuple& t) {
                StateOfLength(t, 6);
                BufferRangesResult r;
                r.ranges.ok = true;
                r.ranges.temperature = t[0].cast<double>();
                r.ranges.pH = t[1].cast<double>();
                r.ranges.ionic = t[2].cast<double>();
                r.rows = t[3].cast<std::vector<BufferRangeEntry>>();
                r.report = OutcomeFromState(t[4]).report;
                r.json = JsonFromState(t[5]);
                return r;
            }));
}

}  // namespace

void BindTools(py::module_& m) {
    BindEvaluation(m);
    BindBufferRanges(m);
    m.def("evaluate", &Evaluate, py::arg("table") = py::none(), py::kw_only(), py::arg("metals"),
          py::arg("ph") = 7.0, py::arg("temp") = kReferenceTemperature, py::arg("ionic") = kReferenceIonic,
          R"(Evaluates every chelator of the table for the metals given, as the chelator evaluation does.

table   the constants table; None for the bundled one
metals  the names of the metals (a list, or the keys of a dict)
ph, temp [C], ionic [N]  the conditions
Returns an Evaluation: the apparent Kd [mol/L] and the buffering range Kd/sqrt(10) .. Kd*sqrt(10)
of each pair. A floating-point fault (ionic strength 0 away from 20 C, ...) raises FloatingPointError.)");
    m.def("buffer_ranges", &Ranges, py::arg("buffers") = py::none(), py::kw_only(), py::arg("ph") = 7.0,
          py::arg("temp") = kReferenceTemperature, py::arg("ionic") = kReferenceIonic,
          R"(The useful pH range (pKa' +- 0.5) of every buffer of a pH buffer file.

buffers  a BufferTable (BufferTable.load); None for the bundled file of twelve buffers
ph, temp [C], ionic [N]  the conditions the pKa are corrected to
A floating-point fault raises FloatingPointError.)");
}

}  // namespace dedodiz::python
