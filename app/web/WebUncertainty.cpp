// SPDX-License-Identifier: BSD-3-Clause
// How far the results of the form's solution can be trusted: every uncertain input varied at random as
// dedodiz32-cli uncertainty varies it, answered with the report block, the exports and a histogram of
// every result. WebAssembly has no threads here, so the samples run one after the other; the seed alone
// decides the numbers, which are those of the command line whatever its thread count.
//
// The request: "solution", "samples", "seed" (digits, or a whole number), the standard uncertainties
// "ph_sd", "temp_sd", "ionic_rsd", "logk_h_sd", "logk_ml_sd", "logk_mhl_sd", "dh_rsd", "total_rsd" (a
// missing one takes the program's default, 0 switches it off), "purity" [{"name", "fraction", "sd"}],
// "contamination" [{"name", "concentration", "sd"}] (texts with their units, "2 uM", a decimal comma
// allowed) and "refine". {"defaults": true} is answered with the program's defaults of all of them instead.

#include <optional>

#include "core/RecipeInput.h"
#include "core/Uncertainty.h"
#include "core/UncertaintyExport.h"
#include "core/UncertaintyGraph.h"
#include "web/WebSession.h"

namespace dedodiz::web {

namespace {

void ReadSd(const Json& request, const char* key, double& into) {
    const auto found = request.find(key);
    if (found == request.end() || found->is_null()) return;
    into = JsonNumber(*found, key);
}

int SamplesOf(const Json& request) {
    const auto found = request.find("samples");
    if (found == request.end() || found->is_null()) return kDefaultUncertaintySamples;
    if (!found->is_number_integer()) throw RequestError("samples is a whole number");
    const auto samples = found->get<std::int64_t>();
    // Beyond an int the Session's rule (1 .. the most) refuses it all the same.
    return samples > kMaxUncertaintySamples ? kMaxUncertaintySamples + 1
           : samples < 1                    ? 0
                                            : static_cast<int>(samples);
}

// The purities of chelators of the solution: fraction in (0, 1] and its standard uncertainty.
void ReadPurity(const Json& request, std::vector<NamedPurity>& purities) {
    for (const Json& p : ListOf(request, "purity"))
        purities.push_back({EntryName(p, "purity"), {p.value("fraction", 1.0), p.value("sd", 0.0)}});
}

// A contamination's concentration or uncertainty as typed: a number with its unit, as the recipe takes
// a contamination ("2 uM"); a bare number other than 0 is refused, as a contamination is too small to
// guess the unit of. nullopt with the reason when it is no such amount.
std::optional<double> ContaminationAmount(const Json& entry, const char* key, std::string& why) {
    const auto found = entry.find(key);
    if (found == entry.end() || found->is_null()) return 0.0;
    if (!found->is_string()) throw RequestError(std::string("a contamination's ") + key + " must be a text");
    const std::string text = found->get<std::string>();
    const std::optional<double> value = ParseAmount(text, AmountKind::Concentration, true);
    if (!value) {
        why = AmountProblem(text, AmountKind::Concentration);
    } else if (*value != 0) {
        if (const auto missing = MissingUnit(text, AmountKind::Concentration))
            why = *missing + ", got \"" + text + "\"";
    }
    return why.empty() ? value : std::nullopt;
}

// The contamination of metals of the solution, each with its standard uncertainty [mol/L]; an amount
// that cannot be read is refused on its metal's field, the values are the Session's to check.
void ReadContamination(const Json& request, std::vector<NamedContamination>& contaminations,
                       Refusals& refusals) {
    for (const Json& c : ListOf(request, "contamination")) {
        const std::string name = EntryName(c, "contamination");
        std::string why;
        const std::optional<double> conc = ContaminationAmount(c, "concentration", why);
        const std::optional<double> sd = why.empty() ? ContaminationAmount(c, "sd", why) : std::nullopt;
        if (!conc || !sd)
            refusals.push_back({{FieldKind::Option, "contamination " + name, -1}, why});
        else
            contaminations.push_back({name, {*conc, *sd}});
    }
}

UncertaintyOptions OptionsOf(const Json& request) {
    UncertaintyOptions options;
    options.samples = SamplesOf(request);
    options.seed = SeedOf(request);
    options.threads = 1;
    ReadPurity(request, options.purities);
    UncertaintyInputs& u = options.inputs;
    ReadSd(request, "ph_sd", u.pHSd);
    ReadSd(request, "temp_sd", u.temperatureSd);
    ReadSd(request, "ionic_rsd", u.ionicRsd);
    ReadSd(request, "logk_h_sd", u.logKHSd);
    ReadSd(request, "logk_ml_sd", u.logKMLSd);
    ReadSd(request, "logk_mhl_sd", u.logKMHLSd);
    ReadSd(request, "dh_rsd", u.enthalpyRsd);
    ReadSd(request, "total_rsd", u.totalRsd);
    return options;
}

// The program's defaults, for the page's form.
Json Defaults() {
    const UncertaintyOptions o;
    const UncertaintyInputs& u = o.inputs;
    Json reply = Reply(true, {});
    reply["defaults"] = {{"samples", o.samples},
                         {"seed", std::to_string(o.seed)},
                         {"ph_sd", u.pHSd},
                         {"temp_sd", u.temperatureSd},
                         {"ionic_rsd", u.ionicRsd},
                         {"logk_h_sd", u.logKHSd},
                         {"logk_ml_sd", u.logKMLSd},
                         {"logk_mhl_sd", u.logKMHLSd},
                         {"dh_rsd", u.enthalpyRsd},
                         {"total_rsd", u.totalRsd},
                         {"max_samples", kMaxUncertaintySamples}};
    return reply;
}

// The samples of every result counted in the bins of the desktop program's histograms.
Json Histograms(const UncertaintyOutcome& outcome) {
    Json histograms = Json::array();
    for (const UncertaintyResult& r : outcome.results) {
        const Histogram h = CountHistogram(r.samples);
        histograms.push_back({{"key", r.key}, {"low", h.low}, {"high", h.high}, {"counts", h.counts}});
    }
    return histograms;
}

}  // namespace

Json UncertaintyCommand(WebSession& session, const Json& request) {
    if (request.value("defaults", false)) return Defaults();
    UncertaintyOptions options = OptionsOf(request);
    Refusals unread;
    ReadContamination(request, options.contaminations, unread);
    if (!unread.empty()) return Answer(RefusedOutcome(std::move(unread)));
    options.stop = session.stop;
    ReadPrecision(session, request);
    const Outcome described = DescribeRequest(session, request);
    if (!described.Ran()) return Answer(described);
    const Outcome outcome = session.Uncertainty(options);
    Json reply = Answer(outcome);
    if (!outcome.Ran()) return reply;
    const UncertaintyOutcome& result = session.LastUncertainty();
    reply["report"] = Lines(outcome.report);
    reply["json"] = JsonText(
        UncertaintyJson(session.calc(), session.ConstantsFileName.view(), result, outcome.messages, false));
    reply["csv"] = UncertaintyCsv(result);
    reply["histograms"] = Histograms(result);
    return reply;
}

}  // namespace dedodiz::web
