#include "media/sound_decoder.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "media/sound_source.h"

namespace {
// Frames fed to the converter at a time.
constexpr int kBlockFrames = 1024;
// Blocks of silence that push the resampler's tail out at the end (over 20 ms at any rate).
constexpr int kTailPaddingBlocks = 4;
constexpr int kFrameBytes = vK_SoundDecoder::kOutputChannels * static_cast<int>(sizeof(float));
}  // namespace

// The rate and channel converter for sources not already in the output format.
struct vK_SoundDecoder::Converter {
    SDL_AudioStream* stream = nullptr;
    ~Converter() {
        if (stream) SDL_FreeAudioStream(stream);
    }
};

vK_SoundDecoder::vK_SoundDecoder() = default;

vK_SoundDecoder::~vK_SoundDecoder() = default;

std::unique_ptr<vK_SoundDecoder> vK_SoundDecoder::Open(std::vector<uint8_t> bytes, bool loop,
                                                       std::string* error) {
    return Open(vK_SoundSource::Open(std::move(bytes), false, error), loop, error);
}

std::unique_ptr<vK_SoundDecoder> vK_SoundDecoder::Open(std::shared_ptr<vK_SoundSource> source, bool loop,
                                                       std::string* error) {
    if (!source) return nullptr;  // the source's own reason is already in error
    std::unique_ptr<vK_SoundDecoder> decoder(new vK_SoundDecoder());
    decoder->sourceChannels_ = source->Channels();
    decoder->sourceRate_ = source->Rate();
    if (decoder->sourceChannels_ != kOutputChannels || decoder->sourceRate_ != kOutputRate) {
        decoder->converter_ = std::make_unique<Converter>();
        decoder->converter_->stream =
            SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(decoder->sourceChannels_),
                               decoder->sourceRate_, AUDIO_F32SYS, kOutputChannels, kOutputRate);
        if (!decoder->converter_->stream) {
            if (error) *error = std::string("no converter: ") + SDL_GetError();
            return nullptr;
        }
    }
    decoder->lengthFrames_ = source->TotalFrames() * kOutputRate / decoder->sourceRate_;
    decoder->loop_ = loop;
    decoder->source_ = std::move(source);
    return decoder;
}

int vK_SoundDecoder::NextFrames(const float** data) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int frames = source_->Frames(position_, data);
        if (frames > 0) return frames;
        if (source_->Failed()) {
            failed_ = true;
            if (failReason_.empty()) failReason_ = source_->FailReason();
            return 0;
        }
        // The end of one pass. A loop starts over (in the same converter, so the
        // resampler carries on across the seam); a pass that gave nothing ends it.
        if (!loop_ || position_ == 0) return 0;
        position_ = 0;
    }
    return 0;
}

void vK_SoundDecoder::FinishSource() {
    if (sourceDone_) return;
    sourceDone_ = true;
    outputLimit_ = sourceFrames_ * kOutputRate / sourceRate_;
    if (!converter_) return;
    // The resampler holds back the last few milliseconds even when flushed: feed it
    // silence first, and cut the output at the length the source had.
    const std::vector<float> silence(static_cast<size_t>(kBlockFrames) *
                                     static_cast<size_t>(sourceChannels_));
    const int bytes = static_cast<int>(silence.size() * sizeof(float));
    for (int i = 0; i < kTailPaddingBlocks; ++i)
        SDL_AudioStreamPut(converter_->stream, silence.data(), bytes);
    SDL_AudioStreamFlush(converter_->stream);
}

bool vK_SoundDecoder::FeedBlock() {
    const float* data = nullptr;
    const int frames = std::min(NextFrames(&data), kBlockFrames);
    if (frames <= 0) {
        FinishSource();
        return false;
    }
    const int bytes = frames * sourceChannels_ * static_cast<int>(sizeof(float));
    if (SDL_AudioStreamPut(converter_->stream, data, bytes) != 0) {
        failed_ = true;
        if (failReason_.empty()) failReason_ = "conversion failed";
        FinishSource();
        return false;
    }
    position_ += frames;
    sourceFrames_ += frames;
    return true;
}

int vK_SoundDecoder::Read(float* out, int frames) {
    if (frames <= 0 || ended_) return 0;
    int got = 0;
    if (!converter_) {
        // Already in the output format: straight from the source's frames.
        while (got < frames) {
            const float* data = nullptr;
            const int n = std::min(NextFrames(&data), frames - got);
            if (n <= 0) break;
            std::memcpy(out + static_cast<size_t>(got) * kOutputChannels, data,
                        static_cast<size_t>(n) * kFrameBytes);
            position_ += n;
            sourceFrames_ += n;
            got += n;
        }
        if (got < frames) FinishSource();
    } else {
        const int wanted = frames * kFrameBytes;
        while (!sourceDone_ && SDL_AudioStreamAvailable(converter_->stream) < wanted) {
            if (!FeedBlock()) break;
        }
        got = std::max(0, SDL_AudioStreamGet(converter_->stream, out, wanted)) / kFrameBytes;
    }
    if (sourceDone_) {
        got = static_cast<int>(std::min<int64_t>(got, std::max<int64_t>(0, outputLimit_ - emittedFrames_)));
        if (got < frames) ended_ = true;
    }
    emittedFrames_ += got;
    return got;
}
