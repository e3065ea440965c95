// SPDX-License-Identifier: BSD-3-Clause
// dedodiz.calibrate: the chelator's purity, the metal contamination and the apparent Kd fitted to a
// titration, as dedodiz32-cli calibrate fits them. The answer keeps the JSON document of the tool, and
// every field is read from it, so a pickled calibration is the same document. It also keeps the session
// that fitted it, which writes the calibrated constants table by the rules of every face; a calibration
// read back from a pickle holds the numbers only.

#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/CalibrationExport.h"
#include "core/Titration.h"
#include "engine/Format.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

struct CalibrationPy {
    std::shared_ptr<const JsonValue> json;
    ShownMessages messages;
    std::vector<std::string> report;
    std::shared_ptr<Session> session;  // the one that fitted it; none when read back from a pickle
    [[nodiscard]] const JsonValue& Doc() const { return *json; }
    [[nodiscard]] Session& Fitter() const {
        if (!session)
            throw py::value_error(
                "this calibration was read back from a pickle and holds its numbers only: fit it again with "
                "calibrate() to get its constants table");
        return *session;
    }
};

// A fitted value and its intervals, from the document's {value, ci95, bootstrap_ci95}.
struct Fitted {
    double value = 0;
    std::pair<double, double> ci95;
    std::optional<std::pair<double, double>> bootstrap;
};

double Num(const JsonValue& v) {
    return v.is_number() ? v.get<double>() : std::numeric_limits<double>::quiet_NaN();
}

Fitted FittedOf(const JsonValue& e) {
    Fitted f{Num(e["value"]), {Num(e["ci95"][0]), Num(e["ci95"][1])}, std::nullopt};
    if (e.contains("bootstrap_ci95"))
        f.bootstrap = std::make_pair(Num(e["bootstrap_ci95"][0]), Num(e["bootstrap_ci95"][1]));
    return f;
}

// data: a path (str or os.PathLike) of a CSV file, or the CSV text itself (a str holding a line end).
TitrationRead ReadData(const py::object& data) {
    if (py::isinstance<py::str>(data)) {
        const std::string text = data.cast<std::string>();
        if (text.find_first_of("\r\n") != std::string::npos) return ParseTitration(text);
        return ReadTitrationFile(text);
    }
    if (py::hasattr(data, "__fspath__"))
        return ReadTitrationFile(py::str(data.attr("__fspath__")()).cast<std::string>());
    throw py::type_error("data must be the path of a titration CSV file or its text");
}

std::unique_ptr<CalibrationPy> Run(const py::object& data, const Table* table, const std::string& chelator,
                                   const std::string& metal, double pH, double temperature, double ionic,
                                   int bootstrap, std::uint64_t seed) {
    const TitrationRead read = ReadData(data);
    if (!read.ok()) throw py::value_error("titration: " + read.error);
    std::shared_ptr<Session> session = SessionFor(TableOrStandard(table), Precision::Exact);
    session->SetDataFolders(DataFolders());
    CalibrationRequest request;
    request.titration = read.titration;
    request.chelator = chelator;
    request.metal = metal;
    request.pH = pH;
    request.temperature = temperature;
    request.ionic = ionic;
    request.bootstrap = bootstrap;
    request.seed = seed;
    SignalCheck signals;
    request.stop = [&signals] { return signals.Interrupted(); };
    auto r = std::make_unique<CalibrationPy>();
    Outcome outcome;
    {
        const py::gil_scoped_release released;
        outcome = session->Calibrate(request);
        if (outcome.Ran())
            r->json = std::make_shared<const JsonValue>(CalibrationJson(
                session->LastCalibration(), session->ConstantsFileName.view(), outcome.messages));
    }
    if (signals.WasInterrupted()) throw py::error_already_set();
    RaiseUnlessRan(outcome);
    r->messages = outcome.messages;
    r->report = outcome.report;
    r->session = std::move(session);
    return r;
}

std::string Text(const std::pair<double, double>& p) {
    return ShortestText(p.first) + " .. " + ShortestText(p.second);
}

void BindFitted(py::module_& m) {
    py::class_<Fitted>(m, "Fitted", "A fitted value with its 95 % interval.")
        .def_readonly("value", &Fitted::value)
        .def_readonly("ci95", &Fitted::ci95, "(low, high) from the covariance at the optimum.")
        .def_readonly(
            "bootstrap_ci95", &Fitted::bootstrap,
            "(low, high): the 2.5 and 97.5 percentiles of the parametric bootstrap; None without one.")
        .def("__repr__",
             [](const Fitted& f) {
                 return "<dedodiz.Fitted " + ShortestText(f.value) + " (95 %: " + Text(f.ci95) + ")>";
             })
        .def(py::pickle([](const Fitted& f) { return py::make_tuple(f.value, f.ci95, f.bootstrap); },
                        [](const py::tuple& t) {
                            StateOfLength(t, 3);
                            return Fitted{t[0].cast<double>(), t[1].cast<std::pair<double, double>>(),
                                          t[2].cast<std::optional<std::pair<double, double>>>()};
                        }));
}

void BindCalibrationResult(py::module_& m) {
    using R = CalibrationPy;
    const auto fitted = [](const char* key) { return [key](const R& r) { return FittedOf(r.Doc()[key]); }; };
    py::class_<R>(m, "Calibration",
                  "The outcome of calibrate(): the fitted values with their 95 % intervals.")
        .def_property_readonly("purity", fitted("purity"),
                               "The fraction of the weighed chelator that is chelator.")
        .def_property_readonly("contamination_M", fitted("contamination_M"),
                               "The metal in every row beyond what was added [mol/L].")
        .def_property_readonly("kd_M", fitted("kd_M"), "The apparent Kd at the conditions [mol/L].")
        .def_property_readonly(
            "electrode",
            [](const R& r) -> py::object {
                const JsonValue& e = r.Doc()["electrode"];
                if (e.is_null()) return py::none();
                py::dict d;
                for (const char* key : {"slope_mV", "e0_mV", "detection_M"}) d[key] = FittedOf(e[key]);
                return d;
            },
            "{slope_mV, e0_mV, detection_M: Fitted} of E = E0 + S log10(free + D); None for free levels.")
        .def_property_readonly(
            "scatchard", [](const R& r) { return ToPython(r.Doc()["scatchard"]); },
            "{purity, kd_M} of the linear estimate (None values when the points give no falling line).")
        .def_property_readonly(
            "table_kd_M", [](const R& r) { return Num(r.Doc()["table_kd_M"]); },
            "The Kd the constants table gives at the same conditions [mol/L].")
        .def_property_readonly(
            "rms", [](const R& r) { return Num(r.Doc()["rms"]); }, "The RMS of the residuals, in mV or %.")
        .def_property_readonly(
            "points", [](const R& r) { return ToPython(r.Doc()["points"]); },
            "Every row as fitted: line, totals, reading, model, fitted free level, residual.")
        .def_property_readonly(
            "warnings", [](const R& r) { return MessageList(r.messages); },
            "The messages shown, as (caption, text).")
        .def_property_readonly(
            "report", [](const R& r) { return ReportText(r.report); },
            "The text block, exactly as dedodiz32-cli calibrate prints it.")
        .def(
            "to_dict", [](const R& r) { return ToPython(r.Doc()); },
            "Everything as the JSON document of dedodiz32-cli calibrate --format json.")
        .def_property_readonly(
            "table",
            [](const R& r) {
                const Session& s = r.Fitter();
                return Table{
                    std::make_shared<const ConstantsTable>(CalibratedTable(s.table(), s.LastCalibration()))};
            },
            "The constants table with the pair's log K moved so that a solution at the fit's conditions "
            "gives the fitted Kd (stored, as every table, at 20 C and 0.1 N).")
        .def(
            "write_constants",
            [](const R& r, const std::filesystem::path& path) {
                RaiseUnlessRan(r.Fitter().SaveCalibratedConstants(path.string()));
            },
            py::arg("path"),
            "Writes that table to a new .TCM or .CCM file, as dedodiz32-cli calibrate --write-constants "
            "does: never over a table that comes with the program or the one the fit was computed with.")
        .def("__repr__",
             [](const R& r) {
                 const Fitted kd = FittedOf(r.Doc()["kd_M"]);
                 const Fitted purity = FittedOf(r.Doc()["purity"]);
                 return "<dedodiz.Calibration purity=" + ShortestText(purity.value) +
                        " kd_M=" + ShortestText(kd.value) + ">";
             })
        // A copy keeps the fit's session (it only reads it, and writes files from it), so that it can
        // still give the calibrated table; a pickle holds the numbers only.
        .def("__copy__", [](const R& r) { return std::make_unique<R>(r); })
        .def(
            "__deepcopy__", [](const R& r, const py::dict&) { return std::make_unique<R>(r); },
            py::arg("memo"))
        .def(py::pickle(
            [](const R& r) {
                Outcome shown;
                shown.messages = r.messages;
                shown.report = r.report;
                return py::make_tuple(OutcomeState(shown), JsonState(r.json));
            },
            [](const py::tuple& t) {
                StateOfLength(t, 2);
                auto r = std::make_unique<R>();
                Outcome shown = OutcomeFromState(t[0]);
                r->messages = std::move(shown.messages);
                r->report = std::move(shown.report);
                r->json = JsonFromState(t[1]);
                return r;
            }));
}

}  // namespace

std::optional<CalibrationUse> CalibrationUseOf(const py::object& calibration) {
    if (calibration.is_none()) return std::nullopt;
    if (!py::isinstance<CalibrationPy>(calibration))
        throw py::type_error("calibration must be what calibrate() returns, not " +
                             std::string(py::str(py::type::of(calibration).attr("__name__"))));
    // Read as the command line reads the document it wrote, so that both take the same numbers.
    std::string error;
    std::optional<CalibrationUse> use =
        ReadCalibrationUse(JsonText(calibration.cast<const CalibrationPy&>().Doc()), error);
    if (!use) throw py::value_error("calibration: " + error);
    return use;
}

void BindCalibration(py::module_& m) {
    BindFitted(m);
    BindCalibrationResult(m);
    m.def(
        "calibrate",
        [](const py::object& data, const Table* table, const std::string& chelator, const std::string& metal,
           double pH, double temperature, double ionic, int bootstrap, const py::int_& seed) {
            const unsigned long long s = PyLong_AsUnsignedLongLong(seed.ptr());
            if (s == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr) {
                PyErr_Clear();
                throw py::value_error("seed must be an integer from 0 to 2**64 - 1");
            }
            return Run(data, table, chelator, metal, pH, temperature, ionic, bootstrap, s);
        },
        py::arg("data"), py::arg("table") = py::none(), py::kw_only(), py::arg("chelator"), py::arg("metal"),
        py::arg("ph") = 7.0, py::arg("temp") = kReferenceTemperature, py::arg("ionic") = kReferenceIonic,
        py::arg("bootstrap") = 1000, py::arg("seed") = 1,
        R"(The chelator's purity, the metal contamination and the apparent Kd fitted to a titration, as
dedodiz32-cli calibrate fits them, and returns the Calibration.

data       the titration: the path of a CSV file, or its text, with the header
           metal_total_M,chelator_total_M,mV (or free_M); units as "2mM"; standards have no chelator
table      the constants table (the bundled one when None)
chelator   the chelator and the metal as the table names them ("EGTA", "Ca2")
ph, temp, ionic  the conditions of the titration
bootstrap  draws of the parametric bootstrap that checks the intervals (0: none)
seed       the bootstrap's seed: the same seed gives the same numbers

Rows that cannot give the numbers raise StoppedError saying what to measure more; a name the table lacks
or a condition out of range raises ValueError.)");
}

}  // namespace dedodiz::python
