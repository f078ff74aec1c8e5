#include "app/tools/template_assets.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

#include "graphics/font_scrambler.h"
#include "graphics/image_codec.h"
#include "media/vorbis_encoder.h"

// DejaVu Sans (Debian's fonts-dejavu-core), embedded by the build.
extern const unsigned char kTemplateFont[];
extern const unsigned long kTemplateFont_size;

namespace {

struct Colour {
    float r, g, b, a;
};

// A picture drawn by distance functions: negative inside a shape, positive outside.
class Picture {
public:
    Picture(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height * 4, 0) {}

    // Paints colour(x, y) over every pixel, weighted by the shape's coverage there;
    // coordinates are relative to the picture's centre.
    void Paint(const std::function<float(float, float)>& shape,
               const std::function<Colour(float, float)>& colour) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const float px = x + 0.5f - width_ / 2.0f, py = y + 0.5f - height_ / 2.0f;
                const float cover = std::clamp(0.5f - shape(px, py), 0.0f, 1.0f);
                if (cover <= 0.0f) continue;
                const Colour c = colour(px, py);
                uint8_t* p = &pixels_[(size_t(y) * width_ + x) * 4];
                const float a = c.a * cover, keep = 1.0f - a;
                const float outA = a + p[3] / 255.0f * keep;
                const float channels[3] = {c.b, c.g, c.r};
                for (int i = 0; i < 3; ++i) {
                    const float under = p[i] / 255.0f * (p[3] / 255.0f) * keep;
                    p[i] = outA > 0 ? uint8_t(std::lround(
                                          std::clamp((channels[i] * a + under) / outA, 0.0f, 1.0f) * 255))
                                    : 0;
                }
                p[3] = uint8_t(std::lround(outA * 255));
            }
        }
    }
    std::string Png() const {
        std::vector<uint8_t> png;
        EncodePng(pixels_.data(), width_, height_, png);
        return {png.begin(), png.end()};
    }

private:
    int width_, height_;
    std::vector<uint8_t> pixels_;
};

// A box of half sizes hw x hh with corners rounded by r.
std::function<float(float, float)> RoundBox(float hw, float hh, float r) {
    return [=](float x, float y) {
        const float qx = std::fabs(x) - hw + r, qy = std::fabs(y) - hh + r;
        return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
    };
}

std::function<float(float, float)> Inset(std::function<float(float, float)> shape, float by) {
    return [=](float x, float y) { return shape(x, y) + by; };
}

std::function<Colour(float, float)> Flat(Colour c) {
    return [=](float, float) { return c; };
}

// A room: a dusky wall over a wooden floor.
std::string Backdrop() {
    Picture p(1024, 768);
    p.Paint([](float, float) { return -1.0f; },
            [](float, float y) {
                const float t = (y + 384.0f) / 768.0f;
                if (y > 176.0f) return Colour{0.42f - 0.1f * t, 0.3f - 0.08f * t, 0.2f - 0.05f * t, 1};
                return Colour{0.16f + 0.1f * t, 0.14f + 0.06f * t, 0.28f - 0.02f * t, 1};
            });
    p.Paint(RoundBox(150, 110, 8), Flat({0.55f, 0.65f, 0.85f, 0.25f}));
    return p.Png();
}

std::string Ball() {
    Picture p(72, 72);
    p.Paint([](float x, float y) { return std::hypot(x, y) - 32; },
            [](float x, float y) {
                const float light = std::max(0.0f, 1.0f - std::hypot(x + 10, y + 10) / 30.0f);
                return Colour{0.8f + 0.2f * light, 0.2f + 0.6f * light, 0.18f + 0.5f * light, 1};
            });
    return p.Png();
}

std::string Box() {
    Picture p(72, 72);
    p.Paint(RoundBox(29, 29, 5), Flat({0.12f, 0.2f, 0.45f, 1}));
    p.Paint(Inset(RoundBox(29, 29, 5), 5), Flat({0.3f, 0.48f, 0.9f, 1}));
    return p.Png();
}

std::string Gem() {
    Picture p(72, 72);
    p.Paint([](float x, float y) { return (std::fabs(x) + std::fabs(y) - 33) * 0.7071f; },
            [](float x, float) {
                return Colour{0.2f, x < 0 ? 0.85f : 0.65f, 0.45f, 1};
            });
    return p.Png();
}

std::string Frame(float hw, float hh, float r, Colour fill, Colour border) {
    Picture p(int(hw * 2) + 4, int(hh * 2) + 4);
    p.Paint(RoundBox(hw, hh, r), Flat(border));
    p.Paint(Inset(RoundBox(hw, hh, r), 3), [fill](float, float) { return fill; });
    return p.Png();
}

// A chime: three partials of A5 dying away in 0.8 s, mono at 44100 Hz.
bool Chime(std::string& out) {
    constexpr int kRate = 44100;
    const int frames = kRate * 8 / 10;
    std::vector<float> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / kRate, w = 2.0 * std::numbers::pi * 880.0 * t;
        const double envelope = std::exp(-5.0 * t) * std::min(1.0, t * 400.0);
        samples[size_t(i)] =
            float(0.35 * envelope * (std::sin(w) + 0.5 * std::sin(1.5 * w) + 0.25 * std::sin(2 * w)));
    }
    const std::vector<uint8_t> ogg = EncodeOggVorbis(samples, 1, kRate, 0.3f);
    out.assign(ogg.begin(), ogg.end());
    return !ogg.empty();
}

}  // namespace

bool TemplateBinaryFiles(std::vector<vK_TemplateFile>& files, std::string& error) {
    std::string chime;
    if (!Chime(chime)) {
        error = "the sound encoder failed";
        return false;
    }
    const std::vector<uint8_t> font = vK_FontScrambler::Scramble(kTemplateFont, kTemplateFont_size);
    files.push_back({"assets/images/backdrop.png", Backdrop()});
    files.push_back({"assets/images/ball.png", Ball()});
    files.push_back({"assets/images/box.png", Box()});
    files.push_back({"assets/images/gem.png", Gem()});
    files.push_back(
        {"assets/images/slot.png", Frame(42, 42, 10, {0, 0, 0, 0.45f}, {0.95f, 0.86f, 0.65f, 0.9f})});
    files.push_back({"assets/images/panel.png",
                     Frame(200, 48, 14, {0.12f, 0.08f, 0.06f, 0.8f}, {0.95f, 0.86f, 0.65f, 0.9f})});
    files.push_back(
        {"assets/images/button.png", Frame(120, 30, 12, {0.95f, 0.8f, 0.45f, 1}, {0.3f, 0.18f, 0.08f, 1})});
    files.push_back({"assets/sounds/found.ogg", chime});
    files.push_back({"assets/fonts/sans.vkfnt", std::string(font.begin(), font.end())});
    for (const vK_TemplateFile& file : files) {
        if (file.content.empty()) {
            error = "could not make " + file.path;
            return false;
        }
    }
    return true;
}
