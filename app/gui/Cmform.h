// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The Choose Metal dialog: the metals for which the chelators are evaluated. Its boxes share the
// selection flags with the Array dialog.

#include <QDialog>

#include "engine/FixedArray.h"
#include "gui/ProgramState.h"

class QCheckBox;
class QPushButton;

namespace dedodiz {

class THelp;

class Tcmfrm : public QDialog {
    Q_OBJECT

  public:
    Tcmfrm(ProgramState& s, THelp& help, QWidget* parent = nullptr);

    // Captions from the nine metal names of the constants table, ticks from MetalChosen.
    void FillFromState();

    void OKBtnClick();
    void HelpBtnClick();
    void reject() override;  // Cancel and closing the window

    OneBased<QCheckBox*, 9> Mt;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

  private:
    ProgramState& s_;
    THelp& help_;
};

}  // namespace dedodiz
