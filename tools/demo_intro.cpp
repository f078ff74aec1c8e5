// demo_intro: draws the frames of the demo's intro, the clockmaker's logo, as RGBA PNG
// files OUTDIR/0001.png, 0002.png, ... The build encodes their colour with ffmpeg's
// Theora encoder and their alpha with vkzalpha.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/image_codec.h"

namespace {

constexpr int kSize = 192;
constexpr int kFrames = 50;  // two seconds at 25 frames per second
constexpr float kPi = 3.14159265f;

struct Canvas {
    std::vector<float> r, g, b, a;
    Canvas()
        : r(kSize * kSize, 0.35f), g(kSize * kSize, 0.2f), b(kSize * kSize, 0.08f), a(kSize * kSize, 0.0f) {}
    // Paints colour with coverage c (0..1) over what is there.
    void Paint(int i, float c, float cr, float cg, float cb) {
        if (c <= 0.0f) return;
        c = std::min(c, 1.0f);
        r[i] = r[i] * (1 - c) + cr * c;
        g[i] = g[i] * (1 - c) + cg * c;
        b[i] = b[i] * (1 - c) + cb * c;
        a[i] = a[i] + (1 - a[i]) * c;
    }
};

// Coverage of a pixel by a shape whose signed distance (pixels, negative inside) is d.
float Cover(float d) { return std::clamp(0.5f - d, 0.0f, 1.0f); }

// Distance from p to the segment a-b, minus half the width.
float Segment(float px, float py, float ax, float ay, float bx, float by, float halfWidth) {
    const float dx = bx - ax, dy = by - ay;
    const float t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(px - ax - t * dx, py - ay - t * dy) - halfWidth;
}

Canvas Draw(int frame) {
    Canvas c;
    const float centre = kSize / 2.0f;
    const float t = static_cast<float>(frame) / kFrames;
    // The logo grows into place during the first half second, then the hands turn.
    const float grow = std::min(1.0f, static_cast<float>(frame) / 12.0f);
    const float radius = 80.0f * (0.6f + 0.4f * grow);
    const float minute = 2 * kPi * t * 2, hour = minute / 12 + 1.2f;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int i = y * kSize + x;
            const float px = x + 0.5f, py = y + 0.5f;
            const float d = std::hypot(px - centre, py - centre);
            // Brass ring and a cream face.
            c.Paint(i, Cover(std::fabs(d - radius + 5) - 5), 0.85f, 0.62f, 0.2f);
            c.Paint(i, Cover(d - (radius - 10)), 0.96f, 0.92f, 0.8f);
            // Twelve hour marks.
            const float angle = std::atan2(py - centre, px - centre);
            const float step = 2 * kPi / 12;
            const float nearest = std::round(angle / step) * step;
            const float across = std::fabs(std::sin(angle - nearest)) * d;
            if (d > radius - 24 && d < radius - 13) c.Paint(i, Cover(across - 1.8f), 0.25f, 0.15f, 0.08f);
            // Hands and the hub.
            const float r1 = radius * 0.45f, r2 = radius * 0.68f;
            c.Paint(i,
                    Cover(Segment(px, py, centre, centre, centre + r1 * std::sin(hour),
                                  centre - r1 * std::cos(hour), 4)),
                    0.2f, 0.12f, 0.06f);
            c.Paint(i,
                    Cover(Segment(px, py, centre, centre, centre + r2 * std::sin(minute),
                                  centre - r2 * std::cos(minute), 2.5f)),
                    0.2f, 0.12f, 0.06f);
            c.Paint(i, Cover(d - 6), 0.85f, 0.62f, 0.2f);
            c.a[i] *= grow;
        }
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "Usage: demo_intro OUTDIR\nDraws the %d frames of the intro logo "
                     "(%d x %d RGBA PNG) as OUTDIR/0001.png ...\n",
                     kFrames, kSize, kSize);
        return argc == 2 ? 0 : 2;
    }
    const std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int f = 0; f < kFrames; ++f) {
        const Canvas c = Draw(f);
        std::vector<uint8_t> bgra(kSize * kSize * 4);
        for (int i = 0; i < kSize * kSize; ++i) {
            bgra[i * 4 + 0] = static_cast<uint8_t>(std::lround(c.b[i] * 255));
            bgra[i * 4 + 1] = static_cast<uint8_t>(std::lround(c.g[i] * 255));
            bgra[i * 4 + 2] = static_cast<uint8_t>(std::lround(c.r[i] * 255));
            bgra[i * 4 + 3] = static_cast<uint8_t>(std::lround(c.a[i] * 255));
        }
        std::vector<uint8_t> png;
        char name[32];
        std::snprintf(name, sizeof name, "/%04d.png", f + 1);
        std::ofstream out(dir + name, std::ios::binary | std::ios::trunc);
        if (!EncodePng(bgra.data(), kSize, kSize, png) ||
            !out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()))) {
            std::fprintf(stderr, "demo_intro: error: cannot write %s%s\n", dir.c_str(), name);
            return 1;
        }
    }
    return 0;
}
