#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/resource.h"

// The decoded samples of one Ogg Vorbis file, in the file's own rate and channel count
// (interleaved float). Two kinds:
//
// - Retained (short sounds): every sample decoded stays in memory, so any number of
//   decoders share one source and the file is decoded once however often it plays.
//   Samples are decoded on demand by whichever decoder needs them first; the buffer is
//   reserved at opening, so decoding never reallocates on the mixing thread.
// - Streaming (long sounds such as music, and private sources): a single reader decodes
//   block by block and keeps only the latest block; going back to the start seeks.
//
// Opening happens on the caller's thread; Frames only on the one thread that mixes.
// The bytes, format and length never change after opening, so other threads may read
// them (the sound hub compares the bytes with the file on disk before sharing).
class vK_SoundSource : public vK_Resource {
public:
    // Sounds up to this long (at their own rate) are retained when shared.
    static constexpr int kMaxRetainedSeconds = 12;

    ~vK_SoundSource() override;

    // The source, or nullptr with a reason in error when the bytes are not a Vorbis
    // stream this mixer can play. retain asks for a retained source; it is granted only
    // when the stream states its length and is at most kMaxRetainedSeconds long.
    static std::shared_ptr<vK_SoundSource> Open(std::vector<uint8_t> bytes, bool retain, std::string* error);

    // Sources come from bytes only, never by name through the resource cache.
    bool Load(const std::string& /*name*/) override { return false; }

    bool Retained() const { return retained_; }
    // Bytes held by every live source: the file's bytes and the decoded samples' buffer.
    static int64_t LiveBytes();
    bool SameBytes(const std::vector<uint8_t>& bytes) const;
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    // Frames of one pass as the stream states it (0 when it does not say).
    int64_t TotalFrames() const { return totalFrames_; }

    // Points data at the decoded frames from frame pos on and returns how many follow
    // (contiguous, at least one), decoding as needed; 0 when the data ends at pos.
    // The pointer stays valid until the next call. The frames end where the decoder's
    // block ended, in both kinds: the rate converter's output depends on how its input
    // is cut, so a shared sound is fed in exactly the pieces a streamed one is.
    int Frames(int64_t pos, const float** data);
    // Set once the data broke off (a decode error), with the reason for the log.
    bool Failed() const { return failed_; }
    const std::string& FailReason() const { return failReason_; }

private:
    struct State;
    vK_SoundSource();
    // Decodes the next block into dest (at most maxFrames frames); the frame count,
    // 0 when nothing more will come (the end, or a failure).
    int DecodeBlock(float* dest, int maxFrames);
    void Fail(const char* reason);

    std::unique_ptr<State> state_;
    bool retained_ = false;
    int rate_ = 0;
    int channels_ = 0;
    int64_t totalFrames_ = 0;
    bool done_ = false;
    bool failed_ = false;
    std::string failReason_;
    int holes_ = 0;
    vK_LiveCounted<vK_LiveKind::SoundSource> liveSourceCount_;
    // Retained: all frames decoded so far (the first decodedFrames_). Streaming: the
    // latest block, blockFrames_ frames beginning at frame blockStart_.
    std::vector<float> pcm_;
    std::vector<int32_t> blockEnds_;  // retained: where each decoded block ended
    int64_t decodedFrames_ = 0;
    int64_t blockStart_ = 0;
    int blockFrames_ = 0;
    int64_t countedBytes_ = 0;  // this source's part of LiveBytes
};
