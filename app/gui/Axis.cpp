// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Axis.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Sweep.h"
#include "gui/Controls.h"
#include "gui/Fields.h"
#include "gui/Help.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

constexpr int kHelpTopic = 4;

QRadioButton* Radio(QWidget* parent, const QString& name, const QString& caption) {
    auto* radio = new QRadioButton(caption, parent);
    radio->setObjectName(name);
    return radio;
}

}  // namespace

TFAXIS::TFAXIS(ProgramState& s, THelp& help, QWidget* parent) : QDialog(parent), s_(s), help_(help) {
    setObjectName(QStringLiteral("FAXIS"));
    setWindowTitle(QStringLiteral("X-AXIS"));
    SetHelpContext(this, kHelpTopic);

    BuildVariables();
    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox1);
    top->addLayout(BuildRange());
    BitBtn1 = NamedButton(this, "BitBtn1", "OK");
    BitBtn1->setDefault(true);
    BitBtn2 = NamedButton(this, "BitBtn2", "&Help");
    connect(BitBtn1, &QPushButton::clicked, this, &TFAXIS::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFAXIS::BitBtn2Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    // 285 x 294 at the standard font, larger when the texts need it.
    FixAtLeast(this, QSize(285, 294));
}

void TFAXIS::BuildVariables() {
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Temp = Radio(GroupBox1, QStringLiteral("Temp"), QStringLiteral("Temp [0-50C]"));
    pH = Radio(GroupBox1, QStringLiteral("pH"), QStringLiteral("pH [4-10]"));
    Ionic = Radio(GroupBox1, QStringLiteral("Ionic"), QStringLiteral("Ionic [0.001 - 1.5N]"));
    auto* radios = new QVBoxLayout(GroupBox1);
    radios->addWidget(Temp);
    radios->addWidget(pH);
    radios->addWidget(Ionic);
    for (int k = 1; k <= kSlots; ++k) {
        QRadioButton*& metal = Mt[static_cast<std::size_t>(k - 1)];
        metal = Radio(GroupBox1, QStringLiteral("Mt%1").arg(k), QStringLiteral("Mt%1").arg(k));
        radios->addWidget(metal);
    }
    // A click, or a selection made by ShowAxis, chooses the variable.
    const auto choose = [this](QRadioButton* radio, AxisVariable variable) {
        connect(radio, &QRadioButton::toggled, this, [this, variable](bool on) {
            if (on) s_.AxisChoice = variable;
        });
    };
    choose(Temp, AxisVariable::Temperature);
    choose(pH, AxisVariable::PH);
    choose(Ionic, AxisVariable::Ionic);
    for (int k = 1; k <= kSlots; ++k) choose(Mt[static_cast<std::size_t>(k - 1)], MetalAxis(k));
}

QVBoxLayout* TFAXIS::BuildRange() {
    Label3 = new QLabel(QStringLiteral("2D"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont large(QStringLiteral("Times New Roman"));
    large.setPixelSize(48);
    large.setBold(true);
    Label3->setFont(large);
    Label3->setAlignment(Qt::AlignCenter);

    Label1 = new QLabel(QStringLiteral("Low Value"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2 = new QLabel(QStringLiteral("High Value"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));

    auto* right = new QVBoxLayout;
    right->addWidget(Label3);
    right->addStretch();
    right->addWidget(Label1);
    right->addWidget(Edit1);
    right->addWidget(Label2);
    right->addWidget(Edit2);
    return right;
}

QRadioButton* TFAXIS::RadioOf(AxisVariable variable) const {
    switch (variable) {
        case AxisVariable::Temperature:
            return Temp;
        case AxisVariable::PH:
            return pH;
        case AxisVariable::Ionic:
            return Ionic;
        default:
            break;
    }
    const int slot = MetalSlotOfAxis(variable);
    return slot != 0 ? Mt[static_cast<std::size_t>(slot - 1)] : nullptr;
}

void TFAXIS::ShowAxis(const TAxisRange& axis) {
    if (QRadioButton* radio = RadioOf(axis.Variable)) radio->setChecked(true);
    s_.AxisChoice = axis.Variable;  // also when the button was selected already
    Edit1->setText(ToQ(AxisValueText(axis.Low)));
    Edit2->setText(ToQ(AxisValueText(axis.High)));
    for (int k = 1; k <= kSlots; ++k) {
        QRadioButton* metal = Mt[static_cast<std::size_t>(k - 1)];
        const bool shown = AxisMetalShown(s_.Solution, k);
        if (shown) metal->setText(ToQ(s_.Solution.MetalName[k].view()));
        metal->setVisible(shown);
    }
}

void TFAXIS::ReadAxis(TAxisRange& axis) const {
    ApplyAxisDialog(axis, s_.AxisChoice, NumberText(Edit1->text()), NumberText(Edit2->text()));
}

void TFAXIS::SetUpAxis(TAxisRange& axis, const QString& caption, const QString& label) {
    setWindowTitle(caption);
    Label3->setText(label);
    ShowAxis(axis);
    exec();
    ReadAxis(axis);
}

void TFAXIS::BitBtn1Click() {
    accept();
}

void TFAXIS::BitBtn2Click() {
    help_.ShowHelp(kHelpTopic);
}

void TFAXIS::reject() {
    accept();
}

}  // namespace dedodiz
