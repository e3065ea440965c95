// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Live.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <utility>

#include "core/Session.h"
#include "engine/Run.h"
#include "gui/Controls.h"
#include "gui/Foutput.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/LivePlot.h"
#include "gui/LiveResults.h"
#include "gui/MessageBoxes.h"
#include "gui/QtText.h"

namespace dedodiz {

namespace {

// Where a message of the run is shown: beside the field or the part of the results it speaks of.
LivePlace PlaceOf(const ShownMessage& message) {
    const std::string_view text = message.text;
    if (message.caption == "WARNING") return LivePlace::PH;
    if (message.caption == "RAISE IONIC STRENGTH") return LivePlace::Ionic;
    if (message.caption == "INFORMATION") return LivePlace::Pairs;
    if (message.caption == "ERROR") {
        if (text.starts_with("RESULTS NOT VALID, delta-H")) return LivePlace::Temperature;
        if (text.starts_with("RESULTS NOT VALID, CONSTANTS MISSING") || text.starts_with("Total metal") ||
            text.starts_with("Metal "))
            return LivePlace::Selection;
    }
    return LivePlace::Results;  // convergence, floating-point faults
}

constexpr LivePlace kPlaces[] = {LivePlace::Temperature, LivePlace::PH,      LivePlace::Ionic,
                                 LivePlace::Selection,   LivePlace::Results, LivePlace::Pairs};

bool NothingChosen(const Selection& selection) {
    for (int k = 1; k <= kSlots; ++k)
        if (selection.ChosenChelator[k] != 0 || selection.ChosenMetal[k] != 0) return false;
    return true;
}

}  // namespace

TLive::TLive(ProgramState& s, TOutput& output, TIOForm& files, WorkFiles work, QWidget* parent)
    : QDialog(parent), s_(s), output_(output), files_(files), work_(std::move(work)) {
    setObjectName(QStringLiteral("Live"));
    setWindowTitle(QStringLiteral("Live calculator"));
    SetHelpContext(this, 4);
    setSizeGripEnabled(true);
    Form = new LiveForm(this);
    // The form on the left; on the right the results over the plot, their share for the user to set.
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("ResultsAndPlot"));
    split->setChildrenCollapsible(false);
    split->addWidget(BuildResults());
    split->addWidget(BuildPlot());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildMessages());
    right->addWidget(split, 1);
    // Six chelators and six metals at a large font make a window taller than many screens: the window
    // then opens as large as the screen allows and the form and results scroll, the buttons stay.
    Content = new QWidget(this);
    Content->setObjectName(QStringLiteral("LiveContent"));
    auto* sides = new QHBoxLayout(Content);
    sides->setContentsMargins(0, 0, 0, 0);
    sides->addWidget(Form, 0, Qt::AlignTop);
    sides->addLayout(right, 1);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("LiveScroll"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(Content);
    auto* column = new QVBoxLayout(this);
    column->addWidget(scroll_, 1);
    column->addLayout(BuildButtons());
    connect(Form, &LiveForm::Edited, this, &TLive::Recalculate);
    setTabOrder(Form->Metals.back().freeUnit, PlotAxis);
}

QWidget* TLive::BuildMessages() {
    // The run's messages, each naming what it concerns, in a panel of a fixed height above the
    // results: one that appears moves neither a field nor a result, and more than fit scroll.
    auto* panel = new QScrollArea(this);
    panel->setObjectName(QStringLiteral("Messages"));
    panel->setWidgetResizable(true);
    panel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* inner = new QWidget(panel);
    auto* column = new QVBoxLayout(inner);
    column->setContentsMargins(6, 3, 6, 3);
    column->setSpacing(2);
    NoMessages = new QLabel(QStringLiteral("The run's warnings appear here."), inner);
    NoMessages->setObjectName(QStringLiteral("NoMessages"));
    NoMessages->setEnabled(false);
    column->addWidget(NoMessages);
    for (const LivePlace place : kPlaces) column->addWidget(Note(place));
    column->addStretch();
    panel->setWidget(inner);
    panel->setFixedHeight(fontMetrics().lineSpacing() * 3 + 2 * panel->frameWidth() + 8);
    return panel;
}

QWidget* TLive::BuildResults() {
    auto* group = new QGroupBox(QStringLiteral("Results"), this);
    Results = new LiveResults(group);
    (new QVBoxLayout(group))->addWidget(Results);
    return group;
}

QWidget* TLive::BuildPlot() {
    auto* group = new QGroupBox(QStringLiteral("Around the present point"), this);
    PlotAxis = new QComboBox(group);
    PlotAxis->setObjectName(QStringLiteral("PlotAxis"));
    PlotAxis->addItem(QStringLiteral("pH"), static_cast<int>(AxisVariable::PH));
    PlotAxis->addItem(QStringLiteral("Temperature"), static_cast<int>(AxisVariable::Temperature));
    PlotAxis->addItem(QStringLiteral("Ionic strength"), static_cast<int>(AxisVariable::Ionic));
    connect(PlotAxis, &QComboBox::activated, this, &TLive::Recalculate);
    auto* label = new QLabel(QStringLiteral("Plot &versus"), group);
    label->setBuddy(PlotAxis);
    auto* axisRow = new QHBoxLayout;
    axisRow->addWidget(label);
    axisRow->addWidget(PlotAxis);
    axisRow->addStretch();
    Plot = new LivePlot(group);
    auto* column = new QVBoxLayout(group);
    column->addLayout(axisRow);
    column->addWidget(Plot, 1);
    return group;
}

QLayout* TLive::BuildButtons() {
    ToOutput = NamedButton(this, "ToOutput", "to &Output");
    LoadWorkButton = NamedButton(this, "LoadWork", "&Load work ...");
    SaveWorkButton = NamedButton(this, "SaveWork", "&Save work ...");
    CloseButton = NamedButton(this, "Close", "Close");
    connect(ToOutput, &QPushButton::clicked, this, &TLive::ToOutputClick);
    connect(LoadWorkButton, &QPushButton::clicked, this, &TLive::LoadWorkClick);
    connect(SaveWorkButton, &QPushButton::clicked, this, &TLive::SaveWorkClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {ToOutput, LoadWorkButton, SaveWorkButton}) row->addWidget(b);
    row->addStretch();
    row->addWidget(CloseButton);
    return row;
}

QLabel* TLive::Note(LivePlace place) const {
    QLabel* note = Form->Note(place);
    return note != nullptr ? note : Results->Note(place);
}

void TLive::StartWithExample() {
    SolutionInput example;
    example.type = CalculationType::Free;
    example.pH = 7.2;
    example.chelators = {{"EGTA", 2e-3}};
    example.metals = {{"Ca2", 1e-3, 0.0}, {"Mg2", 1e-3, 0.0}};
    if (FindChelator(s_.table(), "EGTA") == 0 || FindMetal(s_.table(), "Ca2") == 0 ||
        FindMetal(s_.table(), "Mg2") == 0)
        return;
    s_.Describe(example);
}

void TLive::ShowFromState() {
    Form->SetNames(s_.table());
    if (NothingChosen(s_.selection()) && !TableIsEmpty(s_.table())) StartWithExample();
    Form->Fill(s_.selection(), s_.calc());
    Recalculate();
}

void TLive::Recalculate() {
    const LiveReading reading = Form->Read();
    messages_.clear();
    if (!reading.ok()) {
        ShowNotes();
        Refused(QStringLiteral("Greyed: the results of the last values that could be read.\n") +
                reading.problems.join(QLatin1Char('\n')));
        return;
    }
    // The Session's rules and run, its messages kept for the notes beside the values.
    const Outcome described = s_.Describe(reading.entered);
    if (described.status == Status::Refused) {
        ShowNotes();
        Refused(QStringLiteral("Greyed: the results of the last values that could be read.\n") +
                Form->MarkRefused(reading, described.refusals).join(QLatin1Char('\n')));
        return;
    }
    const Outcome outcome = described.Ran() ? s_.Run() : described;
    messages_ = described.messages;
    messages_.insert(messages_.end(), outcome.messages.begin(), outcome.messages.end());
    ShowNotes();
    shown_ = ShownOf();
    if (!outcome.Ran()) {
        const QString reason =
            outcome.status == Status::Fault
                ? QStringLiteral("Greyed: the calculation ended with an error (see its note).")
            : outcome.status == Status::Refused
                ? ToQ(outcome.Message())
                : QStringLiteral("Greyed: the run was refused (see the ERROR note).");
        Refused(reason);
        return;
    }
    Results->Show(s_.calc(), outcome);
    Results->SetStale({});
    Form->ShowComputed(s_.selection(), s_.calc());
    Plot->setEnabled(true);
    Plot->Update(s_.calc(), static_cast<AxisVariable>(PlotAxis->currentData().toInt()), s_.precision);
    ToOutput->setEnabled(true);
}

void TLive::Refused(const QString& reason) {
    Results->SetStale(reason);
    Plot->setEnabled(false);
    ToOutput->setEnabled(false);
}

void TLive::ShowNotes() {
    bool any = false;
    for (const LivePlace place : kPlaces) {
        QString text;
        for (const ShownMessage& message : messages_) {
            if (PlaceOf(message) != place) continue;
            if (!text.isEmpty()) text += QLatin1Char('\n');
            text += ToQ(message.caption) + QStringLiteral(": ") + MessageBoxText(message.text);
        }
        QLabel* note = Note(place);
        if (note->text() != text) note->setText(text);
        note->setVisible(!text.isEmpty());
        any = any || !text.isEmpty();
    }
    NoMessages->setVisible(!any);
}

void TLive::ToOutputClick() {
    // The warnings stand in the window already; the report is the one the run writes.
    MessageKeeper quiet;
    output_.RunSinglePointHere(s_, quiet);
}

bool TLive::LoadWork(const std::string& path) {
    const bool loaded = work_.load && work_.load(path);
    // A work file whose constants could not be read has reset the state: the form shows that too.
    ShowFromState();
    return loaded;
}

bool TLive::SaveWork(const std::string& path) {
    return work_.save && work_.save(path);
}

void TLive::LoadWorkClick() {
    if (const auto chosen = TIOForm::Execute(files_.OpenDialog2)) LoadWork(ToStd(*chosen));
}

void TLive::SaveWorkClick() {
    if (const auto chosen = TIOForm::Execute(files_.SaveDialog2)) SaveWork(ToStd(*chosen));
}

TLive::Shown TLive::ShownOf() const {
    Shown shown;
    shown.table = s_.ConstantsFileName;
    for (int k = 1; k <= kTableChelators; ++k) shown.chelators[k] = s_.Constants[k].Name;
    for (int k = 1; k <= kTableMetals; ++k) shown.metals[k] = s_.Constants[1].MetalName[k];
    shown.selection = s_.selection();
    shown.solution = s_.Solution;
    shown.type = s_.CalcType;
    shown.precision = s_.precision;
    return shown;
}

bool TLive::Same(const Shown& a, const Shown& b) {
    const TSolution& x = a.solution;
    const TSolution& y = b.solution;
    return a.table == b.table && a.chelators == b.chelators && a.metals == b.metals &&
           a.selection.ChosenChelator == b.selection.ChosenChelator &&
           a.selection.ChosenMetal == b.selection.ChosenMetal && a.type == b.type &&
           a.precision == b.precision && x.Temperature == y.Temperature && x.PH == y.PH &&
           x.IonicEquiv == y.IonicEquiv && x.ChelTotal == y.ChelTotal && x.MetalTotal == y.MetalTotal &&
           x.MetalFree == y.MetalFree;
}

void TLive::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (fitted_) return;
    fitted_ = true;
    FitToScreen();
}

void TLive::FitToScreen() {
    // The whole content where the screen has room for it, else as much as the screen holds beside the
    // window manager's frame (not known before it has framed the window: a title bar and borders of a
    // common size); the scroll area takes the rest.
    // Measured as the texts will be drawn: every child polished (its font is the desktop's) and the
    // layouts brought up to date.
    ensurePolished();
    for (QLayout* l : Content->findChildren<QLayout*>()) l->invalidate();
    Content->layout()->activate();
    const QMargins m = layout()->contentsMargins();
    QSize want = Content->sizeHint().expandedTo(Content->minimumSizeHint()) +
                 QSize(m.left() + m.right(), m.top() + m.bottom());
    want.rheight() += layout()->spacing() + CloseButton->sizeHint().height();
    want.rwidth() += scroll_->verticalScrollBar()->sizeHint().width();
    if (const QScreen* shown = screen())
        want = want.boundedTo(shown->availableGeometry().size() - QSize(16, 48));
    want = want.expandedTo(minimumSizeHint());
    if (size() != want) resize(want);
}

bool TLive::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && isVisible() && !Same(ShownOf(), shown_)) ShowFromState();
    return QDialog::event(event);
}

}  // namespace dedodiz
