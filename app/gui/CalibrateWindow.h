// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The window "Calibrate": a titration measured in the lab (a CSV file), the chelator, the metal and the
// conditions it was measured at; the fitted purity, contamination and Kd with their 95 % intervals, the
// residual of every row, and the Scatchard and residual plots. From it the plots are saved as PNG, a
// constants table that carries the fitted Kd is written, and the fitted purity and contamination are
// given to the Recipe window.

#include <QMainWindow>
#include <functional>
#include <string>

#include "engine/Sinks.h"
#include "qtcanvas/QtImageCanvas.h"

class QAction;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace dedodiz {

struct Calibration;
class PictureView;
struct ProgramState;

// Where a fitted calibration is used: its purity and contamination into the Recipe window's fields,
// and with their spreads into the uncertainty's.
struct CalibrationTargets {
    std::function<void(const Calibration&)> recipe;
    std::function<void(const Calibration&)> uncertainty;
};

class TCalibrateWindow : public QMainWindow {
    Q_OBJECT

  public:
    TCalibrateWindow(ProgramState& state, MessageSink& messages, CalibrationTargets use,
                     QWidget* parent = nullptr);

    // The chelators and metals of the table as it stands, the conditions of the solution; then shown.
    void ShowFor();

    void Browse1Click();
    // Reads the fields and the file and fits; true when a calibration is shown.
    bool Fit1Click();
    void SavePNG1Click();
    void WriteConstants1Click();
    // The picture to name (".png" made its extension); the name written, or empty after saying why.
    std::string SavePng(const std::string& name);
    // The calibrated table to name; true when written.
    bool WriteConstants(const std::string& name);

    // The picture that is saved, kGraphWidth x kGraphHeight pixels whatever the desktop's font.
    [[nodiscard]] const QtImageCanvas& Picture() const { return canvas_; }

    QLineEdit* DataFile1;
    QPushButton* Browse1;
    QComboBox* Chelator1;
    QComboBox* Metal1;
    QLineEdit* Temp1;
    QLineEdit* PH1;
    QLineEdit* Ionic1;
    QLineEdit* Bootstrap1;
    QPushButton* Fit1;
    QPlainTextEdit* Results1;
    PictureView* Picture1;  // the plots on screen, at the desktop's font
    QAction* SavePNG1;
    QAction* WriteConstants1;
    QAction* UseInRecipe1;       // the fitted purity and contamination into the Recipe window
    QAction* UseInUncertainty1;  // and with their spreads into the uncertainty, which then runs
    QAction* Close1;

  private:
    ProgramState& s_;
    MessageSink& messages_;
    CalibrationTargets use_;
    QtImageCanvas canvas_;
    bool fitted_ = false;
    bool sized_ = false;  // sized to its content at its first showing; later the user's size stays
};

// Calculation > "Calibrate ...": the window, made once, shown for the table as it stands; its "Use in
// the recipe" and "Use in the uncertainty" call use's.
void RunCalibrateCommand(ProgramState& s, QWidget* owner, MessageSink& messages,
                         const CalibrationTargets& use);

}  // namespace dedodiz
