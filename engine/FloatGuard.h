// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Floating-point faults are errors, never silent infinities. A command runs its computation under one
// guard: the faults are cleared first and read after; a division by zero, an overflow or an invalid
// operation (the logarithm of zero, 0/0) becomes a FloatingPointFault, caught once at the command
// boundary, which shows "ERROR" and stores no result. Underflow and inexact results are normal.
//
// Faults are found two ways, and the guard reads both:
// - the computations check what they compute (the argument of a logarithm, a divisor that the inputs can
//   make zero, a power or a sum that may leave the double range) through the checked operations below;
//   this works on every platform, also on WebAssembly, which has no floating-point exception flags;
// - where the platform has them, the hardware exception flags (<cfenv>), which also see a fault in
//   code that has no check of its own. The build option DEDODIZ_FLOAT_FLAGS=OFF leaves them out, so
//   the tests prove that the checks alone find every fault.

#include <cmath>
#include <stdexcept>
#include <string>

#include "engine/Sinks.h"

namespace dedodiz {

// The three kinds of fault; a set of them is a bit mask.
enum FaultKind : unsigned {
    kFaultDivideByZero = 1U,
    kFaultInvalid = 2U,  // 0/0, the logarithm of a negative number, a result that is not a number
    kFaultOverflow = 4U,
};

// Records faults found by a check; they stay raised until the guard (or a FaultScope) clears them.
void RaiseFault(unsigned kinds);

// The faults raised since the last clear, by the checks and (where used) the hardware flags.
unsigned RaisedFaults();

// Clears both the recorded faults and the hardware flags.
void ClearFaults();

// True when this build reads the hardware exception flags as well.
bool UsesFloatFlags();

// The checked operations: each returns what the plain operation returns and raises the fault that the
// hardware would raise for it.
namespace checked {

// a / b; a zero divisor is a division by zero (0/0 and NaN/0 an invalid operation).
inline double Divide(double a, double b) {
    if (b == 0) RaiseFault(a == 0 || std::isnan(a) ? kFaultInvalid : kFaultDivideByZero);
    return a / b;
}

// ln x and log10 x: the logarithm of 0 is a division by zero, of a negative number (or NaN) invalid.
inline double Log(double x) {
    if (!(x > 0)) RaiseFault(x == 0 ? kFaultDivideByZero : kFaultInvalid);
    return std::log(x);
}
inline double Log10(double x) {
    if (!(x > 0)) RaiseFault(x == 0 ? kFaultDivideByZero : kFaultInvalid);
    return std::log10(x);
}

// x itself; a value that is no longer finite is an overflow (infinite) or an invalid operation (NaN).
inline double Finite(double x) {
    if (std::isnan(x)) {
        RaiseFault(kFaultInvalid);
    } else if (std::isinf(x)) {
        RaiseFault(kFaultOverflow);
    }
    return x;
}

// e^x and 10^x: a finite argument whose power leaves the double range overflows.
inline double Exp(double x) {
    const double y = std::exp(x);
    if (std::isinf(y) && std::isfinite(x)) RaiseFault(kFaultOverflow);
    if (std::isnan(x)) RaiseFault(kFaultInvalid);
    return y;
}
inline double Pow10(double x) {
    const double y = std::pow(10.0, x);
    if (std::isinf(y) && std::isfinite(x)) RaiseFault(kFaultOverflow);
    if (std::isnan(x)) RaiseFault(kFaultInvalid);
    return y;
}

}  // namespace checked

class FloatingPointFault : public std::runtime_error {
  public:
    explicit FloatingPointFault(const std::string& what) : std::runtime_error(what) {}
};

// Clears the faults on construction; Check() throws FloatingPointFault when one was raised since.
class FloatGuard {
  public:
    FloatGuard();
    void Check() const;
};

// Tells whether the computation within its lifetime raised a fault, so that a calculation can store
// nothing and write nothing after a fault. It does not disturb the guard around the command: faults
// raised before it are raised again when it ends, and a fault raised within it stays raised, so the
// command's RunGuarded still reports it as "ERROR".
class FaultScope {
  public:
    FaultScope();
    ~FaultScope();
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;

    [[nodiscard]] bool Faulted() const;

  private:
    unsigned raisedBefore_;
    int flagsBefore_;
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
