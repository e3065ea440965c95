// SPDX-License-Identifier: BSD-3-Clause
// The recipe window: its controls and layout, the stock fields of the current solution, and the table.
// Reading the fields and the result commands are in RecipeCommands.cpp.

#include "gui/Recipe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>
#include <vector>

#include "buffers/BufferFile.h"
#include "core/RecipeReport.h"
#include "engine/Format.h"
#include "files/DataPaths.h"
#include "gui/Controls.h"
#include "gui/Help.h"
#include "gui/Keyboard.h"
#include "gui/QtText.h"
#include "gui/Sizing.h"

namespace dedodiz {

namespace {

constexpr int kHelpTopic = 15;

QLineEdit* EditField(QWidget* parent, const char* name, const QString& text, const char* widest) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString::fromLatin1(widest)) + 16);
    return field;
}

QComboBox* Choice(QWidget* parent, const char* name, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    return box;
}

QLabel* Buddy(const QString& caption, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(field);
    return label;
}

}  // namespace

TRecipe::TRecipe(ProgramState& s, MessageSink& messages, OutputSink& output, QWidget* parent)
    : QDialog(parent), s_(s), messages_(messages), output_(output) {
    setObjectName(QStringLiteral("Recipe"));
    setWindowTitle(QStringLiteral("Recipe"));
    setModal(false);
    SetHelpContext(this, kHelpTopic);

    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setWordWrap(true);

    auto* stocks = new QGroupBox(QStringLiteral("Stocks"), this);
    stockGrid_ = new QGridLayout(stocks);
    stockGrid_->addWidget(new QLabel(QStringLiteral("stock"), stocks), 0, 1);
    stockGrid_->addWidget(new QLabel(QStringLiteral("purity (chelators)"), stocks), 0, 2);
    stockGrid_->addWidget(new QLabel(QStringLiteral("added as"), stocks), 0, 3);
    stockGrid_->addWidget(new QLabel(QStringLiteral("contamination (metals)"), stocks), 0, 4);
    stockGrid_->setColumnStretch(5, 1);

    Volume = EditField(this, "Volume", QStringLiteral("10 mL"), "0000.000 mL");
    Buffer = Choice(this, "Buffer", {QStringLiteral("none")});
    BufferConc = EditField(this, "BufferConc", QStringLiteral("20 mM"), "000.00 mM");
    BufferStock = EditField(this, "BufferStock", QStringLiteral("1 M"), "000.00 mM");
    BufferForm = Choice(this, "BufferForm",
                        {QStringLiteral("free form"), QStringLiteral("mono-salt"), QStringLiteral("di-salt"),
                         QStringLiteral("tri-salt")});
    TopUp = new QCheckBox(QStringLiteral("&Top up the ionic strength to"), this);
    TopUp->setObjectName(QStringLiteral("TopUp"));
    TopUp->setChecked(true);
    Target = EditField(this, "Target", QString(), "0.0000");
    TargetKind = Choice(
        this, "TargetKind",
        {QStringLiteral("N (ionic equivalents)"), QStringLiteral("M (ionic strength, 1/2 sum c z\u00B2)")});
    SaltName = EditField(this, "SaltName", QStringLiteral("KCl"), "KCl00000");
    SaltStock = EditField(this, "SaltStock", QStringLiteral("3 M"), "000.00 mM");
    SeriesMetal = Choice(this, "SeriesMetal", {QStringLiteral("none")});
    SeriesKind = Choice(this, "SeriesKind",
                        {QStringLiteral("pX from, to, step"), QStringLiteral("pX list"),
                         QStringLiteral("concentration list")});
    SeriesFrom = EditField(this, "SeriesFrom", QStringLiteral("9"), "00.00");
    SeriesTo = EditField(this, "SeriesTo", QStringLiteral("4.5"), "00.00");
    SeriesStep = EditField(this, "SeriesStep", QStringLiteral("0.5"), "00.00");
    SeriesList = EditField(this, "SeriesList", QString(), "100 nM; 1 uM; 10 uM");
    Method = Choice(this, "Method",
                    {QStringLiteral("from the stocks"), QStringLiteral("mixing two end solutions")});
    MixVolume = EditField(this, "MixVolume", QString(), "0000.000 mL");
    MixVolume->setPlaceholderText(QStringLiteral("volume / mixes"));

    auto* form = new QFormLayout;
    form->addRow(Buddy(QStringLiteral("&Volume of each solution:"), Volume, this), Volume);
    auto* buffer = new QHBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Buffer, new QLabel(QStringLiteral("at"), this), BufferConc,
                                         new QLabel(QStringLiteral("stock"), this), BufferStock,
                                         new QLabel(QStringLiteral("added as"), this), BufferForm})
        buffer->addWidget(w);
    form->addRow(Buddy(QStringLiteral("pH &buffer:"), Buffer, this), buffer);
    auto* topup = new QHBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Target, TargetKind, new QLabel(QStringLiteral("with"), this),
                                         SaltName, new QLabel(QStringLiteral("stock"), this), SaltStock})
        topup->addWidget(w);
    form->addRow(TopUp, topup);
    auto* series = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{
             SeriesMetal, SeriesKind, Buddy(QStringLiteral("&From"), SeriesFrom, this), SeriesFrom,
             Buddy(QStringLiteral("T&o"), SeriesTo, this), SeriesTo,
             Buddy(QStringLiteral("St&ep"), SeriesStep, this), SeriesStep,
             Buddy(QStringLiteral("&List"), SeriesList, this), SeriesList})
        series->addWidget(w);
    form->addRow(Buddy(QStringLiteral("&Series of free levels:"), SeriesMetal, this), series);
    BuildChemistry(form);
    auto* method = new QHBoxLayout;
    method->addWidget(Method);
    method->addWidget(Buddy(QStringLiteral("M&ix volume:"), MixVolume, this));
    method->addWidget(MixVolume);
    method->addStretch();
    form->addRow(Buddy(QStringLiteral("&Method:"), Method, this), method);

    Calculate = NamedButton(this, "Calculate", "&Calculate");
    Calculate->setDefault(true);
    Copy = NamedButton(this, "Copy", "Cop&y table");
    Export = NamedButton(this, "Export", "E&xport CSV...");
    Print = NamedButton(this, "Print", "&Print...");
    ToOutput = NamedButton(this, "ToOutput", "To O&utput");
    Close = NamedButton(this, "Close", "Close");
    connect(Calculate, &QPushButton::clicked, this, [this] { CalculateClick(); });
    connect(Copy, &QPushButton::clicked, this, &TRecipe::CopyClick);
    connect(Export, &QPushButton::clicked, this, &TRecipe::ExportClick);
    connect(Print, &QPushButton::clicked, this, &TRecipe::PrintClick);
    connect(ToOutput, &QPushButton::clicked, this, &TRecipe::ToOutputClick);
    connect(Close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Calculate, Copy, Export, Print, ToOutput}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Close);

    Table = new QTableWidget(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setMinimumHeight(Table->fontMetrics().height() * 12);
    Table->verticalHeader()->setVisible(false);

    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilter(QStringLiteral("CSV (*.csv)"));
    SaveDialog1->selectFile(QStringLiteral("recipe.csv"));

    // Six chelators and six metals at a large font make the fields larger than many screens: they then
    // scroll, the buttons and the table stay.
    auto* content = new QWidget(this);
    auto* fields = new QVBoxLayout(content);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(Summary);
    fields->addWidget(stocks);
    fields->addLayout(form);
    auto* scroll = new WholeScrollArea(this);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addLayout(buttons);
    layout->addWidget(Table, 1);
    EnableResults(false);
}

TRecipe::~TRecipe() = default;

void TRecipe::ShowForCurrentSolution() {
    const TSolution& sol = s_.Solution;
    QString summary = QStringLiteral("Type %1   pH %2   %3 C   %4 N   ")
                          .arg(s_.CalcType == CalculationType::Total  ? QStringLiteral("Total")
                               : s_.CalcType == CalculationType::Free ? QStringLiteral("Free")
                                                                      : QStringLiteral("Chelator"))
                          .arg(ToQ(FixedText(sol.PH, 2)), ToQ(FixedText(sol.Temperature, 1)),
                               ToQ(FixedText(sol.IonicEquiv, 3)));
    for (int i = 1; i <= kSlots; ++i)
        if (sol.ChelName[i] != kEmptyChelator)
            summary += ToQ(sol.ChelName[i].str() + " " + ScientificText(sol.ChelTotal[i], 2) + " M   ");
    for (int j = 1; j <= kSlots; ++j)
        if (sol.MetalName[j] != kEmptyMetal)
            summary +=
                ToQ(sol.MetalName[j].str() + (s_.CalcType == CalculationType::Free ? " total " : " free ") +
                    ScientificText(
                        s_.CalcType == CalculationType::Free ? sol.MetalTotal[j] : sol.MetalFree[j], 2) +
                    " M   ");
    Summary->setText(summary.trimmed());
    if (Target->text().isEmpty() || !isVisible()) Target->setText(ToQ(ShortestText(sol.IonicEquiv)));
    BuildStockRows();
    FillBuffers();
    const QString metal = SeriesMetal->currentText();
    while (SeriesMetal->count() > 1) SeriesMetal->removeItem(1);
    for (int j = 1; j <= kSlots; ++j)
        if (sol.MetalName[j] != kEmptyMetal) SeriesMetal->addItem(ToQ(sol.MetalName[j].view()));
    SeriesMetal->setCurrentIndex(std::max(0, SeriesMetal->findText(metal)));
    // Opened anew, the window takes the size of its rows where the screen has room; while it is open,
    // the user's size stays.
    if (!isVisible()) ResizeWithinScreen(this);
    show();
    raise();
    activateWindow();
}

void TRecipe::BuildStockRows() {
    for (StockRow& row : Stocks) {
        typedStocks_[row.name] = row.stock->text();
        if (row.purity != nullptr) typedPurity_[row.name] = row.purity->text();
        typedForm_[row.name] = row.form->text();
        if (row.contamination != nullptr) typedContamination_[row.name] = row.contamination->text();
        delete row.label;
        delete row.stock;
        delete row.purity;
        delete row.form;
        delete row.contamination;
    }
    Stocks.clear();
    // Each row's name takes a letter that no other caption of the window has.
    std::set<QChar> taken = TakenMnemonics(this);
    auto* parent = stockGrid_->parentWidget();
    const TSolution& sol = s_.Solution;
    const auto add = [&](std::string_view name, bool chelator) {
        StockRow row;
        row.name = ToQ(name);
        row.stock = EditField(parent, "Stock", typedStocks_.value(row.name), "000.00 mM");
        row.stock->setObjectName(QStringLiteral("Stock_") + row.name);
        row.label = Buddy(WithMnemonic(row.name, taken) + QStringLiteral(":"), row.stock, parent);
        const int line = static_cast<int>(Stocks.size()) + 1;
        stockGrid_->addWidget(row.label, line, 0);
        stockGrid_->addWidget(row.stock, line, 1);
        if (chelator) {
            row.purity =
                EditField(parent, "Purity", typedPurity_.value(row.name, QStringLiteral("1")), "100 %");
            row.purity->setObjectName(QStringLiteral("Purity_") + row.name);
            stockGrid_->addWidget(row.purity, line, 2);
        }
        AddChemistryFields(row, line, chelator);
        Stocks.push_back(row);
    };
    for (int i = 1; i <= kSlots; ++i)
        if (sol.ChelName[i] != kEmptyChelator) add(sol.ChelName[i].view(), true);
    for (int j = 1; j <= kSlots; ++j)
        if (sol.MetalName[j] != kEmptyMetal) add(sol.MetalName[j].view(), false);
    // Tab runs along each stock row, row by row, then through the fields below as they are laid out (the
    // rows are made after them, and would otherwise come last).
    std::vector<QWidget*> order;
    for (const StockRow& row : Stocks)
        order.insert(order.end(), {row.stock, row.purity, row.form, row.contamination});
    order.insert(
        order.end(),
        {Volume,           Buffer,       BufferConc,    BufferStock, BufferForm, TopUp,      Target,
         TargetKind,       SaltName,     SaltStock,     SeriesMetal, SeriesKind, SeriesFrom, SeriesTo,
         SeriesStep,       SeriesList,   BaseName,      BaseStock,   AcidName,   AcidStock,  Osmolarity,
         OsmolarityTarget, OsmolyteName, OsmolyteStock, Method,      MixVolume,  Calculate,  Copy,
         Export,           Print,        ToOutput,      Close,       Table});
    ChainTabOrder(order);
}

const BufferTool& TRecipe::BufferTable() {
    if (s_.BufferLoaded) return s_;
    if (!bundledRead_) {
        bundledRead_ = true;
        MessageKeeper quiet;  // without the bundled file the list holds "none" only
        ReadBufferFile(bundled_, FindDataFile("buffers.bcm"), quiet);
    }
    return bundled_;
}

void TRecipe::FillBuffers() {
    const QString chosen = Buffer->currentText();
    while (Buffer->count() > 1) Buffer->removeItem(1);
    const BufferTool& table = BufferTable();
    for (int k = 1; k <= kBufferSlots; ++k) {
        const QString name = ToQ(table.BufferSlots[k].Name.view()).trimmed();
        if (!name.isEmpty() && table.BufferSlots[k].pKa[1] > 0) Buffer->addItem(name);
    }
    Buffer->setCurrentIndex(std::max(0, Buffer->findText(chosen)));
}

void TRecipe::ShowTable() {
    const RecipeTable table = PipettingTable(recipe_);
    Table->clear();
    Table->setColumnCount(static_cast<int>(table.header.size()));
    Table->setRowCount(static_cast<int>(table.rows.size()));
    QStringList header;
    for (const std::string& h : table.header) header << ToQ(h);
    Table->setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(ToQ(table.rows[r][c]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    Table->resizeColumnsToContents();
    EnableResults(recipe_.ok);
}

void TRecipe::EnableResults(bool on) {
    for (QPushButton* b : {Copy, Export, Print, ToOutput}) b->setEnabled(on);
}

}  // namespace dedodiz
