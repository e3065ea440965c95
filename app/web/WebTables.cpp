// SPDX-License-Identifier: BSD-3-Clause
// The tables behind the page's choices: the chelators and metals of the constants table, the buffers of
// the buffer file, the constants listing, and the way back to the bundled table.

#include "web/WebSession.h"

namespace dedodiz::web {

namespace {

bool Named(std::string_view name, std::string_view emptyMarker) {
    return !name.empty() && name != emptyMarker && name.find_first_not_of(' ') != std::string_view::npos;
}

}  // namespace

Json TableCommand(WebSession& session, const Json& /*request*/) {
    const ConstantsTable& table = session.table();
    Json metals = Json::array();
    for (int m = 1; m <= kTableMetals; ++m) {
        const std::string_view name = table.Constants[1].MetalName[m].view();
        if (Named(name, kEmptyMetal)) metals.push_back({{"number", m}, {"name", ExportText(name)}});
    }
    Json chelators = Json::array();
    for (int k = 1; k <= kTableChelators; ++k) {
        const TChelatorRec& rec = table.Constants[k];
        if (!Named(rec.Name.view(), kEmptyChelator)) continue;
        Json binds = Json::array();  // the metals it forms a complex with (log K of ML not 0)
        for (int m = 1; m <= kTableMetals; ++m)
            if (rec.ML[m] != 0 && Named(table.Constants[1].MetalName[m].view(), kEmptyMetal))
                binds.push_back(ExportText(table.Constants[1].MetalName[m].view()));
        chelators.push_back({{"number", k}, {"name", ExportText(rec.Name.view())}, {"binds", binds}});
    }
    Json buffers = Json::array();
    for (int slot = 1; slot <= kBufferSlots; ++slot) {
        const std::string_view name = session.BufferSlots[slot].Name.view();
        if (Named(name, "")) buffers.push_back({{"slot", slot}, {"name", ExportText(name)}});
    }
    Json reply = Reply(true, {});
    reply["constants_file"] = ExportText(table.ConstantsFileName.view());
    reply["bundled"] = table.ConstantsFileName.view() == kBundledTableName;
    reply["chelators"] = chelators;
    reply["metals"] = metals;
    reply["buffer_file"] = ExportText(session.BufferFileName.view());
    reply["buffers"] = buffers;
    reply["file_limits"] = {{"TCM", FileLimit("x.TCM")},
                            {"CCM", FileLimit("x.CCM")},
                            {"STG", FileLimit("x.STG")},
                            {"BCM", FileLimit("x.bcm")}};
    return reply;
}

Json ListingCommand(WebSession& session, const Json& /*request*/) {
    const Outcome outcome = session.List();
    Json reply = Answer(outcome);
    reply["report"] = Lines(outcome.report);
    reply["json"] = JsonText(ConstantsJson(session.table(), outcome.messages));
    reply["csv"] = ConstantsCsv(session.table());
    return reply;
}

Json BundledCommand(WebSession& session, const Json& request) {
    const Outcome outcome = session.LoadConstants(std::string(kBundledTableName));
    if (!outcome.Ran()) return Answer(outcome);
    Json reply = TableCommand(session, request);
    reply["messages"] = Answer(outcome)["messages"];
    return reply;
}

}  // namespace dedodiz::web
