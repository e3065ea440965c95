// SPDX-License-Identifier: BSD-3-Clause
// A recipe as data: the CSV table and the JSON document, every number at full precision.

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/ExportSupport.h"
#include "core/RecipeInput.h"
#include "core/RecipeReport.h"
#include "engine/Format.h"

namespace dedodiz {

using namespace exporting;

namespace {

std::string_view KindWord(IngredientKind kind) {
    switch (kind) {
        case IngredientKind::Chelator:
            return "chelator";
        case IngredientKind::Metal:
            return "metal";
        case IngredientKind::Buffer:
            return "pH_buffer";
        case IngredientKind::Salt:
            return "topup_salt";
        case IngredientKind::Base:
            return "base";
        case IngredientKind::Acid:
            return "acid";
        case IngredientKind::Osmolyte:
            break;
    }
    return "osmolyte";
}

std::string_view SaltFormWord(std::uint16_t form) {
    static constexpr std::string_view kWords[] = {"free", "mono", "di", "tri"};
    return kWords[form <= 3 ? form : 0];
}

// The concentration of an ingredient in a solution [mol/L].
double Concentration(const RecipeIngredient& in, const RecipeSolution& s) {
    switch (in.kind) {
        case IngredientKind::Chelator:
            return s.chelTotal[in.slot];
        case IngredientKind::Metal:
            return s.metalTotal[in.slot];
        case IngredientKind::Buffer:
            return s.bufferConc;
        case IngredientKind::Salt:
            return s.saltConc;
        case IngredientKind::Base:
            return std::max(s.base, 0.0);
        case IngredientKind::Acid:
            return std::max(-s.base, 0.0);
        case IngredientKind::Osmolyte:
            break;
    }
    return s.osmolyteConc;
}

struct Labelled {
    std::string label;
    const RecipeSolution* row;
    bool end;
};
std::vector<Labelled> Rows(const Recipe& r) {
    std::vector<Labelled> rows;
    for (std::size_t k = 0; k < r.ends.size(); ++k) rows.push_back({k == 0 ? "A" : "B", &r.ends[k], true});
    for (std::size_t k = 0; k < r.solutions.size(); ++k)
        rows.push_back({std::to_string(k + 1), &r.solutions[k], false});
    return rows;
}

std::string SeriesMetal(const Recipe& r) {
    return r.seriesSlot != 0 ? r.base.MetalName[r.seriesSlot].str() : std::string();
}

json SolutionJson(const Recipe& r, const Labelled& e) {
    const RecipeSolution& s = *e.row;
    json j = {{"solution", e.label}};
    if (r.seriesSlot != 0 && !e.end) {
        j["wanted_free_M"] = Number(s.wanted);
        if (r.seriesAsPX) j["pX"] = Number(PXOf(s.wanted));
    }
    if (r.mixing && !e.end) j["fraction_B"] = Number(s.fraction);
    json totals = json::object();
    for (int i = 1; i <= kSlots; ++i)
        if (ChelatorPresent(r.base, i))
            totals[ExportText(r.base.ChelName[i].view())] = Number(s.chelTotal[i]);
    for (int m = 1; m <= kSlots; ++m)
        if (MetalPresent(r.base, m)) totals[ExportText(r.base.MetalName[m].view())] = Number(s.metalTotal[m]);
    for (const RecipeIngredient& in : r.ingredients)
        if (in.kind != IngredientKind::Chelator && in.kind != IngredientKind::Metal)
            totals[ExportText(in.name)] = Number(Concentration(in, s));
    j["total_M"] = std::move(totals);
    json free = json::object();
    for (int m = 1; m <= kSlots; ++m)
        if (MetalPresent(r.base, m)) free[ExportText(r.base.MetalName[m].view())] = Number(s.metalFree[m]);
    j["free_M"] = std::move(free);
    json volumes = json::object();
    if (r.mixing && !e.end) {
        volumes["A"] = Number(s.unloadedVolume);
        volumes["B"] = Number(s.loadedVolume);
        for (std::size_t k = 0; k < r.ingredients.size(); ++k)  // the base or acid for the mix's pH
            if (s.volumes[k] > 0) volumes[ExportText(r.ingredients[k].name)] = Number(s.volumes[k]);
        volumes["water"] = 0;
    } else {
        for (std::size_t k = 0; k < r.ingredients.size(); ++k)
            volumes[ExportText(r.ingredients[k].name)] = Number(s.volumes[k]);
        volumes["water"] = Number(s.water);
    }
    j["volumes_uL"] = std::move(volumes);
    j["ionic_strength_N"] = Number(s.ionic);
    j["true_ionic_strength_M"] = Number(s.ionicStrength);
    j["osmolarity_mOsm"] = Number(s.osmolarity * 1e3);
    j["base_M"] = Number(s.base);
    j["topup_M"] = Number(s.saltConc);
    j["charge_balance_M"] = Number(s.chargeBalance);
    json ions = json::array();
    for (const RecipeIon& ion : s.ions)
        ions.push_back(
            {{"name", ExportText(ion.name)}, {"charge", ion.charge}, {"conc_M", Number(ion.conc)}});
    j["species"] = std::move(ions);
    j["ionic_passes"] = s.ionicPasses;
    j["converged"] = s.converged;
    return j;
}

// A column per ion that some solution holds, by name, 0 where a solution has none.
template <typename Number>
void AddIonColumns(const Recipe& r, Number number) {
    std::vector<std::pair<std::string, int>> names;
    for (const Labelled& e : Rows(r))
        for (const RecipeIon& ion : e.row->ions)
            if (std::find(names.begin(), names.end(), std::pair(ion.name, ion.charge)) == names.end())
                names.emplace_back(ion.name, ion.charge);
    for (const std::pair<std::string, int>& which : names)
        number(Key("ion", which.first, "M"), [which](const Labelled& e) {
            for (const RecipeIon& ion : e.row->ions)
                if (ion.name == which.first && ion.charge == which.second) return ion.conc;
            return 0.0;
        });
}

}  // namespace

JsonValue RecipeJson(const Recipe& r, std::string_view constantsFileName, const ShownMessages& shown) {
    json j = Header("recipe");
    j["calculation_type"] = TypeWord(r.type);
    j["constants_file"] = ExportText(constantsFileName);
    j["conditions"] = Conditions(r.base.Temperature, r.base.PH, r.base.IonicEquiv);
    if (r.refined) j["refined"] = true;
    j["volume_L"] = Number(r.volume);
    j["method"] = r.mixing ? "mixing" : "direct";
    j["ionic_target_N"] = r.topup && !r.strengthTarget ? Number(r.ionicTarget) : json(nullptr);
    j["ionic_strength_target_M"] = r.topup && r.strengthTarget ? Number(r.ionicTarget) : json(nullptr);
    j["osmolarity_target_mOsm"] = r.osmolarityTarget > 0 ? Number(r.osmolarityTarget * 1e3) : json(nullptr);
    j["base"] = ExportText(r.baseName);
    j["acid"] = ExportText(r.acidName);
    json contamination = json::object();
    for (int m = 1; m <= kSlots; ++m)
        if (MetalPresent(r.base, m) && r.contamination[m] > 0)
            contamination[ExportText(r.base.MetalName[m].view())] = Number(r.contamination[m]);
    j["contamination_M"] = std::move(contamination);
    json ingredients = json::array();
    for (const RecipeIngredient& in : r.ingredients)
        ingredients.push_back({{"name", ExportText(in.name)},
                               {"kind", KindWord(in.kind)},
                               {"stock_M", Number(in.stock)},
                               {"purity", Number(in.purity)},
                               {"form", in.form.empty() ? json(nullptr) : json(ExportText(in.form))}});
    j["ingredients"] = std::move(ingredients);
    j["buffer"] = r.bufferName.empty() || r.solutions.empty()
                      ? json(nullptr)
                      : json{{"name", ExportText(r.bufferName)},
                             {"concentration_M", Number(r.solutions.front().bufferConc)},
                             {"added_as", SaltFormWord(r.bufferSaltForm)}};
    if (r.seriesSlot != 0) {
        json free = json::array();
        for (const RecipeSolution& s : r.solutions) free.push_back(Number(s.wanted));
        j["series"] = {
            {"metal", ExportText(SeriesMetal(r))}, {"given_as_pX", r.seriesAsPX}, {"free_M", free}};
    } else {
        j["series"] = nullptr;
    }
    const std::vector<Labelled> rows = Rows(r);
    if (r.mixing) {
        json ends = json::array();
        for (const Labelled& e : rows)
            if (e.end) ends.push_back(SolutionJson(r, e));
        j["mixing"] = {{"metal", ExportText(SeriesMetal(r))},
                       {"loading_chelator", ExportText(r.base.ChelName[1].view())},
                       {"mix_volume_L", Number(r.mixVolume)},
                       {"ends", std::move(ends)}};
    }
    json solutions = json::array();
    for (const Labelled& e : rows)
        if (!e.end) solutions.push_back(SolutionJson(r, e));
    j["solutions"] = std::move(solutions);
    j["warnings"] = Messages(shown);
    return j;
}

std::string RecipeCsv(const Recipe& r) {
    using Cell = std::function<void(Csv&, const Labelled&)>;
    std::vector<std::pair<std::string, Cell>> columns;
    const auto number = [&](std::string key, std::function<double(const Labelled&)> value,
                            bool mixOnly = false) {
        columns.emplace_back(std::move(key), [value, mixOnly](Csv& csv, const Labelled& e) {
            if (mixOnly && e.end) {
                csv.Empty();
            } else {
                csv.Value(value(e));
            }
        });
    };
    columns.emplace_back("solution", [](Csv& csv, const Labelled& e) { csv.Text(e.label); });
    const std::string metal = SeriesMetal(r);
    if (r.seriesSlot != 0) {
        number(
            Key("wanted_free", metal, "M"), [](const Labelled& e) { return e.row->wanted; }, true);
        if (r.seriesAsPX)
            number(
                PXName(metal), [](const Labelled& e) { return PXOf(e.row->wanted); }, true);
    }
    if (r.mixing) {
        number(
            "fraction_B", [](const Labelled& e) { return e.row->fraction; }, true);
        number(
            "volume_A_uL", [](const Labelled& e) { return e.row->unloadedVolume; }, true);
        number(
            "volume_B_uL", [](const Labelled& e) { return e.row->loadedVolume; }, true);
    }
    for (const RecipeIngredient& in : r.ingredients)
        number(Key("total", in.name, "M"), [in](const Labelled& e) { return Concentration(in, *e.row); });
    for (int m = 1; m <= kSlots; ++m)
        if (MetalPresent(r.base, m))
            number(Key("free", r.base.MetalName[m].view(), "M"),
                   [m](const Labelled& e) { return e.row->metalFree[m]; });
    for (std::size_t k = 0; k < r.ingredients.size(); ++k)
        number(Key("volume", r.ingredients[k].name, "uL"),
               [k](const Labelled& e) { return e.row->volumes[k]; });
    number("water_uL", [](const Labelled& e) { return e.row->water; });
    number("base_M", [](const Labelled& e) { return e.row->base; });
    number("ionic_strength_N", [](const Labelled& e) { return e.row->ionic; });
    number("true_ionic_strength_M", [](const Labelled& e) { return e.row->ionicStrength; });
    number("osmolarity_mOsm", [](const Labelled& e) { return e.row->osmolarity * 1e3; });
    AddIonColumns(r, number);
    columns.emplace_back("converged", [](Csv& csv, const Labelled& e) { csv.Flag(e.row->converged); });

    Csv csv;
    for (const auto& column : columns) csv.Text(column.first);
    csv.EndRow();
    for (const Labelled& e : Rows(r)) {
        for (const auto& column : columns) column.second(csv, e);
        csv.EndRow();
    }
    return csv.Str();
}

}  // namespace dedodiz
