#pragma once
// The pH buffer calculator's two calculations, the ionic contribution of one buffer and the ranges
// report of all twelve, and the block of the window's present texts appended to the output.
//
// The functions that compute run under the caller's fault guard (RunGuarded). After a floating-point
// fault they store and write nothing, leaving BufferRecord and the output text as they were, and leave
// the fault raised, so that the guard shows its "ERROR" message.

#include <string>

#include "FixedArray.h"
#include "Sinks.h"
#include "State.h"

namespace dedodiz {

struct BufferIonicResult {
    bool ok = false;                // false: a check or a fault stopped the calculation, nothing changed
    OneBased<double, 3> pKa;        // corrected pKa'[1..3], 0 for a step that does not exist
    double contribution = 0;        // [N] ionic strength that the buffer itself brings
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
BufferIonicResult CalcBufferIonic(State& s, int slot, MessageSink& messages);

// Texts of the result labels: a corrected pKa, and the contribution followed by "N".
std::string BufferPKaText(double pKa);
std::string BufferIonicText(double contribution);

// The useful pH range (pKa' +- 0.5) of every pKa of every slot at the solution's temperature and ionic
// strength, after clearing the output unless AddNextRun is set. Copies the solution's conditions into
// BufferRecord. The caller shows the output window.
void ReportBufferRanges(State& s, OutputSink& output);

// The window's fields and result labels as they stand.
struct BufferFieldTexts {
    std::string temperature;   // ET
    std::string pH;            // EP
    std::string ionic;         // EI
    std::string amount;        // EA
    std::string name;          // Edit13
    std::string pKa1, pKa2, pKa3;  // Label10, Label13, Label14
    std::string contribution;  // Label16
};

// Appends six lines describing the window's present inputs and results; the output is not cleared.
void AddBufferToOutput(OutputSink& output, const BufferFieldTexts& fields);

}  // namespace dedodiz
