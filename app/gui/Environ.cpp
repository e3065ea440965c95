#include "Environ.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Format.h"
#include "Help.h"
#include "QtText.h"

namespace dedodiz {

namespace {

QLineEdit* NumberField(QWidget* parent, const char* name, const char* text) {
    auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

bool ReadField(const QLineEdit* field, double& target) {
    const auto value = ParseReal(ToStd(field->text()));
    if (!value) return false;
    target = *value;
    return true;
}

}  // namespace

TEV::TEV(ProgramState& s, THelp& help, QWidget* parent) : QDialog(parent), s_(s), help_(help) {
    setObjectName(QStringLiteral("EV"));
    setWindowTitle(QStringLiteral("Environment"));
    SetHelpContext(this, 5);

    ET = NumberField(this, "ET", "20.00");
    EP = NumberField(this, "EP", "7.000");
    EI = NumberField(this, "EI", "0.100");
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Temperature"), ET);
    fields->addRow(QStringLiteral("pH"), EP);
    fields->addRow(QStringLiteral("Ionic Equiv."), EI);

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
}

void TEV::FillFromSolution() {
    ET->setText(ToQ(CutTo(FormatFixed(s_.Solution.Temperature, 5, 1), 6)));
    EP->setText(ToQ(CutTo(FormatFixed(s_.Solution.PH, 6, 2), 6)));
    EI->setText(ToQ(CutTo(FormatFixed(s_.Solution.IonicEquiv, 6, 3), 6)));
}

bool TEV::ReadBack() {
    return ReadField(ET, s_.Solution.Temperature) && ReadField(EP, s_.Solution.PH) &&
           ReadField(EI, s_.Solution.IonicEquiv);
}

void TEV::OKBtnClick() {
    s_.EnvDialogOK = true;
    accept();
}

void TEV::CancelBtnClick() {
    help_.ShowHelp(5);
}

}  // namespace dedodiz
