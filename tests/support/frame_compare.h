#pragma once
#include <string>

#include "graphics/image.h"

// Comparing a run's last frame with a reference image kept in the repository: both are
// reduced to 4 x 4 block averages, and a frame matches when few blocks differ.
constexpr int kFrameBlock = 4;

// Decodes the PNG at path; false when it is missing or not an RGBA PNG.
bool LoadPngFile(const std::string& path, vK_Image& image);
// Averages of kFrameBlock x kFrameBlock pixel blocks, opaque.
vK_Image FrameBlocks(const vK_Image& shot);
// The share of blocks where some channel differs by more than 24 (of 255); 1 when the
// sizes differ.
double DifferentShare(const vK_Image& a, const vK_Image& b);
