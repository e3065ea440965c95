// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The graph's canvas on a Qt image: 633 x 433 pixels drawn with QPainter. The desktop program's
// graph window uses it directly; the command-line tool opens it as a plugin (CanvasLoader.h) only
// when it has to write a bitmap, so that none of its other commands loads a Qt library.

#include <QColor>
#include <QFont>
#include <QImage>

#include "core/Canvas.h"

#if defined(DEDODIZ_QTCANVAS_BUILDING)
#define DEDODIZ_QTCANVAS_EXPORT __attribute__((visibility("default")))
#else
#define DEDODIZ_QTCANVAS_EXPORT
#endif

namespace dedodiz {

class DEDODIZ_QTCANVAS_EXPORT QtImageCanvas final : public ImageCanvas {
  public:
    // Needs a QGuiApplication for its font; a new canvas is white.
    QtImageCanvas();
    // The same drawing for a screen, every length times scale (at least 1): lines scale-thick, the texts
    // drawn at their larger size rather than magnified pixel by pixel. pixelRatio is the screen's device
    // pixel ratio, which the image is made for. The picture is kGraphWidth x kGraphHeight times scale in
    // the window's units.
    QtImageCanvas(double scale, double pixelRatio);

    void Clear() override;
    void SetPenColor(Rgb color) override;
    void SetPixel(int x, int y, Rgb color) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, std::string_view text) override;
    [[nodiscard]] ImageView Pixels() const override;

    [[nodiscard]] const QImage& Image() const { return image_; }
    // The factor of every length, in the window's units.
    [[nodiscard]] double Scale() const { return scale_; }

    // The face of the graph texts: a small sans-serif face, as a bitmap canvas has by default.
    static QFont GraphFont();

  private:
    [[nodiscard]] bool Scaled() const { return pixels_ != 1.0; }

    double scale_ = 1.0;   // window units per graph pixel
    double pixels_ = 1.0;  // image pixels per graph pixel: scale_ times the device pixel ratio
    QImage image_;
    QColor pen_;
    QFont font_;
};

}  // namespace dedodiz

// The plugin's one entry point, for dlopen: a new canvas owned by the caller (delete it through
// its virtual destructor). Creates a QGuiApplication on the "offscreen" platform first when the
// process has none, so that a program without windows can draw texts.
extern "C" DEDODIZ_QTCANVAS_EXPORT dedodiz::ImageCanvas* dedodiz_qtcanvas_create();
