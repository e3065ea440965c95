// SPDX-License-Identifier: BSD-3-Clause
// dedodiz.uncertainty: how far the results of a solution can be trusted. The uncertain inputs are
// varied at random as dedodiz32-cli uncertainty varies them; the spread of every result comes back with
// the share of it that each input causes, and the samples themselves as numpy arrays on request.

#include <pybind11/numpy.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/CalibrationExport.h"
#include "core/Uncertainty.h"
#include "core/UncertaintyExport.h"
#include "engine/Format.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

// One result of the calculation type: the single point and the quantiles of the samples [mol/L].
struct Estimate {
    std::string key, name, kind;
    double value = 0, median = 0, q025 = 0, q975 = 0;
};

struct UncertaintyResultPy {
    UncertaintyOutcome outcome;  // without the samples, which are in allSamples when asked for
    py::dict results, contributions;
    py::object allSamples, sampleConverged;  // None unless all_samples
    int threads = 0;
    ShownMessages messages;
    std::vector<std::string> report;
    std::shared_ptr<const JsonValue> json;
};

// The standard uncertainties as keywords, in the order of the signature.
struct Sds {
    double pH, temperature, ionic, logKH, logKML, logKMHL, enthalpy, total;
};

// purity={chelator: (fraction, sd)} or {chelator: fraction} (known exactly); the names and values are the
// Session's to check.
std::vector<NamedPurity> ReadPurity(const py::object& purity) {
    std::vector<NamedPurity> purities;
    if (purity.is_none()) return purities;
    if (!py::isinstance<py::dict>(purity))
        throw py::type_error("purity must be a dict of chelator names and (fraction, sd)");
    for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(purity)) {
        const std::string name = KeyName(key, "purity");
        const bool pair = IsPair(value);
        const double fraction =
            ReadNumber(pair ? py::object(value[py::int_(0)]) : py::reinterpret_borrow<py::object>(value),
                       "purity " + name, "fraction");
        const double sd = pair ? ReadNumber(value[py::int_(1)], "purity " + name, "fraction") : 0.0;
        purities.push_back({name, {fraction, sd}});
    }
    return purities;
}

// contamination={metal: (conc, sd)} or {metal: conc} (known exactly) [mol/L]; the Session checks them.
std::vector<NamedContamination> ReadContamination(const py::object& contamination) {
    std::vector<NamedContamination> out;
    if (contamination.is_none()) return out;
    if (!py::isinstance<py::dict>(contamination))
        throw py::type_error("contamination must be a dict of metal names and (conc, sd)");
    for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(contamination)) {
        const std::string name = KeyName(key, "contamination");
        const bool pair = IsPair(value);
        const double conc =
            ReadNumber(pair ? py::object(value[py::int_(0)]) : py::reinterpret_borrow<py::object>(value),
                       "contamination " + name, "concentration");
        const double sd =
            pair ? ReadNumber(value[py::int_(1)], "contamination " + name, "concentration") : 0.0;
        out.push_back({name, {conc, sd}});
    }
    return out;
}

// The seed as Python gives it: any integer that 64 bits without a sign hold.
std::uint64_t Seed(const py::int_& seed) {
    const unsigned long long value = PyLong_AsUnsignedLongLong(seed.ptr());
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr) {
        PyErr_Clear();
        throw py::value_error("seed must be an integer from 0 to 2**64 - 1");
    }
    return value;
}

UncertaintyOptions Options(const Sds& sds, int samples, std::uint64_t seed, int threads) {
    UncertaintyOptions o;
    o.samples = samples;
    o.seed = seed;
    o.threads = threads;
    UncertaintyInputs& u = o.inputs;
    u.pHSd = sds.pH;
    u.temperatureSd = sds.temperature;
    u.ionicRsd = sds.ionic;
    u.logKHSd = sds.logKH;
    u.logKMLSd = sds.logKML;
    u.logKMHLSd = sds.logKMHL;
    u.enthalpyRsd = sds.enthalpy;
    u.totalRsd = sds.total;
    return o;
}

py::array_t<double> Array(const std::vector<double>& values) {
    py::array_t<double> a(static_cast<py::ssize_t>(values.size()));
    std::copy(values.begin(), values.end(), a.mutable_data());
    return a;
}

void Collect(UncertaintyResultPy& r, bool allSamples) {
    UncertaintyOutcome& o = r.outcome;
    if (allSamples) {
        py::dict samples;
        py::array_t<bool> converged(static_cast<py::ssize_t>(o.sampleConverged.size()));
        std::copy(o.sampleConverged.begin(), o.sampleConverged.end(), converged.mutable_data());
        for (const UncertaintyResult& result : o.results)
            samples[py::str(result.key)] = Array(result.samples);
        r.allSamples = samples;
        r.sampleConverged = converged;
    } else {
        r.allSamples = r.sampleConverged = py::none();
    }
    for (UncertaintyResult& result : o.results) {
        r.results[py::str(result.key)] = Estimate{result.key,    result.name, result.kind, result.value,
                                                  result.median, result.q025, result.q975};
        py::list shares;
        for (const UncertaintyShare& s : result.shares) shares.append(py::make_tuple(s.input, s.share));
        r.contributions[py::str(result.key)] = shares;
        result.samples = {};
    }
}

std::unique_ptr<UncertaintyResultPy> Run(const Table* table, const SolutionInput& entered, const Sds& sds,
                                         const py::object& purity, const py::object& contamination,
                                         const py::object& calibration, int samples, std::uint64_t seed,
                                         int threads, Precision precision, bool allSamples) {
    const ConstantsTable& t = TableOrStandard(table);
    UncertaintyOptions options = Options(sds, samples, seed, threads);
    options.purities = ReadPurity(purity);
    options.contaminations = ReadContamination(contamination);
    if (const std::optional<CalibrationUse> use = CalibrationUseOf(calibration)) {
        options.purities.push_back({use->chelator, {use->purity, use->puritySd}});
        options.contaminations.push_back({use->metal, {use->contamination, use->contaminationSd}});
    }
    const std::unique_ptr<Session> session = DescribeOrRaise(t, entered, precision);

    auto r = std::make_unique<UncertaintyResultPy>();
    Outcome outcome;
    SignalCheck signals;
    options.stop = [&signals] { return signals.Interrupted(); };
    {
        const py::gil_scoped_release released;
        outcome = session->Uncertainty(options);
        if (outcome.Ran()) {
            r->outcome = session->LastUncertainty();
            r->report = outcome.report;
            r->json = std::make_shared<const JsonValue>(UncertaintyJson(
                session->calc(), t.ConstantsFileName.view(), r->outcome, outcome.messages, allSamples));
        }
    }
    if (signals.WasInterrupted()) throw py::error_already_set();
    RaiseUnlessRan(outcome);
    r->outcome.options.stop = nullptr;  // it refers to this call's signal check
    r->messages = outcome.messages;
    r->threads = UncertaintyThreads(threads);
    Collect(*r, allSamples);
    return r;
}

void BindEstimate(py::module_& m) {
    py::class_<Estimate>(m, "Estimate",
                         "One result's single-point value and the spread of its samples [mol/L].")
        .def_readonly("key", &Estimate::key, "As the exports name it: \"free_Ca2_M\", \"total_EGTA_M\".")
        .def_readonly("name", &Estimate::name, "The metal or chelator.")
        .def_readonly("kind", &Estimate::kind, "\"free\" or \"total\".")
        .def_readonly("value", &Estimate::value, "The single-point result [mol/L].")
        .def_readonly("median", &Estimate::median, "The median of the samples that converged [mol/L].")
        .def_readonly("q025", &Estimate::q025, "The 2.5 % quantile [mol/L].")
        .def_readonly("q975", &Estimate::q975, "The 97.5 % quantile [mol/L].")
        .def("__repr__",
             [](const Estimate& e) {
                 return "<dedodiz.Estimate " + e.key + " " + ShortestText(e.value) +
                        " (95 %: " + ShortestText(e.q025) + " .. " + ShortestText(e.q975) + ")>";
             })
        .def(py::pickle(
            [](const Estimate& e) {
                return py::make_tuple(e.key, e.name, e.kind, e.value, e.median, e.q025, e.q975);
            },
            [](const py::tuple& t) {
                StateOfLength(t, 7);
                return Estimate{t[0].cast<std::string>(), t[1].cast<std::string>(), t[2].cast<std::string>(),
                                t[3].cast<double>(),      t[4].cast<double>(),      t[5].cast<double>(),
                                t[6].cast<double>()};
            }));
}

void BindUncertaintyResult(py::module_& m) {
    using R = UncertaintyResultPy;
    py::class_<R>(m, "Uncertainty", "The outcome of uncertainty(): how far each result can be trusted.")
        .def_property_readonly(
            "type", [](const R& r) { return TypeWord(r.outcome.type); }, "The calculation type.")
        .def_property_readonly(
            "samples", [](const R& r) { return r.outcome.samples; }, "The number of samples drawn.")
        .def_property_readonly(
            "failed", [](const R& r) { return r.outcome.Failed(); },
            "Samples left out: not converged or stopped by a floating-point fault.")
        .def_property_readonly(
            "not_converged", [](const R& r) { return r.outcome.notConverged; },
            "Samples that did not converge.")
        .def_property_readonly(
            "faulted", [](const R& r) { return r.outcome.faulted; },
            "Samples stopped by a floating-point fault.")
        .def_property_readonly(
            "inputs", [](const R& r) { return r.outcome.inputs; }, "The number of inputs varied.")
        .def_property_readonly(
            "seed", [](const R& r) { return r.outcome.options.seed; }, "The seed of the random numbers.")
        .def_readonly("threads", &R::threads, "The threads the sampling used.")
        .def_property_readonly(
            "converged", [](const R& r) { return r.outcome.converged; }, "The single point converged.")
        .def_property_readonly(
            "refined", [](const R& r) { return r.outcome.options.precision == Precision::Exact; },
            "Every solve was refined (refine=True).")
        .def_property_readonly(
            "enthalpy_missing", [](const R& r) { return r.outcome.enthalpyMissing; },
            "A constant without an enthalpy meets a varied temperature.")
        .def_readonly("results", &R::results, "{key: Estimate} of every result of the calculation type.")
        .def_readonly("contributions", &R::contributions,
                      "{key: [(input, share), ...]}: every input varied with its share (0..1) of the spread, "
                      "largest first.")
        .def_readonly("all_samples", &R::allSamples,
                      "{key: array [mol/L]} of every sample, NaN where one was left out; None unless "
                      "all_samples=True.")
        .def_readonly("sample_converged", &R::sampleConverged,
                      "Boolean array: the sample counts; None unless all_samples=True.")
        .def_property_readonly(
            "warnings", [](const R& r) { return MessageList(r.messages); },
            "The messages shown, as (caption, text).")
        .def_property_readonly(
            "report", [](const R& r) { return ReportText(r.report); },
            "The text block, exactly as dedodiz32-cli uncertainty prints it.")
        .def(
            "to_dict", [](const R& r) { return ToPython(*r.json); },
            "Everything as the JSON document of dedodiz32-cli uncertainty --format json (with all_samples: "
            "--all-samples).")
        .def("__repr__",
             [](const R& r) {
                 return "<dedodiz.Uncertainty type=" + std::string(TypeWord(r.outcome.type)) +
                        " samples=" + std::to_string(r.outcome.samples) +
                        " failed=" + std::to_string(r.outcome.Failed()) + ">";
             })
        .def(py::pickle(
            [](const R& r) {
                const UncertaintyOutcome& o = r.outcome;
                Outcome shown;
                shown.messages = r.messages;
                shown.report = r.report;
                return py::make_tuple(static_cast<int>(o.type), o.samples, o.notConverged, o.faulted,
                                      o.inputs, o.options.seed, o.converged,
                                      static_cast<int>(o.options.precision), o.enthalpyMissing, r.results,
                                      r.contributions, r.allSamples, r.sampleConverged, r.threads,
                                      OutcomeState(shown), JsonState(r.json));
            },
            [](const py::tuple& t) {
                StateOfLength(t, 16);
                auto r = std::make_unique<R>();
                UncertaintyOutcome& o = r->outcome;
                o.status = RunStatus::Ran;
                o.type = static_cast<CalculationType>(t[0].cast<int>());
                o.samples = t[1].cast<int>();
                o.notConverged = t[2].cast<int>();
                o.faulted = t[3].cast<int>();
                o.inputs = t[4].cast<int>();
                o.options.seed = t[5].cast<std::uint64_t>();
                o.converged = t[6].cast<bool>();
                o.options.precision = static_cast<Precision>(t[7].cast<int>());
                o.enthalpyMissing = t[8].cast<bool>();
                r->results = t[9], r->contributions = t[10];
                r->allSamples = t[11], r->sampleConverged = t[12];
                r->threads = t[13].cast<int>();
                Outcome shown = OutcomeFromState(t[14]);
                r->messages = std::move(shown.messages);
                r->report = std::move(shown.report);
                r->json = JsonFromState(t[15]);
                return r;
            }));
}

}  // namespace

void BindUncertainty(py::module_& m) {
    BindEstimate(m);
    BindUncertaintyResult(m);
    const UncertaintyInputs defaults;
    m.def(
        "uncertainty",
        [](const Table* table, const py::object& chelators, const py::object& metals, const py::object& pH,
           const py::object& temperature, const py::object& ionic, const std::string& type, double phSd,
           double tempSd, double ionicRsd, double logKHSd, double logKMLSd, double logKMHLSd, double dhRsd,
           double totalRsd, const py::object& purity, int samples, const py::int_& seed, int threads,
           bool refine, const std::string& precision, bool allSamples, const py::object& contamination,
           const py::object& calibration) {
            const SolutionInput entered =
                InputFromArguments(chelators, metals, pH, temperature, ionic, ParseType(type));
            const Sds sds{phSd, tempSd, ionicRsd, logKHSd, logKMLSd, logKMHLSd, dhRsd, totalRsd};
            return Run(table, entered, sds, purity, contamination, calibration, samples, Seed(seed), threads,
                       PrecisionOf(precision, refine), allSamples);
        },
        py::arg("table") = py::none(), py::kw_only(), py::arg("chelators"), py::arg("metals"),
        py::arg("ph") = 7.0, py::arg("temp") = kReferenceTemperature, py::arg("ionic") = kReferenceIonic,
        py::arg("type") = "free", py::arg("ph_sd") = defaults.pHSd,
        py::arg("temp_sd") = defaults.temperatureSd, py::arg("ionic_rsd") = defaults.ionicRsd,
        py::arg("logk_h_sd") = defaults.logKHSd, py::arg("logk_ml_sd") = defaults.logKMLSd,
        py::arg("logk_mhl_sd") = defaults.logKMHLSd, py::arg("dh_rsd") = defaults.enthalpyRsd,
        py::arg("total_rsd") = defaults.totalRsd, py::arg("purity") = py::none(),
        py::arg("samples") = kDefaultUncertaintySamples, py::arg("seed") = 1, py::arg("threads") = 0,
        py::arg("refine") = false, py::arg("precision") = "checked", py::arg("all_samples") = false,
        py::arg("contamination") = py::none(), py::arg("calibration") = py::none(),
        R"(How far the results of a solution can be trusted, as dedodiz32-cli uncertainty computes it,
and returns the Uncertainty.

Takes the arguments of solve() for the solution, and the standard uncertainties (0 switches an input
off; "relative" ones are fractions of the value):
ph_sd        of the pH
temp_sd      of the temperature [C]
ionic_rsd    relative, of the ionic strength
logk_h_sd    of every stored protonation constant [log10 units]
logk_ml_sd   of every stored ML constant [log10 units]
logk_mhl_sd  of every stored MHL constant [log10 units]
dh_rsd       relative, of every stored enthalpy
total_rsd    relative, of every total given (pipetting)
purity       {chelator: (fraction, sd)} of the weighed reagent that is the chelator; a fraction
             alone is known exactly; pure when left out
samples      the number of random samples (1 .. 1,000,000)
seed         the seed: the same seed gives the same numbers, whatever the number of threads
threads      threads to sample on; 0: all of the machine's (the interpreter is released meanwhile)
precision    "checked" (the default), "described" or "exact", as for solve(); refine=True is "exact"
all_samples  keep every sample as numpy arrays (all_samples, sample_converged) and in to_dict()
contamination  {metal: (conc, sd)} [mol/L] that water and salts bring beyond the total given; a
             concentration alone is known exactly
calibration  a Calibration from calibrate(): its chelator's purity and its metal's contamination,
             each with the half width of its 95 % interval over 1.96 as the sd

The results are the free metals for type "free", the total metals for type "total" and the chelator
totals for type "chelator". A solution the program refuses raises ValueError, a fault of its single
point FloatingPointError; samples that fail are counted (failed) and left out.)");
}

}  // namespace dedodiz::python
