#pragma once
#include <memory>
#include <string>

#include "media/video_impl.h"

class vK_InStreamInterface;
class vK_TheoraDecoder;
class vK_ZAlphaReader;

// Theora video in Ogg files, read through the file manager (asset archive or folder):
// N.ogg holds the colour; the alpha comes from N.zalpha (zlib planes) or, when that is
// absent, from N.oggalpha, a second Theora video whose red channel is the alpha.
class vK_VideoImpl_Ogg : public vK_VideoImpl {
public:
    // owner: the video object's name, for log lines.
    explicit vK_VideoImpl_Ogg(std::string owner = std::string());
    ~vK_VideoImpl_Ogg() override;

    bool Open(const std::string& name) override;
    void Close() override;
    bool SkipFrame() override { return Step(false); }
    void SeekToFrame(int n) override;
    bool DecodeFrame() override { return Step(true); }
    void CopyFrame(uint8_t* pixels, int pitch) override;
    float GetFPS() override;
    int GetWidth() override;
    int GetHeight() override;

    // Frames decoded or skipped since the start.
    int GetFrameCount() const { return frameCount_; }
    bool IsEnded() const { return ended_; }
    bool HasZAlpha() const { return zalpha_ != nullptr; }
    bool HasAlphaVideo() const { return alphaVideo_ != nullptr; }

    // A stream over path from the file manager's readers; archive entries are read
    // whole into memory. nullptr when no reader has the file.
    static std::shared_ptr<vK_InStreamInterface> OpenMediaStream(const std::string& path);

private:
    bool Step(bool keep);

    std::string owner_;
    std::unique_ptr<vK_TheoraDecoder> colour_;
    std::unique_ptr<vK_ZAlphaReader> zalpha_;
    std::unique_ptr<vK_TheoraDecoder> alphaVideo_;
    bool ended_ = false;
    int frameCount_ = 0;
};
