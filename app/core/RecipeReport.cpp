// SPDX-License-Identifier: BSD-3-Clause
#include "core/RecipeReport.h"

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
    std::string text = FixedText(x, decimals);
    if (text.find('.') != std::string::npos) {
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
    return FixedText(litres * 1e3, 3) + " mL";
}

std::string Right(std::string_view text, std::size_t width) {
    std::string cell = CutToChars(text, width - 1);
    return std::string(width > cell.size() ? width - cell.size() : 1, ' ') + cell;
}

std::string_view SaltFormText(std::uint16_t form) {
    static constexpr std::string_view kForms[] = {"as the free form", "as a mono-salt", "as a di-salt",
                                                  "as a tri-salt"};
    return kForms[form <= 3 ? form : 0];
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
    if (r.seriesAsPX) return FixedText(-std::log10(wanted), 2);
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

bool HasSalt(const Recipe& r) {
    for (const RecipeIngredient& in : r.ingredients)
        if (in.kind == IngredientKind::Salt) return true;
    return false;
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
                        ", added " + std::string(SaltFormText(r.bufferSaltForm)));
    std::string stocks = "Stocks:";
    for (const RecipeIngredient& in : r.ingredients) {
        stocks += (stocks.size() > 7 ? ", " : " ") + in.name + " " + AmountText(in.stock);
        if (in.purity != 1) stocks += " x purity " + Plain(in.purity, 4);
    }
    lines.push_back(stocks);
    if (r.topup) {
        lines.push_back("Ionic strength " + FixedText(r.ionicTarget, 3) +
                        " N in every solution: CM-E + pH buffer + " + SaltName(r) +
                        (r.mixing ? " top-up in the end solutions" : " top-up"));
    } else {
        lines.emplace_back("No top-up salt: the ionic strength is what CM-E and the pH buffer bring");
    }
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

void AddPipetting(const Recipe& r, std::vector<std::string>& lines) {
    lines.push_back(r.mixing ? "End solutions, uL into " + VolumeText(r.volume) + " each:  A without " +
                                   SeriesMetal(r) + ",  B with " + SeriesMetal(r) +
                                   " total = " + r.base.ChelName[1].str() + " total"
                             : "Pipetting, uL into " + VolumeText(r.volume) + " each");
    std::string head = Right(r.mixing ? "end " : "# ", 4);
    if (r.seriesSlot != 0 && !r.mixing) head += Right(LevelHeader(r), r.seriesAsPX ? kCell : 11);
    for (const RecipeIngredient& in : r.ingredients) head += Right(in.name, kCell);
    lines.push_back(head + Right("water", kCell));
    for (const Entry& e : Entries(r)) {
        if (r.mixing && !e.end) continue;
        std::string line = r.mixing ? Right(e.label + (e.row->converged ? " " : "*"), 4) : RowStart(r, e);
        for (double v : e.row->volumes) line += Right(FixedText(v, 2), kCell);
        lines.push_back(line + Right(FixedText(e.row->water, 2), kCell));
    }
    lines.emplace_back(kRule, '-');
    if (!r.mixing) return;
    lines.push_back("Mixes, uL into " + VolumeText(r.mixVolume) +
                    " each; the free levels are those the mix gives");
    std::string mixHead = HeadStart(r, "#") + Right("B part", kCell) + Right("A", kCell) + Right("B", kCell);
    ForMetals(r, [&](int, const std::string& name) { mixHead += Right("Free " + name, 11); });
    lines.push_back(mixHead);
    for (const Entry& e : Entries(r)) {
        if (e.end) continue;
        std::string line = RowStart(r, e) + Right(FixedText(e.row->fraction, 4), kCell) +
                           Right(FixedText(e.row->unloadedVolume, 2), kCell) +
                           Right(FixedText(e.row->loadedVolume, 2), kCell);
        ForMetals(r, [&](int j, const std::string&) { line += " " + FormatSci(e.row->metalFree[j]) + "M"; });
        lines.push_back(line);
    }
    lines.emplace_back(kRule, '-');
}

void AddMade(const Recipe& r, std::vector<std::string>& lines) {
    lines.emplace_back("The solutions as made, M; their ionic strength, N");
    std::string head = HeadStart(r, "#");
    ForMetals(r, [&](int, const std::string& name) { head += Right("Free " + name, 11); });
    ForMetals(r, [&](int, const std::string& name) { head += Right("Total " + name, 11); });
    if (r.type == CalculationType::Chelator)
        ForChelators(r, [&](int, const std::string& name) { head += Right("Total " + name, 11); });
    head += Right("CM-E", 7);
    if (!r.bufferName.empty()) head += Right("Buffer", 7);
    if (HasSalt(r)) head += Right(SaltName(r), 7);
    lines.push_back(head + Right("I", 7));
    for (const Entry& e : Entries(r)) {
        const RecipeSolution& s = *e.row;
        std::string line = RowStart(r, e);
        const auto conc = [&](double c) { line += " " + FormatSci(c) + "M"; };
        ForMetals(r, [&](int j, const std::string&) { conc(s.metalFree[j]); });
        ForMetals(r, [&](int j, const std::string&) { conc(s.metalTotal[j]); });
        if (r.type == CalculationType::Chelator)
            ForChelators(r, [&](int i, const std::string&) { conc(s.chelTotal[i]); });
        line += FormatFixed(s.ionicComplexes, 7, 4);
        if (!r.bufferName.empty()) line += FormatFixed(s.ionicBuffer, 7, 4);
        if (HasSalt(r)) line += FormatFixed(s.saltConc, 7, 4);
        lines.push_back(line + FormatFixed(s.ionic, 7, 4));
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
    bool failed = false;
    for (const Entry& e : Entries(r)) failed = failed || !e.row->converged;
    if (failed) lines.emplace_back("* CONVERGENCE NOT REACHED: the values of this solution are not valid");
    lines.emplace_back("CM-E: the chelators, metals and their complexes with their counter-ions");
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
    table.header.emplace_back("Solution");
    if (r.seriesSlot != 0) table.header.push_back(r.seriesAsPX ? LevelHeader(r) : LevelHeader(r) + " [M]");
    for (const RecipeIngredient& in : r.ingredients) table.header.push_back(in.name + " [uL]");
    table.header.emplace_back("water [uL]");
    if (r.mixing) {
        for (const char* h : {"B part", "A [uL]", "B [uL]"}) table.header.emplace_back(h);
    }
    ForMetals(r, [&](int, const std::string& name) { table.header.push_back("Free " + name + " [M]"); });
    table.header.emplace_back("I [N]");
    for (const Entry& e : Entries(r)) {
        const RecipeSolution& s = *e.row;
        std::vector<std::string> row{e.label + (s.converged ? "" : " *")};
        if (r.seriesSlot != 0) row.push_back(e.end ? "" : LevelText(r, s.wanted, false));
        const bool pipetted = !r.mixing || e.end;
        for (double v : s.volumes) row.push_back(pipetted ? FixedText(v, 2) : "");
        row.push_back(pipetted ? FixedText(s.water, 2) : "");
        if (r.mixing) {
            row.push_back(e.end ? "" : FixedText(s.fraction, 4));
            row.push_back(e.end ? "" : FixedText(s.unloadedVolume, 2));
            row.push_back(e.end ? "" : FixedText(s.loadedVolume, 2));
        }
        ForMetals(r, [&](int j, const std::string&) { row.push_back(ScientificText(s.metalFree[j], 2)); });
        row.push_back(FixedText(s.ionic, 4));
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
