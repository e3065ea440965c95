// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Adjust.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/Controls.h"
#include "gui/Fields.h"
#include "gui/Help.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    // The numbers are laid out in columns of characters.
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 11 + 12);
    return edit;
}

QRadioButton* Radio(QGroupBox* group, const QString& caption, const QString& name) {
    auto* radio = new QRadioButton(caption, group);
    radio->setObjectName(name);
    return radio;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    return NamedButton(parent, name, caption);
}

}  // namespace

TKadjust::TKadjust(ProgramState& s, THelp& help, MessageSink& messages, QWidget* parent)
    : QDialog(parent), s_(s), help_(help), messages_(messages) {
    setObjectName(QStringLiteral("Kadjust"));
    setWindowTitle(QStringLiteral("Constant Adjust"));
    SetHelpContext(this, 10);

    Panel1 = new QLabel(
        QStringLiteral("This form used to convert found constants to the 20C / 0.1N ones used in TULV"),
        this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setWordWrap(true);
    Panel1->setMargin(6);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(BuildFields());
    layout->addLayout(BuildChoices());
    layout->addLayout(BuildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);
}

QGridLayout* TKadjust::BuildFields() {
    Edit1 = NumberEdit(this, "Edit1");
    Edit2 = NumberEdit(this, "Edit2");
    Edit5 = NumberEdit(this, "Edit5");
    Edit6 = NumberEdit(this, "Edit6");
    Edit3 = NumberEdit(this, "Edit3");
    Edit3->setText(QStringLiteral(" "));
    auto* fields = new QGridLayout;
    const auto row = [&](int r, const char* caption, QLineEdit* edit, const char* unit) {
        fields->addWidget(new QLabel(QString::fromUtf8(caption), this), r, 0);
        fields->addWidget(edit, r, 1);
        if (unit != nullptr) fields->addWidget(new QLabel(QString::fromUtf8(unit), this), r, 2);
    };
    row(0, "Known Temperature *", Edit1, "°C");
    row(1, "Known Ionic Strength", Edit2, "N");
    row(2, "Constant Found", Edit5, nullptr);
    row(3, "dH for Constant", Edit6, nullptr);
    fields->addWidget(new QLabel(QStringLiteral("* Needs dH for calculation"), this), 4, 0, 1, 3);
    return fields;
}

QHBoxLayout* TKadjust::BuildChoices() {
    cv = new QGroupBox(QStringLiteral("Chelator Valence"), this);
    cv->setObjectName(QStringLiteral("cv"));
    auto* cvLayout = new QHBoxLayout(cv);
    for (int z = 1; z <= 4; ++z) {
        cvItem[z] = Radio(cv, QString::number(z), QStringLiteral("cv%1").arg(z));
        cvLayout->addWidget(cvItem[z]);
    }
    mv = new QGroupBox(QStringLiteral("Metal Valence"), this);
    mv->setObjectName(QStringLiteral("mv"));
    auto* mvLayout = new QHBoxLayout(mv);
    for (int z = 0; z <= 9; ++z) {
        mvItem[z] = Radio(mv, QString::number(z), QStringLiteral("mv%1").arg(z));
        mvItem[z]->setVisible(z >= 1 && z <= 3);
        // The offered digits stand in order, 1 2 3 first and the name's own one after them.
        if (z >= 1) mvLayout->insertWidget(z - 1, mvItem[z]);
    }
    mvLayout->addWidget(mvItem[0]);
    vi = new QGroupBox(QStringLiteral("Varies with [ionic]"), this);
    vi->setObjectName(QStringLiteral("vi"));
    viDirectly = Radio(vi, QStringLiteral("Directly"), QStringLiteral("viDirectly"));
    viIndirectly = Radio(vi, QStringLiteral("Indirectly"), QStringLiteral("viIndirectly"));
    auto* viLayout = new QVBoxLayout(vi);
    viLayout->addWidget(viDirectly);
    viLayout->addWidget(viIndirectly);
    cvItem[1]->setChecked(true);
    mvItem[1]->setChecked(true);
    viIndirectly->setChecked(true);
    auto* groups = new QHBoxLayout;
    groups->addWidget(cv);
    groups->addWidget(mv);
    groups->addWidget(vi);
    return groups;
}

QVBoxLayout* TKadjust::BuildButtons() {
    Button1 = Button(this, "Button1", "Adjust Constant");
    // Enter computes, as the user expects after typing the values; the dialog stays open.
    Button1->setDefault(true);
    auto* result = new QHBoxLayout;
    result->addWidget(Button1);
    result->addStretch();
    result->addWidget(new QLabel(QStringLiteral("Adj Constant is:"), this));
    result->addWidget(Edit3);

    Button3 = Button(this, "Button3", "Apply to Edit Constants");
    Button2 = Button(this, "Button2", "&Cancel");
    BitBtn1 = Button(this, "BitBtn1", "&Help");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(BitBtn1);

    connect(Button1, &QPushButton::clicked, this, &TKadjust::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TKadjust::Button3Click);
    connect(Button2, &QPushButton::clicked, this, &TKadjust::Button2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TKadjust::BitBtn1Click);

    auto* rows = new QVBoxLayout;
    rows->addLayout(result);
    rows->addLayout(buttons);
    return rows;
}

void TKadjust::ShowFields(const AdjustFields& f) {
    Edit1->setText(ToQ(f.knownTemperature));
    Edit2->setText(ToQ(f.knownIonic));
    Edit3->setText(ToQ(f.adjusted));
    Edit5->setText(ToQ(f.constantFound));
    Edit6->setText(ToQ(f.enthalpyFound));
    if (f.chelatorValence >= 1 && f.chelatorValence <= 4) cvItem[f.chelatorValence]->setChecked(true);
    if (f.metalValence >= 0 && f.metalValence <= 9) {
        for (int z = 0; z <= 9; ++z) mvItem[z]->setVisible((z >= 1 && z <= 3) || z == f.metalValence);
        mvItem[f.metalValence]->setChecked(true);
    }
    (f.variesDirectly ? viDirectly : viIndirectly)->setChecked(true);
}

AdjustFields TKadjust::ReadFields() const {
    AdjustFields f;
    // The numbers as the parsers read them, a decimal comma as the point.
    f.knownTemperature = NumberText(Edit1->text());
    f.knownIonic = NumberText(Edit2->text());
    f.adjusted = NumberText(Edit3->text());
    f.constantFound = NumberText(Edit5->text());
    f.enthalpyFound = NumberText(Edit6->text());
    for (int z = 1; z <= 4; ++z)
        if (cvItem[z]->isChecked()) f.chelatorValence = z;
    for (int z = 0; z <= 9; ++z)
        if (mvItem[z]->isChecked()) f.metalValence = z;
    f.variesDirectly = viDirectly->isChecked();
    return f;
}

void TKadjust::Button1Click() {
    AdjustFields f = ReadFields();
    switch (AdjustConstant(s_, f, messages_)) {
        case AdjustOutcome::Computed:
            Edit3->setText(ToQ(f.adjusted));
            break;
        case AdjustOutcome::CloseDialog:
            QDialog::accept();
            break;
        case AdjustOutcome::Fault:
            break;
    }
}

void TKadjust::Button3Click() {
    QDialog::accept();
}

void TKadjust::Button2Click() {
    CancelAdjust(s_);
    QDialog::reject();
}

void TKadjust::reject() {
    Button2Click();
}

void TKadjust::BitBtn1Click() {
    help_.ShowHelp(10);
}

}  // namespace dedodiz
