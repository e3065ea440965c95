// SPDX-License-Identifier: BSD-3-Clause
#include "core/UncertaintyExport.h"

#include "core/ExportSupport.h"

namespace dedodiz {

using namespace exporting;

namespace {

json Uncertainties(const UncertaintyOutcome& o) {
    const UncertaintyInputs& u = o.options.inputs;
    json purity = json::array();
    for (const auto& [name, p] : o.purities)
        purity.push_back(
            {{"chelator", ExportText(name)}, {"fraction", Number(p.fraction)}, {"sd", Number(p.sd)}});
    json contamination = json::array();
    for (const auto& [name, c] : o.contaminations)
        contamination.push_back(
            {{"metal", ExportText(name)}, {"conc_M", Number(c.conc)}, {"sd_M", Number(c.sd)}});
    return {{"pH", Number(u.pHSd)},
            {"temperature_C", Number(u.temperatureSd)},
            {"ionic_strength_relative", Number(u.ionicRsd)},
            {"log_K_H", Number(u.logKHSd)},
            {"log_K_ML", Number(u.logKMLSd)},
            {"log_K_MHL", Number(u.logKMHLSd)},
            {"enthalpy_relative", Number(u.enthalpyRsd)},
            {"total_relative", Number(u.totalRsd)},
            {"purity", std::move(purity)},
            {"contamination", std::move(contamination)}};
}

json AllSamples(const UncertaintyOutcome& o) {
    json samples = {{"converged", o.sampleConverged}};
    for (const UncertaintyResult& r : o.results) {
        json values = json::array();
        for (const double v : r.samples) values.push_back(Number(v));
        samples[r.key] = std::move(values);
    }
    return samples;
}

}  // namespace

JsonValue UncertaintyJson(const Calculation& calc, std::string_view constantsFileName,
                          const UncertaintyOutcome& o, const ShownMessages& shown, bool allSamples) {
    json j = Header("uncertainty");
    j["samples"] = o.samples;
    j["failed"] = o.Failed();
    json results = json::array();
    json contributions = json::object();
    for (const UncertaintyResult& r : o.results) {
        results.push_back({{"key", r.key},
                           {"value", Number(r.value)},
                           {"median", Number(r.median)},
                           {"q025", Number(r.q025)},
                           {"q975", Number(r.q975)}});
        json shares = json::array();
        for (const UncertaintyShare& s : r.shares)
            shares.push_back({{"input", ExportText(s.input)}, {"share", Number(s.share)}});
        contributions[r.key] = std::move(shares);
    }
    j["results"] = std::move(results);
    j["contributions"] = std::move(contributions);
    j["not_converged"] = o.notConverged;
    j["faulted"] = o.faulted;
    j["seed"] = o.options.seed;
    j["refined"] = o.options.precision == Precision::Exact;
    j["calculation_type"] = TypeWord(calc.CalcType);
    j["constants_file"] = ExportText(constantsFileName);
    j["conditions"] = Conditions(calc.Solution.Temperature, calc.Solution.PH, calc.Solution.IonicEquiv);
    j["converged"] = o.converged;
    j["uncertainties"] = Uncertainties(o);
    if (allSamples) j["all_samples"] = AllSamples(o);
    j["warnings"] = Messages(shown);
    return j;
}

std::string UncertaintyCsv(const UncertaintyOutcome& o) {
    Csv csv;
    csv.Texts({"key", "value", "median", "q025", "q975", "input", "share"});
    csv.EndRow();
    for (const UncertaintyResult& r : o.results) {
        const auto summary = [&] {
            csv.Text(r.key).Value(r.value).Value(r.median).Value(r.q025).Value(r.q975);
        };
        if (r.shares.empty()) {
            summary();
            csv.Empty().Empty();
            csv.EndRow();
        }
        for (const UncertaintyShare& s : r.shares) {
            summary();
            csv.Text(s.input).Value(s.share);
            csv.EndRow();
        }
    }
    return csv.Str();
}

std::string UncertaintySamplesCsv(const UncertaintyOutcome& o) {
    Csv csv;
    csv.Texts({"sample", "converged"});
    for (const UncertaintyResult& r : o.results) csv.Text(r.key);
    csv.EndRow();
    for (int k = 0; k < o.samples; ++k) {
        csv.Value(k + 1).Flag(o.sampleConverged[static_cast<std::size_t>(k)]);
        for (const UncertaintyResult& r : o.results) csv.Value(r.samples[static_cast<std::size_t>(k)]);
        csv.EndRow();
    }
    return csv.Str();
}

}  // namespace dedodiz
