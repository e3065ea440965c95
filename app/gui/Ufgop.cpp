// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Ufgop.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>

#include "core/Bmp.h"
#include "core/Export.h"
#include "core/Graph.h"
#include "core/Sweep.h"
#include "core/SweepTable.h"
#include "engine/SafeFile.h"
#include "gui/Axis.h"
#include "gui/FileNames.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/QtText.h"
#include "gui/SavePicture.h"

namespace dedodiz {

namespace {

constexpr int kHelpTopic = 4;

}  // namespace

TFGOP::TFGOP(ProgramState& s, OutputSink& output, MessageSink& messages, QWidget* parent)
    : QMainWindow(parent), s_(s), output_(output), messages_(messages) {
    setObjectName(QStringLiteral("FGOP"));
    setWindowTitle(QStringLiteral("Graph Output"));
    SetHelpContext(this, kHelpTopic);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    const auto item = [&](const char* name, const QString& text, const QKeySequence& key) {
        QAction* action = edit->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        SetHelpContext(action, kHelpTopic);
        return action;
    };
    Copy1 = item("Copy1", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    Save1 = item("Save1", QStringLiteral("&Save *.BMP"), QKeySequence(Qt::CTRL | Qt::Key_S));
    SavePNG1 = item("SavePNG1", QStringLiteral("Save &PNG..."), QKeySequence());
    ExportCSV1 = item("ExportCSV1", QStringLiteral("E&xport CSV..."), QKeySequence());
    SaveTXT1 = item("SaveTXT1", QStringLiteral("to &Output"), QKeySequence());
    Close1 = item("Close1", QStringLiteral("&Close"), QKeySequence());
    connect(Copy1, &QAction::triggered, this, &TFGOP::Copy1Click);
    connect(Save1, &QAction::triggered, this, &TFGOP::Save1Click);
    connect(SavePNG1, &QAction::triggered, this, &TFGOP::SavePNG1Click);
    connect(ExportCSV1, &QAction::triggered, this, &TFGOP::ExportCSV1Click);
    connect(SaveTXT1, &QAction::triggered, this, &TFGOP::SaveTXT1Click);
    connect(Close1, &QAction::triggered, this, &TFGOP::Close1Click);

    GOP = new QLabel(this);
    GOP->setObjectName(QStringLiteral("GOP"));
    GOP->setFixedSize(kGraphWidth, kGraphHeight);
    GOP->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCentralWidget(GOP);
    ShowPicture();

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilter(QStringLiteral("Bitmap (*.BMP)"));
    SaveDialog1->selectFile(QStringLiteral("*.BMP"));

    const auto saveDialog = [&](const char* name, const QString& filter, const QString& initial) {
        auto* dialog = new QFileDialog(this);
        dialog->setObjectName(QString::fromLatin1(name));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilter(filter);
        dialog->selectFile(initial);
        return dialog;
    };
    SaveDialog2 =
        saveDialog("SaveDialog2", QStringLiteral("PNG picture (*.png)"), QStringLiteral("sweep.png"));
    SaveDialog3 = saveDialog("SaveDialog3", QStringLiteral("CSV table (*.csv)"), QStringLiteral("sweep.csv"));
    // The window holds its menu and the picture, no more: the 641 x 487 of the Windows program are the
    // picture with that system's frame, caption and menu around it.
}

void TFGOP::ShowPicture() {
    GOP->setPixmap(QPixmap::fromImage(canvas_.Image()));
}

void TFGOP::DrawSweep() {
    DrawGraph(s_, canvas_);
    ShowPicture();
    show();
    raise();
    activateWindow();
}

void TFGOP::Copy1Click() {
    QGuiApplication::clipboard()->setImage(canvas_.Image());
}

void TFGOP::Save1Click() {
    const auto chosen = TIOForm::Execute(SaveDialog1);
    if (chosen) SaveBitmap(ToStd(*chosen));
}

std::string TFGOP::SaveBitmap(const std::string& name) {
    // The name is used whole: cutting a long path would write some other file.
    const std::string target = ForceFileExt(name, ".BMP");
    std::string error;
    if (!SaveBmp(target, canvas_.Pixels(), error)) {
        messages_.Message(target + ":\r" + error, "ERROR");
        return {};
    }
    return target;
}

void TFGOP::SavePNG1Click() {
    const auto chosen = TIOForm::Execute(SaveDialog2);
    if (chosen) SavePng(ToStd(*chosen));
}

void TFGOP::ExportCSV1Click() {
    const auto chosen = TIOForm::Execute(SaveDialog3);
    if (chosen) ExportCsv(ToStd(*chosen));
}

std::string TFGOP::WriteExport(const std::string& target, std::string_view bytes) {
    std::string error;
    if (!WriteFileAtomically(target, bytes, &error)) {
        messages_.Message(target + ":\r" + error, "ERROR");
        return {};
    }
    return target;
}

std::string TFGOP::SavePng(const std::string& name) {
    return SavePicturePng(canvas_.Image(), name, messages_);
}

std::string TFGOP::ExportCsv(const std::string& name) {
    return WriteExport(ForceFileExt(name, ".csv"), SweepCsv(s_));
}

void TFGOP::SaveTXT1Click() {
    WriteSweepTable(s_, Placement(s_), output_);
    output_.ShowOutput();
}

void TFGOP::Close1Click() {
    close();
}

void Run2DCommand(ProgramState& s, TFAXIS& axis, TFGOP& graph, MessageSink& messages) {
    axis.SetUpAxis(s.XAxis, QStringLiteral("X-AXIS"), QStringLiteral("2D"));
    const SweepRequest request{s.XAxis, std::nullopt};
    if (Perform(s, messages, nullptr, [&](Session& session) { return session.Sweep(request); }).Ran())
        graph.DrawSweep();
}

void Run3DCommand(ProgramState& s, TFAXIS& axis, TFGOP& graph, MessageSink& messages) {
    axis.SetUpAxis(s.XAxis, QStringLiteral("X-AXIS"), QStringLiteral("3D"));
    axis.SetUpAxis(s.ZAxis, QStringLiteral("Z-AXIS"), QStringLiteral("3D"));
    const SweepRequest request{s.XAxis, s.ZAxis};
    if (Perform(s, messages, nullptr, [&](Session& session) { return session.Sweep(request); }).Ran())
        graph.DrawSweep();
}

}  // namespace dedodiz
