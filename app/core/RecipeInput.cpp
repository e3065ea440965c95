// SPDX-License-Identifier: BSD-3-Clause
#include "core/RecipeInput.h"

#include <cctype>
#include <cmath>

#include "engine/Format.h"

namespace dedodiz {

namespace {

struct Unit {
    std::string_view name;  // lower case
    double factor;          // to the kind's base unit
};

constexpr Unit kConcentrationUnits[] = {
    {"m", 1}, {"mm", 1e-3}, {"um", 1e-6}, {"\xc2\xb5m", 1e-6}, {"\xce\xbcm", 1e-6}, {"nm", 1e-9}};
constexpr Unit kVolumeUnits[] = {
    {"l", 1}, {"ml", 1e-3}, {"ul", 1e-6}, {"\xc2\xb5l", 1e-6}, {"\xce\xbcl", 1e-6}};
constexpr Unit kIonicUnits[] = {{"n", 1}, {"mn", 1e-3}};
constexpr Unit kOsmUnits[] = {{"osm", 1}, {"mosm", 1e-3}};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The number a text holds, a decimal comma read as a point when asked.
std::optional<double> Number(std::string_view text, bool decimalComma) {
    std::string number(Trim(text));
    if (decimalComma)
        for (char& c : number)
            if (c == ',') c = '.';
    return ParseReal(number);
}

template <std::size_t N>
std::optional<double> WithUnit(std::string_view text, const Unit (&units)[N], bool decimalComma) {
    text = Trim(text);
    // The unit is the run of letters (and the bytes of a micro sign) at the end.
    std::size_t split = text.size();
    while (split > 0) {
        const auto c = static_cast<unsigned char>(text[split - 1]);
        if (!(std::isalpha(c) || c >= 0x80)) break;
        --split;
    }
    // An exponent's 'e' belongs to the number: "1e-3" has no unit.
    const std::string unit = Lower(text.substr(split));
    double factor = 1;
    if (!unit.empty()) {
        const Unit* found = nullptr;
        for (const Unit& u : units)
            if (u.name == unit) found = &u;
        if (found == nullptr) return std::nullopt;
        factor = found->factor;
    }
    const std::optional<double> value = Number(text.substr(0, split), decimalComma);
    if (!value) return std::nullopt;
    return *value * factor;
}

}  // namespace

std::optional<double> ParseAmount(std::string_view text, AmountKind kind, bool decimalComma) {
    switch (kind) {
        case AmountKind::Concentration: {
            // "0.15 mmol/L", as a lab writes it, is "0.15 mM".
            std::string t(Trim(text));
            const std::string lower = Lower(t);
            constexpr std::string_view kPerLitre = "mol/l";
            if (lower.size() > kPerLitre.size() && lower.ends_with(kPerLitre))
                t.replace(t.size() - kPerLitre.size(), kPerLitre.size(), "M");
            return WithUnit(t, kConcentrationUnits, decimalComma);
        }
        case AmountKind::Volume:
            return WithUnit(text, kVolumeUnits, decimalComma);
        case AmountKind::Ionic:
            return WithUnit(text, kIonicUnits, decimalComma);
    }
    return std::nullopt;
}

std::string AmountProblem(std::string_view text, AmountKind kind) {
    const std::string_view t = Trim(text);
    const std::string_view number = Trim(t.substr(0, t.find_first_not_of("0123456789+-.eE")));
    if (!number.empty() && BeyondRange(number))
        return "\"" + std::string(text) + "\" lies beyond the range of numbers (about 1.8e308)";
    return "not an amount in " + std::string(AmountUnits(kind)) + ": \"" + std::string(text) + "\"";
}

std::optional<double> ParseOsmolarity(std::string_view text, bool decimalComma) {
    text = Trim(text);
    if (Lower(text.substr(text.size() >= 2 ? text.size() - 2 : 0)) == "/l") text.remove_suffix(2);
    if (const std::optional<std::string> bare = MissingUnit(text, AmountKind::Volume)) {
        const std::optional<double> mOsm = Number(text, decimalComma);
        return mOsm ? std::optional(*mOsm * 1e-3) : std::nullopt;
    }
    return WithUnit(text, kOsmUnits, decimalComma);
}

std::optional<std::string> MissingUnit(std::string_view text, AmountKind kind) {
    const std::string_view t = Trim(text);
    if (t.empty() || !ParseReal(std::string(t))) return std::nullopt;  // not bare: read or refused as it is
    switch (kind) {
        case AmountKind::Volume:
            return "a volume needs its unit (L, mL, uL), as in \"10mL\"";
        case AmountKind::Concentration:
            return "a concentration needs its unit (M, mM, uM, nM), as in \"100mM\"";
        case AmountKind::Ionic:
            break;
    }
    return std::nullopt;
}

std::optional<double> ParseFraction(std::string_view text, bool decimalComma) {
    text = Trim(text);
    double scale = 1;
    if (!text.empty() && text.back() == '%') {
        text.remove_suffix(1);
        scale = 0.01;
    }
    const std::optional<double> value = Number(text, decimalComma);
    if (!value) return std::nullopt;
    return *value * scale;
}

double PXLevel(double pX) {
    return std::pow(10.0, -pX);
}

std::vector<double> PXRange(double from, double to, double step, std::string& error) {
    if (!(step != 0) || !std::isfinite(step) || !std::isfinite(from) || !std::isfinite(to)) {
        error = "the step of a pX series must not be 0";
        return {};
    }
    const double span = std::abs(to - from);
    const double count = std::floor(span / std::abs(step) + 1e-9) + 1;
    if (count > static_cast<double>(kMaxSeries)) {
        error = "at most " + std::to_string(kMaxSeries) + " solutions in a series";
        return {};
    }
    const double signedStep = to >= from ? std::abs(step) : -std::abs(step);
    std::vector<double> px;
    for (int k = 0; k < static_cast<int>(count); ++k) px.push_back(from + k * signedStep);
    return px;
}

SeriesInput ParseSeries(std::string_view text) {
    SeriesInput series;
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        series.error = "expected METAL=pX:FROM:TO:STEP or METAL=C1,C2,..., got \"" + std::string(text) + "\"";
        return series;
    }
    series.metal = std::string(Trim(text.substr(0, eq)));
    std::string_view values = Trim(text.substr(eq + 1));
    const auto bad = [&](std::string_view part) {
        series.error = "not a " + std::string(series.asPX ? "pX" : "concentration") + ": \"" +
                       std::string(part) + "\" in \"" + std::string(text) + "\"";
        series.free.clear();
        series.px.clear();
        return series;
    };
    if (Lower(values.substr(0, 3)) == "px:") {
        series.asPX = true;
        values.remove_prefix(3);
        if (values.find(':') != std::string_view::npos) {
            std::vector<double> parts;
            for (std::size_t start = 0;;) {
                const std::size_t colon = values.find(':', start);
                const std::string_view part = values.substr(start, colon - start);
                const std::optional<double> v = Number(part, false);
                if (!v) return bad(part);
                parts.push_back(*v);
                if (colon == std::string_view::npos) break;
                start = colon + 1;
            }
            if (parts.size() != 3) {
                series.error = "expected pX:FROM:TO:STEP, got \"" + std::string(text) + "\"";
                return series;
            }
            series.px = PXRange(parts[0], parts[1], parts[2], series.error);
            return series;
        }
    }
    for (std::size_t start = 0;;) {
        const std::size_t comma = values.find(',', start);
        const std::string_view part = values.substr(start, comma - start);
        const std::optional<double> v =
            series.asPX ? Number(part, false) : ParseAmount(part, AmountKind::Concentration);
        if (!v) return bad(part);
        std::vector<double>& levels = series.asPX ? series.px : series.free;
        levels.push_back(*v);
        if (levels.size() > kMaxSeries) {
            series.error = "at most " + std::to_string(kMaxSeries) + " solutions in a series";
            levels.clear();
            return series;
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return series;
}

const char* AmountUnits(AmountKind kind) {
    switch (kind) {
        case AmountKind::Volume:
            return "L, mL, uL";
        case AmountKind::Ionic:
            return "N";
        case AmountKind::Concentration:
            break;
    }
    return "M, mM, uM, nM";
}

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(a[k])) != std::tolower(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

std::string PXName(std::string_view metalName) {
    std::string name = "p";
    for (char c : metalName.substr(0, 2))
        if (std::isalpha(static_cast<unsigned char>(c))) name += c;
    return name;
}

}  // namespace dedodiz
