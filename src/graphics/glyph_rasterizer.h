#pragma once
#include <memory>

struct FT_LibraryRec_;

// The engine's one FreeType library instance, created first at start-up. Fonts share
// the handle, so the library outlives every face made from it even when a font is
// released after the service.
class vK_GlyphRasterizer {
public:
    static vK_GlyphRasterizer* Instance();

    vK_GlyphRasterizer();
    ~vK_GlyphRasterizer();
    vK_GlyphRasterizer(const vK_GlyphRasterizer&) = delete;
    vK_GlyphRasterizer& operator=(const vK_GlyphRasterizer&) = delete;

    bool IsValid() const { return library_ != nullptr; }
    const std::shared_ptr<FT_LibraryRec_>& GetLibrary() const { return library_; }

private:
    std::shared_ptr<FT_LibraryRec_> library_;
};
