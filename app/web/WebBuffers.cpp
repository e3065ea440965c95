// SPDX-License-Identifier: BSD-3-Clause
// The pH buffer ranges of the page: the useful range of every buffer of the loaded buffer file at the
// temperature and ionic strength given.

#include "buffers/BufferCalc.h"
#include "core/OutputText.h"
#include "engine/FloatGuard.h"
#include "web/WebSession.h"

namespace dedodiz::web {

Json BuffersCommand(WebSession& session, const Json& request) {
    // The conditions are read as a solution's are; the command-line tool's defaults are the same.
    const SolutionInput conditions = InputFromJson(request.value("conditions", Json::object()));
    TSolution environment;
    environment.Temperature = conditions.temperature;
    environment.PH = conditions.pH;
    environment.IonicEquiv = conditions.ionic;

    MessageKeeper messages;
    BufferRanges ranges;
    OutputText report;
    BufferTool& tool = session.buffers;
    const bool ok = RunGuarded(messages, [&] {
        ranges = ComputeBufferRanges(tool, environment);
        if (ranges.ok) WriteBufferRanges(tool, ranges, ReportPlacement::Replace, report);
    });
    Json reply = Reply(ok && ranges.ok, messages.Messages());
    reply["report"] = Lines(report.Lines());
    if (reply["ok"]) {
        reply["json"] = JsonText(BufferRangesJson(tool, ranges, messages.Messages()));
        reply["csv"] = BufferRangesCsv(tool, ranges);
    }
    return reply;
}

}  // namespace dedodiz::web
