// SPDX-License-Identifier: BSD-3-Clause
#include "gui/LiveForm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>
#include <vector>

#include "engine/CalcTypes.h"
#include "engine/Format.h"
#include "gui/Fields.h"
#include "gui/QtText.h"

namespace dedodiz {

namespace {

const char* const kMarkedProperty = "LiveMarked";

// Which concentrations a type reads: the chelator totals, the metal totals, the free metals.
struct Reads {
    bool chelTotal, metalTotal, metalFree;
};
Reads ReadsOf(CalculationType type) {
    const CalcTypeInfo& info = TypeInfo(type);
    return {info.readsChelatorTotal, info.readsMetalTotal, info.readsMetalFree};
}

QLabel* NoteLabel(QWidget* parent, const char* name) {
    auto* note = new QLabel(parent);
    note->setObjectName(QString::fromLatin1(name));
    note->setWordWrap(true);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note->hide();
    return note;
}

QLabel* Heading(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QLabel* BuddyLabel(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// The exact text of a number for a field: the shortest that reads back as the same double.
QString ExactText(double value) {
    return ToQ(ShortestText(value));
}

// The unit a box showed when its field's text was last set or converted: a change of unit converts the
// text from it.
const char* const kUnitProperty = "LiveUnit";

void SetUnit(QComboBox* unitBox, ConcUnit unit) {
    unitBox->setCurrentIndex(unitBox->findData(static_cast<int>(unit)));
    unitBox->setProperty(kUnitProperty, static_cast<int>(unit));
}

// A level for a pX field: four decimals, without the zeros at the end ("6.8094", "7").
QString LevelText(double value) {
    std::string text = FigureText(PXOf(value), 4);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return ToQ(text);
}

// The field's text made to say the same concentration in the unit now chosen: "0.1551" µM becomes
// "155.1" nM or the level "6.8094" in pX, never the same digits in another unit. The decimal units are
// converted exactly; a level has four decimals, and a level turned into a unit four digits. A text that
// gives no concentration stays as typed (it is marked); 0, which has no level, leaves the field empty.
void ConvertToChosenUnit(QLineEdit* field, QComboBox* unitBox) {
    const auto from = static_cast<ConcUnit>(unitBox->property(kUnitProperty).toInt());
    const auto to = static_cast<ConcUnit>(unitBox->currentData().toInt());
    unitBox->setProperty(kUnitProperty, static_cast<int>(to));
    if (from == to || field->text().trimmed().isEmpty()) return;
    const ConcReading read = ReadConcentration(NumberText(field->text()), from);
    if (!read.ok()) return;
    const Amount& amount = read.amount;
    const double molar = amount.unit == ConcUnit::pX ? std::pow(10.0, -amount.value) : amount.value;
    // A value the run will refuse (negative, beyond the doubles) stays as typed, to be named there.
    if (!std::isfinite(molar) || molar < 0) return;
    if (to == ConcUnit::pX) {
        field->setText(molar > 0 ? LevelText(molar) : QString());
    } else if (from == ConcUnit::pX) {
        const std::optional<double> inUnit = ParseReal(TextInUnit(molar, to));
        field->setText(inUnit ? QString::number(*inUnit, 'g', 4) : ToQ(TextInUnit(molar, to)));
    } else {
        field->setText(ToQ(TextInUnit(molar, to)));
    }
}

void SetConc(QLineEdit* field, QComboBox* unitBox, double value) {
    const ConcUnit unit = value == 0 ? ConcUnit::mM : UnitFor(value);
    SetUnit(unitBox, unit);
    field->setText(value == 0 ? QString() : ToQ(TextInUnit(value, unit)));
}

// A computed value for a field the type does not take: four digits in the unit that fits.
void SetComputed(QLineEdit* field, QComboBox* unitBox, double value) {
    const ConcUnit unit = UnitFor(value);
    SetUnit(unitBox, unit);
    const std::string exact = TextInUnit(value, unit);
    const std::optional<double> inUnit = ParseReal(exact);
    field->setText(inUnit ? QString::number(*inUnit, 'g', 4) : ToQ(exact));
}

// The slot (1..6) that holds table entry number, 0 when none does.
int SlotOf(const OneBased<std::int32_t, kSlots>& chosen, int number) {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (number != 0 && chosen[slot] == number) return slot;
    return 0;
}

int TableNumber(const QComboBox* box) {
    return box->currentData().toInt();
}

}  // namespace

void MarkField(QWidget* field, const QString& reason) {
    const bool marked = !reason.isEmpty();
    if (field->property(kMarkedProperty).toBool() == marked && field->toolTip() == reason) return;
    field->setProperty(kMarkedProperty, marked);
    field->setToolTip(reason);
    if (!marked) {
        field->setPalette(QPalette());
        return;
    }
    QPalette colours = field->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button})
        colours.setColor(role, QColor(0xff, 0xd0, 0xd0));
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText})
        colours.setColor(role, Qt::black);
    field->setPalette(colours);
}

bool FieldMarked(const QWidget* field) {
    return field->property(kMarkedProperty).toBool();
}

LiveForm::LiveForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LiveForm"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(BuildType(), 0, 0);
    grid->addWidget(BuildConditions(), 0, 1);
    grid->addWidget(BuildChelators(), 1, 0, 1, 2);
    grid->addWidget(BuildMetals(), 2, 0, 1, 2);
    // The notes are laid out by the window, in a panel of their own: a note that appears never moves
    // a field under the pointer.
    selectionNote_ = NoteLabel(this, "SelectionNote");
    grid->setRowStretch(3, 1);

    // Tab runs through the form as it reads: type, conditions, the chelator rows, the metal rows.
    std::vector<QWidget*> order{TypeFree, TypeTotal, TypeChelator, Temperature, PH, Ionic};
    for (const ChelatorRow& row : Chelators) order.insert(order.end(), {row.name, row.total, row.totalUnit});
    for (const MetalRow& row : Metals)
        order.insert(order.end(), {row.name, row.total, row.totalUnit, row.free, row.freeUnit});
    for (std::size_t k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);
    UpdateEnabled();
}

QWidget* LiveForm::BuildType() {
    auto* group = new QGroupBox(QStringLiteral("Calculation"), this);
    group->setObjectName(QStringLiteral("TypeGroup"));
    auto* column = new QVBoxLayout(group);
    TypeFree = new QRadioButton(QStringLiteral("F&ree metal from the total metal"), group);
    TypeTotal = new QRadioButton(QStringLiteral("Total metal for a &wanted free metal"), group);
    TypeChelator = new QRadioButton(QStringLiteral("C&helator needed to hold the first metal free"), group);
    types_ = new QButtonGroup(this);
    const std::pair<QRadioButton*, CalculationType> buttons[] = {{TypeFree, CalculationType::Free},
                                                                 {TypeTotal, CalculationType::Total},
                                                                 {TypeChelator, CalculationType::Chelator}};
    for (const auto& [button, type] : buttons) {
        types_->addButton(button, static_cast<int>(type));
        column->addWidget(button);
    }
    TypeFree->setChecked(true);
    column->addStretch();
    connect(types_, &QButtonGroup::idClicked, this, [this] {
        UpdateEnabled();
        emit Edited();
    });
    return group;
}

QWidget* LiveForm::BuildConditions() {
    auto* group = new QGroupBox(QStringLiteral("Conditions"), this);
    group->setObjectName(QStringLiteral("ConditionsGroup"));
    auto* grid = new QGridLayout(group);
    const auto field = [&](const char* name, const char* fieldName, const char* caption, int row,
                           QLabel*& note) {
        auto* edit = new QLineEdit(group);
        edit->setObjectName(QString::fromLatin1(name));
        SetFieldName(edit, QString::fromLatin1(fieldName));
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 7);
        grid->addWidget(BuddyLabel(group, QString::fromUtf8(caption), edit), row, 0);
        grid->addWidget(edit, row, 1);
        note = NoteLabel(this, (std::string(name) + "Note").c_str());
        connect(edit, &QLineEdit::textEdited, this, &LiveForm::Edited);
        return edit;
    };
    Temperature = field("Temperature", "Temperature", "&Temperature (\xC2\xB0\x43)", 0, temperatureNote_);
    PH = field("PH", "pH", "&pH", 1, pHNote_);
    Ionic = field("Ionic", "Ionic strength", "&Ionic strength (N)", 2, ionicNote_);
    grid->setRowStretch(3, 1);
    return group;
}

QLineEdit* LiveForm::ConcField(const QString& name) {
    auto* edit = new QLineEdit(this);
    SetFieldName(edit, name);
    edit->setObjectName(QString(name).remove(QLatin1Char(' ')));
    edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 10);
    connect(edit, &QLineEdit::textEdited, this, &LiveForm::Edited);
    return edit;
}

QComboBox* LiveForm::UnitBox(QLineEdit* field, bool withLevel) {
    auto* box = new QComboBox(this);
    for (const ConcUnit unit : kConcUnits)
        if (unit != ConcUnit::pX || withLevel) box->addItem(ToQ(UnitCaption(unit)), static_cast<int>(unit));
    SetUnit(box, ConcUnit::mM);
    connect(box, &QComboBox::activated, this, [this, field, box] {
        ConvertToChosenUnit(field, box);
        emit Edited();
    });
    return box;
}

QComboBox* LiveForm::NameBox(int letters) {
    auto* box = new QComboBox(this);
    // Wide enough for the longest name of its kind, whatever the font: "Mg2" never shows as "Mg".
    box->setMinimumContentsLength(letters);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->addItem(QStringLiteral("\u2014"), 0);
    connect(box, &QComboBox::activated, this, [this] {
        UpdateEnabled();
        emit Edited();
    });
    return box;
}

QWidget* LiveForm::BuildChelators() {
    auto* group = new QGroupBox(QStringLiteral("Chelators (up to six)"), this);
    group->setObjectName(QStringLiteral("ChelatorsGroup"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(Heading(group, QStringLiteral("Chelator")), 0, 1);
    grid->addWidget(Heading(group, QStringLiteral("Total")), 0, 2);
    for (int k = 0; k < kSlots; ++k) {
        ChelatorRow& row = Chelators[static_cast<std::size_t>(k)];
        const QString name = QStringLiteral("Chelator %1").arg(k + 1);
        row.name = NameBox(static_cast<int>(ChelatorText::max_length));
        row.name->setObjectName(QStringLiteral("Chelator%1").arg(k + 1));
        row.total = ConcField(name + QStringLiteral(" total"));
        row.totalUnit = UnitBox(row.total, false);
        row.label = BuddyLabel(group, QStringLiteral("Chelator &%1").arg(k + 1), row.name);
        const int r = k + 1;
        grid->addWidget(row.label, r, 0);
        grid->addWidget(row.name, r, 1);
        grid->addWidget(row.total, r, 2);
        grid->addWidget(row.totalUnit, r, 3);
    }
    grid->setRowStretch(kSlots + 1, 1);
    return group;
}

QWidget* LiveForm::BuildMetals() {
    auto* group = new QGroupBox(QStringLiteral("Metals (up to six)"), this);
    group->setObjectName(QStringLiteral("MetalsGroup"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(Heading(group, QStringLiteral("Metal")), 0, 1);
    grid->addWidget(Heading(group, QStringLiteral("Total")), 0, 2);
    grid->addWidget(Heading(group, QStringLiteral("Free")), 0, 4);
    for (int k = 0; k < kSlots; ++k) {
        MetalRow& row = Metals[static_cast<std::size_t>(k)];
        // Letters, not digits: the chelator rows have those.
        const QChar letter(QLatin1Char(static_cast<char>('A' + k)));
        const QString name = QStringLiteral("Metal ") + letter;
        row.name = NameBox(static_cast<int>(MetalText::max_length));
        row.name->setObjectName(QStringLiteral("Metal") + letter);
        row.total = ConcField(name + QStringLiteral(" total"));
        row.totalUnit = UnitBox(row.total, false);
        row.free = ConcField(name + QStringLiteral(" free"));
        row.freeUnit = UnitBox(row.free, true);
        row.label = BuddyLabel(group, QStringLiteral("Metal &") + letter, row.name);
        const int r = k + 1;
        grid->addWidget(row.label, r, 0);
        grid->addWidget(row.name, r, 1);
        grid->addWidget(row.total, r, 2);
        grid->addWidget(row.totalUnit, r, 3);
        grid->addWidget(row.free, r, 4);
        grid->addWidget(row.freeUnit, r, 5);
    }
    grid->setRowStretch(kSlots + 1, 1);
    return group;
}

void LiveForm::SetNames(const ConstantsTable& table) {
    const auto refill = [](QComboBox* box, const std::vector<std::pair<QString, int>>& names) {
        const int keep = TableNumber(box);
        box->clear();
        box->addItem(QStringLiteral("\u2014"), 0);
        for (const auto& [name, k] : names) box->addItem(name, k);
        box->setCurrentIndex(std::max(0, box->findData(keep)));
    };
    std::vector<std::pair<QString, int>> chelators, metals;
    for (int k = 1; k <= kTableChelators; ++k)
        if (table.Constants[k].Name != kEmptyChelator)
            chelators.emplace_back(ToQ(table.Constants[k].Name), k);
    for (int k = 1; k <= kTableMetals; ++k)
        if (table.Constants[1].MetalName[k] != kEmptyMetal)
            metals.emplace_back(ToQ(table.Constants[1].MetalName[k]), k);
    for (ChelatorRow& row : Chelators) refill(row.name, chelators);
    for (MetalRow& row : Metals) refill(row.name, metals);
    UpdateEnabled();
}

void LiveForm::Fill(const Selection& selection, const Calculation& calc) {
    const TSolution& sol = calc.Solution;
    types_->button(static_cast<int>(calc.CalcType))->setChecked(true);
    Temperature->setText(ExactText(sol.Temperature));
    PH->setText(ExactText(sol.PH));
    Ionic->setText(ExactText(sol.IonicEquiv));
    for (int slot = 1; slot <= kSlots; ++slot) {
        ChelatorRow& c = Chelators[static_cast<std::size_t>(slot - 1)];
        const int chel = selection.ChosenChelator[slot];
        c.name->setCurrentIndex(std::max(0, c.name->findData(chel)));
        SetConc(c.total, c.totalUnit, chel != 0 ? sol.ChelTotal[slot] : 0);
        MetalRow& m = Metals[static_cast<std::size_t>(slot - 1)];
        const int metal = selection.ChosenMetal[slot];
        m.name->setCurrentIndex(std::max(0, m.name->findData(metal)));
        SetConc(m.total, m.totalUnit, metal != 0 ? sol.MetalTotal[slot] : 0);
        SetConc(m.free, m.freeUnit, metal != 0 ? sol.MetalFree[slot] : 0);
    }
    UpdateEnabled();
    ShowComputed(selection, calc);
}

void LiveForm::ShowComputed(const Selection& selection, const Calculation& calc) {
    const Reads reads = ReadsOf(calc.CalcType);
    const TSolution& sol = calc.Solution;
    for (ChelatorRow& row : Chelators) {
        const int slot = SlotOf(selection.ChosenChelator, TableNumber(row.name));
        if (slot != 0 && !reads.chelTotal) SetComputed(row.total, row.totalUnit, sol.ChelTotal[slot]);
    }
    for (MetalRow& row : Metals) {
        const int slot = SlotOf(selection.ChosenMetal, TableNumber(row.name));
        if (slot == 0) continue;
        if (!reads.metalTotal) SetComputed(row.total, row.totalUnit, sol.MetalTotal[slot]);
        if (!reads.metalFree) SetComputed(row.free, row.freeUnit, sol.MetalFree[slot]);
    }
}

CalculationType LiveForm::Type() const {
    return static_cast<CalculationType>(types_->checkedId());
}

QLabel* LiveForm::Note(LivePlace place) const {
    switch (place) {
        case LivePlace::Temperature:
            return temperatureNote_;
        case LivePlace::PH:
            return pHNote_;
        case LivePlace::Ionic:
            return ionicNote_;
        case LivePlace::Selection:
            return selectionNote_;
        case LivePlace::Results:
        case LivePlace::Pairs:
            break;
    }
    return nullptr;
}

void LiveForm::UpdateEnabled() {
    const Reads reads = ReadsOf(Type());
    for (const ChelatorRow& row : Chelators) {
        const bool named = TableNumber(row.name) != 0;
        for (QWidget* w : std::initializer_list<QWidget*>{row.total, row.totalUnit})
            w->setEnabled(named && reads.chelTotal);
    }
    for (const MetalRow& row : Metals) {
        const bool named = TableNumber(row.name) != 0;
        for (QWidget* w : std::initializer_list<QWidget*>{row.total, row.totalUnit})
            w->setEnabled(named && reads.metalTotal);
        for (QWidget* w : std::initializer_list<QWidget*>{row.free, row.freeUnit})
            w->setEnabled(named && reads.metalFree);
    }
}

Amount LiveForm::ReadConc(QLineEdit* field, const QComboBox* unit, LiveReading& reading) {
    const ConcReading read =
        ReadConcentration(NumberText(field->text()), static_cast<ConcUnit>(unit->currentData().toInt()));
    QString reason;
    if (field->text().trimmed().isEmpty()) {
        reason = QStringLiteral("needs a number");
    } else if (!read.ok()) {
        reason = QStringLiteral("\"%1\" ").arg(field->text()) + ToQ(ProblemText(read.problem));
    }
    MarkField(field, reason);
    if (!reason.isEmpty()) reading.problems << FieldName(field) + QStringLiteral(": ") + reason;
    return read.amount;
}

void LiveForm::ReadConditions(LiveReading& reading) {
    const std::pair<QLineEdit*, double*> fields[] = {{Temperature, &reading.entered.temperature},
                                                     {PH, &reading.entered.pH},
                                                     {Ionic, &reading.entered.ionic}};
    for (const auto& [field, target] : fields) {
        const std::optional<double> value = ParseReal(NumberText(field->text().trimmed()));
        QString reason;
        if (field->text().trimmed().isEmpty()) {
            reason = QStringLiteral("needs a number");
        } else if (!value) {
            reason = QStringLiteral("\"%1\" is not a number").arg(field->text());
        }
        MarkField(field, reason);
        if (!reason.isEmpty()) reading.problems << FieldName(field) + QStringLiteral(": ") + reason;
        *target = value.value_or(0);
    }
}

void LiveForm::ReadChelators(LiveReading& reading) {
    const Reads reads = ReadsOf(reading.entered.type);
    for (int k = 0; k < kSlots; ++k) {
        const ChelatorRow& row = Chelators[static_cast<std::size_t>(k)];
        MarkField(row.name, {});
        if (TableNumber(row.name) == 0) {
            MarkField(row.total, {});
            continue;
        }
        SolutionInput::Chelator entry{ToStd(row.name->currentText()), 0.0};
        if (reads.chelTotal)
            entry.total = ReadConc(row.total, row.totalUnit, reading);
        else
            MarkField(row.total, {});
        reading.entered.chelators.push_back(entry);
        reading.chelatorRows.push_back(k);
    }
}

void LiveForm::ReadMetals(LiveReading& reading) {
    const Reads reads = ReadsOf(reading.entered.type);
    for (int k = 0; k < kSlots; ++k) {
        const MetalRow& row = Metals[static_cast<std::size_t>(k)];
        MarkField(row.name, {});
        if (TableNumber(row.name) == 0) {
            MarkField(row.total, {});
            MarkField(row.free, {});
            continue;
        }
        SolutionInput::Metal entry{ToStd(row.name->currentText()), 0.0, 0.0};
        if (reads.metalTotal)
            entry.total = ReadConc(row.total, row.totalUnit, reading);
        else
            MarkField(row.total, {});
        if (reads.metalFree)
            entry.free = ReadConc(row.free, row.freeUnit, reading);
        else
            MarkField(row.free, {});
        reading.entered.metals.push_back(entry);
        reading.metalRows.push_back(k);
    }
}

QStringList LiveForm::MarkRefused(const LiveReading& reading, const Refusals& refusals) {
    QStringList texts;
    for (const Refusal& r : refusals) {
        const auto row = [&](const std::vector<int>& rows) {
            return r.field.entry >= 0 && static_cast<std::size_t>(r.field.entry) < rows.size()
                       ? static_cast<std::size_t>(rows[static_cast<std::size_t>(r.field.entry)])
                       : std::size_t{kSlots};
        };
        QWidget* field = nullptr;
        switch (r.field.kind) {
            case FieldKind::Temperature:
                field = Temperature;
                break;
            case FieldKind::PH:
                field = PH;
                break;
            case FieldKind::Ionic:
                field = Ionic;
                break;
            case FieldKind::Chelator:
            case FieldKind::ChelatorTotal:
                if (const std::size_t k = row(reading.chelatorRows); k < kSlots)
                    field = r.field.kind == FieldKind::Chelator ? static_cast<QWidget*>(Chelators[k].name)
                                                                : Chelators[k].total;
                break;
            case FieldKind::Metal:
            case FieldKind::MetalTotal:
            case FieldKind::MetalFree:
                if (const std::size_t k = row(reading.metalRows); k < kSlots)
                    field = r.field.kind == FieldKind::Metal        ? static_cast<QWidget*>(Metals[k].name)
                            : r.field.kind == FieldKind::MetalTotal ? Metals[k].total
                                                                    : Metals[k].free;
                break;
            default:
                break;
        }
        if (field != nullptr) MarkField(field, ToQ(r.reason));
        texts << ToQ(r.Message());
    }
    return texts;
}

LiveReading LiveForm::Read() {
    LiveReading reading;
    reading.entered.type = Type();
    ReadConditions(reading);
    ReadChelators(reading);
    ReadMetals(reading);
    return reading;
}

}  // namespace dedodiz
