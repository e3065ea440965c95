#include "ReportText.h"

#include "FloatGuard.h"

namespace dedodiz {

std::string CutToChars(std::string_view text, std::size_t n) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (!continuation && characters++ == n) return std::string(text.substr(0, at));
    }
    return std::string(text);
}

void StopOnPendingFault() {
    const std::string text = PendingFaultText();
    if (!text.empty()) throw FloatingPointFault(text);
}

}  // namespace dedodiz
