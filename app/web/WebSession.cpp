// SPDX-License-Identifier: BSD-3-Clause
// The session of the page and the pieces every command shares: replies, solutions to and from JSON.

#include "web/WebSession.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "engine/CalcTypes.h"

namespace dedodiz::web {

double JsonNumber(const Json& value, const std::string& what) {
    // JSON has no words for the numbers that are not finite; the page sends them as JavaScript writes
    // them, so that the Session judges them rather than a default taking their place.
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
        if (text == "Infinity") return std::numeric_limits<double>::infinity();
        if (text == "-Infinity") return -std::numeric_limits<double>::infinity();
    }
    if (!value.is_number()) throw RequestError(what + " must be a number");
    return value.get<double>();
}

const Json& ListOf(const Json& request, const char* key) {
    static const Json kEmpty = Json::array();
    const auto found = request.find(key);
    if (found == request.end() || found->is_null()) return kEmpty;
    if (!found->is_array()) throw RequestError(std::string(key) + " must be a list");
    return *found;
}

std::string EntryName(const Json& entry, const char* list) {
    const auto name = entry.find("name");
    if (!entry.is_object() || name == entry.end() || !name->is_string() || name->get<std::string>().empty())
        throw RequestError(std::string("every entry of ") + list + " needs a \"name\"");
    return name->get<std::string>();
}

std::uint64_t SeedOf(const Json& request) {
    const auto found = request.find("seed");
    if (found == request.end() || found->is_null()) return 1;
    if (found->is_number_unsigned()) return found->get<std::uint64_t>();
    const std::string text = found->is_string() ? found->get<std::string>() : std::string();
    std::uint64_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw RequestError("the seed is a whole number from 0 to 18446744073709551615");
    return seed;
}

namespace {

// A number of an object, or fallback when the key is missing; anything but a number is refused.
double NumberOf(const Json& object, const char* key, double fallback) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return fallback;
    return JsonNumber(*found, key);
}

std::string NameOf(const Json& entry) {
    const auto found = entry.find("name");
    if (found == entry.end() || !found->is_string()) throw RequestError("every entry needs a \"name\"");
    return found->get<std::string>();
}

std::string_view KindWord(FieldKind kind) {
    switch (kind) {
        case FieldKind::Type:
            return "type";
        case FieldKind::Temperature:
            return "temperature";
        case FieldKind::PH:
            return "ph";
        case FieldKind::Ionic:
            return "ionic";
        case FieldKind::Chelators:
            return "chelators";
        case FieldKind::Metals:
            return "metals";
        case FieldKind::Chelator:
            return "chelator";
        case FieldKind::ChelatorTotal:
            return "chelator_total";
        case FieldKind::Metal:
            return "metal";
        case FieldKind::MetalTotal:
            return "metal_total";
        case FieldKind::MetalFree:
            return "metal_free";
        case FieldKind::Option:
            break;
    }
    return "option";
}

}  // namespace

void StartSession(WebSession& session, const std::filesystem::path& folder) {
    session.folder = folder;
    // A page without its bundled data says so in its table's name ("EMPTY.CCM").
    session.SetSinks(nullptr, nullptr);
    session.LoadConstants(std::string(kBundledTableName));
    session.LoadBuffers(std::string(kBundledBuffersName));
}

Json Reply(bool ok, const ShownMessages& shown) {
    Json messages = Json::array();
    for (const ShownMessage& m : shown) {
        std::string text = ExportText(m.text);
        for (char& c : text)
            if (c == '\r') c = '\n';
        messages.push_back({{"caption", ExportText(m.caption)}, {"text", text}});
    }
    return {{"ok", ok}, {"messages", messages}};
}

Json Answer(const Outcome& outcome) {
    Json reply = Reply(outcome.Ran(), outcome.messages);
    reply["status"] = StatusWord(outcome.status);
    if (outcome.Ran()) return reply;
    // What went wrong, unless an "ERROR" message among the messages says it already.
    const bool said = std::any_of(outcome.messages.begin(), outcome.messages.end(),
                                  [](const ShownMessage& m) { return m.caption == "ERROR"; });
    if (!said) reply["error"] = ExportText(outcome.Message());
    if (!outcome.refusals.empty()) {
        Json refusals = Json::array();
        for (const dedodiz::Refusal& r : outcome.refusals)
            refusals.push_back({{"field", ExportText(r.field.Text())},
                                {"kind", KindWord(r.field.kind)},
                                {"name", ExportText(r.field.name)},
                                {"entry", r.field.entry},
                                {"reason", ExportText(r.reason)}});
        reply["refusals"] = refusals;
    }
    return reply;
}

Json Lines(const std::vector<std::string>& lines) {
    Json out = Json::array();
    for (const std::string& line : lines) out.push_back(ExportText(line));
    return out;
}

SolutionInput InputFromJson(const Json& solution) {
    if (!solution.is_object()) throw RequestError("the request needs a \"solution\" object");
    SolutionInput entered;
    const auto type = solution.find("calculation_type");
    if (type != solution.end()) {
        if (!type->is_string()) throw RequestError("calculation_type must be a word");
        Refusals refusals;
        const std::optional<CalculationType> word = TypeOrRefuse(type->get<std::string>(), refusals);
        if (!word) throw RequestError(refusals.front().Message());
        entered.type = *word;
    }
    entered.temperature = NumberOf(solution, "temperature_C", entered.temperature);
    entered.pH = NumberOf(solution, "pH", entered.pH);
    entered.ionic = NumberOf(solution, "ionic_strength_N", entered.ionic);
    for (const Json& c : ListOf(solution, "chelators"))
        entered.chelators.push_back({NameOf(c), NumberOf(c, "total_M", 0)});
    for (const Json& m : ListOf(solution, "metals"))
        entered.metals.push_back({NameOf(m), NumberOf(m, "total_M", 0), NumberOf(m, "free_M", 0)});
    return entered;
}

Json SolutionJson(const WebSession& session) {
    const TSolution& sol = session.Solution;
    Json chelators = Json::array();
    Json metals = Json::array();
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (const int k = session.ChosenChelator[slot]; k != 0)
            chelators.push_back(
                {{"name", ExportText(session.Constants[k].Name.view())}, {"total_M", sol.ChelTotal[slot]}});
        if (const int m = session.ChosenMetal[slot]; m != 0)
            metals.push_back({{"name", ExportText(session.Constants[1].MetalName[m].view())},
                              {"total_M", sol.MetalTotal[slot]},
                              {"free_M", sol.MetalFree[slot]}});
    }
    return {{"calculation_type", TypeInfo(session.CalcType).word},
            {"temperature_C", sol.Temperature},
            {"pH", sol.PH},
            {"ionic_strength_N", sol.IonicEquiv},
            {"chelators", chelators},
            {"metals", metals}};
}

Outcome DescribeRequest(WebSession& session, const Json& request) {
    const auto solution = request.find("solution");
    if (solution == request.end()) throw RequestError("the request needs a \"solution\" object");
    // Without its table (the bundled one missing) every solution would run empty and look converged.
    const ConstantsTable& table = session.table();
    bool any = false;
    for (int k = 1; k <= kTableChelators && !any; ++k) {
        const std::string_view name = table.Constants[k].Name.view();
        any =
            !name.empty() && name != kEmptyChelator && name.find_first_not_of(' ') != std::string_view::npos;
    }
    if (!any) throw RequestError("no constants table is loaded: open one on the Files tab");
    return session.Describe(InputFromJson(*solution));
}

void ReadPrecision(WebSession& session, const Json& request) {
    const auto word = request.find("precision");
    if (word != request.end() && !word->is_null()) {
        const std::string text = word->is_string() ? word->get<std::string>() : std::string();
        if (text == "described") {
            session.precision = Precision::Described;
        } else if (text == "checked") {
            session.precision = Precision::Checked;
        } else if (text == "exact") {
            session.precision = Precision::Exact;
        } else {
            throw RequestError("precision must be described, checked or exact");
        }
        return;
    }
    const auto refine = request.find("refine");
    if (refine == request.end() || refine->is_null()) {
        session.precision = kDefaultPrecision;
        return;
    }
    if (!refine->is_boolean()) throw RequestError("refine must be true or false");
    session.precision = refine->get<bool>() ? Precision::Exact : Precision::Described;
}

Json Refusal(const std::string& error, const ShownMessages& shown) {
    Json reply = Reply(false, shown);
    reply["status"] = "refused";
    reply["error"] = ExportText(error);
    return reply;
}

}  // namespace dedodiz::web
