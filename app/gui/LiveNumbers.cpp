// SPDX-License-Identifier: BSD-3-Clause
#include "gui/LiveNumbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/Format.h"

namespace dedodiz {

namespace {

// The decimal exponent of a unit: the value in mol/L is the number times 10^exponent.
int Exponent(ConcUnit unit) {
    switch (unit) {
        case ConcUnit::mM:
            return -3;
        case ConcUnit::uM:
            return -6;
        case ConcUnit::nM:
            return -9;
        case ConcUnit::M:
        case ConcUnit::pX:
            break;
    }
    return 0;
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The exponent digits after an 'e' of a text ParseReal has read; held within a range far beyond the
// doubles, so that a long run of digits cannot overflow the count.
long long ExponentOf(std::string_view digits) {
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    long long exponent = 0;
    for (const char c : digits) exponent = std::min(exponent * 10 + (c - '0'), 1000000LL);
    return negative ? -exponent : exponent;
}

// The number of text with its decimal exponent moved by shift: "155" and -9 read as "155e-9".
std::optional<double> Shifted(std::string_view text, int shift) {
    const std::size_t e = text.find_first_of("eE");
    const long long exponent = (e == std::string_view::npos ? 0 : ExponentOf(text.substr(e + 1))) + shift;
    return ParseReal(std::string(text.substr(0, e)) + "e" + std::to_string(exponent));
}

// The significant digits of the shortest text of |value| > 0, and where the decimal point stands
// among them (digits "155", point 3 is 155; point -6 is 0.000000155).
struct Digits {
    std::string digits;
    int point = 0;
};

Digits DigitsOf(double value) {
    const std::string text = ShortestText(std::abs(value));
    const std::size_t e = text.find_first_of("eE");
    const std::string mantissa = text.substr(0, e);
    Digits d;
    const std::size_t dot = mantissa.find('.');
    d.point = static_cast<int>(dot == std::string::npos ? mantissa.size() : dot);
    if (e != std::string::npos) d.point += std::atoi(text.c_str() + e + 1);
    for (const char c : mantissa)
        if (c != '.') d.digits += c;
    while (d.digits.size() > 1 && d.digits.front() == '0') {
        d.digits.erase(0, 1);
        --d.point;
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

}  // namespace

std::string_view UnitCaption(ConcUnit unit) {
    switch (unit) {
        case ConcUnit::M:
            return "M";
        case ConcUnit::mM:
            return "mM";
        case ConcUnit::uM:
            return "\xC2\xB5M";
        case ConcUnit::nM:
            return "nM";
        case ConcUnit::pX:
            return "pX";
    }
    return "M";
}

std::string_view ProblemText(ConcProblem problem) {
    switch (problem) {
        case ConcProblem::NotANumber:
            return "is not a number";
        case ConcProblem::OutOfRange:
            return "is out of range";
        case ConcProblem::None:
            break;
    }
    return "";
}

ConcReading ReadConcentration(std::string_view raw, ConcUnit unit) {
    const std::string_view text = Trim(raw);
    const std::optional<double> number = ParseReal(text);
    if (!number) return {{}, ConcProblem::NotANumber};
    if (unit == ConcUnit::pX) return {Amount{*number, ConcUnit::pX}, ConcProblem::None};
    // A number that is no double in mol/L (beyond the range, or too small to be above 0) is out of range.
    const std::optional<double> value = Shifted(text, Exponent(unit));
    if (!value || (*number != 0 && *value == 0)) return {{}, ConcProblem::OutOfRange};
    return {Amount{*value, ConcUnit::M}, ConcProblem::None};
}

ConcUnit UnitFor(double value) {
    const double a = std::abs(value);
    if (a == 0 || a >= 0.1) return ConcUnit::M;
    if (a >= 1e-4) return ConcUnit::mM;
    if (a >= 1e-7) return ConcUnit::uM;
    return ConcUnit::nM;
}

std::string TextInUnit(double value, ConcUnit unit) {
    if (value == 0 || !std::isfinite(value)) return "0";
    Digits d = DigitsOf(value);
    d.point -= Exponent(unit);
    const auto size = static_cast<int>(d.digits.size());
    std::string text;
    if (d.point <= 0) {
        text = "0." + std::string(static_cast<std::size_t>(-d.point), '0') + d.digits;
    } else if (d.point >= size) {
        text = d.digits + std::string(static_cast<std::size_t>(d.point - size), '0');
    } else {
        text = d.digits.substr(0, static_cast<std::size_t>(d.point)) + "." +
               d.digits.substr(static_cast<std::size_t>(d.point));
    }
    if (text.size() > 14) {
        text = d.digits.substr(0, 1);
        if (size > 1) text += "." + d.digits.substr(1);
        text += "e" + std::to_string(d.point - 1);
    }
    return (value < 0 ? "-" : "") + text;
}

std::string ConcentrationForEye(double value) {
    if (value == 0) return "0";
    if (!std::isfinite(value)) return ShortestText(value);
    // Rounded to three digits first, then placed: 9.996e-4 M reads "1.00 mM", never "1000 µM".
    static const char* const kUnits[] = {"M", "mM", "\xC2\xB5M", "nM", "pM", "fM", "aM"};
    const std::string sci = ScientificText(std::abs(value), 2);  // "1.55e-07"
    const std::size_t e = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + e + 1);
    const int power = 3 * static_cast<int>(std::floor(exponent / 3.0));  // of the unit: 0, -3, ... -18
    const std::string sign = value < 0 ? "-" : "";
    if (power > 0 || power < -18) return sign + sci + " M";
    const std::string digits = sci.substr(0, 1) + sci.substr(2, 2);     // "155"
    const auto whole = static_cast<std::size_t>(1 + exponent - power);  // digits before the point, 1..3
    std::string number = digits.substr(0, whole);
    if (whole < digits.size()) number += "." + digits.substr(whole);
    return sign + number + " " + kUnits[-power / 3];
}

}  // namespace dedodiz
