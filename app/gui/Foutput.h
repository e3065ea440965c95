// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The output window: every report is written here line by line. The user reads, edits, copies, saves
// or prints the text; with "Add Output" ticked the next report is added below instead of replacing it.

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "engine/Run.h"
#include "engine/Sinks.h"
#include "gui/ProgramState.h"

#include <QPlainTextEdit>

class QAction;
class QFileDialog;
class QMimeData;
class QPrinter;

namespace dedodiz {

// The text control of the output window. A paste takes the text of the clipboard or of the selection
// (a middle click) and nothing else; with nothing there to paste, nothing happens.
class ReportEdit : public QPlainTextEdit {
    Q_OBJECT

  public:
    using QPlainTextEdit::QPlainTextEdit;
    void insertFromMimeData(const QMimeData* source) override;
    [[nodiscard]] bool canInsertFromMimeData(const QMimeData* source) const override;
};

class TOutput : public QMainWindow, public OutputSink {
    Q_OBJECT

  public:
    TOutput(ProgramState& s, MessageSink& messages, QWidget* parent = nullptr);
    ~TOutput() override;

    void ClearOutput() override;
    void AddOutputLine(std::string_view line) override;
    void ShowOutput() override;  // shows the window, not modally, at the first line of the newest report

    // The text as lines: every line ends with a line break; text after the last break is one more line.
    std::vector<std::string> Lines() const;

    // "File *.TXT": asks for a name and writes the lines, each followed by CR LF, to it with the
    // extension ".TXT". False when cancelled or failed (after "Error writing output text file").
    bool SaveOutputText();
    // Writes the lines to name with its extension made ".TXT"; the name written, or empty on failure.
    std::string WriteOutputText(const std::string& name);

    // The single-point run with its report in this window; when it writes its report, its results
    // and the messages it showed are kept for "Export results (JSON)...". A run stopped by its checks
    // or by a fault keeps the previous run's results.
    Outcome RunSinglePointHere(ProgramState& s, MessageSink& messages);
    // "Export results (JSON)...": asks for a name, then ExportRunJson.
    void ExportJSON1Click();
    // Writes the kept results of the last single-point run to name with the extension ".json"; the
    // name written, or empty when there is no run yet or the file could not be written (the user has
    // been told why; an older file is kept).
    std::string ExportRunJson(const std::string& name);

    // "Print": asks for the printer and the number of copies, then prints one job per copy.
    void PrintOutputText();
    // The printer that "Print" offers first; it keeps the user's last choice.
    QPrinter& Printer();
    // One print job of lines in Courier New 10 pt bold, one text line per printed line, a new page when
    // the page is full. The number of pages printed, 0 when the printer could not be started.
    static int PrintLines(QPrinter& printer, const std::vector<std::string>& lines);

    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Clear1Click();
    void AddNextRun1Click();
    void Close1Click();

    ReportEdit* OPP;
    QAction* Cut1;
    QAction* Copy1;
    QAction* Paste1;
    QAction* Clear1;
    QAction* SelectAll1;
    QAction* FileTXT1;
    QAction* ExportJSON1;
    QAction* AddNextRun1;
    QAction* Print1;
    QAction* Close1;
    QFileDialog* SaveDialog1;
    QFileDialog* SaveDialog2;  // results as JSON

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildText();
    void BuildMenu();
    void BuildFileDialogs();

    ProgramState& s_;
    MessageSink& messages_;
    std::unique_ptr<QPrinter> printer_;
    int reportStart_ = -1;     // first line written since the window was last shown, -1 when none
    std::string lastRunJson_;  // the last single-point run as JSON, empty before the first
};

}  // namespace dedodiz
