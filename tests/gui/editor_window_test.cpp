// SPDX-License-Identifier: BSD-3-Clause
// The constants editor and the Constant Adjust dialog, and the main window's edit command around them.

#include <QEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "gui/Adjust.h"
#include "gui/Cedit.h"
#include "gui/IOForm.h"

namespace dedodiz::test {
namespace {

using Messages = std::vector<std::pair<std::string, std::string>>;

// Answers a file dialog with a name typed into its name field. (A name handed to selectFile does not
// reach that field while it has the focus.)
std::function<void(QFileDialog&)> SaveAs(const std::string& path) {
    return [path](QFileDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(path));
        static_cast<QDialog&>(dialog).accept();  // the file dialog's own accept, public through QDialog
    };
}

class EditorWindowTest : public GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        NewState(s);
        FillSampleTable(s);
        help = std::make_unique<THelp>(messages);
        adjust = std::make_unique<TKadjust>(s, *help, messages);
        editor = std::make_unique<TEditCon>(s, *help, *adjust, messages);
        host = std::make_unique<QWidget>();
        io = new TIOForm(host.get());
    }

    // The user clicks into a field.
    static void ClickInto(QLineEdit* edit) {
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(edit, &focus);
    }

    ProgramState s;
    MessageRecorder messages;
    std::unique_ptr<THelp> help;
    std::unique_ptr<TKadjust> adjust;
    std::unique_ptr<TEditCon> editor;
    std::unique_ptr<QWidget> host;
    TIOForm* io = nullptr;
};

TEST_F(EditorWindowTest, ABadNumberKeepsTheEditorOpenUntilItIsCorrected) {
    editor->ShowFromState();
    editor->show();
    EXPECT_EQ(editor->Label13->text(), "# 1");
    EXPECT_EQ(editor->Edit1->text(), "  9.470");

    editor->Edit5->setText("2.7q");
    for (QPushButton* button : {editor->OKBtn, editor->Button1, editor->Button2}) {
        messages.messages.clear();
        button->click();
        // The refusal names the field it stopped at, and the focus goes there.
        EXPECT_EQ(messages.messages, (Messages{{"BAD NUMBER FORMAT, TRY AGAIN\rH 3", "ERROR"}}));
        EXPECT_EQ(editor->focusWidget(), editor->Edit5);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(editor->Label13->text(), "# 1");
        EXPECT_EQ(editor->Label14->text(), "# 1");
        EXPECT_EQ(editor->Edit5->text(), "2.7q");
    }
    editor->Edit5->setText("2,7");  // a decimal comma is a point
    editor->Button1->click();
    EXPECT_EQ(editor->Edit9->text(), "BAPTA");
    EXPECT_DOUBLE_EQ(s.Constants[1].H[3], 2.7);
    editor->OKBtn->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(editor->result(), QDialog::Accepted);
}

TEST_F(EditorWindowTest, NamesAreCutToTheirFieldsAndATableNameIsStoredAsItStands) {
    s.Constants[1].MetalName[4] = "===";
    s.Constants[1].Comment[4] = "Caf\xe9";  // a comment written in a single-byte code page
    s.EditConMetal = 4;
    editor->ShowFromState();
    EXPECT_EQ(editor->MaskEdit1->text(), "===");
    ASSERT_TRUE(editor->StoreFields());
    EXPECT_EQ(s.Constants[1].MetalName[4], "===");
    EXPECT_EQ(s.Constants[1].Comment[4], "Caf\xe9");

    QTest::keyClicks(editor->Edit9, "CDTA-long");
    QTest::keyClicks(editor->MaskEdit1, "x");  // the field is full
    editor->Edit15->setText(QString::fromUtf8("Crème brûlée, 1958"));
    ASSERT_TRUE(editor->StoreFields());
    EXPECT_EQ(s.Constants[1].Name, "EGTACDT");
    EXPECT_EQ(s.Constants[1].MetalName[4], "===");
    EXPECT_EQ(s.Constants[1].Comment[4], "Crème brûlée, 195");  // 20 bytes: no character cut in half
}

TEST_F(EditorWindowTest, EditCommandAsksAgainUntilEveryFieldIsANumberThenSavesAsText) {
    ModalScript script;
    QString title;
    script
        .On<TEditCon>([](TEditCon& e) {
            e.Edit11->setText("11.5x");
            e.reject();  // the editor's close box
        })
        .On<TEditCon>([](TEditCon& e) {
            EXPECT_EQ(e.Edit11->text(), "11.5x");  // shown again as the user left it
            e.Edit11->setText("11.5");
            e.OKBtn->click();
        })
        .On<QFileDialog>(SaveAs(Path("edited.CCM")));
    RunEditConstantsCommand(s, messages, *editor, *io, [&](const QString& t) { title = t; });

    EXPECT_EQ(messages.messages,
              (Messages{{"NOT A REAL NUMBER ENTERED, TRY AGAIN\rconstant 1 (ML)", "ERROR"}}));
    const std::string saved = Path("edited.TCM");
    EXPECT_EQ(title.toStdString(), "DEDODIZ32 v2.50 using " + saved);
    EXPECT_EQ(s.ConstantsFileName.str(), saved);
    ProgramState reread;
    NewState(reread);
    EXPECT_TRUE(ReadConstantsFile(reread, saved, messages).ok());
    EXPECT_DOUBLE_EQ(reread.Constants[1].ML[1], 11.5);
}

TEST_F(EditorWindowTest, ClickingOrTypingMarksTheConstantThatAdjustWorksOn) {
    editor->ShowFromState();
    ClickInto(editor->Edit12);
    EXPECT_EQ(s.EditConField, 6);
    ClickInto(editor->Edit13);
    EXPECT_EQ(s.EditConField, 0);
    QTest::keyClicks(editor->Edit7, "1");
    EXPECT_EQ(s.EditConField, 4);
    QTest::keyClicks(editor->Edit15, "a");
    EXPECT_EQ(s.EditConField, 0);

    editor->adjust->click();
    EXPECT_EQ(messages.messages, (Messages{{"Adjust is for constants only", "INFORMATION"}}));
}

TEST_F(EditorWindowTest, AdjustAppliesTheConvertedConstantOrPutsBackTheOneBefore) {
    EXPECT_EQ(adjust->Edit3->text(), " ");
    editor->ShowFromState();
    ClickInto(editor->Edit11);
    ModalScript script;
    QString adjusted;
    script.On<TKadjust>([&](TKadjust& d) {
        EXPECT_EQ(d.Edit5->text(), " 10.970");
        EXPECT_EQ(d.Edit6->text(), " -8.100");
        EXPECT_TRUE(d.cvItem[2]->isChecked());  // EGTA has an H2
        EXPECT_TRUE(d.mvItem[2]->isChecked());  // Ca2
        EXPECT_TRUE(d.viIndirectly->isChecked());
        d.Edit1->setText("25");
        d.Edit2->setText("0,15");  // a decimal comma is a point
        d.Button1->click();
        adjusted = d.Edit3->text();
        EXPECT_NE(adjusted, " 10.970");
        d.Button3->click();
    });
    editor->adjust->click();
    EXPECT_FALSE(adjust->isVisible());
    EXPECT_EQ(editor->Edit11->text(), adjusted);    // the converted value, 7 characters
    EXPECT_DOUBLE_EQ(s.Constants[1].ML[1], 10.97);  // the table waits for the fields to be stored

    // Cancel after converting once more: the value from before the dialog comes back.
    editor->Edit11->setText("10,5");
    script.On<TKadjust>([](TKadjust& d) {
        d.Edit1->setText("37");
        d.Button1->click();
        d.Button2->click();
    });
    editor->adjust->click();
    EXPECT_EQ(editor->Edit11->text(), " 10.500");
    EXPECT_DOUBLE_EQ(s.AdjResult, 10.5);
}

TEST_F(EditorWindowTest, AdjustOffersTheValenceTheMetalNameGives) {
    editor->ShowFromState();
    editor->MaskEdit1->setText("Th4");
    ClickInto(editor->Edit12);
    ModalScript script;
    script.On<TKadjust>([](TKadjust& d) {
        EXPECT_TRUE(d.mvItem[4]->isChecked());
        EXPECT_TRUE(d.mvItem[4]->isVisibleTo(d.mv));
        EXPECT_FALSE(d.mvItem[5]->isVisibleTo(d.mv));
        EXPECT_TRUE(d.mvItem[1]->isVisibleTo(d.mv));
        d.reject();  // Escape counts as Cancel
    });
    editor->adjust->click();
    EXPECT_EQ(editor->Edit12->text(), "  5.300");
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace dedodiz::test
