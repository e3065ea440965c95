// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The Type of Calculation dialog: total metal from free, free metal from total, or chelator from total
// and free metal. A click takes effect at once; there is no cancel.

#include <QDialog>

#include "gui/ProgramState.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace dedodiz {

class THelp;

class TFType : public QDialog {
    Q_OBJECT

  public:
    TFType(ProgramState& s, THelp& help, QWidget* parent = nullptr);

    // Selects the button of the present CalcType.
    void ShowCalcType();

    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void BitBtn2Click();

    QGroupBox* GroupBox1;
    QRadioButton* RadioButton1;  // "Total", CalcType 0
    QRadioButton* RadioButton2;  // "Free", CalcType 1
    QRadioButton* RadioButton3;  // "Chelator", CalcType 2
    QPushButton* BitBtn1;        // OK
    QPushButton* BitBtn2;        // help

  private:
    ProgramState& s_;
    THelp& help_;
};

}  // namespace dedodiz
