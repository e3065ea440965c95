// SPDX-License-Identifier: BSD-3-Clause
#include "gui/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/Sizing.h"

namespace dedodiz {

QString MessageBoxText(std::string_view text) {
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QWidget* MessageParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

void MessageBoxes::Message(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::NoIcon,
                    QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                    MessageBoxText(text), QMessageBox::Ok, MessageParent());
    box.setTextFormat(Qt::PlainText);
    // As wide as the caption needs: a box with a short text would have it cut by the window manager.
    FitTitle(&box);
    box.exec();
}

}  // namespace dedodiz
