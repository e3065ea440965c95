// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The desktop program's state: every part of the library's state in one aggregate, and the parts that
// belong to the windows alone (the dialogs' confirmation flags, the output window's switch, the work
// file's name). The windows hand each computation only the parts it takes.

#include "buffers/BufferModel.h"
#include "core/Sweep.h"
#include "engine/Run.h"
#include "engine/Sinks.h"
#include "files/Editor.h"
#include "gui/ProgramState.h"

namespace dedodiz {

// What the dialogs of a command chain leave for the chain to test, and the output window's switch.
struct DialogFlags {
    bool EnvDialogOK = false;               // the Environment dialog was closed with OK
    bool ArrayDialogOK = false;             // the chelator and metal choice
    bool MetalDialogOK = false;             // the Choose Metal dialog of Evaluate Chelators
    bool ConcDialogOK = false;              // the concentration dialog
    OneBased<double, 12> ConcDialogValues;  // last values read from the concentration dialog
    bool AddNextRun = false;                // "&Add Output": the next report is appended to the text
    bool RefineResults = false;             // "E&xact results (refine)": runs and sweeps are refined
};

// Where the next report goes: appended when "&Add Output" is ticked, otherwise in place of the text.
inline ReportPlacement Placement(const DialogFlags& flags) {
    return flags.AddNextRun ? ReportPlacement::Append : ReportPlacement::Replace;
}

// How runs and sweeps solve: refined when "E&xact results (refine)" is ticked.
inline Precision RunPrecision(const DialogFlags& flags) {
    return flags.RefineResults ? Precision::Refined : Precision::Iteration;
}

// All parts together. A window or command passes a function the part it takes (a ProgramState is each
// of them), so a signature still tells what a computation reads and writes.
struct ProgramState : ConstantsTable,
                      Selection,
                      Calculation,
                      EditorState,
                      BufferTool,
                      SweepState,
                      DialogFlags {
    FileName WorkFileName;

    // The parts by name, for calls that take more than one of them.
    ConstantsTable& table() { return *this; }
    Selection& selection() { return *this; }
    Calculation& calc() { return *this; }
    EditorState& editor() { return *this; }
    BufferTool& buffers() { return *this; }
    SweepState& sweep() { return *this; }
    DialogFlags& dialogs() { return *this; }
    [[nodiscard]] const ConstantsTable& table() const { return *this; }
    [[nodiscard]] const Selection& selection() const { return *this; }
    [[nodiscard]] const Calculation& calc() const { return *this; }
    [[nodiscard]] const SweepState& sweep() const { return *this; }
    [[nodiscard]] const DialogFlags& dialogs() const { return *this; }
};

// File > New: an empty table and solution at the default conditions, type Free, nothing chosen, the
// buffer record and the editor at their defaults, "&Add Output" off. The sweep data and the buffer
// slots stay.
void NewState(ProgramState& s);

// What File > New does to the windows' own parts and the buffer record and editor, for a work file
// whose loading has reset the engine's parts.
void ResetOtherParts(ProgramState& s);

}  // namespace dedodiz
