// SPDX-License-Identifier: BSD-3-Clause
#include "engine/FloatGuard.h"

#include <cfenv>

// The hardware flags are read where the platform has them and the build does not leave them out.
#if defined(FE_DIVBYZERO) && defined(FE_OVERFLOW) && defined(FE_INVALID) && !defined(DEDODIZ_NO_FLOAT_FLAGS)
#define DEDODIZ_HAVE_FLOAT_FLAGS 1
#else
#define DEDODIZ_HAVE_FLOAT_FLAGS 0
#endif

namespace dedodiz {

namespace {

// Each thread computes under its own guard, as each thread has its own hardware flags.
thread_local unsigned recordedFaults = 0;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

#if DEDODIZ_HAVE_FLOAT_FLAGS
constexpr int kFlags = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;

unsigned KindsOfFlags(int flags) {
    unsigned kinds = 0;
    if (flags & FE_DIVBYZERO) kinds |= kFaultDivideByZero;
    if (flags & FE_INVALID) kinds |= kFaultInvalid;
    if (flags & FE_OVERFLOW) kinds |= kFaultOverflow;
    return kinds;
}
#endif

int HardwareFlags() {
#if DEDODIZ_HAVE_FLOAT_FLAGS
    return std::fetestexcept(kFlags);
#else
    return 0;
#endif
}

void ClearHardwareFlags() {
#if DEDODIZ_HAVE_FLOAT_FLAGS
    std::feclearexcept(kFlags);
#endif
}

void RaiseHardwareFlags([[maybe_unused]] int flags) {
#if DEDODIZ_HAVE_FLOAT_FLAGS
    if (flags != 0) std::feraiseexcept(flags);
#endif
}

}  // namespace

void RaiseFault(unsigned kinds) {
    recordedFaults |= kinds;
}

unsigned RaisedFaults() {
#if DEDODIZ_HAVE_FLOAT_FLAGS
    return recordedFaults | KindsOfFlags(HardwareFlags());
#else
    return recordedFaults;
#endif
}

void ClearFaults() {
    recordedFaults = 0;
    ClearHardwareFlags();
}

bool UsesFloatFlags() {
    return DEDODIZ_HAVE_FLOAT_FLAGS != 0;
}

FloatGuard::FloatGuard() {
    ClearFaults();
}

void FloatGuard::Check() const {
    std::string text = PendingFaultText();
    if (!text.empty()) throw FloatingPointFault(text);
}

FaultScope::FaultScope() : raisedBefore_(recordedFaults), flagsBefore_(HardwareFlags()) {
    ClearFaults();
}

FaultScope::~FaultScope() {
    recordedFaults |= raisedBefore_;
    RaiseHardwareFlags(flagsBefore_);
}

bool FaultScope::Faulted() const {
    return RaisedFaults() != 0;
}

std::string PendingFaultText() {
    const unsigned raised = RaisedFaults();
    if (raised == 0) return {};
    std::string what;
    if (raised & kFaultDivideByZero)
        what = "division by zero";
    else if (raised & kFaultInvalid)
        what = "invalid operation (logarithm of zero or of a negative number)";
    else
        what = "overflow (a number too large)";
    return "FLOATING POINT ERROR: " + what +
           "\rCheck ionic strength (> 0), temperature, concentrations and constants\rNo result was stored";
}

}  // namespace dedodiz
