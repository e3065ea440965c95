#include "Export.h"

#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>

#include "BufferModel.h"
#include "Run.h"
#include "Sweep.h"

namespace dedodiz {

namespace {

using json = JsonValue;

// Unicode code points of the Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves
// undefined keep their Latin-1 control code points.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, char16_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string_view TypeWord(int calcType) {
    switch (calcType) {
        case 0:
            return "total";
        case 2:
            return "chelator";
        default:
            return "free";
    }
}

// A log10 constant; 0 means that the constant does not exist.
json LogK(double x) {
    return x != 0 ? json(x) : json(nullptr);
}

json Number(double x) {
    return std::isfinite(x) ? json(x) : json(nullptr);
}

json Messages(const ShownMessages& shown) {
    json list = json::array();
    for (const ShownMessage& m : shown) {
        std::string text = ExportText(m.text);
        for (char& c : text)
            if (c == '\r') c = '\n';
        list.push_back({{"caption", ExportText(m.caption)}, {"text", text}});
    }
    return list;
}

json Header(std::string_view result) {
    return {{"program", "DEDODIZ32"}, {"version", std::string(kVersion)}, {"result", std::string(result)}};
}

json Conditions(double temperature, double pH, double ionic) {
    return {{"temperature_C", Number(temperature)}, {"pH", Number(pH)}, {"ionic_strength_N", Number(ionic)}};
}

// A CSV table built row by row; every row is ended by a line feed.
class Csv {
  public:
    Csv& Text(std::string_view text) {
        Separate();
        line_ += CsvCell(text);
        return *this;
    }
    Csv& Value(double x) {
        Separate();
        line_ += CsvNumber(x);
        return *this;
    }
    // A log10 constant: an empty cell when the constant does not exist.
    Csv& Log(double x) {
        Separate();
        if (x != 0) line_ += CsvNumber(x);
        return *this;
    }
    Csv& Empty() {
        Separate();
        return *this;
    }
    Csv& Flag(bool b) { return Text(b ? "1" : "0"); }
    Csv& Texts(std::initializer_list<std::string_view> texts) {
        for (std::string_view t : texts) Text(t);
        return *this;
    }
    void EndRow() {
        out_ += line_;
        out_ += '\n';
        line_.clear();
        first_ = true;
    }
    [[nodiscard]] std::string Str() const { return out_; }

  private:
    void Separate() {
        if (!first_) line_ += ',';
        first_ = false;
    }
    std::string out_, line_;
    bool first_ = true;
};

bool ChelatorPresent(const TSolution& w, int i) {
    return w.ChelName[i] != kEmptyChelator;
}
bool MetalPresent(const TSolution& w, int j) {
    return w.MetalName[j] != kEmptyMetal;
}

std::string Key(std::string_view prefix, std::string_view name, std::string_view unit) {
    std::string key(prefix);
    key += '_';
    key += ExportText(name);
    if (!unit.empty()) {
        key += '_';
        key += unit;
    }
    return key;
}

// The series of the last sweep that belong to a slot: chelator slots in type Chelator, metal slots
// otherwise.
bool SeriesPresent(const State& s, int series) {
    return s.SweepMode % 3 == 2 ? !SweepChelatorName(s, series).empty() : !SweepMetalName(s, series).empty();
}

double SweepX(const State& s, int i) {
    return s.XStart + (i - 1) * s.XStep;
}
double SweepZ(const State& s, int j) {
    return s.ZStart + (j - 1) * s.ZStep;
}

json Axis(const State& s, std::uint16_t code, int points, double start, double step) {
    json axis = {{"key", SweepVariableKey(s, code)}, {"start", start}, {"step", step}};
    const int slot = MetalSlotOfVariable(code);
    axis["metal_slot"] = slot != 0 ? json(slot) : json(nullptr);
    json values = json::array();
    for (int i = 1; i <= points; ++i) values.push_back(Number(start + (i - 1) * step));
    axis["values"] = std::move(values);
    return axis;
}

json ValenceOf(std::string_view metalName) {
    const int valence = MetalNameValence(metalName);
    return valence >= 0 ? json(valence) : json(nullptr);
}

}  // namespace

void MessageLog::Message(std::string_view text, std::string_view caption) {
    shown_.push_back({std::string(caption), std::string(text)});
    next_.Message(text, caption);
}

std::string ExportText(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        AppendUtf8(out, b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

std::string CsvCell(std::string_view text) {
    const std::string utf8 = ExportText(text);
    const bool quote = utf8.find_first_of(",\"\r\n") != std::string::npos ||
                       (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' '));
    if (!quote) return utf8;
    std::string cell = "\"";
    for (const char c : utf8) {
        if (c == '"') cell += '"';
        cell += c;
    }
    cell += '"';
    return cell;
}

std::string CsvNumber(double x) {
    if (!std::isfinite(x)) return {};
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    return std::string(buffer.data(), result.ptr);
}

std::string JsonText(const JsonValue& value) {
    // The texts were made valid UTF-8 on the way in; replacing stays a safety net, never an exception.
    return value.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string SweepVariableKey(const State& s, std::uint16_t code) {
    switch (code) {
        case kVarTemperature:
            return "temperature_C";
        case kVarPH:
            return "pH";
        case kVarIonic:
            return "ionic_strength_N";
        default:
            break;
    }
    const int slot = MetalSlotOfVariable(code);
    if (slot == 0) return "variable_" + std::to_string(code);
    return Key(code < kVarFirstMetalTotal ? "free" : "total", SweepMetalName(s, slot), "M");
}

std::string SweepSeriesKey(const State& s, int series) {
    switch (s.SweepMode % 3) {
        case 0:
            return Key("total", SweepMetalName(s, series), "M");
        case 1:
            return Key("free", SweepMetalName(s, series), "M");
        default:
            return Key("total", SweepChelatorName(s, series), "M");
    }
}

json RunJson(const State& s, const ShownMessages& shown) {
    const TSolution& w = s.WorkSolution;
    json j = Header("single_point_run");
    j["calculation_type"] = TypeWord(s.CalcType);
    j["constants_file"] = ExportText(s.ConstantsFileName.view());
    j["conditions"] = Conditions(w.Temperature, w.PH, w.IonicEquiv);
    j["converged"] = s.Converged;
    j["solution_ionic_strength_M"] = Number(s.SolutionIonic);
    j["solution_ionic_equivalents_N"] = Number(s.SolutionCharge);

    json chelators = json::array();
    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorPresent(w, i)) continue;
        json c = {{"slot", i},
                  {"name", ExportText(w.ChelName[i].view())},
                  {"total_M", Number(w.ChelTotal[i])},
                  {"free_M", Number(w.ChelFree[i])}};
        for (int n = 1; n <= 4; ++n) c["log_K_H" + std::to_string(n)] = LogK(w.LogKH[i][n]);
        chelators.push_back(std::move(c));
    }
    j["chelators"] = std::move(chelators);

    json metals = json::array();
    for (int m = 1; m <= kSlots; ++m) {
        if (!MetalPresent(w, m)) continue;
        metals.push_back({{"slot", m},
                          {"name", ExportText(w.MetalName[m].view())},
                          {"valence", w.MetalValence[m]},
                          {"total_M", Number(w.MetalTotal[m])},
                          {"free_M", Number(w.MetalFree[m])}});
    }
    j["metals"] = std::move(metals);

    json pairs = json::array();
    for (int c = 1; c <= kSlots; ++c) {
        if (!ChelatorPresent(w, c)) continue;
        for (int m = 1; m <= kSlots; ++m) {
            if (!MetalPresent(w, m)) continue;
            const double kd = s.KdCombined[c][m];
            std::string_view word = kd != 0 ? BufferingRangeWord(kd, w.MetalFree[m]) : std::string_view();
            while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
            pairs.push_back({{"chelator_slot", c},
                             {"chelator", ExportText(w.ChelName[c].view())},
                             {"metal_slot", m},
                             {"metal", ExportText(w.MetalName[m].view())},
                             {"log_Kc_ML", LogK(s.LogKcML[c][m])},
                             {"log_Kc_MHL", LogK(s.LogKcMHL[c][m])},
                             {"Kd_M", kd != 0 ? Number(kd) : json(nullptr)},
                             {"ML_M", Number(s.MLConc[c][m])},
                             {"MHL_M", Number(s.MHLConc[c][m])},
                             {"range", kd != 0 ? json(std::string(word)) : json(nullptr)}});
        }
    }
    j["pairs"] = std::move(pairs);
    j["warnings"] = Messages(shown);
    return j;
}

std::string RunCsv(const State& s) {
    const TSolution& w = s.WorkSolution;
    Csv header, values;
    header.Texts({"calculation_type", "temperature_C", "pH", "ionic_strength_N", "converged",
                  "solution_ionic_strength_M", "solution_ionic_equivalents_N"});
    values.Text(TypeWord(s.CalcType)).Value(w.Temperature).Value(w.PH).Value(w.IonicEquiv).Flag(s.Converged);
    values.Value(s.SolutionIonic).Value(s.SolutionCharge);

    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorPresent(w, i)) continue;
        const std::string_view name = w.ChelName[i].view();
        header.Text(Key("total", name, "M")).Text(Key("free", name, "M"));
        values.Value(w.ChelTotal[i]).Value(w.ChelFree[i]);
        for (int n = 1; n <= 4; ++n) {
            header.Text(Key("log_K_H" + std::to_string(n), name, ""));
            values.Log(w.LogKH[i][n]);
        }
    }
    for (int m = 1; m <= kSlots; ++m) {
        if (!MetalPresent(w, m)) continue;
        const std::string_view name = w.MetalName[m].view();
        header.Text(Key("total", name, "M")).Text(Key("free", name, "M"));
        values.Value(w.MetalTotal[m]).Value(w.MetalFree[m]);
    }
    for (int c = 1; c <= kSlots; ++c) {
        if (!ChelatorPresent(w, c)) continue;
        for (int m = 1; m <= kSlots; ++m) {
            if (!MetalPresent(w, m)) continue;
            const std::string pair =
                ExportText(w.ChelName[c].view()) + "_" + ExportText(w.MetalName[m].view());
            header.Text(Key("log_Kc_ML", pair, ""))
                .Text(Key("log_Kc_MHL", pair, ""))
                .Text(Key("Kd", pair, "M"))
                .Text(Key("ML", pair, "M"))
                .Text(Key("MHL", pair, "M"))
                .Text(Key("range", pair, ""));
            const double kd = s.KdCombined[c][m];
            values.Log(s.LogKcML[c][m]).Log(s.LogKcMHL[c][m]);
            if (kd != 0)
                values.Value(kd);
            else
                values.Empty();
            values.Value(s.MLConc[c][m]).Value(s.MHLConc[c][m]);
            std::string_view word = kd != 0 ? BufferingRangeWord(kd, w.MetalFree[m]) : std::string_view();
            while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
            values.Text(word);
        }
    }
    header.EndRow();
    values.EndRow();
    return header.Str() + values.Str();
}

json SweepJson(const State& s, const ShownMessages& shown) {
    const bool threeD = Is3DSweep(s);
    json j = Header(threeD ? "sweep_3d" : "sweep_2d");
    j["calculation_type"] = TypeWord(s.SweepMode % 3);

    json start = Conditions(s.StartTemperature, s.StartPH, s.StartIonic);
    json chelators = json::array(), metals = json::array();
    for (int k = 1; k <= kSlots; ++k) {
        if (const std::string_view name = SweepChelatorName(s, k); !name.empty())
            chelators.push_back({{"slot", k},
                                 {"name", ExportText(name)},
                                 {"total_M", Number(s.StartChelTotal[k])},
                                 {"free_M", Number(s.StartChelFree[k])}});
        if (const std::string_view name = SweepMetalName(s, k); !name.empty())
            metals.push_back({{"slot", k},
                              {"name", ExportText(name)},
                              {"valence", ValenceOf(name)},
                              {"total_M", Number(s.StartMetalTotal[k])},
                              {"free_M", Number(s.StartMetalFree[k])}});
    }
    start["chelators"] = std::move(chelators);
    start["metals"] = std::move(metals);
    j["start"] = std::move(start);

    const int points = threeD ? kSweepPoints3D : kSweepPoints2D;
    j["x"] = Axis(s, s.XVariable, points, s.XStart, s.XStep);
    if (threeD) j["z"] = Axis(s, s.ZVariable, points, s.ZStart, s.ZStep);

    json series = json::array();
    for (int k = 1; k <= kSlots; ++k) {
        if (!SeriesPresent(s, k)) continue;
        json values = json::array();
        for (int i = 1; i <= points; ++i) {
            if (!threeD) {
                values.push_back(Number(s.Sweep2D[k][i]));
                continue;
            }
            json row = json::array();
            for (int z = 1; z <= points; ++z) row.push_back(Number(s.Sweep3D[k][i][z]));
            values.push_back(std::move(row));
        }
        const std::string_view name = s.SweepMode % 3 == 2 ? SweepChelatorName(s, k) : SweepMetalName(s, k);
        series.push_back({{"slot", k},
                          {"name", ExportText(name)},
                          {"key", SweepSeriesKey(s, k)},
                          {"values", std::move(values)}});
    }
    j["series"] = std::move(series);

    json converged = json::array();
    for (int i = 1; i <= points; ++i) {
        if (!threeD) {
            converged.push_back(s.Converged2D[i]);
            continue;
        }
        json row = json::array();
        for (int z = 1; z <= points; ++z) row.push_back(s.Converged3D[i][z]);
        converged.push_back(std::move(row));
    }
    j["converged"] = std::move(converged);
    // 2D keeps the largest ionic equivalents of its points, 3D the largest ionic strength.
    j[threeD ? "validity_limit_M" : "validity_limit_N"] = Number(s.PeakComplexIonic);
    j["warnings"] = Messages(shown);
    return j;
}

std::string SweepCsv(const State& s) {
    const bool threeD = Is3DSweep(s);
    Csv csv;
    std::string xKey = SweepVariableKey(s, s.XVariable);
    std::string zKey = threeD ? SweepVariableKey(s, s.ZVariable) : std::string();
    if (threeD && xKey == zKey) {  // nothing stops both axes sweeping the same quantity
        xKey = "x_" + xKey;
        zKey = "z_" + zKey;
    }
    csv.Text(xKey);
    if (threeD) csv.Text(zKey);
    for (int k = 1; k <= kSlots; ++k)
        if (SeriesPresent(s, k)) csv.Text(SweepSeriesKey(s, k));
    csv.Text("converged");
    csv.EndRow();

    if (!threeD) {
        for (int i = 1; i <= kSweepPoints2D; ++i) {
            csv.Value(SweepX(s, i));
            for (int k = 1; k <= kSlots; ++k)
                if (SeriesPresent(s, k)) csv.Value(s.Sweep2D[k][i]);
            csv.Flag(s.Converged2D[i]);
            csv.EndRow();
        }
        return csv.Str();
    }
    for (int z = 1; z <= kSweepPoints3D; ++z) {
        for (int i = 1; i <= kSweepPoints3D; ++i) {
            csv.Value(SweepX(s, i)).Value(SweepZ(s, z));
            for (int k = 1; k <= kSlots; ++k)
                if (SeriesPresent(s, k)) csv.Value(s.Sweep3D[k][i][z]);
            csv.Flag(s.Converged3D[i][z]);
            csv.EndRow();
        }
    }
    return csv.Str();
}

json EvaluationJson(const State& s, const ChelatorEvaluation& e, const ShownMessages& shown) {
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

std::string EvaluationCsv(const State& s, const ChelatorEvaluation& e) {
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

json BufferRangesJson(const State& s, const BufferRanges& r, const ShownMessages& shown) {
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

std::string BufferRangesCsv(const State& s, const BufferRanges& r) {
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

json ConstantsJson(const State& s, const ShownMessages& shown) {
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

std::string ConstantsCsv(const State& s) {
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
