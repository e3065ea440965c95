// Any bytes as a work settings file: loading never crashes, and a refused file changes nothing.
#include <cstdlib>

#include "FuzzSupport.h"
#include "WorkFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedodiz;
    fuzz::Parts& s = fuzz::FreshState();
    fuzz::SilentMessages messages;
    const WorkLoadResult loaded =
        LoadWorkSettings(fuzz::ScratchFile(".STG", data, size), s.table, s.selection, s.calc, messages);
    const int type = static_cast<int>(s.calc.CalcType);
    if (loaded.Loaded() && (type < 0 || type > 2)) std::abort();
    return 0;
}
