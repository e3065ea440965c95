// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The holder of the main window's four file dialogs; it is never shown itself.

#include <QObject>
#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace dedodiz {

class TIOForm : public QObject {
    Q_OBJECT

  public:
    // The dialogs stand over parent.
    explicit TIOForm(QWidget* parent);

    // Shows dialog modally; the chosen file, or nullopt when the user cancelled.
    static std::optional<QString> Execute(QFileDialog* dialog);

    QFileDialog* OpenDialog1;  // open a constants file
    QFileDialog* SaveDialog1;  // save the constants table
    QFileDialog* OpenDialog2;  // load work settings
    QFileDialog* SaveDialog2;  // save work settings
};

}  // namespace dedodiz
