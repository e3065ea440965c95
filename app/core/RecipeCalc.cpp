// SPDX-License-Identifier: BSD-3-Clause
#include "core/RecipeCalc.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "buffers/BufferCalc.h"
#include "core/RecipeInput.h"
#include "core/RecipeMaker.h"
#include "core/Rules.h"
#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "engine/Point.h"
#include "engine/Solver.h"

namespace dedodiz {

namespace {

// The value given for a name, the last one when it is given twice.
std::optional<double> ValueOf(const std::vector<NamedValue>& values, std::string_view name) {
    std::optional<double> found;
    for (const NamedValue& v : values)
        if (SameName(v.name, name)) found = v.value;
    return found;
}

bool Positive(double x) {
    return x > 0 && std::isfinite(x);
}

std::string VolumeText(double litres) {
    return FigureText(litres * 1e3, 3) + " mL";
}

}  // namespace

std::optional<UnknownRecipeName> FindUnknownName(const TSolution& sol, const RecipeRequest& request) {
    const auto inSolution = [&](const std::string& name, bool chelatorsOnly) {
        return SolutionChelatorSlot(sol, name) != 0 || (!chelatorsOnly && SolutionMetalSlot(sol, name) != 0);
    };
    for (const NamedValue& s : request.stocks)
        if (!inSolution(s.name, false) && !(!request.buffer.empty() && SameName(request.buffer, s.name)))
            return UnknownRecipeName{"stock", s.name,
                                     "no chelator, metal or pH buffer of that name in this solution"};
    for (const NamedValue& p : request.purity)
        if (!inSolution(p.name, true))
            return UnknownRecipeName{"purity", p.name, "no chelator of that name in this solution"};
    if (!request.seriesMetal.empty() && !inSolution(request.seriesMetal, false))
        return UnknownRecipeName{"series", request.seriesMetal, "no metal of that name in this solution"};
    return std::nullopt;
}

int FindBufferSlot(const BufferTool& buffers, std::string_view name) {
    if (name.find_first_not_of(' ') == std::string_view::npos) return 0;
    for (int k = 1; k <= kBufferSlots; ++k)
        if (buffers.BufferSlots[k].Name.view() == name) return k;
    for (int k = 1; k <= kBufferSlots; ++k)
        if (SameName(buffers.BufferSlots[k].Name.view(), name)) return k;
    return 0;
}

namespace recipe {

namespace {

// ln(free / wanted), -infinity for no free metal at all (a logarithm of 0 would be a fault).
double LogRatio(double free, double wanted) {
    return free > 0 ? std::log(free / wanted) : -std::numeric_limits<double>::infinity();
}

}  // namespace

Maker::Maker(const Calculation& calc, const BufferTool* buffers, const RecipeRequest& request,
             MessageSink& messages)
    : request_(request), messages_(messages), type_(calc.CalcType), base_(calc.Solution) {
    if (buffers != nullptr) buffers_ = *buffers;
    lastIonic_ = base_.IonicEquiv > 0 ? base_.IonicEquiv : kReferenceIonic;
}

void Maker::Check() {
    const RecipeRequest& r = request_;
    if (!Positive(r.volume)) throw CannotMake{"The volume must be above 0"};
    if (!r.buffer.empty()) {
        bufferSlot_ = FindBufferSlot(buffers_, r.buffer);
        if (bufferSlot_ == 0) throw CannotMake{"No pH buffer named " + r.buffer + " in the buffer table"};
        if (!Positive(r.bufferConc)) throw CannotMake{"The concentration of the pH buffer must be above 0 M"};
        if (r.bufferSaltForm > 3)
            throw CannotMake{"The pH buffer is added as the free form or a salt of 1 to 3"};
    }
    for (const NamedValue& stock : r.stocks) {
        const bool known = SolutionChelatorSlot(base_, stock.name) != 0 ||
                           SolutionMetalSlot(base_, stock.name) != 0 ||
                           (!r.buffer.empty() && SameName(stock.name, r.buffer));
        if (!known)
            throw CannotMake{"A stock is given for " + stock.name +
                             ", which is neither a chelator or metal of this solution nor its pH buffer"};
        if (!Positive(stock.value)) throw CannotMake{"The stock of " + stock.name + " must be above 0 M"};
    }
    for (const NamedValue& purity : r.purity) {
        if (SolutionChelatorSlot(base_, purity.name) == 0)
            throw CannotMake{"A purity is given for " + purity.name +
                             ", which is no chelator of this solution"};
        if (!(purity.value > 0 && purity.value <= 1))
            throw CannotMake{"The purity of " + purity.name + " must lie above 0 and at most 1 (100 %)"};
    }
    if (r.topup) {
        // Which names are 1:1 salts (KMeSO3 and KNO3 carry a digit) is for ResolveReagents to say.
        if (r.topup->name.empty()) throw CannotMake{"The top-up salt must be a 1:1 salt such as KCl or NaCl"};
        if (!Positive(r.topup->value))
            throw CannotMake{"The stock of " + r.topup->name + " must be above 0 M"};
        topup_ = true;
        if (r.ionicTarget && r.ionicStrengthTarget)
            throw CannotMake{
                "The top-up salt aims at one target: the ionic equivalents or the ionic strength"};
        strengthTarget_ = r.ionicStrengthTarget.has_value();
        target_ = strengthTarget_ ? *r.ionicStrengthTarget : r.ionicTarget.value_or(base_.IonicEquiv);
        if (!Positive(target_))
            throw CannotMake{std::string("The ionic strength target must be above 0 ") +
                             (strengthTarget_ ? "M" : "N")};
    } else if (r.ionicTarget || r.ionicStrengthTarget) {
        throw CannotMake{"No top-up salt stock is given to bring the ionic strength to the target"};
    }
    CheckAdditions();
    ResolveForms();
    CheckSeries();
    // The run's own checks (constants and enthalpies present, type Chelator's totals above the free levels).
    if (!CheckRunInputs(WithLevel(r.seriesFree.empty() ? std::nullopt : std::optional(r.seriesFree[0])),
                        type_, messages_))
        throw CannotMake{};
    if (bufferSlot_ != 0) CheckBuffer();
    if (base_.PH < 4.0 || base_.PH > 10.0)
        messages_.Message("pH out of range, results probably not valid", "WARNING");
}

void Maker::CheckAdditions() {
    const RecipeRequest& r = request_;
    if (r.osmolarityTarget && !r.osmolyte)
        throw CannotMake{"No osmolyte stock is given to bring the osmolarity to the target"};
    if (r.osmolyte && !(r.osmolarityTarget && Positive(*r.osmolarityTarget)))
        throw CannotMake{"The osmolyte " + r.osmolyte->name + " needs an osmolarity target above 0"};
    if (r.osmolyte && !Positive(r.osmolyte->value))
        throw CannotMake{"The stock of " + r.osmolyte->name + " must be above 0 M"};
    for (const std::optional<NamedValue>* reagent : {&r.base, &r.acid})
        if (*reagent && !Positive((*reagent)->value))
            throw CannotMake{"The stock of " + (*reagent)->name + " must be above 0 M"};
    for (const NamedValue& c : r.contamination)
        if (!(c.value >= 0 && std::isfinite(c.value)))
            throw CannotMake{"The contamination by " + c.name + " must be 0 M or more"};
}

void Maker::CheckSeries() {
    const RecipeRequest& r = request_;
    if (r.seriesMetal.empty()) {
        if (!r.seriesFree.empty()) throw CannotMake{"A series needs the metal whose free levels it gives"};
        if (r.mixing) throw CannotMake{"The mixing method needs a series of wanted free levels"};
        return;
    }
    seriesSlot_ = SolutionMetalSlot(base_, r.seriesMetal);
    if (seriesSlot_ == 0) throw CannotMake{"The series metal " + r.seriesMetal + " is not in this solution"};
    if (r.seriesFree.empty()) throw CannotMake{"The series of " + r.seriesMetal + " holds no free level"};
    for (double free : r.seriesFree)
        if (!Positive(free)) throw CannotMake{"Every wanted free level of a series must be above 0 M"};
    const std::string first = base_.MetalName[1].str();
    if (type_ == CalculationType::Chelator && seriesSlot_ != 1)
        throw CannotMake{"In type Chelator only the first metal (" + first +
                         ") is held at its free level:\ra series must be of " + first};
    if (!r.mixing) return;
    if (type_ == CalculationType::Chelator)
        throw CannotMake{
            "The mixing method mixes two solutions of the same chelator,\rbut in type Chelator the chelator "
            "is what the calculation computes:\ruse type Total or Free for it"};
    if (!Positive(base_.ChelTotal[1]))
        throw CannotMake{"The mixing method loads the first chelator with " + r.seriesMetal +
                         ":\rits total must be above 0 M"};
    if (r.mixVolume && !(*r.mixVolume > 0 && std::isfinite(*r.mixVolume)))
        throw CannotMake{"The volume of a mix must be above 0"};
}

void Maker::CheckBuffer() {
    // Its messages are shown once, here; the buffer's checks stop the recipe as they stop the calculator.
    TBufferRecord& rec = buffers_.BufferRecord;
    rec.Temperature = base_.Temperature;
    rec.PH = base_.PH;
    rec.Ionic = topup_ ? target_ : lastIonic_;
    rec.SaltForm = request_.bufferSaltForm;
    rec.BufferAmount = request_.bufferConc;
    MessageKeeper shown;
    const bool ok = CalcBufferIonic(buffers_, bufferSlot_, shown).ok;
    for (const ShownMessage& m : shown.Messages())
        if (m.text != "ionic contribution greater than total ions") messages_.Message(m.text, m.caption);
    if (!ok) throw CannotMake{};
}

TSolution Maker::WithLevel(std::optional<double> wanted) const {
    TSolution sol = base_;
    if (wanted && type_ != CalculationType::Free) sol.MetalFree[seriesSlot_] = *wanted;
    return sol;
}

Point Maker::SolveAt(const TSolution& sol, CalculationType type, double I) {
    Calculation& c = scratch_;
    c.Solution = sol;
    c.Solution.IonicEquiv = I;
    c.CalcType = type;
    PrepareWork(c.Solution, c.WorkSolution);
    SolvePoint(c, request_.precision);
    const TSolution& w = c.WorkSolution;
    Point p;
    p.chelTotal = w.ChelTotal;
    p.chelFree = w.ChelFree;
    p.metalTotal = w.MetalTotal;
    p.metalFree = w.MetalFree;
    p.fraction = c.Results.ProtFraction;
    p.ml = c.Results.MLConc;
    p.mhl = c.Results.MHLConc;
    p.hydrogen = c.Results.HydrogenConc;
    p.charge = c.Results.SolutionCharge;
    p.ionicM = c.Results.SolutionIonic;
    p.converged = c.Results.Converged;
    return p;
}

Point Maker::SolveMade(const TSolution& sol, double I, std::optional<double> wanted) {
    switch (type_) {
        case CalculationType::Total:
            return SolveAt(sol, CalculationType::Total, I);
        case CalculationType::Chelator: {
            // Only the first metal's balance is solved: the solution as pipetted is solved again.
            const Point computed = SolveAt(sol, CalculationType::Chelator, I);
            TSolution made = sol;
            made.ChelTotal = computed.chelTotal;
            Point p = SolveAt(made, CalculationType::Free, I);
            p.converged = p.converged && computed.converged;
            return p;
        }
        case CalculationType::Free:
            break;
    }
    if (!wanted) return SolveAt(sol, CalculationType::Free, I);
    return SearchTotal(sol, I, *wanted);
}

Point Maker::SearchTotal(const TSolution& sol, double I, double wanted) {
    // The total lies between the free level itself and the free level with every chelator bound to it.
    const int x = seriesSlot_;
    double chelators = 0;
    for (int i = 1; i <= kSlots; ++i) chelators += std::max(sol.ChelTotal[i], 0.0);
    TSolution trial = sol;
    const auto solve = [&](double logTotal) {
        trial.MetalTotal[x] = std::exp(logTotal);
        return SolveAt(trial, CalculationType::Free, I);
    };
    const double lo = std::log(wanted);
    const double hi = std::log(wanted + chelators);
    if (!(hi > lo)) return solve(lo);
    const auto f = [&](double logTotal) { return LogRatio(solve(logTotal).metalFree[x], wanted); };
    return solve(FindRoot(f, lo, f(lo), hi, f(hi), Tolerance(), 1e-13));
}

RecipeSolution Maker::Row(const Settled& s, double wanted) const {
    RecipeSolution row;
    row.wanted = wanted;
    row.chelTotal = s.point.chelTotal;
    row.chelFree = s.point.chelFree;
    row.metalTotal = s.point.metalTotal;
    row.metalFree = s.point.metalFree;
    row.bufferConc = bufferSlot_ != 0 ? share_ * request_.bufferConc : 0;
    row.saltConc = s.salt;
    row.base = s.count.base;
    row.osmolyteConc = s.osmolyte;
    row.ions = s.count.ions;
    row.ionicStrength = s.count.strength;
    row.osmolarity = s.count.osmolarity;
    row.chargeBalance = s.count.chargeBalance;
    row.ionicComplexes = s.point.charge;
    row.ionicComplexesM = s.point.ionicM;
    row.ionic = s.ionic;
    row.ionicPasses = s.passes;
    row.converged = s.point.converged && s.settled;
    return row;
}

std::string Maker::Label(std::size_t index) const {
    if (request_.seriesFree.empty()) return "the solution";
    const double wanted = request_.seriesFree[index];
    const std::string metal = base_.MetalName[seriesSlot_].str();
    const std::string level = request_.seriesAsPX ? PXName(metal) + " " + FigureText(PXOf(wanted), 2)
                                                  : ScientificText(wanted, 2) + " M free " + metal;
    return "solution " + std::to_string(index + 1) + " (" + level + ")";
}

void Maker::Direct(Recipe& recipe) {
    const std::vector<double>& levels = request_.seriesFree;
    const std::size_t count = levels.empty() ? 1 : levels.size();
    for (std::size_t k = 0; k < count; ++k) {
        if (request_.stop && request_.stop()) throw CannotMake{};  // stopped by the user: no reason to show
        const std::optional<double> wanted = levels.empty() ? std::nullopt : std::optional(levels[k]);
        const TSolution sol = WithLevel(wanted);
        if (type_ == CalculationType::Chelator && sol.MetalTotal[1] < sol.MetalFree[1])
            throw CannotMake{"Total metal cannot be < free metal:\r" + Label(k)};
        const Settled s = Settle([&](double I) { return SolveMade(sol, I, wanted); }, std::nullopt, Label(k));
        recipe.solutions.push_back(Row(s, wanted.value_or(0)));
    }
}

void Maker::AddIngredients(Recipe& recipe, const std::vector<RecipeSolution>& rows) const {
    const auto stock = [&](std::string_view name, std::string_view what) -> std::optional<double> {
        const std::optional<double> given = ValueOf(request_.stocks, name);
        if (!given && !what.empty()) throw CannotMake{"No stock is given for " + std::string(what)};
        return given;
    };
    const auto add = [&](IngredientKind kind, std::string name, int slot, double largest, std::string form) {
        const std::optional<double> given = stock(name, largest > 0 ? name : "");
        if (!given) return;
        const double purity =
            kind == IngredientKind::Chelator ? ValueOf(request_.purity, name).value_or(1.0) : 1.0;
        recipe.ingredients.push_back({kind, std::move(name), slot, *given, purity, std::move(form)});
    };
    for (int i = 1; i <= kSlots; ++i) {
        if (base_.ChelName[i] == kEmptyChelator) continue;
        double largest = 0;
        for (const RecipeSolution& row : rows) largest = std::max(largest, row.chelTotal[i]);
        add(IngredientKind::Chelator, base_.ChelName[i].str(), i, largest, chelForm_[i].text);
    }
    for (int j = 1; j <= kSlots; ++j) {
        if (base_.MetalName[j] == kEmptyMetal) continue;
        double largest = 0;
        for (const RecipeSolution& row : rows)
            largest = std::max(largest, row.metalTotal[j] - contamination_[j]);
        add(IngredientKind::Metal, base_.MetalName[j].str(), j, largest, metalForm_[j].text);
    }
    if (bufferSlot_ != 0) {
        const std::optional<double> given = stock(request_.buffer, "the pH buffer " + request_.buffer);
        recipe.ingredients.push_back(
            {IngredientKind::Buffer, request_.buffer, 0, *given, 1.0, bufferForm_.text});
    }
    if (topup_)
        recipe.ingredients.push_back(
            {IngredientKind::Salt, request_.topup->name, 0, request_.topup->value, 1.0, {}});
    // The base and the acid where a solution needs them; below a picomolar the pH is as good as set.
    constexpr double kNone = 1e-12;  // [mol/L]
    bool base = false, acid = false;
    for (const RecipeSolution& row : rows) {
        base = base || row.base > kNone;
        acid = acid || row.base < -kNone;
    }
    if (recipe.mixing)
        for (const RecipeSolution& mix : recipe.solutions) {
            base = base || mix.mixBase * recipe.mixVolume > kNone * request_.volume;
            acid = acid || mix.mixBase * recipe.mixVolume < -kNone * request_.volume;
        }
    if (base)
        recipe.ingredients.push_back(
            {IngredientKind::Base, baseForm_.text, 0, request_.base ? request_.base->value : 1.0, 1.0, {}});
    if (acid)
        recipe.ingredients.push_back(
            {IngredientKind::Acid, acidForm_.text, 0, request_.acid ? request_.acid->value : 1.0, 1.0, {}});
    if (osmTarget_ > 0)
        recipe.ingredients.push_back(
            {IngredientKind::Osmolyte, osmolyte_, 0, request_.osmolyte->value, 1.0, {}});
}

double Maker::Pipetted(const RecipeIngredient& in, const RecipeSolution& row) const {
    switch (in.kind) {
        case IngredientKind::Chelator:
            return row.chelTotal[in.slot];
        case IngredientKind::Metal:
            return row.metalTotal[in.slot] - contamination_[in.slot];
        case IngredientKind::Buffer:
            return row.bufferConc;
        case IngredientKind::Salt:
            return row.saltConc;
        case IngredientKind::Base:
            return std::max(row.base, 0.0);
        case IngredientKind::Acid:
            return std::max(-row.base, 0.0);
        case IngredientKind::Osmolyte:
            break;
    }
    return row.osmolyteConc;
}

void Maker::Pipette(Recipe& recipe) {
    std::vector<RecipeSolution>& rows = recipe.mixing ? recipe.ends : recipe.solutions;
    const auto label = [&](std::size_t k) {
        return !recipe.mixing ? Label(k)
               : k == 0       ? "the end solution without " + base_.MetalName[seriesSlot_].str()
                              : std::string("the loaded end solution");
    };
    // A tube that needs less of a metal than the contamination brings cannot be made.
    for (std::size_t k = 0; k < rows.size(); ++k)
        for (int j = 1; j <= kSlots; ++j)
            if (contamination_[j] > 0 && rows[k].metalTotal[j] < contamination_[j] * (1 - Tolerance()))
                throw CannotMake{"The contamination alone exceeds what " + label(k) + " holds:\r" +
                                 ScientificText(contamination_[j], 2) + " M " + base_.MetalName[j].str() +
                                 " against " + ScientificText(rows[k].metalTotal[j], 2) + " M in all"};
    AddIngredients(recipe, rows);
    const double total = request_.volume * 1e6;  // [uL]
    bool tiny = false;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        RecipeSolution& row = rows[k];
        double used = 0;
        for (const RecipeIngredient& in : recipe.ingredients) {
            const double v = std::max(Pipetted(in, row), 0.0) * total / (in.stock * in.purity);
            if (v > 0 && v < 1) tiny = true;
            if ((in.kind == IngredientKind::Base || in.kind == IngredientKind::Acid) && v > total)
                throw CannotMake{"The " + in.name + " that sets the pH exceeds the volume:\r" + label(k) +
                                 " needs " + VolumeText(v * 1e-6) + " of " + in.name + " " +
                                 ScientificText(in.stock, 2) + " M"};
            row.volumes.push_back(v);
            used += v;
        }
        row.water = total - used;
        if (row.water < -1e-9 * total)
            throw CannotMake{"The stocks are too dilute for " + VolumeText(request_.volume) + ":\r" +
                             label(k) + " needs " + VolumeText(used * 1e-6) + " of them"};
        row.water = std::max(row.water, 0.0);
    }
    const auto small = [](double microlitres) { return microlitres > 0 && microlitres < 1; };
    // A mix is pipetted from the two ends and the base (or acid) it needs beside theirs.
    if (recipe.mixing)
        for (RecipeSolution& mix : recipe.solutions) {
            mix.volumes.assign(recipe.ingredients.size(), 0.0);
            for (std::size_t k = 0; k < recipe.ingredients.size(); ++k) {
                const RecipeIngredient& in = recipe.ingredients[k];
                const double needs = in.kind == IngredientKind::Base   ? mix.mixBase
                                     : in.kind == IngredientKind::Acid ? -mix.mixBase
                                                                       : 0;
                if (needs > 0) mix.volumes[k] = needs * recipe.mixVolume * 1e6 / in.stock;
                tiny = tiny || small(mix.volumes[k]);
            }
            tiny = tiny || small(mix.loadedVolume) || small(mix.unloadedVolume);
        }
    if (tiny)
        messages_.Message("Some volumes are below 1 uL:\ra more dilute stock is pipetted more accurately",
                          "INFORMATION");
}

}  // namespace recipe

Recipe MakeRecipe(const Calculation& calc, const BufferTool* buffers, const RecipeRequest& request,
                  MessageSink& shown) {
    MessageLog messages(shown);
    Recipe recipe;
    recipe.type = calc.CalcType;
    recipe.base = calc.Solution;
    recipe.volume = request.volume;
    recipe.refined = request.precision == Precision::Exact;
    recipe.bufferName = request.buffer;
    recipe.bufferSaltForm = request.bufferSaltForm;
    recipe.seriesAsPX = request.seriesAsPX;
    recipe.mixing = request.mixing;
    bool made = false;
    const bool guarded = RunGuarded(messages, [&] {
        try {
            recipe::Maker maker(calc, buffers, request, messages);
            maker.Check();
            recipe.topup = maker.topup_;
            recipe.ionicTarget = maker.target_;
            recipe.strengthTarget = maker.strengthTarget_;
            recipe.osmolarityTarget = maker.osmTarget_;
            recipe.contamination = maker.contamination_;
            recipe.baseName = maker.baseForm_.text;
            recipe.acidName = maker.acidForm_.text;
            recipe.seriesSlot = maker.seriesSlot_;
            if (request.mixing) {
                maker.Mix(recipe);
            } else {
                maker.Direct(recipe);
            }
            maker.Pipette(recipe);
            made = true;
        } catch (const recipe::CannotMake& stop) {
            if (!stop.reason.empty()) messages.Message("CANNOT BE MADE\r" + stop.reason, "ERROR");
            recipe.cannotReason = stop.reason;
        }
    });
    recipe.ok = guarded && made;
    recipe.end = !guarded                      ? RecipeEnd::Fault
                 : made                        ? RecipeEnd::Made
                 : recipe.cannotReason.empty() ? RecipeEnd::Stopped
                                               : RecipeEnd::CannotBeMade;
    if (!recipe.ok) {
        recipe.ingredients.clear();
        recipe.ends.clear();
        recipe.solutions.clear();
    } else {
        std::string failed;
        for (std::size_t k = 0; k < recipe.solutions.size(); ++k)
            if (!recipe.solutions[k].converged)
                failed += (failed.empty() ? "" : ", ") + std::to_string(k + 1);
        for (std::size_t k = 0; k < recipe.ends.size(); ++k)
            if (!recipe.ends[k].converged)
                failed += (failed.empty() ? "" : ", ") + std::string(k == 0 ? "A" : "B");
        if (!failed.empty())
            messages.Message(
                "CONVERGENCE NOT REACHED\rThe values of these solutions are not valid: " + failed,
                "DIFFICULTY");
    }
    recipe.messages = messages.Messages();
    return recipe;
}

}  // namespace dedodiz
