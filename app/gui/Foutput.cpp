// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Foutput.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>

#include "core/Export.h"
#include "engine/Run.h"
#include "engine/SafeFile.h"
#include "gui/FileNames.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/QtText.h"

namespace dedodiz {

namespace {

QAction* MenuItem(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut) {
    QAction* item = menu->addAction(QString::fromLatin1(caption));
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    SetHelpContext(item, 4);
    return item;
}

}  // namespace

void ReportEdit::insertFromMimeData(const QMimeData* source) {
    // Qt's own insertion fails on the data of a clipboard or selection that nobody owns (a fresh
    // session): only a text is taken, and inserted at the caret over the selection.
    if (source == nullptr || !source->hasText()) return;
    const QString text = source->text();
    if (!text.isEmpty()) insertPlainText(text);
}

bool ReportEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source != nullptr && source->hasText();
}

TOutput::TOutput(ProgramState& s, MessageSink& messages, QWidget* parent)
    : QMainWindow(parent), s_(s), messages_(messages) {
    setObjectName(QStringLiteral("Output"));
    setWindowTitle(QStringLiteral("Output"));
    SetHelpContext(this, 4);
    BuildText();
    BuildMenu();
    BuildFileDialogs();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TOutput::BuildText() {
    OPP = new ReportEdit(this);
    OPP->setObjectName(QStringLiteral("OPP"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    OPP->setFont(font);
    // Black on white whatever the desktop's palette: a dark one would leave black text on dark grey.
    QPalette colours = OPP->palette();
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::Base, Qt::white);
    OPP->setPalette(colours);
    OPP->setLineWrapMode(QPlainTextEdit::NoWrap);
    OPP->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    OPP->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    OPP->setFixedSize(631, 340);
    OPP->setPlainText(QString(47, QLatin1Char('\n')));
    OPP->installEventFilter(this);
    setCentralWidget(OPP);
}

void TOutput::BuildMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    Cut1 = MenuItem(edit, "Cut1", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = MenuItem(edit, "Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = MenuItem(edit, "Paste1", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V));
    Clear1 = MenuItem(edit, "Clear1", "Clea&r", QKeySequence(Qt::Key_Delete));
    // Ctrl+A is "Add Output" here, so selecting the whole report has Ctrl+Shift+A.
    SelectAll1 = MenuItem(edit, "SelectAll1", "&Select All", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    edit->addSeparator();
    FileTXT1 = MenuItem(edit, "FileTXT1", "&File *.TXT", QKeySequence(Qt::CTRL | Qt::Key_S));
    ExportJSON1 = MenuItem(edit, "ExportJSON1", "Export results (&JSON)...", QKeySequence());
    ExportJSON1->setEnabled(false);  // until a single-point run has written its report
    AddNextRun1 = MenuItem(edit, "AddNextRun1", "&Add Output", QKeySequence(Qt::CTRL | Qt::Key_A));
    AddNextRun1->setCheckable(true);
    AddNextRun1->setChecked(s_.AddNextRun);
    Print1 = MenuItem(edit, "Print1", "Prin&t", QKeySequence(Qt::CTRL | Qt::Key_P));
    edit->addSeparator();
    Close1 = MenuItem(edit, "Close1", "C&lose", QKeySequence());
    connect(Cut1, &QAction::triggered, this, &TOutput::Cut1Click);
    connect(Copy1, &QAction::triggered, this, &TOutput::Copy1Click);
    connect(Paste1, &QAction::triggered, this, &TOutput::Paste1Click);
    connect(Clear1, &QAction::triggered, this, &TOutput::Clear1Click);
    connect(SelectAll1, &QAction::triggered, OPP, &QPlainTextEdit::selectAll);
    connect(FileTXT1, &QAction::triggered, this, [this] { SaveOutputText(); });
    connect(ExportJSON1, &QAction::triggered, this, &TOutput::ExportJSON1Click);
    connect(AddNextRun1, &QAction::triggered, this, &TOutput::AddNextRun1Click);
    connect(Print1, &QAction::triggered, this, &TOutput::PrintOutputText);
    connect(Close1, &QAction::triggered, this, &TOutput::Close1Click);
    // The switch also changes outside this window (File > New resets it).
    connect(edit, &QMenu::aboutToShow, this, [this] { AddNextRun1->setChecked(s_.AddNextRun); });
}

void TOutput::BuildFileDialogs() {
    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);

    SaveDialog2 = new QFileDialog(this);
    SaveDialog2->setObjectName(QStringLiteral("SaveDialog2"));
    SaveDialog2->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog2->setFileMode(QFileDialog::AnyFile);
    SaveDialog2->setNameFilter(QStringLiteral("JSON (*.json)"));
    SaveDialog2->selectFile(QStringLiteral("results.json"));
}

TOutput::~TOutput() = default;

void TOutput::ClearOutput() {
    OPP->clear();
    reportStart_ = -1;
}

void TOutput::AddOutputLine(std::string_view line) {
    QTextCursor cursor(OPP->document());
    cursor.movePosition(QTextCursor::End);
    // Text the user typed after the last line break is a line of its own.
    const bool openLine = OPP->document()->lastBlock().length() > 1;
    if (reportStart_ < 0) reportStart_ = OPP->document()->blockCount() - (openLine ? 0 : 1);
    QString text = ToQ(line);
    text.append(QLatin1Char('\n'));
    if (openLine) text.prepend(QLatin1Char('\n'));
    cursor.insertText(text);
}

void TOutput::ShowOutput() {
    AddNextRun1->setChecked(s_.AddNextRun);
    // A window the user minimised comes back too: a report must never arrive unseen in an icon.
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (reportStart_ >= 0) {
        const QTextBlock first = OPP->document()->findBlockByNumber(reportStart_);
        QTextCursor cursor(first.isValid() ? first : OPP->document()->firstBlock());
        OPP->setTextCursor(cursor);
        OPP->verticalScrollBar()->setValue(reportStart_);
        OPP->horizontalScrollBar()->setValue(0);
        reportStart_ = -1;
    }
}

Outcome TOutput::RunSinglePointHere(ProgramState& s, MessageSink& messages) {
    const Outcome outcome =
        Perform(s, messages, this, [&](Session& session) { return session.Run(Placement(s)); });
    if (outcome.Ran()) {
        const std::optional<double> refined =
            outcome.refined ? std::optional(outcome.residual) : std::nullopt;
        lastRunJson_ = JsonText(RunJson(s.calc(), s.ConstantsFileName.view(), outcome.messages, refined));
        ExportJSON1->setEnabled(true);
    }
    return outcome;
}

void TOutput::ExportJSON1Click() {
    const auto chosen = TIOForm::Execute(SaveDialog2);
    if (chosen) ExportRunJson(ToStd(*chosen));
}

std::string TOutput::ExportRunJson(const std::string& name) {
    if (lastRunJson_.empty()) {
        messages_.Message("No single-point run to export yet", "INFORMATION");
        return {};
    }
    const std::string target = ForceFileExt(name, ".json");
    std::string error;
    if (!WriteFileAtomically(target, lastRunJson_, &error)) {
        messages_.Message(target + ":\r" + error, "ERROR");
        return {};
    }
    return target;
}

std::vector<std::string> TOutput::Lines() const {
    QStringList pieces = OPP->toPlainText().split(QLatin1Char('\n'));
    if (!pieces.isEmpty() && pieces.back().isEmpty()) pieces.removeLast();
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(pieces.size()));
    for (const QString& piece : pieces) lines.push_back(ToStd(piece));
    return lines;
}

bool TOutput::SaveOutputText() {
    const auto chosen = TIOForm::Execute(SaveDialog1);
    if (!chosen) return false;
    return !WriteOutputText(ToStd(*chosen)).empty();
}

std::string TOutput::WriteOutputText(const std::string& name) {
    // The name is used whole: cutting a long path would write some other file.
    const std::string target = ForceFileExt(name, ".TXT");
    std::string bytes;
    for (const std::string& line : Lines()) {
        bytes += line;
        bytes += "\r\n";
    }
    std::string error;
    if (!WriteFileAtomically(target, bytes, &error)) {
        messages_.Message(WithReason("Error writing output text file", error), "ERROR");
        return {};
    }
    return target;
}

QPrinter& TOutput::Printer() {
    // Made when first needed: asking the system for its printers takes a moment.
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void TOutput::PrintOutputText() {
    Printer().setCopyCount(1);
    QPrintDialog dialog(printer_.get(), this);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    if (dialog.exec() != QDialog::Accepted) return;
    const int copies = printer_->copyCount();
    if (copies < 1) return;
    // One job per copy, as the printer sees it; the copies are not left to the printer.
    printer_->setCopyCount(1);
    const std::vector<std::string> lines = Lines();
    for (int copy = 0; copy < copies; ++copy) PrintLines(*printer_, lines);
    printer_->setCopyCount(copies);
}

int TOutput::PrintLines(QPrinter& printer, const std::vector<std::string>& lines) {
    QPainter painter;
    if (!painter.begin(&printer)) return 0;
    QFont font(QStringLiteral("Courier New"), 10, QFont::Bold);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    int pages = 1;
    int y = 0;
    for (const std::string& line : lines) {
        if (y > 0 && y + metrics.lineSpacing() > pageHeight) {
            printer.newPage();
            ++pages;
            y = 0;
        }
        painter.drawText(0, y + metrics.ascent(), ToQ(line));
        y += metrics.lineSpacing();
    }
    painter.end();
    return pages;
}

void TOutput::Cut1Click() {
    OPP->cut();
}
void TOutput::Copy1Click() {
    OPP->copy();
}
void TOutput::Paste1Click() {
    OPP->paste();
}
void TOutput::Clear1Click() {
    OPP->textCursor().removeSelectedText();
}

void TOutput::AddNextRun1Click() {
    s_.AddNextRun = !s_.AddNextRun;
    AddNextRun1->setChecked(s_.AddNextRun);
}

void TOutput::Close1Click() {
    hide();
}

bool TOutput::eventFilter(QObject* watched, QEvent* event) {
    // The text field would take Ctrl+A for "select all"; in this window it is the "Add Output" switch.
    if (watched == OPP && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace dedodiz
