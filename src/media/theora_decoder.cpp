#include "media/theora_decoder.h"

#include <algorithm>
#include <cstdint>

#include "files/in_stream_interface.h"
#include "files/log.h"

namespace {

// A Theora identification packet whose frame-rate numerator or denominator is 0. The
// header decoder refuses it as a bad header; it is told apart for the log line.
bool HasZeroFrameRate(const ogg_packet& packet) {
    static const unsigned char kMagic[] = {0x80, 't', 'h', 'e', 'o', 'r', 'a'};
    if (packet.bytes < 30 || !std::equal(kMagic, kMagic + 7, packet.packet)) return false;
    const unsigned char* p = packet.packet;
    const uint32_t numerator =
        (uint32_t{p[22]} << 24) | (uint32_t{p[23]} << 16) | (uint32_t{p[24]} << 8) | p[25];
    const uint32_t denominator =
        (uint32_t{p[26]} << 24) | (uint32_t{p[27]} << 16) | (uint32_t{p[28]} << 8) | p[29];
    return numerator == 0 || denominator == 0;
}

}  // namespace

vK_TheoraDecoder::vK_TheoraDecoder(std::shared_ptr<vK_InStreamInterface> stream, std::string name)
    : stream_(std::move(stream)), name_(std::move(name)) {
    ogg_sync_init(&sync_);
    th_info_init(&info_);
    th_comment_init(&comment_);
}

vK_TheoraDecoder::~vK_TheoraDecoder() {
    Reset();
    ogg_sync_clear(&sync_);
    th_info_clear(&info_);
    th_comment_clear(&comment_);
}

void vK_TheoraDecoder::Reset() {
    if (decoder_) th_decode_free(decoder_);
    decoder_ = nullptr;
    if (setup_) th_setup_free(setup_);
    setup_ = nullptr;
    if (streamInit_) ogg_stream_clear(&ogg_);
    streamInit_ = false;
    locked_ = false;
    hasPlanes_ = false;
    ogg_sync_reset(&sync_);
    th_info_clear(&info_);
    th_comment_clear(&comment_);
    th_info_init(&info_);
    th_comment_init(&comment_);
}

float vK_TheoraDecoder::GetFPS() const {
    if (!IsOpen() || info_.fps_denominator == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(info_.fps_numerator) / info_.fps_denominator);
}

bool vK_TheoraDecoder::NextPage(ogg_page& page) {
    if (!stream_) return false;
    for (;;) {
        const int status = ogg_sync_pageout(&sync_, &page);
        if (status == 1) {
            if (!locked_ || ogg_page_serialno(&page) == serial_) return true;
            continue;  // a page of another logical stream
        }
        if (status < 0) continue;  // bytes skipped while resynchronising
        char* buffer = ogg_sync_buffer(&sync_, kBlockSize);
        if (!buffer) return false;
        const int n = stream_->Read(kBlockSize, reinterpret_cast<uint8_t*>(buffer));
        if (n <= 0) return false;
        ogg_sync_wrote(&sync_, n);
    }
}

bool vK_TheoraDecoder::ReadHeaders() {
    int headers = 0;
    ogg_page page;
    ogg_packet packet;
    while (headers < 3) {
        if (locked_) {
            const int status = ogg_stream_packetout(&ogg_, &packet);
            if (status < 0) return false;  // a gap inside the headers
            if (status == 1) {
                if (th_decode_headerin(&info_, &comment_, &setup_, &packet) <= 0) return false;
                ++headers;
                continue;
            }
        }
        if (!NextPage(page)) return false;
        if (locked_) {
            ogg_stream_pagein(&ogg_, &page);
            continue;
        }
        // Still looking for the video: only a beginning-of-stream page can start it.
        if (!ogg_page_bos(&page)) continue;
        if (streamInit_) ogg_stream_clear(&ogg_);
        ogg_stream_init(&ogg_, ogg_page_serialno(&page));
        streamInit_ = true;
        ogg_stream_pagein(&ogg_, &page);
        if (ogg_stream_packetout(&ogg_, &packet) != 1) continue;
        if (HasZeroFrameRate(packet)) {
            zeroFrameRate_ = true;
            return false;
        }
        if (th_decode_headerin(&info_, &comment_, &setup_, &packet) > 0) {
            locked_ = true;
            serial_ = ogg_page_serialno(&page);
            headers = 1;
        } else {
            th_info_clear(&info_);
            th_info_init(&info_);
        }
    }
    return true;
}

bool vK_TheoraDecoder::Open() {
    Reset();
    zeroFrameRate_ = false;
    const bool headers = ReadHeaders();
    if (!headers && zeroFrameRate_) {
        Log("Error: video %s has a frame rate of 0 and is refused", name_.c_str());
        Reset();
        return false;
    }
    if (!headers) {
        Log("Error: video %s holds no Theora video", name_.c_str());
        Reset();
        return false;
    }
    if (info_.fps_numerator == 0 || info_.fps_denominator == 0) {
        Log("Error: video %s has a frame rate of 0 and is refused", name_.c_str());
        Reset();
        return false;
    }
    if (info_.frame_width == 0 || info_.frame_height == 0 || info_.frame_width > kMaxSide ||
        info_.frame_height > kMaxSide) {
        Log("Error: video %s has an unsupported frame size %u x %u", name_.c_str(), info_.frame_width,
            info_.frame_height);
        Reset();
        return false;
    }
    decoder_ = th_decode_alloc(&info_, setup_);
    th_setup_free(setup_);
    setup_ = nullptr;
    if (!decoder_) {
        Log("Error: video %s could not create its Theora decoder", name_.c_str());
        Reset();
        return false;
    }
    return true;
}

bool vK_TheoraDecoder::Rewind() {
    if (!stream_ || !stream_->Seek(0)) return false;
    return Open();
}

bool vK_TheoraDecoder::NextFrame(bool keep) {
    if (!decoder_) return false;
    ogg_packet packet;
    ogg_page page;
    for (;;) {
        const int status = ogg_stream_packetout(&ogg_, &packet);
        if (status == 1) {
            ogg_int64_t granule = 0;
            const int decoded = th_decode_packetin(decoder_, &packet, &granule);
            if (decoded != 0 && decoded != TH_DUPFRAME) return false;
            if (keep) hasPlanes_ = th_decode_ycbcr_out(decoder_, planes_) == 0;
            return true;
        }
        if (status < 0) continue;  // a gap in the data: the next whole packet follows
        if (!NextPage(page)) return false;
        ogg_stream_pagein(&ogg_, &page);
    }
}
