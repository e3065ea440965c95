#include "Bufcalc.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "BufferFile.h"
#include "BufferModel.h"
#include "ByteIO.h"
#include "Controls.h"
#include "FloatGuard.h"
#include "Format.h"
#include "Help.h"
#include "IOForm.h"
#include "QtText.h"

namespace dedodiz {

namespace {

const QColor kPaleYellow(0xFF, 0xFF, 0xE8);  // the present conditions and "Free"
const QColor kYellow(0xFF, 0xFF, 0xA0);      // the buffer amount
const QString kBufferFilter = QStringLiteral("Buffer Calc Files (*.bcm)");

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
    return Place(new QRadioButton(QString::fromUtf8(caption), parent), name, x, y, w, 19);
}

void Background(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A radio button shows '&' as the underline of a shortcut; a buffer name shows it as it is.
QString ItemCaption(const QString& text) {
    QString caption = text;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Messages held while a computation runs under its fault guard and shown once it is over: a message box
// runs the event loop, and nothing drawn meanwhile may count as a fault of the computation.
class HeldMessages : public MessageSink {
  public:
    void Message(std::string_view text, std::string_view caption) override {
        held_.emplace_back(std::string(text), std::string(caption));
    }
    void ShowTo(MessageSink& messages) const {
        for (const auto& [text, caption] : held_) messages.Message(text, caption);
    }

  private:
    std::vector<std::pair<std::string, std::string>> held_;
};

}  // namespace

TZozaveVavo::TZozaveVavo(ProgramState& s, THelp& help, MessageSink& messages, OutputSink& output,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), s_(s), help_(help), messages_(messages), output_(output) {
    setObjectName(QStringLiteral("ZozaveVavo"));
    setWindowTitle(QStringLiteral("ZozaveVavo"));
    SetHelpContext(this, 4);
    setFixedSize(549, 442);
    BuildControls();

    // The creation step. The grid keeps its initial texts until a slot is shown.
    ResetBufferSlotsForWindow(s_);
    for (int k = 1; k <= kBufferSlots; ++k) SetItemText(k, QStringLiteral(" "));
    RadioGroup1Item[1]->setChecked(true);
    SetShownText(Edit13, itemTexts_[1]);
    s_.BufferRecord.Temperature = s_.Solution.Temperature;
    s_.BufferRecord.PH = s_.Solution.PH;
    s_.BufferRecord.Ionic = s_.Solution.IonicEquiv;
    SetShownText(ET, ToQ(FormatFixed(s_.Solution.Temperature, 6, 1)));
    SetShownText(EP, ToQ(FormatFixed(s_.Solution.PH, 6, 3)));
    SetShownText(EI, ToQ(FormatFixed(s_.Solution.IonicEquiv, 6, 3)));
    // Filling the window is no change of the slots: closing it right away asks for no file.
    s_.BufferModified = false;

    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

void TZozaveVavo::BuildControls() {
    RadioGroup1 = Place(new QGroupBox(QStringLiteral("pH Buffer"), this), "RadioGroup1", 8, 4, 436, 94);
    for (int k = 1; k <= kBufferSlots; ++k) {
        // Four columns filled from the top down, three items to a column.
        const int column = (k - 1) / 3;
        const int row = (k - 1) % 3;
        const QByteArray name = "RadioGroup1Item" + QByteArray::number(k);
        RadioGroup1Item[k] =
            MakeRadio(RadioGroup1, name.constData(), " ", 8 + column * 107, 18 + row * 24, 104);
        connect(RadioGroup1Item[k], &QRadioButton::clicked, this, &TZozaveVavo::RadioGroup1Click);
    }
    Button4 = MakeButton(this, "Button4", "&LOAD", 456, 14, 85);
    Button5 = MakeButton(this, "Button5", "&SAVE", 456, 46, 85);

    Label9 = MakeLabel(this, "Label9", "Edit Buffer Name", 8, 108, 108);
    Edit13 = MakeEdit(this, "Edit13", "", 118, 106, 140);
    Panel2 = MakeLabel(this, "Panel2", "Comments", 264, 106, 277, 21);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setIndent(4);

    Label1 = MakeLabel(this, "Label1", "Temp.°C", 8, 138, 50);
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
    amount.setPixelSize(19);
    amount.setBold(true);
    EA->setFont(amount);

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

    // The grid of the three pKa steps.
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

    // The results, inside their frame.
    Shape1 = Place(new QFrame(this), "Shape1", 330, 166, 211, 100);
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Label18 = MakeLabel(this, "Label18", "1           2          3", 426, 172, 114, 15);
    Label8 = MakeLabel(this, "Label8", "New pKa's =", 336, 192, 80);
    Label10 = MakeLabel(this, "Label10", "7.00", 418, 190, 38, 19);
    Label13 = MakeLabel(this, "Label13", "0.00", 459, 190, 38, 19);
    Label14 = MakeLabel(this, "Label14", "0.00", 500, 190, 38, 19);
    for (QLabel* label : {Label10, Label13, Label14}) Background(label, Qt::white);
    Label15 = MakeLabel(this, "Label15", "Ionic contribution (EMP)=", 336, 218, 150);
    Label16 = MakeLabel(this, "Label16", " 0.000 N", 436, 238, 100, 21);
    Background(Label16, Qt::yellow);

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

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setNameFilter(kBufferFilter);
    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilter(kBufferFilter);
    SaveDialog1->setDefaultSuffix(QStringLiteral("bcm"));

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

void TZozaveVavo::AddRule(EditRule rule) {
    QLineEdit* edit = rule.edit;
    const std::size_t index = rules_.size();
    rules_.push_back(std::move(rule));
    connect(edit, &QLineEdit::textChanged, this, [this, index] { ApplyRule(rules_[index], true); });
    connect(edit, &QLineEdit::editingFinished, this, [this, index] {
        QLineEdit* left = rules_[index].edit;
        if (!pending_.remove(left)) return;
        leaving_ = true;
        ApplyRule(rules_[index], false);
        leaving_ = false;
    });
}

void TZozaveVavo::ApplyRule(const EditRule& rule, bool changed) {
    const std::optional<double> value = ParseReal(ToStd(rule.edit->text()));
    double& target = rule.target();
    if (value && (!rule.positiveOnly || *value > 0)) {
        target = *value;
        pending_.remove(rule.edit);
    } else {
        target = rule.fallback;
        Replace(rule.edit, QString::fromLatin1(rule.replacement));
    }
    if (rule.marksModified && changed) s_.BufferModified = true;
    if (rule.further) rule.further();
}

void TZozaveVavo::Replace(QLineEdit* edit, const QString& text) {
    if (edit->text() == text) return;
    if (edit->hasFocus() && !leaving_) {
        pending_.insert(edit);
        return;
    }
    pending_.remove(edit);
    edit->setText(text);  // itself a change: the field is read once more
}

void TZozaveVavo::SetShownText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
        return;
    }
    // The same text once more: the value is still taken from it, but nothing has changed.
    for (const EditRule& rule : rules_)
        if (rule.edit == edit) ApplyRule(rule, false);
}

void TZozaveVavo::SaltFormShown(QRadioButton* form, bool available, int highestKept) {
    form->setVisible(available);
    // A form that is no longer offered gives way to "mono"; the forms still offered stay chosen.
    if (!available && s_.BufferRecord.SaltForm > highestKept) {
        s_.BufferRecord.SaltForm = 1;
        RSalt->setChecked(true);
    }
}

void TZozaveVavo::Edit13Change() {
    TBufferSlot& slot = s_.BufferSlots[SelectedSlot()];
    const QString text = Edit13->text();
    // A name shown as it stands keeps its bytes, even those of a single-byte code page.
    if (text != ToQ(slot.Name.view()))
        slot.Name = fileio::CutText(CutToChars(ToStd(text), BufferName::max_length), BufferName::max_length);
    SetItemText(SelectedSlot(), text);
    s_.BufferModified = true;
}

void TZozaveVavo::SetItemText(int slot, const QString& text) {
    itemTexts_[slot] = text;
    RadioGroup1Item[slot]->setText(ItemCaption(text));
}

int TZozaveVavo::SelectedSlot() {
    for (int k = 1; k <= kBufferSlots; ++k)
        if (RadioGroup1Item[k]->isChecked()) return k;
    RadioGroup1Item[1]->setChecked(true);
    return 1;
}

void TZozaveVavo::ShowBufferSlot() {
    const int k = SelectedSlot();
    const TBufferSlot& slot = s_.BufferSlots[k];
    (slot.anionic ? RAnionic : RCationic)->setChecked(true);
    SetShownText(Edit13, itemTexts_[k]);

    // Each text goes through its edit's rule, so the slot keeps the values as shown.
    for (const GridRow& row : GridRows())
        for (int i = 1; i <= 3; ++i)
            SetShownText(row.edits[static_cast<std::size_t>(i - 1)],
                         ToQ(FormatFixed((slot.*row.values)[i], row.width, row.decimals)));
    Panel2->setText(ToQ(slot.comments.view()));
}

void TZozaveVavo::ShowWithSolutionValues() {
    SetShownText(ET, ToQ(FormatFixed(s_.Solution.Temperature, 6, 1)));
    SetShownText(EP, ToQ(FormatFixed(s_.Solution.PH, 6, 2)));
    SetShownText(EI, ToQ(FormatFixed(s_.Solution.IonicEquiv, 6, 3)));
    show();
    raise();
    activateWindow();
}

void TZozaveVavo::PHBuffersCommand(const std::function<bool()>& environment) {
    Button4Click();
    if (!s_.BufferLoaded) return;
    if (!environment()) return;
    if (!RunGuarded(messages_, [this] { ReportBufferRanges(s_, s_.Solution, Placement(s_), output_); }))
        return;
    output_.ShowOutput();
    ShowWithSolutionValues();
}

BufferFieldTexts TZozaveVavo::FieldTexts() const {
    BufferFieldTexts texts;
    texts.temperature = ToStd(ET->text());
    texts.pH = ToStd(EP->text());
    texts.ionic = ToStd(EI->text());
    texts.amount = ToStd(EA->text());
    texts.name = ToStd(Edit13->text());
    texts.pKa1 = ToStd(Label10->text());
    texts.pKa2 = ToStd(Label13->text());
    texts.pKa3 = ToStd(Label14->text());
    texts.contribution = ToStd(Label16->text());
    return texts;
}

void TZozaveVavo::RadioGroup1Click() {
    ShowBufferSlot();
}

void TZozaveVavo::Button4Click() {
    s_.BufferLoaded = false;
    const std::optional<QString> chosen = TIOForm::Execute(OpenDialog1);
    // Cancelled: the slots are as they were, and so is the need to save them.
    if (!chosen) return;
    ReadBufferFile(s_, ToStd(*chosen), messages_);
    if (!s_.BufferFileName.empty())
        setWindowTitle(QStringLiteral("ZozaveVavo ") + ToQ(s_.BufferFileName.view()));
    // Whatever the reading found, the selector names what the slots now hold.
    for (int k = 1; k <= kBufferSlots; ++k) SetItemText(k, ToQ(s_.BufferSlots[k].Name.view()));
    if (s_.BufferLoaded) RadioGroup1Item[1]->setChecked(true);
    ShowBufferSlot();
    s_.BufferModified = false;
}

bool TZozaveVavo::Button5Click() {
    const std::optional<QString> chosen = TIOForm::Execute(SaveDialog1);
    if (!chosen) return false;
    return WriteBufferFile(s_, ToStd(*chosen), messages_);
}

void TZozaveVavo::RAnionicClick() {
    StoreSlotType(s_, SelectedSlot(), true);
    s_.BufferModified = true;
}

void TZozaveVavo::RCationicClick() {
    StoreSlotType(s_, SelectedSlot(), false);
    s_.BufferModified = true;
}

void TZozaveVavo::Button2Click() {
    messages_.Message("Choose Anionic for \"N\" based \"Good\" buffers", "INFORMATION");
}

void TZozaveVavo::Button1Click() {
    BufferIonicResult result;
    HeldMessages held;
    RunGuarded(held, [&] { result = CalcBufferIonic(s_, SelectedSlot(), held); });
    held.ShowTo(messages_);
    if (!result.ok) return;
    Label10->setText(ToQ(BufferPKaText(result.pKa[1])));
    Label13->setText(ToQ(BufferPKaText(result.pKa[2])));
    Label14->setText(ToQ(BufferPKaText(result.pKa[3])));
    Label16->setText(ToQ(BufferIonicText(result.contribution)));
}

void TZozaveVavo::Button6Click() {
    if (RunGuarded(messages_, [this] { ReportBufferRanges(s_, s_.Solution, Placement(s_), output_); }))
        output_.ShowOutput();
}

void TZozaveVavo::Button3Click() {
    AddBufferToOutput(output_, FieldTexts());
}

void TZozaveVavo::BitBtn1Click() {
    close();
}

void TZozaveVavo::BitBtn2Click() {
    help_.ShowHelp(4);
}

void TZozaveVavo::closeEvent(QCloseEvent* event) {
    // The save dialog may be cancelled; the window closes either way.
    if (s_.BufferModified) Button5Click();
    event->accept();
}

}  // namespace dedodiz
