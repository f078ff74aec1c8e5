#include "graphics/glyph_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include "files/log.h"

namespace {
vK_GlyphRasterizer* g_instance = nullptr;
}

vK_GlyphRasterizer* vK_GlyphRasterizer::Instance() { return g_instance; }

vK_GlyphRasterizer::vK_GlyphRasterizer() {
    FT_Library library = nullptr;
    const FT_Error error = FT_Init_FreeType(&library);
    if (error != 0 || library == nullptr) {
        Log("Error: FreeType could not be initialised (error %d)", static_cast<int>(error));
    } else {
        library_ = std::shared_ptr<FT_LibraryRec_>(library, [](FT_Library lib) { FT_Done_FreeType(lib); });
    }
    g_instance = this;
}

vK_GlyphRasterizer::~vK_GlyphRasterizer() {
    if (g_instance == this) g_instance = nullptr;
}
