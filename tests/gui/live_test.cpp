// SPDX-License-Identifier: BSD-3-Clause
// The live calculator: what it shows is what a run of the same solution gives, a field that does not
// read leaves the last results greyed, the notes are the run's messages, "to Output" writes the report
// of the described chain, work files go through it, and it is worked from the keyboard.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <functional>
#include <set>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "Sessions.h"
#include "core/Session.h"
#include "gui/Array2.h"
#include "gui/Cm.h"
#include "gui/Environ.h"
#include "gui/Foutput.h"
#include "gui/Live.h"
#include "gui/LiveForm.h"
#include "gui/LiveNumbers.h"
#include "gui/LivePlot.h"
#include "gui/LiveResults.h"

namespace dedodiz::test {
namespace {

// What a user does: types over a field's text, or picks an entry of a box.
void Type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    if (text.isEmpty()) QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}
void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The README's example, with which the window starts when nothing is chosen.
SolutionInput Example() {
    SolutionInput entered;
    entered.pH = 7.2;
    entered.chelators = {{"EGTA", 2e-3}};
    entered.metals = {{"Ca2", 1e-3, 0}, {"Mg2", 1e-3, 0}};
    return entered;
}

TEST(LiveNumbers, UnitsReadAsTheirDecimalTextAndRoundTrip) {
    // The form reads the text; the Session's rules take the amount (a negative concentration, a pX
    // outside 0 .. 30 are refused there, as in every front end).
    struct Case {
        const char* text;
        ConcUnit unit;
        double value;  // [mol/L]; < 0: refused by the rules
        ConcProblem problem;
    };
    const Case cases[] = {
        {"155", ConcUnit::nM, 155e-9, ConcProblem::None},  // the double of "155e-9", not 155 * 1e-9
        {" 1.5e-3 ", ConcUnit::mM, 1.5e-6, ConcProblem::None},
        {"2", ConcUnit::M, 2, ConcProblem::None},
        {"7", ConcUnit::pX, 1e-7, ConcProblem::None},
        {"-1", ConcUnit::pX, -1, ConcProblem::None},
        {"-1", ConcUnit::mM, -1, ConcProblem::None},
        {"1,5", ConcUnit::mM, 0, ConcProblem::NotANumber},  // the field turns the comma into a point first
        {"", ConcUnit::M, 0, ConcProblem::NotANumber},
        {"1e-320", ConcUnit::nM, 0, ConcProblem::OutOfRange},
        {"400", ConcUnit::pX, -1, ConcProblem::None},
        {"-400", ConcUnit::pX, -1, ConcProblem::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ConcReading read = ReadConcentration(c.text, c.unit);
        EXPECT_EQ(read.problem, c.problem);
        if (!read.ok()) continue;
        Refusals refusals;
        const double molar = Molar({FieldKind::MetalFree, "Ca2", 0}, read.amount, true, refusals);
        EXPECT_EQ(refusals.empty() ? molar : -1, c.value);
    }
    const auto molar = [](const char* text, ConcUnit unit) {
        Refusals refusals;
        return Molar({FieldKind::MetalFree, "Ca2", 0}, ReadConcentration(text, unit).amount, true, refusals);
    };
    EXPECT_EQ(molar("6.5", ConcUnit::pX), std::pow(10.0, -6.5));
    for (const double v : {1.55124e-7, 2e-3, 0.1, 12.3456, 3.3e-12, 1.0 / 3})
        for (const ConcUnit unit : {ConcUnit::M, ConcUnit::mM, ConcUnit::uM, ConcUnit::nM}) {
            EXPECT_EQ(molar(TextInUnit(v, unit).c_str(), unit), v) << TextInUnit(v, unit);
        }
    EXPECT_EQ(TextInUnit(2e-3, ConcUnit::mM), "2");
    EXPECT_EQ(TextInUnit(1.55124e-7, ConcUnit::nM), "155.124");
    EXPECT_EQ(ConcentrationForEye(1.55124e-7), "155 nM");
    EXPECT_EQ(ConcentrationForEye(2e-3), "2.00 mM");
    EXPECT_EQ(ConcentrationForEye(0.5), "500 mM");
    EXPECT_EQ(ConcentrationForEye(1.234e-12), "1.23 pM");
    EXPECT_EQ(ConcentrationForEye(9.996e-4), "1.00 mM");  // rounded first, then placed: never "1000 µM"
    EXPECT_EQ(ConcentrationForEye(4.81e-16), "481 aM");
    EXPECT_EQ(ConcentrationForEye(-4.5e-22), "-4.50e-22 M");
    EXPECT_EQ(ConcentrationForEye(0), "0");
}

class LiveTest : public GuiTest {
  protected:
    // The program with the sample table (EGTA, BAPTA, EDTA; Ca2, Mg2, Zn2) and the live window shown.
    TLive& Open() {
        constants_ = WriteSampleConstants();
        TTULV& main = Start();
        {
            ModalScript script;
            script.File(QString::fromStdString(constants_));
            main.Open1Click();
        }
        main.Live1Click();
        return *main.Live;
    }
    // The run the window's solution must match: the same solution, described and run afresh.
    Solved Expected(const SolutionInput& entered) const {
        return test::Solve(main_->state().table(), entered);
    }
    // What the state holds after the window's run is the run of entered: every number of its report.
    void ExpectStateIs(const SolutionInput& entered) const {
        const Solved solved = Expected(entered);
        ASSERT_TRUE(solved.Ran());
        const ProgramState& s = main_->state();
        const double* refined = solved.outcome.refined ? &solved.outcome.residual : nullptr;
        EXPECT_EQ(SinglePointReport(s.WorkSolution, s.Results, s.ConstantsFileName.view(), refined),
                  solved.outcome.report);
        EXPECT_EQ(s.Solution.MetalFree, solved.calc.Solution.MetalFree);
        EXPECT_EQ(s.Solution.MetalTotal, solved.calc.Solution.MetalTotal);
        EXPECT_EQ(s.Solution.ChelTotal, solved.calc.Solution.ChelTotal);
        EXPECT_EQ(main_->Live->RunMessages(), solved.outcome.messages);
    }
    std::string constants_;
};

TEST_F(LiveTest, EveryEditIsRunAsTheSameSolutionWouldBe) {
    TLive& live = Open();
    LiveForm& form = *live.Form;
    EXPECT_EQ(form.Chelators[0].name->currentText(), "EGTA");
    SolutionInput entered = Example();
    ExpectStateIs(entered);
    // The free fields, which type Free does not take, show its answer.
    EXPECT_FALSE(form.Metals[0].free->isEnabled());
    EXPECT_EQ(form.Metals[0].free->text(), "0.1551");
    EXPECT_EQ(form.Metals[0].freeUnit->currentText(), QString::fromUtf8("\xC2\xB5M"));

    struct Edit {
        const char* what;
        std::function<void()> edit;
        std::function<void(SolutionInput&)> expect;
    };
    const Edit edits[] = {
        {"a decimal comma", [&] { Type(form.PH, "7,4"); }, [](SolutionInput& s) { s.pH = 7.4; }},
        {"a unit",
         [&] {
             Choose(form.Metals[0].totalUnit, QString::fromUtf8("\xC2\xB5M"));
             Type(form.Metals[0].total, "500");
         },
         [](SolutionInput& s) { s.metals[0].total = 500e-6; }},
        {"another chelator",
         [&] {
             Choose(form.Chelators[1].name, "BAPTA");
             Type(form.Chelators[1].total, "0.5");
         },
         [](SolutionInput& s) {
             s.chelators.push_back({"BAPTA", 0.5e-3});
         }},
        {"type Total with pX",
         [&] {
             form.TypeTotal->click();
             Choose(form.Metals[0].freeUnit, "pX");
             Type(form.Metals[0].free, "7");
             Type(form.Metals[1].free, "1,5");
         },
         [](SolutionInput& s) {
             s.type = CalculationType::Total;
             s.metals[0].free = 1e-7;
             s.metals[1].free = 1.5e-3;
         }},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.what);
        e.edit();
        e.expect(entered);
        ExpectStateIs(entered);
        EXPECT_FALSE(live.Results->Stale());
    }
    // The table shows the computed total of calcium; the plot has swept the type's series around pH 7.4.
    const Solved solved = Expected(entered);
    EXPECT_EQ(live.Results->Metals->item(0, 1)->text(), ConcCell(solved.calc.WorkSolution.MetalTotal[1]));
    EXPECT_TRUE(live.Results->Metals->item(0, 1)->font().bold());
    EXPECT_DOUBLE_EQ(live.Plot->Sweep().XStart, 6.4);
    EXPECT_TRUE(live.Plot->Note().isEmpty());
}

TEST_F(LiveTest, AFieldThatDoesNotReadIsNamedAndTheLastResultsStayGreyed) {
    TLive& live = Open();
    LiveForm& form = *live.Form;
    const QString shown = live.Results->Metals->item(0, 2)->text();
    const TSolution before = main_->state().Solution;

    Type(form.PH, "7,2,");
    Type(form.Metals[0].total, "");
    EXPECT_TRUE(FieldMarked(form.PH));
    EXPECT_TRUE(FieldMarked(form.Metals[0].total));
    EXPECT_FALSE(FieldMarked(form.Temperature));
    EXPECT_TRUE(live.Results->Stale());
    EXPECT_FALSE(live.Results->Metals->isEnabled());
    EXPECT_FALSE(live.Plot->isEnabled());
    EXPECT_FALSE(live.ToOutput->isEnabled());
    const QString reason = live.Results->StaleReason->text();
    EXPECT_TRUE(reason.contains("pH: \"7,2,\" is not a number")) << reason.toStdString();
    EXPECT_TRUE(reason.contains("Metal A total: needs a number")) << reason.toStdString();
    // The last results and the program's solution are those of the last values that read.
    EXPECT_EQ(live.Results->Metals->item(0, 2)->text(), shown);
    EXPECT_EQ(main_->state().Solution.PH, before.PH);
    EXPECT_EQ(main_->state().Solution.MetalTotal, before.MetalTotal);

    // Values that read but that the rules refuse: marked with the Session's words.
    Type(form.PH, "7.2");
    Type(form.Metals[0].total, "-1");
    Choose(form.Chelators[1].name, "EGTA");
    Type(form.Chelators[1].total, "1");
    EXPECT_TRUE(FieldMarked(form.Chelators[1].name));
    EXPECT_TRUE(FieldMarked(form.Metals[0].total));
    EXPECT_TRUE(live.Results->Stale());
    const QString refused = live.Results->StaleReason->text();
    EXPECT_TRUE(refused.contains("chelator EGTA: given twice")) << refused.toStdString();
    EXPECT_TRUE(refused.contains("metal Ca2 total: a concentration cannot be negative"))
        << refused.toStdString();
    EXPECT_EQ(main_->state().Solution.MetalTotal, before.MetalTotal);

    Type(form.Metals[0].total, "1");
    Choose(form.Chelators[1].name, QStringLiteral("\u2014"));
    EXPECT_FALSE(FieldMarked(form.PH));
    EXPECT_FALSE(live.Results->Stale());
    EXPECT_TRUE(live.ToOutput->isEnabled());
    ExpectStateIs(Example());
}

TEST_F(LiveTest, TheNotesAreTheRunsMessagesBesideTheirValues) {
    TLive& live = Open();
    LiveForm& form = *live.Form;
    Type(form.PH, "10.5");
    Type(form.Ionic, "0,001");
    SolutionInput entered = Example();
    entered.pH = 10.5;
    entered.ionic = 0.001;
    ExpectStateIs(entered);  // the messages are the run's, in its order
    const auto note = [&](LivePlace place) { return live.Note(place)->text().toStdString(); };
    EXPECT_EQ(note(LivePlace::PH), "WARNING: pH out of range, results probably not valid");
    EXPECT_EQ(note(LivePlace::Ionic),
              "RAISE IONIC STRENGTH: Calculated (ionic) contribution is greater than total (ionic)");
    EXPECT_TRUE(live.Note(LivePlace::Temperature)->isHidden());
    // An ionic strength of 0 is a floating-point fault of the correction: its ERROR stands over the results.
    Type(form.Ionic, "0");
    EXPECT_TRUE(note(LivePlace::Results).starts_with("ERROR: ")) << note(LivePlace::Results);
    EXPECT_TRUE(live.Results->Stale());

    // A run refused by its checks: its ERROR beside the temperature, the results of the last run greyed.
    Type(form.PH, "7.2");
    Type(form.Ionic, "0.1");
    Choose(form.Chelators[1].name, "BAPTA");
    Type(form.Chelators[1].total, "1");
    const QString shown = live.Results->Chelators->item(1, 2)->text();
    // Against temperature BAPTA, which has no enthalpies, gives no curves.
    Choose(live.PlotAxis, "Temperature");
    EXPECT_EQ(live.Plot->Note().toStdString(), "No curves against temperature: delta-H values are missing");
    Type(form.Temperature, "37");
    EXPECT_EQ(note(LivePlace::Temperature),
              "ERROR: RESULTS NOT VALID, delta-H VALUES MISSING\nReset Temperature to 20 C or add values");
    EXPECT_TRUE(live.Note(LivePlace::PH)->isHidden());
    EXPECT_TRUE(live.Results->Stale());
    EXPECT_EQ(live.Results->Chelators->item(1, 2)->text(), shown);
    EXPECT_FALSE(live.ToOutput->isEnabled());
}

TEST_F(LiveTest, ToOutputWritesTheReportOfTheDescribedChain) {
    TLive& live = Open();
    live.hide();
    // The Free Metal chain for 2 mM EGTA with 1 mM calcium at pH 7.2.
    {
        ModalScript script;
        script
            .On<TEV>([](TEV& ev) {
                ev.EP->setText("7.2");
                ev.OKBtn->click();
            })
            .On<TCMArray>([](TCMArray& array) {
                if (array.Mt[2]->isChecked()) array.Mt[2]->click();  // magnesium of the example out
                array.OKBtn->click();
            })
            .On<TCMC>([](TCMC& cmc) {
                cmc.Edit[7]->setText("2e-3");
                cmc.Edit[1]->setText("1e-3");
                cmc.OKBtn->click();
            });
        main_->Button1Click();
    }
    const std::vector<std::string> chain = main_->Output->Lines();
    ASSERT_GT(chain.size(), 20u);

    main_->Output->ClearOutput();
    main_->Live1Click();  // shows the chain's solution
    EXPECT_EQ(live.Form->Metals[1].name->currentText(), QStringLiteral("\u2014"));
    live.ToOutput->click();
    EXPECT_EQ(main_->Output->Lines(), chain);
    EXPECT_TRUE(main_->Output->isVisible());

    // An edit in the window, then "to Output" twice with "Add Output" ticked: two whole reports.
    Type(live.Form->Metals[0].total, "0,5");
    main_->state().AddNextRun = true;
    main_->Output->ClearOutput();
    live.ToOutput->click();
    live.ToOutput->click();
    SolutionInput entered;
    entered.pH = 7.2;
    entered.chelators = {{"EGTA", 2e-3}};
    entered.metals = {{"Ca2", 0.5e-3, 0}};
    const std::vector<std::string> once = Expected(entered).outcome.report;
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(main_->Output->Lines(), twice);
}

TEST_F(LiveTest, WorkFilesSaveAndLoadTheWindowsSolution) {
    TLive& live = Open();
    Type(live.Form->PH, "6.9");
    ASSERT_TRUE(live.SaveWork(Path("live")));
    ProgramState read;
    MessageRecorder messages;
    ASSERT_TRUE(LoadWorkSettings(Path("live.STG"), read, read, read, messages).Loaded());
    EXPECT_EQ(read.Solution.PH, 6.9);
    EXPECT_EQ(read.Solution.MetalTotal, main_->state().Solution.MetalTotal);

    // A work file of EGTA 2 mM with calcium 1 mM at pH 7.2 fills the form, the title names its table.
    ASSERT_TRUE(live.LoadWork(WriteWorkFile(constants_)));
    EXPECT_EQ(live.Form->PH->text(), "7.2");
    EXPECT_EQ(live.Form->Chelators[0].total->text(), "2");
    EXPECT_EQ(live.Form->Chelators[0].totalUnit->currentText(), "mM");
    EXPECT_EQ(live.Form->Metals[1].name->currentText(), QStringLiteral("\u2014"));
    EXPECT_EQ(main_->windowTitle().toStdString(), "DEDODIZ32 v2.50 using " + constants_);
    SolutionInput entered = Example();
    entered.metals.pop_back();
    ExpectStateIs(entered);
    // A missing one is refused with its message box, and the window keeps showing the state.
    ModalScript script;
    script.Message();
    EXPECT_FALSE(live.LoadWork(Path("missing.STG")));
    EXPECT_EQ(script.messages.at(0).caption, "ERROR");
    EXPECT_EQ(live.Form->PH->text(), "7.2");
}

// A change of unit says the same concentration in the new unit: the free calcium the run computed,
// 0.1551 µM, becomes the level 6.8094 in pX and 155.1 nM, never pX 0.1551.
TEST_F(LiveTest, AChangeOfUnitKeepsTheConcentration) {
    TLive& live = Open();
    LiveForm& form = *live.Form;
    form.TypeTotal->click();
    ASSERT_EQ(form.Metals[0].free->text(), "0.1551");
    const double free = main_->state().Solution.MetalFree[1];
    Choose(form.Metals[0].freeUnit, "pX");
    EXPECT_EQ(form.Metals[0].free->text(), "6.8094");
    EXPECT_NEAR(main_->state().Solution.MetalFree[1], free, 1e-4 * free);
    Choose(form.Metals[0].freeUnit, "nM");
    EXPECT_EQ(form.Metals[0].free->text(), "155.1");
    Choose(form.Metals[1].freeUnit, "M");  // decimal units convert exactly
    Choose(form.Metals[1].freeUnit, "nM");
    EXPECT_EQ(ReadConcentration(form.Metals[1].free->text().toStdString(), ConcUnit::nM).amount.value,
              main_->state().Solution.MetalFree[2]);
    EXPECT_FALSE(live.Results->Stale());
}

TEST_F(LiveTest, TheBundledTableAndTheKeyboard) {
    TTULV& main = Start();
    ASSERT_TRUE(main.state().ConstantsFileName.empty());
    main.Live1Click();  // no table loaded: the bundled one
    TLive& live = *main.Live;
    EXPECT_TRUE(main.windowTitle().endsWith("standard.TCM"));
    EXPECT_EQ(live.Form->Chelators[0].name->currentText(), "EGTA");
    EXPECT_FALSE(live.Results->Stale());

    // Every label names its field by a letter of its own.
    std::set<QChar> letters;
    for (const QLabel* label : live.findChildren<QLabel*>()) {
        const qsizetype amp = label->text().indexOf('&');
        if (amp < 0) continue;
        EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        EXPECT_TRUE(letters.insert(label->text().at(amp + 1).toLower()).second)
            << label->text().toStdString();
    }
    for (const QAbstractButton* button : live.findChildren<QAbstractButton*>()) {
        const qsizetype amp = button->text().indexOf('&');
        if (amp < 0) continue;
        EXPECT_TRUE(letters.insert(button->text().at(amp + 1).toLower()).second)
            << button->text().toStdString();
    }
    EXPECT_EQ(letters.size(), 6u + 6u + 3u + 3u + 1u + 3u);  // rows, conditions, types, plot, buttons

    // Enter does nothing but what the field did; Escape closes the window.
    main.Output->ClearOutput();
    QTest::keyClick(live.Form->PH, Qt::Key_Return);
    EXPECT_TRUE(live.isVisible());
    EXPECT_TRUE(main.Output->Lines().empty());
    QTest::keyClick(live.Form->PH, Qt::Key_Escape);
    EXPECT_FALSE(live.isVisible());
}

}  // namespace
}  // namespace dedodiz::test
