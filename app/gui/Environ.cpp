// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Environ.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <utility>

#include "engine/Format.h"
#include "gui/Fields.h"
#include "gui/Help.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

QLineEdit* NumberField(QWidget* parent, const char* name, const char* text, const char* caption) {
    auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    SetFieldName(edit, QString::fromLatin1(caption));
    return edit;
}

}  // namespace

TEV::TEV(ProgramState& s, THelp& help, QWidget* parent) : QDialog(parent), s_(s), help_(help) {
    setObjectName(QStringLiteral("EV"));
    setWindowTitle(QStringLiteral("Environment"));
    SetHelpContext(this, 5);

    ET = NumberField(this, "ET", "20.00", "Temperature");
    EP = NumberField(this, "EP", "7.000", "pH");
    EI = NumberField(this, "EI", "0.100", "Ionic Equiv.");
    auto* fields = new QFormLayout;
    for (QLineEdit* field : {ET, EP, EI}) fields->addRow(FieldName(field), field);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("&Help"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &TEV::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TEV::CancelBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);
}

void TEV::FillFromSolution() {
    ET->setText(ToQ(CutTo(FormatFixed(s_.Solution.Temperature, 5, 1), 6)));
    EP->setText(ToQ(CutTo(FormatFixed(s_.Solution.PH, 6, 2), 6)));
    EI->setText(ToQ(CutTo(FormatFixed(s_.Solution.IonicEquiv, 6, 3), 6)));
}

bool TEV::ReadBack() {
    refused_ = nullptr;
    const std::pair<QLineEdit*, double*> fields[] = {
        {ET, &s_.Solution.Temperature}, {EP, &s_.Solution.PH}, {EI, &s_.Solution.IonicEquiv}};
    for (const auto& [field, target] : fields) {
        const std::optional<double> value = FieldNumber(field);
        if (!value) {
            refused_ = field;
            return false;
        }
        *target = *value;
    }
    return true;
}

void TEV::OKBtnClick() {
    s_.EnvDialogOK = true;
    accept();
}

void TEV::CancelBtnClick() {
    help_.ShowHelp(5);
}

}  // namespace dedodiz
