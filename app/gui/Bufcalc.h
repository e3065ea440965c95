// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// ZozaveVavo, the pH buffer calculator's window. It edits the twelve buffer slots field by field, keeps
// the present temperature, pH and ionic strength in step with the solution, and starts the buffer
// calculations and the buffer file's reading and writing. It is modeless: created once, then shown,
// brought to the front and hidden.
//
// Every edit is re-read at each change of its text and stores its value at once. A text that is no
// number stores the edit's fallback value and is replaced by "ERROR" (or by the minimum "0.001"); while
// the user is still typing in the field the replacement waits until the field is left, so that a
// number can be typed through forms such as "0" or "-" on its way.

#include <QSet>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "buffers/BufferCalc.h"
#include "engine/FixedArray.h"
#include "engine/Sinks.h"
#include "gui/ProgramState.h"

class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dedodiz {

class THelp;

class TZozaveVavo : public QWidget {
    Q_OBJECT

  public:
    // The creation step: the slots at their window defaults, twelve blank slot names, slot 1 selected,
    // the present conditions from the solution. Reports go to output; its ShowOutput shows the window.
    TZozaveVavo(ProgramState& s, THelp& help, MessageSink& messages, OutputSink& output,
                QWidget* parent = nullptr);

    // The main window's "&Buffer": the solution's temperature, pH and ionic strength in the fields
    // (each through its rule), then the window shown and brought to the front.
    void ShowWithSolutionValues();

    // The main window's "pH Buffers": reads a buffer file as LOAD does; when a file was loaded, runs the
    // Environment dialog through environment (true when the user confirmed it); then the ranges report,
    // the output window, and this window with the solution's values.
    void PHBuffersCommand(const std::function<bool()>& environment);

    // The selected slot 1..12 (slot 1 is selected when none is).
    int SelectedSlot();
    // Shows the selected slot's type, name, values and comments in the fields.
    void ShowBufferSlot();
    // The texts of the fields and result labels, as "^ Add to Output Screen" writes them.
    BufferFieldTexts FieldTexts() const;

    void RadioGroup1Click();
    void Button4Click();  // "&LOAD"
    // What "&LOAD" does with the file chosen (a file dropped on the main window comes here too).
    void LoadBufferFrom(const std::string& path);
    bool Button5Click();  // "&SAVE"; false when cancelled or failed
    void RAnionicClick();
    void RCationicClick();
    void Button2Click();  // "Zwitt"
    void Button1Click();  // "&Calc Ionic"
    void Button6Click();  // "Calc Ranges"
    void Button3Click();  // "^ Add to Output Screen"
    void BitBtn1Click();  // Close: saves first when the slots were modified
    void BitBtn2Click();  // Help

    QGroupBox* RadioGroup1;
    OneBased<QRadioButton*, 12> RadioGroup1Item;  // item k-1 is slot k
    QPushButton* Button4;
    QPushButton* Button5;
    QLabel* Label9;
    QLineEdit* Edit13;  // buffer name
    QLabel* Panel2;     // comments of the slot
    QLabel* Label1;
    QLineEdit* ET;  // temperature [C]
    QLabel* Label2;
    QLineEdit* EP;  // pH
    QLabel* Label3;
    QLineEdit* EI;  // ionic strength [N]
    QGroupBox* GroupBox1;
    QRadioButton* RAnionic;
    QRadioButton* RCationic;
    QPushButton* Button2;
    QGroupBox* GroupBox2;
    QRadioButton* RFree;         // SaltForm 0
    QRadioButton* RSalt;         // "mono", 1
    QRadioButton* RadioButton1;  // "di", 2
    QRadioButton* RadioButton2;  // "tri", 3
    QLabel* Label4;
    QLabel* Label12;
    QLineEdit* EK;     // pKa[1]
    QLineEdit* Edit1;  // pKa[2]
    QLineEdit* Edit4;  // pKa[3]
    QLabel* Label5;
    QLineEdit* EC;  // temperature[1..3] [C]
    QLineEdit* Edit2;
    QLineEdit* Edit5;
    QLabel* Label6;
    QLineEdit* ED;  // dpKa[1..3]
    QLineEdit* Edit3;
    QLineEdit* Edit6;
    QLabel* Label22;
    QLineEdit* Edit7;  // ipKa[1..3] [N]
    QLineEdit* Edit8;
    QLineEdit* Edit9;
    QLabel* Label23;
    QLineEdit* Edit10;  // dipKa[1..3]
    QLineEdit* Edit11;
    QLineEdit* Edit12;
    QLabel* Label7;
    QLineEdit* EA;  // buffer amount [mol/L]
    QLabel* Label18;
    QLabel* Label8;
    QLabel* Label10;  // corrected pKa'[1..3]
    QLabel* Label13;
    QLabel* Label14;
    QFrame* Shape1;
    QLabel* Label15;
    QLabel* Label16;  // ionic contribution
    QPushButton* Button1;
    QPushButton* Button6;
    QPushButton* Button3;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QLabel* Label11;
    QFileDialog* OpenDialog1;
    QFileDialog* SaveDialog1;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // What a number edit stores and what it does with a text that is no number.
    struct EditRule {
        QLineEdit* edit;
        std::function<double&()> target;
        double fallback;
        const char* replacement;        // the text shown instead of one that is no number
        bool positiveOnly;              // a value of 0 or below counts as no number
        bool marksModified;             // sets BufferModified
        std::function<void()> further;  // the further effect, after the value is stored
    };

    // A row of the grid: its three edits and the values of the slot they show.
    struct GridRow {
        std::array<QLineEdit*, 3> edits;
        OneBased<double, 3> TBufferSlot::*values;
        int width;  // as the slot's values are shown
        int decimals;
    };
    std::array<GridRow, 5> GridRows() const;

    // The controls at their places for the standard font, their handlers and their edit rules.
    void BuildControls();
    void BuildSlotChoice();
    void BuildConditions();
    void BuildTypeGroups();
    void BuildGrid();
    void BuildResults();
    void BuildButtons();
    void ConnectHandlers();
    void AddConditionRules();
    void AddSlotRules();
    void AddRule(EditRule rule);
    void ApplyRule(const EditRule& rule, bool changed);
    void Edit13Change();
    void SetShownText(QLineEdit* edit, const QString& text);
    void Replace(QLineEdit* edit, const QString& text);
    void SetItemText(int slot, const QString& text);
    void SaltFormShown(QRadioButton* form, bool available, int highestKept);

    ProgramState& s_;
    THelp& help_;
    MessageSink& messages_;
    OutputSink& output_;
    std::vector<EditRule> rules_;
    OneBased<QString, 12> itemTexts_;  // the selector's items as typed, a name of any length
    QSet<QLineEdit*> pending_;         // fields whose replacement waits for the user to leave them
    bool leaving_ = false;             // a field is being left: its replacement is made now
};

}  // namespace dedodiz
