// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The pieces every data export is built of: JSON values that keep absent constants and non-finite
// numbers apart from numbers, the header and conditions of a document, and a CSV table built row by
// row. Shared by the export sources of this folder only.

#include <initializer_list>
#include <string>
#include <string_view>

#include "core/Export.h"

namespace dedodiz::exporting {

using json = JsonValue;

// The word of a calculation type in the exports: "total", "free", "chelator".
std::string_view TypeWord(CalculationType type);

// A log10 constant; 0 means that the constant does not exist (null).
json LogK(double x);

// A number, null when it is not finite.
json Number(double x);

// The messages shown, as a list of {caption, text} with line feeds for the message boxes' breaks.
json Messages(const ShownMessages& shown);

// The first keys of every document, and a conditions object.
json Header(std::string_view result);
json Conditions(double temperature, double pH, double ionic);

// The valence digit of a metal name, null when there is none.
json ValenceOf(std::string_view metalName);

// A column or key name: prefix, '_', the name as UTF-8 and, when given, '_' and the unit.
std::string Key(std::string_view prefix, std::string_view name, std::string_view unit);

bool ChelatorPresent(const TSolution& w, int i);
bool MetalPresent(const TSolution& w, int j);

// A CSV table built row by row; every row is ended by a line feed.
class Csv {
  public:
    Csv& Text(std::string_view text) {
        Separate();
        line_ += CsvCell(text);
        return *this;
    }
    Csv& Value(double x) {
        Separate();
        line_ += CsvNumber(x);
        return *this;
    }
    // A log10 constant: an empty cell when the constant does not exist.
    Csv& Log(double x) {
        Separate();
        if (x != 0) line_ += CsvNumber(x);
        return *this;
    }
    Csv& Empty() {
        Separate();
        return *this;
    }
    Csv& Flag(bool b) { return Text(b ? "1" : "0"); }
    Csv& Texts(std::initializer_list<std::string_view> texts) {
        for (std::string_view t : texts) Text(t);
        return *this;
    }
    void EndRow() {
        out_ += line_;
        out_ += '\n';
        line_.clear();
        first_ = true;
    }
    [[nodiscard]] std::string Str() const { return out_; }

  private:
    void Separate() {
        if (!first_) line_ += ',';
        first_ = false;
    }
    std::string out_, line_;
    bool first_ = true;
};

}  // namespace dedodiz::exporting
