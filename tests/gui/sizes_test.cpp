// SPDX-License-Identifier: BSD-3-Clause
// Every window fits its texts at a desktop font larger than the standard one, and its caption; every
// menu item can be reached by its letter.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "GuiFixture.h"
#include "ModalScript.h"
#include "core/CalibrationGraph.h"
#include "core/Session.h"
#include "gui/About.h"
#include "gui/Adjust.h"
#include "gui/Array2.h"
#include "gui/Axis.h"
#include "gui/Bufcalc.h"
#include "gui/CalibrateWindow.h"
#include "gui/Cedit.h"
#include "gui/Cm.h"
#include "gui/Cmform.h"
#include "gui/Ctype.h"
#include "gui/Environ.h"
#include "gui/Foutput.h"
#include "gui/Live.h"
#include "gui/LiveForm.h"
#include "gui/LiveResults.h"
#include "gui/MessageBoxes.h"
#include "gui/PictureView.h"
#include "gui/Recipe.h"
#include "gui/Ufgop.h"
#include "gui/UncertaintyDialog.h"

namespace dedodiz::test {
namespace {

// The room a control's text asks for: Qt's size hint where it is the text's (labels, radio buttons,
// check boxes, group-box titles), the bare text for push buttons and line edits, whose hints add a
// minimum width of their own.
QSize TextNeed(const QWidget* w) {
    const QFontMetrics metrics = w->fontMetrics();
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text().isEmpty() || label->wordWrap() ? QSize() : label->sizeHint();
    if (const auto* button = qobject_cast<const QPushButton*>(w))
        return metrics.size(Qt::TextShowMnemonic, button->text());
    if (qobject_cast<const QRadioButton*>(w) != nullptr || qobject_cast<const QCheckBox*>(w) != nullptr)
        return static_cast<const QAbstractButton*>(w)->text().isEmpty() ? QSize() : w->sizeHint();
    if (const auto* edit = qobject_cast<const QLineEdit*>(w))
        return {metrics.horizontalAdvance(edit->text()), metrics.height()};
    if (const auto* group = qobject_cast<const QGroupBox*>(w))
        return {metrics.horizontalAdvance(group->title()), 0};
    return {};
}

void ExpectTextsFit(QWidget* window) {
    SCOPED_TRACE(window->objectName().toStdString());
    window->show();
    QApplication::processEvents();
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(window->width(), QFontMetrics(bold).horizontalAdvance(window->windowTitle()));
    for (const QWidget* child : window->findChildren<QWidget*>()) {
        if (child->window() != window || !child->isVisibleTo(window)) continue;
        const QSize need = TextNeed(child);
        const std::string name = child->objectName().toStdString() + " \"" +
                                 child->property("text").toString().toStdString() + "\"";
        EXPECT_GE(child->width(), need.width()) << name;
        EXPECT_GE(child->height(), need.height()) << name;
        // Within its window, or within the content of the scroll area that holds it.
        QWidget* frame = window;
        for (QWidget* p = child->parentWidget(); p != nullptr && p != window; p = p->parentWidget()) {
            const auto* area = qobject_cast<QScrollArea*>(p);
            if (area != nullptr && area->widget() != nullptr && area->widget()->isAncestorOf(child)) {
                frame = area->widget();
                break;
            }
        }
        const QRect place(child->mapTo(frame, QPoint(0, 0)), child->size());
        EXPECT_TRUE(frame->rect().contains(place)) << name << " lies outside its window";
    }
    window->hide();
}

class LargeFontTest : public GuiTest {
  protected:
    void SetUp() override {
        standard_ = QApplication::font();
        QFont large = standard_;
        large.setPointSizeF(standard_.pointSizeF() * 1.6);  // 9 pt becomes about 14 pt
        QApplication::setFont(large);
        GuiTest::SetUp();
    }
    void TearDown() override {
        GuiTest::TearDown();
        QApplication::setFont(standard_);
    }
    QFont standard_;
};

TEST_F(LargeFontTest, EveryWindowGrowsToFitItsTexts) {
    ModalScript script;
    TTULV& main = Start();
    ProgramState& s = main.state();
    FillSampleTable(s);
    s.ChelatorChosen[1] = s.MetalChosen[1] = true;
    BuildSelection(s, s, s.Solution, main.messages());
    main.CMArray->FillFromState();
    main.CMC->FillFromState();
    main.cmfrm->FillFromState();
    main.EditCon->ShowFromState();
    main.FAXIS->ShowAxis(s.XAxis);

    // The windows drawn at fixed places grow with the font; the others follow their layouts.
    EXPECT_GT(main.Bufcalc->width(), 549);
    EXPECT_GT(main.Bufcalc->height(), 442);
    for (QWidget* window : std::initializer_list<QWidget*>{
             &main, main.AboutBox, main.Kadjust, main.CMArray, main.FAXIS, main.Bufcalc, main.EditCon,
             main.CMC, main.FType, main.EV, main.Output, main.FGOP, main.cmfrm, main.Live})
        ExpectTextsFit(window);
}

// Six chelators and six metals of the bundled table, 1 mM and 0.1 mM, at pH 7.2: whether that was taken.
bool DescribeSixBySix(ProgramState& s) {
    SolutionInput entered;
    entered.pH = 7.2;
    for (const char* name : {"EGTA", "EDTA", "HEDTA", "NTA", "CDTA", "Citrate"})
        entered.chelators.push_back({name, 1e-3});
    for (const char* name : {"Ca2", "Mg2", "Sr2", "Ba2", "Mn2", "Zn2"})
        entered.metals.push_back({name, 1e-4, 0});
    return s.Describe(entered).Ran();
}

// The live calculator with six chelators and six metals of the bundled table at the large font: every
// result cell shows its whole text on one line, five pairs at least are in view, and a warning that
// appears moves no field.
TEST_F(LargeFontTest, LiveCalculatorAtSixBySixShowsEveryCellWhole) {
    ModalScript script;
    TTULV& main = Start();
    main.Live1Click();  // the bundled table
    ASSERT_TRUE(DescribeSixBySix(main.state()));
    TLive& live = *main.Live;
    live.ShowFromState();
    QApplication::processEvents();
    ASSERT_FALSE(live.Results->Stale());
    for (const QTableWidget* table : {live.Results->Metals, live.Results->Chelators, live.Results->Pairs}) {
        for (int r = 0; r < table->rowCount(); ++r) {
            for (int c = 0; c < table->columnCount(); ++c) {
                const QTableWidgetItem* item = table->item(r, c);
                const int need = QFontMetrics(item->font()).horizontalAdvance(item->text());
                EXPECT_LE(need + 6, table->columnWidth(c)) << item->text().toStdString();
            }
        }
    }
    EXPECT_EQ(live.Results->Pairs->rowCount(), 36);
    EXPECT_GE(live.Results->Pairs->viewport()->height(), 5 * live.Results->Pairs->rowHeight(0));

    const QRect before = live.Form->Chelators[5].total->geometry();
    live.Form->PH->setText(QStringLiteral("10.5"));
    live.Recalculate();
    QApplication::processEvents();
    EXPECT_TRUE(live.Note(LivePlace::PH)->isVisibleTo(&live));
    EXPECT_EQ(live.Form->Chelators[5].total->geometry(), before);
}

// Presses Alt and each letter that a label of window gives its buddy: every letter is one label's, and
// brings the focus to that label's field. The fields reached, by their letters.
std::map<QChar, QWidget*> PressEveryLetter(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    std::map<QChar, QWidget*> reached;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->buddy() == nullptr || label->window() != window) continue;
        const qsizetype at = label->text().indexOf(QLatin1Char('&'));
        if (at < 0) continue;
        const QChar key = label->text().at(at + 1).toUpper();
        EXPECT_TRUE(reached.emplace(key, label->buddy()).second) << "Alt+" << label->text().toStdString();
        QTest::keyClick(window, static_cast<Qt::Key>(key.unicode()), Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), label->buddy()) << label->text().toStdString();
    }
    return reached;
}

QWidget* NextByTab(QWidget* field) {
    QWidget* next = field->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    return next;
}

// Six chelators and six metals at the large font: the rows of the uncertainty dialog and of the recipe
// window are each reached by a letter of their own, Tab goes on along the row, and the windows keep their
// buttons on the screen, scrolling their fields instead.
TEST_F(LargeFontTest, SixBySixRowsHaveTheirLettersAndTheWindowsStayOnTheScreen) {
    ModalScript script;
    TTULV& main = Start();
    main.Live1Click();  // the bundled table
    ASSERT_TRUE(DescribeSixBySix(main.state()));
    main.Live->hide();
    const QSize screen = QApplication::primaryScreen()->availableGeometry().size();

    TUncertaintyDialog dialog(main.messages(), &main);
    dialog.FillFromSolution(main.state().Solution);
    const std::map<QChar, QWidget*> reached = PressEveryLetter(&dialog);
    for (int i = 1; i <= kSlots; ++i) {
        for (auto [value, sd] : {std::pair{dialog.Purity[i], dialog.PuritySd[i]},
                                 std::pair{dialog.Contamination[i], dialog.ContaminationSd[i]}}) {
            ASSERT_NE(value, nullptr);
            EXPECT_TRUE(std::any_of(reached.begin(), reached.end(), [&](auto& r) {
                return r.second == value;
            })) << value->objectName().toStdString();
            EXPECT_EQ(NextByTab(value), sd) << value->objectName().toStdString();
        }
    }
    EXPECT_EQ(NextByTab(dialog.TotalRsd), dialog.Purity[1]);
    EXPECT_EQ(NextByTab(dialog.ContaminationSd[kSlots]), dialog.OKButton);
    EXPECT_LE(dialog.height(), screen.height());
    EXPECT_TRUE(
        dialog.rect().contains(QRect(dialog.OKButton->mapTo(&dialog, QPoint()), dialog.OKButton->size())));
    dialog.hide();

    main.Recipe1->trigger();
    TRecipe* recipe = main.RecipeWindow;
    ASSERT_EQ(recipe->Stocks.size(), 12U);
    const std::map<QChar, QWidget*> stocks = PressEveryLetter(recipe);
    for (const TRecipe::StockRow& row : recipe->Stocks) {
        EXPECT_TRUE(std::any_of(stocks.begin(), stocks.end(), [&](auto& r) { return r.second == row.stock; }))
            << row.name.toStdString();
        EXPECT_EQ(NextByTab(row.stock), row.purity != nullptr ? row.purity : row.form)
            << row.name.toStdString();
    }
    EXPECT_EQ(NextByTab(recipe->Stocks.back().contamination), recipe->Volume);
    EXPECT_LE(recipe->height(), screen.height());
    EXPECT_LE(recipe->width(), screen.width());
    EXPECT_TRUE(
        recipe->rect().contains(QRect(recipe->Close->mapTo(recipe, QPoint()), recipe->Close->size())));
}

// The rows of image, among the first `rows`, that hold a black pixel in its left half: the height of
// the plot's title.
int TitleHeight(const QImage& image, int rows) {
    int first = rows;
    int last = -1;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < image.width() / 2; ++x) {
            if (image.pixel(x, y) != qRgb(0, 0, 0)) continue;
            first = std::min(first, y);
            last = y;
        }
    }
    return last - first + 1;
}

// The Calibrate window's plots grow with the font, texts included, inside a window that the screen
// holds; the picture saved is the one of the standard size.
TEST_F(LargeFontTest, CalibratePlotsGrowWithTheFontAndSaveAtTheirSize) {
    ModalScript script;
    TTULV& main =
        Start({QStringLiteral("/x"), QString::fromStdString(WriteWorkFile(WriteSampleConstants()))});
    main.Calibrate1->trigger();
    auto* window = main.findChild<TCalibrateWindow*>();
    ASSERT_NE(window, nullptr);
    window->Chelator1->setCurrentText(QStringLiteral("EGTA"));
    window->Metal1->setCurrentText(QStringLiteral("Ca2"));
    window->DataFile1->setText(QStringLiteral(DEDODIZ_SOURCE_DIR "/examples/ca-egta-titration.csv"));
    window->Bootstrap1->setText(QStringLiteral("0"));
    ASSERT_TRUE(window->Fit1Click());

    const double scale = static_cast<double>(QFontInfo(QApplication::font()).pixelSize()) / 12;
    ASSERT_GT(scale, 1.4);
    const QSize shown = window->Picture1->PictureSize();
    EXPECT_NEAR(shown.width(), kGraphWidth * scale, 1.0);
    EXPECT_NEAR(shown.height(), kGraphHeight * scale, 1.0);
    const QImage& standard = window->Picture().Image();
    EXPECT_GE(TitleHeight(window->Picture1->Shown(), static_cast<int>(20 * scale)),
              TitleHeight(standard, 20) * 1.4);
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->width(), screen.width());
    EXPECT_LE(window->height(), screen.height());

    ASSERT_EQ(window->SavePng(Path("plots.png")), Path("plots.png"));
    QtImageCanvas plain;
    DrawCalibration(main.state().LastCalibration(), plain);
    EXPECT_EQ(QImage(QString::fromStdString(Path("plots.png"))).convertToFormat(QImage::Format_RGB32),
              plain.Image());
}

TEST_F(GuiTest, MessageBoxesAreAsWideAsTheirCaptions) {
    ModalScript script;
    int width = 0;
    script.On<QMessageBox>([&](QMessageBox& box) {
        width = box.width();
        box.button(QMessageBox::Ok)->click();
    });
    MessageBoxes boxes;
    boxes.Message("pH < 6", "RAISE IONIC STRENGTH");
    QFont bold = QApplication::font();
    bold.setBold(true);
    // The caption and the window manager's buttons beside it: about four times the title's height.
    EXPECT_GE(width,
              QFontMetrics(bold).horizontalAdvance("RAISE IONIC STRENGTH") + 4 * QFontMetrics(bold).height());
}

TEST_F(GuiTest, EveryMenuItemHasItsOwnLetterButThePairsTheCaptionsGive) {
    ModalScript script;
    TTULV& main = Start();
    // Pairs that the described captions share; the letter then moves between them and Enter chooses.
    const std::set<std::pair<std::string, std::string>> shared = {{"Cu&t", "Prin&t"}, {"&Copy", "&Close"}};
    for (QMenuBar* bar : {main.menuBar(), main.Output->menuBar(), main.FGOP->menuBar()}) {
        for (QAction* title : bar->actions()) {
            std::map<QChar, std::string> letters;
            for (QAction* item : title->menu()->actions()) {
                if (item->isSeparator()) continue;
                const std::string caption = item->text().toStdString();
                const qsizetype amp = item->text().indexOf('&');
                ASSERT_TRUE(amp >= 0 && amp + 1 < item->text().size()) << caption << " has no letter";
                const QChar letter = item->text().at(amp + 1).toLower();
                if (const auto other = letters.find(letter); other != letters.end()) {
                    EXPECT_EQ(shared.count({other->second, caption}), 1u)
                        << other->second << " / " << caption;
                }
                letters.emplace(letter, caption);
            }
        }
    }
}

}  // namespace
}  // namespace dedodiz::test
