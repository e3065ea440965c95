// SPDX-License-Identifier: BSD-3-Clause
// Any bytes as a constants file of the binary kind: the reader never crashes, never reads out of bounds,
// and leaves a table whose names fit their fields and hold no control bytes.
#include <cstdlib>

#include "FuzzSupport.h"
#include "files/ConstantsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedodiz;
    ConstantsTable& s = fuzz::FreshState().table;
    fuzz::SilentMessages messages;
    const FileResult result = ReadConstantsFile(s, fuzz::ScratchFile(".CCM", data, size), messages);
    for (const TChelatorRec& rec : s.Constants)
        if (rec.Name.size() > 7 || rec.MetalName[9].size() > 3 || rec.Comment[9].size() > 20) std::abort();
    if (result.status != FileStatus::Success && result.status != FileStatus::LoadFailed) std::abort();
    if (result.ok() && fuzz::TableHasControlBytes(s)) std::abort();
    return 0;
}
