// Fuzzes the ".prst" reader: any bytes must load or be refused, and a loaded preset
// must run and draw a few frames without hanging or reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_info.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/log.h"
#include "particles/part_sys_impl_rnd.h"
#include "support_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture quiet;
    quiet.Clear();
    auto buffer = std::make_unique<vK_ByteBuffer>();
    buffer->Assign(std::vector<uint8_t>(data, data + size));
    vK_ByteReader reader(std::move(buffer));
    std::string kind;
    if (!reader.ReadOptionalString(kind) || kind != "rnd") return 0;
    vK_PartSysImpl_Rnd rnd;
    if (!rnd.LoadBinary(reader)) return 0;
    for (int i = 0; i < 4; ++i) rnd.Update(vK_FrameInfo{0.1f, 0.1f, 0});
    if (rnd.GetParticleCount() < 0) __builtin_trap();
    FuzzDraw(rnd);
    return 0;
}
