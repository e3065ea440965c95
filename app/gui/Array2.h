// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The Array dialog: which chelators and metals of the constants table take part, with a grid that
// marks for every chelator the metals it binds ("A") and those whose binding enthalpy is known ("T").

#include <QDialog>
#include <string>

#include "engine/FixedArray.h"
#include "gui/ProgramState.h"

class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QPushButton;

namespace dedodiz {

class THelp;

// Grid row of chelator k: 29 characters, its name from position 1 and at position 2m+10 the mark of
// metal m: "A" when log K of ML is above 0, "T" when its enthalpy is known too, blank otherwise.
std::string CMArrayRow(const ProgramState& s, int k);

// Column heading line 1..3: 17 characters holding character `line` of the name of metal m at
// position 2m-1, so that the nine names read downwards above the marks of the grid.
std::string CMArrayHeading(const ProgramState& s, int line);

class TCMArray : public QDialog {
    Q_OBJECT

  public:
    TCMArray(ProgramState& s, THelp& help, QWidget* parent = nullptr);

    // Captions, ticks, heading and grid from the constants table and the selection flags.
    void FillFromState();

    void OKBtnClick();
    void BitBtn1Click();
    void Button1Click();
    void CancelBtnClick();
    void reject() override;  // closing the window counts as Cancel

    OneBased<QCheckBox*, 12> Chelato;  // Chelato1 .. Chelato9, ChelatoA, ChelatoB, ChelatoC
    OneBased<QCheckBox*, 9> Mt;        // Mt1 .. Mt9
    OneBased<QLabel*, 12> C;           // grid rows C1 .. C12
    QLabel* Label14;                   // first characters of the metal names
    QLabel* Label13;                   // second characters
    QLabel* Label12;                   // third characters (the valence)
    QPushButton* Button1;
    QPushButton* OKBtn;
    QPushButton* BitBtn1;    // Cancel
    QPushButton* CancelBtn;  // the help button

  signals:
    // "Evaluate Chelators for Metals Chosen": the dialog stays open.
    void EvaluateChelatorsRequested();

  private:
    QGroupBox* BuildChelators();
    QVBoxLayout* BuildMetals();
    QHBoxLayout* BuildButtons();

    ProgramState& s_;
    THelp& help_;
};

}  // namespace dedodiz
