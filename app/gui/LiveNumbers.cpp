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
    if (value == 0 || !std::isfinite(value)) return value == 0 ? "0" : ShortestText(value);
    // The unit in which the number reads 1 to 999.
    const double a = std::abs(value);
    const ConcUnit unit = a >= 1      ? ConcUnit::M
                          : a >= 1e-3 ? ConcUnit::mM
                          : a >= 1e-6 ? ConcUnit::uM
                                      : ConcUnit::nM;
    const double scaled = value / std::pow(10.0, Exponent(unit));
    const std::string caption(UnitCaption(unit));
    if (std::abs(scaled) < 0.01) return ScientificText(scaled, 2) + " " + caption;
    const int decimals = std::max(0, 2 - static_cast<int>(std::floor(std::log10(std::abs(scaled)))));
    return FixedText(scaled, decimals) + " " + caption;
}

}  // namespace dedodiz
