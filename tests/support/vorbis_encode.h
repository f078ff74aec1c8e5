#pragma once
// Test and benchmark helper: encodes samples as an Ogg Vorbis file in memory (through
// the media layer's encoder), and makes tones. Header-only so benchmarks can use it too.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/vorbis_encoder.h"

namespace vorbis_test {

// Interleaved samples (frames × channels) to Ogg Vorbis bytes.
inline std::vector<uint8_t> Encode(const std::vector<float>& interleaved, int channels, int rate,
                                   float quality = 0.6f) {
    return EncodeOggVorbis(interleaved, channels, rate, quality);
}

// A sine of hz at amplitude for seconds, the same on every channel.
inline std::vector<float> Tone(float hz, float amplitude, float seconds, int channels, int rate) {
    const long frames = std::lround(seconds * rate);
    std::vector<float> samples(static_cast<size_t>(frames * channels));
    for (long i = 0; i < frames; ++i) {
        const float v = amplitude * static_cast<float>(std::sin(2.0 * M_PI * hz * i / rate));
        for (int c = 0; c < channels; ++c) samples[static_cast<size_t>(i * channels + c)] = v;
    }
    return samples;
}

inline std::vector<uint8_t> ToneFile(float hz, float amplitude, float seconds, int channels, int rate) {
    return Encode(Tone(hz, amplitude, seconds, channels, rate), channels, rate);
}

}  // namespace vorbis_test
