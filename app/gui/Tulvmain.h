// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The main window. It owns the one state of the program and the command flow: every command is a
// short chain of modal dialogs, each tested for the user's confirmation, ending in a computation or a
// report of another part of the program. The window computes nothing itself.

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "files/WorkFile.h"
#include "gui/MessageBoxes.h"
#include "gui/ProgramState.h"

class QAction;
class QFrame;
class QPushButton;

namespace dedodiz {

class ContextHelp;
class TAboutBox;
class TCMArray;
class TCMC;
class TEV;
class TEditCon;
class TFAXIS;
class TKadjust;
class TZozaveVavo;
class TFGOP;
class TFType;
class THelp;
class TIOForm;
class TLive;
class TOutput;
class TRecipe;
class Tcmfrm;

class TTULV : public QMainWindow {
    Q_OBJECT

  public:
    // The creation step: resets the state, sets the title and reads the file argument of arguments
    // (the command line without the program's own name). A run asked for there waits for the other
    // windows.
    explicit TTULV(const QStringList& arguments);
    ~TTULV() override;

    // The whole start-up: the main window, the other windows in their fixed order, then the run that
    // the command line asked for. The window is not shown yet.
    static std::unique_ptr<TTULV> StartUp(const QStringList& arguments);
    void CreateWindows();
    void RunRequestedByCommandLine();

    ProgramState& state() { return s_; }
    MessageSink& messages() { return messages_; }

    // File menu.
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void WorkSaveAs1Click();
    void WorkLoad1Click();
    void EXit1Click();
    // Calculation menu.
    void Type1Click();
    void Buffer1Click();
    void N1D1Click();
    void N2D1Click();
    void N3D1Click();
    void ViewOut1Click();
    // "E&xact results (refine)": runs and sweeps solve their equations to machine precision.
    void PrecisionClick();
    // "&Recipe ...": what to pipette for the current solution, in the recipe window (made on first use).
    void Recipe1Click();
    // "&Uncertainty ...": how far the results can be trusted, and which input to measure better.
    void Uncertainty1Click();
    // "&Calibrate ...": purity, contamination and Kd fitted to a titration measured in the lab.
    void Calibrate1Click();
    // "&Live calculator" and the fourth button: the live window, on the bundled table when none is loaded.
    void Live1Click();
    // Conditions menu.
    void Array1Click();
    void CMconc1Click();
    void Environment1Click();
    // Constants menu.
    void edit2Click();
    void Print2Click();
    // Help menu.
    void AboutTULV1Click();
    // The buttons: "Free Metal", "Evaluate Chelators", "pH Buffers".
    void Button1Click();
    void Button2Click();
    void Button3Click();

    // Windows, in the order of their creation.
    TAboutBox* AboutBox = nullptr;
    TCMArray* CMArray = nullptr;
    TCMC* CMC = nullptr;
    TFType* FType = nullptr;
    TEV* EV = nullptr;
    TOutput* Output = nullptr;
    TIOForm* IOForm = nullptr;
    Tcmfrm* cmfrm = nullptr;
    THelp* Help = nullptr;
    TFAXIS* FAXIS = nullptr;
    TKadjust* Kadjust = nullptr;
    TEditCon* EditCon = nullptr;
    TZozaveVavo* Bufcalc = nullptr;
    TFGOP* FGOP = nullptr;
    TRecipe* RecipeWindow = nullptr;
    TLive* Live = nullptr;

    QFrame* Panel1;
    QFrame* Panel2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;  // "Live calculator"
    QAction* New1;
    QAction* Open1;
    QAction* Save1;
    QAction* SaveAs1;
    QAction* WorkSaveAs1;
    QAction* WorkLoad1;
    QAction* EXit1;
    QAction* Type1;
    QAction* Buffer1;
    QAction* N1D1;
    QAction* N2D1;
    QAction* N3D1;
    QAction* ViewOut1;
    QAction* Checked1;
    QAction* Described1;
    QAction* Exact1;
    QAction* Recipe1;
    QAction* Uncertainty1;
    QAction* Calibrate1;
    QAction* Live1;
    QAction* Array1;
    QAction* CMconc1;
    QAction* Environment1;
    QAction* edit2;
    QAction* Print2;
    QAction* Contents1;
    QAction* GettingStarted1;
    QAction* DidiZuzuriv1;
    QAction* AboutTULV1;

    // A file dropped on the window, loaded by its kind as the command for it would load the file
    // chosen in its dialog: a constants file (.TCM, .CCM) as File > Open, a work file (.STG) as File >
    // Work Load (which runs it), a pH buffer file (.bcm) as the buffer window's LOAD (which it shows).
    // False for a file of another kind, which is left alone.
    bool OpenDroppedFile(const QString& path);

  signals:
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildClientArea();
    void BuildStrip(QWidget* client);
    void BuildAxioms(QWidget* client);
    void BuildMenus();
    void ReadCommandLine(const QStringList& arguments);
    void LoadCommandLineConstants(const std::string& name);
    // Reads the constants file name; on success sets the title, otherwise keeps the previous name.
    bool LoadConstants(const std::string& name, const QString& title);
    // Loads the work file WorkFileName; whenever the loading reset the engine's parts, the windows'
    // own parts are reset too, as File > New would.
    WorkLoadResult LoadWork();
    bool SaveConstants(const std::string& name, const QString& title);
    // File > Work Load and Work Save As after their dialogs, for the name chosen (the extension made
    // ".STG"); loading sets the title but runs nothing.
    bool LoadWorkFrom(const std::string& chosen);
    bool SaveWorkAs(const std::string& chosen);
    // The name as the state can hold it (80 bytes), or nullopt after telling the user.
    std::optional<std::string> StorableName(const std::string& path);
    // The chelator evaluation for the metals chosen, into the output window.
    void EvaluateForChosenMetals();

    ProgramState s_;
    MessageBoxes messages_;
    ContextHelp* contextHelp_ = nullptr;
    bool runRequested_ = false;
    // Whether ConstantsFileName names a file the table was read from or written to at the user's
    // word. After File > New it is only a placeholder, and Save Constants asks for a name instead.
    bool constantsNameChosen_ = false;
};

// The window titles.
QString TitleStartUp();                       // "DEDODIZ32 2.50"
QString TitleFile(std::string_view name);     // "DEDODIZ32 2.50 - name"
QString TitleVersion(std::string_view name);  // "DEDODIZ32 v2.50 - name"
QString TitleUsing(std::string_view name);    // "DEDODIZ32 v2.50 using name"

}  // namespace dedodiz
