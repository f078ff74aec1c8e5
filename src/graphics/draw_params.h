#pragma once
#include "graphics/matrix.h"

// The batch-relevant head of a draw record: what AddVertices and AddIndexedVertices take.
struct vK_DrawState {
    int frame = 0;
    int blend = 0;
    float alpha = 1.0f;
    float key = 0.0f;
};

// The per-draw record objects keep and pass down the tree. The first four fields
// match vK_DrawState, so a vK_DrawParams converts to one with State().
struct vK_DrawParams {
    int frame = 0;
    int blend = 0;       // vK_Render::Blend as stored (vK_Render::BlendOf reads it)
    float alpha = 1.0f;  // a draw with alpha <= 0 is skipped
    float key = 0.0f;    // only separates batches
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
    float offsetX = 0.0f;  // translation of the frame rectangle before the matrix
    float offsetY = 0.0f;
    vK_Matrix matrix;

    vK_DrawState State() const { return {frame, blend, alpha, key}; }
};
