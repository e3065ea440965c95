// SPDX-License-Identifier: BSD-3-Clause
// ZozaveVavo, the pH buffer calculator's window: its edit rules, slots, calculations and buffer files.

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "buffers/BufferFile.h"
#include "buffers/BufferModel.h"
#include "gui/Bufcalc.h"

namespace dedodiz::test {
namespace {

using Messages = std::vector<std::pair<std::string, std::string>>;

// Answers a file dialog with a name typed into its name field. (A name handed to selectFile does not
// reach that field while it has the focus.)
std::function<void(QFileDialog&)> Choose(const std::string& path) {
    return [path](QFileDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(path));
        static_cast<QDialog&>(dialog).accept();  // the file dialog's own accept, public through QDialog
    };
}

// Records the messages and lets a test look at the window while each one is up.
struct WatchedMessages : MessageRecorder {
    std::function<void()> whileShown;
    void Message(std::string_view text, std::string_view caption) override {
        MessageRecorder::Message(text, caption);
        if (whileShown) whileShown();
    }
};

class BufcalcTest : public GuiTest {
  protected:
    void SetUp() override {
        GuiTest::SetUp();
        NewState(s);
        help = std::make_unique<THelp>(messages);
        window = std::make_unique<TZozaveVavo>(s, *help, messages, output);
    }

    // A buffer file of two slots: a monoprotic anionic one and a cationic one with two steps.
    std::string WriteBuffers(const char* name = "two.bcm") {
        ProgramState b;
        NewState(b);
        ResetBufferSlotsForLoad(b);
        b.BufferSlots[1].Name = "HEPES";
        b.BufferSlots[1].pKa[1] = 7.55;
        b.BufferSlots[1].dpKa[1] = -0.014;
        b.BufferSlots[1].comments = "Good buffer";
        b.BufferSlots[2].Name = "Tris&Co";
        b.BufferSlots[2].pKa = {};
        b.BufferSlots[2].pKa[1] = 8.1;
        b.BufferSlots[2].pKa[2] = 6.2;
        b.BufferSlots[2].anionic = false;
        EXPECT_TRUE(WriteBufferFile(b, Path(name), messages));
        return Path(name);
    }

    ProgramState s;
    WatchedMessages messages;
    OutputRecorder output;
    std::unique_ptr<THelp> help;
    std::unique_ptr<TZozaveVavo> window;
};

TEST_F(BufcalcTest, CreationTakesTheSolutionsConditionsAndLeavesTheGridAsDesigned) {
    EXPECT_EQ(window->windowTitle(), "ZozaveVavo");
    EXPECT_EQ(window->size(), QSize(549, 442));
    EXPECT_EQ(window->ET->text(), "  20.0");
    EXPECT_EQ(window->EP->text(), " 7.000");
    EXPECT_EQ(window->EI->text(), " 0.100");
    EXPECT_EQ(window->EK->text(), "7.00");
    EXPECT_TRUE(window->RadioGroup1Item[1]->isChecked());
    EXPECT_EQ(s.BufferSlots[12].Name, " ");
    EXPECT_DOUBLE_EQ(s.BufferSlots[12].ipKa[3], 0.1);
    EXPECT_FALSE(s.BufferModified);
    EXPECT_FALSE(window->isVisible());

    // The grid shows 7.00 but slot 1 holds its defaults until it is shown.
    window->Button1->click();
    EXPECT_EQ(messages.messages, (Messages{{"pKa[1] must be > 0", "ERROR"}}));
    EXPECT_EQ(window->Label10->text(), "7.00");
}

TEST_F(BufcalcTest, TextsThatAreNoNumbersGiveWayToErrorOrTheMinimum) {
    struct Case {
        QLineEdit* TZozaveVavo::*edit;
        const char* typed;
        const char* shown;
        const double* stored;
        double expected;
        bool modifies;
    };
    const TBufferSlot& slot1 = s.BufferSlots[1];
    const TBufferRecord& record = s.BufferRecord;
    const Case cases[] = {
        {&TZozaveVavo::EK, "", "ERROR", &slot1.pKa[1], 0, true},
        {&TZozaveVavo::ET, "2O", "ERROR", &record.Temperature, 20, false},
        {&TZozaveVavo::ET, "37", "37", &s.Solution.Temperature, 37, false},
        {&TZozaveVavo::EP, "7,4", "7,4", &s.Solution.PH, 7.4, false},  // a decimal comma is a point
        {&TZozaveVavo::EP, "7,4.1", "ERROR", &s.Solution.PH, 7, false},
        {&TZozaveVavo::EI, "0", "0.001", &s.Solution.IonicEquiv, 0.001, false},
        {&TZozaveVavo::EI, "-2", "0.001", &record.Ionic, 0.001, false},
        {&TZozaveVavo::EI, "N", "ERROR", &s.Solution.IonicEquiv, 0.1, false},
        {&TZozaveVavo::Edit8, "-0.5", "0.001", &slot1.ipKa[2], 0.001, true},
        {&TZozaveVavo::Edit8, "x", "0.001", &slot1.ipKa[2], 0.001, true},
        {&TZozaveVavo::Edit5, "25 C", "ERROR", &slot1.temperature[3], 0, true},
        {&TZozaveVavo::Edit12, "1e-2", "1e-2", &slot1.dipKa[3], 0.01, true},
        {&TZozaveVavo::EA, ".", "ERROR", &record.BufferAmount, 0, true},
    };
    for (const Case& c : cases) {
        s.BufferModified = false;
        QLineEdit* edit = (*window).*c.edit;
        edit->setText(QString::fromLatin1(c.typed));
        const std::string what = edit->objectName().toStdString() + " \"" + c.typed + "\"";
        EXPECT_EQ(edit->text().toStdString(), c.shown) << what;
        EXPECT_DOUBLE_EQ(*c.stored, c.expected) << what;
        EXPECT_EQ(s.BufferModified, c.modifies) << what;
    }
    EXPECT_TRUE(messages.messages.empty());  // replaced in place, never a message
}

TEST_F(BufcalcTest, WhileTheUserTypesTheReplacementWaitsUntilTheFieldIsLeft) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->EI->setFocus();
    window->EI->selectAll();
    QTest::keyClicks(window->EI, "0.25");  // "0" on its way is no ionic strength
    EXPECT_EQ(window->EI->text(), "0.25");
    EXPECT_DOUBLE_EQ(s.Solution.IonicEquiv, 0.25);

    window->EI->selectAll();
    QTest::keyClicks(window->EI, "0");
    EXPECT_EQ(window->EI->text(), "0");
    EXPECT_DOUBLE_EQ(s.Solution.IonicEquiv, 0.001);  // stored at once
    window->EA->setFocus();
    EXPECT_EQ(window->EI->text(), "0.001");
    EXPECT_DOUBLE_EQ(s.BufferRecord.Ionic, 0.001);
}

TEST_F(BufcalcTest, SaltFormsThatTheBufferLacksAreHiddenAndGiveWayToMono) {
    window->Edit1->setText("6.5");
    window->Edit4->setText("4");
    window->RadioButton2->click();  // tri
    EXPECT_EQ(s.BufferRecord.SaltForm, 3);

    window->Edit4->setText("0");
    EXPECT_TRUE(window->RadioButton2->isHidden());
    EXPECT_TRUE(window->RSalt->isChecked());
    EXPECT_EQ(s.BufferRecord.SaltForm, 1);

    window->RadioButton1->click();  // di, still offered
    window->Edit4->setText("0.00");
    EXPECT_EQ(s.BufferRecord.SaltForm, 2);
    EXPECT_TRUE(window->RadioButton1->isChecked());

    window->Edit1->setText("0");  // the second pKa goes: "di" too
    EXPECT_TRUE(window->RadioButton1->isHidden());
    EXPECT_TRUE(window->RSalt->isChecked());
    EXPECT_EQ(s.BufferRecord.SaltForm, 1);
}

TEST_F(BufcalcTest, NamesShowWholeInTheSelectorAndAreStoredAsFifteen) {
    window->Edit13->setText("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(window->RadioGroup1Item[1]->text(), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(s.BufferSlots[1].Name, "ABCDEFGHIJKLMNO");

    window->RadioGroup1Item[4]->click();
    EXPECT_EQ(window->Edit13->text(), " ");
    window->Edit13->setText("Tris & HCl");
    EXPECT_EQ(window->RadioGroup1Item[4]->text(), "Tris && HCl");  // shown with its ampersand
    window->RadioGroup1Item[1]->click();
    EXPECT_EQ(window->Edit13->text(), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(s.BufferSlots[1].Name, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(s.BufferSlots[4].Name, "Tris & HCl");
}

TEST_F(BufcalcTest, CalcIonicShowsTheCorrectedPKaAndTheContribution) {
    window->EK->setText("7.5");
    window->EA->setText("0.01");
    window->Button1->click();
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(window->Label10->text(), "  7.50");
    EXPECT_EQ(window->Label13->text(), "  0.00");
    // Anionic, pH 7 at 20 C and 0.1 N: the charged fraction 0.2875 of 0.01 M.
    EXPECT_EQ(window->Label16->text(), "  0.0029N");

    // The results stay when a check stops the next calculation.
    window->EP->setText("3.9");
    window->Button1->click();
    EXPECT_EQ(messages.messages, (Messages{{"pH out of range 4 - 10", "ERROR"}}));
    EXPECT_EQ(window->Label16->text(), "  0.0029N");

    // Warnings do not stop it; the results are shown once they are closed.
    messages.messages.clear();
    window->EP->setText("7");
    window->RadioButton1->click();  // "di" for a buffer of one step
    window->EA->setText("0.2");
    std::vector<QString> shownMeanwhile;
    messages.whileShown = [&] { shownMeanwhile.push_back(window->Label16->text()); };
    window->Button1->click();
    EXPECT_EQ(shownMeanwhile, (std::vector<QString>{"  0.0029N", "  0.0029N"}));
    EXPECT_EQ(messages.messages, (Messages{{"Salt must be less than valence of buffer", "ERROR"},
                                           {"ionic contribution greater than total ions", "ERROR"}}));
    EXPECT_EQ(window->Label16->text(), "  0.4000N");

    window->EP->setText("3.9");
    window->EA->setText("0.01");
    window->Button3->click();
    ASSERT_EQ(output.lines.size(), 6u);
    EXPECT_EQ(output.lines[1], "  20.0 °C    pH 3.9   0.100N   0.01M   ");
    EXPECT_EQ(output.lines[3], "New pKa's =  7.50        0.00       0.00");
    EXPECT_EQ(output.clears, 0);
}

TEST_F(BufcalcTest, LoadShowsTheFileAndSaveOrCloseWriteIt) {
    const std::string file = WriteBuffers();
    s.BufferModified = true;
    ModalScript script;
    script.On<QFileDialog>(Choose(file));
    window->Button4->click();
    EXPECT_EQ(window->windowTitle().toStdString(), "ZozaveVavo " + file);
    EXPECT_TRUE(s.BufferLoaded);
    EXPECT_FALSE(s.BufferModified);
    EXPECT_EQ(window->RadioGroup1Item[2]->text(), "Tris&&Co");
    EXPECT_EQ(window->Edit13->text(), "HEPES");
    EXPECT_EQ(window->ED->text(), "-0.014");
    EXPECT_EQ(window->Panel2->text(), "Good buffer");

    // Closing unmodified asks nothing; a change brings up the save dialog, which may be cancelled.
    window->show();
    window->BitBtn1->click();
    EXPECT_FALSE(window->isVisible());
    window->show();
    window->RadioGroup1Item[2]->click();
    EXPECT_TRUE(window->RCationic->isChecked());
    window->RAnionic->click();  // the type goes into the slot being edited
    window->RadioGroup1Item[1]->click();
    window->RadioGroup1Item[2]->click();
    EXPECT_TRUE(window->RAnionic->isChecked());
    window->Edit4->setText("3");
    script.On<QFileDialog>([&](QFileDialog& dialog) {
        // The file the slots came from is offered, and the filter shows buffer files of either case.
        EXPECT_EQ(dialog.selectedFiles().value(0).toStdString(), file);
        QString patterns = dialog.nameFilters().value(0);
        patterns = patterns.mid(patterns.indexOf('(') + 1).chopped(1);
        for (const char* name : {"two.bcm", "TWO.BCM"}) {
            bool shown = false;
            for (const QString& pattern : patterns.split(' '))
                shown = shown ||
                        QRegularExpression::fromWildcard(pattern, Qt::CaseSensitive).match(name).hasMatch();
            EXPECT_TRUE(shown) << name;
        }
        dialog.reject();
    });
    window->BitBtn1->click();
    EXPECT_FALSE(window->isVisible());

    script.On<QFileDialog>(Choose(Path("saved.bcm")));
    window->Button5->click();
    ProgramState reread;
    NewState(reread);
    ASSERT_TRUE(ReadBufferFile(reread, Path("saved.bcm"), messages));
    EXPECT_EQ(reread.BufferSlots[2].Name, "Tris&Co");
    EXPECT_TRUE(reread.BufferSlots[2].anionic);
    EXPECT_DOUBLE_EQ(reread.BufferSlots[2].pKa[3], 3.0);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufcalcTest, ACancelledOrFailedLoadNeverLeavesNamesOfOtherSlotsOrForgetsChanges) {
    window->Edit13->setText("mine");
    window->EK->setText("7");
    ModalScript script;
    script.File(QString());
    window->Button4->click();
    EXPECT_TRUE(s.BufferModified);  // still to be saved
    EXPECT_FALSE(s.BufferLoaded);
    EXPECT_EQ(s.BufferSlots[1].Name, "mine");

    // A file without records empties the slots, and the selector says so.
    {
        std::ofstream comments(Path("empty.bcm"), std::ios::binary);
        comments << "%BROSSIVANTE pH BUFFER FILE\r\n%only comments\r\n";
    }
    script.On<QFileDialog>(Choose(Path("empty.bcm")));
    window->Button4->click();
    EXPECT_FALSE(s.BufferLoaded);
    EXPECT_EQ(window->RadioGroup1Item[1]->text(), "");
    EXPECT_EQ(window->Edit13->text(), "");
    EXPECT_EQ(s.BufferSlots[1].Name, "");
    EXPECT_DOUBLE_EQ(s.BufferSlots[1].pKa[1], 0);
}

TEST_F(BufcalcTest, PHBuffersReadsAFileAsksForTheConditionsAndReportsTheRanges) {
    const std::string file = WriteBuffers();
    int asked = 0;
    const auto environment = [&](bool confirmed) {
        return [&, confirmed] {
            ++asked;
            s.Solution.Temperature = 37;
            s.Solution.PH = 7.4;
            return confirmed;
        };
    };
    ModalScript script;
    script.File(QString());
    window->PHBuffersCommand(environment(true));
    EXPECT_EQ(asked, 0);

    script.On<QFileDialog>(Choose(file));
    window->PHBuffersCommand(environment(false));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(output.lines.empty());
    EXPECT_FALSE(window->isVisible());

    script.On<QFileDialog>(Choose(file));
    window->PHBuffersCommand(environment(true));
    ASSERT_EQ(output.lines.size(), 7u);
    EXPECT_EQ(output.lines[1], "  37.0 °C   0.100 N");
    EXPECT_EQ(output.lines[3].substr(0, 18), "HEPES             ");
    EXPECT_EQ(output.shows, 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ET->text(), "  37.0");
    EXPECT_EQ(window->EP->text(), "  7.40");
    EXPECT_EQ(window->EK->text(), " 7.550");  // slot 1 of the file is shown
    EXPECT_DOUBLE_EQ(s.BufferRecord.Temperature, 37);
}

TEST_F(BufcalcTest, CalcRangesEndsWithAnErrorWhenTheSolutionHasNoIonicStrength) {
    window->EK->setText("7.2");
    window->Edit7->setText("0.001");  // a thermodynamic pKa needs the ionic strength's logarithm
    window->Button6->click();
    EXPECT_EQ(output.lines.size(), 5u);
    EXPECT_EQ(output.shows, 1);

    s.Solution.IonicEquiv = 0;
    window->Button6->click();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].second, "ERROR");
    EXPECT_EQ(output.shows, 1);
    EXPECT_EQ(output.lines.size(), 5u);
}

}  // namespace
}  // namespace dedodiz::test
