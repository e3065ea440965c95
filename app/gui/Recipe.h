// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The recipe window (Calculation > "Recipe ..."): what to pipette for the current solution. The user
// enters the final volume, a stock for every chelator and metal (with a purity for the chelators), a pH
// buffer, the ionic strength to top up to and a series of free levels, and gets the pipetting table,
// which can be copied tab-separated, exported as CSV, printed or written to the output window. The
// window only moves texts: the recipe is the library's (MakeRecipe). It is modeless, made on first use.
//
// Numbers may carry their units ("10 mL", "100 mM", "50 uM") and a decimal comma; the values of a
// series list are separated by blanks or ';'.

#include <QDialog>
#include <QHash>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buffers/BufferModel.h"
#include "core/RecipeCalc.h"
#include "engine/Sinks.h"
#include "gui/ProgramState.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QFormLayout;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QTableWidget;

namespace dedodiz {

struct Calibration;

class TRecipe : public QDialog {
    Q_OBJECT

  public:
    // Reports go to output (the output window), messages to messages.
    TRecipe(ProgramState& s, MessageSink& messages, OutputSink& output, QWidget* parent = nullptr);
    ~TRecipe() override;

    // Takes the current solution (its chelators and metals get stock fields; stocks typed before are
    // kept by name), then shows the window and brings it to the front.
    void ShowForCurrentSolution();
    // The fitted purity of the calibration's chelator and contamination of its metal into their fields
    // (kept by name for a solution without them), then ShowForCurrentSolution.
    void UseCalibration(const Calibration& fit);

    // "&Calculate": reads the fields and makes the recipe; false when a field or the recipe was refused
    // (the user has been told why). The table shows the recipe made, or nothing.
    bool CalculateClick();
    void CopyClick();  // the table, tab-separated, to the clipboard
    void ExportClick();
    // Writes the recipe's CSV to name with the extension ".csv"; the name written, or empty on failure.
    std::string ExportCsv(const std::string& name);
    void PrintClick();
    // One print job of the recipe's report; the number of pages, 0 when the printer could not start.
    int PrintTo(QPrinter& printer) const;
    void ToOutputClick();  // the report into the output window, cleared first unless "Add Output"

    [[nodiscard]] const Recipe& LastRecipe() const { return recipe_; }

    // One stock field per chelator and metal of the solution (with the purity for a chelator), the form
    // it is added in (empty: the usual one) and, for a metal, what the water and salts bring of it.
    struct StockRow {
        QString name;
        QLabel* label = nullptr;
        QLineEdit* stock = nullptr;
        QLineEdit* purity = nullptr;  // chelators only
        QLineEdit* form = nullptr;
        QLineEdit* contamination = nullptr;  // metals only; empty for none
    };
    std::vector<StockRow> Stocks;

    QLabel* Summary;
    QLineEdit* Volume;
    QComboBox* Buffer;  // "none", then the buffers of the buffer table
    QLineEdit* BufferConc;
    QLineEdit* BufferStock;
    QComboBox* BufferForm;  // free, mono, di, tri
    QCheckBox* TopUp;
    QLineEdit* Target;      // [N] or [M], as TargetKind says
    QComboBox* TargetKind;  // "N (ionic equivalents)", "M (ionic strength)"
    QLineEdit* SaltName;
    QLineEdit* SaltStock;
    QComboBox* SeriesMetal;  // "none", then the metals
    QComboBox* SeriesKind;   // pX from-to-step, pX list, concentrations
    QLineEdit* SeriesFrom;
    QLineEdit* SeriesTo;
    QLineEdit* SeriesStep;
    QLineEdit* SeriesList;
    QLineEdit* BaseName;  // the base that sets the pH (KOH) and its stock
    QLineEdit* BaseStock;
    QLineEdit* AcidName;  // the acid where one is needed (HCl) and its stock
    QLineEdit* AcidStock;
    QCheckBox* Osmolarity;  // make up the osmolarity with a neutral osmolyte
    QLineEdit* OsmolarityTarget;
    QLineEdit* OsmolyteName;
    QLineEdit* OsmolyteStock;
    QComboBox* Method;  // from the stocks, mixing two end solutions
    QLineEdit* MixVolume;
    QPushButton* Calculate;
    QPushButton* Copy;
    QPushButton* Export;
    QPushButton* Print;
    QPushButton* ToOutput;
    QPushButton* Close;
    QTableWidget* Table;
    QFileDialog* SaveDialog1;  // the CSV export

  private:
    void BuildStockRows();
    void FillBuffers();
    void ShowTable();
    void EnableResults(bool on);
    // The request the fields describe, or nullopt after an "ERROR" message.
    std::optional<RecipeRequest> ReadRequest();
    bool ReadSeries(RecipeRequest& request);
    // The controls of what the tube is made of besides its stocks: the base or acid that sets the pH and
    // the osmolarity, as rows of form; the form and contamination fields of the stock rows.
    void BuildChemistry(QFormLayout* form);
    void AddChemistryFields(StockRow& row, int line, bool chelator);
    // The forms, contamination, base, acid, osmolarity and the kind of ionic target into request; false
    // after an "ERROR" message.
    bool ReadChemistry(RecipeRequest& request);
    const BufferTool& BufferTable();

    ProgramState& s_;
    MessageSink& messages_;
    OutputSink& output_;
    QGridLayout* stockGrid_ = nullptr;
    QHash<QString, QString> typedStocks_;  // stock and purity texts by name, kept over solutions
    QHash<QString, QString> typedPurity_;
    QHash<QString, QString> typedForm_;
    QHash<QString, QString> typedContamination_;
    BufferTool bundled_;  // the bundled buffer table, when the program has read none
    bool bundledRead_ = false;
    Recipe recipe_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace dedodiz
