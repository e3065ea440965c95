// SPDX-License-Identifier: BSD-3-Clause
#include "core/Titration.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>

#include "core/RecipeInput.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

// Files are small: a titration of a few hundred rows at most. A larger one is not a titration.
constexpr std::size_t kMaxTitrationBytes = 4U << 20U;
constexpr std::size_t kMaxTitrationRows = 10000;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The cells of one line: separated by sep, a cell in double quotes may hold sep ("" is a quote).
std::vector<std::string> SplitCells(std::string_view line, char sep) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char ch = line[k];
        if (quoted) {
            if (ch == '"' && k + 1 < line.size() && line[k + 1] == '"') {
                cells.back() += '"';
                ++k;
            } else if (ch == '"') {
                quoted = false;
            } else {
                cells.back() += ch;
            }
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == sep) {
            cells.emplace_back();
        } else {
            cells.back() += ch;
        }
    }
    for (std::string& c : cells) c = std::string(Trim(c));
    return cells;
}

// A column's name as a person types it in a spreadsheet: "Metal total M" is metal_total_M.
bool SameColumn(std::string_view a, std::string_view b) {
    const auto key = [](std::string_view name) {
        std::string k;
        for (const char ch : name)
            if (ch != ' ' && ch != '_' && ch != '\t')
                k += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return k;
    };
    return key(a) == key(b);
}

// A reading in mV: a number, optionally followed by "mV".
std::optional<double> ParseMillivolts(std::string_view text, bool decimalComma) {
    std::string t(Trim(text));
    if (t.size() > 2 && SameName(std::string_view(t).substr(t.size() - 2), "mV"))
        t = std::string(Trim(std::string_view(t).substr(0, t.size() - 2)));
    if (decimalComma)
        for (char& ch : t)
            if (ch == ',') ch = '.';
    if (t.find('.') != t.rfind('.')) return std::nullopt;
    return ParseReal(t);
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text.substr(0, 40)) + "\"";
}

// The columns of the header: metal, chelator, mV, free (-1 where absent).
using Columns = std::array<int, 4>;

// Whether the header split at sep names a column of its own.
bool Separates(std::string_view line, char sep) {
    for (const std::string& name : SplitCells(line, sep))
        if (SameColumn(name, kMetalTotalColumn)) return true;
    return false;
}

// The header's columns and its separator: ',' or ';' (the decimal comma's files) or a tab (rows copied
// from a spreadsheet), whichever gives the metal's column a cell of its own; ',' when none does. Empty
// when they are what a titration needs, else why not.
std::string ReadHeader(std::string_view line, int lineNo, Columns& column, char& sep,
                       TitrationReading& reading) {
    sep = ',';
    for (const char candidate : {',', ';', '\t'}) {
        if (Separates(line, candidate)) {
            sep = candidate;
            break;
        }
    }
    const std::vector<std::string> names = SplitCells(line, sep);
    const std::array<std::string_view, 4> wanted{kMetalTotalColumn, kChelatorTotalColumn, kMillivoltColumn,
                                                 kFreeColumn};
    const std::string at = "line " + std::to_string(lineNo);
    for (std::size_t c = 0; c < names.size(); ++c) {
        for (std::size_t w = 0; w < wanted.size(); ++w) {
            if (!SameColumn(names[c], wanted[w])) continue;
            if (column[w] >= 0) return at + ": the column " + std::string(wanted[w]) + " is named twice";
            column[w] = static_cast<int>(c);
        }
    }
    std::string missing;
    if (column[0] < 0) missing = std::string(kMetalTotalColumn);
    if (column[1] < 0) missing += (missing.empty() ? "" : " and ") + std::string(kChelatorTotalColumn);
    if (!missing.empty())
        return at + ": the header has no column " + missing +
               "; a titration's header names metal_total_M, chelator_total_M and mV or free_M";
    if ((column[2] < 0) == (column[3] < 0))
        return at +
               (column[2] < 0 ? ": the header names neither mV nor free_M"
                              : ": the header names both mV and free_M; give one kind of reading") +
               " (mV: the electrode's readings; free_M: free levels measured otherwise)";
    reading = column[2] >= 0 ? TitrationReading::Millivolts : TitrationReading::FreeLevel;
    return {};
}

// One row of values; empty when it reads, else why not, naming the line and the column.
std::string ReadRow(std::string_view line, int lineNo, const Columns& column, char sep,
                    TitrationReading reading, TitrationRow& row) {
    const std::vector<std::string> cells = SplitCells(line, sep);
    row.line = lineNo;
    const auto cell = [&](int index) -> std::string_view {
        return index < static_cast<int>(cells.size())
                   ? std::string_view(cells[static_cast<std::size_t>(index)])
                   : std::string_view();
    };
    // Where ',' separates the cells, a cell holds a comma only in quotes, as a spreadsheet of a decimal
    // comma's country writes "1,5": with no point in it, that comma is the decimal one.
    const auto decimalCommaIn = [&](std::string_view t) {
        return sep != ',' || (t.find(',') != std::string_view::npos && t.find('.') == std::string_view::npos);
    };
    const auto refusal = [&](std::string_view name, const std::string& why) {
        return "line " + std::to_string(lineNo) + ", column " + std::string(name) + ": " + why;
    };
    const auto concentration = [&](int index, std::string_view name, double& into) -> std::string {
        const std::string_view t = cell(index);
        if (t.empty()) return refusal(name, "empty; every row needs a value in it");
        const std::optional<double> v = ParseAmount(t, AmountKind::Concentration, decimalCommaIn(t));
        if (!v || !std::isfinite(*v))
            return refusal(name,
                           "not a concentration " + Quoted(t) + "; give mol/L or a unit: M, mM, uM, nM");
        if (*v < 0) return refusal(name, "a concentration cannot be negative " + Quoted(t));
        into = *v;
        return {};
    };
    if (std::string e = concentration(column[0], kMetalTotalColumn, row.metalTotal); !e.empty()) return e;
    if (std::string e = concentration(column[1], kChelatorTotalColumn, row.chelatorTotal); !e.empty())
        return e;
    if (reading == TitrationReading::Millivolts) {
        const std::string_view t = cell(column[2]);
        const std::optional<double> v = ParseMillivolts(t, decimalCommaIn(t));
        if (t.empty()) return refusal(kMillivoltColumn, "empty; every row needs a reading");
        if (!v || std::fabs(*v) > 1e5) return refusal(kMillivoltColumn, "not a reading in mV " + Quoted(t));
        row.reading = *v;
    } else {
        if (std::string e = concentration(column[3], kFreeColumn, row.reading); !e.empty()) return e;
        if (row.reading <= 0) return refusal(kFreeColumn, "a measured free level must be above 0");
    }
    if (row.metalTotal <= 0 && row.Standard())
        return refusal(kMetalTotalColumn, "a standard (no chelator) needs some metal");
    return {};
}

}  // namespace

TitrationRead ParseTitration(std::string_view text) {
    TitrationRead out;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a UTF-8 mark
    Columns column{-1, -1, -1, -1};
    char sep = ',';
    bool header = false;
    int lineNo = 0;
    std::size_t pos = 0;
    if (text.size() > kMaxTitrationBytes) {
        out.error = "larger than 4 MB; a titration is a short CSV file";
        return out;
    }
    while (pos < text.size()) {
        // Lines end in LF, CR LF, or CR alone (the CSV of a Mac's spreadsheet).
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        // The cells are trimmed one by one: a tab that opens a line is an empty first cell.
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
        ++lineNo;
        if (Trim(line).empty() || Trim(line).front() == '#') continue;
        if (line.find('\0') != std::string_view::npos) {
            out.error = "line " + std::to_string(lineNo) + ": not text; a titration is a CSV file";
            return out;
        }
        if (!header) {
            out.error = ReadHeader(line, lineNo, column, sep, out.titration.reading);
            if (!out.ok()) return out;
            header = true;
            continue;
        }
        // A row of empty cells is a blank line (a spreadsheet writes them for rows it has formatted).
        if (line.find_first_not_of(std::string{sep, ' ', '\t', '"'}) == std::string_view::npos) continue;
        TitrationRow row;
        out.error = ReadRow(line, lineNo, column, sep, out.titration.reading, row);
        if (!out.ok()) return out;
        if (out.titration.rows.size() >= kMaxTitrationRows) {
            out.error = "more than " + std::to_string(kMaxTitrationRows) + " rows; a titration has far fewer";
            return out;
        }
        out.titration.rows.push_back(row);
    }
    if (!header)
        out.error = "no header; a titration starts with metal_total_M,chelator_total_M,mV (or free_M)";
    return out;
}

TitrationRead ReadTitrationFile(const std::filesystem::path& path) {
    TitrationRead out;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        out.error = path.string() + ": is a folder, not a CSV file";
        return out;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out.error = path.string() + ": " + std::strerror(errno);
        return out;
    }
    std::string text(kMaxTitrationBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        out.error = path.string() + ": " + std::strerror(errno);
        return out;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxTitrationBytes) {
        out.error = path.string() + ": larger than 4 MB; a titration is a short CSV file";
        return out;
    }
    out = ParseTitration(text);
    if (!out.ok()) out.error = path.string() + ", " + out.error;
    return out;
}

}  // namespace dedodiz
