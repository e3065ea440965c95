// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Bufcalc.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "buffers/BufferFile.h"
#include "buffers/BufferModel.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "files/ByteIO.h"
#include "gui/Fields.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

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
    BuildControls();
    // Drawn for the standard font; a larger desktop font makes the whole window larger.
    FitPlacesToTexts(this, QSize(549, 442));

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

    CentreOnScreen(this);
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
    const std::optional<double> value = FieldNumber(rule.edit);
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
    LoadBufferFrom(ToStd(*chosen));
}

void TZozaveVavo::LoadBufferFrom(const std::string& path) {
    s_.BufferLoaded = false;
    SecondLine named(messages_, "Could not open pH buffer file", path);
    ReadBufferFile(s_, path, named);
    if (!s_.BufferFileName.empty())
        setWindowTitle(QStringLiteral("ZozaveVavo ") + ToQ(s_.BufferFileName.view()));
    // Whatever the reading found, the selector names what the slots now hold.
    for (int k = 1; k <= kBufferSlots; ++k) SetItemText(k, ToQ(s_.BufferSlots[k].Name.view()));
    if (s_.BufferLoaded) RadioGroup1Item[1]->setChecked(true);
    ShowBufferSlot();
    s_.BufferModified = false;
}

bool TZozaveVavo::Button5Click() {
    // The name of the file the slots came from is offered, in the folder the dialog starts in, never
    // among the program's own files: Enter after closing the window must not save over the bundled
    // buffers.bcm. A file that is there already is saved over only when the user confirms it.
    if (!s_.BufferFileName.empty())
        SaveDialog1->selectFile(QFileInfo(ToQ(s_.BufferFileName.view())).fileName());
    const std::optional<QString> chosen = TIOForm::Execute(SaveDialog1);
    if (!chosen) return false;
    SecondLine named(messages_, "Cannot save buffer to file!", ToStd(*chosen));
    return WriteBufferFile(s_, ToStd(*chosen), named);
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
