// SPDX-License-Identifier: BSD-3-Clause
// The sweeps of the page: the form's solution repeated over one condition (41 points) or two (11 x 11),
// every point refined on request ("refine": true), answered with the sweep table, the sweep's data for
// the chart and its CSV.

#include "web/WebSession.h"

namespace dedodiz::web {

namespace {

// An axis of the request: {"variable": "temp" | "ph" | "ionic" | "metal1" .. "metal6", "low", "high"}, the
// variables of the command-line tool's --x and --z.
TAxisRange AxisOf(const Json& request, const char* key) {
    const auto axis = request.find(key);
    if (axis == request.end() || !axis->is_object())
        throw RequestError(std::string("the sweep needs an axis ") + key);
    const std::string name = axis->value("variable", "");
    TAxisRange range;
    if (name == "temp") {
        range.Variable = AxisVariable::Temperature;
    } else if (name == "ph") {
        range.Variable = AxisVariable::PH;
    } else if (name == "ionic") {
        range.Variable = AxisVariable::Ionic;
    } else if (name.size() == 6 && name.compare(0, 5, "metal") == 0 && name[5] >= '1' && name[5] <= '6') {
        range.Variable = MetalAxis(name[5] - '0');
    } else {
        throw RequestError("unknown axis variable \"" + name + "\" (temp, ph, ionic, metal1 .. metal6)");
    }
    const auto low = axis->find("low");
    const auto high = axis->find("high");
    if (low == axis->end() || high == axis->end())
        throw RequestError(std::string("the axis ") + key + " needs the numbers low and high");
    range.Low = JsonNumber(*low, std::string("the axis ") + key + " low");
    range.High = JsonNumber(*high, std::string("the axis ") + key + " high");
    return range;
}

// A metal axis names a slot that holds a metal, as the axis dialog offers only those: empty when it does.
}  // namespace

Json SweepCommand(WebSession& session, const Json& request) {
    SweepRequest sweep;
    sweep.x = AxisOf(request, "x");
    if (request.value("three_d", false)) sweep.z = AxisOf(request, "z");
    ReadPrecision(session, request);
    const Outcome described = DescribeRequest(session, request);
    if (!described.Ran()) return Answer(described);
    const Outcome outcome = session.Sweep(sweep);
    Json reply = Answer(outcome);
    if (!outcome.Ran()) return reply;
    reply["table"] = Lines(outcome.report);
    reply["json"] = JsonText(SweepJson(session.sweep(), outcome.messages));
    reply["csv"] = SweepCsv(session.sweep());
    return reply;
}

}  // namespace dedodiz::web
