// SPDX-License-Identifier: BSD-3-Clause
#include "gui/UncertaintyDialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

#include "engine/Format.h"
#include "gui/Controls.h"
#include "gui/Help.h"
#include "gui/HistogramWindow.h"
#include "gui/Keyboard.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"
#include "gui/StopProgress.h"

namespace dedodiz {

namespace {

constexpr int kHelpTopic = 4;

QString Text(double x) {
    return ToQ(ShortestText(x));
}

// A number as typed, with a decimal point or a decimal comma.
std::optional<double> FieldValue(const QLineEdit* field) {
    QString text = field->text().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const auto value = ParseReal(ToStd(text));
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

}  // namespace

TUncertaintyDialog::TUncertaintyDialog(MessageSink& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
    setObjectName(QStringLiteral("UncertaintyDialog"));
    setWindowTitle(QStringLiteral("Uncertainty"));
    SetHelpContext(this, kHelpTopic);

    const UncertaintyOptions defaults;
    const UncertaintyInputs& u = defaults.inputs;
    auto* form = new QFormLayout;
    const auto field = [&](const char* name, const char* label, const QString& value) {
        auto* edit = new QLineEdit(value, this);
        edit->setObjectName(QString::fromLatin1(name));
        auto* caption = new QLabel(QString::fromUtf8(label), this);
        caption->setBuddy(edit);
        form->addRow(caption, edit);
        return edit;
    };
    Samples = field("Samples", "&Samples", QString::number(defaults.samples));
    Seed = field("Seed", "See&d", QString::number(defaults.seed));
    PHSd = field("PHSd", "&pH", Text(u.pHSd));
    TempSd = field("TempSd", "&Temperature [°C]", Text(u.temperatureSd));
    IonicRsd = field("IonicRsd", "&Ionic strength (relative)", Text(u.ionicRsd));
    LogKHSd = field("LogKHSd", "log K of p&rotonation", Text(u.logKHSd));
    LogKMLSd = field("LogKMLSd", "log K of &ML", Text(u.logKMLSd));
    LogKMHLSd = field("LogKMHLSd", "log K of M&HL", Text(u.logKMHLSd));
    EnthalpyRsd = field("EnthalpyRsd", "&Enthalpies (relative)", Text(u.enthalpyRsd));
    TotalRsd = field("TotalRsd", "T&otals (relative)", Text(u.totalRsd));

    auto* conditions =
        new QGroupBox(QStringLiteral("Standard uncertainties (0 switches an input off)"), this);
    conditions->setLayout(form);
    auto* purity = new QGroupBox(QStringLiteral("Purity of the chelators: fraction, uncertainty"), this);
    purityForm_ = new QFormLayout(purity);
    auto* contamination = new QGroupBox(
        QStringLiteral("Contamination of the metals (what water and salts bring): M, uncertainty M"), this);
    contaminationForm_ = new QFormLayout(contamination);

    OKButton = NamedButton(this, "OKButton", "OK");
    OKButton->setDefault(true);
    CancelButton = NamedButton(this, "CancelButton", "Cancel");
    connect(OKButton, &QPushButton::clicked, this, &TUncertaintyDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);

    // Six chelators and six metals at a large font make the dialog taller than many screens: the
    // groups then scroll, the buttons stay.
    auto* content = new QWidget(this);
    auto* groups = new QVBoxLayout(content);
    groups->setContentsMargins(0, 0, 0, 0);
    groups->addWidget(conditions);
    groups->addWidget(purity);
    groups->addWidget(contamination);
    auto* scroll = new WholeScrollArea(this);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
}

void TUncertaintyDialog::FillFromSolution(const TSolution& solution) {
    OneBased<QString, 6> chelators, metals;
    for (int i = 1; i <= kSlots; ++i) {
        if (solution.ChelName[i] != kEmptyChelator) chelators[i] = ToQ(solution.ChelName[i].view());
        if (solution.MetalName[i] != kEmptyMetal) metals[i] = ToQ(solution.MetalName[i].view());
    }
    Refill({purityForm_, Purity, PuritySd, purityNames_, purityTexts_, "Purity", QStringLiteral("1"), true},
           chelators);
    Refill({contaminationForm_, Contamination, ContaminationSd, metalNames_, contaminationTexts_,
            "Contamination", QStringLiteral("0"), false},
           metals);
    // Tab runs down the conditions, then row by row through each value and its uncertainty, then to the
    // buttons (the rows are made after the buttons, and would otherwise come last).
    std::vector<QWidget*> order{TotalRsd};
    for (int i = 1; i <= kSlots; ++i) order.insert(order.end(), {Purity[i], PuritySd[i]});
    for (int j = 1; j <= kSlots; ++j) order.insert(order.end(), {Contamination[j], ContaminationSd[j]});
    order.push_back(OKButton);
    order.push_back(CancelButton);
    ChainTabOrder(order);
    ResizeWithinScreen(this);
}

void TUncertaintyDialog::Refill(const PairRows& rows, const OneBased<QString, 6>& names) {
    for (int i = 1; i <= kSlots; ++i) {
        if (rows.value[i] != nullptr) rows.typed[rows.names[i]] = {rows.value[i]->text(), rows.sd[i]->text()};
        rows.value[i] = rows.sd[i] = nullptr;
    }
    while (rows.form->rowCount() > 0) rows.form->removeRow(0);
    // A numbered row's Alt+key is its slot; the metals' rows take a free letter of their names.
    std::set<QChar> taken = TakenMnemonics(this);
    for (char digit = '1'; digit <= '6'; ++digit) taken.insert(QLatin1Char(digit));
    for (int i = 1; i <= kSlots; ++i) {
        if (names[i].isEmpty()) continue;
        rows.names[i] = names[i];
        const auto kept = rows.typed.find(names[i]);
        const bool known = kept != rows.typed.end();
        rows.value[i] = new QLineEdit(known ? kept->second.first : rows.valueDefault, this);
        rows.sd[i] = new QLineEdit(known ? kept->second.second : QStringLiteral("0"), this);
        rows.value[i]->setObjectName(QString::fromLatin1(rows.objectName) + QString::number(i));
        rows.sd[i]->setObjectName(QString::fromLatin1(rows.objectName) + QStringLiteral("Sd%1").arg(i));
        auto* row = new QHBoxLayout;
        row->addWidget(rows.value[i]);
        row->addWidget(rows.sd[i]);
        auto* caption = new QLabel(
            rows.numbered ? QStringLiteral("&%1. %2").arg(i).arg(names[i]) : WithMnemonic(names[i], taken),
            this);
        caption->setBuddy(rows.value[i]);
        // The uncertainty follows its value on Tab; its name says whose it is.
        const QString whose =
            QStringLiteral("Uncertainty of the %1 of %2")
                .arg(rows.numbered ? QStringLiteral("purity") : QStringLiteral("contamination"), names[i]);
        rows.sd[i]->setAccessibleName(whose);
        rows.sd[i]->setToolTip(whose);
        rows.form->addRow(caption, row);
    }
}

void TUncertaintyDialog::UseCalibration(const CalibrationUse& use) {
    purityTexts_[ToQ(use.chelator)] = {Text(use.purity), Text(use.puritySd)};
    contaminationTexts_[ToQ(use.metal)] = {Text(use.contamination), Text(use.contaminationSd)};
}

bool TUncertaintyDialog::ReadFields() {
    UncertaintyOptions o;
    const auto fail = [&](const QString& what) {
        messages_.Message(ToStd(QStringLiteral("Not a valid number: %1").arg(what)), "ERROR");
        return false;
    };
    const auto whole = [&](QLineEdit* edit, double low, double high, auto& into) {
        const auto v = FieldValue(edit);
        if (!v || *v < low || *v > high || *v != std::floor(*v)) return false;
        into = static_cast<std::remove_reference_t<decltype(into)>>(*v);
        return true;
    };
    if (!whole(Samples, 1, kMaxUncertaintySamples, o.samples))
        return fail(QStringLiteral("samples (a whole number from 1 to %1)").arg(kMaxUncertaintySamples));
    if (!whole(Seed, 0, 9007199254740992.0, o.seed)) return fail(QStringLiteral("seed (a whole number)"));
    UncertaintyInputs& u = o.inputs;
    struct Sd {
        QLineEdit* edit;
        double* into;
        const char* what;
    };
    const Sd sds[] = {
        {PHSd, &u.pHSd, "pH"},
        {TempSd, &u.temperatureSd, "temperature"},
        {IonicRsd, &u.ionicRsd, "ionic strength"},
        {LogKHSd, &u.logKHSd, "log K of protonation"},
        {LogKMLSd, &u.logKMLSd, "log K of ML"},
        {LogKMHLSd, &u.logKMHLSd, "log K of MHL"},
        {EnthalpyRsd, &u.enthalpyRsd, "enthalpies"},
        {TotalRsd, &u.totalRsd, "totals"},
    };
    for (const Sd& sd : sds) {
        const auto v = FieldValue(sd.edit);
        if (!v || *v < 0) return fail(QString::fromLatin1(sd.what) + QStringLiteral(" (0 or more)"));
        *sd.into = *v;
    }
    for (int i = 1; i <= kSlots; ++i) {
        if (Purity[i] == nullptr) continue;
        const auto fraction = FieldValue(Purity[i]);
        const auto sd = FieldValue(PuritySd[i]);
        if (!fraction || !(*fraction > 0 && *fraction <= 1) || !sd || *sd < 0)
            return fail(purityNames_[i] +
                        QStringLiteral(" purity (a fraction above 0 up to 1, an uncertainty of 0 or more)"));
        u.purity[i] = {*fraction, *sd};
    }
    for (int j = 1; j <= kSlots; ++j) {
        if (Contamination[j] == nullptr) continue;
        const auto conc = FieldValue(Contamination[j]);
        const auto sd = FieldValue(ContaminationSd[j]);
        if (!conc || *conc < 0 || !sd || *sd < 0)
            return fail(metalNames_[j] +
                        QStringLiteral(
                            " contamination (a concentration of 0 M or more, an uncertainty of 0 or more)"));
        u.contamination[j] = {*conc, *sd};
    }
    options_ = o;
    return true;
}

void TUncertaintyDialog::accept() {
    if (ReadFields()) QDialog::accept();
}

void RunUncertaintyCommand(ProgramState& s, QWidget* owner, OutputSink& output, MessageSink& messages) {
    auto* dialog = owner->findChild<TUncertaintyDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (dialog == nullptr) dialog = new TUncertaintyDialog(messages, owner);
    dialog->FillFromSolution(s.Solution);
    if (dialog->exec() != QDialog::Accepted) return;
    UncertaintyOptions options = dialog->Options();
    StopProgress progress(owner, QStringLiteral("Solving %1 samples...").arg(options.samples), 0);
    options.stop = progress.Check();
    // The messages wait until the busy cursor is gone.
    MessageKeeper kept;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Outcome done = Perform(
        s, kept, &output, [&](Session& session) { return session.Uncertainty(options, Placement(s)); });
    QApplication::restoreOverrideCursor();
    for (const ShownMessage& m : kept.Messages()) messages.Message(m.text, m.caption);
    if (!done.Ran()) return;
    const UncertaintyOutcome& outcome = s.LastUncertainty();
    auto* window = owner->findChild<THistogramWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) window = new THistogramWindow(messages, owner);
    window->ShowOutcome(outcome);
}

}  // namespace dedodiz
