// SPDX-License-Identifier: BSD-3-Clause
// The chelator evaluation of the page: Kd and buffering range of every chelator of the table for the
// metals chosen in the form, at its temperature, pH and ionic strength.

#include "buffers/Evaluate.h"
#include "core/OutputText.h"
#include "engine/FloatGuard.h"
#include "web/WebSession.h"

namespace dedodiz::web {

Json EvaluateCommand(WebSession& session, const Json& request) {
    MessageKeeper messages;
    const DescribeResult described = DescribeRequest(session, request, messages);
    if (!described.ok()) return Refusal(described.error, messages.Messages());
    ChelatorEvaluation evaluation;
    OutputText report;
    const bool ok = RunGuarded(messages, [&] {
        evaluation = ComputeChelatorEvaluation(session.table, session.selection, session.calc.Solution);
        if (evaluation.ok)
            WriteChelatorEvaluation(session.table, evaluation, session.calc.Results, ReportPlacement::Replace,
                                    report);
    });
    Json reply = Reply(ok && evaluation.ok, messages.Messages());
    reply["report"] = Lines(report.Lines());
    if (reply["ok"]) {
        reply["json"] = JsonText(EvaluationJson(session.table, evaluation, messages.Messages()));
        reply["csv"] = EvaluationCsv(session.table, evaluation);
    }
    return reply;
}

}  // namespace dedodiz::web
