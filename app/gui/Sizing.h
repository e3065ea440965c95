// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Window sizes at the desktop's font. The sizes the windows were drawn at hold for the standard font
// (9 points at 96 dots per inch, about 12 pixels); a desktop with a larger font gets larger windows,
// never clipped texts.

#include <QScrollArea>
#include <QSize>

class QFont;
class QWidget;

namespace dedodiz {

// The pixel size that a font drawn at pixels for the standard font takes at the desktop's font: the
// same at the standard font or a smaller one, in proportion for a larger one.
int DesktopPixels(int pixels);

// How much larger than at the standard font the desktop's font draws: 1 at the standard font or a
// smaller one.
double DesktopScale();

// Centres window on its screen at the size it will show at.
void CentreOnScreen(QWidget* window);

// A scroll area that asks for room for its whole content and a vertical scroll bar (Qt's own asks for
// 36 x 24 lines at most): in a window sized by ResizeWithinScreen, the content scrolls only where the
// screen has no room for it.
class WholeScrollArea : public QScrollArea {
  public:
    explicit WholeScrollArea(QWidget* parent);
    [[nodiscard]] QSize sizeHint() const override;
};

// A window that scrolls what does not fit: at the size its layout asks for where the screen has room,
// else as large as the screen holds beside the window manager's frame.
void ResizeWithinScreen(QWidget* window);

// The room a control needs for its text: the size hint of labels, radio buttons, check boxes and the
// titles of group boxes; the text with its frame for push buttons and line edits (Qt's hint for these
// adds a minimum width or room for seventeen characters, which no text asks for). An empty size for
// other widgets and for empty texts.
QSize TextRoom(const QWidget* control);

// For a window whose controls stand at fixed places drawn at design for the standard font: when a text
// needs more room at the desktop's font, every place and size inside it, and its own fixed size, grow
// by the same factors, so that the window keeps its drawing, only larger.
void FitPlacesToTexts(QWidget* window, QSize design);

// The width a window's caption needs in the title bar, with the window manager's buttons beside it.
int TitleRoom(const QWidget* window);

// A window laid out by its layout: at least as wide as its caption needs (a dialog with a short text
// would otherwise have its caption cut to "ER...R" by the window manager).
void FitTitle(QWidget* window);

// A laid-out window of the fixed size design at the standard font: that size, or the larger one that
// its layout and its caption need at the desktop's font.
void FixAtLeast(QWidget* window, QSize design);

}  // namespace dedodiz
