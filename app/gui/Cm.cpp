// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Cm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/Format.h"
#include "gui/Fields.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

// Which state arrays the two columns show: the left column (Edit7 .. Edit12) and the right one.
struct ColumnArrays {
    const char* leftHeading;
    OneBased<double, 6>* left;
    bool leftMetalNames;
    const char* rightHeading;
    OneBased<double, 6>* right;
};

ColumnArrays ColumnsOf(ProgramState& s) {
    TSolution& sol = s.Solution;
    switch (s.CalcType) {
        case CalculationType::Total:
            return {"Total", &sol.ChelTotal, false, "Free", &sol.MetalFree};
        case CalculationType::Chelator:
            return {"Total", &sol.MetalTotal, true, "Free", &sol.MetalFree};
        case CalculationType::Free:
            break;
    }
    return {"Total", &sol.ChelTotal, false, "Total", &sol.MetalTotal};
}

bool IsEmptySlotName(std::string_view name) {
    return name == kEmptyChelator || name == kEmptyMetal;
}

}  // namespace

TCMC::TCMC(ProgramState& s, QWidget* parent) : QDialog(parent), s_(s) {
    setObjectName(QStringLiteral("CMC"));
    setWindowTitle(QStringLiteral("C&M concentration"));

    auto* grid = new QGridLayout;
    for (int i = 1; i <= 14; ++i) {
        Label[i] = new QLabel(this);
        Label[i]->setObjectName(QStringLiteral("Label%1").arg(i));
        Label[i]->setTextFormat(Qt::PlainText);
    }
    for (int i = 1; i <= 12; ++i) {
        Edit[i] = new QLineEdit(this);
        Edit[i]->setObjectName(QStringLiteral("Edit%1").arg(i));
    }
    grid->addWidget(Label[13], 0, 1);
    grid->addWidget(Label[14], 0, 4);
    for (int row = 1; row <= kSlots; ++row) {
        grid->addWidget(Label[row + 6], row, 0);
        grid->addWidget(Edit[row + 6], row, 1);
        grid->addWidget(Label[row], row, 3);
        grid->addWidget(Edit[row], row, 4);
    }
    grid->setColumnMinimumWidth(2, 16);

    auto* note = new QLabel(QStringLiteral("ALL VALUES IN MOLAR CONCENTRATION"), this);
    note->setObjectName(QStringLiteral("Label15"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &TCMC::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TCMC::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(note);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);

    // Tab goes as the dialog reads: down the left column, down the right one, then the buttons.
    QWidget* previous = nullptr;
    for (const int i : {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}) {
        if (previous != nullptr) setTabOrder(previous, Edit[i]);
        previous = Edit[i];
    }
    setTabOrder(previous, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
}

void TCMC::FillFromState() {
    const ColumnArrays columns = ColumnsOf(s_);
    const TSolution& sol = s_.Solution;
    Label[13]->setText(QString::fromLatin1(columns.leftHeading));
    Label[14]->setText(QString::fromLatin1(columns.rightHeading));
    for (int k = 1; k <= kSlots; ++k) {
        const std::string_view leftName =
            columns.leftMetalNames ? sol.MetalName[k].view() : sol.ChelName[k].view();
        Label[k + 6]->setText(ToQ(leftName));
        Edit[k + 6]->setText(ToQ(FormatSciLong((*columns.left)[k])));
        Label[k]->setText(ToQ(sol.MetalName[k].view()));
        Edit[k]->setText(ToQ(FormatSciLong((*columns.right)[k])));
        // A refusal names the field by its column and row ("Total EGTA", "Free Ca2"), the row of an
        // empty slot by its number.
        const auto rowName = [k](std::string_view name) {
            return IsEmptySlotName(name) ? QStringLiteral("slot %1").arg(k) : ToQ(name);
        };
        SetFieldName(Edit[k + 6], Label[13]->text() + QLatin1Char(' ') + rowName(leftName));
        SetFieldName(Edit[k], Label[14]->text() + QLatin1Char(' ') + rowName(sol.MetalName[k].view()));

        // An empty slot's row is hidden; on the right only the metal marker can stand.
        const bool leftShown = !IsEmptySlotName(leftName);
        const bool rightShown = sol.MetalName[k] != kEmptyMetal;
        for (QWidget* w : {static_cast<QWidget*>(Label[k + 6]), static_cast<QWidget*>(Edit[k + 6])}) {
            w->setEnabled(leftShown);
            w->setVisible(leftShown);
        }
        for (QWidget* w : {static_cast<QWidget*>(Label[k]), static_cast<QWidget*>(Edit[k])}) {
            w->setEnabled(rightShown);
            w->setVisible(rightShown);
        }
    }
}

bool TCMC::ReadBack() {
    refused_ = nullptr;
    for (int i = 1; i <= 12; ++i) {
        const auto value = FieldNumber(Edit[i]);
        if (!value) {
            refused_ = Edit[i];
            return false;
        }
        s_.ConcDialogValues[i] = *value;
    }
    const ColumnArrays columns = ColumnsOf(s_);
    for (int k = 1; k <= kSlots; ++k) {
        (*columns.right)[k] = s_.ConcDialogValues[k];
        (*columns.left)[k] = s_.ConcDialogValues[k + 6];
    }
    return true;
}

void TCMC::OKBtnClick() {
    s_.ConcDialogOK = true;
    accept();
}

void TCMC::reject() {
    s_.ConcDialogOK = false;
    QDialog::reject();
}

}  // namespace dedodiz
