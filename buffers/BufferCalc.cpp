// SPDX-License-Identifier: BSD-3-Clause
#include "buffers/BufferCalc.h"

#include <cmath>
#include <vector>

#include "buffers/BufferModel.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "engine/Solver.h"

namespace dedodiz {

namespace {

constexpr double kLowestPH = 4.0;
constexpr double kHighestPH = 10.0;
constexpr double kHalfRange = 0.5;  // a buffer holds the pH within pKa' +- 0.5
constexpr std::size_t kReportWidth = 80;
constexpr std::size_t kBlockWidth = 255;
constexpr std::size_t kNameField = 17;

// Fraction of the buffer in its charged form for one step with r = [base]/[acid]: an anionic buffer
// carries the charge on the base, a cationic one on the acid.
double ChargedFraction(double r, bool anionic) {
    return anionic ? r * 1 / (1 + r) : 1 / (1 + r);
}

}  // namespace

std::string BufferPKaText(double pKa) {
    return FormatFixed(pKa, 6, 2);
}

std::string BufferIonicText(double contribution) {
    return FormatFixed(contribution, 8, 4) + "N";
}

namespace {

// The checks before the calculation; false after an "ERROR" message.
bool BufferInputsValid(const TBufferRecord& rec, const TBufferSlot& b, MessageSink& messages) {
    const char* problem = nullptr;
    if (rec.PH < kLowestPH || rec.PH > kHighestPH)
        problem = "pH out of range 4 - 10";
    else if (b.pKa[1] < b.pKa[2])
        problem = "pKa[1] must be > pKa[2]";
    else if (b.pKa[2] < b.pKa[3])
        problem = "pKa[2] must be > pKa[3]";
    else if (b.pKa[1] <= 0)
        problem = "pKa[1] must be > 0";
    if (problem != nullptr) messages.Message(problem, "ERROR");
    return problem == nullptr;
}

// The ionic contribution [N] of BufferAmount of the slot's buffer at the record's conditions, with its
// corrected pKa values.
double IonicContribution(const BufferTool& s, int slot, int valence, OneBased<double, 3>& pKa) {
    const TBufferSlot& b = s.BufferSlots[slot];
    const TBufferRecord& rec = s.BufferRecord;
    pKa = CorrectBufferPKa(s, slot, b.anionic ? 0 : 1, rec.Temperature, rec.Ionic);
    const double G = HydrogenActivityFactor(rec.Temperature, rec.Ionic);
    // The calculator works with the concentration pH, pH - log10 G (above the entered pH for G < 1).
    const double pHc = checked::Log10(checked::Pow10(rec.PH) / G);

    OneBased<double, 3> r;
    for (int k = 1; k <= 3; ++k) r[k] = b.pKa[k] > 0 ? checked::Pow10(pHc - pKa[k]) : 0;

    // A step counts only when every step before it exists.
    const double f1 = r[1] == 0 ? 0 : ChargedFraction(r[1], b.anionic);
    const double f2 = (r[1] == 0 || r[2] == 0) ? 0 : ChargedFraction(r[2], b.anionic);
    const double f3 = (r[1] == 0 || r[2] == 0 || r[3] == 0) ? 0 : ChargedFraction(r[3], b.anionic);

    // The empirical sum of the calculator ("EMP"): the second step of an anionic diprotic buffer
    // counts singly, that of a cationic one doubly.
    const double B = rec.BufferAmount;
    double sum = 0;
    if (valence == 1) {
        sum = 2 * f1 * B;
    } else if (valence == 2) {
        const double w = b.anionic ? 1 : 2;
        sum = 2 * f1 * B + w * f2 * B;
    } else if (valence == 3) {
        sum = 2 * f1 * B + 2 * f2 * B + 2 * f3 * B;
    }
    double contribution = checked::Finite(sum > 0 ? sum / 2 : 0);

    // A buffer added as a salt brings at least its counter-ions.
    const double saltFloor = rec.SaltForm >= 1 && rec.SaltForm <= 3 ? rec.SaltForm * B : 0;
    if (contribution < saltFloor) contribution = saltFloor;
    return contribution;
}

}  // namespace

BufferIonicResult CalcBufferIonic(BufferTool& s, int slot, MessageSink& messages) {
    slot = ClampBufferSlot(slot);
    const TBufferSlot& b = s.BufferSlots[slot];
    TBufferRecord& rec = s.BufferRecord;
    BufferIonicResult result;
    if (!BufferInputsValid(rec, b, messages)) return result;

    const int valence = SlotValence(s, slot);
    if (valence < rec.SaltForm) messages.Message("Salt must be less than valence of buffer", "ERROR");

    const FaultScope faults;
    OneBased<double, 3> pKa;
    const double contribution = IonicContribution(s, slot, valence, pKa);
    if (faults.Faulted()) return result;

    rec.BufferType = b.anionic ? 0 : 1;
    rec.pKa = b.pKa;
    rec.pKaTemperature = b.temperature;
    rec.dpKa = b.dpKa;
    rec.IonicContribution = contribution;

    if (contribution > rec.Ionic) messages.Message("ionic contribution greater than total ions", "ERROR");

    result.ok = true;
    result.pKa = pKa;
    result.contribution = contribution;
    return result;
}

BufferRanges ComputeBufferRanges(const BufferTool& s, const TSolution& environment) {
    BufferRanges r;
    r.temperature = environment.Temperature;
    r.ionic = environment.IonicEquiv;
    r.pH = environment.PH;

    const FaultScope faults;
    r.bufferType = s.BufferRecord.BufferType;
    for (int slot = 1; slot <= kBufferSlots; ++slot) {
        r.bufferType = s.BufferSlots[slot].anionic ? 0 : 1;
        const OneBased<double, 3> pKa = CorrectBufferPKa(s, slot, r.bufferType, r.temperature, r.ionic);
        for (int k = 1; k <= 3; ++k)
            if (pKa[k] != 0) r.rows.push_back({slot, k, pKa[k], pKa[k] - kHalfRange, pKa[k] + kHalfRange});
    }
    r.ok = !faults.Faulted();
    return r;
}

void WriteBufferRanges(BufferTool& s, const BufferRanges& r, ReportPlacement placement, OutputSink& output) {
    std::vector<std::string> lines;
    lines.emplace_back("pH Buffers are affected by temperature and ionic strength");
    lines.push_back(FormatFixed(r.temperature, 6, 1) + " °C  " + FormatFixed(r.ionic, 6, 3) + " N");
    lines.emplace_back("BUFFER              LOW     HIGH    pKa   COMMENTS");
    for (const BufferRangeRow& row : r.rows) {
        const TBufferSlot& b = s.BufferSlots[row.slot];
        std::string line = b.Name.str();
        line.append(kNameField > line.size() ? kNameField - line.size() : 0, ' ');
        line += " " + FormatFixed(row.low, 6, 2) + "  " + FormatFixed(row.high, 6, 2) + "  " +
                FormatFixed(row.pKa, 6, 2) + "  " + b.comments.str();
        lines.push_back(CutToChars(line, kReportWidth));
    }
    lines.push_back(CutToChars(
        "DEDODIZ32 v" + std::string(kVersion) + " using Using " + s.BufferFileName.str(), kReportWidth));

    s.BufferRecord.Temperature = r.temperature;
    s.BufferRecord.PH = r.pH;
    s.BufferRecord.Ionic = r.ionic;
    s.BufferRecord.BufferType = r.bufferType;
    BeginReport(output, placement);
    for (const std::string& line : lines) output.AddOutputLine(line);
}

void ReportBufferRanges(BufferTool& s, const TSolution& environment, ReportPlacement placement,
                        OutputSink& output) {
    const BufferRanges r = ComputeBufferRanges(s, environment);
    if (r.ok) WriteBufferRanges(s, r, placement, output);
}

void AddBufferToOutput(OutputSink& output, const BufferFieldTexts& f) {
    const std::string lines[] = {
        "",
        f.temperature + " °C    pH " + f.pH + "  " + f.ionic + "N   " + f.amount + "M  " + f.name,
        std::string(14, ' ') + "1           2          3",
        "New pKa's =" + f.pKa1 + std::string(6, ' ') + f.pKa2 + std::string(5, ' ') + f.pKa3,
        "Ionic contribution (EMP)=  " + f.contribution,
        "",
    };
    for (const std::string& line : lines) output.AddOutputLine(CutToChars(line, kBlockWidth));
}

}  // namespace dedodiz
