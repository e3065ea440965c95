// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The work settings file (".STG"): the whole working situation in one binary record of 303 bytes,
// little-endian and packed: the constants file name, the calculation type, the choice of chelators and
// metals, temperature, pH, ionic strength and the four concentration arrays of Solution. The constants
// themselves stay in their own file, which loading reads again from disk.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/SafeFile.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

inline constexpr std::size_t kWorkRecordBytes = 303;

// The chelator mask (bit k-1 for chelator k = 1..12) and the metal mask (bit k-1 for metal k = 1..9).
std::pair<std::uint16_t, std::uint16_t> PackSelection(const Selection& selection);

// Sets all twelve ChelatorChosen and all nine MetalChosen from the masks; bits beyond them are ignored.
void UnpackSelection(Selection& selection, std::uint16_t chelMask, std::uint16_t metalMask);

// The record as SaveWorkSettings writes it: the constants file name, the type, the choice, the
// conditions and the four concentration arrays of the solution.
std::string WorkRecordBytes(std::string_view constantsFileName, const Selection& selection,
                            const Calculation& calc);

// Writes the record to path. Failures are shown with caption "ERROR", the reason on the message's
// second line, and returned with their reason; a failed save leaves any previous file of that name
// untouched. Nothing in memory changes.
FileResult SaveWorkSettings(const std::string& path, std::string_view constantsFileName,
                            const Selection& selection, const Calculation& calc, MessageSink& messages);

// How loading a work file ended.
enum class WorkLoadStatus {
    Loaded,           // table, selection and calculation restored from the file
    WorkFileRefused,  // the work file is missing or damaged: nothing changed
    ConstantsFailed,  // its constants file could not be read: the parts are reset as by File > New
};

struct WorkLoadResult {
    WorkLoadStatus status = WorkLoadStatus::WorkFileRefused;
    std::string reason;  // why it failed, for a message that names the file
    int error = 0;       // the system's error number behind the reason, 0 when a file was read but refused
    [[nodiscard]] bool Loaded() const { return status == WorkLoadStatus::Loaded; }
    // True when the engine's parts were reset (loaded or not): the caller resets its own parts too,
    // as File > New would.
    [[nodiscard]] bool Reset() const { return status != WorkLoadStatus::WorkFileRefused; }
};

// Reads the record at path: resets the table, the selection and the calculation, reads the constants
// file named inside (found as given, then beside the work file, then in the bundled data folder; the
// name stays as stored), restores type, choice, conditions and concentrations. Every failure is also
// shown as an "ERROR" message with the reason on its second line. A work file that is no regular file
// is refused like a damaged one; a constants name of neither constants kind (or one holding control
// bytes) fails like a constants file that cannot be read.
WorkLoadResult LoadWorkSettings(const std::string& path, ConstantsTable& table, Selection& selection,
                                Calculation& calc, MessageSink& messages);

}  // namespace dedodiz
