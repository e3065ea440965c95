// SPDX-License-Identifier: BSD-3-Clause
// The UTF-8 texts of the exports and the pieces every export document is built of.

#include <array>
#include <cmath>

#include "core/ExportSupport.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

// Unicode code points of the Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves
// undefined keep their Latin-1 control code points.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, char16_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string ExportText(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        AppendUtf8(out, b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

std::string CsvCell(std::string_view text) {
    const std::string utf8 = ExportText(text);
    const bool quote = utf8.find_first_of(",\"\r\n") != std::string::npos ||
                       (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' '));
    if (!quote) return utf8;
    std::string cell = "\"";
    for (const char c : utf8) {
        if (c == '"') cell += '"';
        cell += c;
    }
    cell += '"';
    return cell;
}

std::string CsvNumber(double x) {
    if (!std::isfinite(x)) return {};
    return ShortestText(x);
}

std::string JsonText(const JsonValue& value) {
    // The texts were made valid UTF-8 on the way in; replacing stays a safety net, never an exception.
    return value.dump(2, ' ', false, JsonValue::error_handler_t::replace) + "\n";
}

namespace exporting {

std::string_view TypeWord(CalculationType type) {
    switch (type) {
        case CalculationType::Total:
            return "total";
        case CalculationType::Chelator:
            return "chelator";
        case CalculationType::Free:
            break;
    }
    return "free";
}

// A log10 constant; 0 means that the constant does not exist.
json LogK(double x) {
    return x != 0 ? json(x) : json(nullptr);
}

json Number(double x) {
    return std::isfinite(x) ? json(x) : json(nullptr);
}

json Messages(const ShownMessages& shown) {
    json list = json::array();
    for (const ShownMessage& m : shown) {
        std::string text = ExportText(m.text);
        for (char& c : text)
            if (c == '\r') c = '\n';
        list.push_back({{"caption", ExportText(m.caption)}, {"text", text}});
    }
    return list;
}

json Header(std::string_view result) {
    return {{"program", "DEDODIZ32"}, {"version", std::string(kVersion)}, {"result", std::string(result)}};
}

json Conditions(double temperature, double pH, double ionic) {
    return {{"temperature_C", Number(temperature)}, {"pH", Number(pH)}, {"ionic_strength_N", Number(ionic)}};
}

bool ChelatorPresent(const TSolution& w, int i) {
    return w.ChelName[i] != kEmptyChelator;
}
bool MetalPresent(const TSolution& w, int j) {
    return w.MetalName[j] != kEmptyMetal;
}

std::string Key(std::string_view prefix, std::string_view name, std::string_view unit) {
    std::string key(prefix);
    key += '_';
    key += ExportText(name);
    if (!unit.empty()) {
        key += '_';
        key += unit;
    }
    return key;
}

json ValenceOf(std::string_view metalName) {
    const int valence = MetalNameValence(metalName);
    return valence >= 0 ? json(valence) : json(nullptr);
}

}  // namespace exporting

}  // namespace dedodiz
