// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The live calculator: the whole solution in one resizable window, its results as the user types.
// The window's solution is the program's: every edit that reads as numbers sets the selection and
// the calculation of the program's state and runs it as "1D" would, without its message boxes; the
// warnings of the run stand beside the values they concern. "to Output" writes the run's report to the
// output window, and work files load into it and save from it.

#include <QDialog>
#include <functional>
#include <string>

#include "engine/Sinks.h"
#include "gui/LiveForm.h"
#include "gui/ProgramState.h"

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace dedodiz {

class LivePlot;
class LiveResults;
class TIOForm;
class TOutput;

class TLive : public QDialog {
    Q_OBJECT

  public:
    // How the main window loads and saves work files, with its own messages and window title: each
    // takes the name the user chose and tells whether it succeeded.
    struct WorkFiles {
        std::function<bool(const std::string&)> load;
        std::function<bool(const std::string&)> save;
    };

    TLive(ProgramState& s, TOutput& output, TIOForm& files, WorkFiles work, QWidget* parent = nullptr);

    // Shows the program's solution and its results; when nothing is chosen yet, the README's example
    // (2 mM EGTA with 1 mM calcium and 1 mM magnesium at pH 7.2) where the table has its entries.
    void ShowFromState();
    // Reads the form; when it reads as numbers, makes it the program's solution, runs it and shows the
    // results, the run's messages beside their places and the plot. Otherwise marks the fields that
    // do not read and greys the last results.
    void Recalculate();

    // "to Output": the single-point report of the solution in the output window, as "1D" writes it.
    void ToOutputClick();
    // Work files, through the main window's commands; the form then shows what was loaded.
    bool LoadWork(const std::string& path);
    bool SaveWork(const std::string& path);
    void LoadWorkClick();
    void SaveWorkClick();

    // The messages of the last run, as the notes show them.
    [[nodiscard]] const ShownMessages& RunMessages() const { return messages_; }
    // The note at a place of the window.
    [[nodiscard]] QLabel* Note(LivePlace place) const;

    LiveForm* Form;
    LiveResults* Results;
    LivePlot* Plot;
    QComboBox* PlotAxis;
    QPushButton* ToOutput;
    QPushButton* LoadWorkButton;
    QPushButton* SaveWorkButton;
    QPushButton* CloseButton;
    QLabel* NoMessages;  // stands in the messages panel while the run has none
    QWidget* Content;    // the form, the messages, the results and the plot, in a scroll area

  protected:
    // Coming back to the window after the state changed elsewhere (a dialog, a work file, File > New)
    // shows the state anew.
    bool event(QEvent* event) override;
    // The first showing opens the window at the size of its content, within the screen.
    void showEvent(QShowEvent* event) override;

  private:
    // Sizes the window to its content, within the screen.
    void FitToScreen();
    QWidget* BuildMessages();
    QWidget* BuildResults();
    QWidget* BuildPlot();
    QLayout* BuildButtons();
    void StartWithExample();
    void ShowNotes();
    void Refused(const QString& reason);

    // What the window last showed of the state, to tell whether it changed elsewhere.
    struct Shown {
        FileName table;
        OneBased<ChelatorText, 12> chelators;
        OneBased<MetalText, 9> metals;
        Selection selection;
        TSolution solution;
        CalculationType type = CalculationType::Free;
        Precision precision = kDefaultPrecision;
    };
    [[nodiscard]] Shown ShownOf() const;
    [[nodiscard]] static bool Same(const Shown& a, const Shown& b);

    QScrollArea* scroll_;
    bool fitted_ = false;
    ProgramState& s_;
    TOutput& output_;
    TIOForm& files_;
    WorkFiles work_;
    ShownMessages messages_;
    Shown shown_;
};

}  // namespace dedodiz
