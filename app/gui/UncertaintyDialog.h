// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Calculation > "Uncertainty ...": the dialog that asks for the standard uncertainties of the inputs
// (the defaults filled in, a decimal comma accepted), and the command that runs the computation, writes
// its block to the output window and shows the histograms of the results.

#include <QDialog>
#include <QString>
#include <map>
#include <vector>

#include "core/CalibrationExport.h"
#include "core/Uncertainty.h"
#include "engine/Sinks.h"
#include "gui/ProgramState.h"

class QFormLayout;
class QLineEdit;
class QPushButton;

namespace dedodiz {

class TUncertaintyDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TUncertaintyDialog(MessageSink& messages, QWidget* parent = nullptr);

    // One purity row (fraction and its uncertainty) per chelator of the solution and one contamination
    // row (concentration and its uncertainty [M]) per metal; a name met before keeps what was typed for it.
    void FillFromSolution(const TSolution& solution);
    // A calibration's purity of its chelator and contamination of its metal, with their standard
    // uncertainties, as what was typed for them (the rows show them from the next FillFromSolution).
    void UseCalibration(const CalibrationUse& use);

    // The options of the fields, valid after the dialog was accepted.
    [[nodiscard]] const UncertaintyOptions& Options() const { return options_; }

    // OK: reads every field; a field that holds no valid number is named in an "ERROR" message and the
    // dialog stays open.
    void accept() override;

    QLineEdit* Samples;
    QLineEdit* Seed;
    QLineEdit* PHSd;
    QLineEdit* TempSd;
    QLineEdit* IonicRsd;
    QLineEdit* LogKHSd;
    QLineEdit* LogKMLSd;
    QLineEdit* LogKMHLSd;
    QLineEdit* EnthalpyRsd;
    QLineEdit* TotalRsd;
    // By chelator slot 1..6: the purity fraction and its uncertainty; nullptr for an empty slot.
    OneBased<QLineEdit*, 6> Purity{};
    OneBased<QLineEdit*, 6> PuritySd{};
    // By metal slot 1..6: the contamination [M] and its uncertainty [M]; nullptr for an empty slot.
    OneBased<QLineEdit*, 6> Contamination{};
    OneBased<QLineEdit*, 6> ContaminationSd{};
    QPushButton* OKButton;
    QPushButton* CancelButton;

  private:
    // The rows of a value and its uncertainty per slot (the purity of each chelator, the contamination
    // of each metal), what was typed kept by name over solutions.
    struct PairRows {
        QFormLayout* form;
        OneBased<QLineEdit*, 6>& value;
        OneBased<QLineEdit*, 6>& sd;
        OneBased<QString, 6>& names;
        std::map<QString, std::pair<QString, QString>>& typed;
        const char* objectName;  // "Purity": Purity1, PuritySd1, ...
        QString valueDefault;
        bool numbered;  // the caption "&1. EGTA", its slot a keyboard mnemonic
    };
    bool ReadFields();
    // The rows of the slots with a name (empty: none), the values typed before kept by name.
    void Refill(const PairRows& rows, const OneBased<QString, 6>& names);

    MessageSink& messages_;
    QFormLayout* purityForm_;
    std::map<QString, std::pair<QString, QString>> purityTexts_;  // by chelator name, what was typed
    OneBased<QString, 6> purityNames_;
    QFormLayout* contaminationForm_;
    std::map<QString, std::pair<QString, QString>> contaminationTexts_;  // by metal name
    OneBased<QString, 6> metalNames_;
    UncertaintyOptions options_;
};

// The whole command: the dialog over owner, the computation for the solution as entered (at the precision
// of Calculation > Precision), the block to output (after clearing it unless "Add Output" is
// ticked) and the histogram window. A dialog cancelled, or a computation refused by the input checks or
// stopped by a fault (which has shown its "ERROR"), writes nothing. The dialog and the window are
// children of owner, made at the first use and kept.
void RunUncertaintyCommand(ProgramState& s, QWidget* owner, OutputSink& output, MessageSink& messages);

}  // namespace dedodiz
