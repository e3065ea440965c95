// SPDX-License-Identifier: BSD-3-Clause
// The single-point run of the page: the solution of the form run as "Free Metal" runs it, refined on
// request ("refine": true), answered with the report (the lines the command-line tool prints), the
// numbers of the JSON export and its CSV row.

#include <optional>

#include "web/WebSession.h"

namespace dedodiz::web {

Json RunSession(WebSession& session) {
    const Outcome outcome = session.Run();
    Json reply = Answer(outcome);
    reply["converged"] = outcome.Ran() && outcome.converged;
    reply["report"] = Lines(outcome.report);
    if (outcome.Ran()) {
        // A refined run's exports carry "refined" and its residual, as --refine gives them.
        const std::optional<double> refined =
            outcome.refined ? std::optional(outcome.residual) : std::nullopt;
        reply["json"] =
            JsonText(RunJson(session.calc(), session.ConstantsFileName.view(), outcome.messages, refined));
        reply["csv"] = RunCsv(session.calc(), refined);
    }
    return reply;
}

Json RunCommand(WebSession& session, const Json& request) {
    ReadPrecision(session, request);
    const Outcome described = DescribeRequest(session, request);
    if (!described.Ran()) return Answer(described);
    return RunSession(session);
}

}  // namespace dedodiz::web
