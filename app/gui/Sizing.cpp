// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Sizing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpacerItem>
#include <algorithm>
#include <cmath>

namespace dedodiz {

namespace {

constexpr int kStandardPixels = 12;  // 9 points at 96 dots per inch

// The factor by which have must grow to hold need; 1 when it holds it already.
double Growth(int need, int have) {
    return (have > 0 && need > have) ? static_cast<double>(need) / have : 1.0;
}

int Scaled(int value, double factor) {
    return static_cast<int>(std::ceil(value * factor - 1e-9));
}

// The desktop font's pixel size, the standard one where it is smaller: nothing shrinks below its size.
int DesktopFontPixels() {
    return std::max(QFontInfo(QApplication::font()).pixelSize(), kStandardPixels);
}

}  // namespace

int DesktopPixels(int pixels) {
    return static_cast<int>(std::lround(static_cast<double>(pixels) * DesktopFontPixels() / kStandardPixels));
}

double DesktopScale() {
    return static_cast<double>(DesktopFontPixels()) / kStandardPixels;
}

void CentreOnScreen(QWidget* window) {
    // The size the window will show at: its layout's, unless it was given one of its own.
    if (QLayout* layout = window->layout()) layout->activate();
    if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

WholeScrollArea::WholeScrollArea(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // A field reached by its Alt+letter comes into view, as one reached by Tab does.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now != nullptr && widget() != nullptr && widget()->isAncestorOf(now)) ensureWidgetVisible(now);
    });
}

QSize WholeScrollArea::sizeHint() const {
    const QWidget* content = widget();
    if (content == nullptr) return QScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    return content->sizeHint().expandedTo(content->minimumSizeHint()) +
           QSize(frame + verticalScrollBar()->sizeHint().width(), frame);
}

void ResizeWithinScreen(QWidget* window) {
    // The rows added since the window was laid out count: a layout keeps the sizes its controls asked
    // for until told (their changes reach it only as posted events).
    for (QWidget* control : window->findChildren<QWidget*>())
        if (control->window() == window) control->updateGeometry();
    for (QLayout* layout : window->findChildren<QLayout*>())
        if (layout->parentWidget() != nullptr && layout->parentWidget()->window() == window)
            layout->invalidate();
    if (QLayout* layout = window->layout()) layout->activate();
    QSize want = window->sizeHint();
    // The frame is not known before the window manager has framed the window: a title bar and borders
    // of a common size.
    if (const QScreen* screen = window->screen())
        want = want.boundedTo(screen->availableGeometry().size() - QSize(16, 48));
    window->resize(want.expandedTo(window->minimumSizeHint()));
}

QSize TextRoom(const QWidget* control) {
    const QFontMetrics metrics = control->fontMetrics();
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        // A label that breaks its lines finds room in its height; a picture is not a text.
        if (label->text().isEmpty() || label->wordWrap()) return {};
        return label->sizeHint();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        if (button->text().isEmpty()) return {};
        const QSize text = metrics.size(Qt::TextShowMnemonic, button->text());
        return {text.width() + 2 * metrics.averageCharWidth(), text.height() + 4};
    }
    if (const auto* choice = qobject_cast<const QAbstractButton*>(control)) {
        // Radio buttons and check boxes: their hint is their indicator and text.
        if (choice->text().isEmpty()) return {};
        return choice->sizeHint();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return {metrics.horizontalAdvance(edit->text()) + 8, metrics.height() + 4};
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
        if (group->title().isEmpty()) return {};
        return {group->minimumSizeHint().width(), 0};  // the title; the controls inside count for themselves
    }
    return {};
}

void FitPlacesToTexts(QWidget* window, QSize design) {
    // The controls of this window, not those of the dialogs it holds.
    QList<QWidget*> controls;
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->window() == window->window()) controls.push_back(child);

    double sx = 1.0;
    double sy = 1.0;
    for (const QWidget* control : controls) {
        const QSize room = TextRoom(control);
        sx = std::max(sx, Growth(room.width(), control->width()));
        sy = std::max(sy, Growth(room.height(), control->height()));
    }
    if (sx > 1.0 || sy > 1.0) {
        for (QWidget* control : controls) {
            const QRect place = control->geometry();
            control->setGeometry(static_cast<int>(std::lround(place.x() * sx)),
                                 static_cast<int>(std::lround(place.y() * sy)), Scaled(place.width(), sx),
                                 Scaled(place.height(), sy));
        }
    }
    window->setFixedSize(Scaled(design.width(), sx), Scaled(design.height(), sy));
}

int TitleRoom(const QWidget* window) {
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    // An icon and three buttons (iconify, maximize, close) of about the title's height, and margins.
    const int buttons = 4 * (metrics.height() + 8);
    return metrics.horizontalAdvance(window->windowTitle()) + buttons + 2 * metrics.height();
}

void FitTitle(QWidget* window) {
    QLayout* layout = window->layout();
    const int width = TitleRoom(window);
    if (layout == nullptr) {
        window->setMinimumWidth(std::max(window->minimumWidth(), width));
        return;
    }
    // A strut in the layout: the layout decides the window's size, a minimum set beside it would not hold.
    auto* strut =
        new QSpacerItem(width - layout->contentsMargins().left() - layout->contentsMargins().right(), 0,
                        QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        grid->addItem(strut, grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
        box->addSpacerItem(strut);
    } else {
        delete strut;
        window->setMinimumWidth(std::max(window->minimumWidth(), width));
    }
}

void FixAtLeast(QWidget* window, QSize design) {
    QSize size = window->sizeHint().expandedTo(design);
    size.setWidth(std::max(size.width(), TitleRoom(window)));
    window->setFixedSize(size);
}

}  // namespace dedodiz
