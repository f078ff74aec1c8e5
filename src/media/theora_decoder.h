#pragma once
#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <memory>
#include <string>

class vK_InStreamInterface;

// Decodes the Theora video of one Ogg stream, frame after frame. The stream is read
// in blocks of 4096 bytes into the Ogg synchroniser. The first logical stream whose
// first packet is a Theora header is the video; pages of any other logical stream
// (an audio track, say) are passed over. After a decoded frame the decoder keeps the
// frame's three planes (Y, Cb, Cr) until the next one.
class vK_TheoraDecoder {
public:
    static constexpr int kBlockSize = 4096;
    // Frames larger than this on either side are refused: a hostile header must not
    // make the decoder allocate gigabytes.
    static constexpr int kMaxSide = 4096;

    // name is used in log lines.
    vK_TheoraDecoder(std::shared_ptr<vK_InStreamInterface> stream, std::string name);
    ~vK_TheoraDecoder();
    vK_TheoraDecoder(const vK_TheoraDecoder&) = delete;
    vK_TheoraDecoder& operator=(const vK_TheoraDecoder&) = delete;

    // Reads the three headers and creates the decoder; false (logged) when the stream
    // holds no usable Theora video.
    bool Open();
    // Starts again at byte 0 and re-reads the headers.
    bool Rewind();
    // Decodes the next frame; with keep, its planes are taken for Planes(). False at
    // the end of the stream or at a packet that cannot be decoded.
    bool NextFrame(bool keep);

    bool IsOpen() const { return decoder_ != nullptr; }
    // The coded frame size (multiples of 16), not the picture region.
    int GetWidth() const { return IsOpen() ? static_cast<int>(info_.frame_width) : 0; }
    int GetHeight() const { return IsOpen() ? static_cast<int>(info_.frame_height) : 0; }
    float GetFPS() const;
    th_pixel_fmt GetPixelFormat() const { return info_.pixel_fmt; }
    // Valid after NextFrame (true) with keep.
    const th_ycbcr_buffer& Planes() const { return planes_; }
    bool HasPlanes() const { return hasPlanes_; }

private:
    void Reset();
    // The next page of the video's logical stream (or any page while looking for the
    // video); false at the end of the input.
    bool NextPage(ogg_page& page);
    bool ReadHeaders();

    std::shared_ptr<vK_InStreamInterface> stream_;
    std::string name_;
    ogg_sync_state sync_{};
    ogg_stream_state ogg_{};
    bool streamInit_ = false;
    bool locked_ = false;  // the video's serial number is known
    bool zeroFrameRate_ = false;
    int serial_ = 0;
    th_info info_{};
    th_comment comment_{};
    th_setup_info* setup_ = nullptr;
    th_dec_ctx* decoder_ = nullptr;
    th_ycbcr_buffer planes_{};
    bool hasPlanes_ = false;
};
