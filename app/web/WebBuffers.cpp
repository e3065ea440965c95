// SPDX-License-Identifier: BSD-3-Clause
// The pH buffer ranges of the page: the useful range of every buffer of the loaded buffer file at the
// temperature and ionic strength given.

#include "buffers/BufferCalc.h"
#include "web/WebSession.h"

namespace dedodiz::web {

Json BuffersCommand(WebSession& session, const Json& request) {
    // The conditions are read as a solution's are; the command-line tool's defaults are the same.
    const SolutionInput read = InputFromJson(request.value("conditions", Json::object()));
    const Outcome outcome = session.BufferRanges({read.temperature, read.pH, read.ionic});
    Json reply = Answer(outcome);
    reply["report"] = Lines(outcome.report);
    if (outcome.Ran()) {
        const BufferRanges& ranges = session.LastBufferRanges();
        reply["json"] = JsonText(BufferRangesJson(session.buffers(), ranges, outcome.messages));
        reply["csv"] = BufferRangesCsv(session.buffers(), ranges);
    }
    return reply;
}

}  // namespace dedodiz::web
