// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The desktop program's state: every part of the library's state in one aggregate, and the parts that
// belong to the windows alone (the dialogs' confirmation flags, the output window's switch, the work
// file's name). The windows hand each computation only the parts it takes.

#include "core/Session.h"
#include "engine/Run.h"
#include "engine/Sinks.h"
#include "files/Editor.h"

namespace dedodiz {

// What the dialogs of a command chain leave for the chain to test, and the output window's switch.
struct DialogFlags {
    bool EnvDialogOK = false;               // the Environment dialog was closed with OK
    bool ArrayDialogOK = false;             // the chelator and metal choice
    bool MetalDialogOK = false;             // the Choose Metal dialog of Evaluate Chelators
    bool ConcDialogOK = false;              // the concentration dialog
    OneBased<double, 12> ConcDialogValues;  // last values read from the concentration dialog
    bool AddNextRun = false;                // "&Add Output": the next report is appended to the text
};

// Where the next report goes: appended when "&Add Output" is ticked, otherwise in place of the text.
inline ReportPlacement Placement(const DialogFlags& flags) {
    return flags.AddNextRun ? ReportPlacement::Append : ReportPlacement::Replace;
}

// All parts together: the Session (the library's parts and its commands) and the windows' own parts. A
// window or command passes a function the part it takes (a ProgramState is each of them), so a
// signature still tells what a computation reads and writes.
struct ProgramState : Session, EditorState, DialogFlags {
    FileName WorkFileName;

    EditorState& editor() { return *this; }
    DialogFlags& dialogs() { return *this; }
    [[nodiscard]] const DialogFlags& dialogs() const { return *this; }
};

// A command of the Session as the windows perform it: its messages shown as they arise (and its report
// written to output, when one is given), a refusal of the input shown as an "ERROR" message naming the
// field and why.
template <typename Command>
Outcome Perform(ProgramState& s, MessageSink& messages, OutputSink* output, Command command) {
    struct Sinks {
        Session& session;
        ~Sinks() { session.SetSinks(nullptr, nullptr); }
    } restore{s};
    s.SetSinks(&messages, output);
    Outcome outcome = command(static_cast<Session&>(s));
    if (outcome.status == Status::Refused) messages.Message(outcome.Message(), "ERROR");
    return outcome;
}

// File > New: an empty table and solution at the default conditions, type Free, nothing chosen, the
// buffer record and the editor at their defaults, "&Add Output" off. The sweep data and the buffer
// slots stay.
void NewState(ProgramState& s);

// What File > New does to the windows' own parts and the buffer record and editor, for a work file
// whose loading has reset the engine's parts.
void ResetOtherParts(ProgramState& s);

}  // namespace dedodiz
