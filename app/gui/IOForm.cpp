// SPDX-License-Identifier: BSD-3-Clause
#include "gui/IOForm.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>

#include "files/DataPaths.h"

namespace dedodiz {

namespace {

const char* const kBundledStartProperty = "StartsInBundledData";

// The folder of the file the user last chose in any file dialog of this run; empty before the first.
QString& LastFolder() {
    static QString folder;
    return folder;
}

bool Bundled(const QString& path) {
    return !path.isEmpty() && IsBundledPath(path.toStdString());
}

// Asked before a save goes over a file that came with the program.
bool ConfirmBundledSave(QWidget* parent, const QString& file) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Save over a file of the program?"),
                    QStringLiteral("%1\ncomes with the program. Saving over it changes it for every later "
                                   "use of the program.\n\nSave over it?")
                        .arg(QDir::toNativeSeparators(file)),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

// The file systems here tell upper from lower case, so each pattern lists both spellings.
const QStringList kConstantsFilters{QStringLiteral("New Constants (*.TCM *.tcm)"),
                                    QStringLiteral("Old Constants (*.CCM *.ccm)")};
const QStringList kWorkFilters{QStringLiteral("work (*.STG *.stg)")};

QFileDialog* MakeDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode,
                        const QStringList& filters) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setNameFilters(filters);
    return dialog;
}

}  // namespace

TIOForm::TIOForm(QWidget* parent) : QObject(parent) {
    setObjectName(QStringLiteral("IOForm"));
    OpenDialog1 = MakeDialog(parent, "OpenDialog1", QFileDialog::AcceptOpen, kConstantsFilters);
    OpenDialog1->setWindowTitle(QStringLiteral("Open"));
    // A newcomer starts in the bundled data: a double-click on its table opens it.
    StartInBundledData(OpenDialog1);
    SaveDialog1 = MakeDialog(parent, "SaveDialog1", QFileDialog::AcceptSave, kConstantsFilters);
    SaveDialog1->setDefaultSuffix(QStringLiteral("TCM"));
    // A name typed without an extension gets the one of the kind chosen in the filter.
    connect(SaveDialog1, &QFileDialog::filterSelected, SaveDialog1, [this](const QString& filter) {
        SaveDialog1->setDefaultSuffix(filter == kConstantsFilters[1] ? QStringLiteral("CCM")
                                                                     : QStringLiteral("TCM"));
    });
    OpenDialog2 = MakeDialog(parent, "OpenDialog2", QFileDialog::AcceptOpen, kWorkFilters);
    SaveDialog2 = MakeDialog(parent, "SaveDialog2", QFileDialog::AcceptSave, kWorkFilters);
}

void TIOForm::StartInBundledData(QFileDialog* dialog) {
    dialog->setProperty(kBundledStartProperty, true);
}

QString TIOForm::StartFolder() {
    const QString last = LastFolder();
    if (!last.isEmpty() && !Bundled(last) && QFileInfo(last).isDir()) return last;
    const QString current = QDir::currentPath();
    if (!Bundled(current)) return current;
    return QDir::homePath();
}

void TIOForm::ForgetFolder() {
    LastFolder().clear();
}

std::optional<QString> TIOForm::Execute(QFileDialog* dialog) {
    // The name offered in the name field (a default like "results.json") stays offered in the new folder.
    auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString offered = nameField != nullptr ? nameField->text() : QString();
    const QString bundled = QString::fromStdString(BundledDataFolder());
    if (LastFolder().isEmpty() && dialog->property(kBundledStartProperty).toBool() && !bundled.isEmpty())
        dialog->setDirectory(bundled);
    else
        dialog->setDirectory(StartFolder());
    if (!offered.isEmpty()) dialog->selectFile(QFileInfo(offered).fileName());
    for (;;) {
        if (dialog->exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog->selectedFiles();
        if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
        const QString& file = files.front();
        LastFolder() = QFileInfo(file).absolutePath();
        const bool save = dialog->acceptMode() == QFileDialog::AcceptSave;
        if (save && Bundled(file) && QFileInfo::exists(file) &&
            !ConfirmBundledSave(dialog->parentWidget(), file)) {
            // Back to the dialog, in a folder of the user's, with the name still offered.
            dialog->setDirectory(StartFolder());
            dialog->selectFile(QFileInfo(file).fileName());
            continue;
        }
        return file;
    }
}

}  // namespace dedodiz
