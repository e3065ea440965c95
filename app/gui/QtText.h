// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Texts between the state (UTF-8 bytes) and the controls (QString).

#include <QString>
#include <string>
#include <string_view>

namespace dedodiz {

inline QString ToQ(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStd(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace dedodiz
