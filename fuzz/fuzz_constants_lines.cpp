// SPDX-License-Identifier: BSD-3-Clause
// The constants text format edited as people edit it by hand: whole lines deleted, duplicated, swapped,
// a character changed, the file cut anywhere. The input is a list of such edits (three bytes each)
// applied to the lines of a complete table. Whatever the edits, the reader either refuses the file or
// loads a table in which every chelator was read from a "!" line and every metal from a "#" line at the
// place its block gives it, and every metal name that differs from the first block's was warned about.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/Format.h"
#include "engine/SafeFile.h"
#include "files/ByteIO.h"
#include "files/ConstantsFile.h"

namespace {

using namespace dedodiz;

// A complete table with a different name and different values on every line, so that a line read at
// the wrong place shows.
const std::vector<std::string>& BaseLines() {
    static const std::vector<std::string> lines = [] {
        ConstantsTable table;
        for (int c = 1; c <= kTableChelators; ++c) {
            TChelatorRec& rec = table.Constants[c];
            rec.Name = c == 12 ? std::string(kEmptyChelator) : "Chel" + std::to_string(c);
            for (int k = 1; k <= 4; ++k) rec.H[k] = c + 0.1 * k;
            for (int m = 1; m <= kTableMetals; ++m) {
                rec.MetalName[m] = std::string(1, static_cast<char>('A' + m)) + "x" + std::to_string(m);
                rec.ML[m] = c + 0.01 * m;
                rec.Comment[m] = "c" + std::to_string(c) + "m" + std::to_string(m);
            }
        }
        const std::string text = ConstantsText(table);
        std::vector<std::string> out;
        for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            out.push_back(text.substr(start, end - start));
        return out;
    }();
    return lines;
}

struct Recorder : MessageSink {
    std::vector<std::string> warnings;
    void Message(std::string_view text, std::string_view caption) override {
        if (caption == "WARNING") warnings.emplace_back(text);
    }
};

// The name a line gives its chelator or metal: the characters after the marker up to the first comma.
std::string NameOf(const std::string& line, std::size_t max) {
    const std::string_view rest = std::string_view(line).substr(1);
    return WithoutControlBytes(fileio::CutText(rest.substr(0, rest.find(',')), max));
}

bool Blank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines = BaseLines();
    std::string tail = "\r\n";  // the last line's end; a cut file has none
    for (std::size_t at = 0; at + 3 <= size && !lines.empty(); at += 3) {
        const std::size_t a = data[at + 1] % lines.size();
        const std::size_t b = data[at + 2] % lines.size();
        switch (data[at] % 5) {
            case 0:
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(a));
                break;
            case 1:
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(a), lines[a]);
                break;
            case 2:
                std::swap(lines[a], lines[b]);
                break;
            case 3:  // the file ends inside line a
                lines.resize(a + 1);
                lines[a].resize(std::min(lines[a].size(), static_cast<std::size_t>(data[at + 2])));
                tail.clear();
                break;
            default:  // one character of line a changed to a marker, a comma or a blank
                if (!lines[a].empty()) lines[a][data[at + 2] % lines[a].size()] = "!#, "[data[at + 2] % 4];
                break;
        }
    }
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) text += lines[k] + (k + 1 < lines.size() ? "\r\n" : tail);

    ConstantsTable& table = fuzz::FreshState().table;
    Recorder messages;
    const FileResult result = ReadConstantsFile(
        table, fuzz::ScratchFile(".TCM", reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
        messages);
    if (!result.ok()) {
        if (result.status != FileStatus::LoadFailed || !messages.warnings.empty()) std::abort();
        return 0;
    }

    // Loaded: walk the lines as the format lays them out and hold the table against them.
    std::size_t k = 0;
    while (k < lines.size() && (lines[k].empty() || lines[k].front() == '%')) ++k;
    std::vector<std::string> mismatches;
    for (int c = 1; c <= kTableChelators; ++c) {
        const TChelatorRec& rec = table.Constants[c];
        // Blank lines at the end are no block: a record the file does not reach is left empty.
        const bool rest = std::all_of(lines.begin() + static_cast<std::ptrdiff_t>(std::min(k, lines.size())),
                                      lines.end(), Blank);
        if (rest) {
            if (rec.Name != kEmptyChelator) std::abort();
            continue;
        }
        if (lines[k].front() != '!' || rec.Name.view() != NameOf(lines[k], 7)) std::abort();
        for (int m = 1; m <= kTableMetals; ++m) {
            const std::size_t line = k + static_cast<std::size_t>(m);
            if (line >= lines.size() || lines[line].empty() || lines[line].front() != '#') std::abort();
            if (rec.MetalName[m].view() != NameOf(lines[line], 3)) std::abort();
            if (c > 1 && rec.MetalName[m] != table.Constants[1].MetalName[m])
                mismatches.push_back("\rline " + std::to_string(line + 1) + " has ");
        }
        k += 10;
    }
    // Every name out of place is warned about, in one message that names the first three lines.
    if (mismatches.empty() != messages.warnings.empty() || messages.warnings.size() > 1) std::abort();
    for (std::size_t n = 0; n < mismatches.size() && n < 3; ++n)
        if (messages.warnings.front().find(mismatches[n]) == std::string::npos) std::abort();
    return 0;
}
