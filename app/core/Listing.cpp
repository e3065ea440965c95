// SPDX-License-Identifier: BSD-3-Clause
#include "core/Listing.h"

#include <string>

#include "engine/Format.h"

namespace dedodiz {

namespace {

constexpr std::size_t kWidth = 80;

std::string Value(double x) {
    return CutToChars(FormatFixed(x, 6, 3), 15);
}

}  // namespace

void ListConstants(const ConstantsTable& s, ReportPlacement placement, OutputSink& output,
                   MessageSink& messages) {
    BeginReport(output, placement);
    const auto add = [&](const std::string& line) { output.AddOutputLine(CutToChars(line, kWidth)); };

    bool listed = false;
    for (const TChelatorRec& rec : s.Constants) {
        if (rec.Name == kEmptyChelator) continue;
        listed = true;
        add("Chelator: " + rec.Name.str());
        add(" ");
        std::string h, dh;
        for (int k = 1; k <= 4; ++k) {
            h += "   H" + std::to_string(k) + " " + Value(rec.H[k]);
            dh += "  dH" + std::to_string(k) + " " + Value(rec.dH[k]);
        }
        add(h);
        add(dh);
        add(" ");
        add("Metal    ML        dML       MHL       dMHL   Comments");
        add(" ");
        // A metal without ML is left out even when it has other values.
        for (int m = 1; m <= kTableMetals; ++m) {
            if (rec.ML[m] == 0) continue;
            const std::string gap(4, ' ');
            add(s.Constants[1].MetalName[m].str() + gap + Value(rec.ML[m]) + gap + Value(rec.dML[m]) + gap +
                Value(rec.MHL[m]) + gap + Value(rec.dMHL[m]) + gap + rec.Comment[m].str());
        }
        for (int k = 0; k < 3; ++k) add(" ");
    }
    if (!listed) messages.Message("NO CHELATORS NAMED IN FILE", "INFORMATION");
}

}  // namespace dedodiz
