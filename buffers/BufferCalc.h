// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The pH buffer calculator's two calculations, the ionic contribution of one buffer and the ranges
// report of all twelve, and the block of the window's present texts appended to the output.
//
// The functions that compute run under the caller's fault guard (RunGuarded). After a floating-point
// fault they store and write nothing, leaving BufferRecord and the output text as they were, and leave
// the fault raised, so that the guard shows its "ERROR" message.

#include <cstdint>
#include <string>
#include <vector>

#include "buffers/BufferModel.h"
#include "engine/FixedArray.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

struct BufferIonicResult {
    bool ok = false;          // false: a check or a fault stopped the calculation, nothing changed
    OneBased<double, 3> pKa;  // corrected pKa'[1..3], 0 for a step that does not exist
    double contribution = 0;  // [N] ionic strength that the buffer itself brings
};

// The ionic contribution of the buffer in the slot at BufferRecord's temperature, pH and ionic
// strength, for BufferAmount [mol/L] added in SaltForm. Stops with an "ERROR" message when the pH lies
// outside 4..10 or the slot's pKa are not in falling order with pKa[1] > 0; warns (and goes on) when
// the salt form exceeds the buffer's valence and when the contribution exceeds the total ionic
// strength. On success writes BufferType, pKa, pKaTemperature, dpKa and IonicContribution of
// BufferRecord.
//
// The hydrogen ion enters through the activity factor G of the solver's empirical fit, here as the
// concentration pH, pH - log10 G.
BufferIonicResult CalcBufferIonic(BufferTool& tool, int slot, MessageSink& messages);

// Texts of the result labels: a corrected pKa, and the contribution followed by "N".
std::string BufferPKaText(double pKa);
std::string BufferIonicText(double contribution);

// One line of the buffer ranges report: a step of a slot whose corrected pKa is not 0.
struct BufferRangeRow {
    int slot = 0;     // 1..12
    int step = 0;     // 1..3
    double pKa = 0;   // corrected pKa'
    double low = 0;   // pKa' - 0.5, the lowest pH the buffer holds
    double high = 0;  // pKa' + 0.5
};

// The numbers of one ranges report, which the text report and the data exports both print.
struct BufferRanges {
    bool ok = false;         // false: a floating-point fault stopped the computation
    double temperature = 0;  // [C]
    double pH = 0;
    double ionic = 0;              // [N]
    std::uint16_t bufferType = 0;  // type of the last slot, which the report leaves in BufferRecord
    std::vector<BufferRangeRow> rows;
};

// The useful pH range (pKa' +- 0.5) of every pKa of every slot at the temperature and ionic strength of
// the environment (a solution's conditions); changes nothing. Runs under the caller's fault guard;
// after a fault ok is false and the fault stays raised.
BufferRanges ComputeBufferRanges(const BufferTool& tool, const TSolution& environment);

// Writes the report of ranges that were computed, after clearing the output unless placement is
// Append, and copies their conditions into BufferRecord.
void WriteBufferRanges(BufferTool& tool, const BufferRanges& ranges, ReportPlacement placement,
                       OutputSink& output);

// ComputeBufferRanges, then WriteBufferRanges when it succeeded. The caller shows the output window.
void ReportBufferRanges(BufferTool& tool, const TSolution& environment, ReportPlacement placement,
                        OutputSink& output);

// The window's fields and result labels as they stand.
struct BufferFieldTexts {
    std::string temperature;       // ET
    std::string pH;                // EP
    std::string ionic;             // EI
    std::string amount;            // EA
    std::string name;              // Edit13
    std::string pKa1, pKa2, pKa3;  // Label10, Label13, Label14
    std::string contribution;      // Label16
};

// Appends six lines describing the window's present inputs and results; the output is not cleared.
void AddBufferToOutput(OutputSink& output, const BufferFieldTexts& fields);

}  // namespace dedodiz
