#include "FloatGuard.h"

#include <cfenv>

namespace dedodiz {

namespace {
constexpr int kFaults = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;
}

FloatGuard::FloatGuard() {
    std::feclearexcept(kFaults);
}

std::string PendingFaultText() {
    const int raised = std::fetestexcept(kFaults);
    if (raised == 0) return {};
    std::string what;
    if (raised & FE_DIVBYZERO)
        what = "division by zero";
    else if (raised & FE_INVALID)
        what = "invalid operation (logarithm of zero or of a negative number)";
    else
        what = "overflow (a number too large)";
    return "FLOATING POINT ERROR: " + what +
           "\rCheck ionic strength (> 0), temperature, concentrations and constants\rNo result was stored";
}

void FloatGuard::Check() const {
    std::string text = PendingFaultText();
    if (!text.empty()) throw FloatingPointFault(text);
}

}  // namespace dedodiz
