// SPDX-License-Identifier: BSD-3-Clause
// The recipe window's chemistry: how each stock is added (the form, and what the water and salts bring
// of a metal), the base or acid that brings the tube to its pH, and the osmolarity made up with a neutral
// osmolyte. Empty fields keep the usual choices (free acids, chlorides, KOH and HCl at 1 M, no osmolyte).

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "core/Calibration.h"
#include "core/CalibrationExport.h"
#include "core/RecipeForms.h"
#include "core/RecipeInput.h"
#include "engine/Format.h"
#include "gui/QtText.h"
#include "gui/Recipe.h"

namespace dedodiz {

namespace {

QLineEdit* TextField(QWidget* parent, const QString& name, const QString& text, const char* widest) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(name);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString::fromLatin1(widest)) + 16);
    return field;
}

// A name and a stock typed as "NAME" and "1 M"; nullopt after an "ERROR" message naming what.
std::optional<NamedValue> ReadNamedStock(const QLineEdit* name, const QLineEdit* stock,
                                         const std::string& what, MessageSink& messages) {
    const std::string text = ToStd(stock->text());
    if (const std::optional<std::string> missing = MissingUnit(text, AmountKind::Concentration)) {
        messages.Message(what + ": " + *missing + ", got \"" + text + "\"", "ERROR");
        return std::nullopt;
    }
    const std::optional<double> value = ParseAmount(text, AmountKind::Concentration, true);
    if (!value) {
        messages.Message(what + ": " + AmountProblem(text, AmountKind::Concentration), "ERROR");
        return std::nullopt;
    }
    return NamedValue{ToStd(name->text().trimmed()), *value};
}

}  // namespace

void TRecipe::BuildChemistry(QFormLayout* form) {
    BaseName = TextField(this, QStringLiteral("BaseName"), QStringLiteral("KOH"), "CsOH00");
    BaseName->setToolTip(ToQ("The base that brings the tube to its pH: " + PHReagentNames()));
    BaseStock = TextField(this, QStringLiteral("BaseStock"), QStringLiteral("1 M"), "000.00 mM");
    AcidName = TextField(this, QStringLiteral("AcidName"), QStringLiteral("HCl"), "CsOH00");
    AcidStock = TextField(this, QStringLiteral("AcidStock"), QStringLiteral("1 M"), "000.00 mM");
    auto* base = new QHBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{BaseName, new QLabel(QStringLiteral("stock"), this), BaseStock,
                                         new QLabel(QStringLiteral("or, where acid is needed,"), this),
                                         AcidName, new QLabel(QStringLiteral("stock"), this), AcidStock})
        base->addWidget(w);
    base->addStretch();
    auto* baseLabel = new QLabel(QStringLiteral("pH set &with:"), this);
    baseLabel->setBuddy(BaseName);
    form->addRow(baseLabel, base);

    Osmolarity = new QCheckBox(QStringLiteral("Make up the osmola&rity to"), this);
    Osmolarity->setObjectName(QStringLiteral("Osmolarity"));
    OsmolarityTarget =
        TextField(this, QStringLiteral("OsmolarityTarget"), QStringLiteral("290 mOsm"), "0000 mOsm");
    OsmolyteName = TextField(this, QStringLiteral("OsmolyteName"), QStringLiteral("sucrose"), "mannitol00");
    OsmolyteName->setToolTip(ToQ("A neutral osmolyte: " + OsmolyteNames()));
    OsmolyteStock = TextField(this, QStringLiteral("OsmolyteStock"), QStringLiteral("1 M"), "000.00 mM");
    auto* osm = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{
             OsmolarityTarget, new QLabel(QStringLiteral("with"), this), OsmolyteName,
             new QLabel(QStringLiteral("stock"), this), OsmolyteStock})
        osm->addWidget(w);
    osm->addStretch();
    form->addRow(Osmolarity, osm);
    const auto enable = [this](bool on) {
        for (QWidget* w : {static_cast<QWidget*>(OsmolarityTarget), static_cast<QWidget*>(OsmolyteName),
                           static_cast<QWidget*>(OsmolyteStock)})
            w->setEnabled(on);
    };
    connect(Osmolarity, &QCheckBox::toggled, this, enable);
    enable(false);
}

void TRecipe::AddChemistryFields(StockRow& row, int line, bool chelator) {
    QWidget* parent = stockGrid_->parentWidget();
    row.form =
        TextField(parent, QStringLiteral("Form_") + row.name, typedForm_.value(row.name), "K2H2EGTA00");
    row.form->setPlaceholderText(chelator ? QStringLiteral("free acid") : QStringLiteral("chloride"));
    row.form->setToolTip(chelator
                             ? QStringLiteral("How the chelator is added: its free acid, or a salt such as "
                                              "K2H2EGTA or Na2ATP (empty: the free acid; Na2 salts of ATP, "
                                              "ADP and EDTA)")
                             : QStringLiteral("How the metal is added: its chloride (empty), or another "
                                              "salt such as Ca(MeSO3)2"));
    stockGrid_->addWidget(row.form, line, 3);
    if (chelator) return;
    row.contamination = TextField(parent, QStringLiteral("Contamination_") + row.name,
                                  typedContamination_.value(row.name), "000.00 uM");
    row.contamination->setPlaceholderText(QStringLiteral("none"));
    row.contamination->setToolTip(
        QStringLiteral("What the water and the salts bring of this metal (2 uM), part of every total"));
    stockGrid_->addWidget(row.contamination, line, 4);
}

bool TRecipe::ReadChemistry(RecipeRequest& r) {
    for (const StockRow& row : Stocks) {
        const QString form = row.form->text().trimmed();
        if (!form.isEmpty()) r.forms.push_back({ToStd(row.name), ToStd(form)});
        if (row.contamination == nullptr || row.contamination->text().trimmed().isEmpty()) continue;
        const std::string text = ToStd(row.contamination->text());
        const std::optional<double> c = ParseAmount(text, AmountKind::Concentration, true);
        if (!c) {
            messages_.Message("The contamination of " + ToStd(row.name) + ": " +
                                  AmountProblem(text, AmountKind::Concentration),
                              "ERROR");
            return false;
        }
        r.contamination.push_back({ToStd(row.name), *c});
    }
    const auto base = ReadNamedStock(BaseName, BaseStock, "The base stock", messages_);
    const auto acid = base ? ReadNamedStock(AcidName, AcidStock, "The acid stock", messages_) : std::nullopt;
    if (!acid) return false;
    r.base = *base;
    r.acid = *acid;
    if (!Osmolarity->isChecked()) return true;
    const std::string target = ToStd(OsmolarityTarget->text());
    const std::optional<double> osm = ParseOsmolarity(target, true);
    if (!osm) {
        messages_.Message(
            "The osmolarity: not an osmolarity in mOsm or Osm (a bare number is mOsm/L): \"" + target + "\"",
            "ERROR");
        return false;
    }
    const auto osmolyte = ReadNamedStock(OsmolyteName, OsmolyteStock, "The osmolyte stock", messages_);
    if (!osmolyte) return false;
    r.osmolarityTarget = *osm;
    r.osmolyte = *osmolyte;
    return true;
}

void TRecipe::UseCalibration(const Calibration& fit) {
    const CalibrationUse use = UseOf(fit);
    const QString chelator = ToQ(use.chelator);
    const QString metal = ToQ(use.metal);
    const QString purity = ToQ(ShortestText(use.purity));
    const QString contamination =
        use.contamination > 0 ? ToQ(ShortestText(use.contamination)) + QStringLiteral(" M") : QString();
    for (StockRow& row : Stocks) {
        if (row.name == chelator && row.purity != nullptr) row.purity->setText(purity);
        if (row.name == metal && row.contamination != nullptr) row.contamination->setText(contamination);
    }
    typedPurity_[chelator] = purity;
    typedContamination_[metal] = contamination;
    ShowForCurrentSolution();
}

}  // namespace dedodiz
