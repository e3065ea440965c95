// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A solution described and run through a Session of its own, as every front end runs it: the tests
// compare what a window or a command computed with this.

#include <memory>

#include "core/Session.h"

namespace dedodiz::test {

// Describes entered on table into selection and calc; false (and both as they were) when refused.
inline bool DescribeInto(const ConstantsTable& table, const SolutionInput& entered, Selection& selection,
                         Calculation& calc) {
    auto session = std::make_unique<Session>();
    session->table() = table;
    if (!session->Describe(entered).Ran()) return false;
    selection = session->selection();
    calc = session->calc();
    return true;
}

// A single-point run of entered on table: its outcome and the calculation it leaves.
struct Solved {
    Outcome outcome;
    Calculation calc;
    [[nodiscard]] bool Ran() const { return outcome.Ran(); }
};

inline Solved Solve(const ConstantsTable& table, const SolutionInput& entered,
                    Precision precision = kDefaultPrecision) {
    auto session = std::make_unique<Session>();
    session->table() = table;
    session->precision = precision;
    Solved solved;
    solved.outcome = session->Describe(entered);
    if (solved.outcome.Ran()) solved.outcome = session->Run();
    solved.calc = session->calc();
    return solved;
}

}  // namespace dedodiz::test
