// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A graph's picture in a window. At a desktop font larger than the standard one the picture is drawn
// that much larger, its texts at their larger size and at the screen's pixel density, so that its labels
// grow with the window's own texts and stay sharp; where the window is smaller than the picture, it
// scrolls. What a window saves or copies is its own canvas of kGraphWidth x kGraphHeight pixels: the
// size of the saved files does not follow the desktop.

#include <QScrollArea>
#include <functional>
#include <memory>

#include "core/Canvas.h"
#include "qtcanvas/QtImageCanvas.h"

class QLabel;

namespace dedodiz {

class PictureView : public QScrollArea {
    Q_OBJECT

  public:
    explicit PictureView(QWidget* parent = nullptr);

    // Draws through draw on a canvas for this font and screen and shows it; draw is kept, and draws
    // again when the desktop's font changes.
    void Show(std::function<void(Canvas&)> draw);
    // An empty picture of the same size.
    void Clear();

    // The picture as shown, in the window's units; its image is at the screen's pixel density.
    [[nodiscard]] QSize PictureSize() const;
    [[nodiscard]] const QImage& Shown() const { return canvas_->Image(); }

    // The whole picture, without scroll bars: the window is as large as that where the screen has room.
    [[nodiscard]] QSize sizeHint() const override;

    QLabel* Label;  // holds the picture

  protected:
    void changeEvent(QEvent* event) override;

  private:
    // A new canvas at the scale of the desktop's font, the label sized to it.
    void Resize();

    std::function<void(Canvas&)> draw_;
    std::unique_ptr<QtImageCanvas> canvas_;
};

}  // namespace dedodiz
