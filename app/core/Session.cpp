// SPDX-License-Identifier: BSD-3-Clause
#include "core/Session.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "buffers/BufferCalc.h"
#include "buffers/BufferFile.h"
#include "buffers/Evaluate.h"
#include "core/Export.h"
#include "core/Listing.h"
#include "core/OutputText.h"
#include "core/RecipeForms.h"
#include "core/RecipeInput.h"
#include "core/RecipeReport.h"
#include "core/SessionRecorder.h"
#include "core/SweepTable.h"
#include "engine/CalcTypes.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"
#include "files/WorkFile.h"

namespace dedodiz {

namespace {

void Refuse(Refusals& refusals, Field field, std::string reason) {
    refusals.push_back({std::move(field), std::move(reason)});
}

Field Option(std::string text) {
    return {FieldKind::Option, std::move(text), -1};
}

Outcome FileFailure(std::string path, const FileResult& result) {
    Outcome o;
    o.status = Status::FileError;
    o.path = std::move(path);
    o.reason = result.reason;
    o.error = result.error;
    return o;
}

// The entries of a list by table number: a name the table lacks, or one given twice (ignoring case and
// blanks, so "EGTA" and "egta" are one), is refused.
template <typename Entry, typename Find>
std::vector<int> TableNumbers(const std::vector<Entry>& entries, FieldKind kind, const ConstantsTable& table,
                              Find find, Refusals& refusals) {
    std::vector<int> numbers;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const Field field{kind, entries[k].name, static_cast<int>(k)};
        const int number = find(table, entries[k].name);
        if (number == 0) {
            refusals.push_back(UnknownName(field, table));
        } else if (const auto twice = std::find(numbers.begin(), numbers.end(), number);
                   twice != numbers.end()) {
            const std::string& first = entries[static_cast<std::size_t>(twice - numbers.begin())].name;
            Refuse(refusals, field,
                   first == entries[k].name ? "given twice" : "given twice (first as \"" + first + "\")");
        }
        numbers.push_back(number);
    }
    return numbers;
}

// A list of named values that must not name one thing twice.
void NamedOnce(const std::vector<NamedValue>& values, const std::string& list, Refusals& refusals) {
    for (std::size_t k = 0; k < values.size(); ++k)
        for (std::size_t before = 0; before < k; ++before)
            if (SameName(values[k].name, values[before].name)) {
                Refuse(refusals, Option(list + " " + values[k].name), "given twice");
                break;
            }
}

// A positive amount in [min, max] of a unit, for the recipe's volumes and stocks.
void CheckPositive(const Field& field, double value, double max, std::string_view unit, Refusals& refusals) {
    if (!std::isfinite(value)) {
        Refuse(refusals, field, "not a finite number (" + ValueText(value) + ")");
    } else if (!(value > 0)) {
        Refuse(refusals, field, "must be above 0 (" + ValueText(value) + " " + std::string(unit) + ")");
    } else if (value > max) {
        Refuse(refusals, field,
               "above " + ValueText(max) + " " + std::string(unit) + " (" + ValueText(value) + " " +
                   std::string(unit) + ")");
    }
}

// The axis of a sweep: a variable the solution has, and ends the rules of that quantity accept.
void CheckAxis(const TSolution& sol, const TAxisRange& axis, const std::string& name, Refusals& refusals) {
    const int slot = MetalSlotOfAxis(axis.Variable);
    const int code = static_cast<int>(axis.Variable);
    if (code > static_cast<int>(AxisVariable::Metal1) + kSlots - 1) {
        Refuse(refusals, Option(name), "not a variable of a sweep");
        return;
    }
    if (slot != 0 && !AxisMetalShown(sol, slot)) {
        Refuse(refusals, Option(name), "metal" + std::to_string(slot) + " is an empty metal slot");
        return;
    }
    for (const double end : {axis.Low, axis.High}) {
        Refusals found;
        switch (axis.Variable) {
            case AxisVariable::Temperature:
                CheckTemperature(end, found);
                break;
            case AxisVariable::PH:
                CheckPH(end, found);
                break;
            case AxisVariable::Ionic:
                CheckIonic(end, found);
                break;
            default:
                CheckConcentration(Option("metal" + std::to_string(slot)), end, found);
                break;
        }
        // "x axis: temperature: at or below absolute zero (-300 C)", "x axis: metal1: a concentration ..."
        for (Refusal& r : found) Refuse(refusals, Option(name), r.field.Text() + ": " + r.reason);
        if (!found.empty()) return;
    }
}

bool AllConverged(const SweepState& s) {
    if (Is3DSweep(s)) {
        for (const auto& row : s.Converged3D)
            for (const bool converged : row)
                if (!converged) return false;
        return true;
    }
    return std::all_of(s.Converged2D.begin(), s.Converged2D.end(), [](bool c) { return c; });
}

}  // namespace

std::string_view StatusWord(Status status) {
    switch (status) {
        case Status::Ran:
            return "ran";
        case Status::Refused:
            return "refused";
        case Status::Stopped:
            return "stopped";
        case Status::CannotBeMade:
            return "cannot be made";
        case Status::Fault:
            return "fault";
        case Status::FileError:
            break;
    }
    return "file error";
}

std::string Outcome::Message() const {
    switch (status) {
        case Status::Ran:
            return {};
        case Status::Refused:
            return refusals.empty() ? reason : refusals.front().Message();
        case Status::CannotBeMade:
        case Status::FileError:
            if (!reason.empty()) return reason;
            break;
        case Status::Stopped:
        case Status::Fault:
            break;
    }
    for (const ShownMessage& m : messages) {
        if (m.caption != "ERROR") continue;
        std::string text = m.text;
        std::replace(text.begin(), text.end(), '\r', ' ');
        return text;
    }
    return std::string(StatusWord(status));
}

Outcome RefusedOutcome(Refusals refusals) {
    Outcome o;
    o.status = Status::Refused;
    if (!refusals.empty()) o.reason = refusals.front().Message();
    o.refusals = std::move(refusals);
    o.converged = false;
    return o;
}

Session::Session()
    : recipe_(std::make_shared<Recipe>()),
      uncertainty_(std::make_shared<UncertaintyOutcome>()),
      calibration_(std::make_shared<Calibration>()) {
    NewCalculation(table(), selection(), calc());
    ResetSweepData(sweep());
    ResetBufferRecord(BufferRecord);
}

void Session::New() {
    NewCalculation(table(), selection(), calc());
    ResetBufferRecord(BufferRecord);
}

const std::vector<std::filesystem::path>& Session::DataFolders() {
    if (!dataFolders_) dataFolders_ = BundledDataFolders();
    return *dataFolders_;
}

void Session::SetSinks(MessageSink* messages, OutputSink* output) {
    messages_ = messages;
    output_ = output;
}

// ---- Files ----

Outcome Session::LoadConstants(const std::string& path) {
    Outcome o;
    Recorder rec(*this, o);
    if (ConstantsFileKind(path) == ConstantsKind::None) {
        const std::string reason = "Not a constants file name (.TCM or .CCM): " + path;
        rec.Message(reason, "ERROR");
        Outcome failed = FileFailure(path, {FileStatus::NotConstantsName, reason, 0});
        failed.messages = o.messages;
        return failed;
    }
    ConstantsTable read = table();
    const FileResult result = ReadConstantsFile(read, FindDataFile(path, {}, DataFolders()), rec);
    if (!result.ok()) {
        rec.Message(WithReason("Cannot Load Constants File", result.reason), "ERROR");
        Outcome failed = FileFailure(path, result);
        failed.messages = o.messages;
        return failed;
    }
    // A path too long for the table's name field is kept as the file's own name, never cut short.
    read.ConstantsFileName =
        path.size() <= FileName::max_length ? path : std::filesystem::path(path).filename().string();
    table() = read;
    return o;
}

Outcome Session::LoadBundledConstants() {
    std::string path;
    for (const std::filesystem::path& folder : DataFolders()) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / kBundledConstantsName, ec)) {
            path = (folder / kBundledConstantsName).string();
            break;
        }
    }
    if (path.empty()) {
        Outcome o =
            FileFailure(std::string(kBundledConstantsName),
                        {FileStatus::LoadFailed, "The bundled constants table is not installed", ENOENT});
        Recorder rec(*this, o);
        rec.Message(WithReason("Cannot Load Constants File", o.reason), "ERROR");
        return o;
    }
    return LoadConstants(path);
}

Outcome Session::SaveConstants(const std::string& path) {
    Outcome o;
    Recorder rec(*this, o);
    const FileResult written = WriteConstantsFile(table(), path, rec);
    if (written.ok()) return o;
    if (written.status != FileStatus::NotConstantsName)
        rec.Message(WithReason("Cannot save constants file " + path, written.reason), "ERROR");
    Outcome failed = FileFailure(path, written);
    failed.messages = o.messages;
    return failed;
}

Outcome Session::LoadWork(const std::string& path) {
    Outcome o;
    Recorder rec(*this, o);
    const WorkLoadResult loaded = LoadWorkSettings(path, table(), selection(), calc(), rec);
    if (loaded.Reset()) ResetBufferRecord(BufferRecord);
    if (loaded.Loaded()) return o;
    Outcome failed = FileFailure(path, {FileStatus::LoadFailed, loaded.reason, loaded.error});
    failed.messages = o.messages;
    return failed;
}

Outcome Session::SaveWork(const std::string& path) {
    Outcome o;
    Recorder rec(*this, o);
    const FileResult saved = SaveWorkSettings(path, ConstantsFileName.view(), selection(), calc(), rec);
    if (saved.ok()) return o;
    Outcome failed = FileFailure(path, saved);
    failed.messages = o.messages;
    return failed;
}

Outcome Session::LoadBuffers(const std::string& path) {
    Outcome o;
    Recorder rec(*this, o);
    BufferTool read = buffers();
    const BufferReadResult result = ReadBufferFile(read, FindDataFile(path, {}, DataFolders()), rec);
    if (!result.file.ok()) {
        Outcome failed = FileFailure(path, result.file);
        failed.messages = o.messages;
        return failed;
    }
    read.BufferFileName = path;
    buffers() = read;
    return o;
}

Outcome Session::LoadBundledBuffers() {
    return LoadBuffers(std::string(kBundledBufferName));
}

// ---- The solution ----

namespace {

// What a described solution holds once its names are found and its values are in mol/L, each in
// the order the caller gave it.
struct DescribedValues {
    std::vector<int> chelators, metals;
    std::vector<double> chelatorTotal, metalTotal, metalFree;
};

DescribedValues CheckDescription(const SolutionInput& e, const ConstantsTable& table, Refusals& refusals) {
    const CalcTypeInfo& type = TypeInfo(e.type);
    if (e.chelators.size() > static_cast<std::size_t>(kMaxEntries))
        Refuse(refusals, {FieldKind::Chelators, {}, -1},
               "at most six (" + std::to_string(e.chelators.size()) + " given)");
    if (e.metals.size() > static_cast<std::size_t>(kMaxEntries))
        Refuse(refusals, {FieldKind::Metals, {}, -1},
               "at most six (" + std::to_string(e.metals.size()) + " given)");
    DescribedValues v;
    v.chelators = TableNumbers(e.chelators, FieldKind::Chelator, table, &FindChelator, refusals);
    v.metals = TableNumbers(e.metals, FieldKind::Metal, table, &FindMetal, refusals);
    CheckConditions(e.temperature, e.pH, e.ionic, refusals);

    // The values by what the type reads.
    v.chelatorTotal.resize(e.chelators.size());
    v.metalTotal.resize(e.metals.size());
    v.metalFree.resize(e.metals.size());
    for (std::size_t k = 0; k < e.chelators.size(); ++k)
        v.chelatorTotal[k] = Molar({FieldKind::ChelatorTotal, e.chelators[k].name, static_cast<int>(k)},
                                   e.chelators[k].total, false, refusals);
    for (std::size_t k = 0; k < e.metals.size(); ++k) {
        const int entry = static_cast<int>(k);
        if (type.readsMetalTotal)
            v.metalTotal[k] =
                Molar({FieldKind::MetalTotal, e.metals[k].name, entry}, e.metals[k].total, false, refusals);
        if (type.readsMetalFree)
            v.metalFree[k] =
                Molar({FieldKind::MetalFree, e.metals[k].name, entry}, e.metals[k].free, true, refusals);
    }
    return v;
}

std::size_t IndexOf(const std::vector<int>& numbers, int number) {
    return static_cast<std::size_t>(std::find(numbers.begin(), numbers.end(), number) - numbers.begin());
}

// The slots hold the chosen entries in table order.
void PlaceValues(const DescribedValues& v, const Selection& chosen, CalculationType type, TSolution& sol) {
    const CalcTypeInfo& info = TypeInfo(type);
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (const int k = chosen.ChosenChelator[slot]; k != 0)
            sol.ChelTotal[slot] = v.chelatorTotal[IndexOf(v.chelators, k)];
        if (const int m = chosen.ChosenMetal[slot]; m != 0) {
            const std::size_t at = IndexOf(v.metals, m);
            if (info.readsMetalTotal) sol.MetalTotal[slot] = v.metalTotal[at];
            if (info.readsMetalFree) sol.MetalFree[slot] = v.metalFree[at];
        }
    }
}

}  // namespace

Outcome Session::Describe(const SolutionInput& e) {
    Refusals refusals;
    const DescribedValues values = CheckDescription(e, table(), refusals);
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));

    Outcome o;
    Recorder rec(*this, o);
    Selection chosen = selection();
    auto solved = std::make_unique<Calculation>(calc());
    solved->CalcType = e.type;
    TSolution& sol = solved->Solution;
    sol.Temperature = e.temperature;
    sol.PH = e.pH;
    sol.IonicEquiv = e.ionic;
    chosen.ChelatorChosen.fill(false);
    chosen.MetalChosen.fill(false);
    for (const int k : values.chelators) chosen.ChelatorChosen[k] = true;
    for (const int m : values.metals) chosen.MetalChosen[m] = true;
    if (!BuildSelection(table(), chosen, sol, rec)) {
        o.status = Status::Stopped;
        o.converged = false;
        return o;
    }
    PlaceValues(values, chosen, e.type, sol);
    selection() = chosen;
    calc() = *solved;
    return o;
}

Outcome Session::CheckSolution() const {
    Refusals refusals;
    bool any = false;
    for (int k = 1; k <= kSlots; ++k)
        any = any || Solution.ChelName[k] != kEmptyChelator || Solution.MetalName[k] != kEmptyMetal;
    if (!any) {
        Refuse(refusals, {FieldKind::Chelators, {}, -1},
               TableIsEmpty(table()) ? "no constants table is loaded" : "none chosen, and no metal either");
        return RefusedOutcome(std::move(refusals));
    }
    CheckSolutionValues(Solution, CalcType, refusals);
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));
    return {};
}

// ---- Commands ----

Outcome Session::Run(ReportPlacement placement) {
    Outcome o = CheckSolution();
    if (!o.Ran()) return o;
    Recorder rec(*this, o);
    const RunOutcome run = RunSinglePoint(calc(), ConstantsFileName.view(), placement, rec, rec, precision);
    o.status = run.status == RunStatus::Ran     ? Status::Ran
               : run.status == RunStatus::Fault ? Status::Fault
                                                : Status::Stopped;
    o.converged = run.Ran() && run.converged;
    o.refined = run.refined && run.Ran();
    o.residual = run.residual;
    if (!run.Ran()) o.report.clear();
    return o;
}

Outcome Session::Sweep(const SweepRequest& request, ReportPlacement placement) {
    Outcome o = CheckSolution();
    if (!o.Ran()) return o;
    Refusals refusals;
    CheckAxis(Solution, request.x, "x axis", refusals);
    if (request.z) CheckAxis(Solution, *request.z, "z axis", refusals);
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));
    Recorder rec(*this, o);
    // A sweep refuses what a run of its starting solution refuses, with the run's message.
    if (!CheckRunInputs(Solution, CalcType, rec)) {
        o.status = Status::Stopped;
        o.converged = false;
        return o;
    }
    XAxis = request.x;
    if (request.z) ZAxis = *request.z;
    if (!RunSweepCommand(sweep(), calc(), request.z.has_value(), rec, precision)) {
        o.status = Status::Fault;
        o.converged = false;
        return o;
    }
    o.converged = AllConverged(sweep());
    o.refined = SweepShowsRefinement(sweep());
    o.residual = WorstResidual;
    // The table is the sweep's report; the desktop program writes it to its output window only on request.
    OutputText table;
    WriteSweepTable(sweep(), placement, table);
    o.report = table.Lines();
    return o;
}

Outcome Session::Evaluate(ReportPlacement placement) {
    Outcome o;
    Refusals refusals;
    CheckConditions(Solution.Temperature, Solution.PH, Solution.IonicEquiv, refusals);
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));
    Recorder rec(*this, o);
    const bool ok = RunGuarded(rec, [&] {
        evaluation_ = ComputeChelatorEvaluation(table(), selection(), Solution);
        if (evaluation_.ok) WriteChelatorEvaluation(table(), evaluation_, Results, placement, rec);
    });
    if (!ok) o.status = Status::Fault;
    return o;
}

Outcome Session::BufferRanges(const Conditions& conditions, ReportPlacement placement) {
    Refusals refusals;
    CheckConditions(conditions.temperature, conditions.pH, conditions.ionic, refusals);
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));
    Outcome o;
    Recorder rec(*this, o);
    TSolution environment;
    environment.Temperature = conditions.temperature;
    environment.PH = conditions.pH;
    environment.IonicEquiv = conditions.ionic;
    const bool ok = RunGuarded(rec, [&] {
        ranges_ = ComputeBufferRanges(buffers(), environment);
        if (ranges_.ok) WriteBufferRanges(buffers(), ranges_, placement, rec);
    });
    if (!ok) o.status = Status::Fault;
    return o;
}

Outcome Session::List(ReportPlacement placement) {
    Outcome o;
    Recorder rec(*this, o);
    ListConstants(table(), placement, rec, rec);
    return o;
}

Outcome Session::MakeRecipe(RecipeRequest request, ReportPlacement placement, const BufferTool* bufferTable) {
    Outcome o = CheckSolution();
    if (!o.Ran()) return o;
    const BufferTool& table = bufferTable != nullptr ? *bufferTable : buffers();
    Refusals refusals;
    CheckRecipeRequest(Solution, request, refusals);
    if (!request.buffer.empty() && FindBufferSlot(table, request.buffer) == 0) {
        const std::string file =
            table.BufferFileName.empty() ? std::string("no pH buffer file") : table.BufferFileName.str();
        Refuse(refusals, Option("buffer " + request.buffer), "not in " + file);
    } else if (!request.buffer.empty()) {
        const int slot = FindBufferSlot(table, request.buffer);
        const bool anionic = table.BufferSlots[slot].anionic;
        for (const NamedForm& f : request.forms)
            if (SameName(f.name, request.buffer) &&
                !BufferForm(f.form, request.buffer, SlotValence(table, slot), anionic))
                Refuse(refusals, Option("form " + f.name),
                       "no form " + f.form + " is known; " + request.buffer + " is added as the " +
                           BufferFormsText(request.buffer, anionic));
    }
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));
    request.precision = precision;
    if (request.seriesAsPX && !request.seriesPX.empty()) {
        request.seriesFree.clear();
        for (const double px : request.seriesPX) request.seriesFree.push_back(PXLevel(px));
    }
    recipeRequest_ = request;
    Recorder rec(*this, o);
    auto made = std::make_shared<Recipe>(
        dedodiz::MakeRecipe(calc(), request.buffer.empty() ? nullptr : &table, request, rec));
    switch (made->end) {
        case RecipeEnd::Made:
            break;
        case RecipeEnd::CannotBeMade:
            o.status = Status::CannotBeMade;
            o.reason = made->cannotReason;
            std::replace(o.reason.begin(), o.reason.end(), '\r', ' ');
            break;
        case RecipeEnd::Stopped:
            o.status = Status::Stopped;
            break;
        case RecipeEnd::Fault:
            o.status = Status::Fault;
            break;
    }
    recipe_ = made;
    o.converged = made->ok && std::all_of(made->solutions.begin(), made->solutions.end(),
                                          [](const RecipeSolution& s) { return s.converged; });
    if (made->ok) WriteRecipeReport(*made, ConstantsFileName.view(), placement, rec);
    return o;
}

namespace {

std::string NoSampleConverged(const UncertaintyOutcome& outcome) {
    std::string why;
    if (outcome.notConverged > 0) why += std::to_string(outcome.notConverged) + " did not converge";
    if (outcome.faulted > 0)
        why += (why.empty() ? "" : ", ") + std::to_string(outcome.faulted) +
               " were stopped by a floating-point fault";
    return "NO SAMPLE CONVERGED\rOf " + std::to_string(outcome.samples) + " samples, " + why +
           ": there is no spread to report. Make the standard uncertainties smaller.";
}

}  // namespace

Outcome Session::Uncertainty(UncertaintyOptions options, ReportPlacement placement) {
    Outcome o = CheckSolution();
    if (!o.Ran()) return o;
    Refusals refusals;
    CheckUncertaintyOptions(Solution, options, refusals);
    if (!refusals.empty()) return RefusedOutcome(std::move(refusals));
    for (const NamedPurity& p : options.purities)
        options.inputs.purity[SolutionChelatorSlot(Solution, p.chelator)] = p.purity;
    for (const NamedContamination& c : options.contaminations)
        options.inputs.contamination[SolutionMetalSlot(Solution, c.metal)] = c.contamination;
    options.precision = precision;
    uncertaintyOptions_ = options;
    Recorder rec(*this, o);
    auto outcome = std::make_shared<UncertaintyOutcome>(RunUncertainty(calc(), options, rec));
    if (outcome->interrupted) {
        // Stopped by the user: no report and nothing kept, as if it had not been asked for.
        o.status = Status::Stopped;
        o.reason = "interrupted";
        return o;
    }
    if (outcome->Ran() && outcome->samples > 0 && outcome->Failed() == outcome->samples) {
        // Nothing to report: a spread of no samples is no result, and the shares would be of nothing.
        rec.Message(NoSampleConverged(*outcome), "ERROR");
        o.status = Status::Stopped;
        o.reason = "no sample converged";
        return o;
    }
    uncertainty_ = outcome;
    switch (outcome->status) {
        case RunStatus::Ran:
            break;
        case RunStatus::Refused:
            o.status = Status::Stopped;
            return o;
        case RunStatus::Fault:
            o.status = Status::Fault;
            return o;
    }
    o.converged = outcome->converged;
    WriteUncertaintyReport(*outcome, placement, rec);
    return o;
}

std::optional<double> Session::Value(std::string_view key) const {
    // The names and values of the CSV export: one header row and one row of values.
    const std::string csv = RunCsv(calc());
    const std::size_t end = csv.find('\n');
    if (end == std::string::npos) return std::nullopt;
    const std::string_view header(csv.data(), end);
    const std::string_view row(csv.data() + end + 1, csv.size() - end - 1);
    std::size_t h = 0, r = 0;
    while (h <= header.size() && r <= row.size()) {
        const std::size_t hEnd = std::min(header.find(',', h), header.size());
        const std::size_t rEnd = std::min(row.find_first_of(",\n", r), row.size());
        if (header.substr(h, hEnd - h) == key) return ReadDouble(row.substr(r, rEnd - r));
        h = hEnd + 1;
        r = rEnd + 1;
    }
    return std::nullopt;
}

// ---- The rules of the added computations ----

namespace {

// The forms that chelators, metals and the pH buffer are added in: each named once, each known.
void CheckRecipeForms(const TSolution& sol, const RecipeRequest& r, Refusals& refusals) {
    for (std::size_t k = 0; k < r.forms.size(); ++k) {
        const NamedForm& f = r.forms[k];
        const Field field = Option("form " + f.name);
        bool twice = false;
        for (std::size_t before = 0; before < k; ++before)
            twice = twice || SameName(r.forms[before].name, f.name);
        if (twice) {
            Refuse(refusals, field, "given twice");
            continue;
        }
        if (const int i = SolutionChelatorSlot(sol, f.name); i != 0) {
            const std::string name = sol.ChelName[i].str();
            if (!ChelatorForm(f.form, name, sol.ChelCharge[i], sol.PlusName[i]))
                Refuse(refusals, field,
                       "no form " + f.form + " is known; " + name + " is added as the " +
                           ChelatorFormsText(name, sol.ChelCharge[i], sol.PlusName[i]));
        } else if (const int j = SolutionMetalSlot(sol, f.name); j != 0) {
            const std::string name = sol.MetalName[j].str();
            if (!MetalForm(f.form, name, sol.MetalValence[j]))
                Refuse(refusals, field,
                       "no form " + f.form + " is known; " + name + " is added as " +
                           MetalFormsText(name, sol.MetalValence[j]));
        } else if (r.buffer.empty() || !SameName(r.buffer, f.name)) {
            Refuse(refusals, field, "no chelator, metal or pH buffer of that name in this solution");
        } else if (r.bufferSaltForm != 0) {
            Refuse(refusals, field, "the pH buffer's salt form is given twice (buffer form)");
        }
    }
}

// The forms, reagents, contamination, the ionic strength and osmolarity targets of a recipe.
void CheckRecipeAdditions(const TSolution& sol, const RecipeRequest& r, Refusals& refusals) {
    constexpr double kMaxOsmolarity = 10;  // [Osm/L]
    CheckRecipeForms(sol, r, refusals);
    const auto reagent = [&](const std::optional<NamedValue>& given, const char* what, bool acid) {
        if (!given) return;
        const Field field = Option(std::string(what) + " " + given->name);
        const std::optional<AddedForm> form = PHReagent(given->name);
        if (!form || IsAcid(*form) != acid)
            Refuse(refusals, field,
                   std::string("not a known ") + what + "; those known are " + PHReagentNames());
        CheckPositive(field, given->value, kMaxConcentration, "M", refusals);
    };
    reagent(r.base, "base", false);
    reagent(r.acid, "acid", true);
    if (r.topup && !OneToOneSalt(r.topup->name))
        Refuse(refusals, Option("topup " + r.topup->name),
               "not a 1:1 salt of a known cation; the cations known are " + CationNames());
    if (r.ionicStrengthTarget) {
        CheckPositive(Option("ionic strength target"), *r.ionicStrengthTarget, kMaxIonic, "M", refusals);
        if (!r.topup) Refuse(refusals, Option("ionic strength target"), "needs a top-up salt (topup)");
        if (r.ionicTarget)
            Refuse(refusals, Option("ionic strength target"),
                   "the top-up aims at one target: give the ionic target or the ionic strength target");
    }
    if (r.osmolyte) {
        const Field field = Option("osmolyte " + r.osmolyte->name);
        if (!Osmolyte(r.osmolyte->name))
            Refuse(refusals, field, "not a known osmolyte; those known are " + OsmolyteNames());
        CheckPositive(field, r.osmolyte->value, kMaxConcentration, "M", refusals);
        if (!r.osmolarityTarget) Refuse(refusals, field, "needs an osmolarity target");
    }
    if (r.osmolarityTarget) {
        CheckPositive(Option("osmolarity target"), *r.osmolarityTarget, kMaxOsmolarity, "Osm/L", refusals);
        if (!r.osmolyte) Refuse(refusals, Option("osmolarity target"), "needs an osmolyte stock (osmolyte)");
    }
    NamedOnce(r.contamination, "contamination", refusals);
    for (const NamedValue& c : r.contamination) {
        const Field field = Option("contamination " + c.name);
        if (SolutionMetalSlot(sol, c.name) == 0)
            Refuse(refusals, field, "no metal of that name in this solution");
        else
            CheckConcentration(field, c.value, refusals);
    }
}

}  // namespace

// A positive amount that also must not lie below what can be handled at the bench.
void CheckBenchAmount(const Field& field, double value, double min, double max, std::string_view unit,
                      std::string_view why, Refusals& refusals) {
    const std::size_t before = refusals.size();
    CheckPositive(field, value, max, unit, refusals);
    if (refusals.size() == before && value < min)
        Refuse(refusals, field,
               "below " + ValueText(min) + " " + std::string(unit) + " (" + ValueText(value) + " " +
                   std::string(unit) + "): " + std::string(why));
}

void CheckRecipeRequest(const TSolution& sol, const RecipeRequest& r, Refusals& refusals) {
    constexpr double kMaxVolume = 1000;  // [L]
    constexpr double kMinVolume = 1e-9;  // [L] a nanolitre
    constexpr double kMinStock = 1e-12;  // [mol/L] a picomolar stock
    CheckBenchAmount(Option("volume"), r.volume, kMinVolume, kMaxVolume, "L", "too little to make", refusals);
    if (const std::optional<UnknownRecipeName> unknown = FindUnknownName(sol, r))
        Refuse(refusals, Option(unknown->list + " " + unknown->name), unknown->reason);
    NamedOnce(r.stocks, "stock", refusals);
    NamedOnce(r.purity, "purity", refusals);
    for (const NamedValue& stock : r.stocks)
        CheckBenchAmount(Option("stock " + stock.name), stock.value, kMinStock, kMaxConcentration, "M",
                         "too dilute for any volume", refusals);
    for (const NamedValue& p : r.purity)
        if (!(p.value > 0 && p.value <= 1))
            Refuse(refusals, Option("purity " + p.name),
                   "must lie above 0 and at most 1 (100 %) (" + ValueText(p.value) + ")");
    if (!r.buffer.empty())
        CheckPositive(Option("buffer " + r.buffer), r.bufferConc, kMaxConcentration, "M", refusals);
    if (r.topup)
        CheckPositive(Option("topup " + r.topup->name), r.topup->value, kMaxConcentration, "M", refusals);
    if (r.ionicTarget) CheckPositive(Option("ionic target"), *r.ionicTarget, kMaxIonic, "N", refusals);
    if (r.ionicTarget && !r.topup) Refuse(refusals, Option("ionic target"), "needs a top-up salt (topup)");
    CheckRecipeAdditions(sol, r, refusals);
    for (const double px : r.seriesPX)
        if (!(px >= 0 && px <= kMaxPX)) {
            Refuse(refusals, Option("series"),
                   "a pX must lie between 0 and " + ValueText(kMaxPX) + " (" + ValueText(px) + ")");
            break;
        }
    for (const double free : r.seriesFree) {
        const std::size_t before = refusals.size();
        CheckPositive(Option("series"), free, kMaxConcentration, "M", refusals);
        if (refusals.size() > before) break;
    }
    if (r.seriesFree.size() + r.seriesPX.size() > kMaxSeries)
        Refuse(refusals, Option("series"), "at most " + std::to_string(kMaxSeries) + " solutions");
    if (!r.seriesMetal.empty() && SolutionMetalSlot(sol, r.seriesMetal) == 0)
        Refuse(refusals, Option("series " + r.seriesMetal),
               SolutionChelatorSlot(sol, r.seriesMetal) != 0
                   ? "a chelator: the series is of wanted free levels of a metal of this solution"
                   : "no metal of that name in this solution");
    if (r.buffer.empty() && r.bufferSaltForm != 0)
        Refuse(refusals, Option("buffer form"), "needs a pH buffer (buffer)");
    if (r.mixing && r.seriesMetal.empty()) Refuse(refusals, Option("mix"), "needs a series");
    if (r.mixVolume && !r.mixing) Refuse(refusals, Option("mix volume"), "needs the mixing method (mix)");
    if (r.mixing && r.mixVolume) CheckPositive(Option("mix volume"), *r.mixVolume, kMaxVolume, "L", refusals);
}

void CheckUncertaintyOptions(const TSolution& sol, const UncertaintyOptions& options, Refusals& refusals) {
    const UncertaintyInputs& u = options.inputs;
    const std::pair<const char*, double> sds[] = {
        {"pH sd", u.pHSd},           {"temperature sd", u.temperatureSd},
        {"ionic rsd", u.ionicRsd},   {"log K H sd", u.logKHSd},
        {"log K ML sd", u.logKMLSd}, {"log K MHL sd", u.logKMHLSd},
        {"dH rsd", u.enthalpyRsd},   {"total rsd", u.totalRsd}};
    for (const auto& [name, sd] : sds)
        if (!(std::isfinite(sd) && sd >= 0))
            Refuse(refusals, Option(name), "a standard uncertainty is 0 or more (" + ValueText(sd) + ")");
    if (options.samples < 1 || options.samples > kMaxUncertaintySamples)
        Refuse(refusals, Option("samples"),
               "must lie between 1 and " + std::to_string(kMaxUncertaintySamples) + " (" +
                   std::to_string(options.samples) + ")");
    if (options.threads < 0) Refuse(refusals, Option("threads"), "0 (all of the machine's) or more");
    for (std::size_t k = 0; k < options.purities.size(); ++k) {
        const NamedPurity& p = options.purities[k];
        const Field field = Option("purity " + p.chelator);
        if (SolutionChelatorSlot(sol, p.chelator) == 0) {
            Refuse(refusals, field, "no chelator of that name in this solution");
            continue;
        }
        bool twice = false;
        for (std::size_t before = 0; before < k; ++before)
            twice = twice || SameName(options.purities[before].chelator, p.chelator);
        if (twice) Refuse(refusals, field, "given twice");
        if (!(p.purity.fraction > 0 && p.purity.fraction <= 1))
            Refuse(refusals, field,
                   "the fraction must lie above 0 and at most 1 (" + ValueText(p.purity.fraction) + ")");
        if (!(std::isfinite(p.purity.sd) && p.purity.sd >= 0))
            Refuse(refusals, field, "the uncertainty must be 0 or more (" + ValueText(p.purity.sd) + ")");
    }
    for (std::size_t k = 0; k < options.contaminations.size(); ++k) {
        const NamedContamination& c = options.contaminations[k];
        const Field field = Option("contamination " + c.metal);
        if (SolutionMetalSlot(sol, c.metal) == 0) {
            Refuse(refusals, field, "no metal of that name in this solution");
            continue;
        }
        bool twice = false;
        for (std::size_t before = 0; before < k; ++before)
            twice = twice || SameName(options.contaminations[before].metal, c.metal);
        if (twice) Refuse(refusals, field, "given twice");
        CheckConcentration(field, c.contamination.conc, refusals);
        if (!(std::isfinite(c.contamination.sd) && c.contamination.sd >= 0))
            Refuse(refusals, field,
                   "the uncertainty must be 0 or more (" + ValueText(c.contamination.sd) + ")");
    }
}

}  // namespace dedodiz
