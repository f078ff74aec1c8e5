// Fuzzes the ".anm" reader: any bytes must load or be refused, and a loaded animation
// must play and draw every function without hanging or reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "anim/anim_impl_complex.h"
#include "complex_anim_play.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture quiet;
    quiet.Clear();
    auto buffer = std::make_unique<vK_ByteBuffer>();
    buffer->Assign(std::vector<uint8_t>(data, data + size));
    vK_ByteReader reader(std::move(buffer));
    std::string kind;
    if (!ReadContentKind(reader, kind) || kind != "complex") return 0;
    vK_AnimImpl_Complex impl;
    if (!impl.LoadBinary(reader)) return 0;
    FuzzPlayComplex(impl);
    return 0;
}
