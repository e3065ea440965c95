#include "Cedit.h"

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

#include "Adjust.h"
#include "ConstantsFile.h"
#include "Controls.h"
#include "FileNames.h"
#include "Help.h"
#include "IOForm.h"
#include "QtText.h"

namespace dedodiz {

namespace {

constexpr EditorControl kControls[] = {
    EditorControl::Edit1,  EditorControl::Edit2,  EditorControl::Edit3,     EditorControl::Edit4,
    EditorControl::Edit5,  EditorControl::Edit6,  EditorControl::Edit7,     EditorControl::Edit8,
    EditorControl::Edit9,  EditorControl::Edit11, EditorControl::Edit12,    EditorControl::Edit13,
    EditorControl::Edit14, EditorControl::Edit15, EditorControl::MaskEdit1,
};

QLineEdit* TextEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

// The numbers are shown right-aligned in 7 characters, so they are laid out in a fixed-pitch font.
QLineEdit* NumberEdit(QWidget* parent, const char* name) {
    auto* edit = TextEdit(parent, name, 0);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10 + 12);
    return edit;
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

    // The chelator: its name and its four protonation steps.
    auto* chelator = new QGroupBox(this);
    Label13 = Caption(chelator, "");
    Label13->setObjectName(QStringLiteral("Label13"));
    Label13->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Edit9 = TextEdit(chelator, "Edit9", static_cast<int>(ChelatorText::max_length));
    Button1 = Button(chelator, "Button1", "&Next");
    Edit1 = NumberEdit(chelator, "Edit1");
    Edit3 = NumberEdit(chelator, "Edit3");
    Edit5 = NumberEdit(chelator, "Edit5");
    Edit7 = NumberEdit(chelator, "Edit7");
    Edit2 = NumberEdit(chelator, "Edit2");
    Edit4 = NumberEdit(chelator, "Edit4");
    Edit6 = NumberEdit(chelator, "Edit6");
    Edit8 = NumberEdit(chelator, "Edit8");
    auto* chelatorGrid = new QGridLayout(chelator);
    chelatorGrid->addWidget(Label13, 0, 0);
    chelatorGrid->addWidget(Caption(chelator, "chelator name"), 0, 1);
    chelatorGrid->addWidget(Edit9, 0, 2, 1, 2);
    chelatorGrid->addWidget(Button1, 0, 4);
    for (int k = 1; k <= 4; ++k) {
        auto* heading = Caption(chelator, QByteArray::number(k).constData());
        heading->setAlignment(Qt::AlignCenter);
        chelatorGrid->addWidget(heading, 1, k);
    }
    chelatorGrid->addWidget(Caption(chelator, "H"), 2, 0);
    chelatorGrid->addWidget(Caption(chelator, "dH"), 3, 0);
    QLineEdit* const hRow[] = {Edit1, Edit3, Edit5, Edit7};
    QLineEdit* const dhRow[] = {Edit2, Edit4, Edit6, Edit8};
    for (int k = 0; k < 4; ++k) {
        chelatorGrid->addWidget(hRow[k], 2, k + 1);
        chelatorGrid->addWidget(dhRow[k], 3, k + 1);
    }

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
    Edit11 = NumberEdit(metal, "Edit11");
    Edit12 = NumberEdit(metal, "Edit12");
    Edit13 = NumberEdit(metal, "Edit13");
    Edit14 = NumberEdit(metal, "Edit14");
    Edit15 = TextEdit(metal, "Edit15", static_cast<int>(CommentText::max_length));
    auto* metalGrid = new QGridLayout(metal);
    metalGrid->addWidget(Label14, 0, 0);
    metalGrid->addWidget(Caption(metal, "metal name"), 0, 1);
    metalGrid->addWidget(MaskEdit1, 0, 2);
    metalGrid->addWidget(Button2, 0, 3);
    for (int k = 1; k <= 2; ++k) {
        auto* heading = Caption(metal, QByteArray::number(k).constData());
        heading->setAlignment(Qt::AlignCenter);
        metalGrid->addWidget(heading, 1, k + 1);
    }
    metalGrid->addWidget(Caption(metal, "constant"), 2, 1);
    metalGrid->addWidget(Edit11, 2, 2);
    metalGrid->addWidget(Edit12, 2, 3);
    metalGrid->addWidget(Caption(metal, "dH"), 3, 1);
    metalGrid->addWidget(Edit13, 3, 2);
    metalGrid->addWidget(Edit14, 3, 3);
    metalGrid->addWidget(Caption(metal, "comments"), 4, 1);
    metalGrid->addWidget(Edit15, 4, 2, 1, 2);
    metalGrid->setColumnStretch(4, 1);

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
    // Clicking into a field or typing in it marks the constant that Adjust works on.
    for (const EditorControl control : kControls) {
        QLineEdit* edit = Field(control);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, control] { EditorFieldEntered(s_, control); });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chelator);
    layout->addWidget(metal);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLineEdit* TEditCon::Field(EditorControl control) const {
    static constexpr std::pair<EditorControl, QLineEdit * TEditCon::*> kEdits[] = {
        {EditorControl::Edit1, &TEditCon::Edit1},         {EditorControl::Edit2, &TEditCon::Edit2},
        {EditorControl::Edit3, &TEditCon::Edit3},         {EditorControl::Edit4, &TEditCon::Edit4},
        {EditorControl::Edit5, &TEditCon::Edit5},         {EditorControl::Edit6, &TEditCon::Edit6},
        {EditorControl::Edit7, &TEditCon::Edit7},         {EditorControl::Edit8, &TEditCon::Edit8},
        {EditorControl::Edit9, &TEditCon::Edit9},         {EditorControl::Edit11, &TEditCon::Edit11},
        {EditorControl::Edit12, &TEditCon::Edit12},       {EditorControl::Edit13, &TEditCon::Edit13},
        {EditorControl::Edit14, &TEditCon::Edit14},       {EditorControl::Edit15, &TEditCon::Edit15},
        {EditorControl::MaskEdit1, &TEditCon::MaskEdit1},
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
    fields.Label13 = ToStd(Label13->text());
    fields.Label14 = ToStd(Label14->text());
    for (const EditorControl control : kControls) {
        // A text the user left as shown keeps its bytes, even those that are no UTF-8 (a name written in
        // a single-byte code page), so that storing the fields changes only what was edited.
        const std::string& shown = FieldText(shown_, control);
        const QString text = Field(control)->text();
        FieldText(fields, control) = text == ToQ(shown) ? shown : ToStd(text);
    }
    return fields;
}

void TEditCon::ShowFields(const EditorFields& fields) {
    shown_ = fields;
    Label13->setText(ToQ(shown_.Label13));
    Label14->setText(ToQ(shown_.Label14));
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

void TEditCon::Button1Click() {
    EditorFields fields = ReadFields();
    if (NextChelator(s_.table(), s_.editor(), fields, messages_)) ShowFields(fields);
}

void TEditCon::Button2Click() {
    EditorFields fields = ReadFields();
    if (NextMetal(s_.table(), s_.editor(), fields, messages_)) ShowFields(fields);
}

void TEditCon::OKBtnClick() {
    if (EditorOK(s_.table(), s_.editor(), ReadFields(), messages_)) accept();
}

void TEditCon::CancelBtnClick() {
    help_.ShowHelp(9);
}

void TEditCon::adjustClick() {
    EditorFields fields = ReadFields();
    AdjustFields dialog;
    if (!PrepareAdjust(s_.table(), s_.editor(), fields, dialog, messages_)) return;
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
        messages.Message("NOT A REAL NUMBER ENTERED, TRY AGAIN", "ERROR");
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
