// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A started program (main window and all its windows, not shown) in a folder of its own, with helpers
// that write the constants and work files a test needs.

#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Recorders.h"
#include "Tables.h"
#include "files/ConstantsFile.h"
#include "files/WorkFile.h"
#include "gui/Help.h"
#include "gui/IOForm.h"
#include "gui/ProgramState.h"
#include "gui/Tulvmain.h"

namespace dedodiz::test {

class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        TIOForm::ForgetFolder();  // each test is a new run of the program
    }
    void TearDown() override {
        main_.reset();
        QDir::setCurrent(previous_);
    }

    // The program started with arguments; a ModalScript must be alive when the start-up shows dialogs.
    TTULV& Start(const QStringList& arguments = {}) {
        main_ = TTULV::StartUp(arguments);
        main_->Help->SetSearchPath({QStringLiteral(DEDODIZ_SOURCE_DIR "/app/gui/help")});
        return *main_;
    }

    std::string Path(const char* name) const {
        return dir_.filePath(QString::fromLatin1(name)).toStdString();
    }

    // The sample table (EGTA, BAPTA, EDTA; Ca2, Mg2, Zn2) as a text constants file.
    std::string WriteSampleConstants(const char* name = "sample.TCM") const {
        ProgramState s;
        NewState(s);
        FillSampleTable(s);
        MessageRecorder messages;
        EXPECT_TRUE(WriteConstantsFile(s, Path(name), messages).ok());
        return Path(name);
    }

    // A work file of type Free: EGTA 2 mM with Ca2 1 mM total, pH 7.2, naming the given constants file.
    std::string WriteWorkFile(const std::string& constants, const char* name = "work.STG") const {
        ProgramState s;
        NewState(s);
        s.ChelatorChosen[1] = true;
        s.MetalChosen[1] = true;
        s.Solution.PH = 7.2;
        s.ConstantsFileName = constants;
        s.Solution.ChelTotal[1] = 2e-3;
        s.Solution.MetalTotal[1] = 1e-3;
        s.WorkFileName = Path(name);
        MessageRecorder messages;
        SaveWorkSettings(s.WorkFileName.str(), s.ConstantsFileName.view(), s, s, messages);
        EXPECT_TRUE(messages.messages.empty());
        return Path(name);
    }

    QTemporaryDir dir_;
    QString previous_;
    std::unique_ptr<TTULV> main_;
};

}  // namespace dedodiz::test
