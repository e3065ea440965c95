// SPDX-License-Identifier: BSD-3-Clause
// The condition dialogs, driven through the main window's commands as the user meets them.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "gui/Array2.h"
#include "gui/Cm.h"
#include "gui/Cmform.h"
#include "gui/Ctype.h"
#include "gui/Environ.h"
#include "gui/Foutput.h"

namespace dedodiz::test {
namespace {

constexpr const char* kNotNumbers = "Some values are not positive real numbers";

TEST_F(GuiTest, EnvironmentShowsTheSolutionAndComesBackUntilEveryFieldParses) {
    ModalScript script;
    TTULV& main = Start();
    script
        .On<TEV>([](TEV& ev) {
            EXPECT_EQ(ev.ET->text(), " 20.0");
            EXPECT_EQ(ev.EP->text(), "  7.00");
            EXPECT_EQ(ev.EI->text(), " 0.100");
            ev.ET->setText("25");
            ev.EP->setText("abc");
            ev.OKBtn->click();
        })
        .Message()
        .On<TEV>([&](TEV& ev) {
            // The user's text is still there, with the focus; the temperature before it is stored already.
            EXPECT_EQ(ev.EP->text(), "abc");
            EXPECT_EQ(ev.focusWidget(), ev.EP);
            EXPECT_DOUBLE_EQ(main.state().Solution.Temperature, 25.0);
            ev.EP->setText("  12");    // no range test here: the run warns about the pH
            ev.EI->setText("1,5e-1");  // a decimal comma is a point
            ev.OKBtn->click();
        });
    main.Environment1Click();

    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].caption, "ERROR");
    EXPECT_EQ(script.messages[0].text, std::string(kNotNumbers) + "\npH");  // the field, named
    EXPECT_TRUE(main.state().EnvDialogOK);
    EXPECT_DOUBLE_EQ(main.state().Solution.PH, 12.0);
    EXPECT_DOUBLE_EQ(main.state().Solution.IonicEquiv, 0.15);
}

TEST_F(GuiTest, EnvironmentClosedWithoutOkIsNoConfirmationEvenAfterARefusedOk) {
    ModalScript script;
    TTULV& main = Start();
    script
        .On<TEV>([](TEV& ev) {
            ev.EI->setText("0.1x");
            ev.OKBtn->click();
        })
        .Message()
        .On<TEV>([](TEV& ev) {
            ev.EI->setText("0.2");
            ev.reject();
        });
    main.Environment1Click();
    EXPECT_FALSE(main.state().EnvDialogOK);
    EXPECT_DOUBLE_EQ(main.state().Solution.IonicEquiv, 0.2);  // read whichever way it closed
}

TEST_F(GuiTest, ConcentrationColumnsFollowTheCalculationType) {
    struct Case {
        int calcType;
        const char* left;   // heading of Edit7..12
        const char* right;  // heading of Edit1..6
        bool leftMetals;    // left labels are metal names
    };
    const Case cases[] = {
        {0, "Total", "Free", false}, {1, "Total", "Total", false}, {2, "Total", "Free", true}};
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    FillSampleTable(s);
    s.ChelatorChosen[1] = s.ChelatorChosen[3] = true;
    s.MetalChosen[1] = s.MetalChosen[2] = true;
    MessageRecorder ignored;
    BuildSelection(s, s, s.Solution, ignored);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.calcType);
        s.CalcType = static_cast<CalculationType>(c.calcType);
        for (int k = 1; k <= 6; ++k) {
            s.Solution.ChelTotal[k] = 1e-3 * k;
            s.Solution.MetalTotal[k] = 2e-3 * k;
            s.Solution.MetalFree[k] = 3e-7 * k;
        }
        script.On<TCMC>([&](TCMC& cmc) {
            EXPECT_EQ(cmc.Label[13]->text(), c.left);
            EXPECT_EQ(cmc.Label[14]->text(), c.right);
            EXPECT_EQ(cmc.Label[7]->text(), c.leftMetals ? "Ca2" : "EGTA");
            EXPECT_EQ(cmc.Label[8]->text(), c.leftMetals ? "Mg2" : "EDTA");
            EXPECT_EQ(cmc.Label[1]->text(), "Ca2");
            EXPECT_EQ(cmc.Edit[7]->text(), c.leftMetals ? " 2.00E-0003" : " 1.00E-0003");
            EXPECT_EQ(cmc.Edit[1]->text(), c.calcType == 1 ? " 2.00E-0003" : " 3.00E-0007");
            // Slots 3..6 are empty on both sides.
            EXPECT_FALSE(cmc.Edit[8]->isHidden());
            EXPECT_TRUE(cmc.Edit[9]->isHidden());
            EXPECT_TRUE(cmc.Label[9]->isHidden());
            EXPECT_FALSE(cmc.Edit[2]->isHidden());
            EXPECT_TRUE(cmc.Edit[3]->isHidden());
            // Tab follows the reading order: the left column, the right one, then OK.
            cmc.Edit[7]->setFocus();
            for (QWidget* next :
                 std::initializer_list<QWidget*>{cmc.Edit[8], cmc.Edit[1], cmc.Edit[2], cmc.OKBtn}) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                EXPECT_EQ(QApplication::focusWidget(), next);
            }
            cmc.Edit[1]->setText("4e-7");
            cmc.Edit[7]->setText("0,005");  // a decimal comma is a point
            cmc.OKBtn->click();
        });
        main.CMconc1Click();
        EXPECT_TRUE(s.ConcDialogOK);
        EXPECT_DOUBLE_EQ(s.ConcDialogValues[1], 4e-7);
        EXPECT_DOUBLE_EQ(s.ConcDialogValues[7], 5e-3);
        const double rightValue = c.calcType == 1 ? s.Solution.MetalTotal[1] : s.Solution.MetalFree[1];
        const double leftValue = c.calcType == 2 ? s.Solution.MetalTotal[1] : s.Solution.ChelTotal[1];
        EXPECT_DOUBLE_EQ(rightValue, 4e-7);
        EXPECT_DOUBLE_EQ(leftValue, 5e-3);
        // Type 2 neither shows nor changes the chelator totals.
        if (c.calcType == 2) {
            EXPECT_DOUBLE_EQ(s.Solution.ChelTotal[1], 1e-3);
        }
    }
}

TEST_F(GuiTest, ConcentrationTextThatIsNoNumberStoresNothingAndComesBack) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    script
        .On<TCMC>([](TCMC& cmc) {
            cmc.Edit[1]->setText("1e-3");
            cmc.Edit[12]->setText("1e-3 ");  // a trailing blank is no number
            cmc.CancelBtn->click();
        })
        .Message()
        .On<TCMC>([&](TCMC& cmc) {
            EXPECT_DOUBLE_EQ(s.Solution.MetalTotal[1], 0.0);
            EXPECT_EQ(cmc.Edit[12]->text(), "1e-3 ");
            cmc.Edit[12]->setText("1e-3");
            cmc.CancelBtn->click();
        });
    main.CMconc1Click();
    EXPECT_EQ(script.messages.at(0).text, std::string(kNotNumbers) + "\nTotal slot 6");
    EXPECT_FALSE(s.ConcDialogOK);
    EXPECT_DOUBLE_EQ(s.Solution.MetalTotal[1], 1e-3);  // the fields are read after Cancel too
}

TEST_F(GuiTest, ArrayGridMarksWhatTheTableKnows) {
    ModalScript script;
    TTULV& main = Start();
    FillSampleTable(main.state());
    script.On<TCMArray>([](TCMArray& array) {
        EXPECT_EQ(array.Label14->text(), "C M Z = = = = = =");
        EXPECT_EQ(array.Label13->text(), "a g n = = = = = =");
        EXPECT_EQ(array.Label12->text(), "2 2 2 = = = = = =");
        // EGTA: Ca and Mg with enthalpies, Zn without.
        EXPECT_EQ(array.C[1]->text(), "EGTA       T T A             ");
        EXPECT_EQ(array.C[2]->text(), "BAPTA      A A A             ");
        const QString edta = array.C[3]->text();
        ASSERT_EQ(edta.size(), 29);
        EXPECT_EQ(edta[15], QLatin1Char('T'));  // position 16: metal 3 with ML > 0 and dML != 0
        EXPECT_EQ(array.C[4]->text(), "=======                      ");
        EXPECT_EQ(array.Chelato[3]->text(), "EDTA");
        EXPECT_EQ(array.Mt[2]->text(), "Mg2");
        array.OKBtn->click();
    });
    main.Array1Click();
}

TEST_F(GuiTest, ArrayTicksStayWhateverCloseTheDialogAndOnlySixTakeSlots) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    FillSampleTable(s);
    script
        .On<TCMArray>([](TCMArray& array) {
            for (int k = 1; k <= 8; ++k) array.Chelato[k]->click();
            array.Mt[2]->click();
            array.BitBtn1->click();  // Cancel
        })
        .On<TCMArray>([](TCMArray& array) {
            EXPECT_TRUE(array.Chelato[8]->isChecked());
            array.Chelato[2]->click();  // untick BAPTA
            array.Button1->click();     // the evaluation; the dialog stays open
            EXPECT_TRUE(array.isVisible());
            array.OKBtn->click();
        });

    main.Array1Click();
    EXPECT_FALSE(s.ArrayDialogOK);
    EXPECT_TRUE(s.ChelatorChosen[8]);
    EXPECT_EQ(s.Solution.ChelName[1], "EGTA");

    main.Array1Click();
    EXPECT_TRUE(s.ArrayDialogOK);
    EXPECT_FALSE(s.ChelatorChosen[2]);
    const int expected[] = {1, 3, 4, 5, 6, 7};  // the first six ticked, in table order
    for (int slot = 1; slot <= 6; ++slot) EXPECT_EQ(s.ChosenChelator[slot], expected[slot - 1]);
    EXPECT_EQ(s.Solution.MetalName[1], "Mg2");
    EXPECT_EQ(s.Solution.MetalName[2], "===");
    // The evaluation button wrote its report for the metal ticked (Mg2) while the dialog stayed open.
    const std::vector<std::string> lines = main.Output->Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Kd is temperature, pH and ionic concentration dependent:");
    EXPECT_EQ(lines[3].rfind("Mg2-EGTA", 0), 0u) << lines[3];
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(GuiTest, TypeDialogTakesEffectOnClickAndShowsTheTypeInForce) {
    ModalScript script;
    TTULV& main = Start();
    script
        .On<TFType>([](TFType& type) {
            EXPECT_TRUE(type.RadioButton2->isChecked());
            type.RadioButton3->click();
            type.reject();  // the title bar's close box: the click stays in effect
        })
        .On<TFType>([](TFType& type) {
            EXPECT_TRUE(type.RadioButton2->isChecked());
            type.RadioButton1->click();
            type.BitBtn1->click();
        });
    main.Type1Click();
    EXPECT_EQ(main.state().CalcType, CalculationType::Chelator);
    main.New1Click();  // back to type Free
    main.Type1Click();
    EXPECT_EQ(main.state().CalcType, CalculationType::Total);
}

TEST_F(GuiTest, ChooseMetalSharesTheMetalTicksAndReportsItsButton) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    FillSampleTable(s);
    s.MetalChosen[3] = true;
    script
        .On<Tcmfrm>([](Tcmfrm& choose) {
            EXPECT_EQ(choose.Mt[1]->text(), "Ca2");
            EXPECT_TRUE(choose.Mt[3]->isChecked());
            choose.Mt[1]->click();
            choose.CancelBtn->click();
        })
        .On<Tcmfrm>([](Tcmfrm& choose) { choose.OKBtn->click(); });
    main.cmfrm->FillFromState();
    main.cmfrm->exec();
    EXPECT_FALSE(s.MetalDialogOK);
    EXPECT_TRUE(s.MetalChosen[1]);
    main.cmfrm->FillFromState();
    main.cmfrm->exec();
    EXPECT_TRUE(s.MetalDialogOK);
}

}  // namespace
}  // namespace dedodiz::test
