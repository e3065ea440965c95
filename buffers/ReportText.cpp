#include "ReportText.h"

#include <cfenv>

namespace dedodiz {

namespace {
// The faults of the command guard; underflow and inexact results are normal.
constexpr int kFaults = FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID;
}  // namespace

std::string CutToChars(std::string_view text, std::size_t n) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (!continuation && characters++ == n) return std::string(text.substr(0, at));
    }
    return std::string(text);
}

FaultScope::FaultScope() : raisedBefore_(std::fetestexcept(kFaults)) { std::feclearexcept(kFaults); }

FaultScope::~FaultScope() {
    if (raisedBefore_ != 0) std::feraiseexcept(raisedBefore_);
}

bool FaultScope::Faulted() const { return std::fetestexcept(kFaults) != 0; }

}  // namespace dedodiz
