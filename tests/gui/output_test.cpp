// SPDX-License-Identifier: BSD-3-Clause
// The output window: the line model the reports write to, the Add Output switch, saving and printing.

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QTextCursor>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "gui/Foutput.h"
#include "gui/MessageBoxes.h"

namespace dedodiz::test {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class OutputTest : public GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        output_ = std::make_unique<TOutput>(s_, messages_);
    }
    void TearDown() override {
        output_.reset();
        GuiTest::TearDown();
    }
    ProgramState s_;
    MessageBoxes messages_;
    std::unique_ptr<TOutput> output_;
};

TEST_F(OutputTest, ReportsReplaceOrExtendTheLinesAndTheUsersTypingStaysALine) {
    EXPECT_EQ(output_->Lines(), std::vector<std::string>(47, ""));  // the text at start-up

    output_->ClearOutput();
    EXPECT_TRUE(output_->Lines().empty());
    output_->AddOutputLine("first  ");
    output_->AddOutputLine("");
    output_->AddOutputLine(" ");
    EXPECT_EQ(output_->Lines(), (std::vector<std::string>{"first  ", "", " "}));

    // Text typed after the last line break is a line of its own, not the start of the next one.
    output_->OPP->moveCursor(QTextCursor::End);
    output_->OPP->insertPlainText(QStringLiteral("typed"));
    output_->AddOutputLine("next");
    EXPECT_EQ(output_->Lines(), (std::vector<std::string>{"first  ", "", " ", "typed", "next"}));

    output_->AddOutputLine("°C");
    EXPECT_EQ(output_->Lines().back(), "°C");
}

TEST_F(OutputTest, AddOutputTogglesTheSwitchAndItsCheckMark) {
    output_->AddNextRun1->trigger();
    EXPECT_TRUE(s_.AddNextRun);
    EXPECT_TRUE(output_->AddNextRun1->isChecked());
    output_->AddNextRun1->trigger();
    EXPECT_FALSE(s_.AddNextRun);
    EXPECT_FALSE(output_->AddNextRun1->isChecked());

    s_.AddNextRun = true;  // set elsewhere (File > New resets it): the mark follows when shown
    output_->ShowOutput();
    EXPECT_TRUE(output_->AddNextRun1->isChecked());

    // Ctrl+A in the text is the switch, not "select all".
    QApplication::setActiveWindow(output_.get());
    output_->OPP->setFocus();
    QTest::keyClick(output_->OPP, Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(s_.AddNextRun);
    EXPECT_FALSE(output_->OPP->textCursor().hasSelection());
    // Selecting the whole report is Edit > Select All, with Ctrl+Shift+A.
    QTest::keyClick(output_->OPP, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(output_->OPP->textCursor().selectedText().size(),
              output_->OPP->document()->characterCount() - 1);
}

// A report that arrives while the user has minimised the window brings it back, in front.
TEST_F(OutputTest, AReportRestoresAMinimisedWindow) {
    output_->ShowOutput();
    output_->showMinimized();
    ASSERT_TRUE(output_->isMinimized());
    output_->ShowOutput();
    EXPECT_FALSE(output_->isMinimized());
    EXPECT_TRUE(output_->isVisible());
}

TEST_F(OutputTest, PastingWithNothingToPasteChangesNothingAndATextGoesInAtTheCaret) {
    // A fresh session: neither the clipboard nor the selection has an owner or any data.
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
    QGuiApplication::clipboard()->clear(QClipboard::Selection);
    output_->ClearOutput();
    output_->AddOutputLine("report");
    const std::vector<std::string> before = output_->Lines();
    output_->Paste1Click();
    QMimeData nothing;
    QMimeData picture;
    picture.setImageData(QImage(4, 4, QImage::Format_RGB32));
    for (const QMimeData* data : std::initializer_list<const QMimeData*>{nullptr, &nothing, &picture}) {
        EXPECT_FALSE(output_->OPP->canInsertFromMimeData(data));
        output_->OPP->insertFromMimeData(data);
    }
    EXPECT_EQ(output_->Lines(), before);

    QGuiApplication::clipboard()->setText(QStringLiteral("pasted "));
    output_->OPP->moveCursor(QTextCursor::Start);
    output_->Paste1Click();
    EXPECT_EQ(output_->Lines(), (std::vector<std::string>{"pasted report"}));
}

TEST_F(OutputTest, SecondRunReplacesTheReportUnlessAddOutputIsTicked) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    FillSampleTable(s);
    s.ChelatorChosen[1] = s.MetalChosen[1] = true;
    MessageRecorder ignored;
    BuildSelection(s, s, s.Solution, ignored);
    s.Solution.PH = 7.2;
    s.Solution.ChelTotal[1] = 2e-3;
    s.Solution.MetalTotal[1] = 1e-3;

    main.N1D1Click();
    const std::size_t one = main.Output->Lines().size();
    main.N1D1Click();
    EXPECT_EQ(main.Output->Lines().size(), one);
    main.Output->AddNextRun1->trigger();
    main.N1D1Click();
    EXPECT_EQ(main.Output->Lines().size(), 2 * one);
}

TEST_F(OutputTest, SavedTextHoldsExactlyTheLinesWithCrLfUnderTheExtensionTxt) {
    output_->ClearOutput();
    for (int i = 1; i <= 300; ++i)
        output_->AddOutputLine("line " + std::to_string(i) + (i == 300 ? "  " : ""));

    ModalScript script;
    script.File(QString::fromStdString(Path("report.dat")));
    ASSERT_TRUE(output_->SaveOutputText());
    const std::string bytes = ReadBytes(Path("report.TXT"));
    EXPECT_EQ(bytes.substr(0, 14), "line 1\r\nline 2");
    EXPECT_EQ(bytes.substr(bytes.size() - 12), "line 300  \r\n");
    std::size_t lines = 0;
    for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 300u);

    EXPECT_EQ(output_->WriteOutputText(Path("report.txt")), Path("report.txt"));
}

TEST_F(OutputTest, AFailedSaveSaysSoAndLeavesWhatWasThere) {
    // A folder that does not exist, and a name that is taken by a folder holding a file.
    std::filesystem::create_directory(Path("taken.TXT"));
    std::ofstream(Path("taken.TXT/inside")) << "old";
    ModalScript script;
    script.Message().Message();
    EXPECT_EQ(output_->WriteOutputText(Path("missing/report")), "");
    EXPECT_EQ(output_->WriteOutputText(Path("taken")), "");
    ASSERT_EQ(script.messages.size(), 2u);
    for (const ShownMessage& shown : script.messages) {
        EXPECT_EQ(shown.text.substr(0, shown.text.find('\n')), "Error writing output text file");
        EXPECT_EQ(shown.caption, "ERROR");
    }
    EXPECT_EQ(ReadBytes(Path("taken.TXT/inside")), "old");
}

TEST_F(OutputTest, ClearDeletesTheSelectionOnly) {
    output_->ClearOutput();
    output_->AddOutputLine("abc");
    output_->Clear1Click();
    EXPECT_EQ(output_->Lines(), std::vector<std::string>{"abc"});
    QTextCursor cursor(output_->OPP->document());
    cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 2);
    output_->OPP->setTextCursor(cursor);
    output_->Clear1Click();
    EXPECT_EQ(output_->Lines(), std::vector<std::string>{"c"});
}

TEST_F(OutputTest, PrintingGivesOneLinePerLineAndNewPagesWhenFull) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 300; ++i) lines.push_back("line " + std::to_string(i));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(Path("print.pdf")));
    const int pages = TOutput::PrintLines(printer, lines);
    EXPECT_GE(pages, 4);  // 10 pt lines: some 60 to 70 a page
    EXPECT_LE(pages, 6);
    const std::string pdf = ReadBytes(Path("print.pdf"));
    int pageObjects = 0;
    for (std::size_t at = pdf.find("/Type /Page\n"); at != std::string::npos;
         at = pdf.find("/Type /Page\n", at + 1))
        ++pageObjects;
    if (pageObjects > 0) {
        EXPECT_EQ(pageObjects, pages);
    }
    EXPECT_EQ(TOutput::PrintLines(printer, {}), 1);  // an empty text is one blank page
}

TEST_F(OutputTest, PrintingToAPdfFileThroughThePrintDialogWritesTheText) {
    output_->ClearOutput();
    for (int i = 1; i <= 100; ++i) output_->AddOutputLine("line " + std::to_string(i));
    output_->Printer().setOutputFileName(QString::fromStdString(Path("dialog.pdf")));
    ModalScript script;
    script.On<QPrintDialog>([](QPrintDialog& dialog) {
        EXPECT_EQ(dialog.printer()->copyCount(), 1);
        dialog.accept();
    });
    output_->PrintOutputText();
    const std::string pdf = ReadBytes(Path("dialog.pdf"));
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("/Type /Page"), std::string::npos);
}

TEST_F(OutputTest, CancelledPrintDialogPrintsNothing) {
    ModalScript script;
    script.On<QPrintDialog>([](QPrintDialog& dialog) {
        EXPECT_EQ(dialog.printer()->copyCount(), 1);
        dialog.reject();
    });
    output_->PrintOutputText();
    EXPECT_EQ(output_->Lines().size(), 47u);
}

TEST(MessageBoxText, CarriageReturnsBreakTheLine) {
    EXPECT_EQ(MessageBoxText("BUFFERING OUT OF RANGE\rIt will be very hard"),
              QStringLiteral("BUFFERING OUT OF RANGE\nIt will be very hard"));
    EXPECT_EQ(MessageBoxText("a\r\nb\rc"), QStringLiteral("a\nb\nc"));
}

}  // namespace
}  // namespace dedodiz::test
