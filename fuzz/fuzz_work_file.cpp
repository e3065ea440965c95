// Any bytes as a work settings file: loading never crashes, and a refused file changes nothing.
#include <cstdlib>

#include "FuzzSupport.h"
#include "WorkFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedodiz;
    State& s = fuzz::FreshState();
    fuzz::SilentMessages messages;
    s.WorkFileName = fuzz::ScratchFile(".STG", data, size);
    const bool loaded = LoadWorkSettings(s, messages);
    if (loaded && (s.CalcType < 0 || s.CalcType > 0xFFFF)) std::abort();
    return 0;
}
