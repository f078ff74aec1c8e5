#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One Ogg Vorbis sound decoded from bytes in memory and converted to the mixer's
// format (44100 Hz, stereo, 32-bit float, interleaved). Opening reads the headers on
// the caller's thread; Read decodes on whichever thread mixes, never touching a file.
// Looping seeks back to the first sample and keeps feeding the same converter, so
// the loop point has neither a gap nor a click.
class vK_SoundDecoder {
public:
    static constexpr int kOutputRate = 44100;
    static constexpr int kOutputChannels = 2;

    ~vK_SoundDecoder();
    vK_SoundDecoder(const vK_SoundDecoder&) = delete;
    vK_SoundDecoder& operator=(const vK_SoundDecoder&) = delete;

    // The decoder, or nullptr with a reason in error when the bytes are not a
    // Vorbis stream this mixer can play.
    static std::unique_ptr<vK_SoundDecoder> Open(std::vector<uint8_t> bytes, bool loop, std::string* error);

    // Writes up to frames output frames; fewer once the sound has ended (or failed).
    int Read(float* out, int frames);
    bool Ended() const { return ended_; }
    // A decode error ended the sound early; the reason is kept for the main thread's log.
    bool Failed() const { return failed_; }
    const std::string& FailReason() const { return failReason_; }

    int SourceRate() const { return sourceRate_; }
    int SourceChannels() const { return sourceChannels_; }
    bool Looping() const { return loop_; }
    // Length of one pass in output frames (0 when the stream does not say).
    int64_t LengthFrames() const { return lengthFrames_; }

private:
    struct State;
    vK_SoundDecoder();
    // Decodes one block into the converter; false when nothing more will come.
    bool DecodeBlock();
    void Fail(const char* reason);
    // No more source data: pushes the converter's tail out.
    void FinishSource();

    std::unique_ptr<State> state_;
    bool loop_ = false;
    bool ended_ = false;
    bool sourceDone_ = false;
    bool failed_ = false;
    std::string failReason_;
    int sourceRate_ = 0;
    int sourceChannels_ = 0;
    int64_t lengthFrames_ = 0;
    // Samples decoded since the last seek to the start; a loop pass that yields
    // none ends the sound instead of spinning.
    int64_t samplesThisPass_ = 0;
    // Source frames decoded and output frames given out so far; once the source is
    // done, the output ends at the converted length of what was decoded.
    int64_t sourceFrames_ = 0;
    int64_t emittedFrames_ = 0;
    int64_t outputLimit_ = 0;
    int holes_ = 0;
    std::vector<float> interleaved_;
};
