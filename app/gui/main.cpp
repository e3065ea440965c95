// SPDX-License-Identifier: BSD-3-Clause
// dedodiz32: the desktop program.

#include <QApplication>

#include "engine/SafeFile.h"
#include "gui/Tulvmain.h"
#include "gui/Usage.h"

int main(int argc, char* argv[]) {
    if (const auto status = dedodiz::AnswerInfoRequest(argc, argv)) return *status;
    // Under a file-size limit a save fails with "File too large" and a message, instead of the
    // signal ending the program with every unsaved result.
    dedodiz::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dedodiz32"));
    QApplication::setApplicationVersion(QStringLiteral("2.50"));
    // Closing the main window ends the program, whatever other window is still open.
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
    const auto main = dedodiz::TTULV::StartUp(arguments);
    QObject::connect(main.get(), &dedodiz::TTULV::Closed, &app, &QApplication::quit);
    main->show();
    return QApplication::exec();
}
