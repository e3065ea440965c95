// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The constants editor and its adjust dialog without any window: the texts of the editor's fields, how
// they are filled from the constants table and stored back into it, the stepping through chelators and
// metals, and the conversion of a constant found at other conditions to 20 C and 0.1 N.
//
// The editor works directly on the constants table: there is no copy and no undo. The windows only
// move these texts in and out of their controls.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// Where the editor stands and what the adjust dialog holds: the editor's part of the program state.
struct EditorState {
    std::uint8_t EditConChelator = 1;  // 1..12
    std::uint8_t EditConMetal = 1;     // 1..9
    std::int32_t EditConField = 0;     // 0 none, 1..4 H1..H4, 5 ML, 6 MHL
    double AdjConstant = 0;            // log10 K as found
    double AdjDH = 0;                  // [kcal/mol]
    double AdjResult = 0;              // log10 K at 20 C and 0.1 N
    double AdjSaved = 0;               // AdjResult when the dialog opened, restored by Cancel
    std::int32_t AdjChelatorValence = 1;
    std::int32_t AdjMetalValence = 1;
    bool AdjDirect = false;
};

// The editor at its first chelator and metal, the adjust values cleared (File > New).
void ResetEditor(EditorState& editor);

// The texts of the editor window, one member per control, named by what it holds. The window's
// controls keep the names the dialog gives them; each member says its control.
struct EditorFields {
    std::string chelatorNumber;  // Label13: "#" and the chelator number right-aligned in 2
    std::string chelatorName;    // Edit9
    std::string protonLogK1;     // Edit1: H1 (log10)
    std::string protonLogK2;     // Edit3: H2 (log10)
    std::string protonLogK3;     // Edit5: H3 (log10)
    std::string protonLogK4;     // Edit7: H4 (log10)
    std::string protonDH1;       // Edit2: dH1 [kcal/mol]
    std::string protonDH2;       // Edit4: dH2 [kcal/mol]
    std::string protonDH3;       // Edit6: dH3 [kcal/mol]
    std::string protonDH4;       // Edit8: dH4 [kcal/mol]
    std::string metalNumber;     // Label14: "#" and the metal number right-aligned in 2
    std::string metalName;       // MaskEdit1: shared by every record (record 1 holds it)
    std::string mlLogK;          // Edit11: ML (log10)
    std::string mhlLogK;         // Edit12: MHL (log10)
    std::string mlDH;            // Edit13: dML [kcal/mol]
    std::string mhlDH;           // Edit14: dMHL [kcal/mol]
    std::string comment;         // Edit15: of the current chelator for the current metal
};

// The editor's text controls, for the rule of which constant field was last entered (named as the
// members of EditorFields).
enum class EditorControl {
    ProtonLogK1,   // Edit1
    ProtonDH1,     // Edit2
    ProtonLogK2,   // Edit3
    ProtonDH2,     // Edit4
    ProtonLogK3,   // Edit5
    ProtonDH3,     // Edit6
    ProtonLogK4,   // Edit7
    ProtonDH4,     // Edit8
    ChelatorName,  // Edit9
    MlLogK,        // Edit11
    MhlLogK,       // Edit12
    MlDH,          // Edit13
    MhlDH,         // Edit14
    Comment,       // Edit15
    MetalName,     // MaskEdit1
};

// The text of one control.
const std::string& FieldText(const EditorFields& fields, EditorControl control);
std::string& FieldText(EditorFields& fields, EditorControl control);

// How every number is shown in the editor: 3 decimals right-aligned in 7 characters.
std::string EditorNumber(double x);

// Fills the chelator's number, name and the eight H and dH fields from record EditConChelator.
void ShowChelator(const ConstantsTable& table, EditorState& editor, EditorFields& fields);

// Fills the metal's number and name (from record 1), the comment and ML, MHL, dML, dMHL from record
// EditConChelator, metal EditConMetal.
void ShowMetal(const ConstantsTable& table, EditorState& editor, EditorFields& fields);

// Writes the fields into the table: the name, the metal name and the comment (cut to 7, 3 and 20),
// then the twelve numbers in the order H1..H4, dH1..dH4, ML, MHL, dML, dMHL, each stored as soon as it
// parses. Stops at the first that does not parse and returns false; what was stored before stays.
bool StoreEditorFields(ConstantsTable& table, EditorState& editor, const EditorFields& fields);

// The field at which StoreEditorFields stops: the first of the twelve numbers, in its order, that does
// not parse; nullopt when all do. A window names it in its refusal and puts the focus on it.
std::optional<EditorControl> UnparsedNumberField(const EditorFields& fields);

// The field for which PrepareAdjust says "Attempting to use an un-real number": the constant field of
// EditConField, or else its enthalpy field, when it does not parse; nullopt when both do.
std::optional<EditorControl> UnparsedAdjustField(const EditorState& editor, const EditorFields& fields);

// The "&Next" buttons and OK: each stores the fields first. When a field does not parse they show
// "BAD NUMBER FORMAT, TRY AGAIN" ("ERROR"), change nothing else and return false, so that the editor
// stays as it is for the user to correct the field. Otherwise NextChelator moves to the next chelator
// (after 12 comes 1) and shows it and its metal, NextMetal moves to the next metal (after 9 comes 1)
// and shows it, and EditorOK tells that the editor may close.
bool NextChelator(ConstantsTable& table, EditorState& editor, EditorFields& fields, MessageSink& messages);
bool NextMetal(ConstantsTable& table, EditorState& editor, EditorFields& fields, MessageSink& messages);
bool EditorOK(ConstantsTable& table, EditorState& editor, const EditorFields& fields, MessageSink& messages);

// Clicking into or changing a control: H1..H4 set EditConField to 1..4, ML to 5, MHL to 6, every
// other control to 0.
void EditorFieldEntered(EditorState& editor, EditorControl control);

// The adjust dialog's texts and choices, named by what they hold; each says its control.
struct AdjustFields {
    std::string knownTemperature = "20.0";  // Edit1: T0 [C]
    std::string knownIonic = "0.100";       // Edit2: I0 [N]
    std::string adjusted = " ";             // Edit3: the adjusted constant
    std::string constantFound;              // Edit5: log10
    std::string enthalpyFound;              // Edit6: [kcal/mol]
    int chelatorValence = 1;                // cv: z1, 1..4
    // mv: metal valence z2, the valence digit of the metal name, 0..9. The dialog offers 1, 2 and 3 and
    // adds the digit of the name when it is another one, so that the charge computed is the one the name
    // says.
    int metalValence = 1;
    bool variesDirectly = false;  // vi, "Varies with [ionic]": true "Directly" (reverse), false "Indirectly"
};

// The "&Adjust" button before the dialog is shown. Returns false after telling the user why when there
// is nothing to adjust: "Adjust is for constants only" ("INFORMATION") when no constant field was
// entered last; "3rd letter of metal name is the valence and is missing" for ML or MHL of a metal name
// without its valence digit; "Attempting to use an un-real number" when the constant or its enthalpy
// does not parse (all "ERROR"). Otherwise sets the Adj* values and the dialog's fields: the charges
// preselected (a protonation step k: chelator k, metal 1; ML or MHL: chelator 2 when the record has an
// H2, else 1, and the metal's valence), T0 20.0 and I0 0.100, the direction from a name ending in "+".
bool PrepareAdjust(const ConstantsTable& table, EditorState& state, const EditorFields& editor,
                   AdjustFields& dialog, MessageSink& messages);

enum class AdjustOutcome {
    Computed,     // AdjResult and the dialog's adjusted text hold the converted constant
    CloseDialog,  // a field did not parse; the user was told and the dialog closes, AdjResult unchanged
    Fault,        // a floating-point fault ("ERROR" shown); nothing stored, the dialog stays open
};

// "Adjust Constant": reads T0, I0, the constant and its enthalpy (messages "Temperature not a real
// number", "Ionic not a real number", "Constant not a real number", "dH not a real number"), takes the
// charges and the direction from the dialog, and converts the constant to 20 C and 0.1 N.
AdjustOutcome AdjustConstant(EditorState& editor, AdjustFields& dialog, MessageSink& messages);

// "&Cancel" of the adjust dialog: the value from before the dialog comes back.
void CancelAdjust(EditorState& editor);

// The text written back into an editor field: AdjResult with 3 decimals, cut to its first 7 characters
// (1234.5678 gives "1234.56"). A number whose whole part alone needs more than 7 characters keeps its
// whole part, rounded, rather than lose digits before the point.
std::string AdjustedFieldText(double x);

// When the adjust dialog has closed, whichever way: the constant field the dialog was opened for
// receives AdjustedFieldText(AdjResult). The table changes only when the fields are next stored.
void FinishAdjust(const EditorState& state, EditorFields& editor);

}  // namespace dedodiz
