// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Ctype.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/Controls.h"
#include "gui/Help.h"
#include "gui/Sizing.h"

namespace dedodiz {

TFType::TFType(ProgramState& s, THelp& help, QWidget* parent) : QDialog(parent), s_(s), help_(help) {
    setObjectName(QStringLiteral("FType"));
    setWindowTitle(QStringLiteral("Type of Calculation"));
    SetHelpContext(this, 4);

    GroupBox1 = new QGroupBox(QStringLiteral("Calculate"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    RadioButton1 = new QRadioButton(QStringLiteral("Total"), GroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Free"), GroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton3 = new QRadioButton(QStringLiteral("Chelator"), GroupBox1);
    RadioButton3->setObjectName(QStringLiteral("RadioButton3"));
    auto* radios = new QVBoxLayout(GroupBox1);
    radios->addWidget(RadioButton1);
    radios->addWidget(RadioButton2);
    radios->addWidget(RadioButton3);
    connect(RadioButton1, &QRadioButton::clicked, this, &TFType::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TFType::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::clicked, this, &TFType::RadioButton3Click);

    BitBtn1 = NamedButton(this, "BitBtn1", "OK");
    BitBtn1->setDefault(true);
    BitBtn2 = NamedButton(this, "BitBtn2", "&Help");
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &TFType::BitBtn2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);
    ShowCalcType();
}

void TFType::ShowCalcType() {
    QRadioButton* const buttons[] = {RadioButton1, RadioButton2, RadioButton3};
    buttons[static_cast<int>(s_.CalcType)]->setChecked(true);
}

void TFType::RadioButton1Click() {
    s_.CalcType = CalculationType::Total;
}
void TFType::RadioButton2Click() {
    s_.CalcType = CalculationType::Free;
}
void TFType::RadioButton3Click() {
    s_.CalcType = CalculationType::Chelator;
}

// The help of this dialog stays silent when the page cannot be shown.
void TFType::BitBtn2Click() {
    help_.ShowHelp(4, true);
}

}  // namespace dedodiz
