// SPDX-License-Identifier: BSD-3-Clause
#include "gui/CalibrateWindow.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "core/CalibrationGraph.h"
#include "core/Titration.h"
#include "engine/Format.h"
#include "gui/Fields.h"
#include "gui/FileNames.h"
#include "gui/Help.h"
#include "gui/PictureView.h"
#include "gui/ProgramState.h"
#include "gui/QtText.h"
#include "gui/SavePicture.h"
#include "gui/Sizing.h"
#include "gui/StopProgress.h"

namespace dedodiz {

namespace {

constexpr int kHelpTopic = 4;

QLineEdit* NumberField(QWidget* parent, const char* name, const QString& caption) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    SetFieldName(field, caption);
    return field;
}

}  // namespace

TCalibrateWindow::TCalibrateWindow(ProgramState& state, MessageSink& messages, CalibrationTargets use,
                                   QWidget* parent)
    : QMainWindow(parent), s_(state), messages_(messages), use_(std::move(use)) {
    setObjectName(QStringLiteral("CalibrateWindow"));
    setWindowTitle(QStringLiteral("Calibrate"));
    SetHelpContext(this, kHelpTopic);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    const auto item = [&](const char* name, const QString& text, const QKeySequence& key) {
        QAction* action = file->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        return action;
    };
    SavePNG1 = item("SavePNG1", QStringLiteral("Save plots as &PNG..."), QKeySequence(Qt::CTRL | Qt::Key_S));
    WriteConstants1 = item("WriteConstants1", QStringLiteral("&Write calibrated constants..."), {});
    UseInRecipe1 =
        item("UseInRecipe1", QStringLiteral("&Use in the recipe"), QKeySequence(Qt::CTRL | Qt::Key_R));
    UseInUncertainty1 = item("UseInUncertainty1", QStringLiteral("Use in the u&ncertainty..."), {});
    Close1 = item("Close1", QStringLiteral("C&lose"), QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(SavePNG1, &QAction::triggered, this, &TCalibrateWindow::SavePNG1Click);
    connect(WriteConstants1, &QAction::triggered, this, &TCalibrateWindow::WriteConstants1Click);
    connect(UseInRecipe1, &QAction::triggered, this, [this] {
        if (fitted_ && use_.recipe) use_.recipe(s_.LastCalibration());
    });
    connect(UseInUncertainty1, &QAction::triggered, this, [this] {
        if (fitted_ && use_.uncertainty) use_.uncertainty(s_.LastCalibration());
    });
    connect(Close1, &QAction::triggered, this, &QWidget::close);

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout;
    const auto label = [&](const QString& text, QWidget* buddy, int row, int column) {
        auto* l = new QLabel(text, central);
        l->setBuddy(buddy);
        grid->addWidget(l, row, column);
    };
    DataFile1 = new QLineEdit(central);
    DataFile1->setObjectName(QStringLiteral("DataFile1"));
    DataFile1->setPlaceholderText(QStringLiteral("metal_total_M,chelator_total_M,mV (or free_M)"));
    Browse1 = new QPushButton(QStringLiteral("&Browse..."), central);
    Browse1->setObjectName(QStringLiteral("Browse1"));
    Chelator1 = new QComboBox(central);
    Chelator1->setObjectName(QStringLiteral("Chelator1"));
    Metal1 = new QComboBox(central);
    Metal1->setObjectName(QStringLiteral("Metal1"));
    Temp1 = NumberField(central, "Temp1", QStringLiteral("Temperature [C]"));
    PH1 = NumberField(central, "PH1", QStringLiteral("pH"));
    Ionic1 = NumberField(central, "Ionic1", QStringLiteral("Ionic strength [N]"));
    Bootstrap1 = NumberField(central, "Bootstrap1", QStringLiteral("Bootstrap draws"));
    Bootstrap1->setText(QStringLiteral("1000"));
    // Alt+F opens the File menu; the button's mnemonic is its i.
    Fit1 = new QPushButton(QStringLiteral("F&it"), central);
    Fit1->setObjectName(QStringLiteral("Fit1"));
    Fit1->setDefault(true);
    label(QStringLiteral("&Titration (CSV):"), DataFile1, 0, 0);
    grid->addWidget(DataFile1, 0, 1, 1, 5);
    grid->addWidget(Browse1, 0, 6);
    label(QStringLiteral("&Chelator:"), Chelator1, 1, 0);
    grid->addWidget(Chelator1, 1, 1);
    label(QStringLiteral("&Metal:"), Metal1, 1, 2);
    grid->addWidget(Metal1, 1, 3);
    label(QStringLiteral("B&ootstrap:"), Bootstrap1, 1, 4);
    grid->addWidget(Bootstrap1, 1, 5);
    label(QStringLiteral("T&emp. [C]:"), Temp1, 2, 0);
    grid->addWidget(Temp1, 2, 1);
    label(QStringLiteral("&pH:"), PH1, 2, 2);
    grid->addWidget(PH1, 2, 3);
    label(QStringLiteral("Io&nic [N]:"), Ionic1, 2, 4);
    grid->addWidget(Ionic1, 2, 5);
    grid->addWidget(Fit1, 2, 6);

    Results1 = new QPlainTextEdit(central);
    Results1->setObjectName(QStringLiteral("Results1"));
    Results1->setReadOnly(true);
    Results1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Results1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Room for the report's 80 columns and a dozen lines at the desktop's font, as far as the screen has
    // it: at a very large font the columns would push the buttons beside them off the screen, and the
    // report scrolls sideways instead.
    const QFontMetrics metrics(Results1->font());
    int columns = metrics.horizontalAdvance(QString(82, QLatin1Char('0')));
    if (const QScreen* shown = screen())
        columns = std::min(columns, shown->availableGeometry().width() * 2 / 3);
    Results1->setMinimumSize(columns, metrics.lineSpacing() * 12);

    Picture1 = new PictureView(central);
    Picture1->setObjectName(QStringLiteral("Picture1"));

    auto* column = new QVBoxLayout(central);
    column->addLayout(grid);
    column->addWidget(Results1, 1);
    column->addWidget(Picture1);
    setCentralWidget(central);

    connect(Browse1, &QPushButton::clicked, this, &TCalibrateWindow::Browse1Click);
    connect(Fit1, &QPushButton::clicked, this, [this] { Fit1Click(); });
    // Enter in any field fits, as in a dialog (a main window has no default button of its own).
    for (QLineEdit* field : {DataFile1, Temp1, PH1, Ionic1, Bootstrap1})
        connect(field, &QLineEdit::returnPressed, this, [this] { Fit1Click(); });
    // Tab goes row by row as the fields are laid out, not in the order they were made.
    QWidget* previous = DataFile1;
    for (QWidget* next : std::initializer_list<QWidget*>{Browse1, Chelator1, Metal1, Bootstrap1, Temp1, PH1,
                                                         Ionic1, Fit1, Results1}) {
        setTabOrder(previous, next);
        previous = next;
    }
    SavePNG1->setEnabled(false);
    WriteConstants1->setEnabled(false);
    UseInRecipe1->setEnabled(false);
    UseInUncertainty1->setEnabled(false);
}

void TCalibrateWindow::ShowFor() {
    const auto fill = [](QComboBox* box, const std::vector<std::string>& names) {
        const QString chosen = box->currentText();
        box->clear();
        for (const std::string& n : names) box->addItem(ToQ(n));
        if (const int at = box->findText(chosen); at >= 0) box->setCurrentIndex(at);
    };
    std::vector<std::string> chelators, metals;
    for (int c = 1; c <= kTableChelators; ++c)
        if (s_.Constants[c].Name != kEmptyChelator && !s_.Constants[c].Name.empty())
            chelators.push_back(s_.Constants[c].Name.str());
    for (int m = 1; m <= kTableMetals; ++m)
        if (s_.Constants[1].MetalName[m] != kEmptyMetal && !s_.Constants[1].MetalName[m].empty())
            metals.push_back(s_.Constants[1].MetalName[m].str());
    fill(Chelator1, chelators);
    fill(Metal1, metals);
    if (Temp1->text().isEmpty()) {
        Temp1->setText(ToQ(ShortestText(s_.Solution.Temperature)));
        PH1->setText(ToQ(ShortestText(s_.Solution.PH)));
        Ionic1->setText(ToQ(ShortestText(s_.Solution.IonicEquiv)));
    }
    if (!sized_) {
        // The plots are larger at a large font: the window then takes what the screen holds, and they
        // scroll.
        ResizeWithinScreen(this);
        sized_ = true;
    }
    show();
    raise();
    activateWindow();
    DataFile1->setFocus();
}

void TCalibrateWindow::Browse1Click() {
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Titration"), DataFile1->text(),
                                                      QStringLiteral("Titration (*.csv);;All files (*)"));
    if (!name.isEmpty()) DataFile1->setText(name);
}

bool TCalibrateWindow::Fit1Click() {
    CalibrationRequest request;
    for (auto [field, into] : {std::pair{Temp1, &request.temperature}, std::pair{PH1, &request.pH},
                               std::pair{Ionic1, &request.ionic}}) {
        const std::optional<double> v = FieldNumber(field);
        if (!v) {
            RefuseField(messages_, "Not a valid number", "ERROR", field);
            return false;
        }
        *into = *v;
    }
    const std::optional<double> draws = FieldNumber(Bootstrap1);
    if (!draws || *draws != std::floor(*draws) || *draws < 0 || *draws > kMaxBootstrapDraws) {
        RefuseField(messages_, "Not a number of draws (0 to " + std::to_string(kMaxBootstrapDraws) + ")",
                    "ERROR", Bootstrap1);
        return false;
    }
    request.bootstrap = static_cast<int>(*draws);
    request.chelator = ToStd(Chelator1->currentText());
    request.metal = ToStd(Metal1->currentText());
    const TitrationRead read = ReadTitrationFile(ToStd(DataFile1->text()));
    if (!read.ok()) {
        messages_.Message("Cannot read the titration " + read.error, "ERROR");
        FocusField(DataFile1);
        return false;
    }
    request.titration = read.titration;
    StopProgress progress(
        this, QStringLiteral("Checking the intervals: %1 bootstrap draws...").arg(request.bootstrap),
        request.bootstrap);
    request.stop = progress.Check();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Outcome done =
        Perform(s_, messages_, nullptr, [&](Session& session) { return session.Calibrate(request); });
    QGuiApplication::restoreOverrideCursor();
    fitted_ = done.Ran();
    SavePNG1->setEnabled(fitted_);
    WriteConstants1->setEnabled(fitted_);
    UseInRecipe1->setEnabled(fitted_);
    UseInUncertainty1->setEnabled(fitted_);
    if (!fitted_) {
        // Nothing of an earlier fit stays on show beside a failed or stopped one.
        Results1->setPlainText(progress.Stopped()
                                   ? QStringLiteral("Stopped before the bootstrap ended: nothing was fitted. "
                                                    "Fewer bootstrap draws take less time.")
                                   : ToQ(done.Message()));
        Picture1->Clear();
        return false;
    }
    QString text;
    for (const std::string& line : done.report) text += ToQ(line) + QLatin1Char('\n');
    Results1->setPlainText(text);
    DrawCalibration(s_.LastCalibration(), canvas_);
    Picture1->Show([fit = s_.LastCalibration()](Canvas& canvas) { DrawCalibration(fit, canvas); });
    return true;
}

void TCalibrateWindow::SavePNG1Click() {
    const QString name =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save plots"), QStringLiteral("calibration.png"),
                                     QStringLiteral("PNG picture (*.png)"));
    if (!name.isEmpty()) SavePng(ToStd(name));
}

std::string TCalibrateWindow::SavePng(const std::string& name) {
    if (!fitted_) {
        messages_.Message(ForceFileExt(name, ".png") + ":\rno calibration has been fitted", "ERROR");
        return {};
    }
    return SavePicturePng(canvas_.Image(), name, messages_);
}

void TCalibrateWindow::WriteConstants1Click() {
    const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Write calibrated constants"),
                                                      QStringLiteral("calibrated.TCM"),
                                                      QStringLiteral("New Constants (*.TCM)"));
    if (!name.isEmpty()) WriteConstants(ToStd(name));
}

bool TCalibrateWindow::WriteConstants(const std::string& name) {
    return Perform(s_, messages_, nullptr,
                   [&](Session& session) { return session.SaveCalibratedConstants(name); })
        .Ran();
}

void RunCalibrateCommand(ProgramState& s, QWidget* owner, MessageSink& messages,
                         const CalibrationTargets& use) {
    auto* window = owner->findChild<TCalibrateWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) {
        window = new TCalibrateWindow(s, messages, use, owner);
        window->setWindowFlag(Qt::Window);
    }
    window->ShowFor();
}

}  // namespace dedodiz
