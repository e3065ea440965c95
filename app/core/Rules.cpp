// SPDX-License-Identifier: BSD-3-Clause
#include "core/Rules.h"

#include <cctype>
#include <cmath>
#include <filesystem>

#include "core/RecipeInput.h"
#include "engine/CalcTypes.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

std::string Lower(std::string_view s) {
    std::string t(s);
    for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return t;
}

// The name without blanks and without the '+' that marks a cationic chelator, in lower case.
std::string Bare(std::string_view s) {
    std::string t;
    for (const char ch : s)
        if (ch != ' ' && ch != '+') t += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return t;
}

template <typename NameOf>
int FindName(std::string_view wanted, int count, std::string_view marker, NameOf nameOf) {
    if (wanted.empty() || wanted == marker) return 0;
    for (int k = 1; k <= count; ++k)
        if (nameOf(k) == wanted) return k;
    for (int k = 1; k <= count; ++k)
        if (nameOf(k) != marker && Lower(nameOf(k)) == Lower(wanted)) return k;
    const std::string bare = Bare(wanted);
    if (bare.empty()) return 0;
    int found = 0;
    for (int k = 1; k <= count; ++k) {
        if (nameOf(k) == marker || Bare(nameOf(k)) != bare) continue;
        if (found != 0) return 0;  // two entries read alike: the user must say which
        found = k;
    }
    return found;
}

template <typename NameOf>
std::string Names(int count, std::string_view marker, NameOf nameOf) {
    std::string list;
    for (int k = 1; k <= count; ++k) {
        const std::string_view name = nameOf(k);
        if (name == marker || name.empty()) continue;
        if (!list.empty()) list += ", ";
        list += name;
    }
    return list.empty() ? "none" : list;
}

void Refuse(Refusals& refusals, const Field& field, std::string reason) {
    refusals.push_back({field, std::move(reason)});
}

Field Condition(FieldKind kind) {
    return {kind, {}, -1};
}

Field Option(std::string text) {
    return {FieldKind::Option, std::move(text), -1};
}

// A number that must be finite and lie in [low, high].
bool Finite(const Field& field, double value, Refusals& refusals) {
    if (std::isfinite(value)) return true;
    Refuse(refusals, field, "not a finite number (" + ValueText(value) + ")");
    return false;
}

}  // namespace

std::string Field::Text() const {
    switch (kind) {
        case FieldKind::Type:
            return "calculation type";
        case FieldKind::Temperature:
            return "temperature";
        case FieldKind::PH:
            return "pH";
        case FieldKind::Ionic:
            return "ionic strength";
        case FieldKind::Chelators:
            return "chelators";
        case FieldKind::Metals:
            return "metals";
        case FieldKind::Chelator:
            return "chelator " + name;
        case FieldKind::ChelatorTotal:
            return "chelator " + name + " total";
        case FieldKind::Metal:
            return "metal " + name;
        case FieldKind::MetalTotal:
            return "metal " + name + " total";
        case FieldKind::MetalFree:
            return "metal " + name + " free";
        case FieldKind::Option:
            break;
    }
    return name;
}

std::string ValueText(double x) {
    if (std::isnan(x)) return "nan";
    if (std::isinf(x)) return x > 0 ? "inf" : "-inf";
    return ShortestText(x);
}

void CheckTemperature(double t, Refusals& refusals) {
    const Field field = Condition(FieldKind::Temperature);
    if (!Finite(field, t, refusals)) return;
    if (t <= kAbsoluteZero)
        Refuse(refusals, field, "at or below absolute zero (" + ValueText(t) + " C)");
    else if (t > kMaxTemperature)
        Refuse(refusals, field, "above " + ValueText(kMaxTemperature) + " C (" + ValueText(t) + " C)");
}

void CheckPH(double pH, Refusals& refusals) {
    const Field field = Condition(FieldKind::PH);
    if (!Finite(field, pH, refusals)) return;
    if (pH < kMinPH || pH > kMaxPH)
        Refuse(refusals, field,
               "outside " + ValueText(kMinPH) + " .. " + ValueText(kMaxPH) + " (" + ValueText(pH) + ")");
}

void CheckIonic(double ionic, Refusals& refusals) {
    const Field field = Condition(FieldKind::Ionic);
    if (!Finite(field, ionic, refusals)) return;
    if (ionic < 0)
        Refuse(refusals, field, "cannot be negative (" + ValueText(ionic) + " N)");
    else if (ionic > kMaxIonic)
        Refuse(refusals, field, "above " + ValueText(kMaxIonic) + " N (" + ValueText(ionic) + " N)");
}

void CheckConditions(double temperature, double pH, double ionic, Refusals& refusals) {
    CheckTemperature(temperature, refusals);
    CheckPH(pH, refusals);
    CheckIonic(ionic, refusals);
}

void CheckConcentration(const Field& field, double value, Refusals& refusals) {
    if (!Finite(field, value, refusals)) return;
    if (value < 0)
        Refuse(refusals, field, "a concentration cannot be negative (" + ValueText(value) + " M)");
    else if (value > kMaxConcentration)
        Refuse(refusals, field,
               "above " + ValueText(kMaxConcentration) + " M, more than any solution holds (" +
                   ValueText(value) + " M)");
}

std::string_view UnitText(ConcUnit unit) {
    switch (unit) {
        case ConcUnit::M:
            return "M";
        case ConcUnit::mM:
            return "mM";
        case ConcUnit::uM:
            return "uM";
        case ConcUnit::nM:
            return "nM";
        case ConcUnit::pX:
            break;
    }
    return "pX";
}

std::optional<ConcUnit> UnitOfText(std::string_view text) {
    if (text == "\xC2\xB5M" || text == "\xC2\xB5m") return ConcUnit::uM;  // µM in UTF-8
    const std::string lower = Lower(text);
    for (const ConcUnit unit : kConcUnits)
        if (Lower(UnitText(unit)) == lower) return unit;
    return std::nullopt;
}

std::string_view UnitTexts() {
    return "M, mM, uM, nM or pX";
}

double Molar(const Field& field, const Amount& amount, bool freeLevel, Refusals& refusals) {
    const std::size_t before = refusals.size();
    double value = amount.value;
    switch (amount.unit) {
        case ConcUnit::M:
            break;
        // Divided by the exact power of ten: "155" nM is then the double of "155e-9", as typed in M.
        case ConcUnit::mM:
            value /= 1e3;
            break;
        case ConcUnit::uM:
            value /= 1e6;
            break;
        case ConcUnit::nM:
            value /= 1e9;
            break;
        case ConcUnit::pX:
            if (!freeLevel) {
                Refuse(refusals, field, "a pX gives a free level, not a total");
                return 0;
            }
            if (!Finite(field, amount.value, refusals)) return 0;
            if (!(amount.value >= 0 && amount.value <= kMaxPX)) {
                Refuse(refusals, field,
                       "a pX must lie between 0 and " + ValueText(kMaxPX) + " (" + ValueText(amount.value) +
                           ")");
                return 0;
            }
            // A whole pX is the double of "1e-x", the same as that level typed as a concentration.
            value = amount.value == std::floor(amount.value)
                        ? ReadDouble("1e" + std::to_string(-static_cast<long long>(amount.value))).value_or(0)
                        : std::pow(10.0, -amount.value);
            break;
    }
    CheckConcentration(field, value, refusals);
    return refusals.size() == before ? value : 0;
}

int FindChelator(const ConstantsTable& table, std::string_view name) {
    return FindName(name, kTableChelators, kEmptyChelator,
                    [&](int k) { return table.Constants[k].Name.view(); });
}

int FindMetal(const ConstantsTable& table, std::string_view name) {
    return FindName(name, kTableMetals, kEmptyMetal,
                    [&](int k) { return table.Constants[1].MetalName[k].view(); });
}

int SolutionChelatorSlot(const TSolution& solution, std::string_view name) {
    for (int k = 1; k <= kSlots; ++k)
        if (solution.ChelName[k] != kEmptyChelator && SameName(solution.ChelName[k].view(), name)) return k;
    return 0;
}

int SolutionMetalSlot(const TSolution& solution, std::string_view name) {
    for (int k = 1; k <= kSlots; ++k)
        if (solution.MetalName[k] != kEmptyMetal && SameName(solution.MetalName[k].view(), name)) return k;
    return 0;
}

bool TableIsEmpty(const ConstantsTable& table) {
    if (table.ConstantsFileName.empty()) return true;
    for (int k = 1; k <= kTableChelators; ++k)
        if (table.Constants[k].Name != kEmptyChelator) return false;
    return true;
}

std::string ChelatorNames(const ConstantsTable& table) {
    return Names(kTableChelators, kEmptyChelator, [&](int k) { return table.Constants[k].Name.view(); });
}

std::string MetalNames(const ConstantsTable& table) {
    return Names(kTableMetals, kEmptyMetal, [&](int k) { return table.Constants[1].MetalName[k].view(); });
}

Refusal UnknownName(const Field& field, const ConstantsTable& table) {
    const bool chelator = field.kind == FieldKind::Chelator;
    // The file's own name: the folder it came from says nothing about what it holds.
    const std::string file = table.ConstantsFileName.empty()
                                 ? std::string("the constants table")
                                 : std::filesystem::path(table.ConstantsFileName.str()).filename().string();
    return {field, "not in " + file + ", which has " + (chelator ? ChelatorNames(table) : MetalNames(table))};
}

std::optional<CalculationType> TypeOrRefuse(std::string_view word, Refusals& refusals) {
    if (const auto type = TypeOfWord(word)) return type;
    Refuse(refusals, Condition(FieldKind::Type),
           "must be " + std::string(TypeWords()) + ", not \"" + std::string(word) + "\"");
    return std::nullopt;
}

std::string_view PrecisionWord(Precision precision) {
    switch (precision) {
        case Precision::Described:
            return "described";
        case Precision::Exact:
            return "exact";
        case Precision::Checked:
            break;
    }
    return "checked";
}

std::optional<Precision> PrecisionOrRefuse(std::string_view word, Refusals& refusals) {
    for (const Precision p : {Precision::Described, Precision::Checked, Precision::Exact})
        if (Lower(PrecisionWord(p)) == Lower(word)) return p;
    Refuse(refusals, Option("precision"),
           "must be described, checked or exact, not \"" + std::string(word) + "\"");
    return std::nullopt;
}

void CheckSolutionValues(const TSolution& sol, CalculationType type, Refusals& refusals) {
    const CalcTypeInfo& info = TypeInfo(type);
    CheckConditions(sol.Temperature, sol.PH, sol.IonicEquiv, refusals);
    for (int i = 1; i <= kSlots; ++i) {
        if (sol.ChelName[i] == kEmptyChelator || !info.readsChelatorTotal) continue;
        CheckConcentration({FieldKind::ChelatorTotal, sol.ChelName[i].str(), i - 1}, sol.ChelTotal[i],
                           refusals);
    }
    for (int j = 1; j <= kSlots; ++j) {
        if (sol.MetalName[j] == kEmptyMetal) continue;
        if (info.readsMetalTotal)
            CheckConcentration({FieldKind::MetalTotal, sol.MetalName[j].str(), j - 1}, sol.MetalTotal[j],
                               refusals);
        if (info.readsMetalFree)
            CheckConcentration({FieldKind::MetalFree, sol.MetalName[j].str(), j - 1}, sol.MetalFree[j],
                               refusals);
    }
}

}  // namespace dedodiz
