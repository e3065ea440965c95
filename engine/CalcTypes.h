// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// What each calculation type is: its word in command lines, scripts and exports, its caption in the
// windows, and which concentrations it reads from the solution and which it computes. Every front end
// asks here instead of switching on the type itself, so a type is described once.

#include <optional>
#include <span>
#include <string_view>

#include "engine/State.h"

namespace dedodiz {

struct CalcTypeInfo {
    CalculationType type;
    std::string_view word;    // "total", "free", "chelator": command lines, scripts, exports
    std::string_view label;   // "Total", "Free", "Chelator": the caption of its radio button
    std::string_view what;    // what it computes, in a user's words, for help texts
    bool readsChelatorTotal;  // the chelator totals are given (type Chelator computes them)
    bool readsMetalTotal;     // the metal totals are given
    bool readsMetalFree;      // the wanted free metals are given
};

// The three types in the order of their numbers.
std::span<const CalcTypeInfo, 3> CalcTypes();

const CalcTypeInfo& TypeInfo(CalculationType type);

// The type of a word ("free", ignoring case); nullopt for anything else.
std::optional<CalculationType> TypeOfWord(std::string_view word);

// "total, free or chelator", for messages.
std::string_view TypeWords();

}  // namespace dedodiz
