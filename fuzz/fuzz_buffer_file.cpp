// SPDX-License-Identifier: BSD-3-Clause
// Any bytes as a pH buffer file: the reader never crashes and keeps names and comments in their fields,
// free of control bytes.
#include <cstdlib>

#include "FuzzSupport.h"
#include "buffers/BufferFile.h"
#include "buffers/BufferModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dedodiz;
    static BufferTool s;
    fuzz::SilentMessages messages;
    ReadBufferFile(s, fuzz::ScratchFile(".bcm", data, size), messages);
    for (const TBufferSlot& slot : s.BufferSlots)
        if (slot.Name.size() > 15 || slot.comments.size() > 20 || fuzz::HasControlBytes(slot.Name.view()) ||
            fuzz::HasControlBytes(slot.comments.view()))
            std::abort();
    return 0;
}
