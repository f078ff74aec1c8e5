#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class vK_Font;
class vK_GeneratedTexture;
class vK_Render;
class vK_Texture;

// Engine key codes the overlay's panels use.
struct vK_DevKey {
    static constexpr int kBackspace = 8, kEnter = 13, kEscape = 27, kPageUp = 33, kPageDown = 34, kEnd = 35,
                         kHome = 36, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kDelete = 46;
};

// Colours (0xRRGGBBAA) of the overlay's panels.
struct vK_DevColour {
    static constexpr uint32_t kPanel = 0x101820E0, kBorder = 0x5A7890FF, kText = 0xE8E8E8FF,
                              kDim = 0x98A4B0FF, kTitle = 0xFFD070FF, kError = 0xFF7060FF, kGood = 0x90E090FF,
                              kMark = 0xFFD07060;
};

// What the developer overlay draws with: filled rectangles (a white texture tinted and
// stretched) and lines of text in the program's own monospaced font, all through the
// engine's renderer in target pixels. A line of text is rasterised once and kept while
// it is drawn every frame; lines not drawn during a frame are dropped at its end.
class vK_DevCanvas {
public:
    static constexpr int kFontSize = 13;
    static constexpr int kLineHeight = 16;

    vK_DevCanvas();
    ~vK_DevCanvas();
    vK_DevCanvas(const vK_DevCanvas&) = delete;
    vK_DevCanvas& operator=(const vK_DevCanvas&) = delete;

    // The built-in font loaded (false without FreeType).
    bool HasFont() const;
    // Width of one character cell in pixels.
    int CharWidth() const { return charWidth_; }

    void Begin(vK_Render& render);
    // Drops the text of lines that were not drawn since Begin.
    void End();
    // colour is 0xRRGGBBAA.
    void Fill(float x, float y, float w, float h, uint32_t colour);
    void Frame(float x, float y, float w, float h, uint32_t colour);
    // One line of plain text (no markup) with its cell's top-left corner at x, y.
    void Text(float x, float y, const std::string& text, uint32_t colour);
    // A panel: background, border and title; what follows is clipped to its inside until
    // PopClip. False (nothing to draw, no PopClip) when the rectangle is empty.
    bool BeginPanel(float x, float y, float w, float h, const std::string& title);
    // Clips what follows to the rectangle until PopClip.
    bool PushClip(float x, float y, float w, float h);
    void PopClip();

    // The line as the font shows it: characters the font would read as markup replaced.
    static std::string Printable(const std::string& text);

private:
    struct Line {
        std::shared_ptr<vK_Texture> texture;
        bool used = false;
    };
    std::shared_ptr<vK_Font> font_;
    std::shared_ptr<vK_GeneratedTexture> white_;
    std::map<std::string, Line> lines_;
    vK_Render* render_ = nullptr;  // between Begin and End only
    int charWidth_ = 8;
};

// The program's own overlay font (DejaVu Sans Mono, built into the executable), as a
// plain TrueType image; empty when the build had none.
const uint8_t* DevFontData(size_t& size);
