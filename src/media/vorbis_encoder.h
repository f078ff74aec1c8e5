#pragma once
#include <cstdint>
#include <vector>

// Encodes interleaved float samples (frames x channels, -1..1) as an Ogg Vorbis file in
// memory (variable bit rate at quality -0.1..1); empty when the encoder refuses the
// format. Tools and tests make their sounds with it.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& interleaved, int channels, int rate,
                                     float quality = 0.6f);
