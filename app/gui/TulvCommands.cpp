// SPDX-License-Identifier: BSD-3-Clause
// The command chains of the main window and the reading of its command line.

#include <QDialog>
#include <filesystem>
#include <system_error>

#include "buffers/Evaluate.h"
#include "core/CalibrationExport.h"
#include "core/Listing.h"
#include "engine/FloatGuard.h"
#include "engine/Run.h"
#include "files/ConstantsFile.h"
#include "files/DataPaths.h"
#include "files/WorkFile.h"
#include "gui/About.h"
#include "gui/Array2.h"
#include "gui/Axis.h"
#include "gui/Bufcalc.h"
#include "gui/CalibrateWindow.h"
#include "gui/Cedit.h"
#include "gui/Cm.h"
#include "gui/Cmform.h"
#include "gui/CommandLine.h"
#include "gui/Ctype.h"
#include "gui/Environ.h"
#include "gui/Fields.h"
#include "gui/FileNames.h"
#include "gui/Foutput.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/Live.h"
#include "gui/QtText.h"
#include "gui/Recipe.h"
#include "gui/Tulvmain.h"
#include "gui/Ufgop.h"
#include "gui/UncertaintyDialog.h"

namespace dedodiz {

namespace {

bool FileExists(const std::string& name) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(name), error);
}

const char* const kNotPositiveReal = "Some values are not positive real numbers";

}  // namespace

std::optional<std::string> TTULV::StorableName(const std::string& path) {
    std::optional<std::string> name = FitFileName(path);
    if (!name) messages_.Message("The file name is longer than 80 characters:\r" + path, "ERROR");
    return name;
}

WorkLoadResult TTULV::LoadWork() {
    // The messages of the loading wait for its result, which tells which file a refusal means.
    MessageKeeper held;
    const WorkLoadResult result =
        LoadWorkSettings(s_.WorkFileName.str(), s_.table(), s_.selection(), s_.calc(), held);
    SecondLine constants(messages_, "Cannot Load Constants File", result.reason);
    SecondLine damaged(constants, "Cannot Load Work Settings, File Error", result.reason);
    SecondLine missing(damaged, "File does not exist", s_.WorkFileName.str());
    for (const ShownMessage& message : held.Messages()) missing.Message(message.text, message.caption);
    // Loading starts from File > New: the parts the work file does not hold are reset as well.
    if (result.Reset()) ResetOtherParts(s_);
    if (result.Loaded()) {
        constantsNameChosen_ = true;
    } else if (result.Reset()) {
        constantsNameChosen_ = false;  // the table is empty: its name is no file it came from
    }
    return result;
}

bool TTULV::LoadConstants(const std::string& name, const QString& title) {
    // A file that cannot be read leaves the table as it was, so it keeps its old name too.
    const FileName previous = s_.ConstantsFileName;
    s_.ConstantsFileName = name;
    const FileResult read = ReadConstantsFile(s_, name, messages_);
    if (!read.ok()) {
        s_.ConstantsFileName = previous;
        messages_.Message(WithReason("Cannot Load Constants File", read.reason), "ERROR");
        return false;
    }
    constantsNameChosen_ = true;
    setWindowTitle(title);
    return true;
}

bool TTULV::SaveConstants(const std::string& name, const QString& title) {
    SecondLine named(messages_, "Did not save file", "The name must end in .TCM or .CCM");
    const FileResult written = WriteConstantsFile(s_, name, named);
    if (written.status == FileStatus::NotConstantsName) return false;  // the writer has said so
    if (!written.ok()) {
        messages_.Message(WithReason("Cannot Save Constants File", written.reason), "ERROR");
        return false;
    }
    constantsNameChosen_ = true;
    setWindowTitle(title);
    return true;
}

// ---- File menu ----

void TTULV::New1Click() {
    NewState(s_);
    s_.ConstantsFileName = "NEW.CCM";
    constantsNameChosen_ = false;
    setWindowTitle(TitleVersion(s_.ConstantsFileName));
}

void TTULV::Open1Click() {
    const auto chosen = TIOForm::Execute(IOForm->OpenDialog1);
    if (!chosen) return;
    const auto name = StorableName(ToStd(*chosen));
    if (name) LoadConstants(*name, TitleFile(*name));
}

void TTULV::Save1Click() {
    // Without a file the user chose ("NEW.CCM" after File > New is none), the name is asked for.
    if (s_.ConstantsFileName.empty() || !constantsNameChosen_) {
        SaveAs1Click();
        return;
    }
    SaveConstants(s_.ConstantsFileName.str(), windowTitle());
}

void TTULV::SaveAs1Click() {
    const auto chosen = TIOForm::Execute(IOForm->SaveDialog1);
    if (!chosen) return;
    const auto name = StorableName(ToStd(*chosen));
    if (name) SaveConstants(*name, TitleFile(*name));
}

void TTULV::WorkSaveAs1Click() {
    const auto chosen = TIOForm::Execute(IOForm->SaveDialog2);
    if (chosen) SaveWorkAs(ToStd(*chosen));
}

bool TTULV::SaveWorkAs(const std::string& chosen) {
    const auto name = StorableName(ForceFileExt(chosen, ".STG"));
    if (!name) return false;
    s_.WorkFileName = *name;
    return SaveWorkSettings(s_.WorkFileName.str(), s_.ConstantsFileName.view(), s_.selection(), s_.calc(),
                            messages_)
        .ok();
}

void TTULV::WorkLoad1Click() {
    const auto chosen = TIOForm::Execute(IOForm->OpenDialog2);
    if (chosen && LoadWorkFrom(ToStd(*chosen))) Output->RunSinglePointHere(s_, messages_);
}

bool TTULV::LoadWorkFrom(const std::string& chosen) {
    const auto name = StorableName(ForceFileExt(chosen, ".STG"));
    if (!name) return false;
    s_.WorkFileName = *name;
    const FileName previous = s_.ConstantsFileName;
    const bool loaded = LoadWork().Loaded();
    // A work file whose constants file could not be read has emptied the table: the title says so too.
    if (loaded || !(s_.ConstantsFileName == previous)) setWindowTitle(TitleUsing(s_.ConstantsFileName));
    return loaded;
}

void TTULV::EXit1Click() {
    close();
}

// ---- Calculation menu ----

void TTULV::Type1Click() {
    FType->ShowCalcType();
    FType->exec();
}

void TTULV::Buffer1Click() {
    Bufcalc->ShowWithSolutionValues();
}

void TTULV::N1D1Click() {
    Output->RunSinglePointHere(s_, messages_);
}

void TTULV::N2D1Click() {
    Run2DCommand(s_, *FAXIS, *FGOP, messages_);
}

void TTULV::N3D1Click() {
    Run3DCommand(s_, *FAXIS, *FGOP, messages_);
}

void TTULV::ViewOut1Click() {
    Output->ShowOutput();
}

void TTULV::PrecisionClick() {
    s_.precision = Exact1->isChecked()       ? Precision::Exact
                   : Described1->isChecked() ? Precision::Described
                                             : Precision::Checked;
}

void TTULV::Recipe1Click() {
    if (RecipeWindow == nullptr) RecipeWindow = new TRecipe(s_, messages_, *Output, this);
    RecipeWindow->ShowForCurrentSolution();
}

void TTULV::Uncertainty1Click() {
    RunUncertaintyCommand(s_, this, *Output, messages_);
}

void TTULV::Calibrate1Click() {
    CalibrationTargets use;
    use.recipe = [this](const Calibration& fit) {
        if (RecipeWindow == nullptr) RecipeWindow = new TRecipe(s_, messages_, *Output, this);
        RecipeWindow->UseCalibration(fit);
    };
    use.uncertainty = [this](const Calibration& fit) {
        auto* dialog = findChild<TUncertaintyDialog*>(QString(), Qt::FindDirectChildrenOnly);
        if (dialog == nullptr) dialog = new TUncertaintyDialog(messages_, this);
        dialog->UseCalibration(UseOf(fit));
        RunUncertaintyCommand(s_, this, *Output, messages_);
    };
    RunCalibrateCommand(s_, this, messages_, use);
}

void TTULV::Live1Click() {
    if (TableIsEmpty(s_.table())) {
        const std::string bundled = BundledConstantsFile();
        if (bundled.empty()) {
            messages_.Message(
                WithReason("Cannot Load Constants File",
                           "the bundled table " + std::string(kBundledConstantsName) + " is not found"),
                "ERROR");
            return;
        }
        const auto name = StorableName(bundled);
        if (!name || !LoadConstants(*name, TitleFile(*name))) return;
    }
    Live->ShowFromState();
    Live->show();
    Live->raise();
    Live->activateWindow();
}

// ---- Conditions menu ----

void TTULV::Array1Click() {
    CMArray->FillFromState();
    CMArray->exec();
    BuildSelection(s_.table(), s_.selection(), s_.Solution, messages_);
}

void TTULV::CMconc1Click() {
    CMC->FillFromState();
    for (;;) {
        CMC->exec();
        if (CMC->ReadBack()) return;
        RefuseField(messages_, kNotPositiveReal, "ERROR", CMC->RefusedField());
    }
}

void TTULV::Environment1Click() {
    EV->FillFromSolution();
    for (;;) {
        // Cleared before every showing: closing the dialog after a refused OK is no confirmation.
        s_.EnvDialogOK = false;
        EV->exec();
        if (EV->ReadBack()) return;
        RefuseField(messages_, kNotPositiveReal, "ERROR", EV->RefusedField());
    }
}

// ---- Constants and Help menus ----

void TTULV::edit2Click() {
    RunEditConstantsCommand(s_, messages_, *EditCon, *IOForm, [this](const QString& title) {
        constantsNameChosen_ = true;  // told only when the table was written
        setWindowTitle(title);
    });
}

void TTULV::Print2Click() {
    ListConstants(s_, Placement(s_), *Output, messages_);
    Output->ShowOutput();
}

void TTULV::AboutTULV1Click() {
    AboutBox->exec();
}

// ---- Buttons ----

void TTULV::Button1Click() {
    if (s_.ConstantsFileName.empty()) Open1Click();
    if (s_.ConstantsFileName.empty()) return;
    Environment1Click();
    if (!s_.EnvDialogOK) return;
    Array1Click();
    if (!s_.ArrayDialogOK) return;
    CMconc1Click();
    if (!s_.ConcDialogOK) return;
    Output->RunSinglePointHere(s_, messages_);
}

void TTULV::Button2Click() {
    Open1Click();
    if (s_.ConstantsFileName.empty()) return;
    Environment1Click();
    if (!s_.EnvDialogOK) return;
    cmfrm->FillFromState();
    cmfrm->exec();
    if (s_.MetalDialogOK) EvaluateForChosenMetals();
}

void TTULV::EvaluateForChosenMetals() {
    // The evaluation corrects constants to the environment: an ionic strength of 0 is a fault.
    if (RunGuarded(messages_, [&] {
            EvaluateChelators(s_.table(), s_.selection(), s_.Solution, s_.Results, Placement(s_), *Output);
        }))
        Output->ShowOutput();
}

void TTULV::Button3Click() {
    Bufcalc->PHBuffersCommand([this] {
        Environment1Click();
        return s_.EnvDialogOK;
    });
}

// ---- Command line ----

void TTULV::ReadCommandLine(const QStringList& arguments) {
    std::vector<std::string> args;
    for (const QString& argument : arguments) args.push_back(ToStd(argument));
    const std::optional<std::string> argument = PickCommandLineArgument(args);
    if (!argument) return;
    const std::optional<std::string> name = StorableName(*argument);
    if (!name) return;
    // The name is opened as given; only the extension test reads it in upper case.
    s_.WorkFileName = *name;
    switch (ClassifyCommandLineFile(*name)) {
        case CommandLineFile::Work:
            if (LoadWork().Loaded()) {
                setWindowTitle(TitleVersion(s_.ConstantsFileName));
                runRequested_ = true;
            }
            return;
        case CommandLineFile::Constants:
            LoadCommandLineConstants(*name);
            return;
        case CommandLineFile::NoExtension:
            break;
        case CommandLineFile::Ignored:
            return;
    }

    // Without an extension: a work file first, then a constants file, each in either case.
    const auto existing = [&](const char* upper, const char* lower) -> std::optional<std::string> {
        for (const char* ext : {upper, lower}) {
            const std::string candidate = ChangeFileExt(*name, ext);
            if (FileExists(candidate)) return FitFileName(candidate);
        }
        return std::nullopt;
    };
    const std::optional<std::string> work = existing(".STG", ".stg");
    s_.WorkFileName = work.value_or(ChangeFileExt(*name, ".STG"));
    if (work && LoadWork().Loaded()) {
        runRequested_ = true;
        return;
    }
    const std::optional<std::string> constants = existing(".CCM", ".ccm");
    s_.WorkFileName = constants.value_or(ChangeFileExt(*name, ".CCM"));
    if (constants) {
        LoadCommandLineConstants(*constants);
    } else {
        messages_.Message("FILE NOT FOUND!\r" + *name, "ERROR");
    }
}

void TTULV::LoadCommandLineConstants(const std::string& name) {
    if (!FileExists(name)) {
        messages_.Message("FILE NOT FOUND!\r" + name, "ERROR");
        return;
    }
    LoadConstants(name, TitleVersion(name));
}

}  // namespace dedodiz
