#include "ReportText.h"

#include <cfenv>

namespace dedodiz {

namespace {
// The faults of the command guard; underflow and inexact results are normal.
constexpr int kFaults = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;
}  // namespace

FaultScope::FaultScope() : raisedBefore_(std::fetestexcept(kFaults)) {
    std::feclearexcept(kFaults);
}

FaultScope::~FaultScope() {
    if (raisedBefore_ != 0) std::feraiseexcept(raisedBefore_);
}

bool FaultScope::Faulted() const {
    return std::fetestexcept(kFaults) != 0;
}

}  // namespace dedodiz
