// SPDX-License-Identifier: BSD-3-Clause
#include "core/RecipeReport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "core/ExportSupport.h"
#include "core/RecipeInput.h"
#include "engine/Format.h"

namespace dedodiz {

using namespace exporting;

namespace {

constexpr std::size_t kRule = 78;
constexpr std::size_t kCell = 10;  // a table cell with its leading blank

std::string_view TypeCaption(CalculationType type) {
    switch (type) {
        case CalculationType::Total:
            return "Total";
        case CalculationType::Chelator:
            return "Chelator";
        case CalculationType::Free:
            break;
    }
    return "Free";
}

// A number to at most `decimals` decimals, without trailing zeros.
std::string Plain(double x, int decimals) {
    std::string text = FigureText(x, decimals);
    if (text.find('.') != std::string::npos && text.find('e') == std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text;
}

// A concentration in the unit a person would write it in: "100 mM", "1 M", "50 uM".
std::string AmountText(double c) {
    if (c >= 1) return Plain(c, 3) + " M";
    if (c >= 1e-3) return Plain(c * 1e3, 3) + " mM";
    if (c >= 1e-6) return Plain(c * 1e6, 3) + " uM";
    return Plain(c * 1e9, 3) + " nM";
}

std::string VolumeText(double litres) {
    return FigureText(litres * 1e3, 3) + " mL";
}

std::string Right(std::string_view text, std::size_t width) {
    std::string cell = CutToChars(text, width - 1);
    return std::string(width > cell.size() ? width - cell.size() : 1, ' ') + cell;
}

// How the pH buffer is added: "the free acid", "NaHEPES".
std::string BufferAddedAs(const Recipe& r) {
    for (const RecipeIngredient& in : r.ingredients)
        if (in.kind == IngredientKind::Buffer)
            return in.form.starts_with("free") ? "the " + in.form : in.form;
    return {};
}

std::string SeriesMetal(const Recipe& r) {
    return r.seriesSlot != 0 ? r.base.MetalName[r.seriesSlot].str() : std::string();
}

// The level column of a series: the pX, or the wanted free concentration.
std::string LevelHeader(const Recipe& r) {
    return r.seriesAsPX ? PXName(SeriesMetal(r)) : "Wanted " + SeriesMetal(r);
}
// In a report the wanted level reads as the report's concentrations do; in the table as a plain number.
std::string LevelText(const Recipe& r, double wanted, bool report = true) {
    if (r.seriesAsPX) return FigureText(PXOf(wanted), 2);
    return report ? FormatSci(wanted) + "M" : ScientificText(wanted, 2);
}

// One row of a table in the order the reports list them: the end solutions, then the solutions.
struct Entry {
    std::string label;  // "1", "2", ... or "A", "B"
    const RecipeSolution* row;
    bool end;
};
std::vector<Entry> Entries(const Recipe& r) {
    std::vector<Entry> entries;
    for (std::size_t k = 0; k < r.ends.size(); ++k) entries.push_back({k == 0 ? "A" : "B", &r.ends[k], true});
    for (std::size_t k = 0; k < r.solutions.size(); ++k)
        entries.push_back({std::to_string(k + 1), &r.solutions[k], false});
    return entries;
}

std::string SaltName(const Recipe& r) {
    for (const RecipeIngredient& in : r.ingredients)
        if (in.kind == IngredientKind::Salt) return in.name;
    return "salt";
}

template <typename Each>
void ForMetals(const Recipe& r, Each each) {
    for (int j = 1; j <= kSlots; ++j)
        if (MetalPresent(r.base, j)) each(j, r.base.MetalName[j].str());
}
template <typename Each>
void ForChelators(const Recipe& r, Each each) {
    for (int i = 1; i <= kSlots; ++i)
        if (ChelatorPresent(r.base, i)) each(i, r.base.ChelName[i].str());
}

// The items after a prefix, joined by ", " and wrapped before kRule characters.
void AddWrapped(std::string prefix, const std::vector<std::string>& items, std::vector<std::string>& lines) {
    std::string line = std::move(prefix) + " ";
    const std::size_t start = line.size();
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::string item = items[k] + (k + 1 < items.size() ? "," : "");
        if (line.size() > start && line.size() + 1 + item.size() > kRule) {
            lines.push_back(line);
            line = std::string(start, ' ');
        } else if (line.size() > start) {
            line += ' ';
        }

        line += item;
    }
    lines.push_back(line);
}

void AddHeading(const Recipe& r, std::vector<std::string>& lines) {
    const std::string conditions = "   pH " + FormatFixed(r.base.PH, 5, 2) + "   Temp. " +
                                   FormatFixed(r.base.Temperature, 5, 1) + " C   Type " +
                                   std::string(TypeCaption(r.type));
    if (r.mixing) {
        lines.push_back("RECIPE BY MIXING: two end solutions of " + VolumeText(r.volume) + ", mixes of " +
                        VolumeText(r.mixVolume) + conditions);
    } else {
        lines.push_back("RECIPE: " + VolumeText(r.volume) + " of each solution" + conditions);
    }
    if (r.refined) lines.emplace_back("Every solve refined to machine precision (exact results)");
    if (!r.bufferName.empty())
        lines.push_back("pH buffer " + r.bufferName + " " + AmountText(r.solutions.front().bufferConc) +
                        ", added as " + BufferAddedAs(r));
    std::vector<std::string> stocks, forms;
    for (const RecipeIngredient& in : r.ingredients) {
        std::string stock = in.name + " " + AmountText(in.stock);
        if (in.purity != 1) stock += " x purity " + Plain(in.purity, 4);
        stocks.push_back(stock);
        if (!in.form.empty() && in.kind != IngredientKind::Buffer) forms.push_back(in.name + " " + in.form);
    }
    AddWrapped("Stocks:", stocks, lines);
    forms.push_back("the pH set with " + r.baseName + " (" + r.acidName + " where acid is needed)");
    AddWrapped("Added as:", forms, lines);
    std::vector<std::string> contamination;
    ForMetals(r, [&](int j, const std::string& name) {
        if (r.contamination[j] > 0) contamination.push_back(name + " " + AmountText(r.contamination[j]));
    });
    if (!contamination.empty())
        AddWrapped("Contamination in every solution, part of its totals:", contamination, lines);
    if (r.topup) {
        lines.push_back("Ionic strength " + FigureText(r.ionicTarget, 3) +
                        (r.strengthTarget ? " M (1/2 sum c z^2)" : " N") +
                        " in every solution: every ion counted, " + SaltName(r) +
                        (r.mixing ? " top-up in the end solutions" : " top-up"));
    } else {
        lines.emplace_back("No top-up salt: the ionic strength is what the stocks and the base bring");
    }
    for (const RecipeIngredient& in : r.ingredients)
        if (in.kind == IngredientKind::Osmolyte)
            lines.push_back("Osmolarity " + FigureText(r.osmolarityTarget * 1e3, 1) +
                            " mOsm/L in every solution" + (r.mixing ? " made from the stocks: " : ": ") +
                            in.name + " to make it up");
    lines.emplace_back(kRule, '-');
}

// The first cells of a row: its label (marked when a solve did not converge) and its level.
std::string RowStart(const Recipe& r, const Entry& e) {
    std::string start = Right(e.label + (e.row->converged ? " " : "*"), 4);
    if (r.seriesSlot != 0)
        start += Right(e.end ? "" : LevelText(r, e.row->wanted), r.seriesAsPX ? kCell : 11);
    return start;
}
std::string HeadStart(const Recipe& r, std::string_view first) {
    return Right(std::string(first) + " ", 4) +
           (r.seriesSlot != 0 ? Right(LevelHeader(r), r.seriesAsPX ? kCell : 11) : std::string());
}

// The unit a column of volumes is printed in: microlitres unless its largest value would not fit in a
// cell, then millilitres, then litres.
struct VolumeUnit {
    const char* name;
    double perMicrolitre;
};
VolumeUnit ColumnUnit(double largest) {
    constexpr double kFits = 999999.995;  // the largest value "%.2f" prints in kCell - 1 characters
    if (largest < kFits) return {"uL", 1};
    if (largest < kFits * 1e3) return {"mL", 1e-3};
    return {"L", 1e-6};
}
// A volume [uL] in its column's unit: to two decimals, in scientific notation where even litres overflow.
std::string VolumeCell(double microlitres, const VolumeUnit& unit) {
    const double v = microlitres * unit.perMicrolitre;
    return std::abs(v) < 999999.995 ? FixedText(v, 2) : ScientificText(v, 3);
}

// The units of the pipetting columns (the ingredients, then the water) over every tube made.
std::vector<VolumeUnit> PipettingUnits(const Recipe& r) {
    std::vector<double> largest(r.ingredients.size() + 1, 0.0);
    for (const Entry& e : Entries(r)) {
        if (r.mixing && !e.end) continue;
        for (std::size_t k = 0; k < e.row->volumes.size(); ++k)
            largest[k] = std::max(largest[k], e.row->volumes[k]);
        largest.back() = std::max(largest.back(), e.row->water);
    }
    std::vector<VolumeUnit> units;
    for (const double v : largest) units.push_back(ColumnUnit(v));
    return units;
}

void AddPipetting(const Recipe& r, std::vector<std::string>& lines) {
    const std::vector<VolumeUnit> units = PipettingUnits(r);
    const bool microlitres =
        std::all_of(units.begin(), units.end(), [](const VolumeUnit& u) { return u.perMicrolitre == 1; });
    const std::string unit = microlitres ? ", uL" : "";
    lines.push_back(r.mixing ? "End solutions" + unit + " into " + VolumeText(r.volume) +
                                   " each:  A without " + SeriesMetal(r) + ",  B with " + SeriesMetal(r) +
                                   " total = " + r.base.ChelName[1].str() + " total"
                             : "Pipetting" + unit + " into " + VolumeText(r.volume) + " each");
    std::string head = Right(r.mixing ? "end " : "# ", 4);
    if (r.seriesSlot != 0 && !r.mixing) head += Right(LevelHeader(r), r.seriesAsPX ? kCell : 11);
    for (const RecipeIngredient& in : r.ingredients) head += Right(in.name, kCell);
    lines.push_back(head + Right("water", kCell));
    if (!microlitres) {
        // The units under the names, where a column leaves microlitres.
        std::string under(head.size() - r.ingredients.size() * kCell, ' ');
        for (const VolumeUnit& u : units) under += Right(u.name, kCell);
        lines.push_back(under);
    }
    for (const Entry& e : Entries(r)) {
        if (r.mixing && !e.end) continue;
        std::string line = r.mixing ? Right(e.label + (e.row->converged ? " " : "*"), 4) : RowStart(r, e);
        for (std::size_t k = 0; k < e.row->volumes.size(); ++k)
            line += Right(VolumeCell(e.row->volumes[k], units[k]), kCell);
        lines.push_back(line + Right(VolumeCell(e.row->water, units.back()), kCell));
    }
    lines.emplace_back(kRule, '-');
    if (!r.mixing) return;
    lines.push_back("Mixes, uL into " + VolumeText(r.mixVolume) +
                    " each; the free levels are those the mix gives");
    // Beside the ends, the base (or acid) that keeps a mix at the pH, in the columns of those a mix needs.
    std::vector<std::size_t> added;
    for (std::size_t k = 0; k < r.ingredients.size(); ++k)
        for (const RecipeSolution& mix : r.solutions)
            if (k < mix.volumes.size() && mix.volumes[k] > 0) {
                added.push_back(k);
                break;
            }
    std::string mixHead = HeadStart(r, "#") + Right("B part", kCell) + Right("A", kCell) + Right("B", kCell);
    for (const std::size_t k : added) mixHead += Right(r.ingredients[k].name, kCell);
    ForMetals(r, [&](int, const std::string& name) { mixHead += Right("Free " + name, 11); });
    lines.push_back(mixHead);
    for (const Entry& e : Entries(r)) {
        if (e.end) continue;
        std::string line =
            RowStart(r, e) + Right(FixedText(e.row->fraction, 4), kCell) +
            Right(VolumeCell(e.row->unloadedVolume, ColumnUnit(e.row->unloadedVolume)), kCell) +
            Right(VolumeCell(e.row->loadedVolume, ColumnUnit(e.row->loadedVolume)), kCell);
        for (const std::size_t k : added)
            line += Right(VolumeCell(e.row->volumes[k], ColumnUnit(e.row->volumes[k])), kCell);
        ForMetals(r, [&](int j, const std::string&) { line += " " + FormatSci(e.row->metalFree[j]) + "M"; });
        lines.push_back(line);
    }
    lines.emplace_back(kRule, '-');
}

void AddMade(const Recipe& r, std::vector<std::string>& lines) {
    lines.emplace_back(
        "The solutions as made, M; ionic equivalents, N; ionic strength, M; osmolarity, mOsm/L");
    std::string head = HeadStart(r, "#");
    ForMetals(r, [&](int, const std::string& name) { head += Right("Free " + name, 11); });
    ForMetals(r, [&](int, const std::string& name) { head += Right("Total " + name, 11); });
    if (r.type == CalculationType::Chelator)
        ForChelators(r, [&](int, const std::string& name) { head += Right("Total " + name, 11); });
    lines.push_back(head + Right("I N", 7) + Right("I M", 7) + Right("mOsm", 7));
    for (const Entry& e : Entries(r)) {
        const RecipeSolution& s = *e.row;
        std::string line = RowStart(r, e);
        const auto conc = [&](double c) { line += " " + FormatSci(c) + "M"; };
        ForMetals(r, [&](int j, const std::string&) { conc(s.metalFree[j]); });
        ForMetals(r, [&](int j, const std::string&) { conc(s.metalTotal[j]); });
        if (r.type == CalculationType::Chelator)
            ForChelators(r, [&](int i, const std::string&) { conc(s.chelTotal[i]); });
        lines.push_back(line + FormatFixed(s.ionic, 7, 4) + FormatFixed(s.ionicStrength, 7, 4) +
                        FormatFixed(s.osmolarity * 1e3, 7, 1));
    }
    lines.emplace_back(kRule, '-');
}

// The base or acid and the counter-ions of every solution, mM.
void AddIons(const Recipe& r, std::vector<std::string>& lines) {
    std::vector<std::pair<std::string, int>> names;
    for (const Entry& e : Entries(r))
        for (const RecipeIon& ion : e.row->ions)
            if (ion.counter &&
                std::find(names.begin(), names.end(), std::pair(ion.name, ion.charge)) == names.end())
                names.emplace_back(ion.name, ion.charge);
    lines.emplace_back("The pH set with, and the counter-ions of the stocks, mM");
    std::string head = HeadStart(r, "#");
    const bool acid = std::any_of(r.ingredients.begin(), r.ingredients.end(),
                                  [](const RecipeIngredient& in) { return in.kind == IngredientKind::Acid; });
    head += Right(r.baseName, kCell);
    if (acid) head += Right(r.acidName, kCell);
    for (const auto& name : names) head += Right(name.first, kCell);
    lines.push_back(head);
    for (const Entry& e : Entries(r)) {
        const RecipeSolution& s = *e.row;
        std::string line = RowStart(r, e) + Right(FixedText(std::max(s.base, 0.0) * 1e3, 3), kCell);
        if (acid) line += Right(FixedText(std::max(-s.base, 0.0) * 1e3, 3), kCell);
        for (const auto& [name, charge] : names) {
            double c = 0;
            for (const RecipeIon& ion : s.ions)
                if (ion.name == name && ion.charge == charge) c = ion.conc;
            line += Right(FixedText(c * 1e3, 3), kCell);
        }
        lines.push_back(line);
    }
    lines.emplace_back(kRule, '-');
}

}  // namespace

std::vector<std::string> RecipeReport(const Recipe& r, std::string_view constantsFileName) {
    std::vector<std::string> lines;
    if (!r.ok) return lines;
    AddHeading(r, lines);
    AddPipetting(r, lines);
    AddMade(r, lines);
    AddIons(r, lines);
    bool failed = false;
    for (const Entry& e : Entries(r)) failed = failed || !e.row->converged;
    if (failed) lines.emplace_back("* CONVERGENCE NOT REACHED: the values of this solution are not valid");
    lines.emplace_back(
        "I N: ionic equivalents 1/2 sum c|z| of every ion, to which the constants are corrected");
    lines.emplace_back("I M: ionic strength 1/2 sum c z^2; mOsm: ideal osmolarity, every dissolved species");
    lines.emplace_back("");
    lines.push_back(
        CutToChars("DEDODIZ32 v" + std::string(kVersion) + " using " + std::string(constantsFileName), 80));
    return lines;
}

void WriteRecipeReport(const Recipe& recipe, std::string_view constantsFileName, ReportPlacement placement,
                       OutputSink& output) {
    BeginReport(output, placement);
    for (const std::string& line : RecipeReport(recipe, constantsFileName)) output.AddOutputLine(line);
}

RecipeTable PipettingTable(const Recipe& r) {
    RecipeTable table;
    if (!r.ok) return table;
    const std::vector<VolumeUnit> units = PipettingUnits(r);
    table.header.emplace_back("Solution");
    if (r.seriesSlot != 0) table.header.push_back(r.seriesAsPX ? LevelHeader(r) : LevelHeader(r) + " [M]");
    for (std::size_t k = 0; k < r.ingredients.size(); ++k)
        table.header.push_back(r.ingredients[k].name + " [" + units[k].name + "]");
    table.header.push_back(std::string("water [") + units.back().name + "]");
    if (r.mixing) {
        for (const char* h : {"B part", "A [uL]", "B [uL]"}) table.header.emplace_back(h);
    }
    ForMetals(r, [&](int, const std::string& name) { table.header.push_back("Free " + name + " [M]"); });
    table.header.emplace_back("I [N]");
    table.header.emplace_back("I [M]");
    table.header.emplace_back("mOsm/L");
    for (const Entry& e : Entries(r)) {
        const RecipeSolution& s = *e.row;
        std::vector<std::string> row{e.label + (s.converged ? "" : " *")};
        if (r.seriesSlot != 0) row.push_back(e.end ? "" : LevelText(r, s.wanted, false));
        const bool pipetted = !r.mixing || e.end;
        for (std::size_t k = 0; k < s.volumes.size(); ++k)
            row.push_back(pipetted || s.volumes[k] > 0 ? VolumeCell(s.volumes[k], units[k]) : "");
        row.push_back(pipetted ? VolumeCell(s.water, units.back()) : "");
        if (r.mixing) {
            row.push_back(e.end ? "" : FixedText(s.fraction, 4));
            row.push_back(e.end ? "" : FixedText(s.unloadedVolume, 2));
            row.push_back(e.end ? "" : FixedText(s.loadedVolume, 2));
        }
        ForMetals(r, [&](int j, const std::string&) { row.push_back(ScientificText(s.metalFree[j], 2)); });
        row.push_back(FixedText(s.ionic, 4));
        row.push_back(FixedText(s.ionicStrength, 4));
        row.push_back(FixedText(s.osmolarity * 1e3, 1));
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::string TabSeparated(const RecipeTable& table) {
    std::string text;
    const auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t k = 0; k < cells.size(); ++k) text += (k == 0 ? "" : "\t") + cells[k];
        text += '\n';
    };
    line(table.header);
    for (const auto& row : table.rows) line(row);
    return text;
}

}  // namespace dedodiz
