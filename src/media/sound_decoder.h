#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class vK_SoundSource;

// One playing pass (or loop) over a sound source, converted to the mixer's format
// (44100 Hz, stereo, 32-bit float, interleaved). Each decoder keeps its own position
// and converter, so decoders sharing one retained source play independently. Read
// runs on whichever thread mixes, never touching a file. Looping goes back to the
// first frame and keeps feeding the same converter, so the loop point has neither a
// gap nor a click.
class vK_SoundDecoder {
public:
    static constexpr int kOutputRate = 44100;
    static constexpr int kOutputChannels = 2;

    ~vK_SoundDecoder();
    vK_SoundDecoder(const vK_SoundDecoder&) = delete;
    vK_SoundDecoder& operator=(const vK_SoundDecoder&) = delete;

    // A decoder streaming the bytes through a private source, or nullptr with a reason
    // in error when the bytes are not a Vorbis stream this mixer can play.
    static std::unique_ptr<vK_SoundDecoder> Open(std::vector<uint8_t> bytes, bool loop, std::string* error);
    // A decoder over a source, which may be shared with other decoders when retained.
    static std::unique_ptr<vK_SoundDecoder> Open(std::shared_ptr<vK_SoundSource> source, bool loop,
                                                 std::string* error);

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
    struct Converter;
    vK_SoundDecoder();
    // The source's frames from the current position on (count 0: nothing more will
    // come), starting over first where a loop ends.
    int NextFrames(const float** data);
    // Feeds one block into the converter; false when nothing more will come.
    bool FeedBlock();
    // No more source data: pushes the converter's tail out.
    void FinishSource();

    std::shared_ptr<vK_SoundSource> source_;
    std::unique_ptr<Converter> converter_;  // null when the source is already 44100 Hz stereo
    bool loop_ = false;
    bool ended_ = false;
    bool sourceDone_ = false;
    bool failed_ = false;
    std::string failReason_;
    int sourceRate_ = 0;
    int sourceChannels_ = 0;
    int64_t lengthFrames_ = 0;
    // The next source frame of the current pass.
    int64_t position_ = 0;
    // Source frames fed and output frames given out so far; once the source is done,
    // the output ends at the converted length of what was fed.
    int64_t sourceFrames_ = 0;
    int64_t emittedFrames_ = 0;
    int64_t outputLimit_ = 0;
};
