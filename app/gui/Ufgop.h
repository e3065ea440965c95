// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The graph window "Graph Output": the picture of the last sweep, which the user copies, saves as a
// bitmap file or sends as a table to the output window. Also home of the 2D and 3D commands, which
// end by showing it.

#include <QMainWindow>
#include <string>
#include <string_view>

#include "engine/Sinks.h"
#include "gui/ProgramState.h"
#include "qtcanvas/QtImageCanvas.h"

class QAction;
class QFileDialog;
class QLabel;

namespace dedodiz {

class TFAXIS;

class TFGOP : public QMainWindow {
    Q_OBJECT

  public:
    // output is the output window, which "to Output" writes to and shows.
    TFGOP(ProgramState& s, OutputSink& output, MessageSink& messages, QWidget* parent = nullptr);

    // A new picture of the last sweep (frame, text, curves), then the window shown, not modally.
    void DrawSweep();

    void Copy1Click();       // the picture to the clipboard as a bitmap
    void Save1Click();       // asks for a name, then SaveBitmap
    void SavePNG1Click();    // asks for a name, then SavePng
    void ExportCSV1Click();  // asks for a name, then ExportCsv
    void SaveTXT1Click();    // the sweep table to the output window, which is then shown
    void Close1Click();

    // Writes the picture as a BMP file to name with its extension made ".BMP". The name written, or
    // empty when the file could not be written (the user has been told why; an older file is kept).
    std::string SaveBitmap(const std::string& name);

    // The same for the picture as a PNG file, extension ".png".
    std::string SavePng(const std::string& name);

    // The last sweep as a CSV table (one row per point, every number at full precision), extension
    // ".csv"; the name written, or empty after a failure that the user has been told about.
    std::string ExportCsv(const std::string& name);

    [[nodiscard]] const QtImageCanvas& Picture() const { return canvas_; }

    QLabel* GOP;
    QAction* Copy1;
    QAction* Save1;
    QAction* SavePNG1;
    QAction* ExportCSV1;
    QAction* SaveTXT1;
    QAction* Close1;
    QFileDialog* SaveDialog1;
    QFileDialog* SaveDialog2;  // PNG picture
    QFileDialog* SaveDialog3;  // CSV table

  private:
    void ShowPicture();
    // Writes bytes over target through a temporary file; the name written, or empty after telling why.
    std::string WriteExport(const std::string& target, std::string_view bytes);

    ProgramState& s_;
    OutputSink& output_;
    MessageSink& messages_;
    QtImageCanvas canvas_;
};

// The "2D ..." command: the X axis dialog, the sweep (under the fault guard), the graph.
// A sweep stopped by a floating-point fault has shown its "ERROR" and draws nothing.
void Run2DCommand(ProgramState& s, TFAXIS& axis, TFGOP& graph, MessageSink& messages);

// The "3D ..." command: the X and Z axis dialogs, the sweep, the graph.
void Run3DCommand(ProgramState& s, TFAXIS& axis, TFGOP& graph, MessageSink& messages);

}  // namespace dedodiz
