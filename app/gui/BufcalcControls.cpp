// SPDX-License-Identifier: BSD-3-Clause
// The controls of the pH buffer calculator's window: their places as drawn for the standard font,
// their colours, and the rules by which each number edit stores its value.

#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include "buffers/BufferModel.h"
#include "gui/Bufcalc.h"
#include "gui/Controls.h"
#include "gui/IOForm.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

const QColor kPaleYellow(0xFF, 0xFF, 0xE8);  // the present conditions and "Free"
const QColor kYellow(0xFF, 0xFF, 0xA0);      // the buffer amount
// The file systems here tell upper from lower case: both spellings of the pattern are offered.
const QString kBufferFilter = QStringLiteral("Buffer Calc Files (*.bcm *.BCM)");

template <typename Widget>
Widget* Place(Widget* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y, int w, int h = 17) {
    return Place(new QLabel(QString::fromUtf8(text), parent), name, x, y, w, h);
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, int x, int y, int w, int h = 21) {
    return Place(new QLineEdit(QString::fromUtf8(text), parent), name, x, y, w, h);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int x, int y, int w,
                        int h = 25) {
    return Place(NamedButton(parent, name, caption), name, x, y, w, h);
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption, int x, int y, int w) {
    return Place(new QRadioButton(QString::fromUtf8(caption), parent), name, x, y, w, 20);
}

QFileDialog* MakeFileDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setNameFilter(kBufferFilter);
    return dialog;
}

// A background of its own always comes with black text: under a dark desktop palette the text would
// otherwise be drawn light on the pale colour, and be gone. Edits paint the base, labels the window
// and radio buttons the button role: each with its text role.
void Background(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
        palette.setColor(role, colour);
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(role, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

void TZozaveVavo::BuildControls() {
    BuildSlotChoice();
    BuildConditions();
    BuildTypeGroups();
    BuildGrid();
    BuildResults();
    BuildButtons();
    OpenDialog1 = MakeFileDialog(this, "OpenDialog1", QFileDialog::AcceptOpen);
    TIOForm::StartInBundledData(OpenDialog1);  // the bundled buffers, for a newcomer
    SaveDialog1 = MakeFileDialog(this, "SaveDialog1", QFileDialog::AcceptSave);
    SaveDialog1->setDefaultSuffix(QStringLiteral("bcm"));
    ConnectHandlers();
    AddConditionRules();
    AddSlotRules();
}

void TZozaveVavo::BuildSlotChoice() {
    RadioGroup1 = Place(new QGroupBox(QStringLiteral("pH Buffer"), this), "RadioGroup1", 8, 4, 436, 94);
    for (int k = 1; k <= kBufferSlots; ++k) {
        // Four columns filled from the top down, three items to a column.
        const int column = (k - 1) / 3;
        const int row = (k - 1) % 3;
        const QByteArray name = "RadioGroup1Item" + QByteArray::number(k);
        RadioGroup1Item[k] =
            MakeRadio(RadioGroup1, name.constData(), " ", 8 + column * 107, 18 + row * 24, 104);
    }
    Button4 = MakeButton(this, "Button4", "&LOAD", 456, 14, 85);
    Button5 = MakeButton(this, "Button5", "&SAVE", 456, 46, 85);

    Label9 = MakeLabel(this, "Label9", "Edit Buffer Name", 8, 108, 108);
    Edit13 = MakeEdit(this, "Edit13", "", 118, 106, 140);
    Panel2 = MakeLabel(this, "Panel2", "Comments", 264, 106, 277, 21);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setIndent(4);
}

void TZozaveVavo::BuildConditions() {
    Label1 = MakeLabel(this, "Label1", "Temp.°C", 8, 138, 52);
    ET = MakeEdit(this, "ET", "20", 60, 136, 56);
    Label2 = MakeLabel(this, "Label2", "pH", 126, 138, 20);
    EP = MakeEdit(this, "EP", "7.00", 148, 136, 56);
    Label3 = MakeLabel(this, "Label3", "[ion] N", 214, 138, 46);
    EI = MakeEdit(this, "EI", "0.100", 262, 136, 56);
    for (QLineEdit* edit : {ET, EP, EI}) Background(edit, kPaleYellow);

    Label7 = MakeLabel(this, "Label7", "Buffer amount, M", 328, 138, 116);
    EA = MakeEdit(this, "EA", "0.000", 446, 132, 95, 29);
    Background(EA, kYellow);
    QFont amount(QStringLiteral("Arial"));
    amount.setPixelSize(DesktopPixels(19));  // 19 pixels at the standard desktop font
    amount.setBold(true);
    EA->setFont(amount);
}

void TZozaveVavo::BuildTypeGroups() {
    GroupBox1 = Place(new QGroupBox(QStringLiteral("Type"), this), "GroupBox1", 8, 166, 150, 72);
    RAnionic = MakeRadio(GroupBox1, "RAnionic", "Anionic", 8, 20, 80);
    RCationic = MakeRadio(GroupBox1, "RCationic", "Cationic", 8, 44, 80);
    RAnionic->setChecked(true);
    Button2 = MakeButton(GroupBox1, "Button2", "Zwitt", 92, 30, 50, 23);

    GroupBox2 = Place(new QGroupBox(QStringLiteral("Added As"), this), "GroupBox2", 166, 166, 152, 72);
    RFree = MakeRadio(GroupBox2, "RFree", "Free", 8, 20, 60);
    RSalt = MakeRadio(GroupBox2, "RSalt", "mono", 8, 44, 60);
    RadioButton1 = MakeRadio(GroupBox2, "RadioButton1", "di", 80, 20, 60);
    RadioButton2 = MakeRadio(GroupBox2, "RadioButton2", "tri", 80, 44, 60);
    RFree->setChecked(true);
    Background(RFree, kPaleYellow);
}

void TZozaveVavo::BuildGrid() {
    // The three pKa steps in columns; the edits are made row by row, so Tab reads the grid that way.
    Label12 = MakeLabel(this, "Label12", "1      >       2       >      3", 110, 246, 180, 15);
    const int columns[] = {104, 164, 224};
    const auto gridRow = [&](QLabel*& label, const char* labelName, const char* caption, int y,
                             const std::array<QLineEdit**, 3>& edits, const std::array<const char*, 3>& names,
                             const char* text) {
        label = MakeLabel(this, labelName, caption, 8, y + 2, 94);
        for (int i = 0; i < 3; ++i) *edits[i] = MakeEdit(this, names[i], text, columns[i], y, 56);
    };
    gridRow(Label4, "Label4", "pKa", 264, {&EK, &Edit1, &Edit4}, {"EK", "Edit1", "Edit4"}, "0.00");
    EK->setText(QStringLiteral("7.00"));
    gridRow(Label5, "Label5", "@ °C", 288, {&EC, &Edit2, &Edit5}, {"EC", "Edit2", "Edit5"}, "20");
    gridRow(Label6, "Label6", "d pKa/°C", 312, {&ED, &Edit3, &Edit6}, {"ED", "Edit3", "Edit6"}, "0.000");
    gridRow(Label22, "Label22", "@ [ion] N *", 336, {&Edit7, &Edit8, &Edit9}, {"Edit7", "Edit8", "Edit9"},
            "0.100");
    gridRow(Label23, "Label23", "d pKa/N *", 360, {&Edit10, &Edit11, &Edit12}, {"Edit10", "Edit11", "Edit12"},
            "0");
}

void TZozaveVavo::BuildResults() {
    Shape1 = Place(new QFrame(this), "Shape1", 330, 166, 211, 100);
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Label18 = MakeLabel(this, "Label18", "1           2          3", 426, 172, 114, 15);
    Label8 = MakeLabel(this, "Label8", "New pKa's =", 336, 192, 80);
    Label10 = MakeLabel(this, "Label10", "7.00", 418, 190, 38, 19);
    Label13 = MakeLabel(this, "Label13", "0.00", 459, 190, 38, 19);
    Label14 = MakeLabel(this, "Label14", "0.00", 500, 190, 38, 19);
    for (QLabel* label : {Label10, Label13, Label14}) Background(label, Qt::white);
    Label15 = MakeLabel(this, "Label15", "Ionic contribution (EMP)=", 336, 218, 160);
    Label16 = MakeLabel(this, "Label16", " 0.000 N", 436, 238, 100, 21);
    Background(Label16, Qt::yellow);
}

void TZozaveVavo::BuildButtons() {
    Button1 = MakeButton(this, "Button1", "&Calc Ionic", 336, 278, 98, 27);
    QPalette lime = Button1->palette();
    lime.setColor(QPalette::ButtonText, QColor(0x00, 0xFF, 0x00));
    Button1->setPalette(lime);
    QFont bold = Button1->font();
    bold.setBold(true);
    Button1->setFont(bold);
    Button6 = MakeButton(this, "Button6", "Calc Ranges", 442, 278, 99, 27);
    Button3 = MakeButton(this, "Button3", "^ Add to Output Screen", 336, 312, 205, 27);
    BitBtn1 = MakeButton(this, "BitBtn1", "&Close", 336, 358, 98, 27);
    BitBtn2 = MakeButton(this, "BitBtn2", "&Help", 442, 358, 99, 27);
    Label11 = MakeLabel(this, "Label11", "*  SEE HELP FOR EXPLANATION", 8, 396, 300);
}

void TZozaveVavo::ConnectHandlers() {
    for (int k = 1; k <= kBufferSlots; ++k)
        connect(RadioGroup1Item[k], &QRadioButton::clicked, this, &TZozaveVavo::RadioGroup1Click);
    connect(Button4, &QPushButton::clicked, this, &TZozaveVavo::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TZozaveVavo::Button5Click);
    connect(RAnionic, &QRadioButton::clicked, this, &TZozaveVavo::RAnionicClick);
    connect(RCationic, &QRadioButton::clicked, this, &TZozaveVavo::RCationicClick);
    connect(Button2, &QPushButton::clicked, this, &TZozaveVavo::Button2Click);
    connect(RFree, &QRadioButton::clicked, this, [this] { s_.BufferRecord.SaltForm = 0; });
    connect(RSalt, &QRadioButton::clicked, this, [this] { s_.BufferRecord.SaltForm = 1; });
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { s_.BufferRecord.SaltForm = 2; });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { s_.BufferRecord.SaltForm = 3; });
    connect(Button1, &QPushButton::clicked, this, &TZozaveVavo::Button1Click);
    connect(Button6, &QPushButton::clicked, this, &TZozaveVavo::Button6Click);
    connect(Button3, &QPushButton::clicked, this, &TZozaveVavo::Button3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TZozaveVavo::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TZozaveVavo::BitBtn2Click);
    connect(Edit13, &QLineEdit::textChanged, this, &TZozaveVavo::Edit13Change);
    // The window is no dialog: Escape closes it as its Close button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &TZozaveVavo::BitBtn1Click);
}

void TZozaveVavo::AddConditionRules() {
    // The present conditions go to the buffer record and to the solution.
    TBufferRecord& record = s_.BufferRecord;
    const auto recordValue = [](double& value) { return [&value]() -> double& { return value; }; };
    AddRule({ET, recordValue(record.Temperature), 20, "ERROR", false, false,
             [this] { s_.Solution.Temperature = s_.BufferRecord.Temperature; }});
    AddRule({EP, recordValue(record.PH), 7, "ERROR", false, false,
             [this] { s_.Solution.PH = s_.BufferRecord.PH; }});
    AddRule({EI, recordValue(record.Ionic), 0.1, "ERROR", false, false, [this] {
                 if (s_.BufferRecord.Ionic <= 0) {
                     s_.BufferRecord.Ionic = kThermodynamicIonic;
                     Replace(EI, QStringLiteral("0.001"));
                 }
                 s_.Solution.IonicEquiv = s_.BufferRecord.Ionic;
             }});
    AddRule({EA, recordValue(record.BufferAmount), 0, "ERROR", false, true, {}});
}

void TZozaveVavo::AddSlotRules() {
    // The slot edits act on the selected slot. The second and third pKa decide the salt forms offered.
    for (const GridRow& row : GridRows()) {
        const bool ipKa = row.values == &TBufferSlot::ipKa;
        for (int k = 1; k <= 3; ++k) {
            std::function<void()> further;
            if (row.values == &TBufferSlot::pKa && k > 1) {
                QRadioButton* form = k == 2 ? RadioButton1 : RadioButton2;
                further = [this, form, k] {
                    SaltFormShown(form, s_.BufferSlots[SelectedSlot()].pKa[k] > 0, k - 1);
                };
            }
            const auto value = [this, values = row.values, k]() -> double& {
                return (s_.BufferSlots[SelectedSlot()].*values)[k];
            };
            AddRule({row.edits[static_cast<std::size_t>(k - 1)], value, ipKa ? kThermodynamicIonic : 0,
                     ipKa ? "0.001" : "ERROR", ipKa, true, further});
        }
    }
}

std::array<TZozaveVavo::GridRow, 5> TZozaveVavo::GridRows() const {
    return {{
        {{EK, Edit1, Edit4}, &TBufferSlot::pKa, 6, 3},
        {{EC, Edit2, Edit5}, &TBufferSlot::temperature, 5, 1},
        {{ED, Edit3, Edit6}, &TBufferSlot::dpKa, 6, 3},
        {{Edit7, Edit8, Edit9}, &TBufferSlot::ipKa, 6, 3},
        {{Edit10, Edit11, Edit12}, &TBufferSlot::dipKa, 6, 3},
    }};
}

}  // namespace dedodiz
