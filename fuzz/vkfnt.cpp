// Fuzzes the font loader: descrambling a ".vkfnt" file image, opening it with FreeType
// and rendering a short string with shadow and outline from it.
#include <cstddef>
#include <cstdint>

#include "files/log.h"
#include "graphics/font.h"
#include "graphics/glyph_rasterizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_GlyphRasterizer rasterizer;
    static vK_LogCapture quiet;
    quiet.Clear();
    vK_Font font;
    if (!font.AddScrambledFace(0, data, size)) return 0;
    vK_TextStyle style;
    style.fontsize = 12;
    style.display_outline = 1;
    style.display_shadow = 1;
    style.shadow_pos_x = 1;
    vK_TextBitmap block;
    font.RenderBitmap("Ag <b>x</b>\n\xE4\xB8\x80", 40, style, block);
    return 0;
}
