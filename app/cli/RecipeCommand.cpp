// SPDX-License-Identifier: BSD-3-Clause
// recipe: what to pipette for the solution of a work file, for one solution or a series of wanted free
// levels, with the top-up salt that brings the ionic strength to its target.

#include "cli/Commands.h"
#include "core/RecipeInput.h"
#include "core/RecipeReport.h"
#include "core/Session.h"
#include "files/DataPaths.h"

namespace dedodiz::cli {

namespace {

struct RecipeOptions {
    SolutionOptions solution;
    std::string volume;
    std::vector<std::string> stocks;  // NAME=CONC
    std::vector<std::string> purity;  // NAME=FRACTION
    std::string buffer;               // NAME=CONC
    std::string bufferForm = "free";
    std::string bufferFile;
    const CLI::Option* bufferFormOption = nullptr;  // told whether --buffer-form was given
    std::string ionicTarget;
    std::string topup;  // SALT=CONC or CONC (KCl)
    std::string ionicStrengthTarget;
    std::vector<std::string> forms;          // NAME=FORM
    std::vector<std::string> contamination;  // METAL=CONC
    std::string base, acid, osmolyte;        // NAME=CONC
    std::string osmolarityTarget;
    std::string series;  // METAL=pX:FROM:TO:STEP, METAL=pX:V1,V2,..., METAL=C1,C2,...
    bool mix = false;
    std::string mixVolume;
    std::string calibration;  // a calibration document: its purity and contamination
};

std::pair<std::string, std::string> Split(const std::string& text, const std::string& option) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        UsageError(option + ": expected NAME=VALUE, got \"" + text + "\"");
    return {text.substr(0, eq), text.substr(eq + 1)};
}

double Amount(const std::string& text, AmountKind kind, const std::string& what, bool bare = false) {
    if (!bare)
        if (const std::optional<std::string> missing = MissingUnit(text, kind))
            UsageError(what + ": " + *missing + ", got \"" + text + "\"");
    const std::optional<double> value = ParseAmount(text, kind);
    if (!value) {
        UsageError(what + ": " + AmountProblem(text, kind));
    }
    return *value;
}

NamedValue Stock(const std::string& text, const std::string& option) {
    const auto [name, value] = Split(text, option);
    return {name, Amount(value, AmountKind::Concentration, option + " " + name)};
}

RecipeRequest Request(const RecipeOptions& o) {
    RecipeRequest r;
    r.volume = Amount(o.volume, AmountKind::Volume, "--volume");
    for (const std::string& s : o.stocks) r.stocks.push_back(Stock(s, "--stock"));
    for (const std::string& p : o.purity) {
        const auto [name, value] = Split(p, "--purity");
        const std::optional<double> fraction = ParseFraction(value);
        if (!fraction)
            UsageError("--purity " + name + ": not a fraction in (0, 1] or a percentage: \"" + value + "\"");
        r.purity.push_back({name, *fraction});
    }
    // Options that only mean something with a pH buffer are refused without one, as the mix volume is
    // without the mixing method.
    if (o.buffer.empty() && !o.bufferFile.empty()) UsageError("buffers: needs a pH buffer (buffer)");
    if (o.buffer.empty() && o.bufferFormOption->count() > 0)
        UsageError("buffer form: needs a pH buffer (buffer)");
    if (!o.buffer.empty()) {
        const NamedValue buffer = Stock(o.buffer, "--buffer");
        r.buffer = buffer.name;
        r.bufferConc = buffer.value;
    }
    const std::vector<std::string> forms{"free", "mono", "di", "tri"};
    for (std::size_t k = 0; k < forms.size(); ++k)
        if (o.bufferForm == forms[k]) r.bufferSaltForm = static_cast<std::uint16_t>(k);
    if (!o.ionicTarget.empty()) r.ionicTarget = Amount(o.ionicTarget, AmountKind::Ionic, "--ionic-target");
    if (!o.topup.empty())
        r.topup = o.topup.find('=') == std::string::npos
                      ? NamedValue{"KCl", Amount(o.topup, AmountKind::Concentration, "--topup")}
                      : Stock(o.topup, "--topup");
    if (!o.series.empty()) {
        SeriesInput series = ParseSeries(o.series);
        if (!series.ok()) UsageError("--series: " + series.error);
        r.seriesMetal = series.metal;
        r.seriesFree = std::move(series.free);
        r.seriesPX = std::move(series.px);
        r.seriesAsPX = series.asPX;
    }
    if (!o.ionicStrengthTarget.empty())
        r.ionicStrengthTarget =
            Amount(o.ionicStrengthTarget, AmountKind::Concentration, "--ionic-strength-target", true);
    for (const std::string& f : o.forms) {
        const auto [name, form] = Split(f, "--form");
        r.forms.push_back({name, form});
    }
    for (const std::string& c : o.contamination) r.contamination.push_back(Stock(c, "--contamination"));
    if (!o.base.empty()) r.base = Stock(o.base, "--base");
    if (!o.acid.empty()) r.acid = Stock(o.acid, "--acid");
    if (!o.osmolyte.empty()) r.osmolyte = Stock(o.osmolyte, "--osmolyte");
    if (!o.osmolarityTarget.empty()) {
        const std::optional<double> osm = ParseOsmolarity(o.osmolarityTarget);
        if (!osm)
            UsageError("--osmolarity-target: not an osmolarity in mOsm or Osm (a bare number is mOsm/L): \"" +
                       o.osmolarityTarget + "\"");
        r.osmolarityTarget = *osm;
    }
    r.mixing = o.mix;
    if (!o.mixVolume.empty()) r.mixVolume = Amount(o.mixVolume, AmountKind::Volume, "--mix-volume");
    return r;
}

void MakeRecipeCommand(Context& c, const RecipeOptions& o) {
    RecipeRequest request = Request(o);
    if (!o.calibration.empty()) {
        const std::optional<CalibrationUse> use = ReadCalibration(c, o.calibration);
        if (!use) return;
        request.purity.push_back({use->chelator, use->purity});
        request.contamination.push_back({use->metal, use->contamination});
    }
    if (!LoadSolution(c, o.solution)) return;
    if (!request.buffer.empty() &&
        !c.Ran(c.session.LoadBuffers(o.bufferFile.empty() ? std::string(kBundledBufferName) : o.bufferFile)))
        return;
    if (!c.Ran(c.session.MakeRecipe(request))) return;
    const Recipe& recipe = c.session.LastRecipe();
    const std::string_view constants = c.session.ConstantsFileName.view();
    c.PrintResult([&] { return RecipeCsv(recipe); },
                  [&] { return RecipeJson(recipe, constants, c.messages.Shown()); });
}

// The options of how the stocks are added and what the tube is made to besides its free levels.
void AddChemistryOptions(CLI::App* cmd, RecipeOptions& o) {
    cmd->add_option("--ionic-strength-target", o.ionicStrengthTarget,
                    "ionic strength 1/2 sum c z^2 to reach with the top-up salt [M], instead of the ionic "
                    "equivalents of --ionic-target");
    cmd->add_option("--form", o.forms,
                    "NAME=FORM: how a chelator, metal or the pH buffer is added: EGTA=K2H2EGTA, ATP=Na2ATP, "
                    "Ca2=CaCl2, HEPES=NaHEPES (free acids, Na2 salts of ATP, ADP and EDTA, and chlorides "
                    "when left out)")
        ->allow_extra_args(false);
    cmd->add_option("--base", o.base, "NAME=CONC: the base that sets the pH: KOH, NaOH, CsOH, LiOH (KOH=1M)");
    cmd->add_option("--acid", o.acid, "NAME=CONC: the acid where one is needed (HCl=1M)");
    cmd->add_option("--contamination", o.contamination,
                    "METAL=CONC: what the water and salts bring of a metal (Ca2=2uM), part of every total")
        ->allow_extra_args(false);
    cmd->add_option("--osmolyte", o.osmolyte,
                    "NAME=CONC: a neutral osmolyte stock that makes up the osmolarity: sucrose, mannitol, "
                    "glucose (sucrose=1M)");
    cmd->add_option("--osmolarity-target", o.osmolarityTarget,
                    "osmolarity to reach with the osmolyte: 290mOsm (a bare number is mOsm/L)");
}

}  // namespace

void AddRecipeCommand(CLI::App& app, Context& context) {
    static RecipeOptions o;
    CLI::App* cmd = app.add_subcommand(
        "recipe",
        "What to pipette for the solution of a work file (or given here): the volume of every stock, the "
        "top-up salt for the "
        "ionic strength and the water, for one solution or a series of wanted free levels of one metal "
        "(type Total: the chelator totals and the wanted free metals; type Free: every total)");
    AddSolutionOptions(*cmd, o.solution);
    cmd->add_option("--volume", o.volume, "final volume of each solution: 10mL, 500uL, 0.01L")->required();
    cmd->add_option(
           "--stock", o.stocks,
           "NAME=CONC: the stock of a chelator, a metal or the pH buffer, in M, mM, uM or nM (100mM)")
        ->allow_extra_args(false);
    cmd->add_option("--purity", o.purity, "NAME=FRACTION: the purity of a chelator, 0.97 or 97%")
        ->allow_extra_args(false);
    cmd->add_option("--buffer", o.buffer, "NAME=CONC: a pH buffer of the buffer table and its concentration");
    o.bufferFormOption = cmd->add_option("--buffer-form", o.bufferForm,
                                         "the pH buffer is added as the free form, or as a mono-, di- or "
                                         "tri- salt")
                             ->check(CLI::IsMember({"free", "mono", "di", "tri"}))
                             ->capture_default_str();
    cmd->add_option("--buffers", o.bufferFile,
                    "pH buffer file (.bcm); the bundled buffers.bcm when left out");
    cmd->add_option("--ionic-target", o.ionicTarget,
                    "ionic strength to reach with the top-up salt [N]; the work file's when left out");
    cmd->add_option(
        "--topup", o.topup,
        "SALT=CONC or CONC: the stock of a 1:1 top-up salt (KCl when no name is given); without it "
        "no salt is added and the ionic strength is what the solution brings");
    AddChemistryOptions(cmd, o);
    cmd->add_option(
        "--series", o.series,
        "METAL=pX:FROM:TO:STEP, METAL=pX:V1,V2,... or METAL=C1,C2,...: the wanted free levels of one "
        "metal, one solution each");
    cmd->add_flag(
        "--mix", o.mix,
        "the mixing method: two end solutions (without the series metal, and with the first chelator "
        "loaded by it) and the part of each in every mix");
    cmd->add_option("--mix-volume", o.mixVolume,
                    "volume of each mix; the volume divided by the number of mixes "
                    "when left out");
    AddFormatOption(*cmd, context);
    AddPrecisionOptions(*cmd, context, "every solution refined to machine precision");
    cmd->add_option("--calibration", o.calibration,
                    "FIT.json written by calibrate --format json: its fitted purity of the chelator and "
                    "contamination of the metal (a fitted contamination below 0 counts as none)")
        ->type_name("FIT.json");
    cmd->callback([&context] { MakeRecipeCommand(context, o); });
}

}  // namespace dedodiz::cli
