// SPDX-License-Identifier: BSD-3-Clause
// The session of the page and the pieces every command shares: replies, solutions to and from JSON.

#include "web/WebSession.h"

#include "buffers/BufferFile.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"

namespace dedodiz::web {

namespace {

// The word of a calculation type, as the exports write it.
constexpr std::string_view TypeWord(CalculationType type) {
    switch (type) {
        case CalculationType::Total:
            return "total";
        case CalculationType::Chelator:
            return "chelator";
        case CalculationType::Free:
            break;
    }
    return "free";
}

CalculationType TypeOfWord(const std::string& word) {
    if (word == "total") return CalculationType::Total;
    if (word == "free") return CalculationType::Free;
    if (word == "chelator") return CalculationType::Chelator;
    throw RequestError("calculation_type must be total, free or chelator, not \"" + word + "\"");
}

// A number of an object, or fallback when the key is missing; anything but a number is refused.
double NumberOf(const Json& object, const char* key, double fallback) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return fallback;
    if (!found->is_number()) throw RequestError(std::string(key) + " must be a number");
    return found->get<double>();
}

std::string NameOf(const Json& entry) {
    const auto found = entry.find("name");
    if (found == entry.end() || !found->is_string()) throw RequestError("every entry needs a \"name\"");
    return found->get<std::string>();
}

const Json& ListOf(const Json& object, const char* key) {
    static const Json kEmpty = Json::array();
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return kEmpty;
    if (!found->is_array()) throw RequestError(std::string(key) + " must be a list");
    return *found;
}

}  // namespace

bool LoadBundledTable(WebSession& session, MessageSink& messages) {
    ConstantsTable read = session.table;
    if (!ReadConstantsFile(read, FindDataFile(kBundledTableName), messages).ok()) return false;
    read.ConstantsFileName = kBundledTableName;
    session.table = read;
    return true;
}

void StartSession(WebSession& session, const std::filesystem::path& folder) {
    session.folder = folder;
    NewCalculation(session.table, session.selection, session.calc);
    ResetSweepData(session.sweep);
    ResetBufferRecord(session.buffers.BufferRecord);
    MessageKeeper quiet;  // a page without its bundled data says so in its table's name ("EMPTY.CCM")
    LoadBundledTable(session, quiet);
    if (ReadBufferFile(session.buffers, FindDataFile(kBundledBuffersName), quiet).file.ok())
        session.buffers.BufferFileName = kBundledBuffersName;
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
        entered.type = TypeOfWord(type->get<std::string>());
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
    const TSolution& sol = session.calc.Solution;
    Json chelators = Json::array();
    Json metals = Json::array();
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (const int k = session.selection.ChosenChelator[slot]; k != 0)
            chelators.push_back({{"name", ExportText(session.table.Constants[k].Name.view())},
                                 {"total_M", sol.ChelTotal[slot]}});
        if (const int m = session.selection.ChosenMetal[slot]; m != 0)
            metals.push_back({{"name", ExportText(session.table.Constants[1].MetalName[m].view())},
                              {"total_M", sol.MetalTotal[slot]},
                              {"free_M", sol.MetalFree[slot]}});
    }
    return {{"calculation_type", TypeWord(session.calc.CalcType)},
            {"temperature_C", sol.Temperature},
            {"pH", sol.PH},
            {"ionic_strength_N", sol.IonicEquiv},
            {"chelators", chelators},
            {"metals", metals}};
}

DescribeResult DescribeRequest(WebSession& session, const Json& request, MessageSink& messages) {
    const auto solution = request.find("solution");
    if (solution == request.end()) throw RequestError("the request needs a \"solution\" object");
    return DescribeSolution(session.table, InputFromJson(*solution), session.selection, session.calc,
                            messages);
}

Precision PrecisionOf(const Json& request) {
    const auto refine = request.find("refine");
    if (refine == request.end() || refine->is_null()) return Precision::Iteration;
    if (!refine->is_boolean()) throw RequestError("refine must be true or false");
    return refine->get<bool>() ? Precision::Refined : Precision::Iteration;
}

Json Refusal(const std::string& error, const ShownMessages& shown) {
    Json reply = Reply(false, shown);
    reply["error"] = ExportText(error);
    return reply;
}

}  // namespace dedodiz::web
