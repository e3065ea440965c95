// SPDX-License-Identifier: BSD-3-Clause
#include "gui/HistogramWindow.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenuBar>

#include "core/UncertaintyGraph.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/PictureView.h"
#include "gui/QtText.h"
#include "gui/SavePicture.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

constexpr int kHelpTopic = 4;

}  // namespace

THistogramWindow::THistogramWindow(MessageSink& messages, QWidget* parent)
    : QMainWindow(parent), messages_(messages) {
    setObjectName(QStringLiteral("HistogramWindow"));
    setWindowTitle(QStringLiteral("Uncertainty Histograms"));
    SetHelpContext(this, kHelpTopic);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    const auto item = [&](const char* name, const QString& text, const QKeySequence& key) {
        QAction* action = edit->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        return action;
    };
    Copy1 = item("Copy1", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    SavePNG1 = item("SavePNG1", QStringLiteral("Save &PNG..."), QKeySequence(Qt::CTRL | Qt::Key_S));
    Close1 = item("Close1", QStringLiteral("C&lose"), QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(Copy1, &QAction::triggered, this, &THistogramWindow::Copy1Click);
    connect(SavePNG1, &QAction::triggered, this, &THistogramWindow::SavePNG1Click);
    connect(Close1, &QAction::triggered, this, &QWidget::close);

    Picture1 = new PictureView(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    setCentralWidget(Picture1);

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilter(QStringLiteral("PNG picture (*.png)"));
    SaveDialog1->selectFile(QStringLiteral("uncertainty.png"));
}

void THistogramWindow::ShowOutcome(const UncertaintyOutcome& outcome) {
    DrawUncertaintyHistograms(outcome, canvas_);
    Picture1->Show([outcome](Canvas& canvas) { DrawUncertaintyHistograms(outcome, canvas); });
    if (!sized_) {
        ResizeWithinScreen(this);
        sized_ = true;
    }
    show();
    raise();
    activateWindow();
}

void THistogramWindow::Copy1Click() {
    QGuiApplication::clipboard()->setImage(canvas_.Image());
}

void THistogramWindow::SavePNG1Click() {
    const auto chosen = TIOForm::Execute(SaveDialog1);
    if (chosen) SavePng(ToStd(*chosen));
}

std::string THistogramWindow::SavePng(const std::string& name) {
    return SavePicturePng(canvas_.Image(), name, messages_);
}

}  // namespace dedodiz
