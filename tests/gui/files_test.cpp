// SPDX-License-Identifier: BSD-3-Clause
// Where the file dialogs start, the program's own files kept from being saved over, and files dropped
// on the main window.

#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "files/DataPaths.h"
#include "gui/Bufcalc.h"
#include "gui/Foutput.h"
#include "gui/IOForm.h"

namespace dedodiz::test {
namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) return true;
    return false;
}

QString Canonical(const QString& folder) {
    return QDir(folder).canonicalPath();
}

// A file dialog that must start in folder; it is then answered with name (cancelled when empty).
std::function<void(QFileDialog&)> StartsIn(const QString& folder, const QString& name = {}) {
    return [folder, name](QFileDialog& dialog) {
        EXPECT_EQ(Canonical(dialog.directory().absolutePath()), Canonical(folder))
            << dialog.objectName().toStdString();
        if (name.isEmpty()) {
            dialog.reject();
            return;
        }
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        static_cast<QDialog&>(dialog).accept();
    };
}

// After a file of the bundled data was opened, no dialog starts there; a save over the bundled table
// asks first, and "No" leaves it as it was; the buffer window closed with changes offers its file's
// name in the user's folder, not the bundled file.
TEST_F(GuiTest, FileDialogsNeverStartAmongTheProgramsOwnFiles) {
    const QString bundled = QString::fromStdString(BundledDataFolder());
    const std::string table = BundledConstantsFile();
    ASSERT_FALSE(table.empty());
    const std::string before = Bytes(table);
    const QString here = QDir::currentPath();
    ModalScript script;
    TTULV& main = Start();

    // A newcomer's File > Open starts in the bundled data.
    script.On<QFileDialog>(StartsIn(bundled, QString::fromStdString(table)));
    main.Open1Click();
    ASSERT_EQ(main.state().Constants[1].Name, "EGTA");
    for (auto command : {&TTULV::WorkSaveAs1Click, &TTULV::WorkLoad1Click}) {
        script.On<QFileDialog>(StartsIn(here));
        (main.*command)();
    }
    // Save As over the bundled table: the dialog's own question, then the program's; "No" comes back
    // to the dialog.
    script.On<QFileDialog>(StartsIn(here, QString::fromStdString(table)))
        .On<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); })
        .On<QMessageBox>([](QMessageBox& box) {
            EXPECT_TRUE(box.text().contains(QStringLiteral("comes with the program")));
            EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
            box.button(QMessageBox::No)->click();
        })
        .On<QFileDialog>(StartsIn(here));
    main.SaveAs1Click();
    EXPECT_EQ(Bytes(table), before);

    // The buffer window: loaded from the bundled file, changed, closed.
    const std::string buffers = FindDataFile("buffers.bcm");
    script.On<QFileDialog>(StartsIn(here, QString::fromStdString(buffers)));
    main.Bufcalc->Button4Click();
    ASSERT_TRUE(main.state().BufferLoaded);
    main.state().BufferModified = true;
    script.On<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(Canonical(dialog.directory().absolutePath()), Canonical(here));
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), "buffers.bcm");
        dialog.reject();
    });
    main.Bufcalc->show();
    main.Bufcalc->close();
}

void Drop(QWidget& window, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    ASSERT_TRUE(enter.isAccepted()) << path;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
}

TEST_F(GuiTest, DroppedFilesLoadAsTheirCommandsLoadThem) {
    const std::string constants = WriteSampleConstants();
    const std::string work = WriteWorkFile(constants, "dropped.stg");
    ModalScript script;
    TTULV& main = Start();
    Drop(main, constants);
    EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 2.50 - " + constants);
    main.Output->ClearOutput();
    Drop(main, work);
    EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 v2.50 using " + constants);
    EXPECT_TRUE(Contains(main.Output->Lines(), "CHELATOR METAL COMPLEXES:"));
    Drop(main, FindDataFile("buffers.bcm"));
    EXPECT_TRUE(main.Bufcalc->isVisible());
    EXPECT_TRUE(main.state().BufferLoaded);
    EXPECT_FALSE(main.OpenDroppedFile(QString::fromStdString(Path("notes.txt"))));
}

}  // namespace
}  // namespace dedodiz::test
