// SPDX-License-Identifier: BSD-3-Clause
// dedodiz.recipe: what to pipette for a solution or a series of wanted free levels, with the top-up
// salt that brings the ionic strength to its target, as dedodiz32-cli recipe computes it.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/CalibrationExport.h"
#include "core/RecipeCalc.h"
#include "core/RecipeInput.h"
#include "core/RecipeReport.h"
#include "python/Bindings.h"
#include "python/Common.h"

namespace dedodiz::python {

namespace {

// One solution of a recipe (or one end solution of the mixing method), read from its JSON entry so that
// the attributes hold the document's numbers.
struct RecipeRow {
    std::string label;  // "1", "2", ...; "A" and "B" for the end solutions
    py::object wanted, px, fraction;
    py::dict total, free, volumes;
    py::list species;
    double ionic = 0, strength = 0, osmolarity = 0, base = 0;
    int passes = 0;
    bool converged = true;
};

struct IngredientRow {
    std::string name, kind;
    py::object form;
    double stock = 0, purity = 1;
};

struct RecipeResult {
    std::string type, method;
    double volume = 0;
    py::object ionicTarget, mixVolume;
    bool refined = false;
    std::vector<IngredientRow> ingredients;
    std::vector<RecipeRow> solutions, ends;
    ShownMessages messages;
    std::vector<std::string> report;
    std::string pipetting;
    std::shared_ptr<const JsonValue> json;
};

// A Python value that may be None: the keyword was not given.
bool Given(const py::object& value) {
    return !value.is_none();
}

// (name, number) as a tuple or list of two; what names the keyword.
NamedValue NamedNumber(const py::handle& given, const std::string& what, std::string_view unit) {
    if (!IsPair(given)) throw py::type_error(what + " must be (name, value [" + std::string(unit) + "])");
    const std::string name = KeyName(given[py::int_(0)], what);
    return {name, ReadNumber(given[py::int_(1)], what + " " + name, unit)};
}

std::vector<NamedValue> NamedNumbers(const py::object& given, const std::string& what,
                                     std::string_view unit) {
    std::vector<NamedValue> values;
    if (!Given(given)) return values;
    if (!py::isinstance<py::dict>(given))
        throw py::type_error(what + " must be a dict of names and values [" + std::string(unit) + "]");
    for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(given)) {
        const std::string name = KeyName(key, what);
        values.push_back({name, ReadNumber(value, what + " " + name, unit)});
    }
    return values;
}

// series=(metal, levels): the wanted free levels [mol/L], or pX values with px.
void ReadSeries(const py::object& series, bool px, RecipeRequest& r) {
    if (!Given(series)) return;
    if (!IsPair(series)) throw py::type_error("series must be (metal, free levels [mol/L] or pX values)");
    r.seriesMetal = KeyName(series[py::int_(0)], "series metal");
    r.seriesAsPX = px;
    for (const py::handle& level : py::iter(py::object(series[py::int_(1)]))) {
        const double v = ReadNumber(level, "series level", px ? "" : "mol/L");
        (px ? r.seriesPX : r.seriesFree).push_back(v);  // the Session checks and converts them
        if (r.seriesFree.size() + r.seriesPX.size() > kMaxSeries) break;  // too long: refused by the Session
    }
}

std::uint16_t SaltForm(const std::string& word) {
    const std::vector<std::string> forms{"free", "mono", "di", "tri"};
    for (std::size_t k = 0; k < forms.size(); ++k)
        if (word == forms[k]) return static_cast<std::uint16_t>(k);
    throw py::value_error("buffer_form must be \"free\", \"mono\", \"di\" or \"tri\", not \"" + word + "\"");
}

// The keywords of recipe() that describe the recipe (the solution aside).
struct RecipeArguments {
    py::object volume, stocks, purity, buffer, ionicTarget, topup, series, mixVolume;
    std::string bufferForm;
    py::object forms, base, acid, contamination, ionicStrengthTarget, osmolyte, osmolarityTarget, calibration;
    bool seriesPX = false, mixing = false;
    Precision precision = kDefaultPrecision;
};

RecipeRequest Request(const RecipeArguments& a) {
    RecipeRequest r;
    r.volume = ReadNumber(a.volume, "volume", "L");
    r.stocks = NamedNumbers(a.stocks, "stock", "mol/L");
    r.purity = NamedNumbers(a.purity, "purity", "fraction");
    if (Given(a.buffer)) {
        const NamedValue buffer = NamedNumber(a.buffer, "buffer", "mol/L");
        r.buffer = buffer.name;
        r.bufferConc = buffer.value;
    }
    r.bufferSaltForm = SaltForm(a.bufferForm);
    if (Given(a.ionicTarget)) r.ionicTarget = ReadNumber(a.ionicTarget, "ionic_target", "N");
    if (Given(a.topup))
        r.topup = IsPair(a.topup) ? NamedNumber(a.topup, "topup", "mol/L")
                                  : NamedValue{"KCl", ReadNumber(a.topup, "topup KCl", "mol/L")};
    ReadSeries(a.series, a.seriesPX, r);
    if (Given(a.forms)) {
        if (!py::isinstance<py::dict>(a.forms))
            throw py::type_error("forms must be a dict {name: form}, such as {\"EGTA\": \"K2H2EGTA\"}");
        for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(a.forms))
            r.forms.push_back({KeyName(key, "forms"), KeyName(value, "form")});
    }
    if (Given(a.base)) r.base = NamedNumber(a.base, "base", "mol/L");
    if (Given(a.acid)) r.acid = NamedNumber(a.acid, "acid", "mol/L");
    r.contamination = NamedNumbers(a.contamination, "contamination", "mol/L");
    if (const std::optional<CalibrationUse> use = CalibrationUseOf(a.calibration)) {
        r.purity.push_back({use->chelator, use->purity});
        r.contamination.push_back({use->metal, use->contamination});
    }
    if (Given(a.ionicStrengthTarget))
        r.ionicStrengthTarget = ReadNumber(a.ionicStrengthTarget, "ionic_strength_target", "mol/L");
    if (Given(a.osmolyte)) r.osmolyte = NamedNumber(a.osmolyte, "osmolyte", "mol/L");
    if (Given(a.osmolarityTarget))
        r.osmolarityTarget = ReadNumber(a.osmolarityTarget, "osmolarity_target", "Osm/L");
    r.mixing = a.mixing;
    if (Given(a.mixVolume)) r.mixVolume = ReadNumber(a.mixVolume, "mix_volume", "L");
    return r;
}

RecipeRow Row(const JsonValue& entry) {
    RecipeRow row;
    row.label = entry.at("solution").get<std::string>();
    const auto optional = [&](const char* key) {
        return entry.contains(key) ? ToPython(entry.at(key)) : py::object(py::none());
    };
    row.wanted = optional("wanted_free_M");
    row.px = optional("pX");
    row.fraction = optional("fraction_B");
    row.total = ToPython(entry.at("total_M"));
    row.free = ToPython(entry.at("free_M"));
    row.volumes = ToPython(entry.at("volumes_uL"));
    row.species = ToPython(entry.at("species"));
    row.ionic = entry.at("ionic_strength_N").get<double>();
    row.strength = entry.at("true_ionic_strength_M").get<double>();
    row.osmolarity = entry.at("osmolarity_mOsm").get<double>();
    row.base = entry.at("base_M").get<double>();
    row.passes = entry.at("ionic_passes").get<int>();
    row.converged = entry.at("converged").get<bool>();
    return row;
}

RecipeResult Collect(const Recipe& recipe, const std::string& constantsFile, ShownMessages shown) {
    RecipeResult r;
    r.json = std::make_shared<const JsonValue>(RecipeJson(recipe, constantsFile, shown));
    const JsonValue& j = *r.json;
    r.type = TypeWord(recipe.type);
    r.method = j.at("method").get<std::string>();
    r.volume = recipe.volume;
    r.ionicTarget = ToPython(j.at("ionic_target_N"));
    r.refined = recipe.refined;
    r.mixVolume = j.contains("mixing") ? ToPython(j.at("mixing").at("mix_volume_L")) : py::none();
    for (const JsonValue& in : j.at("ingredients"))
        r.ingredients.push_back({in.at("name").get<std::string>(), in.at("kind").get<std::string>(),
                                 ToPython(in.at("form")), in.at("stock_M").get<double>(),
                                 in.at("purity").get<double>()});
    for (const JsonValue& entry : j.at("solutions")) r.solutions.push_back(Row(entry));
    if (j.contains("mixing"))
        for (const JsonValue& entry : j.at("mixing").at("ends")) r.ends.push_back(Row(entry));
    r.report = RecipeReport(recipe, constantsFile);
    r.pipetting = TabSeparated(PipettingTable(recipe));
    r.messages = std::move(shown);
    return r;
}

RecipeResult MakeOne(const Table* table, const py::object& chelators, const py::object& metals,
                     const py::object& pH, const py::object& temperature, const py::object& ionic,
                     const std::string& type, const BufferTable* buffers, const RecipeArguments& arguments) {
    const ConstantsTable& t = TableOrStandard(table);
    const SolutionInput entered =
        InputFromArguments(chelators, metals, pH, temperature, ionic, ParseType(type));
    RecipeRequest request = Request(arguments);
    SignalCheck signals;
    request.stop = [&signals] { return signals.Interrupted(); };
    const std::unique_ptr<Session> session = DescribeOrRaise(t, entered, arguments.precision);
    // The pH buffer's table is read only for a recipe with a pH buffer, as the command does.
    if (!request.buffer.empty())
        session->buffers() = *(buffers != nullptr ? *buffers : StandardBufferTable()).data;
    Outcome outcome;
    {
        const py::gil_scoped_release released;
        outcome = session->MakeRecipe(request);
    }
    if (signals.WasInterrupted()) throw py::error_already_set();
    RaiseUnlessRan(outcome);
    return Collect(session->LastRecipe(), t.ConstantsFileName.str(), outcome.messages);
}

void BindRecipeRow(py::module_& m) {
    py::class_<RecipeRow>(m, "RecipeSolution",
                          "One solution of a recipe: what goes into the tube and the solution it makes.")
        .def_readonly("label", &RecipeRow::label,
                      "\"1\", \"2\", ... for the solutions (mixes); \"A\" (without the series metal) and "
                      "\"B\" (loaded) for the end solutions of the mixing method.")
        .def_readonly("wanted", &RecipeRow::wanted,
                      "The wanted free level [mol/L] of the series; None without.")
        .def_readonly("px", &RecipeRow::px, "The wanted level as pX when the series was given so; else None.")
        .def_readonly("fraction", &RecipeRow::fraction,
                      "Mixing: the fraction of the loaded end solution B in the mix; None otherwise.")
        .def_readonly("total", &RecipeRow::total,
                      "{name: total [mol/L]} of every chelator and metal, the pH buffer and the top-up salt.")
        .def_readonly("free", &RecipeRow::free,
                      "{metal: free [mol/L]} of the solution as made, solved at its own ionic strength.")
        .def_readonly("volumes", &RecipeRow::volumes,
                      "{name: volume [uL]} of every stock to pipette and \"water\" to make up the volume; "
                      "for a mix {\"A\": uL, \"B\": uL, \"water\": 0}.")
        .def_readonly(
            "ionic_strength", &RecipeRow::ionic,
            "The ionic equivalents [N] of the tube, 1/2 sum c |z| over every ion: the model's ionic "
            "strength, to which the constants are corrected.")
        .def_readonly("true_ionic_strength", &RecipeRow::strength,
                      "The ionic strength [M] of the tube, 1/2 sum c z^2 over every ion.")
        .def_readonly("osmolarity", &RecipeRow::osmolarity,
                      "The ideal osmolarity [mOsm/L]: every dissolved species counted.")
        .def_readonly("base", &RecipeRow::base,
                      "The base [mol/L] that brings the tube to its pH, from the proton balance; below 0: "
                      "the acid.")
        .def_readonly(
            "species", &RecipeRow::species,
            "Every species counted: [{\"name\": \"H2EGTA2-\", \"charge\": -2, \"conc_M\": ...}, ...].")
        .def_readonly("ionic_passes", &RecipeRow::passes,
                      "Solves at successive ionic strengths until the solve's and the tube's agreed.")
        .def_readonly("converged", &RecipeRow::converged, "Every solve of this solution converged.")
        .def("__repr__",
             [](const RecipeRow& r) {
                 return "<dedodiz.RecipeSolution " + r.label + (r.converged ? "" : " NOT CONVERGED") + ">";
             })
        .def(py::pickle(
            [](const RecipeRow& r) {
                return py::make_tuple(r.label, r.wanted, r.px, r.fraction, r.total, r.free, r.volumes,
                                      r.species, r.ionic, r.strength, r.osmolarity, r.base, r.passes,
                                      r.converged);
            },
            [](const py::tuple& t) {
                StateOfLength(t, 14);
                RecipeRow r;
                r.label = t[0].cast<std::string>();
                r.wanted = t[1], r.px = t[2], r.fraction = t[3];
                r.total = t[4], r.free = t[5], r.volumes = t[6], r.species = t[7];
                r.ionic = t[8].cast<double>();
                r.strength = t[9].cast<double>();
                r.osmolarity = t[10].cast<double>();
                r.base = t[11].cast<double>();
                r.passes = t[12].cast<int>();
                r.converged = t[13].cast<bool>();
                return r;
            }));
    py::class_<IngredientRow>(m, "Ingredient", "One stock that is pipetted.")
        .def_readonly("name", &IngredientRow::name)
        .def_readonly("kind", &IngredientRow::kind,
                      "\"chelator\", \"metal\", \"pH_buffer\", \"topup_salt\", \"base\", \"acid\" or "
                      "\"osmolyte\".")
        .def_readonly(
            "form", &IngredientRow::form,
            "How it is added (\"free acid\", \"K2H2EGTA\", \"CaCl2\"); None for the salt and reagents.")
        .def_readonly("stock", &IngredientRow::stock, "The stock's concentration [mol/L] as labelled.")
        .def_readonly("purity", &IngredientRow::purity, "The real stock is stock x purity.")
        .def("__repr__", [](const IngredientRow& i) { return "<dedodiz.Ingredient " + i.name + ">"; })
        .def(py::pickle(
            [](const IngredientRow& i) { return py::make_tuple(i.name, i.kind, i.form, i.stock, i.purity); },
            [](const py::tuple& t) {
                StateOfLength(t, 5);
                return IngredientRow{t[0].cast<std::string>(), t[1].cast<std::string>(), t[2],
                                     t[3].cast<double>(), t[4].cast<double>()};
            }));
}

void BindRecipeResult(py::module_& m) {
    py::class_<RecipeResult>(m, "Recipe", "The outcome of recipe(): what to pipette into every tube.")
        .def_readonly("type", &RecipeResult::type, "The calculation type of the solution.")
        .def_readonly("method", &RecipeResult::method,
                      "\"direct\" (every solution from the stocks) or \"mixing\".")
        .def_readonly("volume", &RecipeResult::volume, "The volume [L] of each solution (each end solution).")
        .def_readonly("ionic_target", &RecipeResult::ionicTarget,
                      "The ionic strength [N] the top-up salt reaches; None without a top-up salt.")
        .def_readonly("mix_volume", &RecipeResult::mixVolume,
                      "Mixing: the volume [L] of each mix; else None.")
        .def_readonly("refined", &RecipeResult::refined, "Every solve was refined (refine=True).")
        .def_readonly("ingredients", &RecipeResult::ingredients,
                      "The stocks in pipetting order: chelators, metals, pH buffer, top-up salt.")
        .def_readonly("solutions", &RecipeResult::solutions,
                      "One RecipeSolution per wanted level of the series (the mixes when mixing), or the one "
                      "solution.")
        .def_readonly("ends", &RecipeResult::ends,
                      "Mixing: the end solutions A (without the series metal) and B (loaded); else empty.")
        .def_property_readonly(
            "warnings", [](const RecipeResult& r) { return MessageList(r.messages); },
            "The messages shown, as (caption, text).")
        .def_property_readonly(
            "report", [](const RecipeResult& r) { return ReportText(r.report); },
            "The report, exactly as dedodiz32-cli recipe prints it.")
        .def_readonly("pipetting", &RecipeResult::pipetting,
                      "The pipetting table tab-separated, header first, as the recipe window copies it "
                      "for a spreadsheet.")
        .def(
            "to_dict", [](const RecipeResult& r) { return ToPython(*r.json); },
            "Everything as the JSON document of dedodiz32-cli recipe --format json.")
        .def("__repr__",
             [](const RecipeResult& r) {
                 return "<dedodiz.Recipe " + r.method + " " + std::to_string(r.solutions.size()) +
                        " solution" + (r.solutions.size() == 1 ? "" : "s") + ">";
             })
        .def(py::pickle(
            [](const RecipeResult& r) {
                Outcome shown;
                shown.messages = r.messages;
                shown.report = r.report;
                return py::make_tuple(r.type, r.method, r.volume, r.ionicTarget, r.mixVolume, r.refined,
                                      r.ingredients, r.solutions, r.ends, OutcomeState(shown), r.pipetting,
                                      JsonState(r.json));
            },
            [](const py::tuple& t) {
                StateOfLength(t, 12);
                RecipeResult r;
                r.type = t[0].cast<std::string>();
                r.method = t[1].cast<std::string>();
                r.volume = t[2].cast<double>();
                r.ionicTarget = t[3], r.mixVolume = t[4];
                r.refined = t[5].cast<bool>();
                r.ingredients = t[6].cast<std::vector<IngredientRow>>();
                r.solutions = t[7].cast<std::vector<RecipeRow>>();
                r.ends = t[8].cast<std::vector<RecipeRow>>();
                Outcome shown = OutcomeFromState(t[9]);
                r.messages = std::move(shown.messages);
                r.report = std::move(shown.report);
                r.pipetting = t[10].cast<std::string>();
                r.json = JsonFromState(t[11]);
                return r;
            }));
}

}  // namespace

void BindRecipe(py::module_& m) {
    BindRecipeRow(m);
    BindRecipeResult(m);
    m.def(
        "recipe",
        [](const Table* table, const py::object& chelators, const py::object& metals, const py::object& pH,
           const py::object& temperature, const py::object& ionic, const std::string& type,
           const py::object& volume, const py::object& stocks, const py::object& purity,
           const py::object& buffer, const std::string& bufferForm, const BufferTable* buffers,
           const py::object& ionicTarget, const py::object& topup, const py::object& series, bool seriesPX,
           bool mixing, const py::object& mixVolume, bool refine, const std::string& precision,
           const py::object& forms, const py::object& base, const py::object& acid,
           const py::object& contamination, const py::object& ionicStrengthTarget, const py::object& osmolyte,
           const py::object& osmolarityTarget, const py::object& calibration) {
            RecipeArguments a;
            a.volume = volume, a.stocks = stocks, a.purity = purity, a.buffer = buffer;
            a.ionicTarget = ionicTarget, a.topup = topup, a.series = series, a.mixVolume = mixVolume;
            a.bufferForm = bufferForm, a.seriesPX = seriesPX, a.mixing = mixing;
            a.precision = PrecisionOf(precision, refine);
            a.forms = forms, a.base = base, a.acid = acid, a.contamination = contamination;
            a.ionicStrengthTarget = ionicStrengthTarget, a.osmolyte = osmolyte;
            a.osmolarityTarget = osmolarityTarget, a.calibration = calibration;
            return MakeOne(table, chelators, metals, pH, temperature, ionic, type, buffers, a);
        },
        py::arg("table") = py::none(), py::kw_only(), py::arg("chelators"), py::arg("metals"),
        py::arg("ph") = 7.0, py::arg("temp") = kReferenceTemperature, py::arg("ionic") = kReferenceIonic,
        py::arg("type") = "free", py::arg("volume"), py::arg("stocks"), py::arg("purity") = py::none(),
        py::arg("buffer") = py::none(), py::arg("buffer_form") = "free", py::arg("buffers") = py::none(),
        py::arg("ionic_target") = py::none(), py::arg("topup") = py::none(), py::arg("series") = py::none(),
        py::arg("series_px") = false, py::arg("mixing") = false, py::arg("mix_volume") = py::none(),
        py::arg("refine") = false, py::arg("precision") = "checked", py::arg("forms") = py::none(),
        py::arg("base") = py::none(), py::arg("acid") = py::none(), py::arg("contamination") = py::none(),
        py::arg("ionic_strength_target") = py::none(), py::arg("osmolyte") = py::none(),
        py::arg("osmolarity_target") = py::none(), py::arg("calibration") = py::none(),
        R"(What to pipette for a solution, or for a series of wanted free levels of one metal, as
dedodiz32-cli recipe computes it, and returns the Recipe.

Takes the arguments of solve() for the solution (type "total": the chelator totals and the wanted
free metals; type "free": every total; type "chelator": the metal totals and the first metal's
free level), and
volume        the final volume [L] of each solution (each end solution when mixing)
stocks        {name: stock [mol/L]} of every chelator and metal, and of the pH buffer
purity        {chelator: fraction} of the weighed reagent that is the chelator (0.97); pure if left out
buffer        (name, concentration [mol/L]) of a pH buffer of the buffer table; None for none
buffer_form   the pH buffer is added as the "free" form or as a "mono", "di" or "tri" salt
buffers       the BufferTable that names it; None for the bundled buffers.bcm
ionic_target  the ionic strength [N] the top-up salt brings every solution to; None: the solution's
topup         (salt, stock [mol/L]) of a 1:1 top-up salt, or a stock [mol/L] of KCl; None: no salt,
              the solve repeated at the strength the solution brings until the two agree
series        (metal, levels): the wanted free levels [mol/L] of one metal, one solution each
series_px     the levels are pX values (9.0 for 1 nM): the report then shows them so
mixing        the mixing method: two end solutions, A without the series metal and B with the
              first chelator loaded by it, and the fraction of B in every mix (needs a series)
mix_volume    the volume [L] of each mix; None: the volume divided by the number of mixes
precision     "checked" (the default), "described" or "exact", as for solve(); refine=True is "exact"
forms         {name: form} of chelators, metals and the pH buffer: {"EGTA": "K2H2EGTA", "Ca2": "CaCl2",
              "HEPES": "NaHEPES"}; free acids (Na2 salts of ATP, ADP, EDTA) and chlorides if left out
base, acid    (name, stock [mol/L]) of the base that sets the pH (KOH, NaOH, CsOH, LiOH; ("KOH", 1.0)
              if left out) and of the acid where one is needed (("HCl", 1.0))
contamination {metal: [mol/L]} that the water and salts bring, part of every total
ionic_strength_target  the ionic strength 1/2 sum c z^2 [mol/L] the top-up reaches, instead of
              ionic_target's equivalents
osmolyte      (name, stock [mol/L]) of sucrose, mannitol or glucose that makes up osmolarity_target
              [Osm/L]
calibration   a Calibration from calibrate(): its chelator's purity and its metal's contamination
              (a purity fitted above 1 taken as 1, a contamination below 0 as none)

A recipe that cannot be made (a stock missing, stocks too dilute for the volume, the target ionic
strength already exceeded, ...) raises ValueError with the program's message, "CANNOT BE MADE" and
the reason on a second line; a floating-point fault raises FloatingPointError.)");
}

}  // namespace dedodiz::python
