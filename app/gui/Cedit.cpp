// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Cedit.h"

#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "files/ConstantsFile.h"
#include "gui/Adjust.h"
#include "gui/Controls.h"
#include "gui/Fields.h"
#include "gui/FileNames.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

constexpr EditorControl kControls[] = {
    EditorControl::ProtonLogK1, EditorControl::ProtonDH1,   EditorControl::ProtonLogK2,
    EditorControl::ProtonDH2,   EditorControl::ProtonLogK3, EditorControl::ProtonDH3,
    EditorControl::ProtonLogK4, EditorControl::ProtonDH4,   EditorControl::ChelatorName,
    EditorControl::MlLogK,      EditorControl::MhlLogK,     EditorControl::MlDH,
    EditorControl::MhlDH,       EditorControl::Comment,     EditorControl::MetalName,
};

QLineEdit* TextEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

// The numbers are shown right-aligned in 7 characters, so they are laid out in a fixed-pitch font.
QLineEdit* NumberEdit(QWidget* parent, const char* name, const char* fieldName) {
    auto* edit = TextEdit(parent, name, 0);
    SetFieldName(edit, QString::fromLatin1(fieldName));
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10 + 12);
    return edit;
}

bool IsNumberField(EditorControl control) {
    return control != EditorControl::ChelatorName && control != EditorControl::Comment &&
           control != EditorControl::MetalName;
}

QLabel* Caption(QWidget* parent, const char* text) {
    return new QLabel(QString::fromLatin1(text), parent);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    return NamedButton(parent, name, caption);
}

}  // namespace

TEditCon::TEditCon(ProgramState& s, THelp& help, TKadjust& adjustDialog, MessageSink& messages,
                   QWidget* parent)
    : QDialog(parent), s_(s), help_(help), adjust_(adjustDialog), messages_(messages) {
    setObjectName(QStringLiteral("EditCon"));
    setWindowTitle(QStringLiteral("Edit Constants"));
    SetHelpContext(this, 9);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildChelator());
    layout->addWidget(BuildMetal());
    layout->addLayout(BuildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);
    ConnectFields();
}

QGroupBox* TEditCon::BuildChelator() {
    // The chelator: its name and its four protonation steps.
    auto* chelator = new QGroupBox(this);
    Label13 = Caption(chelator, "");
    Label13->setObjectName(QStringLiteral("Label13"));
    Label13->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Edit9 = TextEdit(chelator, "Edit9", static_cast<int>(ChelatorText::max_length));
    Button1 = Button(chelator, "Button1", "&Next");
    QLineEdit* const hRow[] = {
        Edit1 = NumberEdit(chelator, "Edit1", "H 1"), Edit3 = NumberEdit(chelator, "Edit3", "H 2"),
        Edit5 = NumberEdit(chelator, "Edit5", "H 3"), Edit7 = NumberEdit(chelator, "Edit7", "H 4")};
    QLineEdit* const dhRow[] = {
        Edit2 = NumberEdit(chelator, "Edit2", "dH 1"), Edit4 = NumberEdit(chelator, "Edit4", "dH 2"),
        Edit6 = NumberEdit(chelator, "Edit6", "dH 3"), Edit8 = NumberEdit(chelator, "Edit8", "dH 4")};
    auto* grid = new QGridLayout(chelator);
    grid->addWidget(Label13, 0, 0);
    grid->addWidget(Caption(chelator, "chelator name"), 0, 1);
    grid->addWidget(Edit9, 0, 2, 1, 2);
    grid->addWidget(Button1, 0, 4);
    for (int k = 1; k <= 4; ++k) {
        auto* heading = Caption(chelator, QByteArray::number(k).constData());
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 1, k);
    }
    grid->addWidget(Caption(chelator, "H"), 2, 0);
    grid->addWidget(Caption(chelator, "dH"), 3, 0);
    for (int k = 0; k < 4; ++k) {
        grid->addWidget(hRow[k], 2, k + 1);
        grid->addWidget(dhRow[k], 3, k + 1);
    }
    return chelator;
}

QGroupBox* TEditCon::BuildMetal() {
    // The metal: its name (shared by every record), ML and MHL with their enthalpies, the comment.
    auto* metal = new QGroupBox(this);
    Label14 = Caption(metal, "");
    Label14->setObjectName(QStringLiteral("Label14"));
    Label14->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    MaskEdit1 = TextEdit(metal, "MaskEdit1", static_cast<int>(MetalText::max_length));
    // Two letters and the valence digit as the user types; a name shown from the table is shown as it
    // stands ("===" for an empty metal, a name without its digit), so storing it changes nothing.
    MaskEdit1->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z= ]{0,2}[0-9= ]?")), MaskEdit1));
    MaskEdit1->setFixedWidth(Edit1->width());
    Button2 = Button(metal, "Button2", "&Next");
    Edit11 = NumberEdit(metal, "Edit11", "constant 1 (ML)");
    Edit12 = NumberEdit(metal, "Edit12", "constant 2 (MHL)");
    Edit13 = NumberEdit(metal, "Edit13", "dH 1 (ML)");
    Edit14 = NumberEdit(metal, "Edit14", "dH 2 (MHL)");
    Edit15 = TextEdit(metal, "Edit15", static_cast<int>(CommentText::max_length));
    auto* grid = new QGridLayout(metal);
    grid->addWidget(Label14, 0, 0);
    grid->addWidget(Caption(metal, "metal name"), 0, 1);
    grid->addWidget(MaskEdit1, 0, 2);
    grid->addWidget(Button2, 0, 3);
    for (int k = 1; k <= 2; ++k) {
        auto* heading = Caption(metal, QByteArray::number(k).constData());
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 1, k + 1);
    }
    grid->addWidget(Caption(metal, "constant"), 2, 1);
    grid->addWidget(Edit11, 2, 2);
    grid->addWidget(Edit12, 2, 3);
    grid->addWidget(Caption(metal, "dH"), 3, 1);
    grid->addWidget(Edit13, 3, 2);
    grid->addWidget(Edit14, 3, 3);
    grid->addWidget(Caption(metal, "comments"), 4, 1);
    grid->addWidget(Edit15, 4, 2, 1, 2);
    grid->setColumnStretch(4, 1);
    return metal;
}

QHBoxLayout* TEditCon::BuildButtons() {
    adjust = Button(this, "adjust", "&Adjust");
    OKBtn = Button(this, "OKBtn", "OK");
    OKBtn->setDefault(true);
    CancelBtn = Button(this, "CancelBtn", "&Help");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(adjust);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    connect(Button1, &QPushButton::clicked, this, &TEditCon::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TEditCon::Button2Click);
    connect(adjust, &QPushButton::clicked, this, &TEditCon::adjustClick);
    connect(OKBtn, &QPushButton::clicked, this, &TEditCon::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TEditCon::CancelBtnClick);
    return buttons;
}

void TEditCon::ConnectFields() {
    // Clicking into a field or typing in it marks the constant that Adjust works on.
    for (const EditorControl control : kControls) {
        QLineEdit* edit = Field(control);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, control] { EditorFieldEntered(s_, control); });
    }
}

QLineEdit* TEditCon::Field(EditorControl control) const {
    static constexpr std::pair<EditorControl, QLineEdit * TEditCon::*> kEdits[] = {
        {EditorControl::ProtonLogK1, &TEditCon::Edit1},   {EditorControl::ProtonDH1, &TEditCon::Edit2},
        {EditorControl::ProtonLogK2, &TEditCon::Edit3},   {EditorControl::ProtonDH2, &TEditCon::Edit4},
        {EditorControl::ProtonLogK3, &TEditCon::Edit5},   {EditorControl::ProtonDH3, &TEditCon::Edit6},
        {EditorControl::ProtonLogK4, &TEditCon::Edit7},   {EditorControl::ProtonDH4, &TEditCon::Edit8},
        {EditorControl::ChelatorName, &TEditCon::Edit9},  {EditorControl::MlLogK, &TEditCon::Edit11},
        {EditorControl::MhlLogK, &TEditCon::Edit12},      {EditorControl::MlDH, &TEditCon::Edit13},
        {EditorControl::MhlDH, &TEditCon::Edit14},        {EditorControl::Comment, &TEditCon::Edit15},
        {EditorControl::MetalName, &TEditCon::MaskEdit1},
    };
    for (const auto& [which, edit] : kEdits)
        if (which == control) return this->*edit;
    return Edit9;  // not reached: every control is listed
}

bool TEditCon::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (const EditorControl control : kControls)
            if (watched == Field(control)) EditorFieldEntered(s_, control);
    }
    return QDialog::eventFilter(watched, event);
}

EditorFields TEditCon::ReadFields() const {
    EditorFields fields;
    fields.chelatorNumber = ToStd(Label13->text());
    fields.metalNumber = ToStd(Label14->text());
    for (const EditorControl control : kControls) {
        // A text the user left as shown keeps its bytes, even those that are no UTF-8 (a name written in
        // a single-byte code page), so that storing the fields changes only what was edited.
        const std::string& shown = FieldText(shown_, control);
        const QString text = Field(control)->text();
        if (text == ToQ(shown)) {
            FieldText(fields, control) = shown;
        } else {
            // A number typed with a decimal comma is read with the point.
            FieldText(fields, control) = IsNumberField(control) ? NumberText(text) : ToStd(text);
        }
    }
    return fields;
}

void TEditCon::ShowFields(const EditorFields& fields) {
    shown_ = fields;
    Label13->setText(ToQ(shown_.chelatorNumber));
    Label14->setText(ToQ(shown_.metalNumber));
    for (const EditorControl control : kControls) Field(control)->setText(ToQ(FieldText(shown_, control)));
}

void TEditCon::ShowFromState() {
    EditorFields fields;
    ShowChelator(s_.table(), s_.editor(), fields);
    ShowMetal(s_.table(), s_.editor(), fields);
    ShowFields(fields);
}

bool TEditCon::StoreFields() {
    return StoreEditorFields(s_.table(), s_.editor(), ReadFields());
}

QLineEdit* TEditCon::UnparsedField() const {
    const std::optional<EditorControl> control = UnparsedNumberField(ReadFields());
    return control ? Field(*control) : nullptr;
}

bool TEditCon::StoreOrName(const std::function<bool(EditorFields&, MessageSink&)>& step) {
    EditorFields fields = ReadFields();
    // The refusal names the field it stopped at, which then has the focus.
    QLineEdit* const unparsed = UnparsedField();
    SecondLine named(messages_, "BAD NUMBER FORMAT, TRY AGAIN",
                     unparsed != nullptr ? ToStd(FieldName(unparsed)) : std::string());
    if (step(fields, named)) {
        ShowFields(fields);
        return true;
    }
    if (named.Shown() && unparsed != nullptr) FocusField(unparsed);
    return false;
}

void TEditCon::Button1Click() {
    StoreOrName(
        [this](EditorFields& f, MessageSink& m) { return NextChelator(s_.table(), s_.editor(), f, m); });
}

void TEditCon::Button2Click() {
    StoreOrName([this](EditorFields& f, MessageSink& m) { return NextMetal(s_.table(), s_.editor(), f, m); });
}

void TEditCon::OKBtnClick() {
    if (StoreOrName(
            [this](EditorFields& f, MessageSink& m) { return EditorOK(s_.table(), s_.editor(), f, m); }))
        accept();
}

void TEditCon::CancelBtnClick() {
    help_.ShowHelp(9);
}

void TEditCon::adjustClick() {
    EditorFields fields = ReadFields();
    AdjustFields dialog;
    const std::optional<EditorControl> unparsed = UnparsedAdjustField(s_.editor(), fields);
    QLineEdit* const refused = unparsed ? Field(*unparsed) : nullptr;
    SecondLine named(messages_, "Attempting to use an un-real number",
                     refused != nullptr ? ToStd(FieldName(refused)) : std::string());
    if (!PrepareAdjust(s_.table(), s_.editor(), fields, dialog, named)) {
        if (named.Shown() && refused != nullptr) FocusField(refused);
        return;
    }
    adjust_.ShowFields(dialog);
    adjust_.exec();
    FinishAdjust(s_, fields);
    ShowFields(fields);
}

void RunEditConstantsCommand(ProgramState& s, MessageSink& messages, TEditCon& editor, TIOForm& io,
                             const std::function<void(const QString&)>& setTitle) {
    editor.ShowFromState();
    for (;;) {
        editor.exec();
        if (editor.StoreFields()) break;
        RefuseField(messages, "NOT A REAL NUMBER ENTERED, TRY AGAIN", "ERROR", editor.UnparsedField());
    }

    const std::optional<QString> chosen = TIOForm::Execute(io.SaveDialog1);
    if (!chosen) return;
    const std::string path = ForceFileExt(ToStd(*chosen), ".TCM");
    const std::optional<std::string> name = FitFileName(path);
    if (!name) {
        messages.Message("The file name is longer than 80 characters:\r" + path, "ERROR");
        return;
    }
    const FileResult written = WriteConstantsFile(s, *name, messages);
    if (!written.ok()) {
        // The table stays in memory as edited; the old file, if any, is untouched.
        messages.Message(WithReason("Cannot Save Constants File", written.reason), "ERROR");
        return;
    }
    setTitle(QStringLiteral("DEDODIZ32 v") + ToQ(kVersion) + QStringLiteral(" using ") +
             ToQ(s.ConstantsFileName.view()));
}

}  // namespace dedodiz
