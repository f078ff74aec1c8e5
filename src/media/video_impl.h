#pragma once
#include <cstdint>
#include <string>

// The decoding back end of a video object: opens the files of a video by name, steps
// through its frames and converts the current one into B, G, R, A pixels.
class vK_VideoImpl {
public:
    virtual ~vK_VideoImpl() = default;
    // Opens name + ".ogg" and the optional alpha streams; false without a colour video.
    virtual bool Open(const std::string& name) = 0;
    virtual void Close() = 0;
    // Decodes the next frame without keeping its picture; false at the end.
    virtual bool SkipFrame() = 0;
    // Positions the decoders so that the next decoded frame is frame n (counted from 0).
    virtual void SeekToFrame(int n) = 0;
    // Decodes the next frame and keeps its picture for CopyFrame; false at the end.
    virtual bool DecodeFrame() = 0;
    // Converts the kept picture; pitch in pixels, 0 meaning the frame width.
    virtual void CopyFrame(uint8_t* pixels, int pitch) = 0;
    virtual float GetFPS() = 0;
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
};
