#include "media/sound_source.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// Rates outside this range are damaged headers rather than sounds.
constexpr long kMinSourceRate = 1000;
constexpr long kMaxSourceRate = 192000;
constexpr int kMaxSourceChannels = 2;
// Frames asked of the decoder at a time.
constexpr int kBlockFrames = 1024;
// Consecutive interruptions in the data before the stream counts as broken.
constexpr int kMaxHoles = 64;

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

struct vK_SoundSource::State {
    MemoryFile file;
    OggVorbis_File vf{};
    bool open = false;

    ~State() {
        if (open) ov_clear(&vf);
    }
};

vK_SoundSource::vK_SoundSource() : state_(std::make_unique<State>()) {}

namespace {
std::atomic<int64_t> g_liveBytes{0};
}  // namespace

vK_SoundSource::~vK_SoundSource() { g_liveBytes.fetch_sub(countedBytes_, std::memory_order_relaxed); }

int64_t vK_SoundSource::LiveBytes() { return g_liveBytes.load(std::memory_order_relaxed); }

bool vK_SoundSource::SameBytes(const std::vector<uint8_t>& bytes) const {
    return bytes == state_->file.bytes;
}

std::shared_ptr<vK_SoundSource> vK_SoundSource::Open(std::vector<uint8_t> bytes, bool retain,
                                                     std::string* error) {
    auto fail = [error](const std::string& reason) {
        if (error) *error = reason;
        return nullptr;
    };
    std::shared_ptr<vK_SoundSource> source(new vK_SoundSource());
    State& s = *source->state_;
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
    source->channels_ = info->channels;
    source->rate_ = static_cast<int>(info->rate);
    const ogg_int64_t total = ov_pcm_total(&s.vf, -1);
    // A length beyond any real sound (years) is a damaged header: treated as unstated, so
    // converting it to output frames cannot overflow.
    source->totalFrames_ = total > 0 && total < (int64_t{1} << 40) ? total : 0;
    source->retained_ = retain && total > 0 && total <= int64_t{kMaxRetainedSeconds} * source->rate_;
    const int64_t frames = source->retained_ ? source->totalFrames_ : kBlockFrames;
    source->pcm_.resize(static_cast<size_t>(frames) * static_cast<size_t>(source->channels_));
    // Vorbis blocks give 32 frames or more (bar the edges of the stream): reserved so
    // the mixing thread does not normally reallocate.
    if (source->retained_) source->blockEnds_.reserve(static_cast<size_t>(frames / 32 + 16));
    source->countedBytes_ = static_cast<int64_t>(s.file.bytes.size() + source->pcm_.size() * sizeof(float));
    g_liveBytes.fetch_add(source->countedBytes_, std::memory_order_relaxed);
    return source;
}

void vK_SoundSource::Fail(const char* reason) {
    failed_ = true;
    done_ = true;
    if (failReason_.empty()) failReason_ = reason;
}

int vK_SoundSource::DecodeBlock(float* dest, int maxFrames) {
    State& s = *state_;
    while (!done_) {
        float** pcm = nullptr;
        int link = 0;
        const long samples = ov_read_float(&s.vf, &pcm, maxFrames, &link);
        if (samples == OV_HOLE) {
            if (++holes_ > kMaxHoles) Fail("too many gaps in the stream");
            continue;
        }
        if (samples < 0) {
            Fail("damaged audio data");
            break;
        }
        const vorbis_info* info = samples > 0 ? ov_info(&s.vf, link) : nullptr;
        // The end, or a chained stream that changes format mid-way: the sound ends
        // with its first part.
        if (!info || info->channels != channels_ || info->rate != rate_) {
            done_ = true;
            break;
        }
        holes_ = 0;
        const int channels = channels_;
        for (long i = 0; i < samples; ++i)
            for (int c = 0; c < channels; ++c) dest[i * channels + c] = pcm[c][i];
        return static_cast<int>(samples);
    }
    return 0;
}

int vK_SoundSource::Frames(int64_t pos, const float** data) {
    if (pos < 0) return 0;
    const auto channels = static_cast<size_t>(channels_);
    if (retained_) {
        while (pos >= decodedFrames_ && !done_) {
            // Never past the stated length: the buffer was reserved for exactly that.
            const int room = static_cast<int>(std::min<int64_t>(kBlockFrames, totalFrames_ - decodedFrames_));
            if (room <= 0) {
                done_ = true;
                break;
            }
            const int frames =
                DecodeBlock(pcm_.data() + static_cast<size_t>(decodedFrames_) * channels, room);
            if (frames == 0) break;
            decodedFrames_ += frames;
            blockEnds_.push_back(static_cast<int32_t>(decodedFrames_));
        }
        if (pos >= decodedFrames_) return 0;
        const auto end = std::upper_bound(blockEnds_.begin(), blockEnds_.end(), pos);
        *data = pcm_.data() + static_cast<size_t>(pos) * channels;
        return static_cast<int>(*end - pos);
    }
    if (pos < blockStart_) {
        // Back to an earlier frame (a loop's start): seek there.
        if (failed_) return 0;
        if (ov_pcm_seek(&state_->vf, pos) != 0) {
            Fail("cannot seek to the start of the loop");
            return 0;
        }
        blockStart_ = pos;
        blockFrames_ = 0;
        done_ = false;
    }
    while (pos >= blockStart_ + blockFrames_) {
        blockStart_ += blockFrames_;
        blockFrames_ = DecodeBlock(pcm_.data(), kBlockFrames);
        if (blockFrames_ == 0) return 0;
    }
    *data = pcm_.data() + static_cast<size_t>(pos - blockStart_) * channels;
    return static_cast<int>(blockStart_ + blockFrames_ - pos);
}
