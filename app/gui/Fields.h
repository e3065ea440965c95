// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The number fields of the windows: how their texts are read, and how a refusal tells the user which
// field it means.
//
// Under a German or French locale a user types "7,4" for 7.4: every number field takes a decimal comma
// as the decimal point. Files and reports keep the point; only what is typed is read this way.

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/Sinks.h"

class QLineEdit;

namespace dedodiz {

// The text of a number field as the number parsers read it: a decimal comma becomes the decimal
// point. A text that holds a point as well keeps its comma ("1.234,5" or "1,234.5" stay no number:
// which of the two is the thousands separator is anybody's guess).
std::string NumberText(const QString& text);

// The number in field, read through NumberText; nullopt when it is none.
std::optional<double> FieldNumber(const QLineEdit* field);

// The name that refusals give for field, as the window's caption beside it reads.
void SetFieldName(QLineEdit* field, const QString& name);
QString FieldName(const QLineEdit* field);

// Puts the focus on field with its whole text selected, so that the user can type over it when its
// window shows again.
void FocusField(QLineEdit* field);

// A refusal of field: text with caption, the field's name on a second line, then the focus on it.
void RefuseField(MessageSink& messages, std::string_view text, std::string_view caption, QLineEdit* field);

// Passes every message on to target; the one whose text is `text` gets a second line, made when it is
// shown, where the text alone would leave the user guessing which file or field it means.
class SecondLine : public MessageSink {
  public:
    SecondLine(MessageSink& target, std::string_view text, std::function<std::string()> line);
    SecondLine(MessageSink& target, std::string_view text, std::string line);
    void Message(std::string_view text, std::string_view caption) override;
    // Whether the message of `text` has come by.
    [[nodiscard]] bool Shown() const { return shown_; }

  private:
    MessageSink& target_;
    std::string text_;
    std::function<std::string()> line_;
    bool shown_ = false;
};

}  // namespace dedodiz
