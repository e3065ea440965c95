// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The parts of the program state a test works on, in one aggregate as the desktop program holds them:
// the engine's parts always, and the parts of the layer under test (Parts<BufferTool>, ...).
// A Parts is each of its parts, so it is handed to a function as the part that function takes.

#include <type_traits>

#include "buffers/BufferModel.h"
#include "core/Sweep.h"
#include "engine/Corrections.h"
#include "engine/SafeFile.h"
#include "engine/Solver.h"
#include "engine/State.h"
#include "files/Editor.h"

namespace dedodiz::test {

// What the file tests keep beside the parts: the work file's name, and the status of the last constants
// file operation, which they compare.
struct FileTestPart {
    FileName WorkFileName;
    FileStatus status = FileStatus::Success;
};
inline void ResetPart(FileTestPart&) {}

template <typename... Extra>
struct Parts : ConstantsTable, Selection, Calculation, Extra... {
    ConstantsTable& table() { return *this; }
    Selection& selection() { return *this; }
    Calculation& calc() { return *this; }
    [[nodiscard]] const ConstantsTable& table() const { return *this; }
    [[nodiscard]] const Calculation& calc() const { return *this; }
};

// What the tests did with NewState: the engine's parts as File > New leaves them, and whatever reset
// the other parts have (given as Reset overloads by the layer's own test header).
template <typename... Extra>
void NewState(Parts<Extra...>& s) {
    NewCalculation(s, s, s);
    (ResetPart(static_cast<Extra&>(s)), ...);
}

// The run's computation without its checks and report: correct the constants, solve.
inline void PrepareAndSolve(Calculation& calc) {
    PrepareWork(calc.Solution, calc.WorkSolution);
    SolveEquilibrium(calc.CalcType, calc.WorkSolution, calc.Results);
}

// Solves the working copy as it stands.
inline void SolveWork(Calculation& calc) {
    SolveEquilibrium(calc.CalcType, calc.WorkSolution, calc.Results);
}

}  // namespace dedodiz::test

// The resets of the other layers' parts (inline: a test program that does not link a layer never calls its
// reset).
namespace dedodiz {
inline void ResetPart(BufferTool& tool) {
    ResetBufferRecord(tool.BufferRecord);
}
inline void ResetPart(EditorState& editor) {
    ResetEditor(editor);
}
inline void ResetPart(SweepState&) {}  // File > New leaves the sweep data as it is
}  // namespace dedodiz
