// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Array2.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/Help.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

std::string CMArrayRow(const ProgramState& s, int k) {
    const TChelatorRec& rec = s.Constants[k];
    std::string row(29, ' ');
    row.replace(0, rec.Name.size(), rec.Name.view());
    for (int m = 1; m <= kTableMetals; ++m) {
        char mark = ' ';
        if (rec.ML[m] > 0) mark = rec.dML[m] != 0 ? 'T' : 'A';
        row[static_cast<std::size_t>(2 * m + 10 - 1)] = mark;
    }
    return row;
}

std::string CMArrayHeading(const ProgramState& s, int line) {
    std::string heading(17, ' ');
    for (int m = 1; m <= kTableMetals; ++m) {
        const MetalText& name = s.Constants[1].MetalName[m];
        if (static_cast<std::size_t>(line) <= name.size())
            heading[static_cast<std::size_t>(2 * m - 2)] = name[static_cast<std::size_t>(line - 1)];
    }
    return heading;
}

namespace {

QLabel* GridLabel(QWidget* parent, const QString& name, const QFont& font) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    return label;
}

QLabel* Panel(QWidget* parent, const char* text) {
    auto* panel = new QLabel(QString::fromLatin1(text), parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setMargin(3);
    return panel;
}

}  // namespace

TCMArray::TCMArray(ProgramState& s, THelp& help, QWidget* parent) : QDialog(parent), s_(s), help_(help) {
    setObjectName(QStringLiteral("CMArray"));
    setWindowTitle(QStringLiteral("CMArray"));
    SetHelpContext(this, 5);

    auto* top = new QHBoxLayout;
    top->addWidget(BuildChelators());
    top->addLayout(BuildMetals());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(BuildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);
}

QGroupBox* TCMArray::BuildChelators() {
    // The chelators with their grid rows beside them: fixed-pitch rows under the metal names, which
    // read downwards above their mark columns.
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setFixedPitch(true);
    mono.setPixelSize(DesktopPixels(13));  // 13 pixels at the standard desktop font
    auto* chelators = new QGroupBox(QStringLiteral("Chelators"), this);
    auto* chelatorGrid = new QGridLayout(chelators);
    chelatorGrid->setHorizontalSpacing(12);
    auto* headings = new QVBoxLayout;
    headings->setSpacing(0);
    const int headingIndent = 11 * QFontMetrics(mono).horizontalAdvance(QLatin1Char('X'));
    Label14 = GridLabel(chelators, QStringLiteral("Label14"), mono);
    Label13 = GridLabel(chelators, QStringLiteral("Label13"), mono);
    Label12 = GridLabel(chelators, QStringLiteral("Label12"), mono);
    for (QLabel* heading : {Label14, Label13, Label12}) {
        heading->setIndent(headingIndent);
        headings->addWidget(heading);
    }
    chelatorGrid->addLayout(headings, 0, 1);
    static const char* const kChelatorNames[] = {"Chelato1", "Chelato2", "Chelato3", "Chelato4",
                                                 "Chelato5", "Chelato6", "Chelato7", "Chelato8",
                                                 "Chelato9", "ChelatoA", "ChelatoB", "ChelatoC"};
    for (int k = 1; k <= kTableChelators; ++k) {
        Chelato[k] = new QCheckBox(chelators);
        Chelato[k]->setObjectName(QString::fromLatin1(kChelatorNames[k - 1]));
        C[k] = GridLabel(chelators, QStringLiteral("C%1").arg(k), mono);
        chelatorGrid->addWidget(Chelato[k], k, 0);
        chelatorGrid->addWidget(C[k], k, 1);
        connect(Chelato[k], &QCheckBox::clicked, this, [this, k](bool on) { s_.ChelatorChosen[k] = on; });
    }
    return chelators;
}

QVBoxLayout* TCMArray::BuildMetals() {
    auto* metals = new QGroupBox(QStringLiteral("Metals"), this);
    auto* metalBoxes = new QVBoxLayout(metals);
    for (int m = 1; m <= kTableMetals; ++m) {
        Mt[m] = new QCheckBox(metals);
        Mt[m]->setObjectName(QStringLiteral("Mt%1").arg(m));
        metalBoxes->addWidget(Mt[m]);
        connect(Mt[m], &QCheckBox::clicked, this, [this, m](bool on) { s_.MetalChosen[m] = on; });
    }
    auto* side = new QVBoxLayout;
    side->addWidget(metals);
    side->addStretch();
    auto* note = new QLabel(QStringLiteral("6 of each MAXIMUM"), this);
    note->setObjectName(QStringLiteral("Label1"));
    side->addWidget(note);
    side->addWidget(Panel(this, "A = available"));
    side->addWidget(Panel(this, "T=+ temp corr"));
    return side;
}

QHBoxLayout* TCMArray::BuildButtons() {
    Button1 = new QPushButton(QStringLiteral("Evaluate Chelators for Metals Chosen"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    CancelBtn = new QPushButton(QStringLiteral("&Help"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    for (QPushButton* b : {Button1, BitBtn1, CancelBtn}) b->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TCMArray::Button1Click);
    connect(OKBtn, &QPushButton::clicked, this, &TCMArray::OKBtnClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TCMArray::BitBtn1Click);
    connect(CancelBtn, &QPushButton::clicked, this, &TCMArray::CancelBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(CancelBtn);
    return buttons;
}

void TCMArray::FillFromState() {
    for (int k = 1; k <= kTableChelators; ++k) {
        Chelato[k]->setText(ToQ(s_.Constants[k].Name.view()));
        Chelato[k]->setChecked(s_.ChelatorChosen[k]);
        C[k]->setText(ToQ(CMArrayRow(s_, k)));
    }
    for (int m = 1; m <= kTableMetals; ++m) {
        Mt[m]->setText(ToQ(s_.Constants[1].MetalName[m].view()));
        Mt[m]->setChecked(s_.MetalChosen[m]);
    }
    Label14->setText(ToQ(CMArrayHeading(s_, 1)));
    Label13->setText(ToQ(CMArrayHeading(s_, 2)));
    Label12->setText(ToQ(CMArrayHeading(s_, 3)));
}

void TCMArray::OKBtnClick() {
    s_.ArrayDialogOK = true;
    accept();
}

void TCMArray::BitBtn1Click() {
    reject();
}

void TCMArray::reject() {
    s_.ArrayDialogOK = false;
    QDialog::reject();
}

void TCMArray::Button1Click() {
    emit EvaluateChelatorsRequested();
}

void TCMArray::CancelBtnClick() {
    help_.ShowHelp(5);
}

}  // namespace dedodiz
