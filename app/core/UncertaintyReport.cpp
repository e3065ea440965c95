// SPDX-License-Identifier: BSD-3-Clause
// The text block of the uncertainty computation, for the output window and the command-line tool.

#include <cmath>
#include <string>
#include <vector>

#include "core/Uncertainty.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

constexpr std::size_t kWidth = 80;
constexpr int kMostShares = 5;  // shares named one by one; the rest are summed

// A number as written in the head: at most six decimals, trailing zeros dropped ("0.02", "5", "0.5").
std::string Plain(double x) {
    std::string text = FigureText(x, 6);
    if (text.find('.') != std::string::npos && text.find('e') == std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    return text;
}

std::string Percent(double fraction) {
    return Plain(100 * fraction) + " %";
}

// A figure of the head; a quantile that no sample gave is "-".
std::string Sci(double x) {
    return std::isnan(x) ? "-" : FormatSciTrimmed(x);
}

std::size_t Chars(std::string_view text) {
    std::size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
    return n;
}

// The pieces of one statement, each with the separator that goes before it (the first one's is not
// written), broken between pieces into lines of at most 80 characters; continuation lines are
// indented by two blanks and a separator that ends a line keeps only its comma.
struct Piece {
    std::string separator;
    std::string text;
};

void AddWrapped(std::vector<std::string>& lines, const std::vector<Piece>& pieces) {
    std::string line;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const Piece& p = pieces[k];
        const std::string comma = p.separator.find(',') != std::string::npos ? "," : "";
        if (k > 0 && Chars(line) + Chars(p.separator) + Chars(p.text) + 1 > kWidth) {
            lines.push_back(line + comma);
            line = "  " + p.text;
        } else {
            line += (k > 0 ? p.separator : "") + p.text;
        }
    }
    lines.push_back(CutToChars(line, kWidth));
}

// head, then the items separated by commas.
void AddList(std::vector<std::string>& lines, const std::string& head,
             const std::vector<std::string>& items) {
    std::vector<Piece> pieces{{"", head}};
    for (std::size_t k = 0; k < items.size(); ++k) pieces.push_back({k == 0 ? " " : ", ", items[k]});
    AddWrapped(lines, pieces);
}

std::vector<std::string> UncertaintyItems(const UncertaintyOutcome& outcome) {
    const UncertaintyInputs& u = outcome.options.inputs;
    std::vector<std::string> items;
    if (u.pHSd > 0) items.push_back("pH " + Plain(u.pHSd));
    if (u.temperatureSd > 0) items.push_back("temperature " + Plain(u.temperatureSd) + " C");
    if (u.ionicRsd > 0) items.push_back("ionic strength " + Percent(u.ionicRsd));
    if (u.logKHSd == u.logKMLSd && u.logKMLSd == u.logKMHLSd) {
        if (u.logKHSd > 0) items.push_back("log K " + Plain(u.logKHSd));
    } else {
        std::string logK;
        const auto add = [&](const char* kind, double sd) {
            if (sd > 0) logK += (logK.empty() ? "log K " : ", ") + std::string(kind) + " " + Plain(sd);
        };
        add("H", u.logKHSd);
        add("ML", u.logKMLSd);
        add("MHL", u.logKMHLSd);
        if (!logK.empty()) items.push_back(logK);
    }
    if (u.enthalpyRsd > 0) items.push_back("dH " + Percent(u.enthalpyRsd));
    if (u.totalRsd > 0) items.push_back("totals " + Percent(u.totalRsd));
    for (const auto& [name, p] : outcome.purities)
        items.push_back(name + " purity " + Plain(p.fraction) + (p.sd > 0 ? " +- " + Plain(p.sd) : ""));
    for (const auto& [name, c] : outcome.contaminations)
        items.push_back(name + " contamination " + FormatSciTrimmed(c.conc) +
                        (c.sd > 0 ? " +- " + FormatSciTrimmed(c.sd) : "") + " M");
    return items;
}

std::vector<std::string> ShareItems(const UncertaintyResult& r) {
    std::vector<std::string> items;
    double rest = 0;
    int others = 0;
    for (const UncertaintyShare& s : r.shares) {
        const bool named = static_cast<int>(items.size()) < kMostShares && std::round(100 * s.share) >= 1;
        if (named) {
            items.push_back(FixedText(100 * s.share, 0) + " % " +
                            (items.empty() ? "of the spread from " : "from ") + s.input);
        } else {
            rest += s.share;
            ++others;
        }
    }
    if (!items.empty() && std::round(100 * rest) >= 1)
        items.push_back(FixedText(100 * rest, 0) + " % from " + std::to_string(others) + " other inputs");
    return items;
}

void AddResult(std::vector<std::string>& lines, const UncertaintyResult& r, bool anyConverged) {
    std::string head = r.name + " " + r.kind + " " + Sci(r.value) + " M";
    if (!anyConverged) {
        lines.push_back(head + ": no sample converged");
        return;
    }
    head += " (95 %: " + Sci(r.q025) + " .. " + Sci(r.q975) + ")";
    if (r.q025 == r.q975 && !r.shares.empty() && r.q025 != r.value) {
        // A range of no width that misses the result is no spread: say so rather than show 0 .. 0.
        AddList(lines, head + ";",
                {"no width: every sample that converged gave " + Sci(r.q025) + " M",
                 "not the result: the uncertainties are larger than the model can follow"});
        return;
    }
    std::vector<std::string> items = ShareItems(r);
    if (items.empty()) {
        lines.push_back(head + (r.shares.empty() ? "; no input varied" : "; no spread"));
        return;
    }
    AddList(lines, head + ";", items);
}

void AddNotes(std::vector<std::string>& lines, const UncertaintyOutcome& o) {
    const int n = o.samples;
    if (o.Failed() == 0) lines.push_back("All " + std::to_string(n) + " samples converged.");
    if (o.notConverged > 0)
        lines.push_back("Samples that did not converge: " + std::to_string(o.notConverged) + " of " +
                        std::to_string(n) + ", left out");
    if (o.faulted > 0)
        lines.push_back("Samples stopped by a floating-point fault: " + std::to_string(o.faulted) + " of " +
                        std::to_string(n) + ", left out");
    if (!o.converged) lines.emplace_back("The single-point result did not converge: its value is not valid");
    if (o.enthalpyMissing)
        AddWrapped(lines, {{"", "Some delta-H values are missing: the temperature acts on those constants"},
                           {" ", "through the ionic term only"}});
    if (o.type == CalculationType::Chelator && !o.purities.empty())
        lines.emplace_back("Purity does not enter type Chelator: its totals are of pure chelator");
    if (o.options.precision == Precision::Described)
        lines.emplace_back("Each solve is the iteration's alone (precision described), not checked");
}

}  // namespace

std::vector<std::string> UncertaintyReport(const UncertaintyOutcome& o) {
    std::vector<std::string> lines;
    std::string head =
        "UNCERTAINTY: " + std::to_string(o.samples) + " samples, seed " + std::to_string(o.options.seed);
    if (o.options.precision == Precision::Exact) head += ", exact (refined)";
    lines.push_back(head);
    std::vector<std::string> items = UncertaintyItems(o);
    if (items.empty()) items.emplace_back("none");
    AddList(lines, "Standard uncertainties:", items);
    lines.emplace_back(78, '-');
    const bool anyConverged = o.Failed() < o.samples;
    for (const UncertaintyResult& r : o.results) AddResult(lines, r, anyConverged);
    if (o.results.empty()) lines.emplace_back("No result to vary: the solution holds no metal or chelator");
    lines.emplace_back(78, '-');
    AddNotes(lines, o);
    return lines;
}

void WriteUncertaintyReport(const UncertaintyOutcome& outcome, ReportPlacement placement,
                            OutputSink& output) {
    BeginReport(output, placement);
    for (const std::string& line : UncertaintyReport(outcome)) output.AddOutputLine(line);
    output.ShowOutput();
}

}  // namespace dedodiz
