// SPDX-License-Identifier: BSD-3-Clause
// calibrate: the chelator's purity, the metal contamination and the apparent Kd fitted to a titration
// measured in the lab, with their 95 % intervals; the plots, and a constants table that carries the Kd.

#include <fstream>
#include <memory>
#include <sstream>

#include "cli/Commands.h"
#include "core/CalibrationExport.h"
#include "core/CalibrationGraph.h"
#include "core/Session.h"
#include "engine/SafeFile.h"
#include "qtcanvas/CanvasLoader.h"

namespace dedodiz::cli {

namespace {

struct CalibrateOptions {
    std::string data;
    std::string workFile;
    std::string constants;
    std::optional<std::string> temperature, pH, ionic;
    std::string chelator, metal;
    int bootstrap = 1000;
    std::uint64_t seed = 1;
    std::string plot;
    std::string writeConstants;
};

bool EndsWith(const std::string& text, std::string_view end) {
    if (text.size() < end.size()) return false;
    for (std::size_t k = 0; k < end.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + k])) != end[k])
            return false;
    return true;
}

// The table and conditions: from the work file (its first chelator and metal unless named here), or
// from the options and the table given (the bundled one when none is).
bool Setup(Context& c, const CalibrateOptions& o, CalibrationRequest& r) {
    if (!o.workFile.empty()) {
        if (!o.constants.empty())
            UsageError("give either --work or --constants: a work file names its table");
        if (!c.Ran(c.session.LoadWork(o.workFile))) return false;
        const TSolution& s = c.session.Solution;
        r.temperature = s.Temperature;
        r.pH = s.PH;
        r.ionic = s.IonicEquiv;
        r.chelator = s.ChelName[1] == kEmptyChelator ? "" : s.ChelName[1].str();
        r.metal = s.MetalName[1] == kEmptyMetal ? "" : s.MetalName[1].str();
    } else {
        const Outcome loaded =
            o.constants.empty() ? c.session.LoadBundledConstants() : c.session.LoadConstants(o.constants);
        if (!c.Ran(loaded)) return false;
    }
    if (o.temperature) r.temperature = NumberOrUsage(*o.temperature, "--temp");
    if (o.pH) r.pH = NumberOrUsage(*o.pH, "--ph");
    if (o.ionic) r.ionic = NumberOrUsage(*o.ionic, "--ionic");
    if (!o.chelator.empty()) r.chelator = o.chelator;
    if (!o.metal.empty()) r.metal = o.metal;
    if (r.chelator.empty() || r.metal.empty())
        UsageError(
            "name the chelator and the metal: --chelator EGTA --metal Ca2 (or a work file that has both)");
    return true;
}

bool SavePlot(Context& c, const std::string& path) {
    const Calibration& fit = c.session.LastCalibration();
    std::string error;
    bool ok = false;
    if (EndsWith(path, ".svg")) {
        SvgCanvas svg;
        DrawCalibration(fit, svg);
        ok = WriteFileAtomically(path, svg.Document(), &error);
    } else {
        std::unique_ptr<ImageCanvas> picture = LoadImageCanvas(error);
        if (picture) {
            DrawCalibration(fit, *picture);
            const std::vector<std::uint8_t> png = EncodePng(picture->Pixels());
            const std::string_view bytes(reinterpret_cast<const char*>(png.data()), png.size());  // NOLINT
            ok = WriteFileAtomically(path, bytes, &error);
        }
    }
    if (!ok) {
        c.messages.Message("Cannot write " + path + ": " + error, "ERROR");
        c.status = 1;
    }
    return ok;
}

void Calibrate(Context& c, const CalibrateOptions& o) {
    if (!o.plot.empty() && !EndsWith(o.plot, ".svg") && !EndsWith(o.plot, ".png"))
        UsageError("--plot: the file's name ends in .svg or .png, got \"" + o.plot + "\"");
    CalibrationRequest request;
    if (!Setup(c, o, request)) return;
    const TitrationRead read = ReadTitrationFile(o.data);
    if (!read.ok()) {
        c.messages.Message("Cannot read the titration " + read.error, "ERROR");
        c.status = 1;
        return;
    }
    request.titration = read.titration;
    request.bootstrap = o.bootstrap;
    request.seed = o.seed;
    if (!c.Ran(c.session.Calibrate(request))) return;
    if (!o.plot.empty() && !SavePlot(c, o.plot)) return;
    if (!o.writeConstants.empty() && !c.Ran(c.session.SaveCalibratedConstants(o.writeConstants))) return;
    const Calibration& fit = c.session.LastCalibration();
    const std::string_view constants = c.session.ConstantsFileName.view();
    c.PrintResult([&] { return CalibrationCsv(fit); },
                  [&] { return CalibrationJson(fit, constants, c.messages.Shown()); });
}

}  // namespace

std::optional<CalibrationUse> ReadCalibration(Context& c, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string error;
    if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        if (std::optional<CalibrationUse> use = ReadCalibrationUse(text.str(), error)) return use;
    } else {
        error = std::strerror(errno);
    }
    c.messages.Message("Cannot use the calibration " + path + ": " + error, "ERROR");
    c.status = 1;
    return std::nullopt;
}

void AddCalibrateCommand(CLI::App& app, Context& context) {
    static CalibrateOptions o;
    CLI::App* cmd = app.add_subcommand(
        "calibrate",
        "The purity of the chelator, the metal that water and salts bring (contamination) and the apparent "
        "Kd at your conditions, fitted to a titration, each with its 95 % interval.\n\n"
        "The experiment: a CSV file with the header metal_total_M,chelator_total_M,mV (or free_M for free "
        "levels measured otherwise, e.g. with an indicator), one row per solution, totals as weighed (units "
        "as 2mM, 150uM; a bare number is mol/L); cells separated by commas, semicolons or tabs (with the "
        "last two a "
        "decimal comma may be used). Standards are rows without chelator (chelator_total_M 0): "
        "measure at least two, better three to five, a decade apart (10 uM, 100 uM, 1 mM of the metal "
        "alone). Buffer points: one or two chelator totals (1 to 2 mM) with metal totals from 10 % to 95 % "
        "of the chelator, 10 to 15 of them, so that the free metal spans Kd/10 to 10 Kd. All solutions at "
        "the pH, temperature and ionic strength given here.");
    cmd->add_option("DATA", o.data, "the titration, a CSV file")->required();
    cmd->add_option("--work", o.workFile,
                    "work settings file (.STG): its table, conditions, first chelator and first metal");
    cmd->add_option("--constants", o.constants,
                    "constants file (.TCM or .CCM); the bundled table when left out");
    cmd->add_option("--temp", o.temperature, "temperature [C] of the titration (default 20)");
    cmd->add_option("--ph", o.pH, "pH (default 7)");
    cmd->add_option("--ionic", o.ionic, "ionic strength [N] (default 0.1)");
    cmd->add_option("--chelator", o.chelator, "the chelator as the table names it (EGTA)");
    cmd->add_option("--metal", o.metal, "the metal as the table names it (Ca2)");
    cmd->add_option("--bootstrap", o.bootstrap,
                    "draws of the parametric bootstrap that checks the intervals (0 to 100000; 0: none)")
        ->capture_default_str();
    cmd->add_option("--seed", o.seed, "seed of the bootstrap: the same seed gives the same numbers")
        ->capture_default_str();
    cmd->add_option("--plot", o.plot, "also save the Scatchard and residual plots, FILE.svg or FILE.png");
    cmd->add_option(
        "--write-constants", o.writeConstants,
        "also write a new constants table (.TCM) whose log K for the pair, corrected back to 20 C "
        "and 0.1 N, gives the fitted Kd at these conditions; never the bundled table or the one in "
        "use");
    AddFormatOption(*cmd, context);
    cmd->callback([&context] { Calibrate(context, o); });
}

}  // namespace dedodiz::cli
