// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Cmform.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/Help.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

Tcmfrm::Tcmfrm(ProgramState& s, THelp& help, QWidget* parent) : QDialog(parent), s_(s), help_(help) {
    setObjectName(QStringLiteral("cmfrm"));
    setWindowTitle(QStringLiteral("Choose Metal"));
    SetHelpContext(this, 14);

    auto* metals = new QGroupBox(QStringLiteral("Metals"), this);
    auto* boxes = new QGridLayout(metals);
    for (int m = 1; m <= kTableMetals; ++m) {
        Mt[m] = new QCheckBox(metals);
        Mt[m]->setObjectName(QStringLiteral("Mt%1").arg(m));
        boxes->addWidget(Mt[m], (m - 1) % 3, (m - 1) / 3);
        connect(Mt[m], &QCheckBox::clicked, this, [this, m](bool on) { s_.MetalChosen[m] = on; });
    }

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    CancelBtn->setAutoDefault(false);
    HelpBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &Tcmfrm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &Tcmfrm::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &Tcmfrm::HelpBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(metals);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);
}

void Tcmfrm::FillFromState() {
    for (int m = 1; m <= kTableMetals; ++m) {
        Mt[m]->setText(ToQ(s_.Constants[1].MetalName[m].view()));
        Mt[m]->setChecked(s_.MetalChosen[m]);
    }
}

void Tcmfrm::OKBtnClick() {
    s_.MetalDialogOK = true;
    accept();
}

void Tcmfrm::reject() {
    s_.MetalDialogOK = false;
    QDialog::reject();
}

void Tcmfrm::HelpBtnClick() {
    help_.ShowHelp(14);
}

}  // namespace dedodiz
