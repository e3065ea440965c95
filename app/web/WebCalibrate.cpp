// SPDX-License-Identifier: BSD-3-Clause
// The purity, contamination and Kd fitted to a titration pasted or loaded into the page, as
// dedodiz32-cli calibrate fits them against the table in use; answered with the report, the exports and
// the Scatchard and residual plots as SVG for the page to show inline, what a recipe and an
// uncertainty take from it ("use": the purity and contamination with their standard uncertainties), and
// the constants table that carries the fitted Kd ("constants", named "constants_file").
//
// The request: "csv" (the titration's text), "chelator", "metal", "temp", "ph", "ionic", "bootstrap" (a
// whole number, 1000 when missing) and "seed" (digits or a whole number, 1 when missing). In the page's
// worker the bootstrap tells its progress in blocks of 16 draws, as the uncertainty tells its samples.

#include <algorithm>
#include <filesystem>
#include <limits>

#include "core/CalibrationExport.h"
#include "core/CalibrationGraph.h"
#include "core/Titration.h"
#include "files/ConstantsFile.h"
#include "web/WebSession.h"

namespace dedodiz::web {

namespace {

constexpr int kDrawsPerBlock = 16;  // bootstrap draws per progress report

double NumberOr(const Json& request, const char* key, double fallback) {
    const auto found = request.find(key);
    if (found == request.end() || found->is_null()) return fallback;
    return JsonNumber(*found, key);
}

std::string TextOf(const Json& request, const char* key) {
    const auto found = request.find(key);
    if (found == request.end() || !found->is_string())
        throw RequestError(std::string("\"") + key + "\" is needed");
    return found->get<std::string>();
}

int WholeOr(const Json& request, const char* key, int fallback) {
    const auto found = request.find(key);
    if (found == request.end() || found->is_null()) return fallback;
    if (!found->is_number_integer()) throw RequestError(std::string(key) + " is a whole number");
    // As given wherever an int holds it, so that the Session's refusal names the number typed.
    return static_cast<int>(std::clamp<std::int64_t>(
        found->get<std::int64_t>(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Bytes as a text whose every character is one byte (U+0000 to U+00FF), so that the page gets a file's
// exact bytes back whatever the table's names and comments hold.
std::string ByteText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0U | (b >> 6U));
            text += static_cast<char>(0x80U | (b & 0x3FU));
        }
    }
    return text;
}

// The name of the calibrated table: the table's own with "-calibrated", never the bundled file's.
std::string CalibratedName(std::string_view table) {
    const std::string stem = std::filesystem::path(table).stem().string();
    return (stem.empty() ? std::string("constants") : stem) + "-calibrated.TCM";
}

Json UseJson(const CalibrationUse& use) {
    return {{"chelator", ExportText(use.chelator)},
            {"metal", ExportText(use.metal)},
            {"purity", use.purity},
            {"purity_sd", use.puritySd},
            {"contamination_M", use.contamination},
            {"contamination_sd_M", use.contaminationSd}};
}

}  // namespace

Json CalibrateCommand(WebSession& session, const Json& request) {
    const TitrationRead read = ParseTitration(TextOf(request, "csv"));
    if (!read.ok()) return Refusal("titration: " + read.error, {});
    CalibrationRequest r;
    r.titration = read.titration;
    r.chelator = TextOf(request, "chelator");
    r.metal = TextOf(request, "metal");
    r.temperature = NumberOr(request, "temp", kReferenceTemperature);
    r.pH = NumberOr(request, "ph", 7.0);
    r.ionic = NumberOr(request, "ionic", kReferenceIonic);
    r.bootstrap = WholeOr(request, "bootstrap", 1000);
    r.seed = SeedOf(request);
    // Asked before every draw: after each block of draws done, the session's own stop is asked.
    r.stop = [&session, done = 0]() mutable {
        const bool block = done > 0 && done % kDrawsPerBlock == 0;
        ++done;
        return block && session.stop && session.stop();
    };
    const Outcome outcome = session.Calibrate(r);
    Json reply = Answer(outcome);
    if (!outcome.Ran()) return reply;
    const Calibration& fit = session.LastCalibration();
    reply["report"] = Lines(outcome.report);
    reply["json"] = JsonText(CalibrationJson(fit, session.ConstantsFileName.view(), outcome.messages));
    reply["csv"] = CalibrationCsv(fit);
    reply["use"] = UseJson(UseOf(fit));
    reply["constants"] = ByteText(ConstantsText(CalibratedTable(session.table(), fit)));
    reply["constants_file"] = ExportText(CalibratedName(session.ConstantsFileName.view()));
    SvgCanvas plot;
    DrawCalibration(fit, plot);
    reply["svg"] = plot.Document();
    return reply;
}

}  // namespace dedodiz::web
