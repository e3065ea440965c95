#pragma once
// Floating-point faults are errors, never silent infinities. A command runs its computation under a
// guard: the exception flags are cleared first and read after; a division by zero, an overflow or an
// invalid operation (the logarithm of zero, 0/0) becomes a FloatingPointFault, caught once at the
// command boundary, which shows "ERROR" and stores no result. Underflow and inexact results are normal.

#include <stdexcept>
#include <string>

#include "Sinks.h"

namespace dedodiz {

class FloatingPointFault : public std::runtime_error {
  public:
    explicit FloatingPointFault(const std::string& what) : std::runtime_error(what) {}
};

// Clears the fault flags on construction; Check() throws FloatingPointFault when one was raised since.
class FloatGuard {
  public:
    FloatGuard();
    void Check() const;
};

// The user's text for the faults raised since the last clear, or empty when there were none.
std::string PendingFaultText();

// Runs computation under a guard. On a fault shows its text with caption "ERROR" and returns false;
// the computation must then be treated as not having happened.
template <typename Computation>
bool RunGuarded(MessageSink& messages, Computation&& computation) {
    try {
        FloatGuard guard;
        computation();
        guard.Check();
        return true;
    } catch (const FloatingPointFault& fault) {
        messages.Message(fault.what(), "ERROR");
        return false;
    }
}

}  // namespace dedodiz
