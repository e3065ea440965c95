// SPDX-License-Identifier: BSD-3-Clause
// What to pipette for the form's solution: the volume of every stock, the top-up salt and the water, for
// one solution or a series of wanted free levels, as dedodiz32-cli recipe makes it. The amounts come as
// the user typed them ("10 mL", "100 mM", "97 %", a decimal comma allowed) and are read by the recipe's
// own readers, so that they are the same numbers the command line and the recipe window read.
//
// The request: "solution", "volume", "stocks" [{"name", "stock"}] (the chelators, metals and pH buffer),
// "purity" [{"name", "purity"}], "buffer" {"name", "concentration", "form": free|mono|di|tri},
// "ionic_target", "topup" {"name", "stock"}, "series" (the command line's METAL=pX:FROM:TO:STEP,
// METAL=pX:V1,V2,... or METAL=C1,C2,...), "mix", "mix_volume", "refine", and the chemistry of the tubes
// (ReadChemistry). Everything but the solution and the volume may be left out.

#include <optional>

#include "core/RecipeInput.h"
#include "core/RecipeReport.h"
#include "web/WebSession.h"

namespace dedodiz::web {

namespace {

// The text of a key; nullopt when it is missing, null or blank.
std::optional<std::string> TextOf(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return std::nullopt;
    if (!found->is_string()) throw RequestError(std::string(key) + " must be a text");
    const std::string text = found->get<std::string>();
    if (text.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
    return text;
}

double Amount(const std::string& text, AmountKind kind, const std::string& what) {
    const std::optional<double> value = ParseAmount(text, kind, true);
    if (!value) {
        throw RequestError(what + ": " + AmountProblem(text, kind));
    }
    return *value;
}

double RequiredAmount(const Json& object, const char* key, AmountKind kind, const std::string& what) {
    const std::optional<std::string> text = TextOf(object, key);
    if (!text) throw RequestError(what + " is needed");
    return Amount(*text, kind, what);
}

// The pH buffer, its concentration in each solution and the form it is added in.
void ReadBuffer(const Json& request, RecipeRequest& r) {
    const auto buffer = request.find("buffer");
    if (buffer == request.end() || buffer->is_null()) return;
    if (!buffer->is_object()) throw RequestError("buffer must be an object");
    r.buffer = EntryName(*buffer, "buffer");
    r.bufferConc = RequiredAmount(*buffer, "concentration", AmountKind::Concentration, "buffer " + r.buffer);
    const std::string form = TextOf(*buffer, "form").value_or("free");
    const std::vector<std::string> forms{"free", "mono", "di", "tri"};
    std::size_t k = 0;
    while (k < forms.size() && forms[k] != form) ++k;
    if (k == forms.size())
        throw RequestError("the buffer form is free, mono, di or tri, not \"" + form + "\"");
    r.bufferSaltForm = static_cast<std::uint16_t>(k);
}

void ReadSeries(const Json& request, RecipeRequest& r) {
    r.mixing = request.value("mix", false);
    const std::optional<std::string> text = TextOf(request, "series");
    if (text) {
        SeriesInput series = ParseSeries(*text);
        if (!series.ok()) throw RequestError("series: " + series.error);
        r.seriesMetal = series.metal;
        r.seriesFree = std::move(series.free);
        r.seriesPX = std::move(series.px);
        r.seriesAsPX = series.asPX;
    }
    const std::optional<std::string> mixVolume = TextOf(request, "mix_volume");
    if (mixVolume) r.mixVolume = Amount(*mixVolume, AmountKind::Volume, "mix volume");
}

// A named stock, {"name", "stock"}; none when the key is missing.
std::optional<NamedValue> NamedStock(const Json& request, const char* key, const std::string& what) {
    const auto found = request.find(key);
    if (found == request.end() || found->is_null()) return std::nullopt;
    const std::string name = EntryName(*found, key);
    return NamedValue{name, RequiredAmount(*found, "stock", AmountKind::Concentration, what + " " + name)};
}

// How the stocks are made and what else is in the tubes: "forms" [{"name", "form"}], "base" and "acid"
// {"name", "stock"}, "contamination" [{"name", "concentration"}], "ionic_strength_target" (in M),
// "osmolyte" {"name", "stock"} and "osmolarity_target" ("290 mOsm"; a bare number is mOsm/L).
void ReadChemistry(const Json& request, RecipeRequest& r) {
    for (const Json& f : ListOf(request, "forms")) {
        const std::string name = EntryName(f, "forms");
        if (const auto form = TextOf(f, "form")) r.forms.push_back({name, *form});
    }
    r.base = NamedStock(request, "base", "base");
    r.acid = NamedStock(request, "acid", "acid");
    for (const Json& c : ListOf(request, "contamination")) {
        const std::string name = EntryName(c, "contamination");
        // A bare number is refused, as the command line refuses it: a contamination is too small to guess.
        const std::optional<std::string> text = TextOf(c, "concentration");
        if (!text) throw RequestError("contamination " + name + " is needed");
        if (const auto missing = MissingUnit(*text, AmountKind::Concentration))
            throw RequestError("contamination " + name + ": " + *missing + ", got \"" + *text + "\"");
        r.contamination.push_back({name, Amount(*text, AmountKind::Concentration, "contamination " + name)});
    }
    if (const auto target = TextOf(request, "ionic_strength_target"))
        r.ionicStrengthTarget = Amount(*target, AmountKind::Concentration, "ionic strength target");
    r.osmolyte = NamedStock(request, "osmolyte", "osmolyte");
    if (const auto target = TextOf(request, "osmolarity_target")) {
        const std::optional<double> osmolarity = ParseOsmolarity(*target, true);
        if (!osmolarity)
            throw RequestError(
                "osmolarity target: not an osmolarity in mOsm or Osm (a bare number is mOsm/L): \"" +
                *target + "\"");
        r.osmolarityTarget = *osmolarity;
    }
}

RecipeRequest RequestOf(const Json& request) {
    RecipeRequest r;
    r.volume = RequiredAmount(request, "volume", AmountKind::Volume, "volume");
    for (const Json& s : ListOf(request, "stocks")) {
        const std::string name = EntryName(s, "stocks");
        r.stocks.push_back({name, RequiredAmount(s, "stock", AmountKind::Concentration, "stock " + name)});
    }
    for (const Json& p : ListOf(request, "purity")) {
        const std::string name = EntryName(p, "purity");
        const std::optional<std::string> text = TextOf(p, "purity");
        if (!text) continue;  // left empty: pure
        const std::optional<double> fraction = ParseFraction(*text, true);
        if (!fraction)
            throw RequestError("purity " + name + ": not a fraction in (0, 1] or a percentage: \"" + *text +
                               "\"");
        r.purity.push_back({name, *fraction});
    }
    ReadBuffer(request, r);
    if (const auto target = TextOf(request, "ionic_target"))
        r.ionicTarget = Amount(*target, AmountKind::Ionic, "ionic target");
    const auto topup = request.find("topup");
    if (topup != request.end() && !topup->is_null()) {
        if (!topup->is_object()) throw RequestError("topup must be an object");
        const std::string name = TextOf(*topup, "name").value_or("KCl");
        r.topup =
            NamedValue{name, RequiredAmount(*topup, "stock", AmountKind::Concentration, "top-up " + name)};
    }
    ReadSeries(request, r);
    ReadChemistry(request, r);
    return r;
}

Json TableJson(const RecipeTable& table) {
    Json rows = Json::array();
    for (const std::vector<std::string>& row : table.rows) rows.push_back(Lines(row));
    return {{"header", Lines(table.header)}, {"rows", rows}};
}

}  // namespace

Json RecipeCommand(WebSession& session, const Json& request) {
    const RecipeRequest recipeRequest = RequestOf(request);
    ReadPrecision(session, request);
    const Outcome described = DescribeRequest(session, request);
    if (!described.Ran()) return Answer(described);
    const Outcome outcome = session.MakeRecipe(recipeRequest);
    Json reply = Answer(outcome);
    if (!outcome.Ran()) return reply;
    const Recipe& recipe = session.LastRecipe();
    reply["report"] = Lines(outcome.report);
    reply["table"] = TableJson(PipettingTable(recipe));
    reply["json"] = JsonText(RecipeJson(recipe, session.ConstantsFileName.view(), outcome.messages));
    reply["csv"] = RecipeCsv(recipe);
    return reply;
}

}  // namespace dedodiz::web
