// SPDX-License-Identifier: BSD-3-Clause
// Any bytes as a work settings file: loading never crashes, and a loaded file names a constants file of
// one of the two kinds, without control bytes, whose table is clean of them too.
#include <cstdlib>

#include "FuzzSupport.h"
#include "files/ConstantsFile.h"
#include "files/WorkFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedodiz;
    fuzz::Parts& s = fuzz::FreshState();
    fuzz::SilentMessages messages;
    const WorkLoadResult loaded =
        LoadWorkSettings(fuzz::ScratchFile(".STG", data, size), s.table, s.selection, s.calc, messages);
    const int type = static_cast<int>(s.calc.CalcType);
    if (loaded.Loaded() && (type < 0 || type > 2)) std::abort();
    if (loaded.Loaded() && (fuzz::HasControlBytes(s.table.ConstantsFileName.view()) ||
                            ConstantsFileKind(s.table.ConstantsFileName.view()) == ConstantsKind::None ||
                            fuzz::TableHasControlBytes(s.table)))
        std::abort();
    return 0;
}
