#include "media/vorbis_encoder.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace {

void AppendPage(const ogg_page& page, std::vector<uint8_t>& out) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<uint8_t> EncodeOggVorbis(const std::vector<float>& interleaved, int channels, int rate,
                                     float quality) {
    std::vector<uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_packet header, header_comment, header_code;
    vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &header_comment);
    ogg_stream_packetin(&stream, &header_code);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(page, out);

    const long frames = static_cast<long>(interleaved.size()) / channels;
    constexpr long kChunk = 4096;
    bool eos = false;
    for (long start = 0; !eos; start += kChunk) {
        const long count = start < frames ? std::min(kChunk, frames - start) : 0;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = interleaved[static_cast<size_t>((start + i) * channels + c)];
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));  // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    AppendPage(page, out);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (count == 0) eos = true;
    }
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(page, out);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}
