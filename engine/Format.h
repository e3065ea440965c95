// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Number texts shared by every report, dialog and file, and the one parser of numeric text.
// All of them are independent of the C locale: a desktop session with a decimal comma still
// reads and writes decimal points.

#include <optional>
#include <string>
#include <string_view>

namespace dedodiz {

// The exact conversions every number text is made of, correctly rounded and in the "C" locale on every
// platform: x with the given decimals in fixed or scientific notation ("1.55e-07"), the shortest text
// that reads back as x, and a decimal text (no leading '+', no blanks) read as a double, nullopt when it
// is not a number or lies beyond the double range.
std::string FixedText(double x, int decimals);
std::string ScientificText(double x, int decimals);
std::string ShortestText(double x);
std::optional<double> ReadDouble(std::string_view text);

// A figure shown to a person (reports, messages, tables, exports meant for reading): x to the given
// decimals while its integer part fits in nine digits, else in scientific notation with as many
// decimals (1.235e+12); a zero is never signed ("-0.00" is "0.00"); a number that is not finite is
// "not finite", never "inf" or "nan" (callers refuse such values before they reach a report).
std::string FigureText(double x, int decimals);

// The pX of a concentration: -log10, and a pX of 0 is 0, never -0.
double PXOf(double molar);

// x rounded to d decimals, right-aligned with leading blanks in w characters; a number needing
// more than w characters gives a longer text.
std::string FormatFixed(double x, int w, int d);

// x with three significant digits and a four-digit exponent, 11 characters: a blank or '-', one
// digit, '.', two digits, 'E', the exponent's sign and four digits (" 2.00E+0001"). Dialogs use it.
std::string FormatSciLong(double x);

// The 9-character form of reports, tables and the graph: FormatSciLong without the two leading
// exponent digits (" 2.00E+01"). An exponent of three digits keeps all three (" 1.00E-150").
std::string FormatSci(double x);

// FormatSci without its leading blank ("2.00E+01", "-2.00E+01"): the figure inside a sentence, a label
// or a cell of its own.
std::string FormatSciTrimmed(double x);

// Numeric text as typed in a field or a file: optional leading blanks, an optional sign, digits with
// an optional decimal point, an optional exponent. Anything else, trailing blanks included, or an
// empty text, gives no value; so does a magnitude whose three-digit dialog text (FormatSciLong) would
// lie beyond the double range, from about 1.795e308 up: every value read survives a round trip through
// a dialog.
std::optional<double> ParseReal(std::string_view text);

// text with a decimal comma read as the point: every ',' made a '.' where the text has no '.' ("7,2" is
// 7.2; "1.5" and "1,5,3" are left to ParseReal as they are, the second to be refused).
std::string DecimalPoint(std::string_view text);

// A text of the form ParseReal takes whose magnitude lies beyond the double range (1e999, or from about
// 1.795e308 up). Files and options refuse it with its own reason: read as 0 or as infinity it would be a
// plausible wrong number. A number too small for a double is not beyond the range: it is 0.
bool BeyondRange(std::string_view text);

// The text cut to at most n bytes (names and fields whose length is counted in bytes).
std::string_view CutTo(std::string_view text, std::size_t n);

// The text cut to at most n characters. Report texts are UTF-8 ("°C", and whatever a name or a comment
// holds), so a character is counted at its first byte and a multi-byte character is never split.
std::string CutToChars(std::string_view text, std::size_t n);

}  // namespace dedodiz

namespace dedodiz {

// The comma-separated value reader of the constants and buffer files: takes the text before the first
// comma (the whole line when there is none), cut to its first 20 characters, removes it and the
// comma from line, and converts it with ParseReal; text that does not parse gives 0. A token beyond the
// double range gives 0 as well and, when beyondRange is given, sets it, for the reader to refuse the
// file; every other token clears it.
double ParseNextValue(std::string& line, bool* beyondRange = nullptr);

// The 8.3 value writer of the constants file: 3 decimals right-aligned in 8 characters, cut to its
// first 9 characters when the number needs more.
std::string FormatValue(double x);

}  // namespace dedodiz
