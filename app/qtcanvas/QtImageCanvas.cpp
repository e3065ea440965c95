// SPDX-License-Identifier: BSD-3-Clause
#include "qtcanvas/QtImageCanvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <memory>

namespace dedodiz {

namespace {

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// A program without windows that borrows Qt only to draw has its own channel for errors; Qt's
// remarks about the desktop session (no runtime folder, no display) would only clutter it.
void KeepSeriousMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) qt_message_output(type, context, text);
}

}  // namespace

QtImageCanvas::QtImageCanvas()
    : image_(kGraphWidth, kGraphHeight, QImage::Format_RGB32), pen_(Qt::black), font_(GraphFont()) {
    image_.fill(Qt::white);
}

QtImageCanvas::QtImageCanvas(double scale, double pixelRatio)
    : scale_(std::max(scale, 1.0)),
      pixels_(scale_ * std::max(pixelRatio, 1.0)),
      image_(static_cast<int>(std::ceil(kGraphWidth * pixels_)),
             static_cast<int>(std::ceil(kGraphHeight * pixels_)), QImage::Format_RGB32),
      pen_(Qt::black),
      font_(GraphFont()) {
    // The painter then works in the window's units, and draws lines and texts at the screen's density.
    image_.setDevicePixelRatio(pixels_ / scale_);
    font_.setPixelSize(static_cast<int>(std::lround(font_.pixelSize() * scale_)));
    image_.fill(Qt::white);
}

QFont QtImageCanvas::GraphFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    // Plain pixels, as on the bitmap canvases the graph was laid out for; it also keeps the
    // saved bitmaps free of blended colours.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void QtImageCanvas::Clear() {
    image_.fill(Qt::white);
    pen_ = Qt::black;
}

void QtImageCanvas::SetPenColor(Rgb color) {
    pen_ = ToQColor(color);
}

void QtImageCanvas::SetPixel(int x, int y, Rgb color) {
    if (x < 0 || y < 0 || x >= kGraphWidth || y >= kGraphHeight) return;
    if (!Scaled()) {
        image_.setPixel(x, y, ToQColor(color).rgb());
        return;
    }
    QPainter painter(&image_);
    painter.fillRect(QRectF(x * scale_, y * scale_, scale_, scale_), ToQColor(color));
}

void QtImageCanvas::Line(int x1, int y1, int x2, int y2) {
    QPainter painter(&image_);
    if (!Scaled()) {
        painter.setPen(QPen(pen_, 0));  // cosmetic one-pixel pen, end points included
        painter.drawLine(x1, y1, x2, y2);
        return;
    }
    // A line through the middle of the pixels it joins, as wide as a graph pixel made up to whole screen
    // pixels: a width of 1.8 would draw some lines one pixel wide and others two, and rounded down, lines
    // drawn side by side to fill a bar would leave white gaps. The square caps cover the end pixels, as
    // the one-pixel line includes its end points.
    const double ratio = pixels_ / scale_;
    painter.setPen(QPen(pen_, std::ceil(pixels_ - 1e-9) / ratio, Qt::SolidLine, Qt::SquareCap));
    const auto at = [this](int x, int y) { return QPointF((x + 0.5) * scale_, (y + 0.5) * scale_); };
    painter.drawLine(at(x1, y1), at(x2, y2));
}

void QtImageCanvas::TextOut(int x, int y, std::string_view text) {
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (!Scaled()) {
        painter.drawText(x, y + QFontMetrics(font_).ascent(), line);
        return;
    }
    painter.drawText(QPointF(x * scale_, y * scale_ + QFontMetricsF(font_).ascent()), line);
}

ImageView QtImageCanvas::Pixels() const {
    // RGB32 keeps each pixel as one 32-bit 0xffRRGGBB; a scan line is a whole number of them.
    return {image_.width(), image_.height(), reinterpret_cast<const std::uint32_t*>(image_.constBits()),
            static_cast<int>(image_.bytesPerLine() / 4)};
}

}  // namespace dedodiz

extern "C" dedodiz::ImageCanvas* dedodiz_qtcanvas_create() {
    if (QCoreApplication::instance() == nullptr) {
        // Lives until the process exits. The plugin is never unloaded, and this static is created
        // after Qt's own, so it is destroyed before them: Qt shuts down in order, fonts included.
        static int argc = 3;
        static char name[] = "dedodiz32";
        static char option[] = "-platform";
        static char platform[] = "offscreen";
        static char* argv[] = {name, option, platform, nullptr};
        qInstallMessageHandler(dedodiz::KeepSeriousMessages);
        static const std::unique_ptr<QGuiApplication> application =
            std::make_unique<QGuiApplication>(argc, argv);
    }
    return new dedodiz::QtImageCanvas();
}
