// SPDX-License-Identifier: BSD-3-Clause
// The chelator evaluation of the page: Kd and buffering range of every chelator of the table for the
// metals chosen in the form, at its temperature, pH and ionic strength.

#include "buffers/Evaluate.h"
#include "web/WebSession.h"

namespace dedodiz::web {

Json EvaluateCommand(WebSession& session, const Json& request) {
    const Outcome described = DescribeRequest(session, request);
    if (!described.Ran()) return Answer(described);
    const Outcome outcome = session.Evaluate();
    Json reply = Answer(outcome);
    reply["report"] = Lines(outcome.report);
    if (outcome.Ran()) {
        const ChelatorEvaluation& evaluation = session.LastEvaluation();
        reply["json"] = JsonText(EvaluationJson(session.table(), evaluation, outcome.messages));
        reply["csv"] = EvaluationCsv(session.table(), evaluation);
    }
    return reply;
}

}  // namespace dedodiz::web
