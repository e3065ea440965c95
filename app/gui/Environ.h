// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The Environment dialog: temperature, pH and ionic strength of the solution.

#include <QDialog>

#include "gui/ProgramState.h"

class QLineEdit;
class QPushButton;

namespace dedodiz {

class THelp;

class TEV : public QDialog {
    Q_OBJECT

  public:
    TEV(ProgramState& s, THelp& help, QWidget* parent = nullptr);

    // Shows the solution's values: temperature fixed(5,1), pH fixed(6,2), ionic strength fixed(6,3).
    void FillFromSolution();

    // Reads temperature, pH and ionic strength in this order, storing each value at once; stops at the
    // first text that is not a number and returns false, keeping the values read before it. A decimal
    // comma counts as the decimal point.
    bool ReadBack();
    // The field at which the last ReadBack stopped; nullptr after one that read every field.
    [[nodiscard]] QLineEdit* RefusedField() const { return refused_; }

    void OKBtnClick();
    void CancelBtnClick();

    QLineEdit* ET;
    QLineEdit* EP;
    QLineEdit* EI;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;  // the help button

  private:
    ProgramState& s_;
    THelp& help_;
    QLineEdit* refused_ = nullptr;
};

}  // namespace dedodiz
