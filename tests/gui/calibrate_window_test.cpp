// SPDX-License-Identifier: BSD-3-Clause
// Calculation > "Calibrate ...": the window over the table as it stands, a decimal comma in the pH, a
// refused field, the fitted values with their intervals and the plots, then the PNG and the calibrated
// table written.

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTimer>
#include <set>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "core/Calibration.h"
#include "core/CalibrationExport.h"
#include "core/CalibrationGraph.h"
#include "engine/Format.h"
#include "gui/CalibrateWindow.h"
#include "gui/Foutput.h"
#include "gui/Recipe.h"
#include "gui/UncertaintyDialog.h"

namespace dedodiz::test {
namespace {

TEST_F(GuiTest, CalibrateFitsATitrationAndShowsItsIntervalsAndPlots) {
    ModalScript script;
    TTULV& main =
        Start({QStringLiteral("/x"), QString::fromStdString(WriteWorkFile(WriteSampleConstants()))});
    main.Calibrate1->trigger();
    auto* window = main.findChild<TCalibrateWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    ASSERT_GE(window->Chelator1->findText(QStringLiteral("EGTA")), 0);
    window->Chelator1->setCurrentText(QStringLiteral("EGTA"));
    window->Metal1->setCurrentText(QStringLiteral("Ca2"));
    window->DataFile1->setText(QStringLiteral(DEDODIZ_SOURCE_DIR "/examples/ca-egta-titration.csv"));
    window->Temp1->setText(QStringLiteral("22"));
    window->PH1->setText(QStringLiteral("7,2"));
    window->Ionic1->setText(QStringLiteral("0.15"));
    window->Bootstrap1->setText(QStringLiteral("lots"));
    script.Message();
    EXPECT_FALSE(window->Fit1Click());
    ASSERT_EQ(script.messages.size(), 1U);
    EXPECT_EQ(script.messages[0].caption, "ERROR");
    EXPECT_FALSE(window->SavePNG1->isEnabled());

    window->Bootstrap1->setText(QStringLiteral("50"));
    ASSERT_TRUE(window->Fit1Click());
    const QString text = window->Results1->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Calibration of EGTA with Ca2 from 20 rows (5 standards)")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Purity ")));
    EXPECT_TRUE(text.contains(QStringLiteral("bootstrap 95 %")));
    const QImage& picture = window->Picture().Image();
    int fitted = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width() / 2; ++x) fitted += picture.pixel(x, y) == qRgb(200, 0, 0);
    EXPECT_GT(fitted, 100);  // the fitted Scatchard line crosses its panel

    EXPECT_EQ(window->SavePng(Path("fit")), Path("fit.png"));
    EXPECT_EQ(QImage(QString::fromStdString(Path("fit.png"))).size(), picture.size());
    // The command line's own PNG encoder: a PNG reader gets every pixel back, from a file a fraction of
    // the picture's raw size.
    const std::vector<std::uint8_t> png = EncodePng(window->Picture().Pixels());
    const QImage read = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
    ASSERT_EQ(read.size(), picture.size());
    int differ = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            differ += read.pixel(x, y) != (picture.pixel(x, y) | 0xFF000000U);
    EXPECT_EQ(differ, 0);
    EXPECT_LT(png.size(), 3U * picture.width() * picture.height() / 10);
    EXPECT_TRUE(window->WriteConstants(Path("calibrated.TCM")));

    // The next recipe uses the fit: its purity and contamination in the Recipe window's fields.
    ASSERT_TRUE(window->UseInRecipe1->isEnabled());
    window->UseInRecipe1->trigger();
    auto* recipe = main.findChild<TRecipe*>();
    ASSERT_NE(recipe, nullptr);
    EXPECT_TRUE(recipe->isVisible());
    const Calibration& fit = main.state().LastCalibration();
    int filled = 0;
    for (const TRecipe::StockRow& row : recipe->Stocks) {
        if (row.name == QStringLiteral("EGTA")) {
            EXPECT_EQ(row.purity->text().toStdString(), ShortestText(fit.purity.value));
            ++filled;
        }
        if (row.name == QStringLiteral("Ca2") && fit.contamination.value > 0) {
            EXPECT_EQ(row.contamination->text().toStdString(), ShortestText(fit.contamination.value) + " M");
            ++filled;
        }
    }
    EXPECT_GE(filled, 1);

    // And the uncertainty: the fit's purity and contamination, with their spreads, are its inputs.
    const CalibrationUse use = UseOf(fit);
    script.On<TUncertaintyDialog>([&](TUncertaintyDialog& d) {
        const TSolution& sol = main.state().Solution;
        for (int i = 1; i <= kSlots; ++i) {
            if (d.Purity[i] != nullptr && sol.ChelName[i].view() == "EGTA") {
                EXPECT_EQ(d.PuritySd[i]->text().toStdString(), ShortestText(use.puritySd));
            }
        }
        for (int j = 1; j <= kSlots; ++j) {
            if (d.Contamination[j] != nullptr && sol.MetalName[j].view() == "Ca2") {
                EXPECT_EQ(d.ContaminationSd[j]->text().toStdString(), ShortestText(use.contaminationSd));
            }
        }
        d.Samples->setText(QStringLiteral("200"));
        d.OKButton->click();
    });
    window->UseInUncertainty1->trigger();
    bool varied = false;
    for (const std::string& line : main.Output->Lines())
        varied = varied || line.find("contamination") != std::string::npos;
    EXPECT_TRUE(varied);
}

// By keyboard alone: Tab goes row by row as laid out, every Alt+letter is one control's (Alt+F is the File
// menu's), and Enter in a field fits.
TEST_F(GuiTest, CalibrateWindowWorksFromTheKeyboard) {
    TTULV& main =
        Start({QStringLiteral("/x"), QString::fromStdString(WriteWorkFile(WriteSampleConstants()))});
    main.Calibrate1->trigger();
    auto* window = main.findChild<TCalibrateWindow*>();
    ASSERT_NE(window, nullptr);
    const std::vector<QWidget*> laidOut{
        window->DataFile1, window->Browse1, window->Chelator1, window->Metal1, window->Bootstrap1,
        window->Temp1,     window->PH1,     window->Ionic1,    window->Fit1,   window->Results1};
    for (std::size_t k = 0; k + 1 < laidOut.size(); ++k) {
        QWidget* next = laidOut[k]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
        EXPECT_EQ(next, laidOut[k + 1]) << laidOut[k]->objectName().toStdString();
    }
    QStringList captions{window->menuBar()->actions().front()->text(), window->Browse1->text(),
                         window->Fit1->text()};
    for (const QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy() != nullptr) captions << l->text();
    std::set<QChar> keys;
    for (const QString& c : captions) {
        const qsizetype at = c.indexOf(QLatin1Char('&'));
        ASSERT_GE(at, 0) << c.toStdString();
        EXPECT_TRUE(keys.insert(c.at(at + 1).toLower()).second) << "Alt+" << c.toStdString();
    }
    window->Chelator1->setCurrentText(QStringLiteral("EGTA"));
    window->Metal1->setCurrentText(QStringLiteral("Ca2"));
    window->DataFile1->setText(QStringLiteral(DEDODIZ_SOURCE_DIR "/examples/ca-egta-titration.csv"));
    window->Temp1->setText(QStringLiteral("22"));
    window->Ionic1->setText(QStringLiteral("0.15"));
    window->Bootstrap1->setText(QStringLiteral("0"));
    window->PH1->setText(QStringLiteral("7.2"));
    emit window->PH1->returnPressed();
    EXPECT_TRUE(window->UseInRecipe1->isEnabled());

    // A long bootstrap shows its progress and stops when asked, keeping nothing of a result.
    window->Bootstrap1->setText(QStringLiteral("100000"));
    bool sawProgress = false;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        auto* progress = window->findChild<QProgressDialog*>();
        if (progress == nullptr || !progress->isVisible()) return;
        sawProgress = progress->value() > 0;
        progress->cancel();
    });
    stopper.start(100);
    EXPECT_FALSE(window->Fit1Click());
    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(window->Results1->toPlainText().startsWith(QStringLiteral("Stopped")));
    EXPECT_FALSE(window->UseInRecipe1->isEnabled());
    EXPECT_EQ(window->findChild<QProgressDialog*>(), nullptr);
}

}  // namespace
}  // namespace dedodiz::test
