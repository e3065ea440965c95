// SPDX-License-Identifier: BSD-3-Clause
#include "gui/ProgramState.h"

namespace dedodiz {

void ResetOtherParts(ProgramState& s) {
    s.AddNextRun = false;
    ResetBufferRecord(s.BufferRecord);
    ResetEditor(s);
}

void NewState(ProgramState& s) {
    s.New();
    ResetOtherParts(s);
}

}  // namespace dedodiz
