// Draws the demo game's images into an asset folder: a JPEG backdrop, a PNG title
// panel, a banner with the grid that waves it and a soft dot for the particles; and,
// into a frames folder, one PNG per atlas frame (four items, a clock's pendulum, a candle
// flame and an animated pointer) that vkatlas packs into the atlases (the frame
// animations are hand-written in assets_src). Everything is drawn from shapes and
// gradients; no outside art. The wheel and pinion of a flash-animated gear train are one
// page with its frame texture.

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "files/os_services.h"
#include "graphics/image_codec.h"

namespace {

struct Canvas {
    int width, height;
    std::vector<uint8_t> bgra;
    Canvas(int w, int h) : width(w), height(h), bgra(static_cast<size_t>(w) * h * 4, 0) {}
    void Put(int x, int y, float r, float g, float b, float a) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
        // Source-over onto what is there.
        const float da = p[3] / 255.0f, oa = a + da * (1 - a);
        auto mix = [&](uint8_t d, float s) {
            return static_cast<uint8_t>(oa > 0 ? (s * a + d / 255.0f * da * (1 - a)) / oa * 255.0f + 0.5f
                                               : 0);
        };
        p[0] = mix(p[0], b);
        p[1] = mix(p[1], g);
        p[2] = mix(p[2], r);
        p[3] = static_cast<uint8_t>(oa * 255.0f + 0.5f);
    }
};

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Coverage of a pixel by a shape given as a signed distance (negative inside).
float Coverage(float distance) { return Clamp01(0.5f - distance); }

void Disc(Canvas& c, float cx, float cy, float radius, float r, float g, float b, float a = 1) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius;
            if (d < 1) c.Put(x, y, r, g, b, a * Coverage(d));
        }
}

void Box(Canvas& c, float x0, float y0, float x1, float y1, float radius, float r, float g, float b,
         float a = 1) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float qx = std::fabs(px - (x0 + x1) / 2) - ((x1 - x0) / 2 - radius);
            const float qy = std::fabs(py - (y0 + y1) / 2) - ((y1 - y0) / 2 - radius);
            const float outside = std::hypot(std::fmax(qx, 0.0f), std::fmax(qy, 0.0f));
            const float d = outside + std::fmin(std::fmax(qx, qy), 0.0f) - radius;
            if (d < 1) c.Put(x, y, r, g, b, a * Coverage(d));
        }
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool WritePng(const std::string& path, const Canvas& c) {
    std::vector<uint8_t> png;
    return EncodePng(c.bgra.data(), c.width, c.height, png) && WriteFile(path, png);
}

Canvas Backdrop() {
    Canvas c(1024, 768);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float t = y / 767.0f, v = 0.5f + 0.5f * std::sin(x / 60.0f) * 0.05f;
            c.Put(x, y, 0.25f + 0.2f * t * v, 0.16f + 0.1f * t, 0.1f + 0.05f * t, 1);
        }
    for (int beam = 0; beam < 6; ++beam)
        Box(c, 60 + beam * 170, 0, 90 + beam * 170, 768, 4, 0.18f, 0.11f, 0.06f);
    Box(c, 0, 600, 1024, 768, 0, 0.2f, 0.13f, 0.08f);
    return c;
}

Canvas Title() {
    Canvas c(512, 128);
    Box(c, 4, 4, 508, 124, 24, 0.95f, 0.85f, 0.55f);
    Box(c, 14, 14, 498, 114, 16, 0.45f, 0.25f, 0.1f);
    for (int i = 0; i < 12; ++i) Disc(c, 60 + i * 36, 64, 10, 0.95f, 0.8f - i * 0.03f, 0.4f);
    return c;
}

// The four 64 x 64 items (clock, key, lamp, gear), one image each; vkatlas packs them.
std::vector<Canvas> Items() {
    std::vector<Canvas> items(4, Canvas(64, 64));
    Canvas& clock = items[0];
    Disc(clock, 32, 32, 28, 0.9f, 0.8f, 0.3f);
    Disc(clock, 32, 32, 22, 0.98f, 0.96f, 0.9f);
    Box(clock, 30, 14, 34, 34, 2, 0.1f, 0.1f, 0.1f);
    Box(clock, 30, 30, 46, 34, 2, 0.1f, 0.1f, 0.1f);
    Canvas& key = items[1];
    Disc(key, 16, 32, 12, 0.8f, 0.7f, 0.2f);
    Disc(key, 16, 32, 6, 0, 0, 0, 0);
    Box(key, 26, 29, 58, 35, 2, 0.8f, 0.7f, 0.2f);
    Box(key, 48, 35, 52, 44, 1, 0.8f, 0.7f, 0.2f);
    Canvas& lamp = items[2];
    Box(lamp, 22, 8, 42, 40, 8, 0.95f, 0.9f, 0.5f, 0.9f);
    Box(lamp, 12, 40, 52, 56, 4, 0.35f, 0.35f, 0.4f);
    Canvas& gear = items[3];
    for (int tooth = 0; tooth < 8; ++tooth) {
        const float a = tooth * 3.14159265f / 4;
        Disc(gear, 32 + 22 * std::cos(a), 32 + 22 * std::sin(a), 7, 0.55f, 0.6f, 0.65f);
    }
    Disc(gear, 32, 32, 20, 0.55f, 0.6f, 0.65f);
    Disc(gear, 32, 32, 7, 0.2f, 0.2f, 0.25f);
    return items;
}

// A line segment of a given thickness with round ends.
void Segment(Canvas& c, float x0, float y0, float x1, float y1, float width, float r, float g, float b) {
    const float dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float px = x + 0.5f - x0, py = y + 0.5f - y0;
            const float t = length2 > 0 ? Clamp01((px * dx + py * dy) / length2) : 0;
            const float d = std::hypot(px - t * dx, py - t * dy) - width / 2;
            if (d < 1) c.Put(x, y, r, g, b, Coverage(d));
        }
}

// A wall clock with its pendulum in eight positions, 64 x 128 each; the timer-driven
// atlas animation of the start screen steps through them.
constexpr int kPendulumFrames = 8;

std::vector<Canvas> PendulumFrames() {
    std::vector<Canvas> frames;
    for (int f = 0; f < kPendulumFrames; ++f) {
        Canvas c(64, 128);
        const float angle = 0.3f * std::sin(f * 2 * 3.14159265f / kPendulumFrames);
        const float hx = 32, hy = 44;
        Box(c, 8, 40, 56, 124, 8, 0.35f, 0.2f, 0.1f);  // case
        Segment(c, hx, hy, hx + 56 * std::sin(angle), hy + 56 * std::cos(angle), 3, 0.85f, 0.7f, 0.3f);
        Disc(c, hx + 60 * std::sin(angle), hy + 60 * std::cos(angle), 8, 0.95f, 0.8f, 0.35f);
        Disc(c, 32, 30, 28, 0.9f, 0.8f, 0.3f);  // face
        Disc(c, 32, 30, 23, 0.98f, 0.96f, 0.9f);
        Segment(c, 32, 30, 32, 14, 3, 0.1f, 0.1f, 0.1f);
        Segment(c, 32, 30, 44.0f - f, 34, 2, 0.1f, 0.1f, 0.1f);
        frames.push_back(std::move(c));
    }
    return frames;
}

// The banner a grid waves: stripes and an emblem on 256 x 128.
Canvas Banner() {
    Canvas c(256, 128);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const bool stripe = (y / 16) % 2 == 0;
            c.Put(x, y, stripe ? 0.6f : 0.45f, stripe ? 0.1f : 0.08f, 0.12f + x / 1024.0f, 1);
        }
    Disc(c, 128, 64, 40, 0.95f, 0.85f, 0.4f);
    Disc(c, 128, 64, 30, 0.45f, 0.08f, 0.12f);
    for (int i = 0; i < 6; ++i) {
        const float a = i * 3.14159265f / 3;
        Disc(c, 128 + 18 * std::cos(a), 64 + 18 * std::sin(a), 5, 0.95f, 0.85f, 0.4f);
    }
    return c;
}

// A 9 x 5 mesh over the banner (256 x 128 units, centred on the origin) in four frames of
// a travelling wave; the left edge stays on its pole. Frames ease in and out.
std::string BannerGridXml() {
    constexpr int kColumns = 9, kRows = 5, kFrames = 4;
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    xml += "<grid texture=\"banner\" frame=\"0\" loop=\"1\" fps=\"3\">\n  <frames>\n";
    for (int f = 0; f < kFrames; ++f) {
        xml += "    <frame interp=\"3\">\n";
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                const float u = column / float(kColumns - 1), v = row / float(kRows - 1);
                const float phase = u * 5.0f - f * 3.14159265f / 2;
                const float x = -128 + 256 * u, y = -64 + 128 * v + 14 * u * std::sin(phase);
                char line[200];
                std::snprintf(
                    line, sizeof line,
                    "      <vertex pos_x=\"%.2f\" pos_y=\"%.2f\" tu=\"%.4f\" tv=\"%.4f\" id=\"%d\"/>\n", x, y,
                    u, v, row * kColumns + column);
                xml += line;
            }
        }
        xml += "    </frame>\n";
    }
    xml += "  </frames>\n  <triangles>\n";
    for (int row = 0; row + 1 < kRows; ++row) {
        for (int column = 0; column + 1 < kColumns; ++column) {
            const int a = row * kColumns + column, b = a + 1, c = a + kColumns, d = c + 1;
            char line[200];
            std::snprintf(line, sizeof line,
                          "    <triangle vertex_0=\"%d\" vertex_1=\"%d\" vertex_2=\"%d\"/>\n"
                          "    <triangle vertex_0=\"%d\" vertex_1=\"%d\" vertex_2=\"%d\"/>\n",
                          a, b, c, b, d, c);
            xml += line;
        }
    }
    return xml + "  </triangles>\n</grid>\n";
}

// A flame standing on (cx, baseY): a teardrop height tall whose tip leans by sway.
void Flame(Canvas& c, float cx, float baseY, float height, float width, float sway, float r, float g, float b,
           float a) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float t = (baseY - py) / height;  // 0 at the base, 1 at the tip
            if (t < -0.3f || t > 1.05f) continue;
            const float centre = cx + sway * t * t;
            // Round at the bottom, tapering to a point at the top.
            const float radius = t < 0 ? width * std::sqrt(std::fmax(0.0f, 1 - t * t / 0.09f))
                                       : width * std::pow(std::fmax(0.0f, 1 - t), 0.8f);
            const float d = std::fabs(px - centre) - radius;
            if (d < 1) c.Put(x, y, r, g, b, a * Coverage(d));
        }
}

// Six frames of a candle, 48 x 128 each: the wax and wick stay, the flame flickers.
constexpr int kCandleFrames = 6;

std::vector<Canvas> CandleFrames() {
    std::vector<Canvas> frames;
    for (int f = 0; f < kCandleFrames; ++f) {
        Canvas frame(48, 128);
        const float phase = f * 2 * 3.14159265f / kCandleFrames;
        const float height = 30 + 5 * std::sin(phase) + 2 * std::sin(3 * phase);
        const float sway = 3 * std::sin(phase + 0.7f);
        Disc(frame, 24, 40, 22, 1.0f, 0.6f, 0.2f, 0.10f + 0.03f * std::sin(phase));  // glow
        Disc(frame, 24, 40, 12, 1.0f, 0.7f, 0.3f, 0.12f);
        Box(frame, 13, 62, 35, 126, 3, 0.92f, 0.86f, 0.72f);  // wax
        Box(frame, 27, 62, 35, 126, 3, 0.55f, 0.45f, 0.35f, 0.35f);
        Box(frame, 13, 62, 35, 68, 3, 1.0f, 0.95f, 0.85f, 0.6f);
        Segment(frame, 24, 63, 24 + sway * 0.1f, 55, 2, 0.15f, 0.1f, 0.08f);  // wick
        Flame(frame, 24, 56, height, 7, sway, 1.0f, 0.45f, 0.08f, 0.95f);
        Flame(frame, 24, 55, height * 0.72f, 4.5f, sway * 0.8f, 1.0f, 0.82f, 0.3f, 1.0f);
        Flame(frame, 24, 54, height * 0.4f, 2.5f, sway * 0.5f, 1.0f, 0.98f, 0.85f, 1.0f);
        frames.push_back(std::move(frame));
    }
    return frames;
}

// A filled triangle (corners clockwise on screen), grown by grow pixels: a pixel is
// inside when its largest signed distance to the three edges is negative.
void Triangle(Canvas& c, float left, const float (&pts)[6], float grow, float r, float g, float b) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            float d = -1e9f;
            for (int i = 0; i < 3; ++i) {
                const float ax = left + pts[i * 2], ay = pts[i * 2 + 1];
                const float bx = left + pts[(i * 2 + 2) % 6], by = pts[(i * 2 + 3) % 6];
                const float ex = bx - ax, ey = by - ay, length = std::hypot(ex, ey);
                d = std::fmax(d, ((y + 0.5f - ay) * ex - (x + 0.5f - ax) * ey) / length);
            }
            d -= grow;
            if (d < 1) c.Put(x, y, r, g, b, Coverage(d));
        }
}

// Four frames of a pointer, 32 x 32 each with the tip at (2, 2): a dark-edged cream
// arrow with a golden spark that circles and pulses beside it.
constexpr int kPointerFrames = 4;

std::vector<Canvas> PointerFrames() {
    std::vector<Canvas> frames;
    const float arrow[6] = {3, 3, 3, 22, 16, 16};
    for (int f = 0; f < kPointerFrames; ++f) {
        Canvas c(32, 32);
        Segment(c, 8, 16, 13, 27, 6, 0.12f, 0.08f, 0.05f);  // the tail
        Triangle(c, 0, arrow, 1.5f, 0.12f, 0.08f, 0.05f);
        Segment(c, 8, 16, 13, 27, 3, 0.98f, 0.94f, 0.84f);
        Triangle(c, 0, arrow, 0.0f, 0.98f, 0.94f, 0.84f);
        const float angle = f * 3.14159265f / 2;
        const float sx = 22 + 5 * std::cos(angle), sy = 22 + 5 * std::sin(angle);
        const float size = 2.0f + (f % 2);
        Disc(c, sx, sy, size + 2.5f, 1.0f, 0.8f, 0.3f, 0.35f);
        Disc(c, sx, sy, size, 1.0f, 0.9f, 0.5f);
        frames.push_back(std::move(c));
    }
    return frames;
}

// The two 96 x 96 frames of the flash-animated gear train: a twelve-tooth wheel and an
// eight-tooth pinion, each centred in its frame (the timeline in assets_src turns them).
std::vector<Canvas> GearFrames() {
    Canvas c(96, 96), p(96, 96);
    for (int tooth = 0; tooth < 12; ++tooth) {
        const float a = tooth * 3.14159265f / 6;
        Box(c, 48 + 40 * std::cos(a) - 5, 48 + 40 * std::sin(a) - 5, 48 + 40 * std::cos(a) + 5,
            48 + 40 * std::sin(a) + 5, 3, 0.72f, 0.55f, 0.25f);
    }
    Disc(c, 48, 48, 38, 0.72f, 0.55f, 0.25f);
    Disc(c, 48, 48, 30, 0.55f, 0.4f, 0.17f);
    for (int spoke = 0; spoke < 4; ++spoke) {
        const float a = spoke * 3.14159265f / 2 + 0.4f;
        Segment(c, 48, 48, 48 + 30 * std::cos(a), 48 + 30 * std::sin(a), 7, 0.72f, 0.55f, 0.25f);
    }
    Disc(c, 48, 48, 9, 0.3f, 0.25f, 0.2f);
    for (int tooth = 0; tooth < 8; ++tooth) {
        const float a = tooth * 3.14159265f / 4;
        Box(p, 48 + 26 * std::cos(a) - 4, 48 + 26 * std::sin(a) - 4, 48 + 26 * std::cos(a) + 4,
            48 + 26 * std::sin(a) + 4, 2, 0.6f, 0.62f, 0.66f);
    }
    Disc(p, 48, 48, 24, 0.6f, 0.62f, 0.66f);
    Disc(p, 48, 48, 6, 0.25f, 0.25f, 0.3f);
    return {std::move(c), std::move(p)};
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A soft white dot for the particle presets (tinted per particle): alpha falls off
// smoothly from the centre.
Canvas Glow() {
    Canvas c(32, 32);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float d = std::hypot(x + 0.5f - 16.0f, y + 0.5f - 16.0f) / 16.0f;
            const float a = Clamp01(1.0f - d);
            if (a > 0) c.Put(x, y, 1, 1, 1, a * a);
        }
    return c;
}

// Writes the frames as FOLDER/0.png, 1.png, ... for vkatlas, which packs them in the
// order of their names.
bool WriteFrames(const std::string& folder, const std::vector<Canvas>& frames) {
    OsMakeFolder(folder);
    bool ok = true;
    for (size_t i = 0; i < frames.size(); ++i)
        ok = WritePng(folder + "/" + std::to_string(i) + ".png", frames[i]) && ok;
    return ok;
}

// The hidden-object attic: ten items of 64 x 64 side by side on a 640 x 64 page (pocket
// watch, key, oil lamp, gear, loupe, scissors, spectacles, spring, screwdriver, hourglass),
// the workbench in the attic and its close-up, the inventory panel with its slot frame,
// the hint button, the hint marker and the miss cross.
constexpr int kHiddenItems = 10;

void Ring(Canvas& c, float cx, float cy, float radius, float width, float r, float g, float b) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius) - width / 2;
            if (d < 1) c.Put(x, y, r, g, b, Coverage(d));
        }
}

// Draws item i into its own 64 x 64 canvas.
Canvas HiddenItem(int i) {
    Canvas c(64, 64);
    const float brass[3] = {0.85f, 0.68f, 0.25f}, steel[3] = {0.62f, 0.65f, 0.7f};
    switch (i) {
        case 0:  // pocket watch
            Ring(c, 32, 9, 5, 3, brass[0], brass[1], brass[2]);
            Disc(c, 32, 36, 24, brass[0], brass[1], brass[2]);
            Disc(c, 32, 36, 19, 0.98f, 0.96f, 0.9f);
            Segment(c, 32, 36, 32, 22, 2.5f, 0.1f, 0.1f, 0.1f);
            Segment(c, 32, 36, 42, 40, 2, 0.1f, 0.1f, 0.1f);
            break;
        case 1:  // key
            Ring(c, 16, 32, 9, 5, brass[0], brass[1], brass[2]);
            Box(c, 24, 29, 58, 35, 2, brass[0], brass[1], brass[2]);
            Box(c, 46, 35, 50, 46, 1, brass[0], brass[1], brass[2]);
            Box(c, 53, 35, 57, 43, 1, brass[0], brass[1], brass[2]);
            break;
        case 2:  // oil lamp
            Disc(c, 32, 22, 13, 1.0f, 0.85f, 0.45f, 0.55f);
            Box(c, 24, 12, 40, 40, 7, 0.95f, 0.92f, 0.75f, 0.8f);
            Box(c, 16, 40, 48, 56, 5, 0.5f, 0.28f, 0.12f);
            Box(c, 12, 54, 52, 60, 2, 0.35f, 0.2f, 0.1f);
            break;
        case 3:  // gear
            for (int tooth = 0; tooth < 10; ++tooth) {
                const float a = tooth * 3.14159265f / 5;
                Disc(c, 32 + 23 * std::cos(a), 32 + 23 * std::sin(a), 6, steel[0], steel[1], steel[2]);
            }
            Disc(c, 32, 32, 21, steel[0], steel[1], steel[2]);
            Disc(c, 32, 32, 7, 0.2f, 0.2f, 0.25f);
            break;
        case 4:  // loupe
            Segment(c, 38, 38, 56, 56, 8, 0.3f, 0.18f, 0.1f);
            Disc(c, 26, 26, 17, 0.75f, 0.88f, 0.95f, 0.55f);
            Ring(c, 26, 26, 18, 5, brass[0], brass[1], brass[2]);
            break;
        case 5:  // scissors
            Segment(c, 14, 52, 54, 10, 4, steel[0], steel[1], steel[2]);
            Segment(c, 14, 10, 54, 52, 4, steel[0], steel[1], steel[2]);
            Ring(c, 12, 54, 7, 4, 0.7f, 0.15f, 0.12f);
            Ring(c, 12, 10, 7, 4, 0.7f, 0.15f, 0.12f);
            Disc(c, 34, 31, 3, 0.25f, 0.25f, 0.3f);
            break;
        case 6:  // spectacles
            Ring(c, 17, 34, 12, 4, 0.3f, 0.2f, 0.12f);
            Ring(c, 47, 34, 12, 4, 0.3f, 0.2f, 0.12f);
            Segment(c, 27, 30, 37, 30, 3, 0.3f, 0.2f, 0.12f);
            Disc(c, 17, 34, 10, 0.75f, 0.88f, 0.95f, 0.4f);
            Disc(c, 47, 34, 10, 0.75f, 0.88f, 0.95f, 0.4f);
            break;
        case 7:  // spring
            for (int turn = 0; turn < 6; ++turn) {
                const float y = 8 + turn * 8.0f;
                Segment(c, 14, y, 50, y + 4, 3, steel[0], steel[1], steel[2]);
                Segment(c, 50, y + 4, 14, y + 8, 3, steel[0] * 0.8f, steel[1] * 0.8f, steel[2] * 0.8f);
            }
            break;
        case 8:  // screwdriver
            Segment(c, 30, 34, 58, 6, 4, steel[0], steel[1], steel[2]);
            Segment(c, 8, 56, 28, 36, 11, 0.75f, 0.2f, 0.12f);
            break;
        default:  // hourglass
            Box(c, 14, 4, 50, 10, 2, 0.45f, 0.25f, 0.1f);
            Box(c, 14, 54, 50, 60, 2, 0.45f, 0.25f, 0.1f);
            {
                const float top[6] = {18, 10, 32, 32, 46, 10}, bottom[6] = {32, 32, 18, 54, 46, 54};
                Triangle(c, 0, top, 0.0f, 0.7f, 0.82f, 0.9f);
                Triangle(c, 0, bottom, 0.0f, 0.7f, 0.82f, 0.9f);
                const float sand[6] = {25, 54, 39, 54, 32, 44};
                Triangle(c, 0, sand, 0.0f, 0.9f, 0.75f, 0.4f);
            }
            break;
    }
    return c;
}

std::vector<Canvas> HiddenItems() {
    std::vector<Canvas> items;
    for (int i = 0; i < kHiddenItems; ++i) items.push_back(HiddenItem(i));
    return items;
}

// The workbench standing in the attic, 160 x 96: a top with tools on it and two legs.
Canvas Workbench() {
    Canvas c(160, 96);
    Box(c, 14, 40, 26, 96, 3, 0.3f, 0.18f, 0.09f);
    Box(c, 134, 40, 146, 96, 3, 0.3f, 0.18f, 0.09f);
    Box(c, 0, 30, 160, 46, 4, 0.5f, 0.32f, 0.16f);
    Box(c, 20, 14, 60, 30, 3, 0.65f, 0.66f, 0.7f);  // a vice
    Disc(c, 100, 22, 9, 0.85f, 0.68f, 0.25f);       // a clock movement
    Disc(c, 100, 22, 4, 0.3f, 0.25f, 0.2f);
    Segment(c, 120, 28, 150, 16, 3, 0.62f, 0.65f, 0.7f);
    return c;
}

// The workbench close-up, a full 1024 x 768 view of the bench top with an open clock
// movement, loose wheels and tools; zoomed in, the details show.
Canvas WorkbenchCloseup() {
    Canvas c(1024, 768);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float grain = 0.03f * std::sin(y / 9.0f + std::sin(x / 140.0f) * 3.0f);
            c.Put(x, y, 0.42f + grain, 0.27f + grain, 0.13f, 1);
        }
    Box(c, 0, 0, 1024, 60, 0, 0.2f, 0.12f, 0.07f);
    Disc(c, 480, 380, 210, 0.85f, 0.68f, 0.25f);
    Disc(c, 480, 380, 190, 0.55f, 0.42f, 0.18f);
    for (int wheel = 0; wheel < 5; ++wheel) {
        const float a = wheel * 1.25f, x = 480 + 110 * std::cos(a), y = 380 + 110 * std::sin(a);
        for (int tooth = 0; tooth < 16; ++tooth) {
            const float t = tooth * 3.14159265f / 8;
            Disc(c, x + 52 * std::cos(t), y + 52 * std::sin(t), 6, 0.9f, 0.75f, 0.35f);
        }
        Disc(c, x, y, 50, 0.9f, 0.75f, 0.35f);
        Disc(c, x, y, 38, 0.6f, 0.45f, 0.2f);
        Disc(c, x, y, 8, 0.25f, 0.2f, 0.15f);
    }
    Disc(c, 480, 380, 12, 0.7f, 0.1f, 0.15f);                // a jewel bearing
    Segment(c, 760, 620, 960, 420, 14, 0.62f, 0.65f, 0.7f);  // tweezers
    Segment(c, 780, 640, 980, 450, 14, 0.62f, 0.65f, 0.7f);
    Ring(c, 840, 200, 60, 12, 0.85f, 0.68f, 0.25f);  // a loupe lens
    Disc(c, 840, 200, 54, 0.75f, 0.88f, 0.95f, 0.35f);
    for (int screw = 0; screw < 7; ++screw) Disc(c, 140 + screw * 26, 660 - screw * 9, 7, 0.7f, 0.72f, 0.76f);
    return c;
}

// The inventory panel behind the scroll container (620 x 100) and one slot's frame (92 x 88).
Canvas InventoryPanel() {
    Canvas c(620, 100);
    Box(c, 0, 0, 620, 100, 16, 0.2f, 0.12f, 0.07f, 0.92f);
    Box(c, 4, 4, 616, 96, 13, 0.55f, 0.38f, 0.18f, 0.35f);
    return c;
}

Canvas InventorySlot() {
    Canvas c(92, 88);
    Box(c, 0, 0, 92, 88, 10, 0.95f, 0.85f, 0.55f, 0.5f);
    Box(c, 3, 3, 89, 85, 8, 0.25f, 0.15f, 0.08f, 0.95f);
    return c;
}

// The hint button (72 x 72: a lit bulb on a brass disc), the hint marker (40 x 40: a
// bright four-pointed star) and the miss cross (32 x 32).
Canvas HintButton() {
    Canvas c(72, 72);
    Disc(c, 36, 36, 34, 0.85f, 0.68f, 0.25f);
    Disc(c, 36, 36, 29, 0.3f, 0.18f, 0.09f);
    Disc(c, 36, 30, 14, 1.0f, 0.9f, 0.45f);
    Box(c, 29, 40, 43, 54, 3, 0.7f, 0.72f, 0.76f);
    return c;
}

Canvas HintMarker() {
    Canvas c(40, 40);
    Disc(c, 20, 20, 14, 1.0f, 0.9f, 0.5f, 0.4f);
    Segment(c, 20, 2, 20, 38, 5, 1.0f, 0.95f, 0.7f);
    Segment(c, 2, 20, 38, 20, 5, 1.0f, 0.95f, 0.7f);
    Disc(c, 20, 20, 6, 1, 1, 1);
    return c;
}

Canvas MissCross() {
    Canvas c(32, 32);
    Segment(c, 6, 6, 26, 26, 6, 0.9f, 0.15f, 0.1f);
    Segment(c, 26, 6, 6, 26, 6, 0.9f, 0.15f, 0.1f);
    return c;
}

// Writes the attic's images into images/ of the asset folder, and the ten items as
// frames for vkatlas.
bool WriteAtticImages(const std::string& images, const std::string& frames) {
    bool ok = WriteFrames(frames + "/hidden_items", HiddenItems());
    ok = WritePng(images + "/workbench.png", Workbench()) && ok;
    const Canvas closeup = WorkbenchCloseup();
    ok =
        SaveJpeg(closeup.bgra.data(), closeup.width, closeup.height, images + "/workbench_closeup.jpg") && ok;
    ok = WritePng(images + "/inventory_panel.png", InventoryPanel()) && ok;
    ok = WritePng(images + "/inventory_slot.png", InventorySlot()) && ok;
    ok = WritePng(images + "/hint_button.png", HintButton()) && ok;
    ok = WritePng(images + "/hint_marker.png", HintMarker()) && ok;
    return WritePng(images + "/miss.png", MissCross()) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: demo_assets OUTPUT_ASSETS_DIR FRAMES_DIR\n");
        return 2;
    }
    const std::string images = std::string(argv[1]) + "/images", frames = argv[2];
    OsMakeFolder(argv[1]);
    OsMakeFolder(images);
    OsMakeFolder(frames);
    const Canvas backdrop = Backdrop();
    bool ok = SaveJpeg(backdrop.bgra.data(), backdrop.width, backdrop.height, images + "/backdrop.jpg");
    ok = WritePng(images + "/title.png", Title()) && ok;
    // The atlas frames: vkatlas turns each folder into pages and their frame texture.
    ok = WriteFrames(frames + "/items", Items()) && ok;
    ok = WriteFrames(frames + "/pendulum", PendulumFrames()) && ok;
    ok = WriteFrames(frames + "/candle", CandleFrames()) && ok;
    ok = WriteFrames(frames + "/pointer", PointerFrames()) && ok;
    const std::string grids = std::string(argv[1]) + "/grids";
    OsMakeFolder(grids);
    ok = WritePng(grids + "/banner.png", Banner()) && ok;
    ok = WriteText(grids + "/banner.xml", BannerGridXml()) && ok;
    ok = WritePng(images + "/glow.png", Glow()) && ok;
    ok = WriteFrames(frames + "/gear", GearFrames()) && ok;
    const std::string anims = std::string(argv[1]) + "/anims";
    OsMakeFolder(anims);
    ok = WritePng(anims + "/gear_glint.png", Glow()) && ok;
    ok = WriteAtticImages(images, frames) && ok;
    if (!ok) std::fprintf(stderr, "demo_assets: could not write the images into %s\n", images.c_str());
    return ok ? 0 : 1;
}
