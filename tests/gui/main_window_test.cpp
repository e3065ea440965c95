// SPDX-License-Identifier: BSD-3-Clause
// The main window: titles, the Free Metal chain, the file commands, the command line and help.

#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "gui/Array2.h"
#include "gui/Axis.h"
#include "gui/Bufcalc.h"
#include "gui/Cedit.h"
#include "gui/Cm.h"
#include "gui/Cmform.h"
#include "gui/Environ.h"
#include "gui/FileNames.h"
#include "gui/Foutput.h"
#include "gui/Ufgop.h"

namespace dedodiz::test {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) return true;
    return false;
}

TEST_F(GuiTest, TitlesTellTheVersionAndTheConstantsFile) {
    const std::string constants = WriteSampleConstants();
    ModalScript script;
    TTULV& main = Start();
    EXPECT_EQ(main.windowTitle(), "DEDODIZ32 2.50");
    EXPECT_TRUE(main.state().ConstantsFileName.empty());

    main.New1Click();
    EXPECT_EQ(main.windowTitle(), "DEDODIZ32 v2.50 - NEW.CCM");

    script.File(QString::fromStdString(constants));
    main.Open1Click();
    EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 2.50 - " + constants);
    EXPECT_EQ(main.state().Constants[3].Name, "EDTA");

    const std::string work = WriteWorkFile(constants);
    script.File(QString::fromStdString(work));
    main.WorkLoad1Click();
    EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 v2.50 using " + constants);
    EXPECT_TRUE(Contains(main.Output->Lines(), "CHELATOR METAL COMPLEXES:"));
}

TEST_F(GuiTest, OpeningAFileThatIsNoConstantsFileKeepsTableAndName) {
    const std::string constants = WriteSampleConstants();
    const std::string bad = Path("bad.TCM");
    std::ofstream(bad) << "#Ca2, 1, 2\r\n";
    ModalScript script;
    TTULV& main = Start();
    script.File(QString::fromStdString(constants)).File(QString::fromStdString(bad)).Message();
    main.Open1Click();
    const QString title = main.windowTitle();
    main.Open1Click();
    EXPECT_EQ(script.messages.at(0).text,
              "Cannot Load Constants File\nthe first data line does not begin with \"!\" in " + bad);
    EXPECT_EQ(main.state().ConstantsFileName.str(), constants);
    EXPECT_EQ(main.windowTitle(), title);
    EXPECT_EQ(main.state().Constants[1].Name, "EGTA");
}

TEST_F(GuiTest, SaveConstantsWritesTheLoadedFileAndSaveAsAnotherOne) {
    const std::string constants = WriteSampleConstants();
    ModalScript script;
    TTULV& main = Start();
    script.File(QString::fromStdString(constants));
    main.Open1Click();
    main.state().Constants[2].Name = "BAPTA2";
    main.Save1Click();

    const std::string copy = Path("copy.TCM");
    script.File(QString::fromStdString(copy));
    main.SaveAs1Click();
    EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 2.50 - " + copy);
    EXPECT_EQ(main.state().ConstantsFileName.str(), copy);

    ProgramState reread;
    NewState(reread);
    MessageRecorder messages;
    for (const std::string& name : {constants, copy}) {
        ReadConstantsFile(reread, name, messages);
        EXPECT_EQ(reread.Constants[2].Name, "BAPTA2") << name;
    }
}

TEST_F(GuiTest, SaveAfterNewAsksForANameAndNeverWritesTheNewCcmPlaceholder) {
    const std::string taken = Path("NEW.CCM");
    std::ofstream(taken) << "someone's file";
    ModalScript script;
    TTULV& main = Start();
    main.New1Click();
    EXPECT_EQ(main.state().ConstantsFileName.str(), "NEW.CCM");
    script.File(QString());  // Save Constants goes through Save As; cancelled, nothing is written
    main.Save1Click();
    // A name of neither kind is refused with the reason.
    script.File(QString::fromStdString(Path("mine.dat"))).Message();
    main.Save1Click();
    EXPECT_EQ(script.messages.at(0).text, "Did not save file\nThe name must end in .TCM or .CCM");
    const std::string chosen = Path("mine.TCM");
    script.File(QString::fromStdString(chosen));
    main.Save1Click();
    main.state().Constants[1].Name = "EGTA2";
    main.Save1Click();  // a name of the user's choosing now: written there without asking

    std::ifstream kept(taken);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "someone's file");
    ProgramState reread;
    NewState(reread);
    MessageRecorder messages;
    EXPECT_TRUE(ReadConstantsFile(reread, chosen, messages).ok());
    EXPECT_EQ(reread.Constants[1].Name, "EGTA2");
    EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 2.50 - " + chosen);
}

TEST_F(GuiTest, FreeMetalWithoutConstantsOffersTheOpenDialogAndStopsOnCancel) {
    ModalScript script;
    TTULV& main = Start();
    script.File(QString());
    main.Button1Click();
    EXPECT_TRUE(main.state().ConstantsFileName.empty());
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(GuiTest, FreeMetalStopsAtTheFirstDialogThatIsNotConfirmed) {
    const std::string constants = WriteSampleConstants();
    ModalScript script;
    TTULV& main = Start();
    script.File(QString::fromStdString(constants));
    main.Open1Click();

    // Environment closed with valid values: nothing follows.
    script.On<TEV>([](TEV& ev) { ev.reject(); });
    main.Button1Click();
    // Environment confirmed, the Array cancelled: no concentration dialog.
    script.On<TEV>([](TEV& ev) { ev.OKBtn->click(); }).On<TCMArray>([](TCMArray& array) {
        array.BitBtn1->click();
    });
    main.Button1Click();
    EXPECT_FALSE(main.state().ArrayDialogOK);
}

TEST_F(GuiTest, FreeMetalRunsFromTheOpenDialogToTheReport) {
    const std::string constants = WriteSampleConstants();
    ModalScript script;
    TTULV& main = Start();
    script.File(QString::fromStdString(constants))
        .On<TEV>([](TEV& ev) {
            ev.EP->setText("7.2");
            ev.OKBtn->click();
        })
        .On<TCMArray>([](TCMArray& array) {
            array.Chelato[1]->click();
            array.Mt[1]->click();
            array.OKBtn->click();
        })
        .On<TCMC>([](TCMC& cmc) {
            cmc.Edit[7]->setText("2e-3");  // EGTA total
            cmc.Edit[1]->setText("1e-3");  // Ca2 total
            cmc.OKBtn->click();
        });
    main.Button1Click();
    const std::vector<std::string> report = main.Output->Lines();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report[0].substr(0, 9), " pH  7.20");
    EXPECT_TRUE(Contains(report, "DEDODIZ32 v2.50 using " + constants));
    EXPECT_TRUE(main.Output->isVisible());
    EXPECT_GT(main.state().Solution.MetalFree[1], 0.0);  // the results are stored back
}

TEST_F(GuiTest, WorkSaveAsForcesTheExtensionButKeepsOneOfAnyCase) {
    const std::string constants = WriteSampleConstants();
    ModalScript script;
    TTULV& main = Start();
    script.File(QString::fromStdString(constants));
    main.Open1Click();
    script.File(QString::fromStdString(Path("saved.dat"))).File(QString::fromStdString(Path("lower.stg")));
    main.WorkSaveAs1Click();
    main.WorkSaveAs1Click();
    EXPECT_TRUE(std::filesystem::exists(Path("saved.STG")));
    EXPECT_TRUE(std::filesystem::exists(Path("lower.stg")));
    EXPECT_FALSE(std::filesystem::exists(Path("lower.STG")));
}

TEST_F(GuiTest, AWorkFileOnTheCommandLineIsLoadedAndRunWithoutAnyDialog) {
    const std::string work = WriteWorkFile(WriteSampleConstants(), "lower.stg");
    ModalScript script;
    TTULV& main = Start({QStringLiteral("/x"), QString::fromStdString(work)});
    EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 v2.50 - " + Path("sample.TCM"));
    EXPECT_EQ(main.state().WorkFileName.str(), work);  // as given: upper-casing would name another file
    EXPECT_TRUE(Contains(main.Output->Lines(), "CHELATOR METAL COMPLEXES:"));
}

TEST_F(GuiTest, ANameWithoutExtensionTriesTheWorkFileThenTheConstantsFile) {
    ProgramState table;
    NewState(table);
    FillSampleTable(table);
    MessageRecorder recorder;
    WriteConstantsFile(table, Path("both.CCM"), recorder);
    {
        ModalScript script;
        TTULV& main = Start({QString::fromStdString(Path("both"))});
        EXPECT_EQ(main.state().ConstantsFileName.str(), Path("both.CCM"));
        EXPECT_EQ(main.windowTitle().toStdString(), "DEDODIZ32 v2.50 - " + Path("both.CCM"));
    }
    WriteWorkFile(Path("both.CCM"), "both.STG");
    {
        ModalScript script;
        TTULV& main = Start({QString::fromStdString(Path("both"))});
        EXPECT_EQ(main.windowTitle(), "DEDODIZ32 2.50");  // a work file found this way keeps the title
        EXPECT_EQ(main.state().WorkFileName.str(), Path("both.STG"));
        EXPECT_TRUE(Contains(main.Output->Lines(), "CHELATOR METAL COMPLEXES:"));
    }
    {
        ModalScript script;
        script.Message();
        Start({QString::fromStdString(Path("neither"))});
        EXPECT_EQ(script.messages.at(0).text, "FILE NOT FOUND!\n" + Path("neither"));
        EXPECT_EQ(script.messages.at(0).caption, "ERROR");
    }
}

TEST_F(GuiTest, CommandLinesThatNameNothingToLoadLoadNothing) {
    const std::string work = WriteWorkFile(WriteSampleConstants());
    const std::string tcm = WriteSampleConstants("table.tcm");
    const QStringList cases[] = {
        {QString::fromStdString(tcm)},                                              // a text constants file
        {QStringLiteral("/x")},                                                     // a switch alone
        {QStringLiteral("/x"), QStringLiteral("/y")},                               // two switches
        {QStringLiteral("/x"), QString::fromStdString(work), QStringLiteral("b")},  // three arguments
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        ModalScript script;  // fails on any dialog
        TTULV& main = Start(arguments);
        EXPECT_TRUE(main.state().ConstantsFileName.empty());
        EXPECT_EQ(main.windowTitle(), "DEDODIZ32 2.50");
    }
}

TEST_F(GuiTest, ConstantsListingAndEvaluationReachTheOutputWindow) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();

    // An empty table lists nothing and says so.
    script.Message();
    main.Print2Click();
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "NO CHELATORS NAMED IN FILE");

    FillSampleTable(s);
    main.Print2Click();
    EXPECT_TRUE(main.Output->isVisible());
    EXPECT_EQ(main.Output->Lines().at(0), "Chelator: EGTA");

    // Evaluate Chelators: open dialog (cancelled, the table stays), Environment, Choose Metal.
    s.ConstantsFileName = "sample.TCM";
    script.On<QFileDialog>([](QFileDialog& d) { d.reject(); })
        .On<TEV>([](TEV& ev) { ev.OKBtn->click(); })
        .On<Tcmfrm>([](Tcmfrm& metals) {
            metals.Mt[1]->click();
            metals.OKBtn->click();
        });
    main.Button2Click();
    const std::vector<std::string> lines = main.Output->Lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Kd is temperature, pH and ionic concentration dependent:");
    EXPECT_EQ(lines[3].rfind("Ca2-EGTA", 0), 0u) << lines[3];
    EXPECT_EQ(lines.back(), "DEDODIZ32 v2.50 using sample.TCM");
}

TEST_F(GuiTest, SweepCommandsAskForTheirAxesAndShowTheGraph) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    FillSampleTable(s);
    s.ChelatorChosen[1] = true;
    s.MetalChosen[1] = true;
    BuildSelection(s, s, s.Solution, main.messages());
    s.Solution.ChelTotal[1] = 2e-3;
    s.Solution.MetalTotal[1] = 1e-3;
    const TSolution before = s.Solution;

    const auto axis = [](QRadioButton* TFAXIS::*variable, const char* low, const char* high) {
        return [=](TFAXIS& dialog) {
            (dialog.*variable)->click();
            dialog.Edit1->setText(QString::fromLatin1(low));
            dialog.Edit2->setText(QString::fromLatin1(high));
            dialog.BitBtn1->click();
        };
    };
    script.On<TFAXIS>(axis(&TFAXIS::pH, "6,0", "8"));  // a decimal comma is a point
    main.N2D1Click();
    EXPECT_TRUE(main.FGOP->isVisible());
    EXPECT_EQ(s.SweepMode, SweepKind::Free2D);
    EXPECT_DOUBLE_EQ(s.XStart, 6);
    EXPECT_GT(s.Sweep2D[1][1], s.Sweep2D[1][41]);  // free Ca falls as the pH rises
    EXPECT_EQ(s.Solution.MetalFree, before.MetalFree);

    // The graph window's files: a real BMP and PNG of 633 x 433 and a CSV of 41 points; the table to
    // the output window.
    const std::string bmp = main.FGOP->SaveBitmap(Path("graph"));
    EXPECT_EQ(QImage(QString::fromStdString(bmp)).size(), QSize(633, 433)) << bmp;
    const std::string png = main.FGOP->SavePng(Path("graph"));
    EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(633, 433)) << png;
    std::ifstream csv(main.FGOP->ExportCsv(Path("graph")));
    int rows = 0;
    for (std::string line; std::getline(csv, line);) ++rows;
    EXPECT_EQ(rows, 1 + 41);
    main.FGOP->SaveTXT1Click();
    EXPECT_EQ(main.Output->Lines().at(0), "Output from the Graph Environmental Effects ");

    script.On<TFAXIS>(axis(&TFAXIS::pH, "6", "8")).On<TFAXIS>(axis(&TFAXIS::Temp, "10", "30"));
    main.N3D1Click();
    EXPECT_EQ(s.SweepMode, SweepKind::Free3D);
    EXPECT_EQ(s.ZAxis.Variable, AxisVariable::Temperature);
    EXPECT_GT(s.Sweep3D[1][1][1], 0);
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(GuiTest, EditorAndBufferCalculatorOpenFromTheMenus) {
    ModalScript script;
    TTULV& main = Start();
    main.Buffer1Click();
    EXPECT_TRUE(main.Bufcalc->isVisible());

    // The editor closes with OK; cancelling the save dialog keeps the edits in memory only.
    FillSampleTable(main.state());
    script
        .On<TEditCon>([](TEditCon& editor) {
            editor.Edit9->setText(QStringLiteral("EGTA2"));
            editor.OKBtn->click();
        })
        .On<QFileDialog>([](QFileDialog& d) { d.reject(); });
    main.edit2Click();
    EXPECT_EQ(main.state().Constants[1].Name, "EGTA2");
    EXPECT_EQ(main.windowTitle(), "DEDODIZ32 2.50");
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(GuiTest, ResultsOfTheLastRunExportAsJson) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    EXPECT_FALSE(main.Output->ExportJSON1->isEnabled());  // nothing has run yet

    FillSampleTable(s);
    s.ConstantsFileName = "sample.TCM";
    s.ChelatorChosen[1] = true;
    s.MetalChosen[1] = true;
    BuildSelection(s, s, s.Solution, main.messages());
    s.Solution.ChelTotal[1] = 2e-3;
    s.Solution.MetalTotal[1] = 1e-3;
    main.N1D1Click();
    ASSERT_TRUE(main.Output->ExportJSON1->isEnabled());

    const std::string path = Path("run.json");
    script.File(QString::fromStdString(path));
    main.Output->ExportJSON1Click();
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\"converged\": true"), std::string::npos) << text.str().substr(0, 400);
    EXPECT_NE(text.str().find("EGTA"), std::string::npos);
}

TEST_F(GuiTest, HelpShowsItsTopicsOrSaysThatItIsNotFound) {
    ModalScript script;
    TTULV& main = Start();
    for (int topic : {1, 2, 3, 4, 5, 9, 10, 14}) {
        EXPECT_FALSE(main.Help->FindTopic(topic).isEmpty()) << topic;
    }
    main.Help->ShowHelp(14);
    EXPECT_TRUE(main.Help->isVisible());
    EXPECT_TRUE(main.Help->HelpText->toPlainText().contains(QStringLiteral("Evaluate Chelators")));

    main.Help->SetSearchPath({QString::fromStdString(Path("nowhere"))});
    script.Message();
    main.Help->ShowHelp(5);
    EXPECT_EQ(script.messages.at(0).text, "DEDODIZ32.HLP not found");
    EXPECT_EQ(script.messages.at(0).caption, "ERROR");
    main.Help->ShowHelp(4, true);  // the type dialog's help stays silent
    EXPECT_EQ(script.messages.size(), 1u);
}

TEST_F(GuiTest, F1OpensTheTopicOfTheFocusedWindowOverItsModalDialog) {
    ModalScript script;
    TTULV& main = Start();
    script.On<TEV>([&](TEV& ev) {
        ev.ET->setFocus();
        QTest::keyClick(ev.ET, Qt::Key_F1);
        EXPECT_TRUE(main.Help->isVisible());
        EXPECT_TRUE(main.Help->isModal());  // a plain window would take no input beside the dialog
        EXPECT_TRUE(main.Help->HelpText->source().toString().endsWith(QStringLiteral("topic-5.html")));
        main.Help->close();
        ev.OKBtn->click();
    });
    main.Environment1Click();
    EXPECT_TRUE(main.state().EnvDialogOK);

    main.Help->SetSearchPath({});
    script.Message();
    QTest::keyClick(&main, Qt::Key_F1);
    EXPECT_EQ(script.messages.at(0).text, "DEDODIZ32.HLP not found");
}

}  // namespace
}  // namespace dedodiz::test
