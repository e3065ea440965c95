// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The constants listing: the whole constants table as stored (20 C, 0.1 N, uncorrected) in the
// output text.

#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// Lists every named chelator with its protonation constants and enthalpies and one line per metal
// it binds (ML not 0), after clearing the output unless placement is Append; every line is cut to 80
// characters. With no named chelator shows "NO CHELATORS NAMED IN FILE" ("INFORMATION").
// The caller shows the output window.
void ListConstants(const ConstantsTable& table, ReportPlacement placement, OutputSink& output,
                   MessageSink& messages);

}  // namespace dedodiz
