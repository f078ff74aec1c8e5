#include "media/sound_decoder.h"

#include <SDL.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

namespace {

// Rates outside this range are damaged headers rather than sounds.
constexpr long kMinSourceRate = 1000;
constexpr long kMaxSourceRate = 192000;
constexpr int kMaxSourceChannels = 2;
// Samples per channel asked of the decoder at a time.
constexpr int kBlockSamples = 1024;
// Consecutive interruptions in the data before the stream counts as broken.
constexpr int kMaxHoles = 64;
// Blocks of silence that push the resampler's tail out at the end (over 20 ms at any rate).
constexpr int kTailPaddingBlocks = 4;

struct MemoryFile {
    std::vector<uint8_t> bytes;
    size_t pos = 0;
};

size_t MemoryRead(void* out, size_t size, size_t count, void* source) {
    auto* file = static_cast<MemoryFile*>(source);
    if (size == 0 || file->pos >= file->bytes.size()) return 0;
    const size_t items = std::min(count, (file->bytes.size() - file->pos) / size);
    std::memcpy(out, file->bytes.data() + file->pos, items * size);
    file->pos += items * size;
    return items;
}

int MemorySeek(void* source, ogg_int64_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(source);
    const auto size = static_cast<ogg_int64_t>(file->bytes.size());
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<ogg_int64_t>(file->pos);
    if (whence == SEEK_END) base = size;
    if (offset > size || offset < -size) return -1;
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > size) return -1;
    file->pos = static_cast<size_t>(target);
    return 0;
}

long MemoryTell(void* source) { return static_cast<long>(static_cast<MemoryFile*>(source)->pos); }

const char* OpenError(int code) {
    switch (code) {
        case OV_ENOTVORBIS:
            return "not a Vorbis stream";
        case OV_EVERSION:
            return "unsupported Vorbis version";
        case OV_EBADHEADER:
            return "damaged Vorbis header";
        case OV_EREAD:
            return "truncated stream";
        default:
            return "unreadable Ogg stream";
    }
}

}  // namespace

// The decoded stream and the converter to the output format. A source already in the
// output format needs no conversion and goes through a plain queue instead.
struct vK_SoundDecoder::State {
    MemoryFile file;
    OggVorbis_File vf{};
    bool open = false;
    SDL_AudioStream* converter = nullptr;
    std::vector<float> queue;  // passthrough: samples not yet read, from queueStart on
    size_t queueStart = 0;

    ~State() {
        if (converter) SDL_FreeAudioStream(converter);
        if (open) ov_clear(&vf);
    }
    bool Put(const float* samples, int bytes) {
        if (converter) return SDL_AudioStreamPut(converter, samples, bytes) == 0;
        if (queueStart > 0 && queueStart == queue.size()) queue.clear(), queueStart = 0;
        queue.insert(queue.end(), samples, samples + bytes / sizeof(float));
        return true;
    }
    void Flush() {
        if (converter) SDL_AudioStreamFlush(converter);
    }
    int Available() const {
        if (converter) return SDL_AudioStreamAvailable(converter);
        return static_cast<int>((queue.size() - queueStart) * sizeof(float));
    }
    int Get(float* out, int bytes) {
        if (converter) return SDL_AudioStreamGet(converter, out, bytes);
        const size_t count = std::min(queue.size() - queueStart, static_cast<size_t>(bytes) / sizeof(float));
        std::copy_n(queue.begin() + static_cast<std::ptrdiff_t>(queueStart), count, out);
        queueStart += count;
        // Keep the queue short: move the unread rest to the front once most of it is read.
        if (queueStart > 4096 && queueStart * 2 > queue.size()) {
            queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(queueStart));
            queueStart = 0;
        }
        return static_cast<int>(count * sizeof(float));
    }
};

vK_SoundDecoder::vK_SoundDecoder() : state_(std::make_unique<State>()) {}

vK_SoundDecoder::~vK_SoundDecoder() = default;

std::unique_ptr<vK_SoundDecoder> vK_SoundDecoder::Open(std::vector<uint8_t> bytes, bool loop,
                                                       std::string* error) {
    auto fail = [error](const std::string& reason) {
        if (error) *error = reason;
        return nullptr;
    };
    std::unique_ptr<vK_SoundDecoder> decoder(new vK_SoundDecoder());
    State& s = *decoder->state_;
    s.file.bytes = std::move(bytes);
    const ov_callbacks callbacks = {&MemoryRead, &MemorySeek, nullptr, &MemoryTell};
    const int opened = ov_open_callbacks(&s.file, &s.vf, nullptr, 0, callbacks);
    if (opened < 0) return fail(OpenError(opened));
    s.open = true;
    const vorbis_info* info = ov_info(&s.vf, -1);
    if (!info) return fail("no stream information");
    if (info->channels < 1 || info->channels > kMaxSourceChannels)
        return fail("unsupported channel count " + std::to_string(info->channels));
    if (info->rate < kMinSourceRate || info->rate > kMaxSourceRate)
        return fail("unsupported sample rate " + std::to_string(info->rate));
    decoder->sourceChannels_ = info->channels;
    decoder->sourceRate_ = static_cast<int>(info->rate);
    if (info->channels != kOutputChannels || decoder->sourceRate_ != kOutputRate) {
        s.converter = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(info->channels),
                                         decoder->sourceRate_, AUDIO_F32SYS, kOutputChannels, kOutputRate);
        if (!s.converter) return fail(std::string("no converter: ") + SDL_GetError());
    }
    const ogg_int64_t total = ov_pcm_total(&s.vf, -1);
    if (total > 0) decoder->lengthFrames_ = total * kOutputRate / decoder->sourceRate_;
    decoder->loop_ = loop;
    decoder->interleaved_.resize(static_cast<size_t>(kBlockSamples) * decoder->sourceChannels_);
    return decoder;
}

void vK_SoundDecoder::Fail(const char* reason) {
    failed_ = true;
    if (failReason_.empty()) failReason_ = reason;
    FinishSource();
}

void vK_SoundDecoder::FinishSource() {
    if (sourceDone_) return;
    sourceDone_ = true;
    // The resampler holds back the last few milliseconds even when flushed: feed it
    // silence first, and cut the output at the length the source had.
    std::fill(interleaved_.begin(), interleaved_.end(), 0.0f);
    const int padding = static_cast<int>(interleaved_.size() * sizeof(float));
    for (int i = 0; i < kTailPaddingBlocks; ++i) state_->Put(interleaved_.data(), padding);
    state_->Flush();
    outputLimit_ = sourceFrames_ * kOutputRate / sourceRate_;
}

bool vK_SoundDecoder::DecodeBlock() {
    State& s = *state_;
    float** pcm = nullptr;
    int link = 0;
    const long samples = ov_read_float(&s.vf, &pcm, kBlockSamples, &link);
    if (samples == OV_HOLE) {
        if (++holes_ > kMaxHoles) {
            Fail("too many gaps in the stream");
            return false;
        }
        return true;
    }
    if (samples < 0) {
        Fail("damaged audio data");
        return false;
    }
    if (samples == 0) {
        // The end of one pass. A loop starts over in the same converter, so the
        // resampler carries on across the seam.
        if (loop_ && samplesThisPass_ > 0) {
            if (ov_pcm_seek(&s.vf, 0) != 0) {
                Fail("cannot seek to the start of the loop");
                return false;
            }
            samplesThisPass_ = 0;
            return true;
        }
        FinishSource();
        return false;
    }
    holes_ = 0;
    const vorbis_info* info = ov_info(&s.vf, link);
    if (!info || info->channels != sourceChannels_ || info->rate != sourceRate_) {
        // A chained stream that changes format mid-way: the sound ends with its first part.
        FinishSource();
        return false;
    }
    const int channels = sourceChannels_;
    for (long i = 0; i < samples; ++i)
        for (int c = 0; c < channels; ++c) interleaved_[static_cast<size_t>(i * channels + c)] = pcm[c][i];
    const int bytes = static_cast<int>(samples * channels * static_cast<long>(sizeof(float)));
    if (!s.Put(interleaved_.data(), bytes)) {
        Fail("conversion failed");
        return false;
    }
    samplesThisPass_ += samples;
    sourceFrames_ += samples;
    return true;
}

int vK_SoundDecoder::Read(float* out, int frames) {
    if (frames <= 0 || ended_) return 0;
    const int wanted = frames * kOutputChannels * static_cast<int>(sizeof(float));
    while (!sourceDone_ && state_->Available() < wanted) {
        if (!DecodeBlock()) break;
    }
    constexpr int kFrameBytes = kOutputChannels * static_cast<int>(sizeof(float));
    int got = std::max(0, state_->Get(out, wanted)) / kFrameBytes;
    if (sourceDone_) {
        got = static_cast<int>(std::min<int64_t>(got, std::max<int64_t>(0, outputLimit_ - emittedFrames_)));
        if (got < frames) ended_ = true;
    }
    emittedFrames_ += got;
    return got;
}
