// SPDX-License-Identifier: BSD-3-Clause
#include "Library.h"

#include <cstdlib>
#include <string>

#include "core/RecipeInput.h"
#include "core/Titration.h"
#include "engine/Run.h"

namespace dedodiz::conformance {

namespace {

double Number(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

std::pair<std::string, std::string> Split(const std::string& text, char at) {
    const std::size_t found = text.find(at);
    if (found == std::string::npos) return {text, ""};
    return {text.substr(0, found), text.substr(found + 1)};
}

CalculationType TypeOf(const Case& c) {
    const std::string word = c.One("type").value_or("free");
    if (word == "total") return CalculationType::Total;
    if (word == "chelator") return CalculationType::Chelator;
    return CalculationType::Free;
}

TAxisRange Axis(const std::string& text) {
    const auto [variable, range] = Split(text, ':');
    const auto [low, high] = Split(range, ':');
    TAxisRange axis;
    if (variable == "temp") axis.Variable = AxisVariable::Temperature;
    if (variable == "ph") axis.Variable = AxisVariable::PH;
    if (variable == "ionic") axis.Variable = AxisVariable::Ionic;
    if (variable.rfind("metal", 0) == 0) axis.Variable = MetalAxis(std::stoi(variable.substr(5)));
    axis.Low = Number(low);
    axis.High = Number(high);
    return axis;
}

NamedValue Stock(const std::string& text) {
    const auto [name, amount] = Split(text, '=');
    return {name, ParseAmount(amount, AmountKind::Concentration).value_or(0)};
}

RecipeRequest RecipeOf(const Case& c) {
    RecipeRequest r;
    r.volume = ParseAmount(c.One("volume").value_or(""), AmountKind::Volume).value_or(0);
    for (const std::string& s : c.All("stock")) r.stocks.push_back(Stock(s));
    for (const std::string& p : c.All("purity")) {
        const auto [name, fraction] = Split(p, '=');
        r.purity.push_back({name, ParseFraction(fraction).value_or(0)});
    }
    if (const auto target = c.One("ionic-target")) r.ionicTarget = ParseAmount(*target, AmountKind::Ionic);
    if (const auto topup = c.One("topup")) r.topup = Stock(*topup);
    if (const auto series = c.One("series")) {
        SeriesInput s = ParseSeries(*series);
        r.seriesMetal = s.metal;
        r.seriesFree = s.free;
        r.seriesPX = s.px;
        r.seriesAsPX = s.asPX;
    }
    r.mixing = c.One("mix").has_value();
    return r;
}

UncertaintyOptions UncertaintyOf(const Case& c) {
    UncertaintyOptions o;
    if (const auto samples = c.One("samples")) o.samples = std::stoi(*samples);
    if (const auto seed = c.One("seed")) o.seed = std::stoull(*seed);
    if (const auto sd = c.One("ph-sd")) o.inputs.pHSd = Number(*sd);
    for (const std::string& p : c.All("purity")) {
        const auto [name, value] = Split(p, '=');
        const auto [fraction, sd] = Split(value, ':');
        o.purities.push_back({name, {Number(fraction), Number(sd)}});
    }
    return o;
}

// Plays one step and keeps what it showed; false when the case ends with it.
bool Step(const Outcome& o, Answer& a) {
    for (const ShownMessage& m : o.messages) {
        std::string text = m.text;
        for (char& ch : text)
            if (ch == '\r') ch = ' ';
        a.messages.push_back(m.caption + ": " + text);
    }
    a.status = std::string(StatusWord(o.status));
    if (o.status == Status::Refused) a.refusal = o.Message();
    a.report = o.report;
    return o.Ran();
}

bool LoadSolution(const Case& c, Session& s, Answer& a) {
    if (const auto work = c.One("work")) return Step(s.LoadWork(*work), a);
    const auto constants = c.One("constants");
    Refusals refusals;
    if (!TypeOrRefuse(c.One("type").value_or("free"), refusals)) return Step(RefusedOutcome(refusals), a);
    if (!Step(constants ? s.LoadConstants(*constants) : s.LoadBundledConstants(), a)) return false;
    return Step(s.Describe(SolutionOf(c)), a);
}

Outcome Command(const Case& c, Session& s) {
    const std::string& command = c.command;
    if (command == "run") return s.Run();
    if (command == "evaluate") return s.Evaluate();
    if (command == "recipe") return s.MakeRecipe(RecipeOf(c));
    if (command == "uncertainty") return s.Uncertainty(UncertaintyOf(c));
    SweepRequest request;
    request.x = Axis(c.One("x").value_or(""));
    if (const auto z = c.One("z")) request.z = Axis(*z);
    return s.Sweep(request);
}

// The commands on a file rather than a solution.
void PlayFileCommand(const Case& c, Session& s, const std::string& tmpFolder, Answer& a) {
    const std::string file = c.One("file").value_or("");
    if (c.command == "buffers") {
        if (!Step(s.LoadBuffers(file), a)) return;
        Conditions conditions;
        if (const auto t = c.One("temp")) conditions.temperature = Number(*t);
        if (const auto ph = c.One("ph")) conditions.pH = Number(*ph);
        if (const auto ionic = c.One("ionic")) conditions.ionic = Number(*ionic);
        Step(s.BufferRanges(conditions), a);
        return;
    }
    if (!Step(s.LoadConstants(file), a)) return;
    if (c.command == "list") {
        Step(s.List(), a);
        return;
    }
    std::string out = c.One("out").value_or("");
    if (const std::size_t at = out.find("{tmp}"); at != std::string::npos) out.replace(at, 5, tmpFolder);
    Step(s.SaveConstants(out), a);
}

// A titration fitted: the table, the file, the pair and the conditions.
void PlayCalibration(const Case& c, Session& s, Answer& a) {
    const auto constants = c.One("constants");
    if (!Step(constants ? s.LoadConstants(*constants) : s.LoadBundledConstants(), a)) return;
    CalibrationRequest r;
    r.chelator = c.One("chelator").value_or("");
    r.metal = c.One("metal").value_or("");
    if (const auto t = c.One("temp")) r.temperature = Number(*t);
    if (const auto ph = c.One("ph")) r.pH = Number(*ph);
    if (const auto ionic = c.One("ionic")) r.ionic = Number(*ionic);
    r.bootstrap = static_cast<int>(Number(c.One("bootstrap").value_or("1000")));
    const TitrationRead read = ReadTitrationFile(c.One("file").value_or(""));
    if (!read.ok()) {
        a.status = "stopped";
        a.messages.push_back("ERROR: Cannot read the titration " + read.error);
        return;
    }
    r.titration = read.titration;
    Step(s.Calibrate(r), a);
}

}  // namespace

SolutionInput SolutionOf(const Case& c) {
    SolutionInput e;
    e.type = TypeOf(c);
    if (const auto t = c.One("temp")) e.temperature = Number(*t);
    if (const auto ph = c.One("ph")) e.pH = Number(*ph);
    if (const auto ionic = c.One("ionic")) e.ionic = Number(*ionic);
    for (const std::string& text : c.All("chelator")) {
        const auto [name, total] = Split(text, '=');
        e.chelators.push_back({name, Number(total)});
    }
    for (const std::string& text : c.All("metal")) {
        const auto [name, value] = Split(text, '=');
        SolutionInput::Metal m{name, 0.0, 0.0};
        if (e.type == CalculationType::Chelator) {
            const auto [total, free] = Split(value, ':');
            m.total = Number(total);
            m.free = Number(free);
        } else if (e.type == CalculationType::Total) {
            m.free = Number(value);
        } else {
            m.total = Number(value);
        }
        e.metals.push_back(m);
    }
    return e;
}

Answer PlayOnLibrary(const Case& c, const std::string& dataFolder, const std::string& tmpFolder) {
    auto session = std::make_unique<Session>();
    Session& s = *session;
    s.SetDataFolders({dataFolder});
    if (const auto precision = c.One("precision")) {
        Refusals refusals;
        s.precision = PrecisionOrRefuse(*precision, refusals).value_or(kDefaultPrecision);
    }
    Answer a;
    if (c.command == "buffers" || c.command == "list" || c.command == "convert") {
        PlayFileCommand(c, s, tmpFolder, a);
        return a;
    }
    if (c.command == "calibrate") {
        PlayCalibration(c, s, a);
        return a;
    }
    if (!LoadSolution(c, s, a)) return a;
    if (!Step(Command(c, s), a) || c.command != "run") return a;
    for (const ExpectedValue& v : c.values)
        if (const std::optional<double> value = s.Value(v.key)) a.values[v.key] = *value;
    return a;
}

}  // namespace dedodiz::conformance
