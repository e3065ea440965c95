// SPDX-License-Identifier: BSD-3-Clause
#include "gui/IOForm.h"

#include <QFileDialog>
#include <QStringList>

#include "files/DataPaths.h"

namespace dedodiz {

namespace {

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
    if (const std::string bundled = BundledDataFolder(); !bundled.empty())
        OpenDialog1->setDirectory(QString::fromStdString(bundled));
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

std::optional<QString> TIOForm::Execute(QFileDialog* dialog) {
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return files.front();
}

}  // namespace dedodiz
