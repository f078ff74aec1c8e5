#include "media/video_convert.h"

#include <cstddef>

namespace {

struct Tables {
    static constexpr int kClampOffset = 320;
    int lum[256];
    int rCr[256];
    int gCb[256];
    int gCr[256];
    int bCb[256];
    // (value >> 8) + kClampOffset -> value clamped to 0..255; the shifted sums lie in -278..535.
    uint8_t clamp[1024];

    Tables() {
        for (int i = 0; i < 256; ++i) {
            lum[i] = 298 * (i - 16) + 128;
            rCr[i] = 409 * (i - 128);
            gCb[i] = 100 * (i - 128);
            gCr[i] = 208 * (i - 128);
            bCb[i] = 516 * (i - 128);
        }
        for (int i = 0; i < 1024; ++i) {
            const int v = i - kClampOffset;
            clamp[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    uint8_t Clamp(int sum) const { return clamp[(sum >> 8) + kClampOffset]; }
};

const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

// Horizontal and vertical chroma shifts of a format; false for the reserved one.
bool Shifts(th_pixel_fmt format, int& sx, int& sy) {
    switch (format) {
        case TH_PF_420:
            sx = 1, sy = 1;
            return true;
        case TH_PF_422:
            sx = 1, sy = 0;
            return true;
        case TH_PF_444:
            sx = 0, sy = 0;
            return true;
        default:
            return false;
    }
}

const uint8_t* Row(const th_img_plane& plane, int y) {
    return plane.data + static_cast<ptrdiff_t>(y) * plane.stride;
}

}  // namespace

void YCbCrToBgr(int y, int cb, int cr, uint8_t bgr[3]) {
    const Tables& t = GetTables();
    const int l = t.lum[y & 255];
    bgr[0] = t.Clamp(l + t.bCb[cb & 255]);
    bgr[1] = t.Clamp(l - t.gCb[cb & 255] - t.gCr[cr & 255]);
    bgr[2] = t.Clamp(l + t.rCr[cr & 255]);
}

bool ConvertVideoFrame(const th_ycbcr_buffer& colour, th_pixel_fmt format, const vK_VideoAlpha& alpha,
                       uint8_t* out, int pitch) {
    int sx = 0, sy = 0, ax = 0, ay = 0;
    if (!out || !colour[0].data || !Shifts(format, sx, sy)) return false;
    const int width = colour[0].width;
    const int height = colour[0].height;
    if (pitch <= 0) pitch = width;
    const th_ycbcr_buffer* av = alpha.video;
    if (av && (!(*av)[0].data || (*av)[0].width < width || (*av)[0].height < height ||
               !Shifts(alpha.videoFormat, ax, ay)))
        av = nullptr;
    const Tables& t = GetTables();
    for (int y = 0; y < height; ++y) {
        const uint8_t* ys = Row(colour[0], y);
        const uint8_t* cbs = Row(colour[1], y >> sy);
        const uint8_t* crs = Row(colour[2], y >> sy);
        const uint8_t* as =
            alpha.plane ? alpha.plane + static_cast<size_t>(y) * static_cast<size_t>(width) : nullptr;
        const uint8_t* ays = av ? Row((*av)[0], y) : nullptr;
        const uint8_t* acrs = av ? Row((*av)[2], y >> ay) : nullptr;
        uint8_t* d = out + static_cast<size_t>(y) * static_cast<size_t>(pitch) * 4;
        for (int x = 0; x < width; ++x, d += 4) {
            int a = 255;
            if (as)
                a = as[x];
            else if (ays)
                a = t.Clamp(t.lum[ays[x]] + t.rCr[acrs[x >> ax]]);
            if (a == 0) {
                d[0] = d[1] = d[2] = d[3] = 0;
                continue;
            }
            const int l = t.lum[ys[x]];
            const int cb = cbs[x >> sx];
            const int cr = crs[x >> sx];
            d[0] = t.Clamp(l + t.bCb[cb]);
            d[1] = t.Clamp(l - t.gCb[cb] - t.gCr[cr]);
            d[2] = t.Clamp(l + t.rCr[cr]);
            d[3] = static_cast<uint8_t>(a);
        }
    }
    return true;
}
