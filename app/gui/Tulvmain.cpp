// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Tulvmain.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <filesystem>
#include <system_error>

#include "core/Sweep.h"
#include "engine/Run.h"
#include "files/ConstantsFile.h"
#include "files/WorkFile.h"
#include "gui/About.h"
#include "gui/Adjust.h"
#include "gui/Array2.h"
#include "gui/Axis.h"
#include "gui/Bufcalc.h"
#include "gui/Cedit.h"
#include "gui/Cm.h"
#include "gui/Cmform.h"
#include "gui/CommandLine.h"
#include "gui/Ctype.h"
#include "gui/Environ.h"
#include "gui/FileNames.h"
#include "gui/Foutput.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/Live.h"
#include "gui/QtText.h"
#include "gui/Recipe.h"
#include "gui/Sizing.h"
#include "gui/Ufgop.h"

namespace dedodiz {

namespace {

// The described window is 553 pixels wide with three buttons on its strip; the fourth, "Live
// calculator", stands after them and widens the strip and the panel below it by its room.
constexpr int kLiveButtonX = 550;
constexpr int kLiveButtonWidth = 105;
constexpr int kLiveRoom = kLiveButtonX + kLiveButtonWidth + 16 - 545;
constexpr int kPanelWidth = 537 + kLiveRoom;

}  // namespace

QString TitleStartUp() {
    return QStringLiteral("DEDODIZ32 ") + ToQ(kVersion);
}
QString TitleFile(std::string_view name) {
    return TitleStartUp() + QStringLiteral(" - ") + ToQ(name);
}
QString TitleVersion(std::string_view name) {
    return QStringLiteral("DEDODIZ32 v") + ToQ(kVersion) + QStringLiteral(" - ") + ToQ(name);
}
QString TitleUsing(std::string_view name) {
    return QStringLiteral("DEDODIZ32 v") + ToQ(kVersion) + QStringLiteral(" using ") + ToQ(name);
}

TTULV::TTULV(const QStringList& arguments) {
    setObjectName(QStringLiteral("TULV"));
    setWindowTitle(QStringLiteral("DEDODIZ32"));
    setWindowIcon(QIcon(ProgramPicture(64)));
    SetHelpContext(this, 2);
    setAcceptDrops(true);  // a constants, work or buffer file dropped here loads (TulvDrop.cpp)
    BuildClientArea();
    BuildMenus();

    NewState(s_);
    setWindowTitle(TitleStartUp());
    s_.ConstantsFileName.clear();  // no constants file is loaded after start-up
    ResetSweepData(s_);
    ReadCommandLine(arguments);
}

TTULV::~TTULV() {
    // The windows hold references to the state and the message boxes, which go before the children.
    delete contextHelp_;
    delete RecipeWindow;
    for (QObject* window :
         std::initializer_list<QObject*>{Live, cmfrm, FGOP, IOForm, Bufcalc, Output, EV, FType, CMC, EditCon,
                                         FAXIS, CMArray, Kadjust, AboutBox, Help})
        delete window;
}

std::unique_ptr<TTULV> TTULV::StartUp(const QStringList& arguments) {
    auto main = std::make_unique<TTULV>(arguments);
    main->CreateWindows();
    main->RunRequestedByCommandLine();
    CentreOnScreen(main.get());
    return main;
}

void TTULV::CreateWindows() {
    // The fixed order of creation. The constants adjust dialog, the axis dialog, the pH buffer
    // calculator, the constants editor and the graph window take their places (3, 5, 6, 7 and 13) in it.
    // The help window stands in for the system's help viewer and comes first: the dialogs use it.
    Help = new THelp(messages_, this);
    CentreOnScreen(Help);
    AboutBox = new TAboutBox(this);
    Kadjust = new TKadjust(s_, *Help, messages_, this);
    CMArray = new TCMArray(s_, *Help, this);
    FAXIS = new TFAXIS(s_, *Help, this);
    EditCon = new TEditCon(s_, *Help, *Kadjust, messages_, this);
    CMC = new TCMC(s_, this);
    FType = new TFType(s_, *Help, this);
    EV = new TEV(s_, *Help, this);
    Output = new TOutput(s_, messages_, this);
    CentreOnScreen(Output);
    // The buffer calculator writes its reports to the output window, so it comes right after it; its
    // creation only reads the solution, so its place in the order makes no difference to the user.
    Bufcalc = new TZozaveVavo(s_, *Help, messages_, *Output, this);
    IOForm = new TIOForm(this);
    FGOP = new TFGOP(s_, *Output, messages_, this);
    CentreOnScreen(FGOP);
    cmfrm = new Tcmfrm(s_, *Help, this);
    // Added after the described windows: the live calculator, which writes to the output window and
    // loads and saves work files through this window's commands.
    Live = new TLive(s_, *Output, *IOForm,
                     {[this](const std::string& name) { return LoadWorkFrom(name); },
                      [this](const std::string& name) { return SaveWorkAs(name); }},
                     this);
    connect(CMArray, &TCMArray::EvaluateChelatorsRequested, this, [this] { EvaluateForChosenMetals(); });

    contextHelp_ = new ContextHelp(*Help);
    qApp->installEventFilter(contextHelp_);
}

void TTULV::RunRequestedByCommandLine() {
    if (!runRequested_ || Output == nullptr) return;
    runRequested_ = false;
    Output->RunSinglePointHere(s_, messages_);
}

void TTULV::BuildClientArea() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setAutoFillBackground(true);
    QPalette black = client->palette();
    black.setColor(QPalette::Window, Qt::black);
    client->setPalette(black);
    // "System" is the Windows name; here the first of the metric-compatible faces that is installed,
    // 13 pixels high at the standard desktop font and larger at a larger one.
    QFont system;
    system.setFamilies(
        {QStringLiteral("System"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    system.setPixelSize(DesktopPixels(13));
    client->setFont(system);
    setCentralWidget(client);
    BuildStrip(client);
    BuildAxioms(client);
    FitPlacesToTexts(client, QSize(553 + kLiveRoom, 312));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TTULV::BuildStrip(QWidget* client) {
    Panel2 = new QFrame(client);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(8, 8, kPanelWidth, 33);
    Panel2->setAutoFillBackground(true);
    QPalette white = Panel2->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel2->setPalette(white);
    auto* strip = new QLabel(QStringLiteral("DIDIZUZURIV:"), Panel2);
    strip->setObjectName(QStringLiteral("Panel2Caption"));
    QFont bold = client->font();
    bold.setBold(true);
    strip->setFont(bold);
    strip->setStyleSheet(QStringLiteral("color: red"));
    strip->setGeometry(4, 0, 150, 33);
    strip->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // The buttons lie on the strip; their places are given in the window's own coordinates.
    auto button = [this](const char* name, const char* caption, int x, int width) {
        auto* b = new QPushButton(QString::fromLatin1(caption), Panel2);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x - 8, 12 - 8, width, 21);
        return b;
    };
    Button1 = button("Button1", "Free Metal", 164, 89);
    Button2 = button("Button2", "Evaluate Chelators", 274, 137);
    Button3 = button("Button3", "pH Buffers", 440, 89);
    Button4 = button("Button4", "Live calculator", kLiveButtonX, kLiveButtonWidth);
    connect(Button1, &QPushButton::clicked, this, &TTULV::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TTULV::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TTULV::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TTULV::Live1Click);
}

void TTULV::BuildAxioms(QWidget* client) {
    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 48, kPanelWidth, 257);
    Panel1->setAutoFillBackground(true);
    QPalette grey = Panel1->palette();
    grey.setColor(QPalette::Window, QColor(0xd4, 0xd0, 0xc8));
    grey.setColor(QPalette::WindowText, Qt::black);
    Panel1->setPalette(grey);
    static const char* const kAxioms[] = {
        "CHELATOR AXIOMS:",
        "1) Use a pH buffer to protect from pH changes from chelation",
        "2) Know the purity of your reagents",
        "3) A chelator or protein with higher affinity can remove metal from a lower one",
        "4) A metal with a higher affinity can \"free\" a metal with a lower affinity",
        "5) Being in range is preferable",
        "If below range, use higher buffer concentration to avoid contamination effects",
        "Avoid being above buffer range",
        "6) NO program can replace a metal electrode for determining free metals",
        "7) Use programs for determining if in proper buffering range [1/3 Kd to 3 Kd]",
    };
    for (int i = 0; i < 10; ++i) {
        auto* line = new QLabel(QString::fromLatin1(kAxioms[i]), Panel1);
        line->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        const int indent = (i == 6 || i == 7) ? 32 : 8;
        line->setGeometry(indent, 8 + 24 * i, 537 - indent - 4, 20);
    }
}

void TTULV::BuildMenus() {
    auto item = [this](QMenu* menu, const char* name, const char* caption, const QKeySequence& keys,
                       int topic, void (TTULV::*handler)()) {
        QAction* action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        SetHelpContext(action, topic);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto ctrl = [](int key) { return QKeySequence(Qt::CTRL | static_cast<Qt::Key>(key)); };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    New1 = item(file, "New1", "&New ...", ctrl(Qt::Key_N), 3, &TTULV::New1Click);
    Open1 = item(file, "Open1", "&Open ...", ctrl(Qt::Key_O), 3, &TTULV::Open1Click);
    Save1 = item(file, "Save1", "&Save Constants", ctrl(Qt::Key_S), 3, &TTULV::Save1Click);
    SaveAs1 = item(file, "SaveAs1", "Save &As ...", {}, 3, &TTULV::SaveAs1Click);
    WorkSaveAs1 = item(file, "WorkSaveAs1", "&Work Save As", ctrl(Qt::Key_W), 3, &TTULV::WorkSaveAs1Click);
    WorkLoad1 = item(file, "WorkLoad1", "Work &Load", ctrl(Qt::Key_L), 3, &TTULV::WorkLoad1Click);
    EXit1 = item(file, "EXit1", "E&xit", {}, 1, &TTULV::EXit1Click);

    QMenu* calculation = menuBar()->addMenu(QStringLiteral("&Calculation"));
    Type1 = item(calculation, "Type1", "&Type ...", ctrl(Qt::Key_T), 4, &TTULV::Type1Click);
    Buffer1 = item(calculation, "Buffer1", "&Buffer", ctrl(Qt::Key_B), 4, &TTULV::Buffer1Click);
    N1D1 = item(calculation, "N1D1", "&1D", ctrl(Qt::Key_F1), 4, &TTULV::N1D1Click);
    N2D1 = item(calculation, "N2D1", "&2D ...", ctrl(Qt::Key_F2), 4, &TTULV::N2D1Click);
    N3D1 = item(calculation, "N3D1", "&3D ...", ctrl(Qt::Key_F3), 4, &TTULV::N3D1Click);
    ViewOut1 = item(calculation, "ViewOut1", "&Output Screen", {}, 4, &TTULV::ViewOut1Click);
    calculation->addSeparator();
    // How every run, sweep, recipe and uncertainty solves: checked at start-up.
    QMenu* precision = calculation->addMenu(QStringLiteral("&Precision"));
    precision->setObjectName(QStringLiteral("Precision1"));
    auto* precisions = new QActionGroup(this);
    Checked1 =
        item(precision, "Checked1", "&Checked: every answer within 1e-4", {}, 4, &TTULV::PrecisionClick);
    Described1 =
        item(precision, "Described1", "&Described: the iteration alone", {}, 4, &TTULV::PrecisionClick);
    Exact1 = item(precision, "Exact1", "E&xact: always refined", {}, 4, &TTULV::PrecisionClick);
    for (QAction* action : {Checked1, Described1, Exact1}) {
        action->setCheckable(true);
        precisions->addAction(action);
    }
    Checked1->setChecked(true);
    Recipe1 = item(calculation, "Recipe1", "&Recipe ...", {}, 15, &TTULV::Recipe1Click);
    Uncertainty1 = item(calculation, "Uncertainty1", "&Uncertainty ...", {}, 4, &TTULV::Uncertainty1Click);
    Calibrate1 = item(calculation, "Calibrate1", "C&alibrate ...", {}, 4, &TTULV::Calibrate1Click);
    Live1 = item(calculation, "Live1", "&Live calculator", {}, 4, &TTULV::Live1Click);

    QMenu* conditions = menuBar()->addMenu(QStringLiteral("Co&nditions"));
    Array1 = item(conditions, "Array1", "&Array ...", ctrl(Qt::Key_A), 5, &TTULV::Array1Click);
    CMconc1 = item(conditions, "CMconc1", "&C+M conc ...", ctrl(Qt::Key_M), 5, &TTULV::CMconc1Click);
    Environment1 =
        item(conditions, "Environment1", "&Environment", ctrl(Qt::Key_E), 5, &TTULV::Environment1Click);

    QMenu* constants = menuBar()->addMenu(QStringLiteral("Const&ants"));
    edit2 = item(constants, "edit2", "&Edit ...", {}, 3, &TTULV::edit2Click);
    Print2 = item(constants, "Print2", "to &Output ...", {}, 3, &TTULV::Print2Click);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    Contents1 = help->addAction(QStringLiteral("&Contents"), this, [this] { Help->ShowHelp(1); });
    GettingStarted1 =
        help->addAction(QStringLiteral("&Getting Started"), this, [this] { Help->ShowHelp(2); });
    DidiZuzuriv1 = help->addAction(QStringLiteral("&DidiZuzuriv"), this, [this] { Help->ShowHelp(14); });
    Contents1->setObjectName(QStringLiteral("Contents1"));
    GettingStarted1->setObjectName(QStringLiteral("GettingStarted1"));
    DidiZuzuriv1->setObjectName(QStringLiteral("DidiZuzuriv1"));
    AboutTULV1 = item(help, "AboutTULV1", "&About TULV", {}, 1, &TTULV::AboutTULV1Click);
    for (QAction* a : {Contents1, DidiZuzuriv1}) SetHelpContext(a, 1);
    SetHelpContext(GettingStarted1, 2);
}

void TTULV::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit Closed();
}

}  // namespace dedodiz
