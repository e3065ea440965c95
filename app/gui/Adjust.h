// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The Constant Adjust dialog: converts a constant found in the literature at another temperature and
// ionic strength to the 20 C and 0.1 N of the constants table. The constants editor opens it for the
// constant field entered last and writes the result back into that field when it closes.

#include <QDialog>

#include "engine/FixedArray.h"
#include "files/Editor.h"
#include "gui/ProgramState.h"

class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dedodiz {

class THelp;

class TKadjust : public QDialog {
    Q_OBJECT

  public:
    TKadjust(ProgramState& s, THelp& help, MessageSink& messages, QWidget* parent = nullptr);

    // The texts and choices prepared by the editor, and the dialog's present ones.
    void ShowFields(const AdjustFields& fields);
    AdjustFields ReadFields() const;

    void Button1Click();     // "Adjust Constant"
    void Button3Click();     // "Apply to Edit Constants"
    void Button2Click();     // "&Cancel": the value from before the dialog comes back
    void BitBtn1Click();     // help
    void reject() override;  // Escape and the close box count as Cancel

    QLabel* Panel1;
    QLineEdit* Edit1;  // known temperature [C]
    QLineEdit* Edit2;  // known ionic strength [N]
    QLineEdit* Edit5;  // constant found
    QLineEdit* Edit6;  // its dH
    QLineEdit* Edit3;  // the adjusted constant
    QGroupBox* cv;
    OneBased<QRadioButton*, 4> cvItem;  // "1" .. "4"
    QGroupBox* mv;
    // "0" .. "9": "1", "2" and "3" are always offered; another digit only while the metal name has it.
    FixedArray<QRadioButton*, 0, 9> mvItem;
    QGroupBox* vi;
    QRadioButton* viDirectly;
    QRadioButton* viIndirectly;
    QPushButton* Button1;
    QPushButton* Button3;
    QPushButton* Button2;
    QPushButton* BitBtn1;

  private:
    QGridLayout* BuildFields();
    QHBoxLayout* BuildChoices();
    QVBoxLayout* BuildButtons();

    ProgramState& s_;
    THelp& help_;
    MessageSink& messages_;
};

}  // namespace dedodiz
