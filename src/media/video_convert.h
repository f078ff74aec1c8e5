#pragma once
#include <theora/codec.h>

#include <cstdint>

// Integer Y'CbCr (studio range, BT.601) to B, G, R conversion with precomputed tables
// for the five products:
//   L = 298 (Y - 16) + 128
//   R = clamp((L + 409 (Cr - 128)) >> 8)
//   G = clamp((L - 100 (Cb - 128) - 208 (Cr - 128)) >> 8)
//   B = clamp((L + 516 (Cb - 128)) >> 8)
void YCbCrToBgr(int y, int cb, int cr, uint8_t bgr[3]);

// The alpha sources of one frame: a plane of width x height bytes, or the planes of a
// second video whose red channel is the alpha, or none (opaque).
struct vK_VideoAlpha {
    const uint8_t* plane = nullptr;
    const th_ycbcr_buffer* video = nullptr;
    th_pixel_fmt videoFormat = TH_PF_420;
};

// Converts a decoded frame into 4-byte B, G, R, A pixels at out[(y * pitch + x) * 4]
// (pitch in pixels, 0 meaning the frame width). Pixels with alpha 0 are written as
// four zero bytes. Chroma is subsampled per format (4:2:0, 4:2:2, 4:4:4); a frame in
// the reserved format is not converted. False when nothing was converted.
bool ConvertVideoFrame(const th_ycbcr_buffer& colour, th_pixel_fmt format, const vK_VideoAlpha& alpha,
                       uint8_t* out, int pitch);
