#pragma once
// The work settings file (".STG"): the whole working situation in one binary record of 303 bytes,
// little-endian and packed: the constants file name, the calculation type, the choice of chelators and
// metals, temperature, pH, ionic strength and the four concentration arrays of Solution. The constants
// themselves stay in their own file, which loading reads again from disk.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "Sinks.h"
#include "State.h"

namespace dedodiz {

inline constexpr std::size_t kWorkRecordBytes = 303;

// The chelator mask (bit k-1 for chelator k = 1..12) and the metal mask (bit k-1 for metal k = 1..9).
std::pair<std::uint16_t, std::uint16_t> PackSelection(const State& s);

// Sets all twelve ChelatorChosen and all nine MetalChosen from the masks; bits beyond them are ignored.
void UnpackSelection(State& s, std::uint16_t chelMask, std::uint16_t metalMask);

// The record as SaveWorkSettings writes it.
std::string WorkRecordBytes(const State& s);

// Writes the record to WorkFileName. Failures are shown with caption "ERROR"; a failed save leaves any
// previous file of that name untouched. Nothing in memory changes.
void SaveWorkSettings(State& s, MessageSink& messages);

// Reads the record named by WorkFileName: resets the state, reads the constants file named inside
// (relative names are taken from the current folder), restores type, choice, conditions and
// concentrations. True when the state was restored; false after an "ERROR" message, with the state
// unchanged when the work file itself was at fault and reset as by File > New when the constants file
// could not be loaded.
bool LoadWorkSettings(State& s, MessageSink& messages);

}  // namespace dedodiz
