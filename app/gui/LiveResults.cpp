// SPDX-License-Identifier: BSD-3-Clause
#include "gui/LiveResults.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/Format.h"
#include "gui/LiveNumbers.h"
#include "gui/QtText.h"

namespace dedodiz {

namespace {

// A table of results whose columns are as wide as the widest text each usually holds (in bold), set once:
// a column fitted to its contents would measure every cell again at every change of one.
QTableWidget* ResultTable(QWidget* parent, const char* name, const QStringList& headings,
                          const QStringList& widest) {
    auto* table = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);  // "1.42 mM" on one line, never broken inside its cell
    table->setTextElideMode(Qt::ElideNone);
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    QFont bold = table->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // Rows as high as a line of text needs: six metals and their pairs stay in view.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(metrics.height() + 8);
    // The cell's margins of the style, and a character to spare.
    const int padding = 2 * metrics.averageCharWidth() + 8;
    for (int c = 0; c < headings.size(); ++c) {
        int width = metrics.horizontalAdvance(headings[c]);
        for (const QString& text : widest[c].split(QLatin1Char('|')))
            width = std::max(width, metrics.horizontalAdvance(text));
        header->resizeSection(c, width + padding);
    }
    header->setStretchLastSection(true);
    return table;
}

// Sets the text of a cell, making the item when the row is new; computed values are bold.
void SetCell(QTableWidget* table, int row, int column, const QString& text, bool bold = false) {
    QTableWidgetItem* item = table->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        table->setItem(row, column, item);
    }
    if (item->text() != text) item->setText(text);
    if (item->font().bold() != bold) {
        QFont font = item->font();
        font.setBold(bold);
        item->setFont(font);
    }
}

// A table of a few rows shows them all, at the width of its texts, without scroll bars.
void FitRows(QTableWidget* table) {
    int height = table->horizontalHeader()->height() + 2 * table->frameWidth();
    for (int r = 0; r < table->rowCount(); ++r) height += table->rowHeight(r);
    const int width = table->horizontalHeader()->length() + 2 * table->frameWidth();
    if (table->height() != height) table->setFixedHeight(height);
    if (table->width() != width) table->setFixedWidth(width);
}

QString Fixed(double x, int decimals) {
    return ToQ(FormatFixed(x, 0, decimals));
}

bool ChelatorPresent(const TSolution& w, int i) {
    return w.ChelName[i] != kEmptyChelator;
}
bool MetalPresent(const TSolution& w, int j) {
    return w.MetalName[j] != kEmptyMetal;
}

}  // namespace

QString ConcCell(double value) {
    return ToQ(ConcentrationForEye(value));
}

LiveResults::LiveResults(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LiveResults"));
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setWordWrap(true);
    Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StaleReason = new QLabel(this);
    StaleReason->setObjectName(QStringLiteral("StaleReason"));
    StaleReason->setWordWrap(true);
    QFont bold = StaleReason->font();
    bold.setBold(true);
    StaleReason->setFont(bold);
    StaleReason->hide();
    resultsNote_ = new QLabel(this);
    pairsNote_ = new QLabel(this);
    for (QLabel* note : {resultsNote_, pairsNote_}) {
        note->setWordWrap(true);
        note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        note->hide();
    }
    resultsNote_->setObjectName(QStringLiteral("ResultsNote"));
    pairsNote_->setObjectName(QStringLiteral("PairsNote"));

    // The widest texts: a name of seven letters, a concentration of three digits in any unit (each
    // column is as wide as the widest of the texts between the bars), a range word.
    const QString name = QStringLiteral("DBBAPTA");
    const QString conc = QStringLiteral("999 µM|888 mM|88.8 mM|888 nM|888 pM|888 fM|888 aM");
    const QStringList concs{QStringLiteral("Total"), QStringLiteral("Free")};
    Metals =
        ResultTable(this, "MetalResults", QStringList{QStringLiteral("Metal")} + concs, {name, conc, conc});
    Chelators = ResultTable(this, "ChelatorResults", QStringList{QStringLiteral("Chelator")} + concs,
                            {name, conc, conc});
    Pairs = ResultTable(this, "PairResults",
                        {QStringLiteral("Pair"), QStringLiteral("Kd"), QStringLiteral("Buffer"),
                         QStringLiteral("ML"), QStringLiteral("MHL")},
                        {name + QStringLiteral(" · Ca2"), conc, QStringLiteral("<<RANGE"), conc, conc});
    // Six chelators and six metals make 36 pairs: at least five of them stay in view.
    Pairs->setMinimumHeight(Pairs->horizontalHeader()->sizeHint().height() +
                            5 * Pairs->verticalHeader()->defaultSectionSize() + 2 * Pairs->frameWidth());
    for (QTableWidget* table : {Metals, Chelators}) {
        table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        table->horizontalHeader()->setStretchLastSection(false);
        FitRows(table);
        // A column the user widens widens its table.
        connect(table->horizontalHeader(), &QHeaderView::sectionResized, table, [table] { FitRows(table); });
    }

    auto* tables = new QGridLayout;
    tables->addWidget(Metals, 0, 0, Qt::AlignTop);
    tables->addWidget(Chelators, 0, 1, Qt::AlignTop);
    tables->setColumnStretch(2, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(StaleReason);
    column->addWidget(Summary);
    column->addLayout(tables);
    column->addWidget(Pairs, 1);
    SetStale(QStringLiteral("No results yet"));
}

QLabel* LiveResults::Note(LivePlace place) const {
    if (place == LivePlace::Results) return resultsNote_;
    if (place == LivePlace::Pairs) return pairsNote_;
    return nullptr;
}

void LiveResults::SetStale(const QString& reason) {
    stale_ = !reason.isEmpty();
    StaleReason->setText(reason);
    StaleReason->setVisible(stale_);
    // Greyed, not hidden: the last good numbers stay readable beside the fields being typed.
    for (QWidget* w : std::initializer_list<QWidget*>{Summary, Metals, Chelators, Pairs})
        w->setEnabled(!stale_);
}

void LiveResults::Show(const Calculation& calc, const Outcome& outcome) {
    const TSolution& w = calc.WorkSolution;
    const SolverResults& r = calc.Results;
    QString state = QStringLiteral("converged");
    if (!outcome.converged) {
        state = QStringLiteral("CONVERGENCE NOT REACHED");
    } else if (outcome.refined) {
        state = QStringLiteral("exact: mass-balance residual ") + ToQ(ShortestText(outcome.residual));
    }
    Summary->setText(QStringLiteral("pH %1 · %2 °C · %3 N\nSolved solution: CM-I %4 N, CM-E %5 N · %6\n"
                                    "Bold values are computed, the others are the form's.")
                         .arg(Fixed(w.PH, 2), Fixed(w.Temperature, 1), Fixed(w.IonicEquiv, 3),
                              Fixed(r.SolutionIonic, 3), Fixed(r.SolutionCharge, 3), state));
    ShowMetals(w, calc.CalcType);
    ShowChelators(w, calc.CalcType);
    ShowPairs(w, r);
}

void LiveResults::ShowMetals(const TSolution& w, CalculationType type) {
    int row = 0;
    for (int j = 1; j <= kSlots; ++j)
        if (MetalPresent(w, j)) ++row;
    Metals->setRowCount(row);
    row = 0;
    for (int j = 1; j <= kSlots; ++j) {
        if (!MetalPresent(w, j)) continue;
        SetCell(Metals, row, 0, ToQ(w.MetalName[j]));
        SetCell(Metals, row, 1, ConcCell(w.MetalTotal[j]), type == CalculationType::Total);
        SetCell(Metals, row, 2, ConcCell(w.MetalFree[j]), type == CalculationType::Free);
        ++row;
    }
    FitRows(Metals);
}

void LiveResults::ShowChelators(const TSolution& w, CalculationType type) {
    int row = 0;
    for (int i = 1; i <= kSlots; ++i)
        if (ChelatorPresent(w, i)) ++row;
    Chelators->setRowCount(row);
    row = 0;
    for (int i = 1; i <= kSlots; ++i) {
        if (!ChelatorPresent(w, i)) continue;
        SetCell(Chelators, row, 0, ToQ(w.ChelName[i]));
        SetCell(Chelators, row, 1, ConcCell(w.ChelTotal[i]), type == CalculationType::Chelator);
        SetCell(Chelators, row, 2, ConcCell(w.ChelFree[i]), true);
        ++row;
    }
    FitRows(Chelators);
}

void LiveResults::ShowPairs(const TSolution& w, const SolverResults& r) {
    int rows = 0;
    for (int i = 1; i <= kSlots; ++i)
        for (int j = 1; j <= kSlots; ++j)
            if (ChelatorPresent(w, i) && MetalPresent(w, j)) ++rows;
    Pairs->setRowCount(rows);
    int row = 0;
    for (int i = 1; i <= kSlots; ++i) {
        for (int j = 1; j <= kSlots; ++j) {
            if (!ChelatorPresent(w, i) || !MetalPresent(w, j)) continue;
            const double kd = r.KdCombined[i][j];
            const QString none = QStringLiteral("—");
            SetCell(Pairs, row, 0, ToQ(w.ChelName[i]) + QStringLiteral(" · ") + ToQ(w.MetalName[j]));
            SetCell(Pairs, row, 1, kd != 0 ? ConcCell(kd) : none);
            const QString word = kd != 0 ? ToQ(BufferingRangeWord(kd, w.MetalFree[j])).trimmed() : none;
            SetCell(Pairs, row, 2, word, word == QStringLiteral("GOOD"));
            SetCell(Pairs, row, 3, ConcCell(r.MLConc[i][j]), true);
            SetCell(Pairs, row, 4, ConcCell(r.MHLConc[i][j]), true);
            ++row;
        }
    }
}

}  // namespace dedodiz
