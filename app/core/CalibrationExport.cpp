// SPDX-License-Identifier: BSD-3-Clause
#include "core/CalibrationExport.h"

#include <algorithm>
#include <cmath>

#include "core/ExportSupport.h"

namespace dedodiz {

using exporting::json;
using exporting::Number;

namespace {

constexpr double kZ95 = 1.959963984540054;

json EstimateJson(const Estimate& e) {
    json out{{"value", Number(e.value)}, {"ci95", json::array({Number(e.low), Number(e.high)})}};
    if (std::isfinite(e.bootLow))
        out["bootstrap_ci95"] = json::array({Number(e.bootLow), Number(e.bootHigh)});
    return out;
}

void CsvEstimate(exporting::Csv& csv, std::string_view name, const Estimate& e) {
    csv.Text(name).Value(e.value).Value(e.low).Value(e.high);
    if (std::isfinite(e.bootLow)) {
        csv.Value(e.bootLow).Value(e.bootHigh);
    } else {
        csv.Empty().Empty();
    }
    csv.EndRow();
}

}  // namespace

JsonValue CalibrationJson(const Calibration& fit, std::string_view constantsFileName,
                          const ShownMessages& shown) {
    const bool mV = fit.reading == TitrationReading::Millivolts;
    json doc = exporting::Header("calibration");
    doc["purity"] = EstimateJson(fit.purity);
    doc["contamination_M"] = EstimateJson(fit.contamination);
    doc["kd_M"] = EstimateJson(fit.kd);
    doc["electrode"] = mV ? json{{"slope_mV", EstimateJson(fit.slope)},
                                 {"e0_mV", EstimateJson(fit.e0)},
                                 {"detection_M", EstimateJson(fit.detection)}}
                          : json(nullptr);
    doc["scatchard"] = fit.scatchard
                           ? json{{"purity", Number(fit.scatchardPurity)}, {"kd_M", Number(fit.scatchardKd)}}
                           : json{{"purity", nullptr}, {"kd_M", nullptr}};
    doc["table_kd_M"] = Number(fit.tableKd);
    doc["rms"] = Number(fit.rms);
    doc["rms_unit"] = mV ? "mV" : "%";
    json points = json::array();
    for (const CalibrationPoint& p : fit.points)
        points.push_back({{"line", p.line},
                          {"metal_total_M", Number(p.metalTotal)},
                          {"chelator_total_M", Number(p.chelatorTotal)},
                          {mV ? "mV" : "free_M", Number(p.reading)},
                          {mV ? "model_mV" : "model_free_M", Number(p.model)},
                          {"free_M_fitted", Number(p.free)},
                          {mV ? "residual_mV" : "residual_percent", Number(p.residual)},
                          {"standard", p.standard}});
    doc["points"] = points;
    doc["chelator"] = fit.chelator;
    doc["metal"] = fit.metal;
    doc["conditions"] = exporting::Conditions(fit.temperature, fit.pH, fit.ionic);
    doc["log_k_shift"] = Number(fit.logKShift);
    doc["bootstrap"] = {{"draws", fit.bootstrapDraws}, {"failed", fit.bootstrapFailed}};
    doc["constants_file"] = std::string(constantsFileName);
    doc["warnings"] = exporting::Messages(shown);
    return doc;
}

std::string CalibrationCsv(const Calibration& fit) {
    const bool mV = fit.reading == TitrationReading::Millivolts;
    exporting::Csv csv;
    csv.Texts({"parameter", "value", "ci95_low", "ci95_high", "bootstrap_low", "bootstrap_high"}).EndRow();
    CsvEstimate(csv, "purity", fit.purity);
    CsvEstimate(csv, "contamination_M", fit.contamination);
    CsvEstimate(csv, "kd_M", fit.kd);
    if (mV) {
        CsvEstimate(csv, "slope_mV", fit.slope);
        CsvEstimate(csv, "e0_mV", fit.e0);
        CsvEstimate(csv, "detection_M", fit.detection);
    }
    if (fit.scatchard) {
        csv.Text("scatchard_purity").Value(fit.scatchardPurity).EndRow();
        csv.Text("scatchard_kd_M").Value(fit.scatchardKd).EndRow();
    }
    csv.Text("table_kd_M").Value(fit.tableKd).EndRow();
    csv.Text(mV ? "rms_mV" : "rms_percent").Value(fit.rms).EndRow();
    std::string out = csv.Str() + "\n";
    exporting::Csv rows;
    rows.Texts({"line", "metal_total_M", "chelator_total_M", mV ? "mV" : "free_M",
                mV ? "model_mV" : "model_free_M", "free_M_fitted", mV ? "residual_mV" : "residual_percent"})
        .EndRow();
    for (const CalibrationPoint& p : fit.points) {
        rows.Value(p.line)
            .Value(p.metalTotal)
            .Value(p.chelatorTotal)
            .Value(p.reading)
            .Value(p.model)
            .Value(p.free);
        rows.Value(p.residual).EndRow();
    }
    return out + rows.Str();
}

namespace {

CalibrationUse Bounded(CalibrationUse use) {
    use.purity = std::min(use.purity, 1.0);
    use.contamination = std::max(use.contamination, 0.0);
    return use;
}

}  // namespace

CalibrationUse UseOf(const Calibration& fit) {
    return Bounded({fit.chelator, fit.metal, fit.purity.value,
                    (fit.purity.high - fit.purity.low) / (2 * kZ95), fit.contamination.value,
                    (fit.contamination.high - fit.contamination.low) / (2 * kZ95)});
}

std::optional<CalibrationUse> ReadCalibrationUse(std::string_view text, std::string& error) {
    const json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        error = "not a JSON document";
        return std::nullopt;
    }
    if (doc.value("result", "") != "calibration") {
        error =
            "not a calibration (its \"result\" is not \"calibration\"): write one with calibrate --format "
            "json";
        return std::nullopt;
    }
    const auto estimate = [&](const char* key, double& value, double& sd) {
        const json* e = doc.contains(key) ? &doc[key] : nullptr;
        if (e == nullptr || !e->is_object() || !(*e)["value"].is_number() || !(*e)["ci95"].is_array() ||
            (*e)["ci95"].size() != 2 || !(*e)["ci95"][0].is_number() || !(*e)["ci95"][1].is_number()) {
            error = std::string("\"") + key + "\" has no value with its ci95";
            return false;
        }
        value = (*e)["value"].get<double>();
        sd = ((*e)["ci95"][1].get<double>() - (*e)["ci95"][0].get<double>()) / (2 * kZ95);
        return std::isfinite(value) && std::isfinite(sd);
    };
    CalibrationUse use;
    if (!doc.contains("chelator") || !doc["chelator"].is_string() || !doc.contains("metal") ||
        !doc["metal"].is_string()) {
        error = "names no chelator and metal";
        return std::nullopt;
    }
    use.chelator = doc["chelator"].get<std::string>();
    use.metal = doc["metal"].get<std::string>();
    if (!estimate("purity", use.purity, use.puritySd) ||
        !estimate("contamination_M", use.contamination, use.contaminationSd))
        return std::nullopt;
    return Bounded(use);
}

}  // namespace dedodiz
