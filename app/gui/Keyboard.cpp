// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Keyboard.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace dedodiz {

namespace {

// The character after the caption's single '&' ("&&" is a plain ampersand); null for none.
QChar MnemonicOf(const QString& caption) {
    for (qsizetype at = 0; at + 1 < caption.size(); ++at) {
        if (caption.at(at) != QLatin1Char('&')) continue;
        if (caption.at(at + 1) != QLatin1Char('&')) return caption.at(at + 1).toLower();
        ++at;
    }
    return {};
}

}  // namespace

std::set<QChar> TakenMnemonics(const QWidget* window) {
    std::set<QChar> taken;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        if (control->window() != window) continue;
        QChar key;
        if (const auto* label = qobject_cast<const QLabel*>(control)) {
            if (label->buddy() != nullptr) key = MnemonicOf(label->text());
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
            key = MnemonicOf(button->text());
        } else if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
            key = MnemonicOf(group->title());
        }
        if (!key.isNull()) taken.insert(key);
    }
    return taken;
}

QString WithMnemonic(const QString& caption, std::set<QChar>& taken) {
    for (qsizetype at = 0; at < caption.size(); ++at) {
        const QChar c = caption.at(at).toLower();
        if (!c.isLetter() || c.unicode() > 0x7F || taken.count(c) > 0) continue;
        taken.insert(c);
        return QString(caption).insert(at, QLatin1Char('&'));
    }
    for (const char* free = "abcdefghijklmnopqrstuvwxyz1234567890"; *free != '\0'; ++free) {
        const QChar c = QLatin1Char(*free);
        if (taken.count(c) > 0) continue;
        taken.insert(c);
        return caption + QStringLiteral(" (&") + c + QLatin1Char(')');
    }
    return caption;
}

void ChainTabOrder(const std::vector<QWidget*>& controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (control == nullptr) continue;
        if (previous != nullptr) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

}  // namespace dedodiz
