#include "graphics/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "files/file_manager.h"
#include "files/log.h"
#include "files/log_once.h"
#include "graphics/font_scrambler.h"
#include "graphics/generated_texture.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/render.h"
#include "graphics/text_layout.h"
#include "graphics/unicode_blocks.h"

namespace {

const char* const kStyleSuffix[vK_Font::kStyleCount] = {"", "_b", "_i", "_bi"};

// Missing style files are normal: the providers are asked directly, which logs nothing.
bool ReadThroughProviders(const std::string& path, std::vector<uint8_t>& bytes) {
    vK_FileManager* files = vK_FileManager::Instance();
    return files != nullptr && files->ReadFromReaders(path, bytes);
}

// An 8-bit coverage bitmap of one glyph, placed relative to the pen.
struct GlyphBitmap {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
};

void CopyBitmap(const FT_Bitmap& source, int left, int top, GlyphBitmap& out) {
    out = GlyphBitmap{};
    if (source.pixel_mode != FT_PIXEL_MODE_GRAY || source.buffer == nullptr) return;
    out.left = left;
    out.top = top;
    out.width = static_cast<int>(source.width);
    out.rows = static_cast<int>(source.rows);
    out.coverage.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.rows));
    const int pitch = source.pitch;
    for (int row = 0; row < out.rows; ++row) {
        // A negative pitch stores the rows bottom first.
        const int memoryRow = pitch >= 0 ? row : out.rows - 1 - row;
        const unsigned char* from =
            source.buffer + static_cast<ptrdiff_t>(memoryRow) * (pitch >= 0 ? pitch : -pitch);
        std::copy(from, from + out.width, out.coverage.begin() + static_cast<ptrdiff_t>(row) * out.width);
    }
}

// Text asks for a character the font has no glyph for, which draws nothing: said once per
// font and Unicode block, so the log names the script the font lacks without a line per
// character and frame.
void WarnMissingGlyph(const std::string& font, int32_t code) {
    if (code < 0 || IsInvisibleCode(static_cast<uint32_t>(code))) return;
    const vK_UnicodeBlock block = UnicodeBlockOf(static_cast<uint32_t>(code));
    const std::string range = UnicodeRangeText(block);
    LogOnce("no glyphs: " + font + " " + range, FormatString("Warning: font %s has no glyphs for %s (%s)",
                                                             font.c_str(), range.c_str(), block.name));
}

float Finite(float v, float fallback, float limit) {
    if (!std::isfinite(v)) return fallback;
    return std::clamp(v, -limit, limit);
}

// Content may carry any numbers: keep the ones that become pixel offsets within ranges
// that convert to int safely.
vK_TextStyle Sanitized(const vK_TextStyle& style) {
    vK_TextStyle s = style;
    const float side = static_cast<float>(vK_Font::kMaxBlockSide);
    s.linespacing = Finite(s.linespacing, 1.0f, 64.0f);
    s.shadow_pos_x = Finite(s.shadow_pos_x, 0.0f, side);
    s.shadow_pos_y = Finite(s.shadow_pos_y, 0.0f, side);
    s.shadow_aplha = Finite(s.shadow_aplha, 1.0f, 1.0f);
    s.outline_alpha = Finite(s.outline_alpha, 1.0f, 1.0f);
    for (int i = 0; i < 3; ++i) {
        s.fontcolor[i] = Finite(s.fontcolor[i], 1.0f, 1.0f);
        s.shadow_color[i] = Finite(s.shadow_color[i], 0.0f, 1.0f);
        s.outline_color[i] = Finite(s.outline_color[i], 0.0f, 1.0f);
    }
    return s;
}

}  // namespace

// Rasterises one string: caches each glyph's advance, bitmap and stroked bitmap for the
// duration of one rendering, then runs the shadow, outline and text passes.
class vK_Font::Rasterizer {
public:
    Rasterizer(vK_Font& font, const vK_TextStyle& style, vK_TextBitmap& block)
        : font_(font), style_(style), block_(block) {}

    ~Rasterizer() {
        if (stroker_ != nullptr) FT_Stroker_Done(stroker_);
    }

    int StyleOf(const vK_GlyphRecord& record) const {
        return record.style == -1 ? style_.fonttype : record.style;
    }

    int Advance(int32_t code, int32_t style) {
        const Glyph* glyph = Get(code, style == -1 ? style_.fonttype : style, false);
        return glyph != nullptr ? glyph->advance : 0;
    }

    void Draw(const std::vector<vK_GlyphRecord>& records) {
        const int offsetX = static_cast<int>(style_.shadow_pos_x);
        const int offsetY = static_cast<int>(style_.shadow_pos_y);
        const float shadowOpacity = Clamp01(style_.shadow_aplha);
        const float outlineOpacity = Clamp01(style_.outline_alpha);
        const bool outline = style_.display_outline != 0 && StrokerReady();
        if (style_.display_shadow != 0) {
            Pass(records, [&](const Glyph& glyph, int x, int y, const vK_GlyphRecord&) {
                if (outline)
                    Composite(glyph.stroke, x + offsetX, y + offsetY, style_.shadow_color, shadowOpacity,
                              false);
                Composite(glyph.bitmap, x + offsetX, y + offsetY, style_.shadow_color, shadowOpacity, false);
            });
        }
        if (outline) {
            Pass(records, [&](const Glyph& glyph, int x, int y, const vK_GlyphRecord&) {
                Composite(glyph.stroke, x, y, style_.outline_color, outlineOpacity, false);
            });
        }
        Pass(records, [&](const Glyph& glyph, int x, int y, const vK_GlyphRecord& record) {
            const float markup[3] = {record.r, record.g, record.b};
            Composite(glyph.bitmap, x, y, record.hasColour ? markup : style_.fontcolor, 1.0f, true);
        });
    }

private:
    struct Glyph {
        int advance = 0;
        bool hasBitmap = false;
        bool hasStroke = false;
        GlyphBitmap bitmap;
        GlyphBitmap stroke;
    };

    static float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

    bool StrokerReady() {
        if (stroker_ != nullptr) return true;
        const int radius = std::clamp(style_.outline_size, 0, 256) * 32;  // half pixels to 26.6
        if (radius <= 0 || FT_Stroker_New(font_.library_.get(), &stroker_) != 0) {
            stroker_ = nullptr;
            return false;
        }
        FT_Stroker_Set(stroker_, radius, FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
        return true;
    }

    // The cached glyph of code in style, loading (and rendering when asked) on first
    // use; nullptr when the face or the glyph is missing.
    const Glyph* Get(int32_t code, int style, bool needBitmaps) {
        FT_Face ftFace = font_.FaceOf(style);
        if (ftFace == nullptr) return nullptr;
        const uint64_t key =
            (static_cast<uint64_t>(static_cast<uint32_t>(style)) << 32) | static_cast<uint32_t>(code);
        auto found = cache_.find(key);
        if (found == cache_.end()) {
            const FT_UInt index = FT_Get_Char_Index(ftFace, static_cast<FT_ULong>(code));
            if (index == 0) WarnMissingGlyph(font_.GetName(), code);
            if (index == 0 || FT_Load_Glyph(ftFace, index, FT_LOAD_NO_HINTING) != 0) {
                cache_.emplace(key, std::nullopt);
                return nullptr;
            }
            Glyph glyph;
            glyph.advance = static_cast<int>(ftFace->glyph->advance.x >> 6);
            found = cache_.emplace(key, std::move(glyph)).first;
        }
        if (!found->second) return nullptr;
        Glyph& glyph = *found->second;
        if (needBitmaps && !glyph.hasBitmap) RenderGlyph(ftFace, code, glyph);
        return &glyph;
    }

    void RenderGlyph(FT_Face face, int32_t code, Glyph& glyph) {
        glyph.hasBitmap = true;
        if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_NO_HINTING) != 0) return;
        FT_GlyphSlot slot = face->glyph;
        if (style_.display_outline != 0 && stroker_ != nullptr && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Glyph stroked = nullptr;
            if (FT_Get_Glyph(slot, &stroked) == 0) {
                if (FT_Glyph_Stroke(&stroked, stroker_, 1) == 0 &&
                    FT_Glyph_To_Bitmap(&stroked, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0) {
                    const FT_BitmapGlyph bitmap = reinterpret_cast<FT_BitmapGlyph>(stroked);
                    CopyBitmap(bitmap->bitmap, bitmap->left, bitmap->top, glyph.stroke);
                    glyph.hasStroke = true;
                }
                FT_Done_Glyph(stroked);
            }
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
            CopyBitmap(slot->bitmap, slot->bitmap_left, slot->bitmap_top, glyph.bitmap);
        }
    }

    template <typename DrawGlyph>
    void Pass(const std::vector<vK_GlyphRecord>& records, DrawGlyph&& draw) {
        const auto advance = [this](int32_t code, int32_t style) { return Advance(code, style); };
        const int size = style_.fontsize;
        int penY = size;
        int penX = 0;
        bool lineStart = true;
        for (size_t j = 0; j < records.size(); ++j) {
            const vK_GlyphRecord& record = records[j];
            // Line breaks count even when their style has no face: the layout counted them.
            if (record.code == vK_TextLayout::kLineBreak) {
                penY += static_cast<int>(static_cast<float>(size) * style_.linespacing);
                lineStart = true;
                continue;
            }
            if (record.code == 0 || !font_.HasFace(StyleOf(record))) continue;
            const Glyph* glyph = Get(record.code, StyleOf(record), true);
            if (lineStart) {
                const int lineWidth = vK_TextLayout::LineWidth(records, j, advance);
                penX = vK_TextLayout::LineStartX(style_.align, block_.width, lineWidth, size);
                lineStart = false;
            }
            if (glyph == nullptr) continue;  // missing glyphs draw nothing and do not advance
            draw(*glyph, penX, penY, record);
            penX += glyph->advance;
        }
    }

    // Composites a coverage bitmap with its pen position at (x, y) onto the block.
    void Composite(const GlyphBitmap& bitmap, int x, int y, const float* colour, float opacity,
                   bool textPass) {
        const int originX = x + bitmap.left;
        const int originY = y - bitmap.top;
        for (int row = 0; row < bitmap.rows; ++row) {
            const int py = originY + row;
            if (py < 0 || py >= block_.height) continue;
            const uint8_t* coverage = bitmap.coverage.data() + static_cast<size_t>(row) * bitmap.width;
            for (int column = 0; column < bitmap.width; ++column) {
                const int px = originX + column;
                const int c = coverage[column];
                if (c == 0 || px < 0 || px >= block_.width) continue;
                uint8_t* pixel = block_.pixels.data() + (static_cast<size_t>(py) * block_.width + px) * 4;
                BlendPixel(pixel, c, colour, opacity, textPass);
            }
        }
    }

    // Straight-alpha "over" of one coverage value: B, G, R, A in bytes 0..3.
    static void BlendPixel(uint8_t* pixel, int c, const float* colour, float opacity, bool textPass) {
        const float a = textPass
                            ? static_cast<float>(c) / 255.0f
                            : static_cast<float>(static_cast<int>(static_cast<float>(c) * opacity)) / 255.0f;
        const float d = static_cast<float>(pixel[3]) / 255.0f;
        const float A = pixel[3] == 0 ? a : (1.0f - a) * d + a;
        pixel[3] = static_cast<uint8_t>(static_cast<int>(A * 255.0f));
        if (A <= 0.0f) return;
        const float channel[3] = {colour[2], colour[1], colour[0]};
        for (int i = 0; i < 3; ++i) {
            float value =
                ((static_cast<float>(pixel[i]) / 255.0f) * d * (1.0f - a) / A + channel[i] * a / A) * 255.0f;
            value = std::clamp(value, 0.0f, 255.0f);
            pixel[i] = static_cast<uint8_t>(static_cast<int>(value));
        }
    }

    vK_Font& font_;
    const vK_TextStyle& style_;
    vK_TextBitmap& block_;
    FT_Stroker stroker_ = nullptr;
    std::unordered_map<uint64_t, std::optional<Glyph>> cache_;
};

vK_Font::vK_Font() {
    SetName("dummyfont");
    if (vK_GlyphRasterizer* rasterizer = vK_GlyphRasterizer::Instance()) library_ = rasterizer->GetLibrary();
}

vK_Font::~vK_Font() {
    // Faces first, then their buffers; the shared library handle goes last.
    for (auto& [style, face] : faces_) FT_Done_Face(face.face);
    faces_.clear();
}

std::string vK_Font::StyleFileName(const std::string& name, int style) {
    if (style < 0 || style >= kStyleCount) return {};
    return name + kStyleSuffix[style] + ".vkfnt";
}

bool vK_Font::Load(const std::string& name) { return LoadWith(name, ReadThroughProviders); }

bool vK_Font::LoadWith(const std::string& name, const FileReader& reader) {
    SetName(name);
    reader_ = reader;
    for (bool& tried : tried_) tried = false;
    // Without a regular face every style is tried now, so a font with no usable file
    // is reported here.
    if (!LoadStyle(0))
        for (int style = 1; style < kStyleCount; ++style) LoadStyle(style);
    if (faces_.empty()) {
        Log("Error: font %s could not find \"%s\" file to load!", GetName().c_str(), GetName().c_str());
        return false;
    }
    return true;
}

bool vK_Font::LoadStyle(int style) const {
    tried_[style] = true;
    std::vector<uint8_t> bytes;
    const std::string file = StyleFileName(GetName(), style);
    if (!reader_ || !reader_(file, bytes)) return false;
    if (bytes.empty()) {
        Log("Error: font %s: \"%s\" is empty", GetName().c_str(), file.c_str());
        return false;
    }
    if (!InsertFace(style, vK_FontScrambler::Descramble(bytes.data(), bytes.size()))) {
        if (library_ != nullptr)
            Log("Error: font %s: \"%s\" is damaged or not a font file", GetName().c_str(), file.c_str());
        return false;
    }
    if (sizes_[style] > 0)
        FT_Set_Char_Size(faces_.at(style).face, 0, static_cast<FT_F26Dot6>(sizes_[style]) * 64, 72, 72);
    return true;
}

FT_FaceRec_* vK_Font::FaceOf(int style) const {
    if (style < 0 || style >= kStyleCount) return nullptr;
    auto found = faces_.find(style);
    if (found == faces_.end() && !tried_[style] && LoadStyle(style)) found = faces_.find(style);
    return found == faces_.end() ? nullptr : found->second.face;
}

bool vK_Font::AddScrambledFace(int style, const uint8_t* data, size_t size) {
    return AddFace(style, vK_FontScrambler::Descramble(data, size));
}

bool vK_Font::AddFace(int style, std::vector<uint8_t> bytes) { return InsertFace(style, std::move(bytes)); }

bool vK_Font::InsertFace(int style, std::vector<uint8_t> bytes) const {
    if (style < 0 || style >= kStyleCount || bytes.empty() || library_ == nullptr) return false;
    tried_[style] = true;
    Face entry;
    entry.buffer = std::move(bytes);
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library_.get(), entry.buffer.data(), static_cast<FT_Long>(entry.buffer.size()), 0,
                           &face) != 0 ||
        face == nullptr) {
        return false;  // the caller logs it; the buffer goes with entry
    }
    entry.face = face;
    auto existing = faces_.find(style);
    if (existing != faces_.end()) {
        FT_Done_Face(existing->second.face);
        faces_.erase(existing);
    }
    faces_.emplace(style, std::move(entry));
    return true;
}

void vK_Font::SetSize(int style, int size) {
    for (int number = 0; number < kStyleCount; ++number) {
        if (style != -1 && style != number) continue;
        sizes_[number] = size;
        auto found = faces_.find(number);
        if (found != faces_.end())
            FT_Set_Char_Size(found->second.face, 0, static_cast<FT_F26Dot6>(size) * 64, 72, 72);
    }
}

bool vK_Font::HasGlyph(int32_t code, int style) const {
    FT_Face face = FaceOf(style);
    return face != nullptr && FT_Get_Char_Index(face, static_cast<FT_ULong>(code)) != 0;
}

int vK_Font::GetAdvance(int32_t code, int style) const {
    FT_Face face = FaceOf(style);
    if (face == nullptr) return 0;
    if (FT_Get_Char_Index(face, static_cast<FT_ULong>(code)) == 0) return 0;
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_NO_HINTING) != 0) return 0;
    return static_cast<int>(face->glyph->advance.x >> 6);
}

bool vK_Font::RenderBitmap(const std::string& text, int maxWidth, const vK_TextStyle& requested,
                           vK_TextBitmap& out) {
    out = vK_TextBitmap{};
    const vK_TextStyle style = Sanitized(requested);
    if (!HasFace(style.fonttype)) return false;
    if (style.fontsize < 1 || style.fontsize > kMaxFontSize) {
        Log("Warning: font %s cannot render at size %d", GetName().c_str(), static_cast<int>(style.fontsize));
        return false;
    }
    // Faces are shared between every object using this font: size them all before the
    // layout, whoever set them last.
    SetSize(-1, style.fontsize);

    Rasterizer rasterizer(*this, style, out);
    vK_TextLayout::Metrics metrics;
    const std::vector<vK_GlyphRecord> records = vK_TextLayout::Prepare(
        text, maxWidth, [&rasterizer](int32_t code, int32_t s) { return rasterizer.Advance(code, s); },
        metrics, style.markup != 0);

    vK_TextLayout::BlockSize(metrics, style.fontsize, style.linespacing, kMaxBlockSide, out.width,
                             out.height);
    out.pixels.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 4, 0);
    rasterizer.Draw(records);
    return true;
}

std::shared_ptr<vK_Texture> vK_Font::RenderText(const std::string& text, int maxWidth,
                                                const vK_TextStyle& style) {
    vK_TextBitmap block;
    if (!RenderBitmap(text, maxWidth, style, block)) return nullptr;
    vK_Render* render = vK_Render::Instance();
    if (render == nullptr) return nullptr;
    std::shared_ptr<vK_GeneratedTexture> texture = render->CreateGeneratedTexture();
    if (!texture || !texture->CreateFromPixels(block.pixels.data(), block.width, block.height))
        return nullptr;
    return texture;
}
