// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The constants editor: one chelator record and one metal of the constants table at a time, edited in
// place (there is no copy and no undo). Its Adjust button converts a constant found at other
// conditions through the Constant Adjust dialog.

#include <QDialog>
#include <QString>
#include <functional>

#include "files/Editor.h"
#include "gui/ProgramState.h"

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dedodiz {

class THelp;
class TIOForm;
class TKadjust;

class TEditCon : public QDialog {
    Q_OBJECT

  public:
    TEditCon(ProgramState& s, THelp& help, TKadjust& adjustDialog, MessageSink& messages,
             QWidget* parent = nullptr);

    // Shows the chelator and the metal where the editor was left (EditConChelator, EditConMetal).
    void ShowFromState();

    // Writes the fields into the table as they stand; false when a number field does not parse (the
    // fields before it are stored).
    bool StoreFields();
    // The first number field, in the order the fields are stored, that is no number; nullptr when all are.
    [[nodiscard]] QLineEdit* UnparsedField() const;

    void Button1Click();  // "&Next" chelator
    void Button2Click();  // "&Next" metal
    void adjustClick();   // "&Adjust"
    void OKBtnClick();
    void CancelBtnClick();  // the help button: the editor has no cancel

    QLabel* Label13;  // chelator number
    QLineEdit* Edit9;
    QLineEdit* Edit1;  // H1
    QLineEdit* Edit3;  // H2
    QLineEdit* Edit5;  // H3
    QLineEdit* Edit7;  // H4
    QLineEdit* Edit2;  // dH1
    QLineEdit* Edit4;  // dH2
    QLineEdit* Edit6;  // dH3
    QLineEdit* Edit8;  // dH4
    QPushButton* Button1;
    QLabel* Label14;  // metal number
    QLineEdit* MaskEdit1;
    QPushButton* Button2;
    QLineEdit* Edit11;  // ML
    QLineEdit* Edit12;  // MHL
    QLineEdit* Edit13;  // dML
    QLineEdit* Edit14;  // dMHL
    QLineEdit* Edit15;  // comment
    QPushButton* adjust;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QGroupBox* BuildChelator();
    QGroupBox* BuildMetal();
    QHBoxLayout* BuildButtons();
    void ConnectFields();
    // Runs step (the "&Next" buttons, OK) on the fields read; shows them when it succeeds, otherwise
    // its refusal names the field that is no number and the focus goes there. What step returned.
    bool StoreOrName(const std::function<bool(EditorFields&, MessageSink&)>& step);
    QLineEdit* Field(EditorControl control) const;
    EditorFields ReadFields() const;
    void ShowFields(const EditorFields& fields);

    ProgramState& s_;
    THelp& help_;
    TKadjust& adjust_;
    MessageSink& messages_;
    EditorFields shown_;  // the texts as last shown
};

// The main window's Constants > Edit command: shows the editor from where it was left; when it closes,
// stores the fields once more and, while a field is no number, says "NOT A REAL NUMBER ENTERED, TRY
// AGAIN" and shows the editor again. Then asks for a file name in the constants save dialog of io and
// writes the table as a text constants file, the extension made ".TCM"; on success ConstantsFileName is
// that name and setTitle receives "DEDODIZ32 v2.50 using " and the name. Cancelling the dialog leaves
// the edited table in memory, unsaved.
void RunEditConstantsCommand(ProgramState& s, MessageSink& messages, TEditCon& editor, TIOForm& io,
                             const std::function<void(const QString&)>& setTitle);

}  // namespace dedodiz
