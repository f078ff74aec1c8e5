// Fuzzes the grid file parser: any text must load or be refused with a log line, and
// a loaded grid must satisfy what the mesh code relies on.
#include <cstddef>
#include <cstdint>

#include "files/log.h"
#include "scene/grid_res.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture quiet;
    quiet.Clear();
    vK_GridRes grid;
    if (!grid.Parse("fuzz", reinterpret_cast<const char*>(data), size)) return 0;
    const size_t vertices = grid.GetVertexCount();
    for (const vK_GridFrame& frame : grid.GetFrames()) {
        if (frame.vertices.size() != vertices) __builtin_trap();
    }
    if (grid.GetIndices().size() % 3 != 0) __builtin_trap();
    for (int32_t index : grid.GetIndices()) {
        if (index < 0 || static_cast<size_t>(index) >= vertices) __builtin_trap();
    }
    if (grid.GetFps() < 0.0f) __builtin_trap();
    return 0;
}
