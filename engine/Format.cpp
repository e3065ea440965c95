#include "Format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace dedodiz {

std::string FormatFixed(double x, int w, int d) {
    std::array<char, 400> buf{};
    const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::fixed, d);
    std::string text(buf.data(), result.ptr);
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
    std::array<char, 64> buf{};
    const auto result =
        std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::scientific, 2);
    std::string_view text(buf.data(), static_cast<std::size_t>(result.ptr - buf.data()));
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

std::optional<double> ParseReal(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    const std::size_t start = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    const auto isDigit = [&](std::size_t p) { return p < text.size() && text[p] >= '0' && text[p] <= '9'; };
    std::size_t digits = 0;
    while (isDigit(pos)) ++pos, ++digits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (isDigit(pos)) ++pos, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
        if (!isDigit(pos)) return std::nullopt;
        while (isDigit(pos)) ++pos;
    }
    if (pos != text.size()) return std::nullopt;

    // from_chars takes neither a leading '+' nor a bare trailing point, so hand it a tidy copy.
    std::string number(text.substr(start));
    if (!number.empty() && number.front() == '+') number.erase(0, 1);
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    // A magnitude beyond the double range is no usable number either.
    if (result.ec != std::errc{}) return std::nullopt;
    return value;
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

double ParseNextValue(std::string& line) {
    const std::size_t comma = line.find(',');
    const std::string_view token = CutTo(std::string_view(line).substr(0, comma), 20);
    const double value = ParseReal(token).value_or(0.0);
    line.erase(0, comma == std::string::npos ? line.size() : comma + 1);
    return value;
}

std::string FormatValue(double x) {
    std::string text = FormatFixed(x, 8, 3);
    if (text.size() > 9) text.resize(9);
    return text;
}

}  // namespace dedodiz
