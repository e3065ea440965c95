// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Concentrations as the live calculator takes and shows them: a number with a unit beside it (M, mM,
// µM, nM, or pX, the negative decimal logarithm of a free metal level), and a short text for the eye.
// A value in a unit is read through its decimal text ("155" nM is the double of "155e-9"), so that it
// is the same number the command-line tool reads from --metal Ca2=155e-9 and the web page from its form.

#include <optional>
#include <string>
#include <string_view>

#include "core/Rules.h"

namespace dedodiz {

// "M", "mM", "µM", "nM", "pX".
std::string_view UnitCaption(ConcUnit unit);

// Why a field's text gives no amount, for the message that names the field.
enum class ConcProblem { None, NotANumber, OutOfRange };
std::string_view ProblemText(ConcProblem problem);  // "is not a number", "is out of range"

struct ConcReading {
    Amount amount;
    ConcProblem problem = ConcProblem::None;
    [[nodiscard]] bool ok() const { return problem == ConcProblem::None; }
};

// A field's text as an amount the Session takes: a concentration in M, mM, µM or nM as mol/L (read
// through its decimal text, so "155" nM is the double of "155e-9"), a pX as it stands (the Session
// converts it and checks its range, as it checks every concentration).
ConcReading ReadConcentration(std::string_view text, ConcUnit unit);

// The unit in which value [mol/L] reads as about 0.1 to 999: M for 0 and from 0.1 M up, then mM, µM, nM.
ConcUnit UnitFor(double value);

// The decimal text of value [mol/L] in unit (not pX), exact: ReadConcentration gives back the same
// double. A text that would run past 14 characters takes an exponent instead.
std::string TextInUnit(double value, ConcUnit unit);

// How the window shows every concentration it computed, in its tables and on its plot alike: three
// significant digits in the unit in which they read 1 to 999, from M down to aM ("155 nM", "2.00 mM",
// "1.23 pM", "0"); beyond that range the molar number with an exponent ("1.23e-21 M").
std::string ConcentrationForEye(double value);

}  // namespace dedodiz
