#pragma once
#include <cstdint>

#include "graphics/draw_params.h"

// One symbol shown in one frame of a flash animation: its complete draw parameters
// (texture frame, alpha, colour, blend mode, the 2D transform in the matrix) and the
// index of the symbol in the animation's symbol list.
struct vK_FlashPlacement {
    vK_DrawParams params;
    int32_t symbol = 0;
};
