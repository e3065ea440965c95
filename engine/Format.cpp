// SPDX-License-Identifier: BSD-3-Clause
#include "engine/Format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

// The standard library's exact conversions of doubles to and from text are used where the library
// has them; elsewhere (the C++ library of WebAssembly builds) the C library's printf and strtod, which
// are correctly rounded too, give the same texts. (The classic-locale streams would as well, at some
// five times the cost: the page writes thousands of numbers into the exports of every calculation.)
// DEDODIZ_FORCE_FALLBACKS makes a native build use the C library, so that the tests prove they agree.
#if defined(__cpp_lib_to_chars) && !defined(DEDODIZ_FORCE_FALLBACKS)
#define DEDODIZ_STD_CHARCONV 1
#else
#define DEDODIZ_STD_CHARCONV 0
#endif

namespace dedodiz {

namespace {

#if !DEDODIZ_STD_CHARCONV
// The decimal point of the C locale in effect: printf writes it and strtod reads it, so the texts swap
// it with '.' to read and write as the "C" locale does whatever the program's locale.
std::string LocalePoint() {
    const char* point = std::localeconv()->decimal_point;
    return point != nullptr && *point != '\0' ? point : ".";
}

// x by printf with the format ("%.*f", "%.*e") and the decimals, with a decimal point.
std::string Printed(const char* format, int decimals, double x) {
    std::array<char, 128> small{};
    const int n = std::snprintf(small.data(), small.size(), format, decimals, x);
    if (n < 0) return {};
    std::string text;
    if (static_cast<std::size_t>(n) < small.size()) {
        text.assign(small.data(), static_cast<std::size_t>(n));
    } else {  // a fixed text of a large number: hundreds of digits
        text.resize(static_cast<std::size_t>(n) + 1);
        std::snprintf(text.data(), text.size(), format, decimals, x);
        text.resize(static_cast<std::size_t>(n));
    }
    const std::string point = LocalePoint();
    if (point != ".") {
        const std::size_t at = text.find(point);
        if (at != std::string::npos) text.replace(at, point.size(), ".");
    }
    return text;
}
#endif

}  // namespace

std::string FixedText(double x, int decimals) {
#if DEDODIZ_STD_CHARCONV
    std::array<char, 400> buf{};
    const auto result =
        std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed, decimals);
    return std::string(buf.data(), result.ptr);
#else
    return Printed("%.*f", decimals, x);
#endif
}

std::string ScientificText(double x, int decimals) {
#if DEDODIZ_STD_CHARCONV
    std::array<char, 64> buf{};
    const auto result =
        std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::scientific, decimals);
    return std::string(buf.data(), result.ptr);
#else
    return Printed("%.*e", decimals, x);
#endif
}

namespace {

// A text of zero with a sign ("-0.000", "-0.00e+00") loses it: the figure is not negative.
std::string UnsignedZero(std::string text) {
    const std::string_view mantissa = std::string_view(text).substr(0, text.find_first_of("eE"));
    if (!text.empty() && text.front() == '-' && mantissa.find_first_of("123456789") == std::string_view::npos)
        text.erase(0, 1);
    return text;
}

}  // namespace

std::string FigureText(double x, int decimals) {
    if (!std::isfinite(x)) return "not finite";
    if (std::abs(x) < 999999999.5) return UnsignedZero(FixedText(x, decimals));
    return ScientificText(x, decimals);
}

double PXOf(double molar) {
    return 0.0 - std::log10(molar);
}

std::optional<double> ReadDouble(std::string_view text) {
#if DEDODIZ_STD_CHARCONV
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) return std::nullopt;
    return value;
#else
    // The texts the exact reader takes: an optional '-', digits with an optional point, an optional
    // exponent; strtod would take blanks, a '+', hexadecimal, "inf" and "nan" as well.
    if (text.empty() || text.front() == '+' ||
        text.find_first_not_of("0123456789.eE+-") != std::string_view::npos)
        return std::nullopt;
    std::string local(text);
    const std::string point = LocalePoint();
    if (point != ".") {
        const std::size_t at = local.find('.');
        if (at != std::string::npos) local.replace(at, 1, point);
    }
    char* end = nullptr;
    const double value = std::strtod(local.c_str(), &end);
    if (end != local.c_str() + local.size()) return std::nullopt;
    // Beyond the double range, or so small that nothing of it is left: out of range for the exact
    // reader too. A subnormal result is a value.
    if (std::isinf(value)) return std::nullopt;
    if (value == 0 &&
        text.substr(0, text.find_first_of("eE")).find_first_of("123456789") != std::string_view::npos)
        return std::nullopt;
    return value;
#endif
}

#if !DEDODIZ_STD_CHARCONV
namespace {

// The fewest significant digits (1 to 17) whose decimal reads back as x.
int FewestDigits(double x) {
    const auto readsBack = [&](int digits) {
        const auto back = ReadDouble(ScientificText(std::abs(x), digits - 1));
        return back && *back == std::abs(x);
    };
    // The nearest decimal of d + 1 digits lies at least as near as that of d digits; where the gaps to
    // both neighbours of x are equal (x not a power of two) every count above the fewest reads back as
    // well, and a bisection finds the fewest in a few tries instead of up to seventeen (each a format
    // and a read). It begins at 15 digits: a computed figure needs 16 or 17, so two tries decide it.
    // A power of two is searched digit by digit.
    int fewest = 17;
    int frexpExponent = 0;
    if (x != 0 && std::frexp(std::abs(x), &frexpExponent) != 0.5) {
        int low = 1;  // the fewest lies in [low, fewest]
        if (readsBack(15)) {
            fewest = 15;
        } else {
            low = 16;
        }
        while (low < fewest) {
            const int mid = (low + fewest) / 2;
            if (readsBack(mid)) {
                fewest = mid;
            } else {
                low = mid + 1;
            }
        }
    } else {
        for (int digits = 1; digits < 17; ++digits) {
            if (readsBack(digits)) {
                fewest = digits;
                break;
            }
        }
    }
    return fewest;
}

}  // namespace
#endif

std::string ShortestText(double x) {
#if DEDODIZ_STD_CHARCONV
    std::array<char, 32> buf{};
    const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), x);
    return std::string(buf.data(), result.ptr);
#else
    if (!std::isfinite(x)) return x != x ? "nan" : (x < 0 ? "-inf" : "inf");
    // The fewest significant digits that read back as x, then the shorter of the fixed and the
    // scientific form of those digits (the fixed one on a tie), as the exact writer chooses.
    const std::string digitsText = ScientificText(std::abs(x), FewestDigits(x) - 1);
    std::string mantissa;
    const std::size_t e = digitsText.find('e');
    for (const char c : digitsText.substr(0, e))
        if (c != '.') mantissa += c;
    const int exponent = std::atoi(digitsText.c_str() + e + 1);
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    const std::string sign = std::signbit(x) ? "-" : "";
    std::string sci = mantissa.substr(0, 1);
    if (mantissa.size() > 1) sci += "." + mantissa.substr(1);
    const std::string expDigits = std::to_string(std::abs(exponent));
    sci += std::string(exponent < 0 ? "e-" : "e+") + (expDigits.size() < 2 ? "0" : "") + expDigits;
    std::string fixed;
    const int count = static_cast<int>(mantissa.size());
    if (exponent >= 0) {
        // A whole number is written with its exact digits, as the exact writer does: the same length as
        // the fewest digits and zeros, and no difference from x (they differ from 2^53 up).
        fixed = exponent + 1 >= count ? FixedText(std::abs(x), 0)
                                      : mantissa.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
                                            mantissa.substr(static_cast<std::size_t>(exponent + 1));
    } else {
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa;
    }
    return sign + (fixed.size() <= sci.size() ? fixed : sci);
#endif
}

std::string FormatFixed(double x, int w, int d) {
    std::string text = FixedText(x, d);
    if (static_cast<int>(text.size()) < w) text.insert(0, static_cast<std::size_t>(w) - text.size(), ' ');
    return text;
}

namespace {

struct SciParts {
    bool negative;
    std::string mantissa;  // "d.dd"
    int exponent;
};

SciParts SplitSci(double x) {
    const std::string sci = ScientificText(x, 2);
    std::string_view text(sci);
    SciParts parts{false, {}, 0};
    if (!text.empty() && text.front() == '-') {
        parts.negative = true;
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    parts.mantissa = std::string(text.substr(0, e));
    if (e != std::string_view::npos) {
        std::string_view exp = text.substr(e + 1);
        if (!exp.empty() && exp.front() == '+') exp.remove_prefix(1);
        std::from_chars(exp.data(), exp.data() + exp.size(), parts.exponent);
    }
    return parts;
}

std::string SciText(double x, int minExponentDigits) {
    const SciParts p = SplitSci(x);
    std::string digits = std::to_string(std::abs(p.exponent));
    if (static_cast<int>(digits.size()) < minExponentDigits)
        digits.insert(0, static_cast<std::size_t>(minExponentDigits) - digits.size(), '0');
    return std::string(p.negative ? "-" : " ") + p.mantissa + "E" + (p.exponent < 0 ? "-" : "+") + digits;
}

}  // namespace

std::string FormatSciLong(double x) {
    return SciText(x, 4);
}

std::string FormatSci(double x) {
    return SciText(x, 2);
}

std::string FormatSciTrimmed(double x) {
    std::string text = FormatSci(x);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

namespace {

// The shape of a numeric text (see ParseReal): where it begins after its leading blanks, and the decimal
// exponent of its first digit that is not 0 (300 for "1e300", -3 for "0.00123"). nullopt when the text
// is no number.
struct NumberShape {
    std::size_t start = 0;
    bool zero = true;  // every digit is 0
    long order = 0;    // the decimal exponent of the leading digit that is not 0
};

std::optional<NumberShape> ShapeOf(std::string_view text) {
    NumberShape shape;
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    shape.start = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    const auto isDigit = [&](std::size_t p) { return p < text.size() && text[p] >= '0' && text[p] <= '9'; };
    long digits = 0, integerDigits = 0, leading = -1;  // leading: index of the first digit not 0
    for (bool point = false; isDigit(pos) || (!point && pos < text.size() && text[pos] == '.'); ++pos) {
        if (text[pos] == '.') {
            point = true;
            continue;
        }
        if (text[pos] != '0' && leading < 0) leading = digits;
        ++digits;
        if (!point) ++integerDigits;
    }
    if (digits == 0) return std::nullopt;
    long exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        bool negative = false;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
        if (!isDigit(pos)) return std::nullopt;
        for (; isDigit(pos); ++pos)
            if (exponent < 1000000) exponent = exponent * 10 + (text[pos] - '0');  // far beyond any double
        if (negative) exponent = -exponent;
    }
    if (pos != text.size()) return std::nullopt;
    shape.zero = leading < 0;
    shape.order = shape.zero ? 0 : integerDigits - 1 - leading + exponent;
    return shape;
}

}  // namespace

std::string DecimalPoint(std::string_view text) {
    std::string point(text);
    if (point.find('.') == std::string::npos) std::replace(point.begin(), point.end(), ',', '.');
    return point;
}

std::optional<double> ParseReal(std::string_view text) {
    const std::optional<NumberShape> shape = ShapeOf(text);
    if (!shape) return std::nullopt;
    const std::size_t start = shape->start;

    // The reader takes no leading '+', so hand it a tidy copy. A magnitude beyond the double range is no
    // usable number either.
    std::string number(text.substr(start));
    if (!number.empty() && number.front() == '+') number.erase(0, 1);
    const std::optional<double> value = ReadDouble(number);
    // The dialogs show a number with three significant digits. Just below the largest double those
    // round up beyond the double range (1.797e308 shows as " 1.80E+0308"), and the shown text would be
    // refused when it is read back; such a number is refused in the first place.
    constexpr double kLargestShown = 1.79e308;
    if (value && std::abs(*value) > kLargestShown && !ReadDouble(ScientificText(std::abs(*value), 2)))
        return std::nullopt;
    return value;
}

bool BeyondRange(std::string_view text) {
    const std::optional<NumberShape> shape = ShapeOf(text);
    // A number that ParseReal refuses for its size: above the range, not a tiny one below it (which is 0
    // for every purpose here and stays refused as no number, as it always was).
    return shape && !shape->zero && shape->order >= 0 && !ParseReal(text);
}

std::string_view CutTo(std::string_view text, std::size_t n) {
    return text.substr(0, std::min(text.size(), n));
}

std::string CutToChars(std::string_view text, std::size_t n) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (!continuation && characters++ == n) return std::string(text.substr(0, at));
    }
    return std::string(text);
}

}  // namespace dedodiz

namespace dedodiz {

double ParseNextValue(std::string& line, bool* beyondRange) {
    const std::size_t comma = line.find(',');
    const std::string_view token = CutTo(std::string_view(line).substr(0, comma), 20);
    const double value = ParseReal(token).value_or(0.0);
    if (beyondRange != nullptr) *beyondRange = BeyondRange(token);
    line.erase(0, comma == std::string::npos ? line.size() : comma + 1);
    return value;
}

std::string FormatValue(double x) {
    std::string text = FormatFixed(x, 8, 3);
    if (text.size() > 9) text.resize(9);
    return text;
}

}  // namespace dedodiz
