// SPDX-License-Identifier: BSD-3-Clause
// The recipe window: opened from the Calculation menu for the current solution, driven from the
// keyboard, and its table copied, exported, printed and written to the output window.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "core/RecipeReport.h"
#include "gui/Foutput.h"
#include "gui/Recipe.h"

namespace dedodiz::test {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST_F(GuiTest, RecipeWindowMakesThePipettingTableOfTheCurrentSolution) {
    TTULV& main = Start();
    MessageRecorder quiet;
    ProgramState& s = main.state();
    ASSERT_TRUE(
        LoadWorkSettings(WriteWorkFile(WriteSampleConstants()), s.table(), s.selection(), s.calc(), quiet)
            .Loaded());  // type Free: 2 mM EGTA, 1 mM Ca2 total, pH 7.2, 0.1 N

    EXPECT_EQ(main.Recipe1->text(), "&Recipe ...");
    main.Recipe1->trigger();
    TRecipe* w = main.RecipeWindow;
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible());
    ASSERT_EQ(w->Stocks.size(), 2U);  // EGTA with its purity, Ca2
    EXPECT_NE(w->Stocks[0].purity, nullptr);
    EXPECT_EQ(w->Stocks[1].purity, nullptr);
    EXPECT_EQ(w->Target->text(), "0.1");
    EXPECT_GE(w->Volume->width(), w->Volume->fontMetrics().horizontalAdvance(QStringLiteral("0000.000 mL")));

    // From the keyboard: Alt+V reaches the volume; the stocks follow in the tab order; Enter calculates.
    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->Volume);
    w->Stocks[0].stock->setText(QStringLiteral("100 mM"));
    w->Stocks[0].purity->setText(QStringLiteral("97 %"));
    w->Stocks[1].stock->setText(QStringLiteral("0,1 M"));  // a decimal comma
    w->SeriesMetal->setCurrentIndex(1);                    // Ca2, pX 7 to 6 in steps of 0.5
    w->SeriesFrom->setText(QStringLiteral("7"));
    w->SeriesTo->setText(QStringLiteral("6"));
    w->SeriesStep->setText(QStringLiteral("0,5"));
    QTest::keyClick(w->Volume, Qt::Key_Return);
    const Recipe& recipe = w->LastRecipe();
    ASSERT_TRUE(recipe.ok);
    ASSERT_EQ(w->Table->rowCount(), 3);
    EXPECT_EQ(w->Table->horizontalHeaderItem(1)->text(), "pCa");
    EXPECT_EQ(w->Table->horizontalHeaderItem(2)->text(), "EGTA [uL]");
    EXPECT_EQ(w->Table->item(0, 2)->text(), "206.19");  // 2 mM x 10 mL / (100 mM x 0.97)
    EXPECT_FALSE(recipe.refined);

    w->Copy->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), TabSeparated(PipettingTable(recipe)));
    EXPECT_EQ(ReadBytes(w->ExportCsv(Path("recipe"))), RecipeCsv(recipe));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(Path("recipe.pdf")));
    EXPECT_EQ(w->PrintTo(printer), 1);
    w->ToOutput->click();
    EXPECT_EQ(main.Output->Lines(), RecipeReport(recipe, s.ConstantsFileName.view()));

    // The window follows Calculation > Precision > Exact.
    main.Exact1->trigger();
    ASSERT_TRUE(w->CalculateClick());
    EXPECT_TRUE(w->LastRecipe().refined);

    // The chemistry reaches the recipe: the chelator's salt, the base, the osmolarity made up.
    w->Stocks[0].form->setText(QStringLiteral("K2H2EGTA"));
    w->BaseName->setText(QStringLiteral("NaOH"));
    w->Osmolarity->setChecked(true);
    ASSERT_TRUE(w->CalculateClick());
    const Recipe& made = w->LastRecipe();
    EXPECT_EQ(made.ingredients[0].form, "K2H2EGTA");
    EXPECT_TRUE(std::any_of(made.ingredients.begin(), made.ingredients.end(),
                            [](const RecipeIngredient& in) { return in.name == "NaOH"; }));
    for (const RecipeSolution& tube : made.solutions) EXPECT_NEAR(tube.osmolarity, 0.290, 1e-4);

    // A volume without its unit could be litres or microlitres: refused, as everywhere.
    w->Volume->setText(QStringLiteral("10"));
    {
        ModalScript script;
        script.Message();
        EXPECT_FALSE(w->CalculateClick());
        ASSERT_EQ(script.messages.size(), 1U);
        EXPECT_EQ(script.messages[0].text,
                  "The volume: a volume needs its unit (L, mL, uL), as in \"10mL\", got \"10\"");
    }

    // A field that is no amount is named, and nothing is left to copy.
    w->Volume->setText(QStringLiteral("10 mg"));
    ModalScript script;
    script.Message();
    EXPECT_FALSE(w->CalculateClick());
    ASSERT_EQ(script.messages.size(), 1U);
    EXPECT_EQ(script.messages[0].caption, "ERROR");
    EXPECT_EQ(script.messages[0].text, "The volume: not an amount in L, mL, uL: \"10 mg\"");
    EXPECT_EQ(w->Table->rowCount(), 0);
    EXPECT_FALSE(w->Copy->isEnabled());
}

}  // namespace
}  // namespace dedodiz::test
