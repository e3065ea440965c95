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
    {&EditorFields::Edit1, &EditorFields::Edit2},
    {&EditorFields::Edit3, &EditorFields::Edit4},
    {&EditorFields::Edit5, &EditorFields::Edit6},
    {&EditorFields::Edit7, &EditorFields::Edit8},
    {&EditorFields::Edit11, &EditorFields::Edit13},
    {&EditorFields::Edit12, &EditorFields::Edit14},
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
    {EditorControl::Edit1, &EditorFields::Edit1, 1},
    {EditorControl::Edit2, &EditorFields::Edit2, 0},
    {EditorControl::Edit3, &EditorFields::Edit3, 2},
    {EditorControl::Edit4, &EditorFields::Edit4, 0},
    {EditorControl::Edit5, &EditorFields::Edit5, 3},
    {EditorControl::Edit6, &EditorFields::Edit6, 0},
    {EditorControl::Edit7, &EditorFields::Edit7, 4},
    {EditorControl::Edit8, &EditorFields::Edit8, 0},
    {EditorControl::Edit9, &EditorFields::Edit9, 0},
    {EditorControl::Edit11, &EditorFields::Edit11, 5},
    {EditorControl::Edit12, &EditorFields::Edit12, 6},
    {EditorControl::Edit13, &EditorFields::Edit13, 0},
    {EditorControl::Edit14, &EditorFields::Edit14, 0},
    {EditorControl::Edit15, &EditorFields::Edit15, 0},
    {EditorControl::MaskEdit1, &EditorFields::MaskEdit1, 0},
};

// The twelve number fields in the order StoreEditorFields reads them: H1..H4, dH1..dH4, ML, MHL, dML,
// dMHL.
constexpr EditorControl kNumberOrder[] = {
    EditorControl::Edit1,  EditorControl::Edit3,  EditorControl::Edit5,  EditorControl::Edit7,
    EditorControl::Edit2,  EditorControl::Edit4,  EditorControl::Edit6,  EditorControl::Edit8,
    EditorControl::Edit11, EditorControl::Edit12, EditorControl::Edit13, EditorControl::Edit14,
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
    f.Label13 = NumberLabel(c);
    f.Edit9 = rec.Name.str();
    f.Edit1 = EditorNumber(rec.H[1]);
    f.Edit3 = EditorNumber(rec.H[2]);
    f.Edit5 = EditorNumber(rec.H[3]);
    f.Edit7 = EditorNumber(rec.H[4]);
    f.Edit2 = EditorNumber(rec.dH[1]);
    f.Edit4 = EditorNumber(rec.dH[2]);
    f.Edit6 = EditorNumber(rec.dH[3]);
    f.Edit8 = EditorNumber(rec.dH[4]);
    s.EditConField = 0;
}

void ShowMetal(const ConstantsTable& table, EditorState& s, EditorFields& f) {
    const int c = CurrentChelator(s);
    const int m = CurrentMetal(s);
    const TChelatorRec& rec = table.Constants[c];
    f.Label14 = NumberLabel(m);
    f.MaskEdit1 = table.Constants[1].MetalName[m].str();
    f.Edit15 = rec.Comment[m].str();
    f.Edit11 = EditorNumber(rec.ML[m]);
    f.Edit12 = EditorNumber(rec.MHL[m]);
    f.Edit13 = EditorNumber(rec.dML[m]);
    f.Edit14 = EditorNumber(rec.dMHL[m]);
    s.EditConField = 0;
}

bool StoreEditorFields(ConstantsTable& table, EditorState& s, const EditorFields& f) {
    const int c = CurrentChelator(s);
    const int m = CurrentMetal(s);
    TChelatorRec& rec = table.Constants[c];
    // Names are cut, never refused; a character typed with an accent goes whole or not at all.
    rec.Name = fileio::CutText(f.Edit9, ChelatorText::max_length);
    table.Constants[1].MetalName[m] = fileio::CutText(f.MaskEdit1, MetalText::max_length);
    rec.Comment[m] = fileio::CutText(f.Edit15, CommentText::max_length);

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
        const int valence = MetalNameValence(editor.MaskEdit1);
        if (valence < 0) {
            messages.Message("3rd letter of metal name is the valence and is missing", "ERROR");
            return false;
        }
        s.AdjMetalValence = valence;
    }
    dialog.cv = s.AdjChelatorValence;
    dialog.mv = s.AdjMetalValence;

    const std::string& constantText = editor.*field.constant;
    const std::optional<double> constant = ParseReal(constantText);
    if (!constant) {
        messages.Message("Attempting to use an un-real number", "ERROR");
        return false;
    }
    s.AdjConstant = s.AdjResult = *constant;
    dialog.Edit5 = constantText;
    dialog.Edit3 = constantText;

    const std::string& enthalpyText = editor.*field.enthalpy;
    const std::optional<double> enthalpy = ParseReal(enthalpyText);
    if (!enthalpy) {
        messages.Message("Attempting to use an un-real number", "ERROR");
        return false;
    }
    s.AdjDH = *enthalpy;
    dialog.Edit6 = enthalpyText;

    dialog.Edit1 = "20.0";
    dialog.Edit2 = "0.100";
    // A chelator whose name ends in "+" is positively charged: its constants vary the other way.
    s.AdjDirect = editor.Edit9.size() >= kFieldWidth && editor.Edit9[kFieldWidth - 1] == '+';
    dialog.viDirect = s.AdjDirect;

    s.AdjSaved = s.AdjResult;
    return true;
}

AdjustOutcome AdjustConstant(EditorState& s, AdjustFields& dialog, MessageSink& messages) {
    const std::optional<double> T0 = ParseReal(dialog.Edit1);
    if (!T0) {
        messages.Message("Temperature not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    const std::optional<double> I0 = ParseReal(dialog.Edit2);
    if (!I0) {
        messages.Message("Ionic not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    const std::optional<double> constant = ParseReal(dialog.Edit5);
    if (!constant) {
        messages.Message("Constant not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    s.AdjConstant = *constant;
    const std::optional<double> dH = ParseReal(dialog.Edit6);
    if (!dH) {
        messages.Message("dH not a real number", "ERROR");
        return AdjustOutcome::CloseDialog;
    }
    s.AdjDH = *dH;

    s.AdjChelatorValence = dialog.cv;
    s.AdjMetalValence = dialog.mv;
    s.AdjDirect = dialog.viDirect;

    // An ionic strength of 0 or below, or a temperature of -273 C, is a fault of the conversion; the
    // guard tells the user and nothing is stored.
    double result = 0;
    const bool ok = RunGuarded(messages, [&] {
        result = CorrectConstant(s.AdjChelatorValence, s.AdjMetalValence, s.AdjDirect, s.AdjDH,
                                 kReferenceTemperature, kReferenceIonic, s.AdjConstant, *T0, *I0);
    });
    if (!ok) return AdjustOutcome::Fault;
    s.AdjResult = result;
    dialog.Edit3 = EditorNumber(result);
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
