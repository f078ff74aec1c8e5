#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/resource.h"
#include "graphics/text_style.h"

struct FT_FaceRec_;
struct FT_LibraryRec_;
class vK_Texture;

// A block of B, G, R, A pixels (straight alpha), rows top first.
struct vK_TextBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// A font family of up to four FreeType faces (0 regular, 1 bold, 2 italic, 3 bold
// italic) loaded from scrambled ".vkfnt" files. A whole string, with markup, word wrap,
// alignment, shadow and outline, is rasterised on the CPU into one pixel block.
class vK_Font : public vK_Resource {
public:
    static constexpr int kStyleCount = 4;
    // Largest side of a rendered block; pixels beyond it are dropped.
    static constexpr int kMaxBlockSide = 8192;
    static constexpr int kMaxFontSize = 2048;

    // Reads a whole file; false when it does not exist.
    using FileReader = std::function<bool(const std::string& path, std::vector<uint8_t>& bytes)>;

    vK_Font();
    ~vK_Font() override;
    vK_Font(const vK_Font&) = delete;
    vK_Font& operator=(const vK_Font&) = delete;

    // Loads the font named name, read silently through the file manager's providers;
    // true when at least one face was created. The regular face loads now; the other
    // styles load on their first use (most text never asks for them).
    bool Load(const std::string& name) override;
    // The same with another source of files (tools, tests); the reader is kept for the
    // styles loaded later, so it must stay usable while the font lives.
    bool LoadWith(const std::string& name, const FileReader& reader);

    // Descrambles one ".vkfnt" file image and makes it the face of style; false when
    // FreeType refuses the result (nothing is kept then).
    bool AddScrambledFace(int style, const uint8_t* data, size_t size);
    // Takes a plain TrueType/OpenType file image as the face of style.
    bool AddFace(int style, std::vector<uint8_t> bytes);

    // True when the style's file exists and FreeType took it (loading it on first ask).
    bool HasFace(int style) const { return FaceOf(style) != nullptr; }

    // Sets the pixel size of one face (all faces when style is -1).
    void SetSize(int style, int size);
    // Whether the face of style has a glyph for the Unicode code (false without the face).
    bool HasGlyph(int32_t code, int style) const;
    // Horizontal advance in pixels at the size last set on that face; 0 when the face or
    // the glyph is missing.
    int GetAdvance(int32_t code, int style) const;

    // Lays out and rasterises text (UTF-8 with markup) at most maxWidth pixels wide
    // (no limit below 1). False, with an empty block, when the style's default face is
    // missing or the font size is out of range.
    bool RenderBitmap(const std::string& text, int maxWidth, const vK_TextStyle& style, vK_TextBitmap& out);

    // RenderBitmap uploaded as one generated texture (centred on the caller's origin);
    // empty when nothing was rendered or there is no graphics device.
    std::shared_ptr<vK_Texture> RenderText(const std::string& text, int maxWidth, const vK_TextStyle& style);

    // File name of a style of the font named name: N.vkfnt, N_b, N_i, N_bi.
    static std::string StyleFileName(const std::string& name, int style);

private:
    struct Face {
        FT_FaceRec_* face = nullptr;
        std::vector<uint8_t> buffer;  // FreeType reads from it while the face lives
    };
    class Rasterizer;

    // The face of style, loading a deferred style on first use; nullptr when missing.
    FT_FaceRec_* FaceOf(int style) const;
    bool LoadStyle(int style) const;
    bool InsertFace(int style, std::vector<uint8_t> bytes) const;

    // Faces are a cache of the style files: a const query may load one.
    mutable std::map<int, Face> faces_;
    mutable bool tried_[kStyleCount] = {};
    int sizes_[kStyleCount] = {};  // the size last set per style, applied on a late load
    FileReader reader_;
    std::shared_ptr<FT_LibraryRec_> library_;
};
