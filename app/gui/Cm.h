// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The C&M concentration dialog: the concentrations of the chosen chelators and metals, in mol/L. What
// the two columns hold depends on the type of calculation.

#include <QDialog>

#include "engine/FixedArray.h"
#include "gui/ProgramState.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace dedodiz {

class TCMC : public QDialog {
    Q_OBJECT

  public:
    explicit TCMC(ProgramState& s, QWidget* parent = nullptr);

    // Headings, labels and values by CalcType; the rows of empty slots are hidden.
    void FillFromState();

    // Reads Edit1 .. Edit12 into ConcDialogValues, stopping at the first text that is not a number
    // (false, nothing stored in Solution); when all parse, stores them in Solution by CalcType. A
    // decimal comma counts as the decimal point.
    bool ReadBack();
    // The field at which the last ReadBack stopped; nullptr after one that read every field.
    [[nodiscard]] QLineEdit* RefusedField() const { return refused_; }

    void OKBtnClick();
    void reject() override;  // Cancel and closing the window

    OneBased<QLineEdit*, 12> Edit;  // Edit1 .. Edit6 the right column, Edit7 .. Edit12 the left
    OneBased<QLabel*, 14> Label;    // Label1 .. Label12 beside the fields, Label13 and Label14 headings
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

  private:
    ProgramState& s_;
    QLineEdit* refused_ = nullptr;
};

}  // namespace dedodiz
