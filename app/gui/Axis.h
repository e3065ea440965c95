// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The axis dialog of the 2D and 3D commands: the swept condition (temperature, pH, ionic strength
// or one of the chosen metals) and its first and last values.

#include <QDialog>
#include <array>

#include "gui/ProgramState.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace dedodiz {

class THelp;

class TFAXIS : public QDialog {
    Q_OBJECT

  public:
    TFAXIS(ProgramState& s, THelp& help, QWidget* parent = nullptr);

    // The whole dialog for one axis: caption ("X-AXIS", "Z-AXIS") and large label ("2D", "3D"),
    // the axis shown, the dialog run modally, the axis read back. There is no cancel: closing the
    // dialog in any way accepts it.
    void SetUpAxis(TAxisRange& axis, const QString& caption, const QString& label);

    // Before the dialog is shown: the axis's variable selected (setting AxisChoice as a click does),
    // its values in the 11-character scientific form, a radio button for each metal slot in use.
    void ShowAxis(const TAxisRange& axis);
    // After it closed: the variable from AxisChoice; Low and High from the fields that parse (a decimal
    // comma counting as the point).
    void ReadAxis(TAxisRange& axis) const;

    void BitBtn1Click();
    void BitBtn2Click();

    QGroupBox* GroupBox1;
    QRadioButton* Temp;
    QRadioButton* pH;
    QRadioButton* Ionic;
    std::array<QRadioButton*, 6> Mt;  // Mt1..Mt6, one per metal slot
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

  public slots:
    // Escape and the close box close the dialog like OK.
    void reject() override;

  private:
    void BuildVariables();
    QVBoxLayout* BuildRange();
    QRadioButton* RadioOf(AxisVariable variable) const;

    ProgramState& s_;
    THelp& help_;
};

}  // namespace dedodiz
