// SPDX-License-Identifier: BSD-3-Clause
#include "gui/PictureView.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <cmath>
#include <utility>

#include "gui/Sizing.h"

namespace dedodiz {

PictureView::PictureView(QWidget* parent) : QScrollArea(parent), Label(new QLabel(this)) {
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignCenter);
    setWidgetResizable(false);
    Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidget(Label);
    Resize();
}

void PictureView::Resize() {
    canvas_ = std::make_unique<QtImageCanvas>(DesktopScale(), devicePixelRatioF());
    Label->setFixedSize(PictureSize());
}

QSize PictureView::PictureSize() const {
    return {static_cast<int>(std::ceil(kGraphWidth * canvas_->Scale())),
            static_cast<int>(std::ceil(kGraphHeight * canvas_->Scale()))};
}

void PictureView::Show(std::function<void(Canvas&)> draw) {
    draw_ = std::move(draw);
    Resize();
    if (draw_) draw_(*canvas_);
    Label->setPixmap(QPixmap::fromImage(canvas_->Image()));
}

void PictureView::Clear() {
    draw_ = nullptr;
    Label->clear();
}

QSize PictureView::sizeHint() const {
    const int frame = 2 * frameWidth();
    return PictureSize() + QSize(frame, frame);
}

void PictureView::changeEvent(QEvent* event) {
    QScrollArea::changeEvent(event);
    if (event->type() != QEvent::FontChange) return;
    if (draw_) {
        Show(draw_);
    } else {
        Resize();
    }
    updateGeometry();
}

}  // namespace dedodiz
