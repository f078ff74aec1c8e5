#pragma once
#include <cstdint>

// The layout and colour record passed with every text rendering. Field names follow the
// text object's property keys; colours and opacities are 0..1.
struct vK_TextStyle {
    int32_t align = 1;         // 0 left, 1 centre, 2 right
    int32_t align_v = 1;       // 0 top, 1 centre, 2 bottom; used by the caller only
    float linespacing = 1.0f;  // line advance in units of the font size
    int32_t fontsize = 20;     // pixel size
    int32_t fonttype = 0;      // style number for characters without a style tag
    float fontcolor[3] = {1.0f, 1.0f, 1.0f};
    uint8_t display_shadow = 0;
    float shadow_pos_x = 0.0f;  // shadow offset in pixels
    float shadow_pos_y = 0.0f;
    float shadow_color[3] = {0.0f, 0.0f, 0.0f};
    float shadow_aplha = 1.0f;  // shadow opacity (the property key is spelled so)
    uint8_t display_outline = 0;
    float outline_color[3] = {0.0f, 0.0f, 0.0f};
    int32_t outline_size = 1;  // stroke radius in half pixels
    float outline_alpha = 1.0f;
    // 1: tags ("<b>", "<color ...>") set style and colour; 0: every character is drawn as written.
    uint8_t markup = 1;
};
