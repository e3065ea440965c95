#pragma once
// Small helpers shared by the reports of this layer.

#include <string>
#include <string_view>

namespace dedodiz {

// The text cut to at most n characters. Report texts are UTF-8 ("°C", and whatever a name or a comment
// holds), so a character is counted at its first byte and a multi-byte character is never split.
std::string CutToChars(std::string_view text, std::size_t n);

// Throws FloatingPointFault when a fault flag has been raised since the caller's guard cleared them.
// A computation calls it before it stores anything, so that a fault leaves the state and the output
// as they were, while the flags stay set for the guard around the command.
void StopOnPendingFault();

}  // namespace dedodiz
