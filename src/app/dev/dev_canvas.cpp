#include "app/dev/dev_canvas.h"

#include <cmath>
#include <vector>

#include "graphics/draw_params.h"
#include "graphics/font.h"
#include "graphics/generated_texture.h"
#include "graphics/matrix.h"
#include "graphics/rect.h"
#include "graphics/render.h"
#include "graphics/texture.h"

namespace {
constexpr int kWhiteSide = 4;

vK_DrawParams Tinted(uint32_t colour) {
    vK_DrawParams params;
    params.red = static_cast<float>((colour >> 24) & 0xFF) / 255.0f;
    params.green = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    params.blue = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    params.alpha = static_cast<float>(colour & 0xFF) / 255.0f;
    return params;
}
}  // namespace

vK_DevCanvas::vK_DevCanvas() {
    size_t size = 0;
    const uint8_t* data = DevFontData(size);
    if (!data || size == 0) return;
    auto font = std::make_shared<vK_Font>();
    if (!font->AddFace(0, std::vector<uint8_t>(data, data + size))) return;
    font->SetSize(0, kFontSize);
    const int advance = font->GetAdvance('M', 0);
    if (advance > 0) charWidth_ = advance;
    font_ = std::move(font);
}

vK_DevCanvas::~vK_DevCanvas() = default;

bool vK_DevCanvas::HasFont() const { return font_ != nullptr; }

void vK_DevCanvas::Begin(vK_Render& render) {
    render_ = &render;
    for (auto& [text, line] : lines_) line.used = false;
    if (!white_) {
        white_ = render.CreateGeneratedTexture();
        const float rgb[3] = {1.0f, 1.0f, 1.0f};
        if (white_ && !white_->Create(kWhiteSide, kWhiteSide, rgb)) white_.reset();
    }
}

void vK_DevCanvas::End() {
    for (auto it = lines_.begin(); it != lines_.end();) {
        if (it->second.used)
            ++it;
        else
            it = lines_.erase(it);
    }
    render_ = nullptr;
}

void vK_DevCanvas::Fill(float x, float y, float w, float h, uint32_t colour) {
    if (!render_ || !white_ || w <= 0.0f || h <= 0.0f) return;
    vK_DrawParams params = Tinted(colour);
    // The white texture's rectangle is centred on its origin.
    params.matrix =
        vK_Matrix::Scale(w / kWhiteSide, h / kWhiteSide) * vK_Matrix::Translation(x + w / 2, y + h / 2);
    render_->DrawSprite(white_, params);
}

void vK_DevCanvas::Frame(float x, float y, float w, float h, uint32_t colour) {
    Fill(x, y, w, 1, colour);
    Fill(x, y + h - 1, w, 1, colour);
    Fill(x, y, 1, h, colour);
    Fill(x + w - 1, y, 1, h, colour);
}

std::string vK_DevCanvas::Printable(const std::string& text) {
    // Drawn without markup, so "<" and ">" appear as typed.
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\t')
            out += "    ";
        else if (static_cast<unsigned char>(c) >= 0x20 || c < 0)
            out += c;
    }
    return out;
}

void vK_DevCanvas::Text(float x, float y, const std::string& text, uint32_t colour) {
    if (!render_ || !font_ || text.empty()) return;
    Line& line = lines_[text];
    line.used = true;
    if (!line.texture) {
        vK_TextStyle style;
        style.align = 0;
        style.fontsize = kFontSize;
        style.markup = 0;
        line.texture = font_->RenderText(Printable(text), 0, style);
        if (!line.texture) return;
    }
    const float w = line.texture->GetWidth(), h = line.texture->GetHeight();
    // The block starts a quarter of the size left of the pen and puts the first baseline
    // at the size; the cell's top is three pixels above the font's ascent.
    const float left = std::round(x - kFontSize / 4.0f);
    const float top = std::round(y - 1.0f);
    vK_DrawParams params = Tinted(colour);
    params.matrix = vK_Matrix::Translation(left + w / 2, top + h / 2);
    render_->DrawSprite(line.texture, params);
}

bool vK_DevCanvas::BeginPanel(float x, float y, float w, float h, const std::string& title) {
    Fill(x, y, w, h, vK_DevColour::kPanel);
    Frame(x, y, w, h, vK_DevColour::kBorder);
    if (!PushClip(x + 1, y + 1, w - 2, h - 2)) return false;
    Text(x + 8, y + 6, title, vK_DevColour::kTitle);
    return true;
}

bool vK_DevCanvas::PushClip(float x, float y, float w, float h) {
    return render_ && render_->PushCrop(vK_Rect{x, y, w, h});
}

void vK_DevCanvas::PopClip() {
    if (render_) render_->PopCrop();
}
