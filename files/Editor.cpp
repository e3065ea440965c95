// SPDX-License-Identifier: BSD-3-Clause
#include "files/Editor.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "files/ByteIO.h"

namespace dedodiz {

namespace {

constexpr std::size_t kFieldWidth = 7;  // the editor's number fields hold 7 characters

// "#" followed by the number right-aligned in 2 characters.
std::string NumberLabel(int n) {
    return "#" + FormatFixed(n, 2, 0);
}

// The record and metal being edited, brought into range should the state hold anything else.
int CurrentChelator(EditorState& s) {
    s.EditConChelator = static_cast<std::uint8_t>(std::clamp<int>(s.EditConChelator, 1, kTableChelators));
    return s.EditConChelator;
}

int CurrentMetal(EditorState& s) {
    s.EditConMetal = static_cast<std::uint8_t>(std::clamp<int>(s.EditConMetal, 1, kTableMetals));
    return s.EditConMetal;
}

// The constant field a value of EditConField stands for, with its enthalpy field.
struct ConstantField {
    std::string EditorFields::*constant = nullptr;
    std::string EditorFields::*enthalpy = nullptr;
};

// Indexed by EditConField: 1..4 the protonation steps H1..H4, 5 ML, 6 MHL.
constexpr ConstantField kConstantFields[] = {
    {},
    {&EditorFields::protonLogK1, &EditorFields::protonDH1},
    {&EditorFields::protonLogK2, &EditorFields::protonDH2},
    {&EditorFields::protonLogK3, &EditorFields::protonDH3},
    {&EditorFields::protonLogK4, &EditorFields::protonDH4},
    {&EditorFields::mlLogK, &EditorFields::mlDH},
    {&EditorFields::mhlLogK, &EditorFields::mhlDH},
};

ConstantField FieldOf(int editConField) {
    return editConField >= 1 && editConField <= 6 ? kConstantFields[editConField] : ConstantField{};
}

// Each control with its text and the value of EditConField that entering it gives.
struct ControlField {
    EditorControl control;
    std::string EditorFields::*text;
    int editConField;
};

constexpr ControlField kControlFields[] = {
    {EditorControl::ProtonLogK1, &EditorFields::protonLogK1, 1},
    {EditorControl::ProtonDH1, &EditorFields::protonDH1, 0},
    {EditorControl::ProtonLogK2, &EditorFields::protonLogK2, 2},
    {EditorControl::ProtonDH2, &EditorFields::protonDH2, 0},
    {EditorControl::ProtonLogK3, &EditorFields::protonLogK3, 3},
    {EditorControl::ProtonDH3, &EditorFields::protonDH3, 0},
    {EditorControl::ProtonLogK4, &EditorFields::protonLogK4, 4},
    {EditorControl::ProtonDH4, &EditorFields::protonDH4, 0},
    {EditorControl::ChelatorName, &EditorFields::chelatorName, 0},
    {EditorControl::MlLogK, &EditorFields::mlLogK, 5},
    {EditorControl::MhlLogK, &EditorFields::mhlLogK, 6},
    {EditorControl::MlDH, &EditorFields::mlDH, 0},
    {EditorControl::MhlDH, &EditorFields::mhlDH, 0},
    {EditorControl::Comment, &EditorFields::comment, 0},
    {EditorControl::MetalName, &EditorFields::metalName, 0},
};

// The twelve number fields in the order StoreEditorFields reads them: H1..H4, dH1..dH4, ML, MHL, dML,
// dMHL.
constexpr EditorControl kNumberOrder[] = {
    EditorControl::ProtonLogK1, EditorControl::ProtonLogK2, EditorControl::ProtonLogK3,
    EditorControl::ProtonLogK4, EditorControl::ProtonDH1,   EditorControl::ProtonDH2,
    EditorControl::ProtonDH3,   EditorControl::ProtonDH4,   EditorControl::MlLogK,
    EditorControl::MhlLogK,     EditorControl::MlDH,        EditorControl::MhlDH,
};

const ControlField& Find(EditorControl control) {
    for (const ControlField& field : kControlFields)
        if (field.control == control) return field;
    return kControlFields[0];  // not reached: every control is listed
}

bool StoreOrRefuse(ConstantsTable& table, EditorState& s, const EditorFields& fields, MessageSink& messages) {
    if (StoreEditorFields(table, s, fields)) return true;
    messages.Message("BAD NUMBER FORMAT, TRY AGAIN", "ERROR");
    return false;
}

}  // namespace

void ResetEditor(EditorState& e) {
    // The value saved for Cancel belongs to an adjust dialog that has opened; it stays.
    const double saved = e.AdjSaved;
    e = EditorState{};
    e.AdjSaved = saved;
}

const std::string& FieldText(const EditorFields& f, EditorControl control) {
    return f.*Find(control).text;
}

std::string& FieldText(EditorFields& f, EditorControl control) {
    return f.*Find(control).text;
}

std::string EditorNumber(double x) {
    return FormatFixed(x, static_cast<int>(kFieldWidth), 3);
}

void ShowChelator(const ConstantsTable& table, EditorState& s, EditorFields& f) {
    const int c = CurrentChelator(s);
    const TChelatorRec& rec = table.Constants[c];
    f.chelatorNumber = NumberLabel(c);
    f.chelatorName = rec.Name.str();
    f.protonLogK1 = EditorNumber(rec.H[1]);
    f.protonLogK2 = EditorNumber(rec.H[2]);
    f.protonLogK3 = EditorNumber(rec.H[3]);
    f.protonLogK4 = EditorNumber(rec.H[4]);
    f.protonDH1 = EditorNumber(rec.dH[1]);
    f.protonDH2 = EditorNumber(rec.dH[2]);
    f.protonDH3 = EditorNumber(rec.dH[3]);
    f.protonDH4 = EditorNumber(rec.dH[4]);
    s.EditConField = 0;
}

void ShowMetal(const ConstantsTable& table, EditorState& s, EditorFields& f) {
    const int c = CurrentChelator(s);
    const int m = CurrentMetal(s);
    const TChelatorRec& rec = table.Constants[c];
    f.metalNumber = NumberLabel(m);
    f.metalName = table.Constants[1].MetalName[m].str();
    f.comment = rec.Comment[m].str();
    f.mlLogK = EditorNumber(rec.ML[m]);
    f.mhlLogK = EditorNumber(rec.MHL[m]);
    f.mlDH = EditorNumber(rec.dML[m]);
    f.mhlDH = EditorNumber(rec.dMHL[m]);
    s.EditConField = 0;
}

bool StoreEditorFields(ConstantsTable& table, EditorState& s, const EditorFields& f) {
    const int c = CurrentChelator(s);
    const int m = CurrentMetal(s);
    TChelatorRec& rec = table.Constants[c];
    // Names are cut, never refused; a character typed with an accent goes whole or not at all.
    rec.Name = fileio::CutText(f.chelatorName, ChelatorText::max_length);
    table.Constants[1].MetalName[m] = fileio::CutText(f.metalName, MetalText::max_length);
    rec.Comment[m] = fileio::CutText(f.comment, CommentText::max_length);

    double* const targets[] = {
        &rec.H[1],  &rec.H[2],  &rec.H[3],  &rec.H[4],   &rec.dH[1],  &rec.dH[2],
        &rec.dH[3], &rec.dH[4], &rec.ML[m], &rec.MHL[m], &rec.dML[m], &rec.dMHL[m],
    };
    static_assert(std::size(targets) == std::size(kNumberOrder));
    for (std::size_t i = 0; i < std::size(targets); ++i) {
        const std::optional<double> value = ParseReal(FieldText(f, kNumberOrder[i]));
        if (!value) return false;
        *targets[i] = *value;
    }
    return true;
}

std::optional<EditorControl> UnparsedNumberField(const EditorFields& fields) {
    for (const EditorControl control : kNumberOrder)
        if (!ParseReal(FieldText(fields, control))) return control;
    return std::nullopt;
}

std::optional<EditorControl> UnparsedAdjustField(const EditorState& s, const EditorFields& fields) {
    const ConstantField field = FieldOf(s.EditConField);
    if (field.constant == nullptr) return std::nullopt;
    for (const auto member : {field.constant, field.enthalpy}) {
        if (ParseReal(fields.*member)) continue;
        for (const ControlField& control : kControlFields)
            if (control.text == member) return control.control;
    }
    return std::nullopt;
}

bool NextChelator(ConstantsTable& table, EditorState& s, EditorFields& fields, MessageSink& messages) {
    if (!StoreOrRefuse(table, s, fields, messages)) return false;
    s.EditConChelator = static_cast<std::uint8_t>(CurrentChelator(s) % kTableChelators + 1);
    ShowChelator(table, s, fields);
    ShowMetal(table, s, fields);
    return true;
}

bool NextMetal(ConstantsTable& table, EditorState& s, EditorFields& fields, MessageSink& messages) {
    if (!StoreOrRefuse(table, s, fields, messages)) return false;
    s.EditConMetal = static_cast<std::uint8_t>(CurrentMetal(s) % kTableMetals + 1);
    ShowMetal(table, s, fields);
    return true;
}

bool EditorOK(ConstantsTable& table, EditorState& s, const EditorFields& fields, MessageSink& messages) {
    return StoreOrRefuse(table, s, fields, messages);
}

void EditorFieldEntered(EditorState& s, EditorControl control) {
    s.EditConField = Find(control).editConField;
}

bool PrepareAdjust(const ConstantsTable& table, EditorState& s, const EditorFields& editor,
                   AdjustFields& dialog, MessageSink& messages) {
    const ConstantField field = FieldOf(s.EditConField);
    if (field.constant == nullptr) {
        messages.Message("Adjust is for constants only", "INFORMATION");
        return false;
    }

    if (s.EditConField <= 4) {
        // A protonation step k joins H+ to the ligand carrying k charges.
        s.AdjMetalValence = 1;
        s.AdjChelatorValence = s.EditConField;
    } else {
        s.AdjChelatorValence = table.Constants[CurrentChelator(s)].H[2] > 0 ? 2 : 1;
        const int valence = MetalNameValence(editor.metalName);
        if (valence < 0) {
            messages.Message("3rd letter of metal name is the valence and is missing", "ERROR");
            return false;
        }
        s.AdjMetalValence = valence;
    }
    dialog.chelatorValence = s.AdjChelatorValence;
    dialog.metalValence = s.AdjMetalValence;

    const std::string& constantText = editor.*field.constant;
    const std::optional<double> constant = ParseReal(constantText);
    if (!constant) {
        messages.Message("Attempting to use an un-real number", "ERROR");
        return false;
    }
    s.AdjConstant = s.AdjResult = *constant;
    dialog.constantFound = constantText;
    dialog.adjusted = constantText;

    const std::string& enthalpyText = editor.*field.enthalpy;
    const std::optional<double> enthalpy = ParseReal(enthalpyText);
    if (!enthalpy) {
        messages.Message("Attempting to use an un-real number", "ERROR");
        return false;
    }
    s.AdjDH = *enthalpy;
    dialog.enthalpyFound = enthalpyText;

    dialog.knownTemperature = "20.0";
    dialog.knownIonic = "0.100";
    // A chelator whose name ends in "+" is positively charged: its constants vary the other way.
    s.AdjDirect = editor.chelatorName.size() >= kFieldWidth && editor.chelatorName[kFieldWidth - 1] == '+';
    dialog.variesDirectly = s.AdjDirect;

    s.AdjSaved = s.AdjResult;
    return true;
}

AdjustOutcome AdjustConstant(EditorState& s, AdjustFields& dialog, MessageSink& messages) {
    const std::optional<double> T0 = ParseReal(dialog.knownTemperature);
    if (!T0) {
        messages.Message("Temperature not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    const std::optional<double> I0 = ParseReal(dialog.knownIonic);
    if (!I0) {
        messages.Message("Ionic not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    const std::optional<double> constant = ParseReal(dialog.constantFound);
    if (!constant) {
        messages.Message("Constant not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    s.AdjConstant = *constant;
    const std::optional<double> dH = ParseReal(dialog.enthalpyFound);
    if (!dH) {
        messages.Message("dH not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    s.AdjDH = *dH;

    s.AdjChelatorValence = dialog.chelatorValence;
    s.AdjMetalValence = dialog.metalValence;
    s.AdjDirect = dialog.variesDirectly;

    // An ionic strength of 0 or below, or a temperature of -273 C, is a fault of the conversion; the
    // guard tells the user and nothing is stored.
    double result = 0;
    const bool ok = RunGuarded(messages, [&] {
        result = CorrectConstant(s.AdjChelatorValence, s.AdjMetalValence, s.AdjDirect, s.AdjDH,
                                 kReferenceTemperature, kReferenceIonic, s.AdjConstant, *T0, *I0);
    });
    if (!ok) return AdjustOutcome::Fault;
    s.AdjResult = result;
    dialog.adjusted = EditorNumber(result);
    return AdjustOutcome::Computed;
}

void CancelAdjust(EditorState& s) {
    s.AdjResult = s.AdjSaved;
}

std::string AdjustedFieldText(double x) {
    std::string text = EditorNumber(x);
    if (text.size() <= kFieldWidth) return text;
    const std::size_t point = text.find('.');
    // Cutting inside the whole part would give a number ten or more times too small.
    if (point != std::string::npos && point > kFieldWidth)
        return FormatFixed(x, static_cast<int>(kFieldWidth), 0);
    text.resize(kFieldWidth);
    return text;
}

void FinishAdjust(const EditorState& s, EditorFields& editor) {
    const ConstantField field = FieldOf(s.EditConField);
    if (field.constant != nullptr) editor.*field.constant = AdjustedFieldText(s.AdjResult);
}

}  // namespace dedodiz
