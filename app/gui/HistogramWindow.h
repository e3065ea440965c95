// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The window "Uncertainty Histograms": the picture of the last uncertainty computation, one histogram
// per result, which the user copies to the clipboard or saves as a PNG file.

#include <QMainWindow>
#include <string>

#include "core/Uncertainty.h"
#include "engine/Sinks.h"
#include "qtcanvas/QtImageCanvas.h"

class QAction;
class QFileDialog;

namespace dedodiz {

class PictureView;

class THistogramWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit THistogramWindow(MessageSink& messages, QWidget* parent = nullptr);

    // A new picture of outcome, then the window shown, not modally.
    void ShowOutcome(const UncertaintyOutcome& outcome);

    void Copy1Click();     // the picture to the clipboard
    void SavePNG1Click();  // asks for a name, then SavePng
    // Writes the picture as a PNG file to name with its extension made ".png" (through a temporary
    // file, so an older file survives a failure). The name written, or empty after telling the user why.
    std::string SavePng(const std::string& name);

    // The picture that is copied and saved, kGraphWidth x kGraphHeight pixels whatever the desktop's font.
    [[nodiscard]] const QtImageCanvas& Picture() const { return canvas_; }

    PictureView* Picture1;  // the histograms on screen, at the desktop's font
    QAction* Copy1;
    QAction* SavePNG1;
    QAction* Close1;
    QFileDialog* SaveDialog1;

  private:
    MessageSink& messages_;
    QtImageCanvas canvas_;
    bool sized_ = false;  // sized to its content at its first showing; later the user's size stays
};

}  // namespace dedodiz
