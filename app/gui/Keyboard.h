// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Reaching a window's controls from the keyboard: the Alt+letters its captions claim, a letter for a
// caption made at run time (a row per chelator or metal), and Tab in the order the controls are laid out.

#include <QChar>
#include <QString>
#include <set>
#include <vector>

class QWidget;

namespace dedodiz {

// The letters and digits (lower case) that the captions of window's own controls take as their
// Alt+key: labels with a buddy, buttons, check boxes, radio buttons and group-box titles.
std::set<QChar> TakenMnemonics(const QWidget* window);

// caption with its first letter that taken does not hold made its Alt+key, which is then taken; where
// every letter of caption is taken, the first free letter or digit in brackets after it ("Sr2 (&k)").
// caption itself when nothing is free.
QString WithMnemonic(const QString& caption, std::set<QChar>& taken);

// Tab goes from each control to the next in controls (null entries left out).
void ChainTabOrder(const std::vector<QWidget*>& controls);

}  // namespace dedodiz
