// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Small makers of the controls every window builds the same way.

#include <QPushButton>
#include <QString>

namespace dedodiz {

// A push button with its control name and caption that Enter does not press unless it is made the
// dialog's default.
inline QPushButton* NamedButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace dedodiz
