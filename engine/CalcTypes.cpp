// SPDX-License-Identifier: BSD-3-Clause
#include "engine/CalcTypes.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace dedodiz {

namespace {

constexpr std::array<CalcTypeInfo, 3> kTypes{{
    {CalculationType::Total, "total", "Total", "total metal from the wanted free metal", true, false, true},
    {CalculationType::Free, "free", "Free", "free metal from the total metal", true, true, false},
    {CalculationType::Chelator, "chelator", "Chelator",
     "total chelator that holds the first metal at its wanted free concentration", false, true, true},
}};

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const CalcTypeInfo, 3> CalcTypes() {
    return kTypes;
}

const CalcTypeInfo& TypeInfo(CalculationType type) {
    for (const CalcTypeInfo& info : kTypes)
        if (info.type == type) return info;
    return kTypes[1];  // a number outside the three reads as the default type Free
}

std::optional<CalculationType> TypeOfWord(std::string_view word) {
    for (const CalcTypeInfo& info : kTypes)
        if (SameWord(info.word, word)) return info.type;
    return std::nullopt;
}

std::string_view TypeWords() {
    return "total, free or chelator";
}

}  // namespace dedodiz
