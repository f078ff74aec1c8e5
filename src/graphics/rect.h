#pragma once

// A rectangle {x, y, w, h} in floats; also used for texture coordinates {u, v, du, dv}.
struct vK_Rect {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;

    friend bool operator==(const vK_Rect& a, const vK_Rect& b) {
        return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
    }
};
