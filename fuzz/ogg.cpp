// Arbitrary bytes as a sound: opening either fails with a reason or gives a decoder
// that decodes to its end (and, looping, keeps producing) within bounds, streamed on
// its own or from a retained source shared by two decoders.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/log.h"
#include "media/sound_decoder.h"
#include "media/sound_source.h"

namespace {
bool Quiet(const std::string&) { return true; }

constexpr int kBlock = 512;
constexpr int64_t kMaxFrames = 30 * vK_SoundDecoder::kOutputRate;
constexpr int64_t kMaxLoopFrames = vK_SoundDecoder::kOutputRate / 4;

void Drain(vK_SoundDecoder& decoder, int64_t limit) {
    std::vector<float> block(static_cast<size_t>(kBlock) * vK_SoundDecoder::kOutputChannels);
    for (int64_t total = 0; total < limit && !decoder.Ended();) {
        const int got = decoder.Read(block.data(), kBlock);
        if (got < 0 || got > kBlock) __builtin_trap();
        total += got;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install(Quiet);
    const std::vector<uint8_t> bytes(data, data + size);
    for (bool loop : {false, true}) {
        std::string error;
        auto decoder = vK_SoundDecoder::Open(bytes, loop, &error);
        if (!decoder) {
            if (error.empty()) __builtin_trap();
            continue;
        }
        Drain(*decoder, loop ? kMaxLoopFrames : kMaxFrames);
        auto source = vK_SoundSource::Open(bytes, true, &error);
        auto first = vK_SoundDecoder::Open(source, loop, &error);
        auto second = vK_SoundDecoder::Open(source, loop, &error);
        if (!first || !second) __builtin_trap();  // the same bytes opened a moment ago
        Drain(*first, loop ? kMaxLoopFrames : kMaxFrames);
        Drain(*second, loop ? kMaxLoopFrames : kMaxFrames);
    }
    return 0;
}
