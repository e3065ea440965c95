// SPDX-License-Identifier: BSD-3-Clause
// The single-point run of the page: the solution of the form run as "Free Metal" runs it, refined on
// request ("refine": true), answered with the report (the lines the command-line tool prints), the
// numbers of the JSON export and its CSV row.

#include <optional>

#include "core/OutputText.h"
#include "engine/Run.h"
#include "web/WebSession.h"

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

Json RunSession(WebSession& session, Precision precision) {
    MessageKeeper messages;
    OutputText output;
    const RunOutcome outcome = RunSinglePoint(session.calc, session.table.ConstantsFileName.view(),
                                              ReportPlacement::Replace, output, messages, precision);
    Json reply = Reply(outcome.Ran(), outcome.messages);
    reply["status"] = StatusWord(outcome.status);
    reply["converged"] = outcome.Ran() && outcome.converged;
    reply["report"] = Lines(outcome.report);
    if (outcome.Ran()) {
        // A refined run's exports carry "refined" and its residual, as --refine gives them.
        const std::optional<double> refined =
            outcome.refined ? std::optional(outcome.residual) : std::nullopt;
        reply["json"] = JsonText(
            RunJson(session.calc, session.table.ConstantsFileName.view(), outcome.messages, refined));
        reply["csv"] = RunCsv(session.calc, refined);
    }
    return reply;
}

Json RunCommand(WebSession& session, const Json& request) {
    const Precision precision = PrecisionOf(request);
    MessageKeeper messages;
    const DescribeResult described = DescribeRequest(session, request, messages);
    if (!described.ok()) return Refusal(described.error, messages.Messages());
    return RunSession(session, precision);
}

}  // namespace dedodiz::web
