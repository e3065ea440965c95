// The single-point run of the page: the solution of the form run as "Free Metal" runs it, answered with
// the report (the lines the command-line tool prints), the numbers of the JSON export and its CSV row.

#include "OutputText.h"
#include "Run.h"
#include "WebSession.h"

namespace dedodiz::web {

namespace {

constexpr std::string_view StatusWord(RunStatus status) {
    switch (status) {
        case RunStatus::Ran:
            return "ran";
        case RunStatus::Refused:
            return "refused";
        case RunStatus::Fault:
            break;
    }
    return "fault";
}

}  // namespace

Json RunSession(WebSession& session) {
    MessageKeeper messages;
    OutputText output;
    const RunOutcome outcome = RunSinglePoint(session.calc, session.table.ConstantsFileName.view(),
                                              ReportPlacement::Replace, output, messages);
    Json reply = Reply(outcome.Ran(), outcome.messages);
    reply["status"] = StatusWord(outcome.status);
    reply["converged"] = outcome.Ran() && outcome.converged;
    reply["report"] = Lines(outcome.report);
    if (outcome.Ran()) {
        reply["json"] =
            JsonText(RunJson(session.calc, session.table.ConstantsFileName.view(), outcome.messages));
        reply["csv"] = RunCsv(session.calc);
    }
    return reply;
}

Json RunCommand(WebSession& session, const Json& request) {
    MessageKeeper messages;
    const DescribeResult described = DescribeRequest(session, request, messages);
    if (!described.ok()) return Refusal(described.error, messages.Messages());
    return RunSession(session);
}

}  // namespace dedodiz::web
