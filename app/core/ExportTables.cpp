// SPDX-License-Identifier: BSD-3-Clause
// The chelator evaluation, the buffer ranges and the constants table as data.

#include "buffers/BufferModel.h"
#include "core/ExportSupport.h"

namespace dedodiz {

using namespace exporting;

json EvaluationJson(const ConstantsTable& s, const ChelatorEvaluation& e, const ShownMessages& shown) {
    json j = Header("chelator_evaluation");
    j["constants_file"] = ExportText(s.ConstantsFileName.view());
    j["conditions"] = Conditions(e.temperature, e.pH, e.ionic);
    j["hydrogen_M"] = Number(e.hydrogen);
    json rows = json::array();
    for (const EvaluationRow& row : e.rows) {
        const std::string_view metal = s.Constants[1].MetalName[row.metal].view();
        const TChelatorRec& rec = s.Constants[row.chelator];
        rows.push_back({{"metal", ExportText(metal)},
                        {"valence", ValenceOf(metal)},
                        {"chelator", ExportText(rec.Name.view())},
                        {"Kd_M", row.kd != 0 ? Number(row.kd) : json(nullptr)},
                        {"low_M", row.kd != 0 ? Number(row.low) : json(nullptr)},
                        {"high_M", row.kd != 0 ? Number(row.high) : json(nullptr)},
                        {"comment", ExportText(rec.Comment[row.metal].view())}});
    }
    j["rows"] = std::move(rows);
    j["warnings"] = Messages(shown);
    return j;
}

std::string EvaluationCsv(const ConstantsTable& s, const ChelatorEvaluation& e) {
    Csv csv;
    csv.Texts({"temperature_C", "pH", "ionic_strength_N", "metal", "chelator", "Kd_M", "low_M", "high_M",
               "comment"});
    csv.EndRow();
    for (const EvaluationRow& row : e.rows) {
        const TChelatorRec& rec = s.Constants[row.chelator];
        csv.Value(e.temperature).Value(e.pH).Value(e.ionic);
        csv.Text(s.Constants[1].MetalName[row.metal].view()).Text(rec.Name.view());
        if (row.kd != 0)
            csv.Value(row.kd).Value(row.low).Value(row.high);
        else
            csv.Empty().Empty().Empty();
        csv.Text(rec.Comment[row.metal].view());
        csv.EndRow();
    }
    return csv.Str();
}

json BufferRangesJson(const BufferTool& s, const BufferRanges& r, const ShownMessages& shown) {
    json j = Header("buffer_ranges");
    j["buffer_file"] = ExportText(s.BufferFileName.view());
    j["conditions"] = Conditions(r.temperature, r.pH, r.ionic);
    json rows = json::array();
    for (const BufferRangeRow& row : r.rows) {
        const TBufferSlot& b = s.BufferSlots[row.slot];
        rows.push_back({{"slot", row.slot},
                        {"buffer", ExportText(b.Name.view())},
                        {"anionic", b.anionic},
                        {"step", row.step},
                        {"pKa", Number(row.pKa)},
                        {"low_pH", Number(row.low)},
                        {"high_pH", Number(row.high)},
                        {"comment", ExportText(b.comments.view())}});
    }
    j["rows"] = std::move(rows);
    j["warnings"] = Messages(shown);
    return j;
}

std::string BufferRangesCsv(const BufferTool& s, const BufferRanges& r) {
    Csv csv;
    csv.Texts({"temperature_C", "ionic_strength_N", "buffer", "step", "pKa", "low_pH", "high_pH", "comment"});
    csv.EndRow();
    for (const BufferRangeRow& row : r.rows) {
        const TBufferSlot& b = s.BufferSlots[row.slot];
        csv.Value(r.temperature).Value(r.ionic).Text(b.Name.view()).Value(row.step);
        csv.Value(row.pKa).Value(row.low).Value(row.high).Text(b.comments.view());
        csv.EndRow();
    }
    return csv.Str();
}

json ConstantsJson(const ConstantsTable& s, const ShownMessages& shown) {
    json j = Header("constants_table");
    j["constants_file"] = ExportText(s.ConstantsFileName.view());
    j["reference_conditions"] = {{"temperature_C", kReferenceTemperature},
                                 {"ionic_strength_N", kReferenceIonic}};
    json chelators = json::array();
    for (int k = 1; k <= kTableChelators; ++k) {
        const TChelatorRec& rec = s.Constants[k];
        if (rec.Name == kEmptyChelator) continue;
        json c = {{"number", k}, {"name", ExportText(rec.Name.view())}};
        for (int n = 1; n <= 4; ++n) {
            c["log_K_H" + std::to_string(n)] = LogK(rec.H[n]);
            c["dH_H" + std::to_string(n) + "_kcal_per_mol"] = Number(rec.dH[n]);
        }
        json metals = json::array();
        for (int m = 1; m <= kTableMetals; ++m) {
            if (rec.ML[m] == 0) continue;
            const std::string_view metal = s.Constants[1].MetalName[m].view();
            metals.push_back({{"number", m},
                              {"name", ExportText(metal)},
                              {"valence", ValenceOf(metal)},
                              {"log_K_ML", LogK(rec.ML[m])},
                              {"dH_ML_kcal_per_mol", Number(rec.dML[m])},
                              {"log_K_MHL", LogK(rec.MHL[m])},
                              {"dH_MHL_kcal_per_mol", Number(rec.dMHL[m])},
                              {"comment", ExportText(rec.Comment[m].view())}});
        }
        c["metals"] = std::move(metals);
        chelators.push_back(std::move(c));
    }
    j["chelators"] = std::move(chelators);
    j["warnings"] = Messages(shown);
    return j;
}

std::string ConstantsCsv(const ConstantsTable& s) {
    Csv csv;
    csv.Text("chelator");
    for (int n = 1; n <= 4; ++n) csv.Text("log_K_H" + std::to_string(n));
    for (int n = 1; n <= 4; ++n) csv.Text("dH_H" + std::to_string(n) + "_kcal_per_mol");
    csv.Texts({"metal", "log_K_ML", "dH_ML_kcal_per_mol", "log_K_MHL", "dH_MHL_kcal_per_mol", "comment"});
    csv.EndRow();
    for (const TChelatorRec& rec : s.Constants) {
        if (rec.Name == kEmptyChelator) continue;
        const auto chelatorCells = [&] {
            csv.Text(rec.Name.view());
            for (int n = 1; n <= 4; ++n) csv.Log(rec.H[n]);
            for (int n = 1; n <= 4; ++n) csv.Value(rec.dH[n]);
        };
        bool any = false;
        for (int m = 1; m <= kTableMetals; ++m) {
            if (rec.ML[m] == 0) continue;
            any = true;
            chelatorCells();
            csv.Text(s.Constants[1].MetalName[m].view()).Log(rec.ML[m]).Value(rec.dML[m]);
            csv.Log(rec.MHL[m]).Value(rec.dMHL[m]).Text(rec.Comment[m].view());
            csv.EndRow();
        }
        if (!any) {
            chelatorCells();
            csv.Empty().Empty().Empty().Empty().Empty().Empty();
            csv.EndRow();
        }
    }
    return csv.Str();
}

}  // namespace dedodiz
