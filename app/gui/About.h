// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The about box, and the program's picture that it shares with the window icon.

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace dedodiz {

// A metal ion held in the ring of a chelator, drawn at size x size pixels.
QPixmap ProgramPicture(int size);

class TAboutBox : public QDialog {
    Q_OBJECT

  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Label32;
    QLabel* Version;
    QPushButton* OKButton;
};

}  // namespace dedodiz
