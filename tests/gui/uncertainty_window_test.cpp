// SPDX-License-Identifier: BSD-3-Clause
// Calculation > "Uncertainty ...": the dialog with its defaults and a decimal comma, a refused field,
// the block in the output window, the refinement switch, and the histogram window's PNG.

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <filesystem>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "gui/Foutput.h"
#include "gui/HistogramWindow.h"
#include "gui/UncertaintyDialog.h"

namespace dedodiz::test {
namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

bool HasText(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

TEST_F(GuiTest, UncertaintyAsksRunsWritesTheBlockAndShowsTheHistograms) {
    const std::string work = WriteWorkFile(WriteSampleConstants());
    ModalScript script;
    TTULV& main = Start({QStringLiteral("/x"), QString::fromStdString(work)});
    ASSERT_TRUE(HasLine(main.Output->Lines(), "CHELATOR METAL COMPLEXES:"));
    EXPECT_EQ(main.Uncertainty1->text(), QStringLiteral("&Uncertainty ..."));

    script
        .On<TUncertaintyDialog>([](TUncertaintyDialog& d) {
            EXPECT_EQ(d.Samples->text(), QStringLiteral("2000"));
            EXPECT_EQ(d.PHSd->text(), QStringLiteral("0.02"));
            EXPECT_EQ(d.TempSd->text(), QStringLiteral("0.5"));
            ASSERT_NE(d.Purity[1], nullptr);  // EGTA
            EXPECT_EQ(d.Purity[2], nullptr);  // an empty slot
            d.Samples->setText(QStringLiteral("300"));
            d.PHSd->setText(QStringLiteral("-1"));
            d.OKButton->click();
        })
        .Message()
        .On<TUncertaintyDialog>([](TUncertaintyDialog& d) {
            d.PHSd->setText(QStringLiteral("0,05"));
            d.Purity[1]->setText(QStringLiteral("0,97"));
            d.PuritySd[1]->setText(QStringLiteral("0,01"));
            d.OKButton->click();
        });
    main.Uncertainty1->trigger();
    ASSERT_EQ(script.messages.size(), 1U);
    EXPECT_EQ(script.messages[0].caption, "ERROR");
    EXPECT_EQ(script.messages[0].text, "Not a valid number: pH (0 or more)");

    std::vector<std::string> lines = main.Output->Lines();
    EXPECT_FALSE(HasLine(lines, "CHELATOR METAL COMPLEXES:"));  // the block replaced the report
    EXPECT_TRUE(HasLine(lines, "UNCERTAINTY: 300 samples, seed 1")) << lines.front();
    EXPECT_TRUE(HasText(lines, "pH 0.05,"));
    EXPECT_TRUE(HasText(lines, "EGTA purity 0.97 +- 0.01"));
    EXPECT_TRUE(HasLine(lines, "Ca2 free "));

    auto* window = main.findChild<THistogramWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    const QImage& picture = window->Picture().Image();
    int bars = 0;
    for (int x = 0; x < picture.width(); ++x)
        bars += picture.pixel(x, picture.height() / 2) == qRgb(120, 120, 120);
    EXPECT_GT(bars, 100);  // the histogram of the one result fills the picture
    const std::string saved = window->SavePng(Path("spread"));
    EXPECT_EQ(saved, Path("spread.png"));
    EXPECT_EQ(QImage(QString::fromStdString(saved)).size(), picture.size());

    // The values typed stay for the next time, and "Exact results (refine)" refines every sample.
    main.Exact1->trigger();
    script.On<TUncertaintyDialog>([](TUncertaintyDialog& d) {
        EXPECT_EQ(d.PHSd->text(), QStringLiteral("0,05"));
        EXPECT_EQ(d.Purity[1]->text(), QStringLiteral("0,97"));
        d.OKButton->click();
    });
    main.Uncertainty1->trigger();
    EXPECT_EQ(main.Output->Lines().front(), "UNCERTAINTY: 300 samples, seed 1, exact (refined)");

    // Cancel writes nothing.
    main.Output->ClearOutput();
    script.On<TUncertaintyDialog>([](TUncertaintyDialog& d) { d.CancelButton->click(); });
    main.Uncertainty1->trigger();
    EXPECT_TRUE(main.Output->Lines().empty());
}

}  // namespace
}  // namespace dedodiz::test
