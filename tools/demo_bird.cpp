// demo_bird: draws the parts of the demo's clockwork bird (body, head, wing, tail) as
// PNG files into the folder given on the command line. The animation itself is
// demo/assets_src/anims/bird.xml, built into bird.anm by vkanm.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/image_codec.h"

namespace {

struct Canvas {
    Canvas(int w, int h) : width(w), height(h), bgra(static_cast<size_t>(w) * h * 4, 0) {}
    void Put(int x, int y, float r, float g, float b, float a) {
        uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = static_cast<uint8_t>(std::clamp(b, 0.0f, 1.0f) * 255);
        p[1] = static_cast<uint8_t>(std::clamp(g, 0.0f, 1.0f) * 255);
        p[2] = static_cast<uint8_t>(std::clamp(r, 0.0f, 1.0f) * 255);
        p[3] = static_cast<uint8_t>(std::clamp(a, 0.0f, 1.0f) * 255);
    }
    int width, height;
    std::vector<uint8_t> bgra;
};

// A filled ellipse with a darker rim and a highlight towards the top left: polished brass.
Canvas Ellipse(int w, int h, float r, float g, float b) {
    Canvas c(w, h);
    const float cx = w / 2.0f, cy = h / 2.0f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float dx = (x + 0.5f - cx) / cx, dy = (y + 0.5f - cy) / cy;
            const float d = dx * dx + dy * dy;
            if (d > 1.0f) continue;
            const float shade = 0.75f + 0.35f * (1.0f - d) - 0.2f * (dx + dy) * 0.5f;
            const float rim = d > 0.8f ? 0.6f : 1.0f;
            c.Put(x, y, r * shade * rim, g * shade * rim, b * shade * rim, 1.0f);
        }
    }
    return c;
}

// The tail: a fan of five feathers, bright at the tips.
Canvas Tail(int w, int h) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float u = x / static_cast<float>(w - 1), v = (y + 0.5f) / h - 0.5f;
            const float spread = 0.15f + 0.35f * u;
            if (std::fabs(v) > spread) continue;
            const float feather = std::fabs(std::sin((v / spread) * 3.141592f * 2.5f));
            c.Put(x, y, 0.55f + 0.4f * u, 0.35f + 0.3f * u * feather, 0.15f, 1.0f);
        }
    }
    return c;
}

bool Save(const std::string& path, const Canvas& c) {
    std::vector<uint8_t> png;
    if (!EncodePng(c.bgra.data(), c.width, c.height, png)) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: demo_bird FOLDER\nWrites body.png, head.png, wing.png and tail.png into FOLDER.\n",
                   stderr);
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = Save(folder + "/body.png", Ellipse(64, 40, 0.85f, 0.65f, 0.25f));
    ok = Save(folder + "/head.png", Ellipse(28, 28, 0.9f, 0.7f, 0.3f)) && ok;
    ok = Save(folder + "/wing.png", Ellipse(48, 20, 0.6f, 0.45f, 0.2f)) && ok;
    ok = Save(folder + "/tail.png", Tail(48, 32)) && ok;
    if (!ok) std::fprintf(stderr, "demo_bird: cannot write the parts into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
