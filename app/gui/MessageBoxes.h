// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Messages to the user as modal message boxes: the caption as the title, the text with every carriage
// return breaking the line, one OK button and no icon.

#include <QString>

#include "engine/Sinks.h"

class QWidget;

namespace dedodiz {

class MessageBoxes : public MessageSink {
  public:
    void Message(std::string_view text, std::string_view caption) override;
};

// The text of a message as the box shows it: each '\r' (and a "\r\n" pair) becomes one line break.
QString MessageBoxText(std::string_view text);

// The window that a message box or dialog should stand over: the active modal dialog, else the active
// window; nullptr when the program has none.
QWidget* MessageParent();

}  // namespace dedodiz
