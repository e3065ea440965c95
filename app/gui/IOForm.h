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

    // Shows dialog modally; the chosen file, or nullopt when the user cancelled. Every file dialog of
    // the program goes through here, so that each starts where the user last chose a file in this run
    // (else the current folder, else the home folder) and never among the program's own files (the
    // bundled data and examples), where a save would overwrite them. Only a dialog marked with
    // StartInBundledData starts there while the user has chosen no file yet. A save over one of the
    // program's own files asks first; "No" returns to the dialog.
    static std::optional<QString> Execute(QFileDialog* dialog);
    // Marks an open dialog for data files that a newcomer finds in the bundled data.
    static void StartInBundledData(QFileDialog* dialog);
    // Where the next dialog starts, as above.
    static QString StartFolder();
    // Forgets the folder last chosen (for tests, which each start as a new run).
    static void ForgetFolder();

    QFileDialog* OpenDialog1;  // open a constants file
    QFileDialog* SaveDialog1;  // save the constants table
    QFileDialog* OpenDialog2;  // load work settings
    QFileDialog* SaveDialog2;  // save work settings
};

}  // namespace dedodiz
