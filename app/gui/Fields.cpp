// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Fields.h"

#include <QLineEdit>
#include <QVariant>
#include <utility>

#include "engine/Format.h"
#include "gui/QtText.h"

namespace dedodiz {

namespace {
const char* const kFieldNameProperty = "FieldName";
}

std::string NumberText(const QString& text) {
    return DecimalPoint(ToStd(text));
}

std::optional<double> FieldNumber(const QLineEdit* field) {
    return ParseReal(NumberText(field->text()));
}

void SetFieldName(QLineEdit* field, const QString& name) {
    field->setProperty(kFieldNameProperty, name);
}

QString FieldName(const QLineEdit* field) {
    const QVariant name = field->property(kFieldNameProperty);
    return name.isValid() ? name.toString() : field->objectName();
}

void FocusField(QLineEdit* field) {
    // A field of a hidden window becomes the one its window gives the focus to when it shows again.
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void RefuseField(MessageSink& messages, std::string_view text, std::string_view caption, QLineEdit* field) {
    if (field == nullptr) {
        messages.Message(text, caption);
        return;
    }
    messages.Message(std::string(text) + "\r" + ToStd(FieldName(field)), caption);
    FocusField(field);
}

SecondLine::SecondLine(MessageSink& target, std::string_view text, std::function<std::string()> line)
    : target_(target), text_(text), line_(std::move(line)) {}

SecondLine::SecondLine(MessageSink& target, std::string_view text, std::string line)
    : SecondLine(target, text, [line = std::move(line)] { return line; }) {}

void SecondLine::Message(std::string_view text, std::string_view caption) {
    if (text != text_) {
        target_.Message(text, caption);
        return;
    }
    shown_ = true;
    const std::string line = line_();
    target_.Message(line.empty() ? std::string(text) : std::string(text) + "\r" + line, caption);
}

}  // namespace dedodiz
